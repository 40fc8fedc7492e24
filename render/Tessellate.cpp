// Filling text outlines with triangles: holes are joined to their outer contour by a bridge
// (the hole's rightmost point to a vertex it can see), then ears are clipped off the one
// polygon that results.
#include <algorithm>
#include <cmath>

#include "render/FontOutlines.h"

namespace {

using POINT2 = glm::vec2;
constexpr float kEpsilon = 1e-7f;

float Cross(const POINT2& o, const POINT2& a, const POINT2& b) {
    return (a.x - o.x) * (b.y - o.y) - (a.y - o.y) * (b.x - o.x);
}

float Area(const std::vector<POINT2>& c) {
    float sum = 0.0f;
    for (size_t i = 0, j = c.size() - 1; i < c.size(); j = i++)
        sum += c[j].x * c[i].y - c[i].x * c[j].y;
    return sum / 2.0f;
}

// Even-odd containment.
bool Inside(const std::vector<POINT2>& polygon, const POINT2& p) {
    bool in = false;
    for (size_t i = 0, j = polygon.size() - 1; i < polygon.size(); j = i++) {
        const POINT2 &a = polygon[i], &b = polygon[j];
        if ((a.y > p.y) != (b.y > p.y) && p.x < (b.x - a.x) * (p.y - a.y) / (b.y - a.y) + a.x)
            in = !in;
    }
    return in;
}

// Without repeated points and without points on a straight line between their neighbours.
std::vector<POINT2> Clean(const std::vector<POINT2>& contour) {
    std::vector<POINT2> c;
    for (const POINT2& p : contour)
        if (c.empty() || glm::distance(c.back(), p) > 1e-6f)
            c.push_back(p);
    while (c.size() > 1 && glm::distance(c.front(), c.back()) <= 1e-6f)
        c.pop_back();
    bool removed = true;
    while (removed && c.size() >= 3) {
        removed = false;
        for (size_t i = 0; i < c.size() && c.size() >= 3; ++i) {
            const POINT2& a = c[(i + c.size() - 1) % c.size()];
            const POINT2& b = c[(i + 1) % c.size()];
            if (std::fabs(Cross(a, c[i], b)) <= kEpsilon * glm::distance(a, b)) {
                c.erase(c.begin() + static_cast<long>(i));
                removed = true;
            }
        }
    }
    return c;
}

bool InTriangle(const POINT2& p, const POINT2& a, const POINT2& b, const POINT2& c) {
    return Cross(a, b, p) >= -kEpsilon && Cross(b, c, p) >= -kEpsilon &&
           Cross(c, a, p) >= -kEpsilon;
}

// Joins a hole (clockwise) into the polygon (counter-clockwise) through its rightmost point.
void Bridge(std::vector<int>& polygon, const std::vector<int>& hole,
            const std::vector<POINT2>& points) {
    size_t m = 0;
    for (size_t i = 1; i < hole.size(); ++i)
        if (points[hole[i]].x > points[hole[m]].x)
            m = i;
    const POINT2 M = points[hole[m]];
    // The nearest edge that a ray from M toward +x meets.
    float bestX = INFINITY;
    size_t bestVertex = 0;
    const size_t n = polygon.size();
    for (size_t i = 0; i < n; ++i) {
        const POINT2 &a = points[polygon[i]], &b = points[polygon[(i + 1) % n]];
        if ((a.y > M.y) == (b.y > M.y) && a.y != M.y && b.y != M.y)
            continue;
        if (a.y == b.y) {
            if (a.y != M.y)
                continue;
            const float x = std::min(a.x, b.x);
            if (x >= M.x && x < bestX) {
                bestX = x;
                bestVertex = a.x < b.x ? i : (i + 1) % n;
            }
            continue;
        }
        const float x = a.x + (M.y - a.y) * (b.x - a.x) / (b.y - a.y);
        if (x >= M.x && x < bestX) {
            bestX = x;
            bestVertex = a.x > b.x ? i : (i + 1) % n;
        }
    }
    if (!std::isfinite(bestX))
        return; // nothing to the right: the hole is not inside this polygon
    // A reflex vertex inside the triangle (M, hit, candidate) would block the view; the one
    // seen at the smallest angle from the ray cannot be blocked.
    const POINT2 hit(bestX, M.y);
    const size_t candidate = bestVertex;
    const POINT2 P = points[polygon[candidate]];
    float bestCos = -2.0f;
    for (size_t i = 0; i < n; ++i) {
        const POINT2& r = points[polygon[i]];
        if (i == candidate || r == P)
            continue;
        const POINT2& prev = points[polygon[(i + n - 1) % n]];
        const POINT2& next = points[polygon[(i + 1) % n]];
        if (Cross(prev, r, next) > 0.0f)
            continue;
        const bool inside = P.y >= M.y ? InTriangle(r, M, hit, P) : InTriangle(r, M, P, hit);
        if (!inside)
            continue;
        const POINT2 d = glm::normalize(r - M);
        if (d.x > bestCos) {
            bestCos = d.x;
            bestVertex = i;
        }
    }
    std::vector<int> joined;
    joined.reserve(n + hole.size() + 2);
    joined.insert(joined.end(), polygon.begin(), polygon.begin() + bestVertex + 1);
    for (size_t k = 0; k <= hole.size(); ++k)
        joined.push_back(hole[(m + k) % hole.size()]);
    joined.insert(joined.end(), polygon.begin() + bestVertex, polygon.end());
    polygon.swap(joined);
}

void ClipEars(std::vector<int> v, const std::vector<POINT2>& points, std::vector<int>& triangles) {
    size_t i = 0, misses = 0;
    while (v.size() > 3 && misses <= 2 * v.size()) {
        const size_t n = v.size();
        const size_t prev = (i + n - 1) % n, next = (i + 1) % n;
        const POINT2 &a = points[v[prev]], &b = points[v[i]], &c = points[v[next]];
        const float turn = Cross(a, b, c);
        bool ear = turn > kEpsilon;
        for (size_t j = 0; ear && j < n; ++j) {
            if (j == prev || j == i || j == next)
                continue;
            const POINT2& p = points[v[j]];
            if (p != a && p != b && p != c && InTriangle(p, a, b, c))
                ear = false;
        }
        // A flat corner (a bridge's doubled edge, a spike) is dropped without a triangle.
        const bool flat = std::fabs(turn) <= kEpsilon;
        if (ear || flat || misses == 2 * n) {
            if (!flat && turn > 0.0f)
                triangles.insert(triangles.end(), {v[prev], v[i], v[next]});
            v.erase(v.begin() + static_cast<long>(i));
            misses = 0;
            if (i >= v.size())
                i = 0;
            continue;
        }
        ++misses;
        i = (i + 1) % n;
    }
    if (v.size() == 3 && Cross(points[v[0]], points[v[1]], points[v[2]]) > kEpsilon)
        triangles.insert(triangles.end(), {v[0], v[1], v[2]});
}

} // namespace

