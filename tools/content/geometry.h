// The geometry the painters and the modellers share: pi in single precision and a 3-vector with
// its few operations. Every operation is written out component by component in one fixed order,
// so the meshes and pictures built from them come out the same to the bit on every run.
#pragma once

#include <array>
#include <cmath>

constexpr float pi = 3.14159265f;

// A point or direction, in whichever axes the caller works in (engine axes, y up, unless a
// function says it takes the file's, z up).
struct Point3 {
    float x = 0.0f;
    float y = 0.0f;
    float z = 0.0f;
};

inline Point3 operator+(Point3 a, Point3 b)
{
    return {a.x + b.x, a.y + b.y, a.z + b.z};
}
inline Point3 operator-(Point3 a, Point3 b)
{
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}
inline Point3 operator*(Point3 a, float s)
{
    return {a.x * s, a.y * s, a.z * s};
}
inline Point3 operator/(Point3 a, float s)
{
    return {a.x / s, a.y / s, a.z / s};
}
inline float dot(Point3 a, Point3 b)
{
    return a.x * b.x + a.y * b.y + a.z * b.z;
}
inline Point3 cross(Point3 a, Point3 b)
{
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
// a scaled to length 1 (by the reciprocal of its length); the zero vector stays as it is.
inline Point3 unit(Point3 a)
{
    const float l = std::sqrt(dot(a, a));
    return l > 0.0f ? a * (1.0f / l) : a;
}
inline float distance(Point3 a, Point3 b)
{
    return std::hypot(a.x - b.x, a.y - b.y, a.z - b.z);
}

// The same point in the 3D Studio file's axes (z up) as a vertex of the writer's records: engine
// y and z trade places.
inline std::array<float, 3> fileAxes(Point3 p)
{
    return {p.x, p.z, p.y};
}
