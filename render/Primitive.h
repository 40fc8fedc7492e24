#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "core/CharString.h"
#include "core/VarList.h"
#include "render/Math3D.h"
#include "render/RenderDevice.h"
#include "render/VertexBuffer.h"

// Where a primitive is and how it is turned. The world matrix is built from it in this order:
// twist by `twist` degrees about `rest`, turn `rest` onto `direction` (shortest way), scale,
// translate to `position`. `rest` is the model axis along which the part was built.
struct TRANSFORM {
    VEC3 direction{0.0f, 1.0f, 0.0f};
    float twist = 0.0f;
    VEC3 position{0.0f};
    VEC3 rest{0.0f, 1.0f, 0.0f};
    VEC3 scale{1.0f};
};

// A turn of geometry: `angle` degrees about `axis` through `centre`.
struct ROTATION {
    VEC3 axis{0.0f, 1.0f, 0.0f};
    float angle = 0.0f;
    VEC3 centre{0.0f};
};

// A point of a polyline with the colour its ring takes when a wire is coloured per point.
struct PATH_POINT {
    VEC3 position{0.0f};
    uint32_t color = 0xFFFFFFFF;
};

class CPrimitive;

// One key of one part: its transform at a time and the world matrix made from it, with a copy
// of its colours when they were asked for.
struct ANIMATION_POINT {
    double time = 0.0;
    CPrimitive* part = nullptr;
    TRANSFORM transform;
    MATRIX matrix{1.0f};
    bool hasColors = false;
    std::vector<uint32_t> colors;
};

// Every visible thing of the 3D view: a named node owning a range of the shared vertex buffer,
// an optional material and texture, a transform, colours, children (owned) and tracked points.
// The world matrix is always complete: a parent's matrix is never multiplied into its children;
// instead every move or turn of a parent is repeated on its enabled children, about the same
// centre, so a subtree moves rigidly. Transforms only touch matrices; the geometry operations
// (Translate, RotateGeometry*, ScaleGeometry) change vertices and are meant for building, while
// the part is still unturned. Fallible operations return false and leave GetError() set.
class CPrimitive {
public:
    // device and buffer may be null for a part that is only positioned (it then draws nothing).
    // lines: the range is drawn as a line list (builders add polygon outlines).
    CPrimitive(CRenderDevice* device, CVertexBuffer* buffer, const char* name, bool lines = false);
    // Frees the texture and material unless shared, and the children.
    virtual ~CPrimitive();
    CPrimitive(const CPrimitive&) = delete;
    CPrimitive& operator=(const CPrimitive&) = delete;

    // position += (x, y, z); enabled children move the same way.
    virtual bool MoveBy(float x, float y, float z);
    // Scales the vertices of its range about the model origin and its model points, and its
    // position about the centre (none: its own position when keepPosition is set, else the
    // origin); enabled children follow about the same centre. The scale factor is multiplied.
    virtual bool ScaleGeometry(float factor, bool keepPosition, const VEC3* centre = nullptr);
    // Sets the matrix' three scale factors to `factor` and its position as ScaleGeometry does;
    // enabled children follow. The scale factor is multiplied.
    virtual bool ScaleMatrix(float factor, bool keepPosition, const VEC3* centre = nullptr);
    // The turn R = twist by `angle` degrees about F, then the shortest turn of F onto
    // `direction` (none when it is zero); F is `from`, or its own direction. Its position turns
    // by R about `centre` (none: its own position). With accumulate its orientation is turned
    // by R (for its own direction: pointed along `direction`, `angle` added to the twist);
    // without it the direction becomes `direction` (unless zero) and the twist `angle`. Enabled
    // children turn by the same rotation about the same centre, accumulating.
    virtual bool Rotate(const VEC3& direction, float angle, bool accumulate,
                        const VEC3* centre = nullptr, const VEC3* from = nullptr);
    // Rotate about its own position and direction: a non-zero (x, y, z) with angle 0 points the
    // part along it; a zero vector with a non-zero angle twists it about its rest direction.
    virtual bool RotateXYZ(float x, float y, float z, float angle, bool accumulate);
    // Sets its material (none: no specular or emissive) and draws its range; nothing to draw is
    // success.
    virtual bool Draw();

    // Appends an owned child and sets its parent.
    void AddChild(CPrimitive* child);
    const std::vector<CPrimitive*>& GetChildren() const { return m_children; }
    CPrimitive* GetParent() const { return m_parent; }
    // This part or the first part below it of that name (depth first), or null.
    CPrimitive* Find(const char* name);

