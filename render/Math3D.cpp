#include "render/Math3D.h"

#include <cmath>

MATRIX MatrixMultiply(const MATRIX& a, const MATRIX& b) {
    // Row vectors: p x a x b is b * (a * p) for GLM's column vectors.
    return b * a;
}

MATRIX MatrixTranslation(float x, float y, float z) {
    MATRIX m(1.0f);
    MatrixAt(m, 4, 1) = x;
    MatrixAt(m, 4, 2) = y;
    MatrixAt(m, 4, 3) = z;
    return m;
}

MATRIX MatrixScaling(float x, float y, float z) {
    MATRIX m(1.0f);
    MatrixAt(m, 1, 1) = x;
    MatrixAt(m, 2, 2) = y;
    MatrixAt(m, 3, 3) = z;
    return m;
}

MATRIX MatrixRotationAxis(const VEC3& axis, float angle) {
    const VEC3 v = Vec3Normalize(axis);
    const float c = std::cos(angle), s = std::sin(angle), t = 1.0f - c;
    MATRIX m(1.0f);
    if (v == VEC3(0.0f))
        return m;
    MatrixAt(m, 1, 1) = t * v.x * v.x + c;
    MatrixAt(m, 1, 2) = t * v.x * v.y + s * v.z;
    MatrixAt(m, 1, 3) = t * v.x * v.z - s * v.y;
    MatrixAt(m, 2, 1) = t * v.x * v.y - s * v.z;
    MatrixAt(m, 2, 2) = t * v.y * v.y + c;
    MatrixAt(m, 2, 3) = t * v.y * v.z + s * v.x;
    MatrixAt(m, 3, 1) = t * v.x * v.z + s * v.y;
    MatrixAt(m, 3, 2) = t * v.y * v.z - s * v.x;
    MatrixAt(m, 3, 3) = t * v.z * v.z + c;
    return m;
}

MATRIX MatrixRotationYawPitchRoll(float yaw, float pitch, float roll) {
    const MATRIX r = MatrixRotationAxis(VEC3(0, 0, 1), roll);
    const MATRIX p = MatrixRotationAxis(VEC3(1, 0, 0), pitch);
    const MATRIX y = MatrixRotationAxis(VEC3(0, 1, 0), yaw);
    return MatrixMultiply(MatrixMultiply(r, p), y);
}

QUATERNION QuaternionRotationAxis(const VEC3& axis, float angle) {
    const VEC3 v = Vec3Normalize(axis) * std::sin(angle / 2.0f);
    return QUATERNION(std::cos(angle / 2.0f), v.x, v.y, v.z);
}

QUATERNION QuaternionNormalize(const QUATERNION& q) {
    const float length = std::sqrt(q.x * q.x + q.y * q.y + q.z * q.z + q.w * q.w);
    if (length == 0.0f)
        return q;
    return QUATERNION(q.w / length, q.x / length, q.y / length, q.z / length);
}

MATRIX MatrixRotationQuaternion(const QUATERNION& q) {
    const float x = q.x, y = q.y, z = q.z, w = q.w;
    MATRIX m(1.0f);
    MatrixAt(m, 1, 1) = 1.0f - 2.0f * (y * y + z * z);
    MatrixAt(m, 1, 2) = 2.0f * (x * y + z * w);
    MatrixAt(m, 1, 3) = 2.0f * (x * z - y * w);
    MatrixAt(m, 2, 1) = 2.0f * (x * y - z * w);
    MatrixAt(m, 2, 2) = 1.0f - 2.0f * (x * x + z * z);
    MatrixAt(m, 2, 3) = 2.0f * (y * z + x * w);
    MatrixAt(m, 3, 1) = 2.0f * (x * z + y * w);
    MatrixAt(m, 3, 2) = 2.0f * (y * z - x * w);
    MatrixAt(m, 3, 3) = 1.0f - 2.0f * (x * x + y * y);
    return m;
}

