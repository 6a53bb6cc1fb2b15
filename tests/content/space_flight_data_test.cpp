// The data of Space flight and Final flight ("space1.3ds", "space2.3ds", their textures and the
// end credits strip) as the build packs it: the objects, lights and track lengths the scenes rely
// on, and the picture sizes their blits and face fills read.
#include "content/packed_data.h"

#include <set>

#include <algorithm>

namespace {

using SpaceFlightData = PackedData;

TEST_F(SpaceFlightData, SpaceFlightMeshHasItsSixObjectsLightsAndWholeTracks)
{
    ASSERT_NO_FATAL_FAILURE(loadMesh("space1.3ds"));
    expectTexturedObjects(7);
    std::set<const uint32_t*> textures;
    for (int k = 0; k < 6; ++k)
        textures.insert(mesh.faces[mesh.objects[k].firstFace].texture);
    EXPECT_EQ(textures.size(), 6u) << "each of the objects the scene names has its own picture";
    expectCameraUntil(256);
    ASSERT_GE(mesh.lightCount, 1) << "light 0 carries the lens flare";
    for (int i = 0; i < mesh.lightCount; ++i)
        EXPECT_GE(mesh.lights[i].keyCount, 2) << i;

    // Object 0 is the sky: a sphere round every camera key, so that it fills the screen.
    const MeshObject& sky = mesh.objects[0];
    float nearest = 1e30f;
    for (int v = sky.firstVertex; v <= sky.lastVertex; ++v)
        for (int k = 0; k < mesh.cameraKeyCount; ++k) {
            const TrackKey& eye = mesh.cameraKeys[k];
            // Key values are in the file's axes: engine (x, y, z) is file (x, z, y).
            nearest =
                std::min(nearest, std::hypot(mesh.vertices[v].x - eye.x, mesh.vertices[v].y - eye.z,
                                             mesh.vertices[v].z - eye.y));
        }
    EXPECT_GT(nearest, 1000.0f);
}

TEST_F(SpaceFlightData, FinalFlightMeshAndCreditsStrip)
{
    ASSERT_NO_FATAL_FAILURE(loadMesh("space2.3ds"));
    expectTexturedObjects(6);
    expectCameraUntil(512);
    ASSERT_GE(mesh.lightCount, 1);

    // The strip is placed at 320 - width and scrolls 804 rows plus one screen.
    Texture strip = loadTexture("titry2.jpg", 32);
    ASSERT_NE(strip.pixels, nullptr);
    EXPECT_LE(strip.width, 255);
    EXPECT_GE(strip.height, 1004);
    // It rises in from the bottom: the first screen is black, and so are its side borders.
    uint32_t brightest = 0, brightestText = 0;
    int where = 0;
    for (int y = 0; y < strip.height; ++y)
        for (int x = 0; x < strip.width; ++x) {
            const uint32_t p = strip.pixels[y * strip.width + x];
            const uint32_t level = std::max({p & 255, (p >> 8) & 255, (p >> 16) & 255});
            if ((y < 190 || x < 2 || x >= strip.width - 2) && level > brightest) {
                brightest = level;
                where = y * strip.width + x;
            } else
                brightestText = std::max(brightestText, level);
        }
    EXPECT_LE(brightest, 4u) << "at x " << where % strip.width << ", y " << where / strip.width;
    EXPECT_GE(brightestText, 200u);
    std::free(strip.pixels);
}

}  // namespace
