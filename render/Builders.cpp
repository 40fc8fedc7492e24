// The mesh builders of CPrimitive. Winding: the scene culls counter-clockwise triangles as seen
// on screen, so every front face is clockwise seen from outside; for a triangle (a, b, c) that
// means (b - a) x (c - a) points outward, along the vertex normals.
#include <algorithm>
#include <cmath>

#include "render/FontOutlines.h"
#include "render/Primitive.h"

namespace {

IFontOutlines* g_fonts = nullptr;

constexpr float kPi = 3.14159265358979f;

// One point of a profile that is turned about the y axis: distance from the axis, height, the
// profile normal (outward from the axis, up) and the texture v.
struct PROFILE_POINT {
    float radius;
    float y;
    float normalRadius;
    float normalY;
    float v;
};

} // namespace

void SetFontOutlines(IFontOutlines* fonts) {
    g_fonts = fonts;
}

IFontOutlines* GetFontOutlines() {
    return g_fonts;
}

// One builder's work on a primitive's range: opens the range, adds vertices and polygons, and
// on failure puts the buffer back as it was.
class CMeshBuilder {
public:
    CMeshBuilder(CPrimitive& primitive, int color) : m_p(primitive), m_color(color) {}
    ~CMeshBuilder() {
        if (m_open && !m_done) {
            m_p.m_buffer->Rollback(m_mark);
            Close();
        }
    }

    bool Open() {
        if (!m_p.m_buffer)
            return m_p.Fail("No vertex buffer");
        if (m_p.m_colors.empty())
            return m_p.Fail("No colors are set");
        if (m_color < 0 || static_cast<size_t>(m_color) >= m_p.m_colors.size())
            return m_p.Fail("Bad color index: %d, colors=%d", m_color,
                            static_cast<int>(m_p.m_colors.size()));
        CVertexBuffer& b = *m_p.m_buffer;
        if (!b.BeginRange(&m_p.m_firstVertex, &m_p.m_firstIndex, &m_p.m_vertexCount,
                          &m_p.m_triangleCount, m_p.m_lines))
            return m_p.Fail("%s", b.GetError().GetText());
        if (!b.Lock()) {
            b.EndRange();
            return m_p.Fail("%s", b.GetError().GetText());
        }
        m_mark = b.Mark();
        m_open = true;
        return true;
    }

    // Adds a vertex in the primitive's colour (or its own colour, not recoloured later).
    int Vertex(const VEC3& position, const VEC3& normal, float u, float v) {
        return Add(position, normal, u, v, m_p.m_colors[m_color], static_cast<uint32_t>(m_color));
    }
    int ColoredVertex(const VEC3& position, const VEC3& normal, float u, float v, uint32_t color) {
        return Add(position, normal, u, v, color, CVertexBuffer::kNoColorIndex);
    }

    bool Triangle(int a, int b, int c) {
        const int n[3] = {a, b, c};
        return Polygon(n, 3, false);
    }
    bool Quad(int a, int b, int c, int d, bool diagonal = false) {
        const int n[4] = {a, b, c, d};
        return Polygon(n, 4, diagonal);
    }
    // A triangle turned so that its face looks along `normal`.
    bool TriangleFacing(int a, int b, int c, const VEC3& normal) {
        const VERTEX* v = m_p.m_buffer->GetVertices() + m_p.m_firstVertex;
        const VEC3 face = glm::cross(v[b].position - v[a].position, v[c].position - v[a].position);
        return glm::dot(face, normal) >= 0.0f ? Triangle(a, b, c) : Triangle(a, c, b);
    }

    bool Failed() const { return m_failed; }
    // Keeps what was added; returns false when anything failed (the range is then rolled back).
    bool Finish() {
        if (m_failed)
            return false;
        m_done = true;
        Close();
        return true;
    }

    // Quadrilaterals (a_j, a_j+1, b_j+1, b_j) between two rings of equal size.
    bool JoinRings(const std::vector<int>& a, const std::vector<int>& b) {
        for (size_t j = 0; j + 1 < a.size(); ++j)
            if (!Quad(a[j], a[j + 1], b[j + 1], b[j]))
                return false;
        return true;
    }