MATRIX MatrixLookAtLH(const VEC3& eye, const VEC3& at, const VEC3& up) {
    const VEC3 z = Vec3Normalize(at - eye);
    const VEC3 x = Vec3Normalize(glm::cross(up, z));
    const VEC3 y = glm::cross(z, x);
    MATRIX m(1.0f);
    for (int i = 0; i < 3; ++i) {
        MatrixAt(m, i + 1, 1) = x[i];
        MatrixAt(m, i + 1, 2) = y[i];
        MatrixAt(m, i + 1, 3) = z[i];
    }
    MatrixAt(m, 4, 1) = -glm::dot(x, eye);
    MatrixAt(m, 4, 2) = -glm::dot(y, eye);
    MatrixAt(m, 4, 3) = -glm::dot(z, eye);
    return m;
}

MATRIX MatrixPerspectiveFovLH(float fovY, float aspect, float zn, float zf) {
    const float yScale = 1.0f / std::tan(fovY / 2.0f);
    MATRIX m(0.0f);
    MatrixAt(m, 1, 1) = yScale / aspect;
    MatrixAt(m, 2, 2) = yScale;
    MatrixAt(m, 3, 3) = zf / (zf - zn);
    MatrixAt(m, 3, 4) = 1.0f;
    MatrixAt(m, 4, 3) = -zn * zf / (zf - zn);
    return m;
}

MATRIX DepthRangeToGl(const MATRIX& projection) {
    // z' = 2z - w, so depth 0..w becomes -w..w: column 3 becomes 2 x column 3 - column 4.
    MATRIX out = projection;
    for (int row = 1; row <= 4; ++row)
        MatrixAt(out, row, 3) = 2.0f * MatrixAt(projection, row, 3) - MatrixAt(projection, row, 4);
    return out;
}

MATRIX MatrixInverse(const MATRIX& m) {
    return glm::inverse(m);
}

VEC3 Vec3TransformCoord(const VEC3& v, const MATRIX& m) {
    const glm::vec4 r = m * glm::vec4(v, 1.0f);
    return r.w == 0.0f ? VEC3(r) : VEC3(r) / r.w;
}

VEC3 Vec3TransformNormal(const VEC3& v, const MATRIX& m) {
    return VEC3(m * glm::vec4(v, 0.0f));
}

VEC3 Vec3Hermite(const VEC3& p1, const VEC3& t1, const VEC3& p2, const VEC3& t2, float s) {
    const float s2 = s * s, s3 = s2 * s;
    return (2 * s3 - 3 * s2 + 1) * p1 + (s3 - 2 * s2 + s) * t1 + (-2 * s3 + 3 * s2) * p2 +
           (s3 - s2) * t2;
}

VEC3 Vec3Normalize(const VEC3& v) {
    const float length = glm::length(v);
    return length == 0.0f ? VEC3(0.0f) : v / length;
}

VEC3 Vec3Perpendicular(const VEC3& v) {
    const VEC3 a = glm::abs(v);
    const VEC3 other = a.x <= a.y && a.x <= a.z ? VEC3(1, 0, 0)
                       : a.y <= a.z             ? VEC3(0, 1, 0)
                                                : VEC3(0, 0, 1);
    return Vec3Normalize(glm::cross(v, other));
}

MATRIX MatrixTurn(const VEC3& from, const VEC3& to) {
    const VEC3 f = Vec3Normalize(from), t = Vec3Normalize(to);
    if (f == VEC3(0.0f) || t == VEC3(0.0f))
        return MATRIX(1.0f);
    const float cosine = glm::clamp(glm::dot(f, t), -1.0f, 1.0f);
    if (cosine > 1.0f - 1e-7f)
        return MATRIX(1.0f);
    VEC3 axis = glm::cross(f, t);
    // Opposite directions have no cross product; any perpendicular axis gives the half turn.
    if (glm::length(axis) < 1e-6f)
        axis = Vec3Perpendicular(f);
    const QUATERNION q = QuaternionNormalize(QuaternionRotationAxis(axis, std::acos(cosine)));
    return MatrixRotationQuaternion(q);
}

uint32_t PackColor(float red, float green, float blue, float alpha) {
    auto byte = [](float c) -> uint32_t {
        if (c >= 1.0f)
            return 255;
        if (c <= 0.0f)
            return 0;
        return static_cast<uint32_t>(c * 255.0f + 0.5f);
    };
    return byte(alpha) << 24 | byte(red) << 16 | byte(green) << 8 | byte(blue);
}
