#include "render/Primitive.h"

#include <cmath>
#include <cstdarg>
#include <cstring>

namespace {

// The orientation part of the world matrix: twist about rest, then rest turned onto direction.
MATRIX Orientation(const TRANSFORM& t) {
    if (t.direction == VEC3(0.0f) || t.rest == VEC3(0.0f))
        return MATRIX(1.0f);
    const MATRIX twist = MatrixRotationAxis(t.rest, t.twist * kRadiansPerDegree);
    return MatrixMultiply(twist, MatrixTurn(t.rest, t.direction));
}

// The angle (degrees) of a rotation about a known axis.
float AngleAbout(const MATRIX& r, const VEC3& axis) {
    const VEC3 k = Vec3Normalize(axis);
    const VEC3 p = Vec3Perpendicular(k);
    const VEC3 q = Vec3TransformNormal(p, r);
    return std::atan2(glm::dot(glm::cross(p, q), k), glm::dot(p, q)) / kRadiansPerDegree;
}

VEC3 RotateAbout(const VEC3& point, const VEC3& centre, const MATRIX& r) {
    return centre + Vec3TransformNormal(point - centre, r);
}

} // namespace

CPrimitive::CPrimitive(CRenderDevice* device, CVertexBuffer* buffer, const char* name, bool lines)
    : m_name(name), m_device(device), m_buffer(buffer), m_lines(lines) {
    m_saved = m_transform;
}

CPrimitive::~CPrimitive() {
    for (CPrimitive* child : m_children)
        delete child;
}

bool CPrimitive::Fail(const char* format, ...) {
    va_list args;
    va_start(args, format);
    m_error.FormatV(format, args);
    va_end(args);
    return false;
}

bool CPrimitive::FailFrom(const CPrimitive& child) {
    m_error = child.m_error;
    return false;
}

void CPrimitive::RebuildMatrix() {
    m_world = MatrixMultiply(
        MatrixMultiply(
            Orientation(m_transform),
            MatrixScaling(m_transform.scale.x, m_transform.scale.y, m_transform.scale.z)),
        MatrixTranslation(m_transform.position.x, m_transform.position.y, m_transform.position.z));
    for (size_t i = 0; i < m_tracked.size(); ++i)
        *m_tracked[i] = Vec3TransformCoord(m_modelPoints[i], m_world);
    m_matrixSet = true;
    m_changed = true;
}

void CPrimitive::TurnOrientation(const MATRIX& r) {
    if (m_transform.direction == VEC3(0.0f) || m_transform.rest == VEC3(0.0f))
        return;
    const MATRIX turned = MatrixMultiply(Orientation(m_transform), r);
    m_transform.direction = Vec3TransformNormal(m_transform.direction, r);
    // What is left after the rest direction is turned onto the new direction is a twist about
    // the rest direction; its angle keeps the whole turn exact, so subtrees stay rigid.
    const MATRIX rest = MatrixTurn(m_transform.rest, m_transform.direction);
    const MATRIX twist = MatrixMultiply(turned, glm::transpose(rest));
    m_transform.twist = AngleAbout(twist, m_transform.rest);
}

void CPrimitive::AddChild(CPrimitive* child) {
    child->m_parent = this;
    m_children.push_back(child);
}

CPrimitive* CPrimitive::Find(const char* name) {
    if (m_name == name)
        return this;
    for (CPrimitive* child : m_children)
        if (CPrimitive* found = child->Find(name))
            return found;
    return nullptr;
}

void CPrimitive::SetColor(int number, uint32_t color) {
    if (number < 0)
        return;
    if (static_cast<size_t>(number) >= m_colors.size())
        m_colors.resize(number + 1, 0xFFFFFFFF);
    m_colors[number] = color;
}

bool CPrimitive::SetColors(const std::vector<uint32_t>& colors) {
    m_colors = colors;
    if (m_vertexCount == 0)
        return true;
    if (!m_buffer)
        return Fail("No vertex buffer");
    VERTEX* vertices = m_buffer->GetVertices();
    for (int i = m_firstVertex; i < m_firstVertex + m_vertexCount; ++i) {
        const uint32_t number = m_buffer->GetColorIndex(i);
        if (number == CVertexBuffer::kNoColorIndex)
            continue;
        if (number >= colors.size())
            return Fail("Not enough colors: %d", static_cast<int>(colors.size()));
        vertices[i].color = colors[number];
    }
    m_buffer->MarkVerticesChanged(m_firstVertex, m_firstVertex + m_vertexCount);
    return true;
}

void CPrimitive::TrackPoint(VEC3* point) {
    m_modelPoints.push_back(*point);
    m_tracked.push_back(point);
    *point = Vec3TransformCoord(*point, m_world);
}

void CPrimitive::TrackPoints(VEC3* points, int count) {
    for (int i = 0; i < count; ++i)
        TrackPoint(points + i);
}