    // Turns profiles about the y axis in `sides` steps; `depth` stretches z. Rings of points on
    // the axis become single triangles. `inside` turns normals and faces inward.
    bool Revolve(const std::vector<std::vector<PROFILE_POINT>>& strips, int sides, float depth,
                 bool inside, bool diagonal) {
        for (const auto& strip : strips) {
            std::vector<std::vector<int>> rings;
            for (const PROFILE_POINT& p : strip) {
                std::vector<int> ring;
                for (int j = 0; j <= sides; ++j) {
                    const float a = 2.0f * kPi * static_cast<float>(j % sides) / sides;
                    const float c = std::cos(a), s = std::sin(a);
                    const VEC3 position(p.radius * c, p.y, p.radius * s * depth);
                    VEC3 normal = Vec3Normalize(
                        VEC3(p.normalRadius * c, p.normalY, p.normalRadius * s / depth));
                    if (inside)
                        normal = -normal;
                    ring.push_back(Vertex(position, normal, static_cast<float>(j) / sides, p.v));
                }
                rings.push_back(std::move(ring));
            }
            for (size_t k = 0; k + 1 < strip.size(); ++k) {
                const bool axisA = strip[k].radius == 0.0f, axisB = strip[k + 1].radius == 0.0f;
                if (axisA && axisB)
                    continue;
                const std::vector<int>&a = rings[k], &b = rings[k + 1];
                for (int j = 0; j < sides; ++j) {
                    // Quad (a_j, b_j, b_j+1, a_j+1) faces outward for a profile that runs
                    // from the bottom up with its points ordered around +z; a ring on the
                    // axis leaves one triangle of it.
                    const int A = a[j], B = b[j], C = b[j + 1], D = a[j + 1];
                    bool ok;
                    if (axisA)
                        ok = inside ? Triangle(A, C, B) : Triangle(A, B, C);
                    else if (axisB)
                        ok = inside ? Triangle(C, A, D) : Triangle(C, D, A);
                    else
                        ok = inside ? Quad(A, D, C, B, diagonal) : Quad(A, B, C, D, diagonal);
                    if (!ok)
                        return false;
                }
            }
        }
        return !m_failed;
    }

private:
    int Add(const VEC3& position, const VEC3& normal, float u, float v, uint32_t color,
            uint32_t colorIndex) {
        if (m_failed)
            return 0;
        VERTEX vertex;
        vertex.position = position;
        vertex.normal = normal;
        vertex.color = color;
        vertex.u = u;
        vertex.v = v;
        const int number = m_p.m_buffer->AddVertex(vertex, colorIndex);
        if (number < 0) {
            m_failed = true;
            m_p.Fail("%s", m_p.m_buffer->GetError().GetText());
            return 0;
        }
        return number;
    }
    bool Polygon(const int* n, int count, bool diagonal) {
        if (m_failed)
            return false;
        if (!m_p.m_buffer->AddPolygon(n, count, diagonal)) {
            m_failed = true;
            return m_p.Fail("%s", m_p.m_buffer->GetError().GetText());
        }
        return true;
    }
    void Close() {
        m_p.m_buffer->Unlock();
        m_p.m_buffer->EndRange();
        m_open = false;
    }

    CPrimitive& m_p;
    int m_color;
    CVertexBuffer::MARK m_mark{};
    bool m_open = false;
    bool m_done = false;
    bool m_failed = false;
};

namespace {

// Profile points of the segments of a polyline in the (radius, y) plane, each segment with its
// own normal so that edges stay sharp.
std::vector<std::vector<PROFILE_POINT>> FlatProfile(const std::vector<glm::vec2>& outline,
                                                    float height) {
    std::vector<std::vector<PROFILE_POINT>> strips;
    for (size_t i = 0; i + 1 < outline.size(); ++i) {
        const glm::vec2 a = outline[i], b = outline[i + 1];
        const glm::vec2 d = b - a;
        if (glm::length(d) == 0.0f)
            continue;
        const glm::vec2 n = glm::normalize(glm::vec2(d.y, -d.x));
        strips.push_back({{a.x, a.y, n.x, n.y, height > 0 ? a.y / height : 0.0f},
                          {b.x, b.y, n.x, n.y, height > 0 ? b.y / height : 0.0f}});
    }
    return strips;
}

} // namespace

