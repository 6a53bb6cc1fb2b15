// Sun and code: a whole headless run, its golden frames, and the strip and corner picture when
// the data does not hold what the scene reads.
#include "replaced_data.h"
#include "scene_harness.h"

namespace {

TEST(SunCode, WholeRunEndsAtOrder33WithLightsAndStripPutBack)
{
    const int32_t times[] = {1000, 1497, 4000, 8000, 11000};
    const SceneRunResult run = runSceneHeadless("sun-code", times, 5);
    EXPECT_EQ(run.exitCode, 0);
    // The twenty spiral lights are gone again; the strip's pointer is back, or the free would
    // release the wrong block (ASan reports that).
    expectCountsRestored(run);
    EXPECT_EQ(run.report.afterRun.lightCount, 4);
    EXPECT_EQ(run.report.endOrder, 33u);
    EXPECT_EQ(run.report.endRow, 0u);
    EXPECT_LT(run.report.endSceneTime, 11776);
    expectGoldenFrames("sun-code", run);
}

TEST(SunCode, StripRowIsTheTimeDivThreeAndStartsOverAtRow499)
{
    // In 32-bit floats 1497 x 0.33333333 rounds to 499, which starts over at 0; in double it is
    // 498.99999950 and would show row 498 again.
    EXPECT_EQ(codeStripRow(1497), 0);
    EXPECT_EQ(codeStripRow(1496), 498);
    EXPECT_EQ(codeStripRow(1500), 1);
    // Every multiple of 3 starts a new row: the float product is never a hair below it.
    for (int32_t t = 0; t < 12000; ++t)
        ASSERT_EQ(codeStripRow(t), t / 3 % 499) << "t = " << t;
}

TEST(SunCode, QuitMidRunTakesTheSpiralLightsAway)
{
    // Escape 8 s in (about sceneTime 4200): the run returns at its next loop test with the light
    // count and the strip's pointer put back as after a whole run.
    const SceneRunResult run = runSceneEscaping("sun-code", 8000);
    EXPECT_EQ(run.exitCode, 0);
    expectCountsRestored(run);
    EXPECT_LT(run.report.endOrder, 33u);
    EXPECT_GT(run.report.endSceneTime, 3000);
}

TEST(SunCode, ShortStripAndWideCornerPictureAreReadOnlyWhereTheyExist)
{
    // A strip of 300 rows can show rows 0 to 100 only; a corner picture over 256 wide cannot be
    // blitted at all. The scene plays on, says so, and reads nothing outside either picture.
    const std::string data = makeVariantData(
        "sun-code-short",
        {{"mmxcode.jpg", patternJpeg(100, 300)}, {"nsun.jpg", patternJpeg(300, 40)}});
    std::string errors;
    const SceneRunResult run = runSceneFrom("sun-code", data, errors);
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.report.endOrder, 33u);
    EXPECT_NE(errors.find("sun-code: mmxcode.jpg has fewer than 698 rows"), std::string::npos)
        << errors;
    EXPECT_NE(errors.find("sun-code: nsun.jpg is not at most 256 x 200"), std::string::npos)
        << errors;
}

}  // namespace