    // Colour number n (the list grows to hold it).
    void SetColor(int number, uint32_t color);
    const std::vector<uint32_t>& GetColors() const { return m_colors; }
    // Makes `colors` its colour list and recolours its vertices by their colour numbers ("Not
    // enough colors: %d" when a vertex' number is beyond the list; its own range only).
    bool SetColors(const std::vector<uint32_t>& colors);

    // Keeps *point equal to the world position of the point's current value (taken as a model
    // point) from now on. The point is owned by the caller and must stay where it is.
    void TrackPoint(VEC3* point);
    void TrackPoints(VEC3* points, int count);
    int GetTrackedCount() const { return static_cast<int>(m_tracked.size()); }

    // Relative: MoveBy. Absolute: the position becomes `point`, children move by the difference.
    bool MoveTo(const VEC3& point, bool relative);
    // Adds the vector to the vertices and model points of its range and of its enabled
    // children's ranges.
    bool Translate(float x, float y, float z);
    // Turns vertices, normals and model points by yaw (the y angle), pitch (x) and roll (z), in
    // degrees, about the model origin; enabled children's positions turn the same way about the
    // world origin and their geometry follows.
    bool RotateGeometryXYZ(float x, float y, float z);
    // Turns vertices, normals and model points about the axis (degrees); its position and its
    // enabled children's positions turn about the centre, so the subtree turns rigidly.
    bool RotateGeometry(const ROTATION& rotation);

    // Draws itself and its enabled children when visible; with its own matrix set it sets its
    // world matrix around them and restores the previous one.
    bool Render();

    // Copies the transform into the saved one (RestoreTransform: back), for the whole subtree.
    // The matrix follows the restored transform at the next transform operation.
    void SaveTransform();
    void RestoreTransform();

    // Triangles (lines for a line part) of itself and all its descendants.
    int CountTriangles() const;

    // Adds a key {time, part, transform, matrix (, colours)} for itself and, recursively, its
    // children; with changedOnly only parts whose changed flag is set. Clears the changed flags.
    // A null list records nothing.
    bool Record(double time, CVarList<ANIMATION_POINT>* list, bool changedOnly, bool withColors);
    // Playback: the matrix replaces its world matrix (drawn with it from now on).
    void SetWorldMatrix(const MATRIX& world);

    // Mesh builders: each appends vertices and triangles to its range (which must be the last
    // range of the shared buffer), coloured with colour number `color` of its colour list ("No
    // colors are set", "Bad color index: %d, colors=%d"). A failed builder leaves the buffer and
    // the range as they were. No range holds more than 65535 vertices.
    //
    // A profile (0,0) (r-b,0) (r,b) (r,L-b) (r-b,L) (0,L), or without a bevel (b <= 0) the plain
    // (0,0) (r,0) (r,L) (0,L), turned about y: a closed cylinder standing on y = 0 up to y = L.
    bool Cylinder(float length, float radius, int sides, float bevel, int color = 0);
    // Centred on the origin: radius r across x, r x stretchA along y, r x stretchB along z;
    // `inside`: normals and winding face the centre (a dome seen from within). `order` picks
    // the other diagonal of each quadrilateral.
    bool Sphere(float radius, int segments, float stretchA = 1.0f, float stretchB = 1.0f,
                bool inside = false, bool order = false, int color = 0);
    // A closed rounded block standing on y = 0: width across x, height up y, depth along z.
    bool BodyBlock(float width, float height, float depth, int sides, int color = 0);
    // A dome standing on y = 0 that caps a BodyBlock of the same width and depth (8 sides).
    bool BodyCap(float width, float depth, int color = 0);
    // A tube of `sides` sides along the polyline, capped at both ends unless a line part
    // ("Wire must be at least 2 long"). pointColors: each ring takes its point's colour.
    bool Wire(std::span<const PATH_POINT> points, float radius, int sides, bool pointColors,
              int color = 0);
    bool Wire(std::span<const VEC3> points, float radius, int sides, int color = 0);
    // A band of the given width along the polyline ("The ribbon must have at least 3 points").
    // The plane's normal N is the side from which the points (closed by their last-to-first
    // chord) run counter-clockwise. Flat: the band lies in the plane, facing along N.
    // Standing: it rises from the points along N, facing away from the middle of a closed
    // loop. `closed` joins the last point to the first.
    bool Ribbon(std::span<const VEC3> points, float width, bool standing, bool closed,
                int color = 0);
    // A surface through a grid of rows x columns points, row by row ("Not enough surface
    // points", "Can't get point for index %d", "Can't create surface"). Its front is where
    // (next column - point) x (next row - point) points.
    bool Surface(std::span<const VEC3> points, int rows, int columns, int color = 0);
    // Samples the Hermite curve through the points (tangents: one per point, or none for
    // Catmull-Rom tangents) with `subdivisions` steps per segment; `closed` adds the segment
    // back to the first point. At least 2 points.
    bool Curve(std::span<const VEC3> points, std::span<const VEC3> tangents, int subdivisions,
               bool closed, std::vector<VEC3>& out);
    // Solid text (Arial bold) whose em is `height` tall, extruded 0.05 em toward +z; the face
    // looks toward -z, the baseline on y = 0 starting at x = 0 ("No font for 3D text").
    bool Text(const char* text, float height, int color = 0);

