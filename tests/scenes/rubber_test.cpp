// Rubber: both phases in one headless run (phase 1 on time, the clock reset, phase 2 to order 55),
// and a panorama that is too high and barely wider than the screen.
#include "replaced_data.h"
#include "scene_harness.h"

namespace {

TEST(Rubber, PhaseOneOnTimeThenPhaseTwoFromClockZeroToOrder55)
{
    // 600 and 1500 fall in phase 1 (it lasts 2048 units; the panorama starts after 655); the
    // later times can only be reached in phase 2, whose clock starts again from 0.
    const int32_t times[] = {600, 1500, 2100, 6000, 12000};
    const SceneRunResult run = runSceneHeadless("rubber", times, 5);
    EXPECT_EQ(run.exitCode, 0);
    // The column the init appended stays until the free; the lights are back to the file's.
    expectCountsRestored(run);
    EXPECT_EQ(run.report.endOrder, 55u);
    EXPECT_EQ(run.report.endRow, 0u);
    // The end is measured on phase 2's clock, which began at 0 after phase 1's 2048 units: the
    // two phases together fill the scene's 16384.
    EXPECT_NEAR(run.report.endSceneTime, 16384 - 2048, 300);
    EXPECT_GE(run.capturedAt[0], 600);
    EXPECT_LT(run.capturedAt[1], 2048);
    expectGoldenFrames("rubber", run);
}

TEST(Rubber, QuitInPhaseOneSkipsPhaseTwo)
{
    // Escape 2 s in, within phase 1's 2048 units (3.9 s): the run returns without the clock reset
    // and phase 2, so its last sceneTime is phase 1's.
    const SceneRunResult run = runSceneEscaping("rubber", 2000);
    EXPECT_EQ(run.exitCode, 0);
    expectCountsRestored(run);
    EXPECT_GT(run.report.endSceneTime, 900);
    EXPECT_LT(run.report.endSceneTime, 2048);
    EXPECT_LT(run.report.endOrder, 55u);
}

TEST(Rubber, HighNarrowPanoramaAddsOnlyTheRowsBelowRow50)
{
    // 180 rows would run 30 rows past the FrameBuffer; 400 columns let the window slide 80
    // pixels before it stops for good.
    const std::string data = makeVariantData("rubber-high", {{"cc000.jpg", patternJpeg(400, 180)}});
    std::string errors;
    const SceneRunResult run = runSceneFrom("rubber", data, errors);
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.report.endOrder, 55u);
    EXPECT_NE(errors.find("rubber: cc000.jpg is higher than 150 rows"), std::string::npos)
        << errors;
}

}  // namespace
