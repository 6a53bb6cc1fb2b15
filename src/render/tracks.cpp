// Keyframe tracks: Kochanek–Bartels splines with 3D Studio's easing, the camera path, light and
// object tracks.
#include <cstdint>

#include "assets/mesh.h"
#include "render/render.h"

// The first segment i with frame[i] <= t < frame[i + 1], or -1 when t lies before the first key
// or at or after the last one (the track then holds the last key's value).
template <typename Key>
static int findSegment(const Key* keys, int count, float t)
{
    for (int i = 0; i + 1 < count; ++i) {
        if (static_cast<float>(keys[i].frame) <= t && t < static_cast<float>(keys[i + 1].frame))
            return i;
    }
    return -1;
}

template <typename Key>
static float segmentFraction(const Key* keys, int i, float t)
{
    // The frame difference in 64 bits: frames come from the file as any 32-bit value.
    const int64_t span = static_cast<int64_t>(keys[i + 1].frame) - keys[i].frame;
    return (t - static_cast<float>(keys[i].frame)) / static_cast<float>(span);
}

float easeTime(float u, float easeFrom, float easeTo)
{
    float a = easeFrom;
    float b = easeTo;
    const float s = a + b;
    if (s == 0)
        return u;
    if (s > 1) {
        a = a / s;
        b = b / s;
    }
    const float k = 1 / (2 - a - b);
    if (u < a)
        return (k / a) * u * u;
    if (u < 1 - b)
        return k * (2 * u - a);
    if (b == 0)
        return 1;  // u = 1 exactly with no ease-to: the curve's end, not 0/0
    return 1 - (k / b) * (1 - u) * (1 - u);
}

float tcbValue(const TcbSegment& s, float u)
{
    float r1 = s.p2 - s.p1;
    if (s.hasPrevious) {
        const float g = (s.p1 - s.p0) * (1 + s.bias1);
        const float h = (s.p2 - s.p1) * (1 - s.bias1);
        r1 = (g + 0.5f * (h - g) * (1 - s.continuity1)) * (1 - s.tension1);
    }
    float r2 = s.p2 - s.p1;
    if (s.hasNext) {
        const float g = (s.p2 - s.p1) * (1 + s.bias2);
        const float h = (s.p3 - s.p2) * (1 - s.bias2);
        r2 = (g + 0.5f * (h - g) * (1 + s.continuity2)) * (1 - s.tension2);
    }
    const float u2 = u * u;
    const float u3 = u2 * u;
    return s.p1 * (2 * u3 - 3 * u2 + 1) + r1 * (u3 - 2 * u2 + u) + s.p2 * (-2 * u3 + 3 * u2) +
           r2 * (u3 - u2);
}

// The spline parameters of keys i and i + 1 and which neighbours exist; values are filled by
// the caller per component.
template <typename Key>
static TcbSegment segmentShape(const Key* keys, int count, int i)
{
    TcbSegment s{};
    s.tension1 = keys[i].tension;
    s.continuity1 = keys[i].continuity;
    s.bias1 = keys[i].bias;
    s.tension2 = keys[i + 1].tension;
    s.continuity2 = keys[i + 1].continuity;
    s.bias2 = keys[i + 1].bias;
    s.hasPrevious = i > 0;
    s.hasNext = i + 2 < count;
    return s;
}

// One component of a track at segment i and eased time u; `value` picks the component of a key.
template <typename Key, typename Value>
static float componentAt(const Key* keys, int count, int i, float u, Value value)
{
    TcbSegment s = segmentShape(keys, count, i);
    s.p1 = value(keys[i]);
    s.p2 = value(keys[i + 1]);
    s.p0 = s.hasPrevious ? value(keys[i - 1]) : 0;
    s.p3 = s.hasNext ? value(keys[i + 2]) : 0;
    return tcbValue(s, u);
}

// A position track at t in the key's axis order: the last key's value outside every segment,
// the origin for an empty track.
static Vec3 positionAt(const TrackKey* keys, int count, float t)
{
    if (count <= 0 || keys == nullptr)
        return Vec3{0, 0, 0};
    const int i = findSegment(keys, count, t);
    if (i < 0)
        return Vec3{keys[count - 1].x, keys[count - 1].y, keys[count - 1].z};
    const float u = easeTime(segmentFraction(keys, i, t), keys[i].easeFrom, keys[i + 1].easeTo);
    return Vec3{componentAt(keys, count, i, u, [](const TrackKey& k) { return k.x; }),
                componentAt(keys, count, i, u, [](const TrackKey& k) { return k.y; }),
                componentAt(keys, count, i, u, [](const TrackKey& k) { return k.z; })};
}

