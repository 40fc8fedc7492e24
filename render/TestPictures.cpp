#include "render/TestPictures.h"

#include <cmath>
#include <functional>

namespace {

constexpr float kPi = 3.14159265358979f;
constexpr uint32_t kColors[] = {0xFFE04020, 0xFF40C040, 0xFF3060E0, 0xFFE0C020, 0xFF20C0C0,
                                0xFFC040C0, 0xFFE0E0E0, 0xFFC08040, 0xFF8060E0};
constexpr int kColorCount = sizeof(kColors) / sizeof(kColors[0]);

// Moves the vertices added since `from` (a count of the part's vertices) by `by`.
void Shift(CPrimitive& p, int from, const VEC3& by) {
    VERTEX* v = p.GetVertexBuffer()->GetVertices();
    const int first = p.GetFirstVertex() + from, end = p.GetFirstVertex() + p.GetVertexCount();
    for (int i = first; i < end; ++i)
        v[i].position += by;
    p.GetVertexBuffer()->MarkVerticesChanged(first, end);
}

void SetPalette(CPrimitive& p) {
    for (int i = 0; i < kColorCount; ++i)
        p.SetColor(i, kColors[i]);
}

std::vector<VEC3> Helix() {
    std::vector<VEC3> points;
    for (int t = 0; t <= 12; ++t)
        points.emplace_back(0.7f * std::cos(t * 0.6f), -1.0f + t * 0.17f,
                            0.7f * std::sin(t * 0.6f));
    return points;
}

// A closed flower outline in the xz plane, counter-clockwise seen from above, so a standing
// ribbon along it rises upward.
std::vector<VEC3> Flower(float radius) {
    std::vector<VEC3> points;
    for (int k = 0; k < 40; ++k) {
        const float a = -2.0f * kPi * k / 40.0f;
        const float r = radius * (1.0f + 0.15f * std::cos(5.0f * a));
        points.emplace_back(r * std::cos(a), 0.0f, r * std::sin(a));
    }
    return points;
}

// A saddle facing -z: rows run down, columns to the right.
std::vector<VEC3> Saddle(int n, float half) {
    std::vector<VEC3> points;
    for (int r = 0; r < n; ++r)
        for (int c = 0; c < n; ++c) {
            const float x = -half + 2 * half * c / (n - 1), y = half - 2 * half * r / (n - 1);
            points.emplace_back(x, y, 0.3f * (x * x - y * y));
        }
    return points;
}

// A cone (or with 4 sides a pyramid) standing on y = 0, from two surfaces.
bool Cone(CPrimitive& p, float radius, float height, int sides, int color) {
    std::vector<VEC3> side, base;
    for (int row = 0; row < 2; ++row)
        for (int j = 0; j <= sides; ++j) {
            const float a = 2 * kPi * j / sides + kPi / 4;
            const float r = row == 0 ? radius * 1e-3f : radius;
            side.emplace_back(r * std::cos(a), row == 0 ? height : 0.0f, r * std::sin(a));
            base.emplace_back(r * std::cos(-a), 0.0f, r * std::sin(-a));
        }
    return p.Surface(side, 2, sides + 1, color) && p.Surface(base, 2, sides + 1, color);
}

} // namespace

CTestThing::CTestThing(CRenderDevice* device, CVertexBuffer* buffer)
    : CPrimitive(device, buffer, "TestThing") {
    SetPalette(*this);
}

bool CTestThing::Build() {
    std::vector<VEC3> wire;
    if (!Curve(Helix(), {}, 4, false, wire))
        return false;
    std::vector<VEC3> wave;
    for (int k = 0; k <= 10; ++k)
        wave.emplace_back(-0.9f + 0.18f * k, 0.0f, 0.5f * std::sin(k * 0.9f));
    const std::vector<VEC3> saddle = Saddle(8, 0.9f);
    const std::vector<VEC3> flower = Flower(0.7f);
    // Each shape is built about the origin and then moved into its place in the row.
    const std::function<bool()> shapes[] = {
        [&] {
            return Cylinder(2.0f, 0.8f, 16, 0.15f, 0) && (Shift(*this, 0, {0, -1, 0}), true);
        },
        [&] { return Sphere(0.9f, 16, 1.0f, 1.0f, false, false, 1); },
        [&] { return Sphere(0.7f, 16, 1.4f, 0.8f, false, false, 2); },
        [&] { return BodyBlock(1.6f, 2.0f, 1.0f, 8, 3); },
        [&] { return BodyCap(1.6f, 1.6f, 4); },
        [&] { return Wire(wire, 0.12f, 8, 5); },
        [&] { return Ribbon(flower, 1.2f, true, true, 6); },
        [&] { return Surface(saddle, 8, 8, 7); },
        [&] { return Text("Ab1", 1.0f, 8); },
    };
    const VEC3 offsets[] = {{0, 0, 0}, {0, 0, 0},     {0, 0, 0}, {0, -1, 0},        {0, -0.4f, 0},
                            {0, 0, 0}, {0, -0.6f, 0}, {0, 0, 0}, {-0.8f, -0.35f, 0}};
    const int count = sizeof(shapes) / sizeof(shapes[0]);
    constexpr float kSpacing = 2.3f;
    for (int k = 0; k < count; ++k) {
        const int from = GetVertexCount();
        if (!shapes[k]())
            return false;
        // The cylinder shifted itself already (from 0).
        const VEC3 slot((k - (count - 1) / 2.0f) * kSpacing, 1.5f, 0.0f);
        Shift(*this, from, slot + (k == 0 ? VEC3(0.0f) : offsets[k]));
    }

    // The textures, each on a white part of its own below the row.
    struct TEXTURED {
        const char* name;
        TEXTURE_KIND kind;
        uint32_t color;
    };
    const TEXTURED textured[] = {{"Wood", TEXTURE_WOOD, 0xFFC08040},
                                 {"Shell", TEXTURE_DRUM_SHELL, 0xFF2040C0},
                                 {"Metal", TEXTURE_METAL, 0xFFC0A000},
                                 {"Environment", TEXTURE_ENVIRONMENT, 0xFF404060}};
    for (int k = 0; k < 4; ++k) {
        auto* part = new CPrimitive(GetDevice(), GetVertexBuffer(), textured[k].name);
        AddChild(part);
        part->SetColor(0, 0xFFFFFFFF);
        bool ok = false;
        switch (k) {
        case 0:
            ok = part->Cylinder(2.4f, 0.7f, 24, 0.1f);
            break;
        case 1:
            ok = part->Cylinder(1.6f, 1.0f, 32, 0.05f) && part->Translate(0, 0.4f, 0);
            break;
        case 2:
            ok = part->Sphere(1.2f, 32, 0.12f, 1.0f) && part->RotateGeometryXYZ(-70, 0, 0) &&
                 part->Translate(0, 1.2f, 0);
            break;
        default:
            ok = part->Sphere(1.0f, 24) && part->Translate(0, 1.2f, 0);
            break;
        }
        if (!ok)
            return FailFrom(*part);
        if (CRenderDevice* device = GetDevice())
            part->SetTexture(device->CreateTexture(textured[k].kind, 256, 256, textured[k].color));
        part->SetWrap(true);
        if (!part->MoveBy((k - 1.5f) * 3.2f, -3.6f, 0.0f))
            return FailFrom(*part);
    }
    return true;
}

