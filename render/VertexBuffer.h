#pragma once

#include <cstdint>
#include <vector>

#include "core/CharString.h"
#include "render/Math3D.h"
#include "render/RenderDevice.h"

// One vertex as the device reads it: 36 bytes.
struct VERTEX {
    VEC3 position{0.0f};
    VEC3 normal{0.0f};
    uint32_t color = 0xFFFFFFFF; // alpha, red, green, blue from the high byte down
    float u = 0.0f;
    float v = 0.0f;
};
static_assert(sizeof(VERTEX) == 36, "the device reads 36-byte vertices");

// The device's copy of a buffer: the names of its objects and their capacities, in the context
// they were made in (0: none yet). Only the device reads and writes it.
struct DEVICE_COPY {
    uint32_t vertexBuffer = 0;
    uint32_t indexBuffer = 0;
    uint32_t vertexArray = 0;
    int vertexCapacity = 0;
    int indexCapacity = 0;
    uint64_t context = 0;
};

// The vertices and 16-bit indices that all primitives of a scene share, in system memory, with
// what changed since the device last copied them. Primitives own ranges of it: a range's
// indices count from its first vertex (the device draws with a base vertex), so one range holds
// at most kMaxRangeVertices vertices, while the buffer as a whole may grow beyond that.
class CVertexBuffer {
public:
    static constexpr uint32_t kNoColorIndex = 0x7FFFFFFF;
    static constexpr uint16_t kUnusedIndex = 0xFFFF;
    static constexpr int kMaxRangeVertices = 0xFFFF;

    // growth: vertices added when the arrays must grow (at least 1).
    CVertexBuffer(CRenderDevice* device, int growth);
    // Tells the device, which must still exist, to drop its copy.
    ~CVertexBuffer();
    CVertexBuffer(const CVertexBuffer&) = delete;
    CVertexBuffer& operator=(const CVertexBuffer&) = delete;

    // The capacity that holds `needed` items: max(needed, capacity + step) when it must grow.
    static int NextCapacity(int needed, int capacity, int step);

    // Grows the vertex array (and the colour indices, new ones kNoColorIndex) to hold n vertices.
    bool Reserve(int vertices);
    // Grows the index array to hold n indices, by max(n, capacity + 3 x growth).
    bool ReserveIndices(int indices);

    // Vertex setters and AddVertex work only between Lock and Unlock.
    bool Lock();
    bool Unlock();
    bool IsLocked() const { return m_locked; }

    // Opens the caller's range for appending: an empty range (no vertices, no primitives) starts
    // at the buffer's end; a non-empty one must still end there. The counters are the caller's
    // and grow as vertices and polygons are added, until EndRange. `lines`: polygons are added
    // as their outlines, for drawing as a line list.
    bool BeginRange(int* firstVertex, int* firstIndex, int* vertexCount, int* primitiveCount,
                    bool lines);
    void EndRange();

    // Appends a vertex to the open range; its number within the range, or -1 on failure.
    int AddVertex(const VERTEX& vertex, uint32_t colorIndex);
    // A polygon of range vertex numbers: fewer than 3 are ignored, more than 4 fail. A
    // quadrilateral (a, b, c, d) becomes (a, b, c) and (c, d, a), or with the diagonal flag
    // (b, c, d) and (d, a, b). In a line range each polygon adds its edges instead.
    bool AddPolygon(const int* numbers, int count, bool diagonal = false);

    bool SetPosition(int vertex, const VEC3& position);
    bool SetNormal(int vertex, const VEC3& normal);
    bool SetColor(int vertex, uint32_t color);
    bool SetTexture(int vertex, float u, float v);
    bool SetColorIndex(int vertex, uint32_t colorIndex);

    // A point to roll back to when a builder fails half-way.
    struct MARK {
        int vertices, indices, primitives, rangeVertices, rangePrimitives;
    };
    MARK Mark() const;
    void Rollback(const MARK& mark);

    // Makes the buffer current on the device ("Can't set vertices: %s").
    bool Bind();
    // Draws a range ("Can't draw: %s").
    bool DrawRange(const DRAW_RANGE& range);

    int GetVertexCount() const { return m_vertexCount; }
    int GetIndexCount() const { return m_indexCount; }
    int GetPrimitiveCount() const { return m_primitives; }
    int GetCapacity() const { return static_cast<int>(m_vertices.size()); }
    int GetIndexCapacity() const { return static_cast<int>(m_indices.size()); }
    int GetGrowth() const { return m_growth; }
    const VERTEX* GetVertices() const { return m_vertices.data(); }
    VERTEX* GetVertices() { return m_vertices.data(); }
    const uint16_t* GetIndices() const { return m_indices.data(); }
    uint32_t GetColorIndex(int vertex) const { return m_colorIndices[vertex]; }
    CRenderDevice* GetDevice() const { return m_device; }
    const CCharString& GetError() const { return m_error; }

    // For the device: what changed since ClearChanges (vertex and index intervals, end
    // exclusive; empty when first >= end), and its copy of the buffer.
    void GetChangedVertices(int& first, int& end) const;
    void GetChangedIndices(int& first, int& end) const;
    void ClearChanges();
    // Marks vertices changed that were written through GetVertices().
    void MarkVerticesChanged(int first, int end);
    DEVICE_COPY& GetDeviceCopy() { return m_deviceCopy; }

private:
    bool Fail(const char* format, ...) MA_PRINTF(2, 3);
    bool CheckVertex(int vertex);
    void MarkIndices(int first, int end);
    bool AddIndex(int number);

    CRenderDevice* m_device;
    int m_growth;
    std::vector<VERTEX> m_vertices;
    std::vector<uint32_t> m_colorIndices;
    std::vector<uint16_t> m_indices;
    int m_vertexCount = 0;
    int m_indexCount = 0;
    int m_primitives = 0;
    bool m_locked = false;
    CCharString m_error;

    // The open range.
    bool m_rangeOpen = false;
    bool m_rangeLines = false;
    int m_rangeFirst = 0;
    int* m_rangeVertexCount = nullptr;
    int* m_rangePrimitiveCount = nullptr;

    int m_changedVertexFirst = 0, m_changedVertexEnd = 0;
    int m_changedIndexFirst = 0, m_changedIndexEnd = 0;
    DEVICE_COPY m_deviceCopy;
};
