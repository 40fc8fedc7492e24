#pragma once

#include <cstdint>
#include <memory>

#include "core/CharString.h"
#include "render/Math3D.h"

class CVertexBuffer;

// Surface properties of a primitive. Meshes take their ambient and diffuse colour from their
// vertices, so only the specular (with its power) and emissive terms of a material show.
struct MATERIAL {
    float diffuse[4] = {1, 1, 1, 1};
    float ambient[4] = {1, 1, 1, 1};
    float specular[4] = {0, 0, 0, 0};
    float emissive[4] = {0, 0, 0, 0};
    float power = 0.0f;
};

// The pictures the scene wraps onto its parts, drawn by the device side.
enum TEXTURE_KIND : int32_t {
    TEXTURE_WOOD = 0,        // fingerboard: dark grain along v
    TEXTURE_DRUM_SHELL = 1,  // drum barrels: lacquer with a sparkle, bands around u
    TEXTURE_METAL = 2,       // cymbals: brass with rings about the centre of the picture
    TEXTURE_ENVIRONMENT = 3, // the dome: a dark hall fading to the floor
};

// A picture uploaded to the device. Owned by the primitive that shows it (unless shared); the
// device keeps its pixels so that it can upload it again on a new context.
class CTexture {
public:
    virtual ~CTexture() = default;
    virtual int GetWidth() const = 0;
    virtual int GetHeight() const = 0;
};

// One indexed draw of a primitive's stretch of the shared vertex buffer. Indices are relative to
// the first vertex; `count` is triangles, or lines for a line list.
struct DRAW_RANGE {
    int vertexCount = 0;
    int firstVertex = 0;
    int firstIndex = 0;
    int count = 0;
    bool lines = false;
    bool twoSided = false; // drawn with both windings
    const CTexture* texture = nullptr;
    bool modulate = true; // texture colour times the lit vertex colour, else the texture alone
    bool wrap = false;    // texture coordinates wrap around the shape (seams join)
};

// What primitives need of the graphics platform. The OpenGL device implements it; tests fake it.
// Every operation returns false on failure and leaves the platform's words for the failure
// (the name of its result code) in GetError().
class CRenderDevice {
public:
    virtual ~CRenderDevice() = default;
    // The world transform that vertices go through next.
    virtual bool GetWorld(MATRIX& world) = 0;
    virtual bool SetWorld(const MATRIX& world) = 0;
    // Null: no material (no specular, no emissive).
    virtual bool SetMaterial(const MATERIAL* material) = 0;
    // Makes the buffer's vertices and indices current, uploading what changed since the last bind.
    virtual bool BindVertices(CVertexBuffer& buffer) = 0;
    virtual bool DrawRange(const DRAW_RANGE& range) = 0;
    // A new picture of that kind, size and base colour (ARGB).
    virtual std::unique_ptr<CTexture> CreateTexture(TEXTURE_KIND kind, int width, int height,
                                                    uint32_t color) = 0;
    virtual const CCharString& GetError() const = 0;
    // The buffer is going away: the device forgets its copy of it.
    virtual void ReleaseVertices(CVertexBuffer& buffer) { (void)buffer; }
};
