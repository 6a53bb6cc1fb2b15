// The Tunnel's data as the build packs it: a ring-shaped tube that keeps the camera and the lights
// inside, and the glow added over every frame.
#include "content/packed_data.h"

namespace {

using TunnelData = PackedData;

TEST_F(TunnelData, TunnelIsARingTubeTheCameraAndLightsStayInside)
{
    ASSERT_NO_FATAL_FAILURE(loadMesh("zemtun3.3ds"));
    ASSERT_GE(mesh.objectCount, 4) << "objects 1 to 3 are the shiny parts";
    for (int k = 0; k < mesh.objectCount; ++k) {
        EXPECT_GE(mesh.objects[k].rotationKeyCount, 1) << k;
        for (int f = mesh.objects[k].firstFace; f <= mesh.objects[k].lastFace; ++f)
            ASSERT_NE(mesh.faces[f].texture, nullptr) << k << " " << f;
    }
    EXPECT_GE(mesh.lightCount, 8);
    // The camera circles at radius 105 and looks toward 130 at height 0, the lights at 100 to
    // 140 within 10 of height 0: all inside the wall, which stays round the circle of radius 120.
    const MeshObject& wall = mesh.objects[0];
    for (int v = wall.firstVertex; v <= wall.lastVertex; ++v) {
        const MeshVertex& p = mesh.vertices[v];
        const float fromAxis = std::hypot(std::hypot(p.x, p.z) - 120.0f, p.y);
        ASSERT_GT(fromAxis, 30.0f) << v;
        ASSERT_LT(fromAxis, 60.0f) << v;
    }
    Texture glow = loadTexture("tunback.jpg", 32);
    ASSERT_NE(glow.pixels, nullptr);
    EXPECT_EQ(glow.width, 320);
    EXPECT_EQ(glow.height, 200);
    // Added over every frame: the middle stays black.
    EXPECT_LE(glow.pixels[100 * 320 + 160] & 0xffffff, 0x030303u);
    std::free(glow.pixels);
}

}  // namespace
