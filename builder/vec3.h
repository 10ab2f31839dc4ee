#pragma once

#include "builder/model_grid.h"

// The operations of Vec3 (declared with the model grid). Each is written out component by
// component in one fixed order, so that a formula spelled with them rounds exactly as the
// same formula spelled per component.

namespace vonnik {

constexpr Vec3 operator+(const Vec3& a, const Vec3& b) {
    return {a.x + b.x, a.y + b.y, a.z + b.z};
}

constexpr Vec3 operator-(const Vec3& a, const Vec3& b) {
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}

constexpr Vec3 operator*(const Vec3& v, double s) {
    return {v.x * s, v.y * s, v.z * s};
}

constexpr Vec3 operator*(double s, const Vec3& v) {
    return {s * v.x, s * v.y, s * v.z};
}

constexpr Vec3 operator/(const Vec3& v, double d) {
    return {v.x / d, v.y / d, v.z / d};
}

constexpr double Dot(const Vec3& a, const Vec3& b) {
    return a.x * b.x + a.y * b.y + a.z * b.z;
}

constexpr Vec3 Cross(const Vec3& u, const Vec3& v) {
    return {u.y * v.z - u.z * v.y, u.z * v.x - u.x * v.z, u.x * v.y - u.y * v.x};
}

// The normal of triangle a, b, c, right-handed in the corners' order: twice the triangle's
// area times its unit normal.
constexpr Vec3 TriangleNormal(const Vec3& a, const Vec3& b, const Vec3& c) {
    return Cross(b - a, c - a);
}

}  // namespace vonnik
