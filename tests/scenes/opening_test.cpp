// Flames and Credits: whole headless runs that end where the music says, with every count back and
// the golden frames, a quit in the middle, and the structure of their data read through the
// engine's own loaders.
#include "scenes/scene_harness.h"

#include "archive/archive.h"
#include "assets/assets.h"
#include "shell/shell.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>

namespace {

// Loads a file of the build's archive through the engine, as a scene's init does.
class OpeningData : public ::testing::Test {
protected:
    void SetUp() override
    {
        resetArchive();
        resetMesh();
        resetPictures();
        ASSERT_EQ(openArchive(V4N_BINARY_DIR "/v4npelva.zem"), 1) << shell.lastMessage;
    }
    void TearDown() override
    {
        resetMesh();
        resetArchive();
    }
    void load(const char* name)
    {
        char message[meshMessageSize];
        ASSERT_EQ(load3ds(name, message), 1) << name << ": " << message;
    }
};

int lastKeyFrame(const TrackKey* keys, int count)
{
    return count > 0 && keys != nullptr ? keys[count - 1].frame : -1;
}

}  // namespace

TEST(FlamesRun, EndsOnCueOneWithLightsRestoredAndItsFrames)
{
    const int32_t times[] = {1600, 4800, 8000, 11200, 14400, 15600};
    const SceneRunResult run = runSceneHeadless("flames", times, 6);
    ASSERT_EQ(run.exitCode, 0);
    expectCountsRestored(run);
    // The loaded twelve torches plus the three circling lights the init added.
    EXPECT_EQ(run.report.afterInit.lightCount, 15);
    // Cue 1 becomes audible with order 2, row 0, about 30.2 s after the first pattern; the run
    // ends at the top of the next frame and clears the cue.
    EXPECT_EQ(run.report.endOrder, 2u);
    EXPECT_EQ(run.report.endRow, 0u);
    EXPECT_EQ(run.report.syncEventAfterRun, 0);
    EXPECT_NEAR(run.report.runTicks, 30232, 60);
    EXPECT_GT(run.report.endSceneTime, 15872 * 0.9f);  // the title has grown in
    expectGoldenFrames("flames", run);
}

TEST(FlamesRun, QuitInTheMiddleStillRestoresTheLightCount)
{
    ProgramOptions options;
    options.scene = 1;
    options.headless = true;
    options.dataDir = V4N_BINARY_DIR;
    options.escapeAfterMs = 3000;
    PlayReport report;
    ASSERT_EQ(playOneScene(options, &report), 0);
    EXPECT_NEAR(report.runTicks, 3000, 40);
    EXPECT_EQ(report.afterRun.lightCount, report.afterInit.lightCount);
    EXPECT_EQ(report.endOrder, 1u);
}

TEST(CreditsRun, EndsAtOrderSevenRowZeroWithItsFrames)
{
    const int32_t times[] = {500, 1100, 2000, 3000, 4000, 4900};
    const SceneRunResult run = runSceneHeadless("credits", times, 6);
    ASSERT_EQ(run.exitCode, 0);
    expectCountsRestored(run);
    EXPECT_EQ(run.report.endOrder, 7u);
    EXPECT_EQ(run.report.endRow, 0u);
    EXPECT_NEAR(run.report.endSceneTime, 5133, 20);
    expectGoldenFrames("credits", run);
}

TEST_F(OpeningData, FlamesHallHoldsWhatTheSceneReliesOn)
{
    load("flames.3ds");
    // Vertex 250 anchors the flare: the crystal's tip in the fire, above the rim at height 80.
    ASSERT_GT(mesh.vertexCount, 250);
    EXPECT_EQ(mesh.vertices[250].x, 0.0f);
    EXPECT_EQ(mesh.vertices[250].y, 112.0f);
    EXPECT_EQ(mesh.vertices[250].z, 0.0f);
    // Lights in three runs, with room for the scene's 3 circling lights and 20 flames.
    EXPECT_GE(mesh.lightCount, 3);
    EXPECT_LE(mesh.lightCount + 23, maxMeshLights);
    // The camera track covers sceneTime / 35 over the whole scene.
    EXPECT_GE(lastKeyFrame(mesh.cameraKeys, mesh.cameraKeyCount), 455);
    EXPECT_GE(lastKeyFrame(mesh.targetKeys, mesh.targetKeyCount), 455);
    // The scene never clears the screen: every face is drawn, so every face has its texture.
    for (int i = 0; i < mesh.faceCount; ++i)
        ASSERT_NE(mesh.faces[i].texture, nullptr) << "face " << i;
    // The brazier's rim, where the flames start, is at height 80.
    float rim = 0;
    for (int i = 0; i < mesh.vertexCount; ++i) {
        const MeshVertex& v = mesh.vertices[i];
        const float r2 = v.x * v.x + v.z * v.z;
        if (r2 > 40 * 40 && r2 < 60 * 60 && v.y < 100)
            rim = std::max(rim, v.y);
    }
    EXPECT_NEAR(rim, 82.0f, 3.0f);
}

TEST_F(OpeningData, LogoIsObjectZeroWithChromeAndTracksOf128Frames)
{
    load("&logo.3ds");
    ASSERT_GE(mesh.objectCount, 1);
    const MeshObject& logo = mesh.objects[0];
    EXPECT_GT(logo.lastFace - logo.firstFace, 100);
    for (int i = logo.firstFace; i <= logo.lastFace; ++i)
        ASSERT_NE(mesh.faces[i].texture, nullptr) << "face " << i;
    EXPECT_EQ(lastKeyFrame(logo.positionKeys, logo.positionKeyCount), 128);
    ASSERT_GT(logo.rotationKeyCount, 1);
    EXPECT_EQ(logo.rotationKeys[logo.rotationKeyCount - 1].frame, 128);
    // Placed through its matrices: they must not collapse it.
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(logo.meshMatrix.m[i], i % 5 == 0 ? 1.0f : 0.0f) << i;
}

TEST_F(OpeningData, CreditCardsAreHalfHeightSpritesWithBlackBorders)
{
    for (const char* name : {"t_zem.jpg", "t_code.jpg", "t_gfx.jpg", "t_music.jpg", "t_kfr.jpg"}) {
        SCOPED_TRACE(name);
        Texture card = loadTexture(name, 32);
        ASSERT_NE(card.pixels, nullptr);
        EXPECT_EQ(card.width, 256);
        EXPECT_EQ(card.height, 128);
        int lit = 0;
        for (int y = 0; y < card.height; ++y)
            for (int x = 0; x < card.width; ++x) {
                const uint32_t p = card.pixels[y * card.width + x];
                if (x == 0 || y == 0 || x == card.width - 1 || y == card.height - 1) {
                    EXPECT_EQ(p & 0xF0F0F0, 0u) << x << "," << y;
                }
                lit += (p & 0xFF) > 0x80 || ((p >> 8) & 0xFF) > 0x80;
            }
        EXPECT_GT(lit, 800);  // real letters, not an empty card
        std::free(card.pixels);
    }
}