bool CPrimitive::Cylinder(float length, float radius, int sides, float bevel, int color) {
    if (sides < 3)
        return Fail("Too few sides: %d", sides);
    std::vector<glm::vec2> outline;
    if (bevel > 0.0f)
        outline = {{0, 0},
                   {radius - bevel, 0},
                   {radius, bevel},
                   {radius, length - bevel},
                   {radius - bevel, length},
                   {0, length}};
    else
        outline = {{0, 0}, {radius, 0}, {radius, length}, {0, length}};
    CMeshBuilder b(*this, color);
    return b.Open() && b.Revolve(FlatProfile(outline, length), sides, 1.0f, false, false) &&
           b.Finish();
}

bool CPrimitive::Sphere(float radius, int segments, float stretchA, float stretchB, bool inside,
                        bool order, int color) {
    if (segments < 3)
        return Fail("Too few segments: %d", segments);
    std::vector<PROFILE_POINT> strip;
    const float height = radius * stretchA;
    for (int k = 0; k <= segments; ++k) {
        // From the bottom pole to the top one. Normals of the stretched sphere (an ellipsoid)
        // are its gradient: (x / r^2, y / (r a)^2), the depth handled by Revolve.
        const float phi = kPi * static_cast<float>(k) / segments;
        const float s = k == segments ? 0.0f : std::sin(phi), c = -std::cos(phi);
        strip.push_back({radius * s, height * c, s / radius, c / (height * stretchA),
                         static_cast<float>(k) / segments});
    }
    CMeshBuilder b(*this, color);
    return b.Open() && b.Revolve({strip}, segments, stretchB, inside, order) && b.Finish();
}

bool CPrimitive::BodyBlock(float width, float height, float depth, int sides, int color) {
    if (sides < 3)
        return Fail("Too few sides: %d", sides);
    const float r = width / 2.0f, bevel = std::min(std::min(width, depth), height) * 0.1f;
    const std::vector<glm::vec2> outline = {
        {0, 0}, {r - bevel, 0}, {r, bevel}, {r, height - bevel}, {r - bevel, height}, {0, height}};
    CMeshBuilder b(*this, color);
    return b.Open() &&
           b.Revolve(FlatProfile(outline, height), sides, depth / width, false, false) &&
           b.Finish();
}

bool CPrimitive::BodyCap(float width, float depth, int color) {
    const float r = width / 2.0f, height = depth / 2.0f;
    // A flat base, then a quarter ellipse from the rim up to the top.
    std::vector<std::vector<PROFILE_POINT>> strips = {{{0, 0, 0, -1, 0}, {r, 0, 0, -1, 0}}};
    std::vector<PROFILE_POINT> dome;
    constexpr int kSteps = 4;
    for (int k = 0; k <= kSteps; ++k) {
        const float a = kPi / 2.0f * static_cast<float>(k) / kSteps;
        const float c = k == kSteps ? 0.0f : std::cos(a), s = std::sin(a);
        dome.push_back({r * c, height * s, c / r, s / height, static_cast<float>(k) / kSteps});
    }
    strips.push_back(dome);
    CMeshBuilder b(*this, color);
    return b.Open() && b.Revolve(strips, 8, depth / width, false, false) && b.Finish();
}

bool CPrimitive::Wire(std::span<const VEC3> points, float radius, int sides, int color) {
    std::vector<PATH_POINT> path;
    for (const VEC3& p : points)
        path.push_back({p, 0});
    return Wire(path, radius, sides, false, color);
}

