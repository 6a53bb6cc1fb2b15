// Greetings: a whole headless run through more than seventeen card changes, and pictures that do
// not hold what the scene reads.
#include "replaced_data.h"
#include "scene_harness.h"

namespace {

TEST(Greetings, WholeRunEndsAtOrder44)
{
    // Three patterns of 64 rows pass: 24 row groups, so the cards wrap after card 16 before the
    // last frame.
    const int32_t times[] = {300, 1200, 2600, 3500, 4000};
    const SceneRunResult run = runSceneHeadless("greetings", times, 5);
    EXPECT_EQ(run.exitCode, 0);
    expectCountsRestored(run);
    EXPECT_EQ(run.report.endOrder, 44u);
    EXPECT_EQ(run.report.endRow, 0u);
    expectGoldenFrames("greetings", run);
}

TEST(Greetings, ShortStripSmallWarpAndWideFaceAreReadOnlyWhereTheyExist)
{
    // Three whole cards (the strip wraps after them), a warp source smaller than 256 x 256 (no
    // warp), a face picture too wide for the block copy (no faces), a panel that does not decode.
    const std::string data =
        makeVariantData("greetings-short", {{"greetz2.jpg", patternJpeg(128, 100)},
                                            {"greplas.jpg", patternJpeg(128, 128)},
                                            {"gretf2.jpg", patternJpeg(300, 100)},
                                            {"06pet06.jpg", notAPicture()}});
    std::string errors;
    const SceneRunResult run = runSceneFrom("greetings", data, errors);
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.report.endOrder, 44u);
    EXPECT_NE(errors.find("greetings: greetz2.jpg is not 1 to 256 wide with 17 cards"),
              std::string::npos)
        << errors;
    EXPECT_NE(errors.find("greetings: greplas.jpg is not 256 x 256"), std::string::npos) << errors;
    EXPECT_NE(errors.find("greetings: 06pet06.jpg could not be read"), std::string::npos) << errors;
    EXPECT_NE(errors.find("greetings: a face picture is not at most 256 x 200"), std::string::npos)
        << errors;
}

}  // namespace
