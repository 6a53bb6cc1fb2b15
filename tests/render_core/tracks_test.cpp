// Easing, spline segments, camera, light, position and rotation tracks.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <vector>

#include "assets/mesh.h"
#include "render_core/helpers.h"

namespace {

TEST(EaseTime, Cases)
{
    for (float u : {0.0f, 0.25f, 0.7f, 0.99f})
        EXPECT_EQ(easeTime(u, 0, 0), u);
    // Both 0.5: k = 1, a parabola up to the middle and its mirror after it.
    EXPECT_FLOAT_EQ(easeTime(0.25f, 0.5f, 0.5f), 2 * 0.25f * 0.25f);
    EXPECT_FLOAT_EQ(easeTime(0.4f, 0.5f, 0.5f), 2 * 0.4f * 0.4f);
    EXPECT_FLOAT_EQ(easeTime(0.75f, 0.5f, 0.5f), 1 - 2 * 0.25f * 0.25f);
    // A sum above 1 is scaled down to 1: (1, 1) behaves like (0.5, 0.5).
    for (float u : {0.1f, 0.5f, 0.8f})
        EXPECT_EQ(easeTime(u, 1, 1), easeTime(u, 0.5f, 0.5f));
    // Ease from only: slow start, then linear at speed k = 1 / (2 - a), reaching 1 at u = 1.
    EXPECT_FLOAT_EQ(easeTime(0.2f, 0.4f, 0), (1 / 1.6f / 0.4f) * 0.04f);
    EXPECT_FLOAT_EQ(easeTime(0.7f, 0.4f, 0), (1 / 1.6f) * (1.4f - 0.4f));
    EXPECT_FLOAT_EQ(easeTime(1, 0.4f, 0), 1);
    // Continuous where the pieces meet.
    EXPECT_NEAR(easeTime(0.3f - 1e-6f, 0.3f, 0.2f), easeTime(0.3f, 0.3f, 0.2f), 1e-5);
    EXPECT_NEAR(easeTime(0.8f - 1e-6f, 0.3f, 0.2f), easeTime(0.8f, 0.3f, 0.2f), 1e-5);
}

TEST(TcbSpline, SegmentShapes)
{
    TcbSegment s{};
    s.p1 = 10;
    s.p2 = 30;
    // No neighbours: both tangents are the chord, which makes the segment a straight line.
    for (float u : {0.0f, 0.25f, 0.5f, 1.0f})
        EXPECT_FLOAT_EQ(tcbValue(s, u), 10 + 20 * u);
    // With neighbours and zero parameters the tangents are half the neighbour chords.
    s.p0 = 0;
    s.p3 = 60;
    s.hasPrevious = s.hasNext = true;
    EXPECT_FLOAT_EQ(tcbValue(s, 0.5f), 0.5f * 10 + 0.125f * 15 + 0.5f * 30 - 0.125f * 25);
    EXPECT_EQ(tcbValue(s, 0), 10);
    EXPECT_EQ(tcbValue(s, 1), 30);
    // Full tension flattens both tangents.
    s.tension1 = s.tension2 = 1;
    EXPECT_FLOAT_EQ(tcbValue(s, 0.5f), 20);
    // Bias 1 at the first key weighs the incoming chord only: tangent 2·(p1 − p0) / 2.
    s.tension1 = s.tension2 = 0;
    s.bias1 = 1;
    s.hasNext = false;
    EXPECT_FLOAT_EQ(tcbValue(s, 0.5f), 0.5f * 10 + 0.125f * 10 + 0.5f * 30 - 0.125f * 20);
    // Continuity 1 at the first key takes the incoming chord, −1 the outgoing one.
    s.bias1 = 0;
    s.continuity1 = 1;
    EXPECT_FLOAT_EQ(tcbValue(s, 0.5f), 0.5f * 10 + 0.125f * 10 + 0.5f * 30 - 0.125f * 20);
    s.continuity1 = -1;
    EXPECT_FLOAT_EQ(tcbValue(s, 0.5f), 0.5f * 10 + 0.125f * 20 + 0.5f * 30 - 0.125f * 20);
}

TrackKey key(int frame, float x, float y, float z)
{
    TrackKey k{};
    k.frame = frame;
    k.x = x;
    k.y = y;
    k.z = z;
    return k;
}

class Tracks : public ::testing::Test {
protected:
    void SetUp() override
    {
        resetProjection();
        object = MeshObject{};
        matIdentity(object.rotationMatrix);
        object.currentRotationKey = -1;
    }
    void TearDown() override
    {
        mesh.cameraKeys = mesh.targetKeys = nullptr;
        mesh.rollKeys = nullptr;
        mesh.cameraKeyCount = mesh.targetKeyCount = mesh.rollKeyCount = 0;
    }
    // Keys get one zero key past the count, as the loader allocates them.
    void setPositionKeys(std::vector<TrackKey> keys)
    {
        positionKeys = std::move(keys);
        object.positionKeyCount = static_cast<int>(positionKeys.size());
        positionKeys.push_back(TrackKey{});
        object.positionKeys = positionKeys.data();
    }
    void setRotationKeys(std::vector<RotationKey> keys)
    {
        rotationKeys = std::move(keys);
        object.rotationKeyCount = static_cast<int>(rotationKeys.size());
        rotationKeys.push_back(RotationKey{});
        object.rotationKeys = rotationKeys.data();
    }
    MeshObject object;
    std::vector<TrackKey> positionKeys;
    std::vector<RotationKey> rotationKeys;
};

TEST_F(Tracks, TwoKeyPositionTrack)
{
    setPositionKeys({key(10, 0, 100, -50), key(30, 40, 300, 50)});
    EXPECT_VEC3_NEAR(evalPositionTrack(object, 10), 0, 100, -50, 0);
    EXPECT_VEC3_NEAR(evalPositionTrack(object, 20), 20, 200, 0, 1e-4);
    EXPECT_VEC3_NEAR(evalPositionTrack(object, 29.999f), 40, 300, 50, 0.02);
    // At and past the last key, and before the first, the track holds the last key.
    for (float t : {30.0f, 31.0f, 1000.0f, 9.5f}) {
        SCOPED_TRACE(t);
        EXPECT_VEC3_NEAR(evalPositionTrack(object, t), 40, 300, 50, 0);
    }
    // Ease from the first key and ease to the second slow both ends.
    positionKeys[0].easeFrom = 0.5f;
    positionKeys[1].easeTo = 0.5f;
    EXPECT_NEAR(evalPositionTrack(object, 15).x, 40 * 2 * 0.0625f, 1e-4);
    EXPECT_NEAR(evalPositionTrack(object, 20).x, 20, 1e-4);
}

TEST_F(Tracks, MultiKeyPositionTrackAndEdgeCounts)
{
    setPositionKeys({key(0, 0, 0, 0), key(10, 10, 0, 0), key(20, 30, 0, 0), key(30, 60, 5, 0)});
    // At a key's frame the segment that starts there is used with u = 0.
    EXPECT_EQ(evalPositionTrack(object, 10).x, 10);
    EXPECT_EQ(evalPositionTrack(object, 20).x, 30);
    // Middle segment: tangents 15 and 25.
    EXPECT_FLOAT_EQ(evalPositionTrack(object, 15).x, 18.75f);
    // First segment: chord tangent at key 0, (30 − 0)/2 at key 1.
    EXPECT_FLOAT_EQ(evalPositionTrack(object, 5).x, 0.5f * 10 + 0.125f * 10 - 0.125f * 15);
    // Last segment: no key after it, chord tangent at the end.
    EXPECT_FLOAT_EQ(evalPositionTrack(object, 25).x,
                    0.5f * 30 + 0.5f * 60 + 0.125f * 25 - 0.125f * 30);

    setPositionKeys({key(5, 1, 2, 3)});
    EXPECT_VEC3_NEAR(evalPositionTrack(object, 0), 1, 2, 3, 0);
    EXPECT_VEC3_NEAR(evalPositionTrack(object, 50), 1, 2, 3, 0);
    setPositionKeys({});
    EXPECT_VEC3_NEAR(evalPositionTrack(object, 50), 0, 0, 0, 0);
}

TEST_F(Tracks, FramesAcrossTheWholeIntegerRange)
{
    // Frames are read from the file as any 32-bit value; their difference must not overflow.
    setPositionKeys({key(INT32_MIN, 0, 0, 0), key(INT32_MAX, 100, 0, 0)});
    EXPECT_NEAR(evalPositionTrack(object, 0).x, 50, 1e-3);
}

TEST_F(Tracks, LightTrackSwapsAxesAndNeedsTwoKeys)
{
    std::vector<TrackKey> keys{key(0, 1, 2, 3), TrackKey{}};
    MeshLight light{};
    light.x = 7, light.y = 8, light.z = 9;
    light.keys = keys.data();
    light.keyCount = 1;
    evalLightTrack(light, 0);
    EXPECT_EQ(light.x, 7);
    EXPECT_EQ(light.y, 8);
    EXPECT_EQ(light.z, 9);
    keys = {key(0, 1, 2, 3), key(10, 11, 22, 33), TrackKey{}};
    light.keys = keys.data();
    light.keyCount = 2;
    evalLightTrack(light, 5);
    EXPECT_FLOAT_EQ(light.x, 6);
    EXPECT_FLOAT_EQ(light.y, 18);  // file z
    EXPECT_FLOAT_EQ(light.z, 12);  // file y
}

TEST_F(Tracks, CameraViewFollowsEyeTargetAndRoll)
{
    const float d = static_cast<float>(projection.projectionDistance);
    // File axes: (x, y, z) with z up; the engine sees (x, z, y).
    std::vector<TrackKey> eye{key(0, 0, -100, 20), key(100, 50, -100, 60), TrackKey{}};
    std::vector<TrackKey> target{key(0, 10, 30, 0), key(100, 10, 30, 0), TrackKey{}};
    mesh.cameraKeys = eye.data();
    mesh.cameraKeyCount = 2;
    mesh.targetKeys = target.data();
    mesh.targetKeyCount = 2;
    Matrix4 view;
    evalCameraView(50, view);
    const Vec3 eyeEngine{25, 40, -100}, targetEngine{10, 0, 30};
    EXPECT_VEC3_NEAR(plainPoint(view, eyeEngine), 0, 0, -d, 1e-3);
    EXPECT_VEC3_NEAR(plainPoint(view, targetEngine), 0, 0, distanceOf(eyeEngine, targetEngine) - d,
                     1e-3);

    // A single roll key applies at every time: 90 degrees turns the view about its axis.
    Matrix4 unrolled = view;
    std::vector<RollKey> roll(2, RollKey{});
    roll[0].roll = 90;
    mesh.rollKeys = roll.data();
    mesh.rollKeyCount = 1;
    evalCameraView(50, view);
    Matrix4 expected, turn;
    matRotate(degToRad(90), 2, turn);
    matMultiply(turn, unrolled, expected);
    EXPECT_EQ(maxElementDifference(view, expected), 0);
}

TEST_F(Tracks, CameraWithoutKeysIsFinite)
{
    Matrix4 view;
    evalCameraView(10, view);
    for (float e : view.m)
        EXPECT_TRUE(std::isfinite(e));
    // Eye and target both at the origin.
    EXPECT_VEC3_NEAR(plainPoint(view, Vec3{0, 0, 0}), 0, 0, -projection.projectionDistance, 0);
}

RotationKey rotationKey(int frame, float angle, float ax, float ay, float az)
{
    RotationKey k{};
    k.frame = frame;
    k.angle = angle;
    k.axisX = ax;
    k.axisY = ay;
    k.axisZ = az;
    return k;
}

// The rotation a key adds: about the file axis, handed over as (−x, z, y) about the pivot.
Matrix4 keyRotation(const MeshObject& object, const RotationKey& k)
{
    Matrix4 m;
    matAxisRotate(Vec3{object.pivotX, object.pivotY, object.pivotZ},
                  Vec3{-k.axisX, k.axisZ, k.axisY}, k.angle, m);
    return m;
}

TEST_F(Tracks, RotationKeysAccumulateForwardOnly)
{
    object.pivotX = 1, object.pivotY = 2, object.pivotZ = 3;
    setRotationKeys({rotationKey(0, 0.5f, 0, 0, 1), rotationKey(10, 0.25f, 1, 0, 0),
                     rotationKey(20, 0.75f, 0, 1, 0), rotationKey(30, 1.0f, 0, 0, 1)});
    const Matrix4 r0 = keyRotation(object, rotationKeys[0]);
    const Matrix4 r2 = keyRotation(object, rotationKeys[2]);

    AxisAngle rest = evalRotationTrack(object, 0);
    EXPECT_EQ(object.currentRotationKey, 0);
    EXPECT_EQ(maxElementDifference(object.rotationMatrix, r0), 0);
    // At the start of a segment nothing remains to turn, about the next key's axis.
    EXPECT_EQ(rest.angle, 0);
    EXPECT_VEC3_NEAR(rest.axis, 1, 0, 0, 0);

    // Jumping into segment 2 applies key 2 only; key 1 is skipped for good.
    rest = evalRotationTrack(object, 25);
    EXPECT_EQ(object.currentRotationKey, 2);
    Matrix4 expected;
    matMultiply(r2, r0, expected);
    EXPECT_EQ(maxElementDifference(object.rotationMatrix, expected), 0);
    // Halfway, no key after 3: angle tangents are the chord (1.0) and (1.0 + 0.75)/2.
    EXPECT_FLOAT_EQ(rest.angle, 0.5f * 1.0f + 0.125f * 0.875f - 0.125f * 1.0f);

    // Going back in time applies nothing.
    evalRotationTrack(object, 5);
    EXPECT_EQ(object.currentRotationKey, 2);
    EXPECT_EQ(maxElementDifference(object.rotationMatrix, expected), 0);

    // Past the last key: key 3 is applied once, and its own axis and angle are returned.
    rest = evalRotationTrack(object, 40);
    rest = evalRotationTrack(object, 50);
    EXPECT_EQ(object.currentRotationKey, 3);
    Matrix4 all;
    matMultiply(keyRotation(object, rotationKeys[3]), expected, all);
    EXPECT_EQ(maxElementDifference(object.rotationMatrix, all), 0);
    EXPECT_EQ(rest.angle, 1.0f);
    EXPECT_VEC3_NEAR(rest.axis, 0, 0, 1, 0);
}

TEST_F(Tracks, RotationTrackWithFewKeys)
{
    Matrix4 identity;
    matIdentity(identity);
    setRotationKeys({rotationKey(0, 0.5f, 0.6f, 0, 0.8f)});
    AxisAngle rest = evalRotationTrack(object, 10);
    EXPECT_EQ(rest.angle, 0.5f);
    EXPECT_VEC3_NEAR(rest.axis, 0.6f, 0, 0.8f, 0);
    EXPECT_EQ(object.currentRotationKey, -1);
    EXPECT_EQ(maxElementDifference(object.rotationMatrix, identity), 0);
    setRotationKeys({});
    rest = evalRotationTrack(object, 10);
    EXPECT_EQ(rest.angle, 0);
    EXPECT_VEC3_NEAR(rest.axis, 0, 0, 0, 0);
}

}  // namespace
