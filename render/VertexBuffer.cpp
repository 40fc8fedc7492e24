#include "render/VertexBuffer.h"

#include <algorithm>
#include <cstdarg>

#include <new>

CVertexBuffer::CVertexBuffer(CRenderDevice* device, int growth)
    : m_device(device), m_growth(std::max(growth, 1)) {}

CVertexBuffer::~CVertexBuffer() {
    if (m_device)
        m_device->ReleaseVertices(*this);
}

bool CVertexBuffer::Fail(const char* format, ...) {
    va_list args;
    va_start(args, format);
    m_error.FormatV(format, args);
    va_end(args);
    return false;
}

int CVertexBuffer::NextCapacity(int needed, int capacity, int step) {
    return needed <= capacity ? capacity : std::max(needed, capacity + step);
}

bool CVertexBuffer::Reserve(int vertices) {
    const int capacity = NextCapacity(vertices, GetCapacity(), m_growth);
    if (capacity == GetCapacity())
        return true;
    try {
        m_vertices.resize(capacity);
    } catch (const std::bad_alloc&) {
        return Fail("Can't allocate vertex buffer for %d vertices", capacity);
    }
    try {
        m_colorIndices.resize(capacity, kNoColorIndex);
    } catch (const std::bad_alloc&) {
        return Fail("Can't allocate color index buffer, %d indices", capacity);
    }
    return true;
}

bool CVertexBuffer::ReserveIndices(int indices) {
    const int capacity = NextCapacity(indices, GetIndexCapacity(), 3 * m_growth);
    if (capacity == GetIndexCapacity())
        return true;
    try {
        m_indices.resize(capacity, kUnusedIndex);
    } catch (const std::bad_alloc&) {
        return Fail("Can't create index buffer for %d indices", capacity);
    }
    return true;
}

bool CVertexBuffer::Lock() {
    if (m_locked)
        return Fail("Can't lock vertex buffer: it is locked already");
    m_locked = true;
    return true;
}

bool CVertexBuffer::Unlock() {
    m_locked = false;
    return true;
}

bool CVertexBuffer::BeginRange(int* firstVertex, int* firstIndex, int* vertexCount,
                               int* primitiveCount, bool lines) {
    if (*vertexCount == 0 && *primitiveCount == 0) {
        *firstVertex = m_vertexCount;
        *firstIndex = m_indexCount;
    } else if (*firstVertex + *vertexCount != m_vertexCount ||
               *firstIndex + *primitiveCount * (lines ? 2 : 3) != m_indexCount) {
        return Fail("Can't add to a range that is not at the end of the vertex buffer");
    }
    m_rangeOpen = true;
    m_rangeLines = lines;
    m_rangeFirst = *firstVertex;
    m_rangeVertexCount = vertexCount;
    m_rangePrimitiveCount = primitiveCount;
    return true;
}

void CVertexBuffer::EndRange() {
    m_rangeOpen = false;
    m_rangeVertexCount = nullptr;
    m_rangePrimitiveCount = nullptr;
}

int CVertexBuffer::AddVertex(const VERTEX& vertex, uint32_t colorIndex) {
    if (!m_locked)
        return Fail("Vertex buffer not locked"), -1;
    if (!m_rangeOpen)
        return Fail("No range is open in the vertex buffer"), -1;
    const int number = m_vertexCount - m_rangeFirst;
    if (number >= kMaxRangeVertices)
        return Fail("Too many vertices for 16-bit indices: %d", number + 1), -1;
    if (!Reserve(m_vertexCount + 1))
        return -1;
    m_vertices[m_vertexCount] = vertex;
    m_colorIndices[m_vertexCount] = colorIndex;
    MarkVerticesChanged(m_vertexCount, m_vertexCount + 1);
    ++m_vertexCount;
    ++*m_rangeVertexCount;
    return number;
}

bool CVertexBuffer::AddIndex(int number) {
    if (number < 0 || number >= m_vertexCount - m_rangeFirst)
        return Fail("Bad vertex number: %d", number);
    m_indices[m_indexCount++] = static_cast<uint16_t>(number);
    return true;
}

bool CVertexBuffer::AddPolygon(const int* numbers, int count, bool diagonal) {
    if (count < 3)
        return true;
    if (count > 4)
        return Fail("Can't add: size=%d", count);
    if (!m_rangeOpen)
        return Fail("No range is open in the vertex buffer");
    const int start = m_indexCount;
    int added = 0;
    bool ok = true;
    if (m_rangeLines) {
        if (!ReserveIndices(m_indexCount + 2 * count))
            return false;
        for (int i = 0; i < count && ok; ++i, ++added)
            ok = AddIndex(numbers[i]) && AddIndex(numbers[(i + 1) % count]);
    } else {
        static constexpr int kPlain[2][3] = {{0, 1, 2}, {2, 3, 0}};
        static constexpr int kDiagonal[2][3] = {{1, 2, 3}, {3, 0, 1}};
        const auto& corners = count == 4 && diagonal ? kDiagonal : kPlain;
        if (!ReserveIndices(m_indexCount + 3 * (count - 2)))
            return false;
        for (int t = 0; t < count - 2 && ok; ++t, ++added)
            ok = AddIndex(numbers[corners[t][0]]) && AddIndex(numbers[corners[t][1]]) &&
                 AddIndex(numbers[corners[t][2]]);
    }
    if (!ok) {
        m_indexCount = start;
        return false;
    }
    MarkIndices(start, m_indexCount);
    m_primitives += added;
    *m_rangePrimitiveCount += added;
    return true;
}

