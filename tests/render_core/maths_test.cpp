// Matrix builders, the product, the view builders and the fast transforms.
#include <gtest/gtest.h>

#include <random>

#include "assets/mesh.h"
#include "render_core/helpers.h"

namespace {

constexpr float quarterTurn = static_cast<float>(rendererPi / 2);

TEST(MatrixBuilders, RotationAboutEachAxis)
{
    Matrix4 identity;
    matIdentity(identity);
    for (int axis = 0; axis < 3; ++axis) {
        Matrix4 r;
        matRotate(0, axis, r);
        EXPECT_EQ(maxElementDifference(r, identity), 0) << "axis " << axis;
    }
    Matrix4 r;
    matRotate(quarterTurn, 2, r);  // z: x goes to y
    EXPECT_VEC3_NEAR(plainPoint(r, Vec3{1, 0, 0}), 0, 1, 0, 1e-6);
    matRotate(quarterTurn, 0, r);  // x: y goes to z
    EXPECT_VEC3_NEAR(plainPoint(r, Vec3{0, 1, 0}), 0, 0, 1, 1e-6);
    matRotate(quarterTurn, 1, r);  // y: z goes to x
    EXPECT_VEC3_NEAR(plainPoint(r, Vec3{0, 0, 1}), 1, 0, 0, 1e-6);
    // The bottom row and the axis itself stay untouched.
    matRotate(1.0f, 1, r);
    EXPECT_EQ(r.m[5], 1);
    EXPECT_EQ(r.m[15], 1);
    EXPECT_EQ(r.m[12] + r.m[13] + r.m[14], 0);
    EXPECT_FLOAT_EQ(r.m[0], static_cast<float>(std::cos(1.0)));
    EXPECT_FLOAT_EQ(r.m[2], static_cast<float>(std::sin(1.0)));
}

TEST(MatrixBuilders, TranslateScaleAndDegrees)
{
    Matrix4 t, s;
    matTranslate(1, 2, 3, t);
    matScale(2, 3, 4, s);
    EXPECT_VEC3_NEAR(plainPoint(t, Vec3{1, 1, 1}), 2, 3, 4, 0);
    EXPECT_VEC3_NEAR(plainPoint(s, Vec3{1, 1, 1}), 2, 3, 4, 0);
    EXPECT_EQ(s.m[15], 1);
    // 3.1415926 rather than pi: 180 degrees falls just short of pi.
    EXPECT_EQ(degToRad(180), static_cast<float>(180.0 * 3.1415926 / 180.0));
    EXPECT_LT(degToRad(180), static_cast<float>(M_PI));
    EXPECT_EQ(degToRad(0), 0);
}

TEST(MatrixProduct, RightFactorActsFirstAndAliasingIsSafe)
{
    Matrix4 t, r, tr, rt;
    matTranslate(10, 0, 0, t);
    matRotate(quarterTurn, 2, r);
    matMultiply(t, r, tr);  // rotate, then translate
    matMultiply(r, t, rt);  // translate, then rotate
    EXPECT_VEC3_NEAR(plainPoint(tr, Vec3{1, 0, 0}), 10, 1, 0, 1e-5);
    EXPECT_VEC3_NEAR(plainPoint(rt, Vec3{1, 0, 0}), 0, 11, 0, 1e-5);

    Matrix4 a = t;
    matMultiply(a, r, a);
    EXPECT_EQ(maxElementDifference(a, tr), 0);
}

TEST(MatrixProduct, AccumulatesInFloatFromTheFirstTerm)
{
    // 1 + 2^-24 + 2^-24 - 1: added from k = 0 upward in float the two small terms vanish one by
    // one; in any other order or precision they would survive.
    Matrix4 a{}, b{};
    a.m[0] = 1;
    a.m[1] = 1;
    a.m[2] = 1;
    a.m[3] = -1;
    b.m[0] = 1;
    b.m[4] = std::ldexp(1.0f, -24);
    b.m[8] = std::ldexp(1.0f, -24);
    b.m[12] = 1;
    Matrix4 r;
    matMultiply(a, b, r);
    EXPECT_EQ(r.m[0], 0.0f);
}

TEST(AxisRotation, PrincipalAxesAndPivot)
{
    const Vec3 origin{0, 0, 0};
    for (float angle : {0.3f, 1.0f, -2.5f}) {
        Matrix4 m, expected;
        matAxisRotate(origin, Vec3{0, 0, 1}, angle, m);
        matRotate(angle, 2, expected);
        EXPECT_LT(maxElementDifference(m, expected), 1e-6) << angle;
        matAxisRotate(origin, Vec3{0, 2, 0}, angle, m);
        matRotate(angle, 1, expected);
        EXPECT_LT(maxElementDifference(m, expected), 1e-6) << angle;
        // The x component of the axis is mirrored: axis (1, 0, 0) turns the other way round x.
        matAxisRotate(origin, Vec3{1, 0, 0}, angle, m);
        matRotate(-angle, 0, expected);
        EXPECT_LT(maxElementDifference(m, expected), 1e-6) << angle;
    }

    const Vec3 pivot{5, -3, 7};
    const Vec3 axis{0.3f, 0.5f, -0.8f};
    Matrix4 m;
    matAxisRotate(pivot, axis, 1.2f, m);
    EXPECT_VEC3_NEAR(plainPoint(m, pivot), 5, -3, 7, 1e-5);
    // Points on the line through the pivot along (-x, y, z) stay in place; others move.
    const Vec3 onLine{pivot.x - 2 * axis.x, pivot.y + 2 * axis.y, pivot.z + 2 * axis.z};
    EXPECT_LT(distanceOf(plainPoint(m, onLine), onLine), 1e-5);
    const Vec3 offLine{pivot.x + 2 * axis.x, pivot.y + 2 * axis.y, pivot.z + 2 * axis.z};
    EXPECT_GT(distanceOf(plainPoint(m, offLine), offLine), 0.1);
    // Distances from the pivot are kept.
    const Vec3 p{1, 2, 3};
    EXPECT_NEAR(distanceOf(plainPoint(m, p), pivot), distanceOf(p, pivot), 1e-4);
}

class ViewTest : public ::testing::Test {
protected:
    void SetUp() override { resetProjection(); }
};

TEST_F(ViewTest, OrbitViewPutsTheCentreOnTheAxis)
{
    const float d = static_cast<float>(projection.projectionDistance);
    Matrix4 m;
    orbitView(Vec3{0, 0, -50}, Vec3{0, 0, 0}, m);
    EXPECT_VEC3_NEAR(plainPoint(m, Vec3{0, 0, 0}), 0, 0, 50 - d, 1e-4);

    std::mt19937 rng(7);
    std::uniform_real_distribution<float> coord(-300, 300);
    for (int n = 0; n < 50; ++n) {
        const Vec3 a{coord(rng), coord(rng), coord(rng)};
        const Vec3 b{coord(rng), coord(rng), coord(rng)};
        const float length = distanceOf(a, b);
        orbitView(a, b, m);
        const float tolerance = 2e-4f * (length + 300);
        EXPECT_VEC3_NEAR(plainPoint(m, b), 0, 0, length - d, tolerance);
        EXPECT_VEC3_NEAR(plainPoint(m, Vec3{a.x, 2 * b.y - a.y, a.z}), 0, 0, 2 * length - d,
                         tolerance);
    }
}

TEST_F(ViewTest, CameraViewMapsEyeAndTarget)
{
    const float d = static_cast<float>(projection.projectionDistance);
    std::mt19937 rng(11);
    std::uniform_real_distribution<float> coord(-300, 300);
    for (int n = 0; n < 50; ++n) {
        const Vec3 e{coord(rng), coord(rng), coord(rng)};
        const Vec3 t{coord(rng), coord(rng), coord(rng)};
        Matrix4 m;
        cameraView(Vec3{-e.x, e.y, -e.z}, Vec3{-t.x, t.y, -t.z}, 0, m);
        const float tolerance = 2e-4f * 600;
        EXPECT_VEC3_NEAR(plainPoint(m, t), 0, 0, distanceOf(t, e) - d, tolerance);
        EXPECT_VEC3_NEAR(plainPoint(m, e), 0, 0, -d, tolerance);
    }
    // Roll turns the picture about the view axis: a point right of the axis goes up.
    Matrix4 flat, rolled;
    cameraView(Vec3{0, 0, 0}, Vec3{0, 0, -10}, 0, flat);
    cameraView(Vec3{0, 0, 0}, Vec3{0, 0, -10}, quarterTurn, rolled);
    const Vec3 right = plainPoint(flat, Vec3{1, 0, 10});
    EXPECT_VEC3_NEAR(right, 1, 0, 10 - d, 1e-4);
    EXPECT_VEC3_NEAR(plainPoint(rolled, Vec3{1, 0, 10}), 0, 1, 10 - d, 1e-4);
}

TEST_F(ViewTest, DegenerateInputsStayFinite)
{
    // Eye on the target, and an axis of length zero: no direction, but no NaN either.
    const Vec3 p{3, 4, 5};
    Matrix4 views[3];
    orbitView(p, p, views[0]);
    cameraView(p, p, 0.5f, views[1]);
    matAxisRotate(p, Vec3{0, 0, 0}, 1.0f, views[2]);
    for (const Matrix4& m : views)
        for (float e : m.m)
            EXPECT_TRUE(std::isfinite(e));
}

// A random rigid motion with scale, like an object matrix composed with a view.
Matrix4 randomMatrix(std::mt19937& rng)
{
    std::uniform_real_distribution<float> angle(-3.14f, 3.14f), scale(0.2f, 3), shift(-500, 500);
    Matrix4 r0, r1, r2, s, t, a, b, c, m;
    matRotate(angle(rng), 0, r0);
    matRotate(angle(rng), 1, r1);
    matRotate(angle(rng), 2, r2);
    matScale(scale(rng), scale(rng), scale(rng), s);
    matTranslate(shift(rng), shift(rng), shift(rng), t);
    matMultiply(t, r0, a);
    matMultiply(a, r1, b);
    matMultiply(b, r2, c);
    matMultiply(c, s, m);
    return m;
}

TEST(FastTransform, MatchesThePlainProduct)
{
    std::mt19937 rng(1234);
    std::uniform_real_distribution<float> coord(-1000, 1000), unit(-1, 1);
    for (int n = 0; n < 200; ++n) {
        const Matrix4 m = randomMatrix(rng);
        prepareFastTransform(m);
        EXPECT_EQ(pairProducts.p0, m.m[0] * m.m[1]);
        EXPECT_EQ(pairProducts.p1, m.m[4] * m.m[5]);
        EXPECT_EQ(pairProducts.p2, m.m[8] * m.m[9]);
        for (int k = 0; k < 20; ++k) {
            const Vec3 p{coord(rng), coord(rng), coord(rng)};
            const Vec3 expected = plainPoint(m, p);
            const Vec3 fast = transformPoint(p, m);
            // Within a few float roundings of the largest term of each row.
            const float tolerance = 4e-7f * 3000 * 3 + 4e-7f * 500;
            EXPECT_NEAR(fast.x, expected.x, tolerance);
            EXPECT_NEAR(fast.y, expected.y, tolerance);
            EXPECT_NEAR(fast.z, expected.z, tolerance);

            const Vec3 dir{unit(rng), unit(rng), unit(rng)};
            Matrix4 rotationOnly = m;
            rotationOnly.m[3] = rotationOnly.m[7] = rotationOnly.m[11] = 0;
            const Vec3 expectedDir = plainPoint(rotationOnly, dir);
            const Vec3 fastDir = rotateDirection(dir, m);
            EXPECT_NEAR(fastDir.x, expectedDir.x, 1e-5);
            EXPECT_NEAR(fastDir.y, expectedDir.y, 1e-5);
            EXPECT_NEAR(fastDir.z, expectedDir.z, 1e-5);
        }
    }
}

TEST(FastTransform, RecordsGetPositionAndNormalFields)
{
    std::mt19937 rng(99);
    const Matrix4 m = randomMatrix(rng);
    prepareFastTransform(m);

    MeshVertex v{};
    v.x = 10, v.y = -20, v.z = 30;
    v.sx = 7, v.sy = 8, v.u = 9, v.v = 10;
    v.nx = 0, v.ny = 1, v.nz = 0;
    transformVertex(v, m);
    const Vec3 position = plainPoint(m, Vec3{10, -20, 30});
    EXPECT_NEAR(v.cx, position.x, 1e-3);
    EXPECT_NEAR(v.cy, position.y, 1e-3);
    EXPECT_NEAR(v.cz, position.z, 1e-3);
    // The normal takes the rotation part only: column 1 of the matrix.
    EXPECT_NEAR(v.cnx, m.m[1], 1e-6);
    EXPECT_NEAR(v.cny, m.m[5], 1e-6);
    EXPECT_NEAR(v.cnz, m.m[9], 1e-6);
    EXPECT_EQ(v.sx, 7);
    EXPECT_EQ(v.v, 10);

    MeshFace f{};
    f.nx = 0, f.ny = 0, f.nz = 1;
    rotateFaceNormal(f, m);
    EXPECT_NEAR(f.cnx, m.m[2], 1e-6);
    EXPECT_NEAR(f.cny, m.m[6], 1e-6);
    EXPECT_NEAR(f.cnz, m.m[10], 1e-6);

    MeshLight light{};
    light.x = 10, light.y = -20, light.z = 30;
    light.spriteSlot = 3;
    transformPoint(light, m);
    EXPECT_EQ(light.cx, v.cx);
    EXPECT_EQ(light.cy, v.cy);
    EXPECT_EQ(light.cz, v.cz);
    EXPECT_EQ(light.spriteSlot, 3u);
}

}  // namespace
