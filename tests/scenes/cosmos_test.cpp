// Cosmos cross-fade: a whole headless run with its end position and golden frames.
#include "scene_harness.h"

namespace {

TEST(Cosmos, WholeRunEndsAtOrder25WithGoldenFrames)
{
    // Picture 0 alone at 0 and 820, picture 1 alone at 410 and 1230, a mix between.
    const int32_t times[] = {400, 820, 1230, 2000};
    const SceneRunResult run = runSceneHeadless("cosmos", times, 4);
    EXPECT_EQ(run.exitCode, 0);
    expectCountsRestored(run);
    EXPECT_EQ(run.report.endOrder, 25u);
    EXPECT_GT(run.report.endSceneTime, 2000);
    expectGoldenFrames("cosmos", run);
}

}  // namespace
