// Moves, turns and scalings of primitives and their subtrees, without a window.
#include <functional>
#include <gtest/gtest.h>

#include "render/Primitive.h"
#include "tests/render/FakeDevice.h"

namespace {

void ExpectNear(const VEC3& actual, const VEC3& expected) {
    EXPECT_NEAR(actual.x, expected.x, 1e-4f);
    EXPECT_NEAR(actual.y, expected.y, 1e-4f);
    EXPECT_NEAR(actual.z, expected.z, 1e-4f);
}

// A parent with two children and a grandchild, each tracking one point.
struct TREE {
    CPrimitive* root = new CPrimitive(nullptr, nullptr, "Root");
    CPrimitive* a = new CPrimitive(nullptr, nullptr, "A");
    CPrimitive* b = new CPrimitive(nullptr, nullptr, "B");
    CPrimitive* c = new CPrimitive(nullptr, nullptr, "C");
    VEC3 points[4] = {{1, 2, 3}, {0, 5, 0}, {4, 0, -1}, {0, 2, 1}};
    TREE() {
        root->AddChild(a);
        root->AddChild(b);
        a->AddChild(c);
        a->MoveBy(2, 0, 0);
        b->MoveBy(0, 0, 3);
        c->RotateXYZ(1, 1, 0, 30, false);
        root->TrackPoint(&points[0]);
        a->TrackPoint(&points[1]);
        b->TrackPoint(&points[2]);
        c->TrackPoint(&points[3]);
    }
    ~TREE() { delete root; }
};

TEST(Primitive, MovingAParentMovesItsEnabledChildrenOnly) {
    TREE tree;
    tree.b->SetEnabled(false);
    const VEC3 before = tree.points[2];
    ASSERT_TRUE(tree.root->MoveBy(1, 2, 3));
    ExpectNear(tree.a->GetPosition(), {3, 2, 3});
    ExpectNear(tree.c->GetPosition(), {3, 2, 3});
    ExpectNear(tree.b->GetPosition(), {0, 0, 3});
    ExpectNear(tree.points[1], {3, 7, 3});
    ExpectNear(tree.points[2], before);
    ASSERT_TRUE(tree.root->MoveTo({0, 0, 0}, false));
    ExpectNear(tree.a->GetPosition(), {2, 0, 0});
}

TEST(Primitive, WorldMatrixTwistsTurnsScalesThenTranslates) {
    CPrimitive p(nullptr, nullptr, "P");
    VEC3 point(1, 0, 0);
    p.TrackPoint(&point);
    // Twist 90 about y: +x to -z; turn y onto z (about +x): -z to +y; scale 2; move.
    ASSERT_TRUE(p.RotateXYZ(0, 0, 1, 90, false));
    ASSERT_TRUE(p.ScaleMatrix(2, true));
    ASSERT_TRUE(p.MoveBy(5, 0, 0));
    ExpectNear(point, {5, 2, 0});
    ExpectNear(Vec3TransformCoord({1, 0, 0}, p.GetWorld()), {5, 2, 0});
}

TEST(Primitive, TrackedPointFollowsEveryMoveTurnAndScaling) {
    CPrimitive p(nullptr, nullptr, "P");
    VEC3 point(1, 0, 0);
    p.TrackPoint(&point);
    const VEC3 origin(0, 0, 0);
    struct STEP {
        std::function<bool()> apply;
        VEC3 expected;
    };
    const STEP steps[] = {
        {[&] { return p.MoveBy(0, 2, 0); }, {1, 2, 0}},
        {[&] { return p.RotateXYZ(1, 0, 0, 0, false); }, {0, 1, 0}}, // y onto x: x onto -y
        {[&] { return p.RotateXYZ(0, 0, 0, 180, true); }, {0, 3, 0}},
        {[&] { return p.ScaleMatrix(2, true); }, {0, 4, 0}},
        {[&] { return p.ScaleGeometry(0.5f, true); }, {0, 3, 0}},
        {[&] { return p.ScaleGeometry(2.0f, false); }, {0, 6, 0}},
        {[&] {
             return p.MoveTo({0, 0, 0}, false);
         },
         {0, 2, 0}},
        // A twist about its own axis (x) through the origin.
        {[&] {
             return p.Rotate({0, 0, 0}, 90, true, &origin, nullptr);
         },
         {0, 0, 2}},
    };
    int n = 0;
    for (const STEP& step : steps) {
        ASSERT_TRUE(step.apply()) << p.GetError().GetText();
        SCOPED_TRACE(n++);
        ExpectNear(point, step.expected);
    }
}

TEST(Primitive, TurningASubtreeIsRigid) {
    TREE tree;
    auto distances = [&] {
        std::vector<float> d;
        for (int i = 0; i < 4; ++i)
            for (int j = i + 1; j < 4; ++j)
                d.push_back(glm::distance(tree.points[i], tree.points[j]));
        return d;
    };
    const std::vector<float> before = distances();
    const VEC3 moved = tree.points[3];
    const VEC3 centre(3, -1, 2), from(0, 0, 1);
    ASSERT_TRUE(tree.root->Rotate({0, 0, 1}, 40, true));
    ASSERT_TRUE(tree.root->RotateXYZ(1, 0, 0.5f, 25, false));
    ASSERT_TRUE(tree.root->Rotate({0, 1, 1}, -70, true, &centre, &from));
    const std::vector<float> after = distances();
    for (size_t i = 0; i < before.size(); ++i)
        EXPECT_NEAR(after[i], before[i], 1e-3f) << "pair " << i;
    EXPECT_GT(glm::distance(moved, tree.points[3]), 0.1f);
}

TEST(Primitive, GeometryTurnsCarryVerticesChildrenAndTrackedPoints) {
    CVertexBuffer buffer(nullptr, 100);
    CPrimitive root(nullptr, &buffer, "Root");
    auto* child = new CPrimitive(nullptr, &buffer, "Child");
    root.AddChild(child);
    root.SetColor(0, 0xFFFFFFFF);
    ASSERT_TRUE(root.Cylinder(2, 1, 4, 0)); // its top centre is the last vertex
    ASSERT_TRUE(child->MoveBy(0, 5, 0));
    VEC3 tip(0, 1, 0);
    child->TrackPoint(&tip); // (0, 6, 0) in the world
    const VERTEX& top = buffer.GetVertices()[buffer.GetVertexCount() - 1];
    // Roll 90 degrees about z: up turns to -x, for the vertices, the child and its point.
    ASSERT_TRUE(root.RotateGeometryXYZ(0, 0, 90));
    ExpectNear(top.position, {-2, 0, 0});
    ExpectNear(top.normal, {-1, 0, 0});
    ExpectNear(child->GetPosition(), {-5, 0, 0});
    ExpectNear(tip, {-6, 0, 0});
    // A quarter turn about z through (-5, 0, 0) leaves the child where it is.
    ASSERT_TRUE(root.RotateGeometry({{0, 0, 1}, -90, {-5, 0, 0}}));
    ExpectNear(child->GetPosition(), {-5, 0, 0});
    ExpectNear(tip, {-5, 1, 0});
    ExpectNear(top.position, {0, 2, 0});
    ASSERT_TRUE(root.Translate(1, 0, 0));
    ExpectNear(top.position, {1, 2, 0});
    ExpectNear(tip, {-4, 1, 0});
}

TEST(Primitive, RestoreBringsBackTheSavedTransformOfTheSubtree) {
    TREE tree;
    const MATRIX world = tree.c->GetWorld();
    tree.root->SaveTransform();
    ASSERT_TRUE(tree.root->RotateXYZ(1, 0, 0, 30, false));
    ASSERT_TRUE(tree.root->MoveBy(5, 5, 5));
    tree.root->RestoreTransform();
    ASSERT_TRUE(tree.c->MoveBy(0, 0, 0)); // the matrix follows at the next operation
    for (int i = 0; i < 4; ++i)
        EXPECT_NEAR(glm::length(tree.c->GetWorld()[i] - world[i]), 0.0f, 1e-5f);
}

TEST(Primitive, RecordKeysChangedPartsAndClearsTheirFlags) {
    TREE tree;
    CVarList<ANIMATION_POINT> keys;
    ASSERT_TRUE(tree.root->Record(0.0, &keys, true, false));
    EXPECT_EQ(keys.GetCount(), 3u) << "the three parts that moved; the root did not";
    keys.RemoveAll();
    ASSERT_TRUE(tree.root->Record(1.0, &keys, true, false));
    EXPECT_EQ(keys.GetCount(), 0u);
    ASSERT_TRUE(tree.b->MoveBy(1, 0, 0));
    tree.b->SetColor(2, 0xFF00FF00);
    ASSERT_TRUE(tree.root->Record(2.0, &keys, true, true));
    ASSERT_EQ(keys.GetCount(), 1u);
    EXPECT_EQ(keys[0].part, tree.b);
    EXPECT_EQ(keys[0].time, 2.0);
    ExpectNear(keys[0].transform.position, {1, 0, 3});
    EXPECT_EQ(keys[0].colors.size(), 3u);
    ASSERT_TRUE(tree.root->Record(3.0, &keys, false, false));
    EXPECT_EQ(keys.GetCount(), 5u);
}

TEST(Primitive, RenderSetsEachOwnMatrixAroundItsSubtreeAndSkipsHiddenParts) {
    CFakeDevice device;
    CVertexBuffer buffer(&device, 100);
    auto* root = new CPrimitive(&device, &buffer, "Root");
    auto* shown = new CPrimitive(&device, &buffer, "Shown");
    auto* hidden = new CPrimitive(&device, &buffer, "Hidden");
    auto* disabled = new CPrimitive(&device, &buffer, "Disabled");
    auto* empty = new CPrimitive(&device, &buffer, "Empty");
    for (CPrimitive* p : {shown, hidden, disabled}) {
        p->SetColor(0, 0xFFFFFFFF);
        ASSERT_TRUE(p->Cylinder(1, 1, 4, 0));
        root->AddChild(p);
    }
    root->AddChild(empty);
    ASSERT_TRUE(root->MoveBy(0, 0, 0)); // root's own matrix is set; its children's too
    hidden->SetVisible(false);
    disabled->SetEnabled(false);
    ASSERT_TRUE(root->MoveBy(1, 0, 0));
    ASSERT_TRUE(shown->MoveBy(0, 2, 0));
    device.m_world = MatrixTranslation(9, 9, 9);
    ASSERT_TRUE(root->Render());
    ASSERT_EQ(device.m_draws.size(), 1u);
    EXPECT_EQ(device.m_draws[0].range.firstVertex, shown->GetFirstVertex());
    ExpectNear(Vec3TransformCoord({0, 0, 0}, device.m_draws[0].world), {1, 2, 0});
    ExpectNear(Vec3TransformCoord({0, 0, 0}, device.m_world), {9, 9, 9});
    EXPECT_EQ(root->CountTriangles(), 3 * shown->GetTriangleCount());
    delete root;
}

} // namespace