bool TessellateContours(const CONTOURS& contours, std::vector<POINT2>& points,
                        std::vector<int>& triangles) {
    std::vector<std::vector<POINT2>> shapes;
    for (const auto& contour : contours) {
        std::vector<POINT2> c = Clean(contour);
        if (c.size() >= 3 && std::fabs(Area(c)) > kEpsilon)
            shapes.push_back(std::move(c));
    }
    const size_t count = shapes.size();
    std::vector<int> depth(count, 0), parent(count, -1);
    for (size_t i = 0; i < count; ++i)
        for (size_t j = 0; j < count; ++j)
            if (i != j && Inside(shapes[j], shapes[i][0]))
                ++depth[i];
    for (size_t i = 0; i < count; ++i) {
        if (depth[i] % 2 == 0)
            continue;
        for (size_t j = 0; j < count; ++j)
            if (depth[j] == depth[i] - 1 && Inside(shapes[j], shapes[i][0]))
                parent[i] = static_cast<int>(j);
    }
    // Solid contours counter-clockwise, holes clockwise; all points in one array.
    std::vector<std::vector<int>> numbered(count);
    points.clear();
    for (size_t i = 0; i < count; ++i) {
        if ((Area(shapes[i]) > 0.0f) != (depth[i] % 2 == 0))
            std::reverse(shapes[i].begin(), shapes[i].end());
        for (const POINT2& p : shapes[i]) {
            numbered[i].push_back(static_cast<int>(points.size()));
            points.push_back(p);
        }
    }
    triangles.clear();
    for (size_t i = 0; i < count; ++i) {
        if (depth[i] % 2 != 0)
            continue;
        std::vector<size_t> holes;
        for (size_t j = 0; j < count; ++j)
            if (parent[j] == static_cast<int>(i))
                holes.push_back(j);
        auto rightmost = [&](size_t h) {
            float x = -INFINITY;
            for (const POINT2& p : shapes[h])
                x = std::max(x, p.x);
            return x;
        };
        std::sort(holes.begin(), holes.end(),
                  [&](size_t a, size_t b) { return rightmost(a) > rightmost(b); });
        std::vector<int> polygon = numbered[i];
        for (size_t h : holes)
            Bridge(polygon, numbered[h], points);
        ClipEars(std::move(polygon), points, triangles);
    }
    return !triangles.empty();
}
