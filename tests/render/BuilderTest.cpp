// The vertex buffer and the mesh builders: shapes, faces, limits and their messages.
#include <functional>
#include <gtest/gtest.h>

#include "render/FontOutlines.h"
#include "render/Primitive.h"

namespace {

// The letter "O" as two nested squares: 1 x 1 with a 0.5 x 0.5 hole.
class CSquareFont : public IFontOutlines {
public:
    bool GetOutlines(const char*, const char*, int, CONTOURS& contours, CCharString&) override {
        contours = {{{0, 0}, {1, 0}, {1, 1}, {0, 1}},
                    {{0.25f, 0.25f}, {0.25f, 0.75f}, {0.75f, 0.75f}, {0.75f, 0.25f}}};
        return true;
    }
};

struct SCENE {
    CVertexBuffer buffer{nullptr, 64};
    CPrimitive part{nullptr, &buffer, "Part"};
    SCENE() { part.SetColor(0, 0xFF102030); }
    const VERTEX& Vertex(int n) const { return buffer.GetVertices()[part.GetFirstVertex() + n]; }
    int Corner(int triangle, int k) const {
        return buffer.GetIndices()[part.GetFirstIndex() + 3 * triangle + k];
    }
};

TEST(VertexBuffer, QuadrilateralsSplitAlongEitherDiagonal) {
    CVertexBuffer buffer(nullptr, 8);
    int first = 0, firstIndex = 0, vertices = 0, triangles = 0;
    ASSERT_TRUE(buffer.BeginRange(&first, &firstIndex, &vertices, &triangles, false));
    EXPECT_EQ(buffer.AddVertex(VERTEX(), 0), -1);
    EXPECT_STREQ(buffer.GetError(), "Vertex buffer not locked");
    ASSERT_TRUE(buffer.Lock());
    for (int i = 0; i < 4; ++i)
        buffer.AddVertex(VERTEX(), 0);
    const int quad[4] = {0, 1, 2, 3};
    ASSERT_TRUE(buffer.AddPolygon(quad, 4, false));
    ASSERT_TRUE(buffer.AddPolygon(quad, 4, true));
    ASSERT_TRUE(buffer.AddPolygon(quad, 2, false)); // ignored
    EXPECT_FALSE(buffer.AddPolygon(quad, 5, false));
    EXPECT_STREQ(buffer.GetError(), "Can't add: size=5");
    const std::vector<uint16_t> expected = {0, 1, 2, 2, 3, 0, 1, 2, 3, 3, 0, 1};
    EXPECT_EQ(std::vector<uint16_t>(buffer.GetIndices(), buffer.GetIndices() + 12), expected);
    EXPECT_EQ(triangles, 4);
    EXPECT_EQ(buffer.GetIndices()[12], CVertexBuffer::kUnusedIndex);
    buffer.Unlock();
    EXPECT_FALSE(buffer.SetColor(0, 0));
    EXPECT_STREQ(buffer.GetError(), "Vertex buffer not locked");
}

TEST(VertexBuffer, ArraysGrowByTheLargerOfTheRequestAndOneStep) {
    CVertexBuffer buffer(nullptr, 100);
    ASSERT_TRUE(buffer.Reserve(10));
    EXPECT_EQ(buffer.GetCapacity(), 100);
    ASSERT_TRUE(buffer.Reserve(101));
    EXPECT_EQ(buffer.GetCapacity(), 200);
    ASSERT_TRUE(buffer.Reserve(450));
    EXPECT_EQ(buffer.GetCapacity(), 450);
    EXPECT_EQ(buffer.GetColorIndex(449), CVertexBuffer::kNoColorIndex);
    ASSERT_TRUE(buffer.ReserveIndices(1));
    EXPECT_EQ(buffer.GetIndexCapacity(), 300);
}

// Every builder: unit normals, each triangle facing the way its vertices' normals point, and,
// for closed convex shapes, normals pointing away from the centre (toward it when inside).
struct SHAPE {
    const char* name;
    std::function<bool(CPrimitive&)> build;
    int facing; // +1 outward, -1 inward, 0 open shape
};

void PrintTo(const SHAPE& shape, std::ostream* os) {
    *os << shape.name;
}

class BuilderShapes : public testing::TestWithParam<SHAPE> {};

TEST_P(BuilderShapes, NormalsAreUnitAndFacesFollowThem) {
    CSquareFont font;
    SetFontOutlines(&font);
    SCENE s;
    ASSERT_TRUE(GetParam().build(s.part)) << s.part.GetError().GetText();
    SetFontOutlines(nullptr);
    ASSERT_GT(s.part.GetTriangleCount(), 0);
    VEC3 centre(0.0f);
    for (int i = 0; i < s.part.GetVertexCount(); ++i)
        centre += s.Vertex(i).position / static_cast<float>(s.part.GetVertexCount());
    for (int i = 0; i < s.part.GetVertexCount(); ++i) {
        const VERTEX& v = s.Vertex(i);
        ASSERT_NEAR(glm::length(v.normal), 1.0f, 1e-4f) << "vertex " << i;
        EXPECT_EQ(v.color, 0xFF102030u);
        if (GetParam().facing != 0) {
            ASSERT_GE(GetParam().facing * glm::dot(v.normal, v.position - centre), -1e-4f)
                << "vertex " << i;
        }
    }
    for (int t = 0; t < s.part.GetTriangleCount(); ++t) {
        const VERTEX &a = s.Vertex(s.Corner(t, 0)), &b = s.Vertex(s.Corner(t, 1)),
                     &c = s.Vertex(s.Corner(t, 2));
        const VEC3 face = glm::cross(b.position - a.position, c.position - a.position);
        if (glm::length(face) < 1e-9f)
            continue;
        ASSERT_GT(glm::dot(face, a.normal + b.normal + c.normal), 0.0f) << "triangle " << t;
    }
}

const std::vector<VEC3> kBent = {{0, 0, 0}, {0, 3, 0}, {2, 5, 1}, {2, 5, 4}};
const std::vector<VEC3> kGrid = {{0, 0, 0},    {1, 0, 0.2f}, {2, 0, 0},    {0, 1, 0.3f}, {1, 1, 1},
                                 {2, 1, 0.1f}, {0, 2, 0},    {1, 2, 0.4f}, {2, 2, 0}};

INSTANTIATE_TEST_SUITE_P(
    All, BuilderShapes,
    testing::Values(
        SHAPE{"Cylinder", [](CPrimitive& p) { return p.Cylinder(5, 2, 12, 0.3f); }, 1},
        SHAPE{"FlatCylinder", [](CPrimitive& p) { return p.Cylinder(5, 2, 7, 0); }, 1},
        SHAPE{"Sphere", [](CPrimitive& p) { return p.Sphere(3, 10, 1.3f, 0.7f); }, 1},
        SHAPE{"Dome", [](CPrimitive& p) { return p.Sphere(3, 10, 1, 1, true, true); }, -1},
        SHAPE{"BodyBlock", [](CPrimitive& p) { return p.BodyBlock(4, 6, 2, 8); }, 1},
        SHAPE{"BodyCap", [](CPrimitive& p) { return p.BodyCap(4, 2); }, 1},
        SHAPE{"StraightWire",
              [](CPrimitive& p) {
                  const std::vector<VEC3> line = {{1, 1, 1}, {3, 4, 5}};
                  return p.Wire(line, 0.5f, 6);
              },
              1},
        SHAPE{"BentWire", [](CPrimitive& p) { return p.Wire(kBent, 0.3f, 5); }, 0},
        SHAPE{"Ribbon", [](CPrimitive& p) { return p.Ribbon(kBent, 1, false, false); }, 0},
        SHAPE{"StandingRibbon", [](CPrimitive& p) { return p.Ribbon(kBent, 1, true, true); }, 0},
        SHAPE{"Surface", [](CPrimitive& p) { return p.Surface(kGrid, 3, 3); }, 0},
        SHAPE{"Text", [](CPrimitive& p) { return p.Text("O", 2); }, 0}),
    [](const testing::TestParamInfo<SHAPE>& info) { return info.param.name; });

TEST(Builders, CylinderStandsOnTheFloorAndReachesItsLength) {
    SCENE s;
    ASSERT_TRUE(s.part.Cylinder(7.5f, 1, 8, 0.2f));
    float low = 1e9f, high = -1e9f;
    for (int i = 0; i < s.part.GetVertexCount(); ++i) {
        low = std::min(low, s.Vertex(i).position.y);
        high = std::max(high, s.Vertex(i).position.y);
    }
    EXPECT_FLOAT_EQ(low, 0.0f);
    EXPECT_FLOAT_EQ(high, 7.5f);
}

TEST(Builders, WireOfTwoPointsIsACappedTubeAndOfOnePointFails) {
    // A growth step of one vertex: the array moves with every vertex the caps add.
    CVertexBuffer buffer(nullptr, 1);
    CPrimitive wire(nullptr, &buffer, "Wire");
    wire.SetColor(0, 0xFFFFFFFF);
    const std::vector<VEC3> two = {{0, 0, 0}, {0, 0, 4}};
    ASSERT_TRUE(wire.Wire(two, 1, 6));
    EXPECT_EQ(wire.GetTriangleCount(), 2 * 6 + 2 * (6 - 2));
    EXPECT_EQ(buffer.GetVertices()[2 * 7 + 6].position, VEC3(1, 0, 4))
        << "the end cap's first corner";
    const std::vector<VEC3> one = {{0, 0, 0}};
    EXPECT_FALSE(wire.Wire(one, 1, 6));
    EXPECT_STREQ(wire.GetError(), "Wire must be at least 2 long");
}

TEST(Builders, BadInputFailsWithItsMessage) {
    SCENE s;
    const std::vector<VEC3> two = {{0, 0, 0}, {1, 0, 0}};
    const struct {
        std::function<bool(CPrimitive&)> build;
        const char* message;
    } cases[] = {
        {[&](CPrimitive& p) { return p.Ribbon(two, 1, false, false); },
         "The ribbon must have at least 3 points"},
        {[&](CPrimitive& p) { return p.Surface(two, 1, 2); }, "Not enough surface points"},
        {[&](CPrimitive& p) { return p.Surface(two, 2, 2); }, "Can't get point for index 2"},
        {[](CPrimitive& p) { return p.Cylinder(1, 1, 8, 0, 3); }, "Bad color index: 3, colors=1"},
        {[](CPrimitive& p) { return p.Text("A", 1); }, "No font for 3D text"},
    };
    for (const auto& c : cases) {
        EXPECT_FALSE(c.build(s.part));
        EXPECT_STREQ(s.part.GetError(), c.message);
    }
    CPrimitive plain(nullptr, &s.buffer, "Plain");
    EXPECT_FALSE(plain.Sphere(1, 8));
    EXPECT_STREQ(plain.GetError(), "No colors are set");
    EXPECT_EQ(s.buffer.GetVertexCount(), 0);
}

TEST(Builders, PastTheIndexLimitFailsAndLeavesTheBufferAsItWas) {
    SCENE s;
    ASSERT_TRUE(s.part.Cylinder(1, 1, 8, 0));
    const int vertices = s.buffer.GetVertexCount(), indices = s.buffer.GetIndexCount();
    const int triangles = s.part.GetTriangleCount();
    EXPECT_FALSE(s.part.Sphere(1, 300)); // 301 x 301 vertices in one range
    EXPECT_STREQ(s.part.GetError(), "Too many vertices for 16-bit indices: 65536");
    EXPECT_EQ(s.buffer.GetVertexCount(), vertices);
    EXPECT_EQ(s.buffer.GetIndexCount(), indices);
    EXPECT_EQ(s.part.GetTriangleCount(), triangles);
    EXPECT_EQ(s.buffer.GetIndices()[indices], CVertexBuffer::kUnusedIndex);
    EXPECT_TRUE(s.part.Sphere(1, 8)) << "the range goes on from where it was";
}

TEST(Builders, SetColorsRecoloursByColourNumber) {
    SCENE s;
    s.part.SetColor(1, 0xFF000000);
    ASSERT_TRUE(s.part.Cylinder(1, 1, 4, 0, 1));
    ASSERT_TRUE(s.part.SetColors({0xFF0000FF, 0xFFFF0000}));
    EXPECT_EQ(s.Vertex(0).color, 0xFFFF0000u);
    EXPECT_FALSE(s.part.SetColors({0xFF0000FF}));
    EXPECT_STREQ(s.part.GetError(), "Not enough colors: 1");
}

TEST(Builders, TextFillsItsLettersAndLeavesTheirHoles) {
    CSquareFont font;
    SetFontOutlines(&font);
    SCENE s;
    ASSERT_TRUE(s.part.Text("O", 2)) << s.part.GetError().GetText();
    SetFontOutlines(nullptr);
    // The front faces (toward -z at z = 0) cover the 2 x 2 square less its 1 x 1 hole.
    float area = 0.0f;
    for (int t = 0; t < s.part.GetTriangleCount(); ++t) {
        const VERTEX &a = s.Vertex(s.Corner(t, 0)), &b = s.Vertex(s.Corner(t, 1)),
                     &c = s.Vertex(s.Corner(t, 2));
        if (a.normal.z < -0.5f)
            area += glm::length(glm::cross(b.position - a.position, c.position - a.position)) / 2;
    }
    EXPECT_NEAR(area, 3.0f, 1e-4f);
}

TEST(Builders, CurvePassesThroughItsPoints) {
    SCENE s;
    const std::vector<VEC3> points = {{0, 0, 0}, {1, 2, 0}, {3, 2, 1}};
    std::vector<VEC3> curve;
    ASSERT_TRUE(s.part.Curve(points, {}, 10, true, curve));
    ASSERT_EQ(curve.size(), 31u);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(curve[10 * i], points[i]);
    EXPECT_EQ(curve.back(), points[0]);
}

} // namespace