bool CPrimitive::MoveBy(float x, float y, float z) {
    m_transform.position += VEC3(x, y, z);
    RebuildMatrix();
    for (CPrimitive* child : m_children)
        if (child->m_enabled && !child->MoveBy(x, y, z))
            return FailFrom(*child);
    return true;
}

bool CPrimitive::MoveTo(const VEC3& point, bool relative) {
    // Absolute: moving by the difference puts it on the point and moves the children with it.
    const VEC3 by = relative ? point : point - m_transform.position;
    return MoveBy(by.x, by.y, by.z);
}

bool CPrimitive::TransformRange(const MATRIX& m) {
    for (VEC3& point : m_modelPoints)
        point = Vec3TransformCoord(point, m);
    if (m_vertexCount == 0)
        return true;
    if (!m_buffer)
        return Fail("No vertex buffer");
    // Normals go through the inverse transpose, which for the rotations and uniform scalings
    // used here is the rotation part itself; they are kept at unit length.
    VERTEX* vertices = m_buffer->GetVertices();
    for (int i = m_firstVertex; i < m_firstVertex + m_vertexCount; ++i) {
        vertices[i].position = Vec3TransformCoord(vertices[i].position, m);
        vertices[i].normal = Vec3Normalize(Vec3TransformNormal(vertices[i].normal, m));
    }
    m_buffer->MarkVerticesChanged(m_firstVertex, m_firstVertex + m_vertexCount);
    return true;
}

bool CPrimitive::ScaleGeometry(float factor, bool keepPosition, const VEC3* centre) {
    const VEC3 c = centre ? *centre : keepPosition ? m_transform.position : VEC3(0.0f);
    if (!TransformRange(MatrixScaling(factor, factor, factor)))
        return false;
    m_transform.position = c + (m_transform.position - c) * factor;
    m_scaleFactor *= factor;
    RebuildMatrix();
    for (CPrimitive* child : m_children)
        if (child->m_enabled && !child->ScaleGeometry(factor, keepPosition, &c))
            return FailFrom(*child);
    return true;
}

bool CPrimitive::ScaleMatrix(float factor, bool keepPosition, const VEC3* centre) {
    const VEC3 c = centre ? *centre : keepPosition ? m_transform.position : VEC3(0.0f);
    m_transform.scale = VEC3(factor);
    m_transform.position = c + (m_transform.position - c) * factor;
    m_scaleFactor *= factor;
    RebuildMatrix();
    for (CPrimitive* child : m_children)
        if (child->m_enabled && !child->ScaleMatrix(factor, keepPosition, &c))
            return FailFrom(*child);
    return true;
}

bool CPrimitive::Rotate(const VEC3& direction, float angle, bool accumulate, const VEC3* centre,
                        const VEC3* from) {
    const VEC3 c = centre ? *centre : m_transform.position;
    const VEC3 f = from ? *from : m_transform.direction;
    MATRIX r = MatrixRotationAxis(f, angle * kRadiansPerDegree);
    if (direction != VEC3(0.0f))
        r = MatrixMultiply(r, MatrixTurn(f, direction));

    const MATRIX before = Orientation(m_transform);
    m_transform.position = RotateAbout(m_transform.position, c, r);
    if (accumulate) {
        TurnOrientation(r);
    } else {
        if (direction != VEC3(0.0f))
            m_transform.direction = direction;
        m_transform.twist = angle;
    }
    RebuildMatrix();

    // The children turn with it by the turn it actually made: R itself when accumulating, else
    // the step from its old orientation to the new one, given to them as a twist about its axis.
    VEC3 childDirection = direction, childFrom = f;
    float childAngle = angle;
    if (!accumulate) {
        const MATRIX step = MatrixMultiply(glm::transpose(before), Orientation(m_transform));
        const QUATERNION q = glm::quat_cast(glm::mat3(step));
        childFrom = glm::length(glm::vec3(q.x, q.y, q.z)) > 1e-7f ? VEC3(q.x, q.y, q.z)
                                                                  : VEC3(0.0f, 1.0f, 0.0f);
        childDirection = childFrom;
        childAngle = AngleAbout(step, childFrom);
    }
    for (CPrimitive* child : m_children)
        if (child->m_enabled && !child->Rotate(childDirection, childAngle, true, &c, &childFrom))
            return FailFrom(*child);
    return true;
}

bool CPrimitive::RotateXYZ(float x, float y, float z, float angle, bool accumulate) {
    return Rotate(VEC3(x, y, z), angle, accumulate);
}

bool CPrimitive::Translate(float x, float y, float z) {
    if (!TransformRange(MatrixTranslation(x, y, z)))
        return false;
    RebuildMatrix();
    for (CPrimitive* child : m_children)
        if (child->m_enabled && !child->Translate(x, y, z))
            return FailFrom(*child);
    return true;
}