// Roll in degrees; 0 for an empty track.
static float rollAt(const RollKey* keys, int count, float t)
{
    if (count <= 0 || keys == nullptr)
        return 0;
    if (count == 1)
        return keys[0].roll;
    const int i = findSegment(keys, count, t);
    if (i < 0)
        return keys[count - 1].roll;
    const float u = easeTime(segmentFraction(keys, i, t), keys[i].easeFrom, keys[i + 1].easeTo);
    return componentAt(keys, count, i, u, [](const RollKey& k) { return k.roll; });
}

void evalCameraView(float t, Matrix4& view)
{
    // Keys are in the file's axes (z up): the engine takes (x, z, y).
    const Vec3 e = positionAt(mesh.cameraKeys, mesh.cameraKeyCount, t);
    const Vec3 g = positionAt(mesh.targetKeys, mesh.targetKeyCount, t);
    const Vec3 eye{e.x, e.z, e.y};
    const Vec3 target{g.x, g.z, g.y};
    const float roll = degToRad(rollAt(mesh.rollKeys, mesh.rollKeyCount, t));
    cameraView(Vec3{-eye.x, eye.y, -eye.z}, Vec3{-target.x, target.y, -target.z}, roll, view);
}

void evalLightTrack(MeshLight& light, float t)
{
    if (light.keyCount <= 1)
        return;
    const Vec3 p = positionAt(light.keys, light.keyCount, t);
    light.x = p.x;
    light.y = p.z;
    light.z = p.y;
}

Vec3 evalPositionTrack(const MeshObject& object, float t)
{
    return positionAt(object.positionKeys, object.positionKeyCount, t);
}

AxisAngle evalRotationTrack(MeshObject& object, float t)
{
    const int count = object.rotationKeyCount;
    const RotationKey* keys = object.rotationKeys;
    if (count <= 0 || keys == nullptr)
        return AxisAngle{{0, 0, 0}, 0};
    if (count == 1)
        return AxisAngle{{keys[0].axisX, keys[0].axisY, keys[0].axisZ}, keys[0].angle};

    const int found = findSegment(keys, count, t);
    const int i = found < 0 ? count - 1 : found;
    // Keys are relative and time only moves forward: the newest key passed is added once to the
    // accumulated rotation. Keys skipped by a large time step are not applied.
    if (i > object.currentRotationKey) {
        const RotationKey& k = keys[i];
        Matrix4 rk;
        matAxisRotate(Vec3{object.pivotX, object.pivotY, object.pivotZ},
                      Vec3{-k.axisX, k.axisZ, k.axisY}, k.angle, rk);
        Matrix4 accumulated;
        matMultiply(rk, object.rotationMatrix, accumulated);
        object.rotationMatrix = accumulated;
        object.currentRotationKey = i;
    }
    if (i == count - 1)
        return AxisAngle{{keys[i].axisX, keys[i].axisY, keys[i].axisZ}, keys[i].angle};

    // The rest of the way toward key i + 1, on a plain (unshaped, uneased) spline.
    const float u = segmentFraction(keys, i, t);
    const bool hasPrevious = i > 0;
    const bool hasNext = i + 2 < count;
    auto axisComponent = [&](float RotationKey::*field) {
        TcbSegment s{};
        s.p0 = keys[i].*field;
        s.p1 = keys[i + 1].*field;
        s.p2 = keys[i + 1].*field;
        s.p3 = hasNext ? keys[i + 2].*field : 0;
        s.hasPrevious = hasPrevious;
        s.hasNext = hasNext;
        return tcbValue(s, u);
    };
    TcbSegment angle{};
    angle.p0 = -keys[i].angle;
    angle.p1 = 0;
    angle.p2 = keys[i + 1].angle;
    angle.p3 = hasNext ? keys[i + 1].angle + keys[i + 2].angle : 0;
    angle.hasPrevious = hasPrevious;
    angle.hasNext = hasNext;
    return AxisAngle{{axisComponent(&RotationKey::axisX), axisComponent(&RotationKey::axisY),
                      axisComponent(&RotationKey::axisZ)},
                     tcbValue(angle, u)};
}