bool CPrimitive::Wire(std::span<const PATH_POINT> points, float radius, int sides, bool pointColors,
                      int color) {
    if (points.size() < 2)
        return Fail("Wire must be at least 2 long");
    if (sides < 3)
        return Fail("Too few sides: %d", sides);
    const size_t n = points.size();
    std::vector<VEC3> directions(n);
    for (size_t i = 0; i < n; ++i) {
        if (i == 0)
            directions[i] = points[1].position - points[0].position;
        else if (i == n - 1)
            directions[i] = points[i].position - points[i - 1].position;
        else
            directions[i] = Vec3Normalize(points[i].position - points[i - 1].position) +
                            Vec3Normalize(points[i + 1].position - points[i].position);
        directions[i] = Vec3Normalize(directions[i]);
        if (directions[i] == VEC3(0.0f))
            directions[i] = i > 0 ? directions[i - 1] : VEC3(0, 0, 1);
    }
    float total = 0.0f;
    for (size_t i = 1; i < n; ++i)
        total += glm::distance(points[i].position, points[i - 1].position);

    // The ring starts in the plane z = 0 facing +z and is carried from point to point, turned
    // each time from the previous direction onto the next, so it never spins about the wire.
    std::vector<VEC3> ring(sides);
    for (int j = 0; j < sides; ++j) {
        const float a = 2.0f * kPi * static_cast<float>(j) / sides;
        ring[j] = VEC3(std::cos(a), std::sin(a), 0.0f);
    }
    VEC3 previous(0, 0, 1);
    CMeshBuilder b(*this, color);
    if (!b.Open())
        return false;
    std::vector<std::vector<int>> rings;
    float along = 0.0f;
    for (size_t i = 0; i < n; ++i) {
        const MATRIX turn = MatrixTurn(previous, directions[i]);
        for (VEC3& r : ring)
            r = Vec3Normalize(Vec3TransformNormal(r, turn));
        previous = directions[i];
        if (i > 0)
            along += glm::distance(points[i].position, points[i - 1].position);
        std::vector<int> numbers;
        for (int j = 0; j <= sides; ++j) {
            const VEC3& r = ring[j % sides];
            const VEC3 position = points[i].position + r * radius;
            const float u = static_cast<float>(j) / sides, v = total > 0 ? along / total : 0.0f;
            numbers.push_back(pointColors ? b.ColoredVertex(position, r, u, v, points[i].color)
                                          : b.Vertex(position, r, u, v));
        }
        rings.push_back(std::move(numbers));
    }
    for (size_t i = 0; i + 1 < n; ++i)
        if (!b.JoinRings(rings[i], rings[i + 1]))
            return false;
    if (!m_lines) {
        // Flat caps from copies of the end rings, facing back along the first direction and on
        // along the last.
        for (int end = 0; end < 2; ++end) {
            const size_t i = end == 0 ? 0 : n - 1;
            const VEC3 normal = end == 0 ? -directions[0] : directions[n - 1];
            std::vector<int> cap;
            for (int j = 0; j < sides; ++j) {
                // A copy: adding a vertex may move the buffer's array.
                const VERTEX source = GetVertexBuffer()->GetVertices()[m_firstVertex + rings[i][j]];
                cap.push_back(pointColors ? b.ColoredVertex(source.position, normal, source.u,
                                                            source.v, points[i].color)
                                          : b.Vertex(source.position, normal, source.u, source.v));
            }
            for (int j = 1; j + 1 < sides; ++j)
                if (!(end == 0 ? b.Triangle(cap[0], cap[j + 1], cap[j])
                               : b.Triangle(cap[0], cap[j], cap[j + 1])))
                    return false;
        }
    }
    return b.Finish();
}

