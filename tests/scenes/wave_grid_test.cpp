// Wave grid: a whole headless run with its end position, the grid it builds and golden frames,
// and a run whose panel is larger than a block blit can copy.
#include "replaced_data.h"
#include "scene_harness.h"

namespace {

TEST(WaveGrid, WholeRunEndsAtOrder23WithItsGridAndGoldenFrames)
{
    // The scene starts at order 17 row 0, a flash; 800 falls in the flash of order 17 row 32.
    const int32_t times[] = {100, 800, 3000, 6000, 9000, 11000};
    const SceneRunResult run = runSceneHeadless("wave-grid", times, 6);
    EXPECT_EQ(run.exitCode, 0);
    // 18 x 14 vertices, two triangles in each of the 17 x 13 cells.
    EXPECT_EQ(run.report.afterInit.vertexCount, 252);
    EXPECT_EQ(run.report.afterInit.faceCount, 442);
    expectCountsRestored(run);
    EXPECT_EQ(run.report.endOrder, 23u);
    expectGoldenFrames("wave-grid", run);
}

TEST(WaveGrid, APanelWiderThanABlockIsLeftOut)
{
    // 320 wide would wrap to 64 as a byte-sized block width and copy rows of the wrong length.
    std::vector<uint8_t> panel(320 * 200 * 4, 0x60);
    std::string errors;
    const SceneRunResult run =
        runSceneWithFiles("wave-grid", "wave-grid-wide",
                          {{"cosmback.bmp", encodeBmp(panel.data(), 320, 200)}}, errors);
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.report.endOrder, 23u);
    EXPECT_NE(errors.find("wave-grid: cosmback.bmp is larger than 256 x 256"), std::string::npos);
}

}  // namespace