bool CVertexBuffer::CheckVertex(int vertex) {
    if (!m_locked)
        return Fail("Vertex buffer not locked");
    if (vertex < 0 || vertex >= m_vertexCount)
        return Fail("Bad vertex number: %d", vertex);
    MarkVerticesChanged(vertex, vertex + 1);
    return true;
}

bool CVertexBuffer::SetPosition(int vertex, const VEC3& position) {
    return CheckVertex(vertex) && (m_vertices[vertex].position = position, true);
}

bool CVertexBuffer::SetNormal(int vertex, const VEC3& normal) {
    return CheckVertex(vertex) && (m_vertices[vertex].normal = normal, true);
}

bool CVertexBuffer::SetColor(int vertex, uint32_t color) {
    return CheckVertex(vertex) && (m_vertices[vertex].color = color, true);
}

bool CVertexBuffer::SetTexture(int vertex, float u, float v) {
    if (!CheckVertex(vertex))
        return false;
    m_vertices[vertex].u = u;
    m_vertices[vertex].v = v;
    return true;
}

bool CVertexBuffer::SetColorIndex(int vertex, uint32_t colorIndex) {
    return CheckVertex(vertex) && (m_colorIndices[vertex] = colorIndex, true);
}

CVertexBuffer::MARK CVertexBuffer::Mark() const {
    return {m_vertexCount, m_indexCount, m_primitives, m_rangeVertexCount ? *m_rangeVertexCount : 0,
            m_rangePrimitiveCount ? *m_rangePrimitiveCount : 0};
}

void CVertexBuffer::Rollback(const MARK& mark) {
    std::fill(m_colorIndices.begin() + mark.vertices, m_colorIndices.begin() + m_vertexCount,
              kNoColorIndex);
    std::fill(m_indices.begin() + mark.indices, m_indices.begin() + m_indexCount, kUnusedIndex);
    m_vertexCount = mark.vertices;
    m_indexCount = mark.indices;
    m_primitives = mark.primitives;
    if (m_rangeVertexCount)
        *m_rangeVertexCount = mark.rangeVertices;
    if (m_rangePrimitiveCount)
        *m_rangePrimitiveCount = mark.rangePrimitives;
    m_changedVertexEnd = std::min(m_changedVertexEnd, m_vertexCount);
    m_changedIndexEnd = std::min(m_changedIndexEnd, m_indexCount);
}

bool CVertexBuffer::Bind() {
    if (!m_device)
        return Fail("Can't set vertices: no device");
    if (!m_device->BindVertices(*this))
        return Fail("Can't set vertices: %s", m_device->GetError().GetText());
    return true;
}

bool CVertexBuffer::DrawRange(const DRAW_RANGE& range) {
    if (!m_device)
        return Fail("Can't draw: no device");
    if (!m_device->DrawRange(range))
        return Fail("Can't draw: %s", m_device->GetError().GetText());
    return true;
}

void CVertexBuffer::MarkVerticesChanged(int first, int end) {
    if (m_changedVertexFirst >= m_changedVertexEnd) {
        m_changedVertexFirst = first;
        m_changedVertexEnd = end;
    } else {
        m_changedVertexFirst = std::min(m_changedVertexFirst, first);
        m_changedVertexEnd = std::max(m_changedVertexEnd, end);
    }
}

void CVertexBuffer::MarkIndices(int first, int end) {
    if (m_changedIndexFirst >= m_changedIndexEnd) {
        m_changedIndexFirst = first;
        m_changedIndexEnd = end;
    } else {
        m_changedIndexFirst = std::min(m_changedIndexFirst, first);
        m_changedIndexEnd = std::max(m_changedIndexEnd, end);
    }
}

void CVertexBuffer::GetChangedVertices(int& first, int& end) const {
    first = m_changedVertexFirst;
    end = m_changedVertexEnd;
}

void CVertexBuffer::GetChangedIndices(int& first, int& end) const {
    first = m_changedIndexFirst;
    end = m_changedIndexEnd;
}

void CVertexBuffer::ClearChanges() {
    m_changedVertexFirst = m_changedVertexEnd = 0;
    m_changedIndexFirst = m_changedIndexEnd = 0;
}
