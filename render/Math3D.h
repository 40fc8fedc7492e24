#pragma once

#include <cstdint>
#include <glm/glm.hpp>
#include <glm/gtc/quaternion.hpp>

// Scene math. The scene is left-handed (x right, y up, z into the screen) and every matrix
// works on row vectors: a point p goes to p x M, and MatrixMultiply(a, b) applies a first, then
// b. A MATRIX keeps the sixteen floats of that row-vector matrix in their usual order (row 1
// first); that is exactly GLM's column-major storage of the column-vector matrix, so in GLM terms
// p x M is `m * vec4(p, 1)`, and the floats go to a GL shader unchanged. Angles are radians
// unless a name says degrees.
using VEC3 = glm::vec3;
using MATRIX = glm::mat4;
using QUATERNION = glm::quat;

// Degrees to radians, with the constant the scene's stored angles were always converted by.
constexpr float kRadiansPerDegree = 0.01745329238474369f;

// Element (row, column) of the row-vector matrix, both 1 to 4 (M._43 is the z translation).
inline float& MatrixAt(MATRIX& m, int row, int column) {
    return m[row - 1][column - 1];
}
inline float MatrixAt(const MATRIX& m, int row, int column) {
    return m[row - 1][column - 1];
}

// a first, then b.
MATRIX MatrixMultiply(const MATRIX& a, const MATRIX& b);
MATRIX MatrixTranslation(float x, float y, float z);
MATRIX MatrixScaling(float x, float y, float z);
// Rotation by angle about the axis through the origin (the axis need not be unit length; a
// zero axis gives the identity). Seen from the axis' tip, positive angles turn clockwise in
// this left-handed frame: about y, +x turns toward -z.
MATRIX MatrixRotationAxis(const VEC3& axis, float angle);
// Roll about z first, then pitch about x, then yaw about y.
MATRIX MatrixRotationYawPitchRoll(float yaw, float pitch, float roll);
// (axis x sin(angle / 2), cos(angle / 2)) with the axis normalised.
QUATERNION QuaternionRotationAxis(const VEC3& axis, float angle);
// The unit quaternion; a zero quaternion stays zero.
QUATERNION QuaternionNormalize(const QUATERNION& q);
// The rotation of a unit quaternion; equals MatrixRotationAxis for the same axis and angle.
MATRIX MatrixRotationQuaternion(const QUATERNION& q);
// View matrix: the eye goes to the origin, the line of sight to +z, up to +y.
MATRIX MatrixLookAtLH(const VEC3& eye, const VEC3& at, const VEC3& up);
// Perspective with a vertical field of view; view depth zn maps to 0 and zf to 1.
MATRIX MatrixPerspectiveFovLH(float fovY, float aspect, float zn, float zf);
// The same projection for GL's clip space, whose depth runs from -w to w instead of 0 to w. The
// one place where the two depth conventions meet.
MATRIX DepthRangeToGl(const MATRIX& projection);
MATRIX MatrixInverse(const MATRIX& m);
// (v, 1) x M divided by its w.
VEC3 Vec3TransformCoord(const VEC3& v, const MATRIX& m);
// v x the upper 3 x 3 of M (directions and normals under a rotation).
VEC3 Vec3TransformNormal(const VEC3& v, const MATRIX& m);
// Hermite spline from p1 (tangent t1) to p2 (tangent t2) at s in [0, 1].
VEC3 Vec3Hermite(const VEC3& p1, const VEC3& t1, const VEC3& p2, const VEC3& t2, float s);
// The vector scaled to unit length; a zero vector stays zero.
VEC3 Vec3Normalize(const VEC3& v);
// The shortest rotation that turns direction `from` onto direction `to` (identity when they
// point the same way or either is zero; half a turn about some perpendicular when opposite).
MATRIX MatrixTurn(const VEC3& from, const VEC3& to);
// Any unit vector perpendicular to v (v non-zero).
VEC3 Vec3Perpendicular(const VEC3& v);

// A colour from four components: each 255 at or above 1, 0 at or below 0, else the whole part
// of c x 255 + 0.5; packed alpha, red, green, blue from the high byte down.
uint32_t PackColor(float red, float green, float blue, float alpha);
