// Shared helpers of the renderer core tests: a plain matrix-times-point product to compare with.
#pragma once

#include <cmath>

#include "render/render.h"

// m·(x, y, z, 1) with the nine multiplications written out, in double.
inline Vec3 plainPoint(const Matrix4& m, const Vec3& p)
{
    auto row = [&](int r) {
        return static_cast<float>(static_cast<double>(m.m[4 * r]) * p.x +
                                  static_cast<double>(m.m[4 * r + 1]) * p.y +
                                  static_cast<double>(m.m[4 * r + 2]) * p.z + m.m[4 * r + 3]);
    };
    return Vec3{row(0), row(1), row(2)};
}

inline float distanceOf(const Vec3& a, const Vec3& b)
{
    return static_cast<float>(std::sqrt(static_cast<double>(a.x - b.x) * (a.x - b.x) +
                                        static_cast<double>(a.y - b.y) * (a.y - b.y) +
                                        static_cast<double>(a.z - b.z) * (a.z - b.z)));
}

inline float maxElementDifference(const Matrix4& a, const Matrix4& b)
{
    float worst = 0;
    for (int i = 0; i < 16; ++i)
        worst = std::fmax(worst, std::fabs(a.m[i] - b.m[i]));
    return worst;
}

#define EXPECT_VEC3_NEAR(actual, ex, ey, ez, tolerance) \
    do {                                                \
        const Vec3 v_ = (actual);                       \
        EXPECT_NEAR(v_.x, (ex), (tolerance));           \
        EXPECT_NEAR(v_.y, (ey), (tolerance));           \
        EXPECT_NEAR(v_.z, (ez), (tolerance));           \
    } while (0)