CAbstractShapes::CAbstractShapes(CRenderDevice* device, CVertexBuffer* buffer)
    : CPrimitive(device, buffer, "Abstract") {}

bool CAbstractShapes::Build(int variant) {
    if (variant < 3 || variant > 7)
        return Fail("Unknown arrangement of the abstract shapes: %d", variant);
    std::vector<VEC3> star;
    for (int row = 0; row < 2; ++row)
        for (int j = 0; j <= 10; ++j) {
            const float a = 2 * kPi * j / 10 + kPi / 2;
            const float r = row == 0 ? 1e-3f : j % 2 == 0 ? 1.0f : 0.45f;
            star.emplace_back(r * std::cos(a), r * std::sin(a), 0.0f);
        }
    std::vector<VEC3> ring;
    for (int k = 0; k <= 24; ++k)
        ring.emplace_back(0.7f * std::cos(k * kPi / 12), 0.7f * std::sin(k * kPi / 12), 0.0f);
    const std::vector<VEC3> flower = Flower(0.7f);
    const std::vector<VEC3> saddle = Saddle(6, 0.8f);
    using BUILD = std::function<bool(CPrimitive&)>;
    const struct {
        const char* name;
        BUILD build;
    } shapes[] = {
        {"Star", [&](CPrimitive& p) { return p.Surface(star, 2, 11, 0); }},
        {"Parallelepiped", [](CPrimitive& p) { return p.BodyBlock(1.6f, 1.2f, 1.0f, 4, 1); }},
        {"Pyramid", [](CPrimitive& p) { return Cone(p, 1.0f, 1.4f, 4, 2); }},
        {"Cone", [](CPrimitive& p) { return Cone(p, 0.8f, 1.6f, 16, 3); }},
        {"Cylinder", [](CPrimitive& p) { return p.Cylinder(1.6f, 0.6f, 16, 0.1f, 4); }},
        {"Sphere", [](CPrimitive& p) { return p.Sphere(0.8f, 16, 1.0f, 1.0f, false, false, 5); }},
        {"Wire", [&](CPrimitive& p) { return p.Wire(ring, 0.15f, 8, 6); }},
        {"Ribbon", [&](CPrimitive& p) { return p.Ribbon(flower, 1.0f, true, true, 7); }},
        {"Surface", [&](CPrimitive& p) { return p.Surface(saddle, 6, 6, 8); }},
        {"Text", [](CPrimitive& p) { return p.Text("3D", 1.0f, 0); }},
    };
    const int count = sizeof(shapes) / sizeof(shapes[0]);
    for (int k = 0; k < count; ++k) {
        auto* part = new CPrimitive(GetDevice(), GetVertexBuffer(), shapes[k].name);
        AddChild(part);
        SetPalette(*part);
        if (!shapes[k].build(*part))
            return FailFrom(*part);
        // Variant 3: a ring facing the camera; 4: two rows; 5: a spiral running away from the
        // camera; 6: a column of pairs; 7: a ring lying flat, seen from above the front.
        const float a = 2 * kPi * k / count;
        VEC3 place;
        switch (variant) {
        case 3:
            place = {6.0f * std::cos(a), 5.0f * std::sin(a), 0.0f};
            break;
        case 4:
            place = {(k % 5 - 2) * 3.5f, k < 5 ? 2.5f : -2.5f, 0.0f};
            break;
        case 5:
            place = {4.0f * std::cos(2 * a), 4.0f * std::sin(2 * a), k * 2.0f};
            break;
        case 6:
            place = {k % 2 == 0 ? -2.0f : 2.0f, 7.0f - (k / 2) * 3.5f, 0.0f};
            break;
        default:
            place = {7.0f * std::cos(a), -2.0f, 7.0f * std::sin(a)};
            break;
        }
        if (!part->RotateXYZ(std::sin(a + variant), 2.0f, -std::cos(a), variant * 15.0f, false) ||
            !part->MoveBy(place.x, place.y, place.z))
            return FailFrom(*part);
    }
    return true;
}