bool CPrimitive::RotateGeometryXYZ(float x, float y, float z) {
    const MATRIX r = MatrixRotationYawPitchRoll(y * kRadiansPerDegree, x * kRadiansPerDegree,
                                                z * kRadiansPerDegree);
    if (!TransformRange(r))
        return false;
    RebuildMatrix();
    for (CPrimitive* child : m_children) {
        if (!child->m_enabled)
            continue;
        child->m_transform.position = Vec3TransformNormal(child->m_transform.position, r);
        if (!child->RotateGeometryXYZ(x, y, z))
            return FailFrom(*child);
    }
    return true;
}

bool CPrimitive::RotateGeometry(const ROTATION& rotation) {
    const MATRIX r = MatrixRotationAxis(rotation.axis, rotation.angle * kRadiansPerDegree);
    if (!TransformRange(r))
        return false;
    m_transform.position = RotateAbout(m_transform.position, rotation.centre, r);
    RebuildMatrix();
    for (CPrimitive* child : m_children)
        if (child->m_enabled && !child->RotateGeometry(rotation))
            return FailFrom(*child);
    return true;
}

void CPrimitive::SetRestDirection(const VEC3& rest) {
    m_transform.rest = rest;
    RebuildMatrix();
}

void CPrimitive::SetWorldMatrix(const MATRIX& world) {
    m_world = world;
    m_matrixSet = true;
}

void CPrimitive::SaveTransform() {
    m_saved = m_transform;
    for (CPrimitive* child : m_children)
        child->SaveTransform();
}

void CPrimitive::RestoreTransform() {
    m_transform = m_saved;
    for (CPrimitive* child : m_children)
        child->RestoreTransform();
}

int CPrimitive::CountTriangles() const {
    int count = m_triangleCount;
    for (const CPrimitive* child : m_children)
        count += child->CountTriangles();
    return count;
}

bool CPrimitive::Record(double time, CVarList<ANIMATION_POINT>* list, bool changedOnly,
                        bool withColors) {
    if (!list)
        return true;
    if (!changedOnly || m_changed) {
        ANIMATION_POINT key;
        key.time = time;
        key.part = this;
        key.transform = m_transform;
        key.matrix = m_world;
        key.hasColors = withColors;
        if (withColors)
            key.colors = m_colors;
        list->Add(key);
    }
    m_changed = false;
    for (CPrimitive* child : m_children)
        if (!child->Record(time, list, changedOnly, withColors))
            return FailFrom(*child);
    return true;
}

void CPrimitive::SetTexture(std::unique_ptr<CTexture> texture) {
    m_ownTexture = std::move(texture);
    m_texture = m_ownTexture.get();
}

void CPrimitive::ShareTexture(const CTexture* texture) {
    m_ownTexture.reset();
    m_texture = texture;
}

void CPrimitive::SetMaterial(const MATERIAL& material) {
    m_ownMaterial = std::make_unique<MATERIAL>(material);
    m_material = m_ownMaterial.get();
}

void CPrimitive::ShareMaterial(const MATERIAL* material) {
    m_ownMaterial.reset();
    m_material = material;
}

bool CPrimitive::Draw() {
    if (m_triangleCount == 0)
        return true;
    if (!m_buffer)
        return Fail("No vertex buffer");
    if (!m_device)
        return Fail("No device");
    if (!m_device->SetMaterial(m_material))
        return Fail("Can't set material: %s", m_device->GetError().GetText());
    if (!m_buffer->Bind())
        return Fail("%s", m_buffer->GetError().GetText());
    DRAW_RANGE range;
    range.vertexCount = m_vertexCount;
    range.firstVertex = m_firstVertex;
    range.firstIndex = m_firstIndex;
    range.count = m_triangleCount;
    range.lines = m_lines;
    range.twoSided = m_twoSided;
    range.texture = m_texture;
    range.modulate = m_modulate;
    range.wrap = m_wrap;
    if (!m_buffer->DrawRange(range))
        return Fail("%s", m_buffer->GetError().GetText());
    return true;
}

bool CPrimitive::Render() {
    if (!m_visible)
        return true;
    MATRIX previous(1.0f);
    const bool ownMatrix = m_matrixSet && m_device;
    if (ownMatrix) {
        if (!m_device->GetWorld(previous))
            return Fail("Can't get the old transform: %s", m_device->GetError().GetText());
        if (!m_device->SetWorld(m_world))
            return Fail("Can't set Transform: %s", m_device->GetError().GetText());
    }
    bool ok = Draw();
    for (CPrimitive* child : m_children)
        if (ok && child->m_enabled && !child->Render())
            ok = FailFrom(*child);
    if (ownMatrix && !m_device->SetWorld(previous))
        return Fail("Can't set the old transform: %s", m_device->GetError().GetText());
    return ok;
}
