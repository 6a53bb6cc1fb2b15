// Projection, normals of the current mesh, light-map values and point-light intensity.
#include <gtest/gtest.h>

#include <cmath>

#include "assets/mesh.h"
#include "render_core/helpers.h"

namespace {

TEST(Projection, FieldOfViewDistances)
{
    resetProjection();
    EXPECT_EQ(projection.projectionDistance, 386);
    EXPECT_EQ(projection.nearLimit, 10 - 386);
    EXPECT_EQ(projection.screenCentreX, 160);
    EXPECT_EQ(projection.screenCentreY, 100);
    setFieldOfView(90);
    EXPECT_EQ(projection.projectionDistance, 160);
    EXPECT_EQ(projection.nearLimit, -150);
    setFieldOfView(100);
    EXPECT_EQ(projection.projectionDistance, 134);
    setFieldOfView(45);
    EXPECT_EQ(projection.projectionDistance, 386);
    resetProjection();
}

TEST(Projection, ScreenPositions)
{
    resetProjection();
    float sx, sy;
    projectPoint(Vec3{0, 0, 0}, sx, sy);
    EXPECT_EQ(sx, 160);
    EXPECT_EQ(sy, 100);
    projectPoint(Vec3{100, 0, 0}, sx, sy);
    EXPECT_EQ(sx, 260);
    EXPECT_EQ(sy, 100);
    // At z = D the scale is one half; y grows downward on the screen.
    projectPoint(Vec3{100, 40, 386}, sx, sy);
    EXPECT_EQ(sx, 210);
    EXPECT_EQ(sy, 80);

    setFieldOfView(90);
    MeshVertex v{};
    v.cx = -80, v.cy = -60, v.cz = 160;
    projectPoint(v);
    EXPECT_EQ(v.sx, 120);
    EXPECT_EQ(v.sy, 130);
    MeshLight light{};
    light.cx = 32, light.cz = -80;  // nearer than the screen plane: larger
    projectPoint(light);
    EXPECT_EQ(light.sx, 224);
    EXPECT_EQ(light.sy, 100);
    resetProjection();
}

class MeshNormals : public ::testing::Test {
protected:
    void SetUp() override
    {
        mesh.vertexCount = 0;
        mesh.faceCount = 0;
    }
    void TearDown() override
    {
        mesh.vertexCount = 0;
        mesh.faceCount = 0;
    }
    int vertex(float x, float y, float z)
    {
        MeshVertex& v = mesh.vertices[mesh.vertexCount];
        v = MeshVertex{};
        v.x = x, v.y = y, v.z = z;
        return mesh.vertexCount++;
    }
    void face(int a, int b, int c)
    {
        MeshFace& f = mesh.faces[mesh.faceCount++];
        f = MeshFace{};
        f.a = &mesh.vertices[a];
        f.b = &mesh.vertices[b];
        f.c = &mesh.vertices[c];
    }
    static Vec3 normalOf(int i)
    {
        const MeshVertex& v = mesh.vertices[i];
        return Vec3{v.nx, v.ny, v.nz};
    }
};

TEST_F(MeshNormals, FaceNormalsAreUnitAndFollowTheWinding)
{
    face(vertex(0, 0, 0), vertex(0, 3, 0), vertex(3, 0, 0));
    face(vertex(0, 0, 0), vertex(1, 1, 1), vertex(2, 2, 2));  // collinear
    prepareMeshNormals();
    // (c - a) × (b - a) = (3, 0, 0) × (0, 3, 0)
    EXPECT_EQ(mesh.faces[0].nx, 0);
    EXPECT_EQ(mesh.faces[0].ny, 0);
    EXPECT_EQ(mesh.faces[0].nz, 1);
    EXPECT_EQ(mesh.faces[1].nx, 0);
    EXPECT_EQ(mesh.faces[1].ny, 0);
    EXPECT_EQ(mesh.faces[1].nz, 0);
    // The collinear face's vertices have only zero normals to sum: they stay finite (zero).
    EXPECT_VEC3_NEAR(normalOf(4), 0, 0, 0, 0);
}

TEST_F(MeshNormals, SeamCopiesShareOneSmoothNormal)
{
    // Two faces folded along the edge (0,0,0)-(0,1,0), each with its own copies of the edge.
    const int a0 = vertex(0, 0, 0), a1 = vertex(0, 1, 0), a2 = vertex(1, 0, 0);
    const int b0 = vertex(0, 0, 0), b1 = vertex(0, 1, 0), b2 = vertex(0, 0, 1);
    face(a0, a1, a2);  // normal (0, 0, 1)
    face(b0, b2, b1);  // normal (1, 0, 0)
    prepareMeshNormals();
    const float h = static_cast<float>(std::sqrt(0.5));
    for (int i : {a0, a1, b0, b1}) {
        SCOPED_TRACE(i);
        EXPECT_VEC3_NEAR(normalOf(i), h, 0, h, 1e-6);
    }
    EXPECT_VEC3_NEAR(normalOf(a2), 0, 0, 1, 0);
    EXPECT_VEC3_NEAR(normalOf(b2), 1, 0, 0, 0);
}

TEST_F(MeshNormals, GroupingToleranceIsStrict)
{
    const float apart = 0.00001f;
    const int a = vertex(0, 0, 0), near = vertex(0, 0.000009f, 0), far = vertex(apart, 0, 0);
    const int a2 = vertex(1, 0, 0), a3 = vertex(0, 1, 0);
    const int n2 = vertex(0, 0, 1), n3 = vertex(0, 1, 0);
    const int f2 = vertex(0, 0, 1), f3 = vertex(1, 0, 0);
    face(a, a3, a2);     // (c - a) × (b - a) = x × y = z
    face(near, n2, n3);  // y × z = x
    face(far, f3, f2);   // z × x = y, shifted by 0.00001 in x
    prepareMeshNormals();
    const float h = static_cast<float>(std::sqrt(0.5));
    EXPECT_VEC3_NEAR(normalOf(a), h, 0, h, 1e-6);
    EXPECT_VEC3_NEAR(normalOf(near), h, 0, h, 1e-6);
    EXPECT_VEC3_NEAR(normalOf(far), 0, 1, 0, 1e-6);
}

TEST_F(MeshNormals, GroupsCompareWithTheirOpener)
{
    // b is within the tolerance of a, c of b but not of a: c opens a group of its own.
    const float step = 0.000006f;
    const int a = vertex(0, 0, 0), b = vertex(step, 0, 0), c = vertex(2 * step, 0, 0);
    face(a, vertex(0, 0, 1), vertex(0, 1, 0));  // x
    face(b, vertex(1, 0, 0), vertex(0, 0, 1));  // y
    face(c, vertex(0, 1, 0), vertex(1, 0, 0));  // z
    prepareMeshNormals();
    const float h = static_cast<float>(std::sqrt(0.5));
    EXPECT_VEC3_NEAR(normalOf(a), h, h, 0, 1e-6);
    EXPECT_VEC3_NEAR(normalOf(b), h, h, 0, 1e-6);
    EXPECT_VEC3_NEAR(normalOf(c), 0, 0, 1, 1e-6);
}

TEST_F(MeshNormals, OppositeFacesGiveAFiniteNormal)
{
    const int a = vertex(0, 0, 0), b = vertex(0, 1, 0), c = vertex(1, 0, 0);
    face(a, b, c);
    face(a, c, b);
    prepareMeshNormals();
    for (int i : {a, b, c}) {
        const Vec3 n = normalOf(i);
        EXPECT_TRUE(std::isfinite(n.x) && std::isfinite(n.y) && std::isfinite(n.z));
    }
    updateMeshNormals();
    for (int i : {a, b, c}) {
        const Vec3 n = normalOf(i);
        EXPECT_TRUE(std::isfinite(n.x) && std::isfinite(n.y) && std::isfinite(n.z));
    }
}

TEST_F(MeshNormals, UpdateWeighsFacesByAreaWithoutGrouping)
{
    const int shared = vertex(0, 0, 0);
    face(shared, vertex(0, 4, 0), vertex(4, 0, 0));  // area 8, normal z
    face(shared, vertex(0, 0, 1), vertex(0, 1, 0));  // area 1/2, normal x
    const int copy = vertex(0, 0, 0);
    face(copy, vertex(2, 0, 0), vertex(0, 0, 2));  // area 2, normal y, a seam copy of `shared`
    updateMeshNormals();
    const float length = std::sqrt(16.0f * 16.0f + 1.0f);
    EXPECT_VEC3_NEAR(normalOf(shared), 1 / length, 0, 16 / length, 1e-6);
    EXPECT_VEC3_NEAR(normalOf(copy), 0, 1, 0, 1e-6);
    // Face normals stay unnormalised: twice the area.
    EXPECT_EQ(mesh.faces[0].nz, 16);
    EXPECT_EQ(mesh.faces[2].ny, 4);
}

TEST(LightMaps, BordersAndCentre)
{
    fillLightMaps();
    for (int k = 0; k < lightMapSize; ++k) {
        EXPECT_EQ(lightMap[0][k], 64);
        EXPECT_EQ(lightMap[k][0], 64);
        EXPECT_EQ(specularMap[0][k], 0);
        EXPECT_EQ(specularMap[k][0], 0);
    }
    EXPECT_EQ(lightMap[128][128], 255);
    EXPECT_EQ(specularMap[128][128], 192);
    int highest = 0, highestSpecular = 0;
    for (int i = 0; i < lightMapSize; ++i) {
        for (int j = 0; j < lightMapSize; ++j) {
            EXPECT_EQ(lightMap[i][j], lightMap[j][i]);
            highest = std::max<int>(highest, lightMap[i][j]);
            highestSpecular = std::max<int>(highestSpecular, specularMap[i][j]);
        }
    }
    EXPECT_EQ(highest, 255);
    EXPECT_EQ(highestSpecular, 192);
    // The highlight map lies right after the diffuse one in the same block.
    EXPECT_EQ(&lightMap[0][0] + lightMapSize * lightMapSize, &specularMap[0][0]);
    // sin(pi/4)^2 just below 1/2; values from the formula evaluated independently.
    EXPECT_EQ(lightMap[64][64], 87);
    EXPECT_EQ(lightMap[64][128], 131);
    EXPECT_EQ(lightMap[32][200], 66);
    EXPECT_EQ(specularMap[64][64], 0);
    EXPECT_EQ(specularMap[64][128], 11);
    EXPECT_EQ(specularMap[100][140], 108);
}

TEST(Lighting, LightMapCoordinates)
{
    MeshVertex v{};
    float s, t;
    v.cnz = -1;
    lightMapCoords(v, s, t);
    EXPECT_EQ(s, 128);
    EXPECT_EQ(t, 128);
    v.cnx = 1, v.cny = -1;
    lightMapCoords(v, s, t);
    EXPECT_EQ(s, 256);
    EXPECT_EQ(t, 0);
}

// A vertex at distance d along x from the light, its normal pointing at (cosine -1) or away
// from (cosine 1) the light.
float intensityAt(float d, float normalX)
{
    MeshVertex v{};
    v.cx = 10 + d;
    v.cy = 5;
    v.cz = -3;
    v.cnx = normalX;
    return pointLightIntensity(v, Vec3{10, 5, -3});
}

TEST(Lighting, PointLightIntensity)
{
    // Facing the light: 2·(255 − 2d) + 50, full up to d = 76.25, 5 from d = 138.75 on.
    EXPECT_EQ(intensityAt(50, -1), 255);
    EXPECT_EQ(intensityAt(76.25f, -1), 255);
    EXPECT_EQ(intensityAt(80, -1), 240);
    EXPECT_EQ(intensityAt(88.75f, -1), 205);
    EXPECT_EQ(intensityAt(100, -1), 2 * (255 - 200) + 50);
    EXPECT_EQ(intensityAt(130, -1), 2 * (255 - 260) + 50);
    EXPECT_EQ(intensityAt(138.75f, -1), 5);
    EXPECT_EQ(intensityAt(300, -1), 5);
    for (float d : {1.0f, 50.0f, 120.0f, 500.0f})
        EXPECT_EQ(intensityAt(d, 1), 50) << d;
    // Side-on (cosine 0): base + 50.
    MeshVertex side{};
    side.cx = 60;
    side.cny = 1;
    EXPECT_EQ(pointLightIntensity(side, Vec3{0, 0, 0}), 255 - 120 + 50);

    // Light 0 of the mesh is the default light.
    mesh.lights[0].cx = 10, mesh.lights[0].cy = 5, mesh.lights[0].cz = -3;
    MeshVertex v{};
    v.cx = 110, v.cy = 5, v.cz = -3, v.cnx = -1;
    EXPECT_EQ(pointLightIntensity(v), 160);
    mesh.lights[0] = MeshLight{};
}

TEST(Lighting, DegenerateCasesStayInRange)
{
    // The light exactly on the vertex, and a vertex without a normal.
    for (float normalX : {-1.0f, 0.0f, 1.0f}) {
        const float i = intensityAt(0, normalX);
        EXPECT_GE(i, 5);
        EXPECT_LE(i, 255);
    }
    const float zeroNormal = intensityAt(40, 0);
    EXPECT_EQ(zeroNormal, 255 - 80 + 50);
}

}  // namespace
