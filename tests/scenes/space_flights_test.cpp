// Space flight and Final flight: whole headless runs with their end rules and golden frames, the
// sky of each file covering every pixel along the camera's path, and the credits strip drawn only
// where it has rows.
#include "replaced_data.h"
#include "scene_harness.h"

#include "archive/archive.h"
#include "display/display.h"

#include <filesystem>

namespace {

TEST(SpaceFlight, WholeRunEndsAtOrder12Row16WithGoldenFrames)
{
    // The first two fall in the lens flare's fifth of the length, the others show the monitor.
    const int32_t times[] = {300, 1400, 2600, 4200, 5800, 7200};
    const SceneRunResult run = runSceneHeadless("space-flight", times, 6);
    EXPECT_EQ(run.exitCode, 0);
    expectCountsRestored(run);
    EXPECT_EQ(run.report.endOrder, 12u);
    EXPECT_GE(run.report.endRow, 16u);
    // The run ends on the music, near its nominal length of 7680.
    EXPECT_GT(run.report.endSceneTime, 7000);
    EXPECT_LT(run.report.endSceneTime, 8400);
    expectGoldenFrames("space-flight", run);
}

TEST(FinalFlight, WholeRunEndsWhenItsTimeReachesTheLength)
{
    const int32_t times[] = {500, 4000, 8000, 12000, 16000};
    const SceneRunResult run = runSceneHeadless("final-flight", times, 5);
    EXPECT_EQ(run.exitCode, 0);
    expectCountsRestored(run);
    // Whatever the music position: the first frame whose time is 16896 or more ends it.
    EXPECT_GE(run.report.endSceneTime, 16896);
    EXPECT_LT(run.report.endSceneTime, 16896 + 40);
    expectGoldenFrames("final-flight", run);
}

// The scenes never clear the screen, so the sky sphere and what lies in front of it must cover
// every pixel in every frame: drawn over a marker colour, no marker is left anywhere along the
// camera's whole path.
class FlightSky : public ::testing::Test {
protected:
    void SetUp() override
    {
        resetArchive();
        resetMesh();
        resetPictures();
        resetSceneState();
        resetProjection();
        pictureState.missingFileExits = false;
        const std::filesystem::path built = std::filesystem::path(V4N_BINARY_DIR) / "v4npelva.zem";
        ASSERT_TRUE(std::filesystem::exists(built));
        ASSERT_EQ(openArchive(built.string().c_str()), 1);
        setFieldOfView(90);
    }
    void TearDown() override
    {
        resetSceneState();
        resetMesh();
        resetArchive();
        resetProjection();
    }

    // Pixels still holding the marker after one frame of the pipeline at frame f.
    static int uncoveredPixels(float f)
    {
        constexpr uint32_t marker = 0x00ff00ffu;
        for (uint32_t& p : frameBuffer.pixels)
            p = marker;
        drawKeyframedFrame(f, 0);
        int uncovered = 0;
        for (uint32_t p : frameBuffer.pixels)
            uncovered += p == marker;
        return uncovered;
    }
};

TEST_F(FlightSky, SpaceFlightCoversTheScreenInEveryFrame)
{
    spaceFlightInit();
    for (int f = 0; f <= 256; f += 4)
        EXPECT_EQ(uncoveredPixels(static_cast<float>(f)), 0) << "frame " << f;
    spaceFlightFree();
}

TEST_F(FlightSky, FinalFlightCoversTheScreenInEveryFrame)
{
    finalFlightInit();
    for (int f = 0; f <= 512; f += 8)
        EXPECT_EQ(uncoveredPixels(static_cast<float>(f)), 0) << "frame " << f;
    finalFlightFree();
}

TEST(FinalFlight, AStripShorterThanItsScrollDrawsOnlyTheRowsItHas)
{
    // 160 x 450: the scroll passes its end at about a third of the scene. A strip narrower than
    // its placement, and one wider than a block can copy, are drawn in full or not at all.
    std::vector<uint8_t> white(160 * 450 * 4, 0xff);
    std::string errors;
    const SceneRunResult shortStrip =
        runSceneWithFiles("final-flight", "final-flight-short",
                          {{"titry2.jpg", encodeJpeg(white.data(), 160, 450, 90)}}, errors);
    EXPECT_EQ(shortStrip.exitCode, 0);
    EXPECT_GE(shortStrip.report.endSceneTime, 16896);

    std::vector<uint8_t> wide(300 * 1100 * 4, 0x80);
    const SceneRunResult wideStrip =
        runSceneWithFiles("final-flight", "final-flight-wide",
                          {{"titry2.jpg", encodeJpeg(wide.data(), 300, 1100, 90)}}, errors);
    EXPECT_EQ(wideStrip.exitCode, 0);
    EXPECT_NE(errors.find("final-flight: titry2.jpg"), std::string::npos) << errors;
}

}  // namespace