bool CPrimitive::Ribbon(std::span<const VEC3> points, float width, bool standing, bool closed,
                        int color) {
    if (points.size() < 3)
        return Fail("The ribbon must have at least 3 points");
    const size_t n = points.size();
    // The plane of the points (Newell's normal of the closed polygon through them).
    VEC3 plane(0.0f);
    for (size_t i = 0; i < n; ++i) {
        const VEC3 &a = points[i], &c = points[(i + 1) % n];
        plane +=
            VEC3((a.y - c.y) * (a.z + c.z), (a.z - c.z) * (a.x + c.x), (a.x - c.x) * (a.y + c.y));
    }
    plane = Vec3Normalize(plane);
    if (plane == VEC3(0.0f))
        plane = Vec3Perpendicular(points[n - 1] - points[0]);
    if (plane == VEC3(0.0f))
        return Fail("The ribbon's points are all in one place");

    CMeshBuilder b(*this, color);
    if (!b.Open())
        return false;
    std::vector<int> left, right;
    std::vector<VEC3> sides;
    const size_t count = closed ? n + 1 : n;
    for (size_t k = 0; k < count; ++k) {
        const size_t i = k % n;
        VEC3 before = i > 0 || closed ? points[i] - points[(i + n - 1) % n] : VEC3(0.0f);
        VEC3 after = i + 1 < n || closed ? points[(i + 1) % n] - points[i] : VEC3(0.0f);
        const VEC3 tangent = Vec3Normalize(Vec3Normalize(before) + Vec3Normalize(after));
        const VEC3 side = Vec3Normalize(glm::cross(tangent, plane));
        const float v = static_cast<float>(k) / static_cast<float>(count - 1);
        if (standing) {
            left.push_back(b.Vertex(points[i], side, 0.0f, v));
            right.push_back(b.Vertex(points[i] + plane * width, side, 1.0f, v));
        } else {
            left.push_back(b.Vertex(points[i] - side * (width / 2.0f), plane, 0.0f, v));
            right.push_back(b.Vertex(points[i] + side * (width / 2.0f), plane, 1.0f, v));
        }
        sides.push_back(standing ? side : plane);
    }
    for (size_t k = 0; k + 1 < count; ++k) {
        const VEC3 normal = sides[k] + sides[k + 1];
        if (!b.TriangleFacing(left[k], right[k], right[k + 1], normal) ||
            !b.TriangleFacing(right[k + 1], left[k + 1], left[k], normal))
            return false;
    }
    return b.Finish();
}

bool CPrimitive::Surface(std::span<const VEC3> points, int rows, int columns, int color) {
    if (rows < 2 || columns < 2)
        return Fail("Not enough surface points");
    if (points.size() < static_cast<size_t>(rows) * static_cast<size_t>(columns))
        return Fail("Can't get point for index %d", static_cast<int>(points.size()));
    auto at = [&](int r, int c) { return points[static_cast<size_t>(r) * columns + c]; };
    CMeshBuilder b(*this, color);
    if (!b.Open())
        return false;
    std::vector<std::vector<int>> grid(rows);
    for (int r = 0; r < rows; ++r) {
        for (int c = 0; c < columns; ++c) {
            const VEC3 du = at(r, std::min(c + 1, columns - 1)) - at(r, std::max(c - 1, 0));
            const VEC3 dv = at(std::min(r + 1, rows - 1), c) - at(std::max(r - 1, 0), c);
            const VEC3 normal = Vec3Normalize(glm::cross(du, dv));
            if (normal == VEC3(0.0f))
                return Fail("Can't create surface");
            grid[r].push_back(b.Vertex(at(r, c), normal, static_cast<float>(c) / (columns - 1),
                                       static_cast<float>(r) / (rows - 1)));
        }
    }
    for (int r = 0; r + 1 < rows; ++r)
        if (!b.JoinRings(grid[r], grid[r + 1]))
            return false;
    return b.Finish();
}

bool CPrimitive::Curve(std::span<const VEC3> points, std::span<const VEC3> tangents,
                       int subdivisions, bool closed, std::vector<VEC3>& out) {
    const size_t n = points.size();
    if (n < 2)
        return Fail("The curve must have at least 2 points");
    if (!tangents.empty() && tangents.size() < n)
        return Fail("The curve has %d points but %d tangents", static_cast<int>(n),
                    static_cast<int>(tangents.size()));
    if (subdivisions < 1)
        return Fail("Bad curve subdivisions: %d", subdivisions);
    // Without tangents: Catmull-Rom, one-sided at the ends of an open curve.
    auto tangent = [&](size_t i) -> VEC3 {
        if (!tangents.empty())
            return tangents[i];
        if (closed)
            return (points[(i + 1) % n] - points[(i + n - 1) % n]) * 0.5f;
        if (i == 0)
            return points[1] - points[0];
        if (i == n - 1)
            return points[n - 1] - points[n - 2];
        return (points[i + 1] - points[i - 1]) * 0.5f;
    };
    out.clear();
    const size_t segments = closed ? n : n - 1;
    for (size_t i = 0; i < segments; ++i) {
        const size_t j = (i + 1) % n;
        for (int k = 0; k < subdivisions; ++k)
            out.push_back(Vec3Hermite(points[i], tangent(i), points[j], tangent(j),
                                      static_cast<float>(k) / subdivisions));
    }
    out.push_back(closed ? points[0] : points[n - 1]);
    return true;
}

