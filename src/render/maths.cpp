// Matrix builders, the matrix product and the two view builders.
#include "render/render.h"

#include <cmath>
#include <cstring>
#include <initializer_list>

PairProducts pairProducts;

void matIdentity(Matrix4& m)
{
    std::memset(m.m, 0, sizeof m.m);
    m.m[0] = m.m[5] = m.m[10] = m.m[15] = 1;
}

void matTranslate(float a, float b, float c, Matrix4& m)
{
    matIdentity(m);
    m.m[3] = a;
    m.m[7] = b;
    m.m[11] = c;
}

void matScale(float a, float b, float c, Matrix4& m)
{
    std::memset(m.m, 0, sizeof m.m);
    m.m[0] = a;
    m.m[5] = b;
    m.m[10] = c;
    m.m[15] = 1;
}

void matRotate(float angle, int axis, Matrix4& m)
{
    const float c = floatCos(angle);
    const float s = floatSin(angle);
    std::memset(m.m, 0, sizeof m.m);
    m.m[15] = 1;
    m.m[5 * axis] = 1;
    const int i = axis + 1 == 3 ? 0 : axis + 1;
    const int j = i + 1 == 3 ? 0 : i + 1;
    m.m[5 * i] = c;
    m.m[5 * j] = c;
    m.m[4 * i + j] = -s;
    m.m[4 * j + i] = s;
}

void matMultiply(const Matrix4& a, const Matrix4& b, Matrix4& r)
{
    Matrix4 out;
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) {
            float sum = 0;
            for (int k = 0; k < 4; ++k)
                sum += a.m[4 * i + k] * b.m[4 * k + j];
            out.m[4 * i + j] = sum;
        }
    }
    r = out;
}

// Left-to-right product of a chain, each step into a fresh matrix: ((m0·m1)·m2)·...
static Matrix4 chain(std::initializer_list<Matrix4> ms)
{
    const Matrix4* it = ms.begin();
    Matrix4 acc = *it++;
    for (; it != ms.end(); ++it) {
        Matrix4 next;
        matMultiply(acc, *it, next);
        acc = next;
    }
    return acc;
}

static Matrix4 rotation(float angle, int axis)
{
    Matrix4 m;
    matRotate(angle, axis, m);
    return m;
}

static Matrix4 translation(float a, float b, float c)
{
    Matrix4 m;
    matTranslate(a, b, c, m);
    return m;
}

// Length of the (x, z) projection, in double and stored as float.
static float horizontalLength(float x, float z)
{
    return static_cast<float>(std::sqrt(static_cast<double>(x) * x + static_cast<double>(z) * z));
}

static float angleOf(float y, float x)
{
    return floatAtan2(y, x);
}

// T(p)·Ry(-alpha)·Rx(-beta)·Rz(angle)·Rx(beta)·Ry(alpha)·T(-p). Because the yaw is undone on the
// other side from a textbook axis rotation, the result turns about (-a.x, a.y, a.z); the keyframe
// tracks hand over their axes as (-x, z, y) with this in mind, so it stays as it is.
void matAxisRotate(const Vec3& pivot, const Vec3& axis, float angle, Matrix4& m)
{
    const float alpha = angleOf(axis.x, axis.z);
    const float beta = angleOf(axis.y, horizontalLength(axis.x, axis.z));
    m = chain({translation(pivot.x, pivot.y, pivot.z), rotation(-alpha, 1), rotation(-beta, 0),
               rotation(angle, 2), rotation(beta, 0), rotation(alpha, 1),
               translation(-pivot.x, -pivot.y, -pivot.z)});
}

void orbitView(const Vec3& a, const Vec3& b, Matrix4& m)
{
    const Vec3 d{b.x - a.x, b.y - a.y, b.z - a.z};
    const float yaw = angleOf(d.x, -d.z);
    const float pitch = angleOf(d.y, horizontalLength(d.x, d.z));
    const float length = static_cast<float>(std::sqrt(static_cast<double>(d.x) * d.x +
                                                      static_cast<double>(d.y) * d.y +
                                                      static_cast<double>(d.z) * d.z));
    const float distance = static_cast<float>(projection.projectionDistance);
    m = chain({translation(0, 0, length - distance), rotation(pitch, 0), rotation(yaw, 1),
               translation(-b.x, -b.y, -b.z)});
}

void cameraView(const Vec3& eye, const Vec3& target, float roll, Matrix4& m)
{
    const Vec3 d{target.x - eye.x, target.y - eye.y, target.z - eye.z};
    const float yaw = angleOf(d.x, -d.z);
    const float pitch = angleOf(d.y, horizontalLength(d.x, d.z));
    const float distance = static_cast<float>(projection.projectionDistance);
    const Matrix4 w = chain({translation(0, 0, -distance), rotation(pitch, 0), rotation(yaw, 1),
                             translation(eye.x, -eye.y, eye.z)});
    matMultiply(rotation(roll, 2), w, m);
}

float degToRad(float degrees)
{
    return static_cast<float>(static_cast<double>(degrees) * rendererPi * (1.0 / 180.0));
}
