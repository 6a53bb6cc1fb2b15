// The data of Space flight, Tunnel, Wave grid, Cosmos and Final flight as the build packs it,
// loaded through the engine's own loaders: the objects, lights and track lengths the scenes rely
// on, and the picture sizes their blits and face fills read.
#include <gtest/gtest.h>

#include "archive/archive.h"
#include "assets/assets.h"
#include "content/generate.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <set>

namespace {

namespace fs = std::filesystem;

class SpaceTunnelWaveData : public ::testing::Test {
protected:
    void SetUp() override
    {
        resetArchive();
        resetPictures();
        resetMesh();
        pictureState.missingFileExits = false;
        const fs::path built = fs::path(V4N_BINARY_DIR) / "v4npelva.zem";
        if (!fs::exists(built))
            GTEST_SKIP() << "no packed archive in this build";
        ASSERT_EQ(openArchive(built.string().c_str()), 1);
    }
    void TearDown() override
    {
        resetMesh();
        resetArchive();
    }

    void load(const char* name)
    {
        char message[meshMessageSize];
        ASSERT_EQ(load3ds(name, message), 1) << message;
    }
};

int lastKeyFrame(const TrackKey* keys, int count)
{
    return count > 0 ? keys[count - 1].frame : -1;
}

// Every face of every object has a texture, the objects' textures differ from one another where
// the scene gives them different drawing modes, and every object has a rotation track (without
// one the loader leaves the object's accumulated rotation unset).
void expectTexturedObjects(int objects)
{
    ASSERT_EQ(mesh.objectCount, objects);
    for (int k = 0; k < objects; ++k) {
        SCOPED_TRACE(mesh.objectNames[k]);
        const MeshObject& object = mesh.objects[k];
        ASSERT_LE(object.firstFace, object.lastFace);
        for (int f = object.firstFace; f <= object.lastFace; ++f)
            ASSERT_NE(mesh.faces[f].texture, nullptr) << f;
        EXPECT_GE(object.rotationKeyCount, 1);
        EXPECT_GE(object.positionKeyCount, 1);
    }
}

// The camera and its target are keyframed up to the scene's last frame.
void expectCameraUntil(int frame)
{
    EXPECT_GE(lastKeyFrame(mesh.cameraKeys, mesh.cameraKeyCount), frame);
    EXPECT_GE(lastKeyFrame(mesh.targetKeys, mesh.targetKeyCount), frame);
    EXPECT_GE(mesh.rollKeyCount, 1);
}

TEST_F(SpaceTunnelWaveData, SpaceFlightMeshHasItsSixObjectsLightsAndWholeTracks)
{
    ASSERT_NO_FATAL_FAILURE(load("space1.3ds"));
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

TEST_F(SpaceTunnelWaveData, FinalFlightMeshAndCreditsStrip)
{
    ASSERT_NO_FATAL_FAILURE(load("space2.3ds"));
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

TEST_F(SpaceTunnelWaveData, TunnelIsARingTubeTheCameraAndLightsStayInside)
{
    ASSERT_NO_FATAL_FAILURE(load("zemtun3.3ds"));
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

// The mean difference between a picture's column 0 and column 255 (and row 0 and row 255), next
// to the mean difference between neighbouring columns inside: a tiling texture meets itself.
double seamRatio(const Texture& t)
{
    auto diff = [&](int x0, int y0, int x1, int y1) {
        const uint32_t a = t.pixels[y0 * t.width + x0], b = t.pixels[y1 * t.width + x1];
        double d = 0;
        for (int s = 0; s < 24; s += 8)
            d += std::abs(int((a >> s) & 255) - int((b >> s) & 255));
        return d;
    };
    double seam = 0, inside = 0;
    for (int i = 0; i < 256; ++i) {
        seam += diff(255, i, 0, i) + diff(i, 255, i, 0);
        inside += diff(127, i, 128, i) + diff(i, 127, i, 128);
    }
    return seam / std::max(1.0, inside);
}

TEST_F(SpaceTunnelWaveData, WaveGridTexturesTileAndThePanelKeepsExactBlack)
{
    for (const char* name : {"freetun8.jpg", "rubbb1.jpg", "freetun7.jpg", "freetun3.jpg"}) {
        SCOPED_TRACE(name);
        Texture t = loadTexture(name, 32);
        ASSERT_NE(t.pixels, nullptr);
        ASSERT_EQ(t.width, 256);
        ASSERT_EQ(t.height, 256);
        EXPECT_LT(seamRatio(t), 2.5) << "every grid cell shows a whole picture: it must tile";
        std::free(t.pixels);
    }
    Texture panel = loadTexture("cosmback.bmp", 32);
    ASSERT_NE(panel.pixels, nullptr);
    EXPECT_LE(panel.width, 256);
    EXPECT_LE(panel.height, 200);
    // The window in the middle is exactly 0 (transparent); the frame at the edges never is.
    EXPECT_EQ(panel.pixels[(panel.height / 2) * panel.width + panel.width / 2], 0u);
    for (int x = 0; x < panel.width; ++x) {
        EXPECT_NE(panel.pixels[x] & 0xffffff, 0u) << x;
        EXPECT_NE(panel.pixels[(panel.height - 1) * panel.width + x] & 0xffffff, 0u) << x;
    }
    std::free(panel.pixels);
}

TEST_F(SpaceTunnelWaveData, CosmosPicturesAreTwoLightsOfOneScreen)
{
    Texture a = loadTexture("cosmo2.jpg", 32);
    Texture b = loadTexture("cosmo24.jpg", 32);
    ASSERT_NE(a.pixels, nullptr);
    ASSERT_NE(b.pixels, nullptr);
    EXPECT_EQ(a.width, 320);
    EXPECT_EQ(a.height, 200);
    EXPECT_EQ(b.width, 320);
    EXPECT_EQ(b.height, 200);
    int differing = 0;
    for (int i = 0; i < 64000; ++i)
        differing += (a.pixels[i] & 0xffffff) != (b.pixels[i] & 0xffffff);
    EXPECT_GT(differing, 32000);
    std::free(a.pixels);
    std::free(b.pixels);
}

}  // namespace
