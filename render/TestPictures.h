#pragma once

#include "render/Primitive.h"

// "TestThing": one primitive holding every builder shape in a row (cylinder, sphere, stretched
// sphere, body block, body cap, wire along a curve, ribbon, surface, text), over a row of
// children that show the textures the device makes (wood, drum shell, metal, environment).
// About 21 cm wide, centred on the origin, facing -z.
class CTestThing : public CPrimitive {
public:
    CTestThing(CRenderDevice* device, CVertexBuffer* buffer);
    bool Build();
};

// "Abstract": the builder shapes as separate named parts ("Star", "Parallelepiped", "Pyramid",
// "Cone", "Cylinder", "Sphere", "Wire", "Ribbon", "Surface", "Text"), laid out in one of five
// arrangements (variants 3 to 7).
class CAbstractShapes : public CPrimitive {
public:
    CAbstractShapes(CRenderDevice* device, CVertexBuffer* buffer);
    bool Build(int variant);
};