bool CPrimitive::Text(const char* text, float height, int color) {
    IFontOutlines* fonts = GetFontOutlines();
    if (!fonts)
        return Fail("No font for 3D text");
    CONTOURS contours;
    CCharString why;
    if (!fonts->GetOutlines(text, "Arial", 700, contours, why))
        return Fail("Can't create text '%s': %s", text, why.GetText());
    std::vector<glm::vec2> points;
    std::vector<int> triangles;
    if (!TessellateContours(contours, points, triangles))
        return Fail("Can't create text '%s': nothing to fill", text);
    const float depth = 0.05f * height;
    float minX = 0, maxX = 1e-6f;
    for (const glm::vec2& p : points) {
        minX = std::min(minX, p.x);
        maxX = std::max(maxX, p.x);
    }
    CMeshBuilder b(*this, color);
    if (!b.Open())
        return false;
    auto uv = [&](const glm::vec2& p) { return glm::vec2((p.x - minX) / (maxX - minX), p.y); };
    // Front (z = 0, facing -z) and back (z = depth, facing +z); the tessellation is
    // counter-clockwise seen from +z.
    for (int face = 0; face < 2; ++face) {
        const float z = face == 0 ? 0.0f : depth;
        const VEC3 normal(0, 0, face == 0 ? -1.0f : 1.0f);
        const int first =
            b.Vertex(VEC3(points[0] * height, z), normal, uv(points[0]).x, uv(points[0]).y);
        for (size_t i = 1; i < points.size(); ++i)
            b.Vertex(VEC3(points[i] * height, z), normal, uv(points[i]).x, uv(points[i]).y);
        for (size_t t = 0; t + 2 < triangles.size(); t += 3) {
            const int a = first + triangles[t], c1 = first + triangles[t + 1],
                      c2 = first + triangles[t + 2];
            if (!(face == 0 ? b.Triangle(a, c2, c1) : b.Triangle(a, c1, c2)))
                return false;
        }
    }
    // The sides: each contour edge with its own normal, facing away from the filled side.
    for (const auto& raw : contours) {
        const size_t n = raw.size();
        for (size_t i = 0; i < n; ++i) {
            const glm::vec2 p = raw[i] * height, q = raw[(i + 1) % n] * height;
            if (glm::distance(p, q) < 1e-7f)
                continue;
            glm::vec2 outward = glm::normalize(glm::vec2(q.y - p.y, p.x - q.x));
            const glm::vec2 middle = (p + q) * 0.5f / height;
            const glm::vec2 probe = middle + outward * 1e-4f;
            int crossings = 0;
            for (const auto& c : contours)
                for (size_t a = 0, z = c.size() - 1; a < c.size(); z = a++)
                    if ((c[a].y > probe.y) != (c[z].y > probe.y) &&
                        probe.x <
                            (c[z].x - c[a].x) * (probe.y - c[a].y) / (c[z].y - c[a].y) + c[a].x)
                        ++crossings;
            if (crossings % 2 == 1)
                outward = -outward;
            const VEC3 normal(outward, 0.0f);
            const int a = b.Vertex(VEC3(p, 0.0f), normal, 0, 0);
            const int c = b.Vertex(VEC3(q, 0.0f), normal, 1, 0);
            const int d = b.Vertex(VEC3(q, depth), normal, 1, 1);
            const int e = b.Vertex(VEC3(p, depth), normal, 0, 1);
            if (!b.TriangleFacing(a, c, d, normal) || !b.TriangleFacing(d, e, a, normal))
                return false;
        }
    }
    return b.Finish();
}
