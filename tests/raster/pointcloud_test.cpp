// The random point cloud kept behind the mesh's vertices.
#include <gtest/gtest.h>

#include "assets/mesh.h"
#include "raster_test.h"
#include "render/draw.h"
#include "render/render.h"

TEST(PointCloud, PlacesTransformsAndDrawsPoints)
{
    resetProjection();
    resetPointCloud();
    resetRandom();
    mesh.vertexCount = 10;
    addPointCloud();
    EXPECT_EQ(mesh.vertexCount, 10);  // the count itself is not changed
    EXPECT_EQ(pointCloud.first, 10);
    ASSERT_EQ(pointCloud.count, 100);
    resetRandom();
    for (int k = 0; k < 100; k++) {
        const MeshVertex& p = mesh.vertices[10 + k];
        EXPECT_EQ(p.x, static_cast<float>(140 - nextRandom() / 100));
        EXPECT_EQ(p.y, static_cast<float>(140 - nextRandom() / 100));
        EXPECT_EQ(p.z, static_cast<float>(140 - nextRandom() / 100));
        EXPECT_GE(p.x, -187.0f);
        EXPECT_LE(p.x, 140.0f);
    }
    EXPECT_EQ(mesh.vertices[10].x, 140.0f - 168);  // first value 16838 / 100

    Matrix4 shift;
    matTranslate(5, -3, 20, shift);
    prepareFastTransform(shift);
    transformPointCloud(shift);
    const MeshVertex& p = mesh.vertices[10];
    EXPECT_FLOAT_EQ(p.cx, p.x + 5);
    EXPECT_FLOAT_EQ(p.cy, p.y - 3);
    EXPECT_FLOAT_EQ(p.cz, p.z + 20);

    // Put the first point at screen (50.7, 60.2) and the others out of view.
    for (int k = 0; k < 100; k++)
        mesh.vertices[10 + k].cx = 1000;
    MeshVertex& q = mesh.vertices[10];
    q.cx = 50.7f - 160;
    q.cy = 100 - 60.2f;
    q.cz = 0;
    GuardedBuffer buffer;
    drawPointCloud(buffer.pixels());
    EXPECT_EQ(buffer.at(51, 61), 0x00808080u);  // centre of the point at (50, 60)
    EXPECT_EQ(buffer.at(51, 60), 0x00004040u);
    int lit = 0;
    for (int i = 0; i < viewPixels; i++)
        lit += buffer.pixels()[i] != 0;
    EXPECT_EQ(lit, 5);

    // Near the end of the vertex table only the points that fit are placed.
    mesh.vertexCount = maxMeshVertices - 30;
    addPointCloud();
    EXPECT_EQ(pointCloud.first, maxMeshVertices - 30);
    EXPECT_EQ(pointCloud.count, 30);
    mesh.vertexCount = maxMeshVertices;
    addPointCloud();
    EXPECT_EQ(pointCloud.count, 0);
    drawPointCloud(buffer.pixels());
    resetPointCloud();
    mesh.vertexCount = 0;
}