    const char* GetName() const { return m_name.GetText(); }
    const CCharString& GetError() const { return m_error; }
    const TRANSFORM& GetTransform() const { return m_transform; }
    const TRANSFORM& GetSavedTransform() const { return m_saved; }
    const VEC3& GetPosition() const { return m_transform.position; }
    const VEC3& GetDirection() const { return m_transform.direction; }
    float GetTwist() const { return m_transform.twist; }
    // Sets the model axis the part was built along (rebuilds the matrix).
    void SetRestDirection(const VEC3& rest);
    const MATRIX& GetWorld() const { return m_world; }
    bool IsMatrixSet() const { return m_matrixSet; }
    float GetScaleFactor() const { return m_scaleFactor; }

    bool IsVisible() const { return m_visible; }
    void SetVisible(bool visible) { m_visible = visible; }
    bool IsEnabled() const { return m_enabled; }
    void SetEnabled(bool enabled) { m_enabled = enabled; }
    bool IsChanged() const { return m_changed; }
    void SetChanged(bool changed) { m_changed = changed; }
    bool IsTwoSided() const { return m_twoSided; }
    void SetTwoSided(bool twoSided) { m_twoSided = twoSided; }
    bool IsLines() const { return m_lines; }

    // An owned texture, or one that another part owns (shared).
    void SetTexture(std::unique_ptr<CTexture> texture);
    void ShareTexture(const CTexture* texture);
    const CTexture* GetTexture() const { return m_texture; }
    void SetModulate(bool modulate) { m_modulate = modulate; }
    void SetWrap(bool wrap) { m_wrap = wrap; }
    void SetMaterial(const MATERIAL& material);
    void ShareMaterial(const MATERIAL* material);
    const MATERIAL* GetMaterial() const { return m_material; }
    bool IsShared() const {
        return m_texture != m_ownTexture.get() || m_material != m_ownMaterial.get();
    }

    int GetVertexCount() const { return m_vertexCount; }
    int GetFirstVertex() const { return m_firstVertex; }
    int GetFirstIndex() const { return m_firstIndex; }
    int GetTriangleCount() const { return m_triangleCount; }
    CVertexBuffer* GetVertexBuffer() const { return m_buffer; }
    CRenderDevice* GetDevice() const { return m_device; }

protected:
    bool Fail(const char* format, ...) MA_PRINTF(2, 3);
    // Takes a child's failure as its own.
    bool FailFrom(const CPrimitive& child);
    // The matrix from the transform, then the tracked points; sets the matrix-set and changed
    // flags.
    void RebuildMatrix();
    // Turns the orientation by the rotation matrix r (row vectors) and works out the direction
    // and twist that give the result.
    void TurnOrientation(const MATRIX& r);
    // Applies m to its vertices (positions with m, normals with its rotation part) and model
    // points.
    bool TransformRange(const MATRIX& m);

    TRANSFORM m_transform;
    TRANSFORM m_saved;
    MATRIX m_world{1.0f};

private:
    friend class CMeshBuilder;

    CCharString m_name;
    CCharString m_error;
    CRenderDevice* m_device;
    CVertexBuffer* m_buffer;
    std::vector<uint32_t> m_colors;
    bool m_lines;
    std::unique_ptr<MATERIAL> m_ownMaterial;
    const MATERIAL* m_material = nullptr;
    std::unique_ptr<CTexture> m_ownTexture;
    const CTexture* m_texture = nullptr;
    bool m_modulate = true;
    bool m_wrap = false;
    int m_vertexCount = 0;
    int m_firstVertex = 0;
    int m_firstIndex = 0;
    int m_triangleCount = 0;
    bool m_twoSided = false;
    bool m_matrixSet = false;
    std::vector<VEC3> m_modelPoints;
    float m_scaleFactor = 1.0f;
    bool m_visible = true;
    std::vector<CPrimitive*> m_children;
    CPrimitive* m_parent = nullptr;
    bool m_changed = false;
    bool m_enabled = true;
    std::vector<VEC3*> m_tracked;
};
