// Disks: a whole headless run with frames before and after the camera turns back, and a mesh with
// fewer than the eighteen disks the scene names.
#include "replaced_data.h"
#include "scene_harness.h"

#include "content/model.h"

namespace {

TEST(Disks, WholeRunEndsAtOrder41WithTheCameraTurnedBack)
{
    // The turn comes at the first frame from half the length, 5888, on; frames at 3000 and 8776
    // see the camera at about the same place of its path (8776 = 2 x 5888 - 3000), the disks (on
    // their own tracks) elsewhere.
    const int32_t times[] = {1000, 3000, 5888, 8776, 11000};
    const SceneRunResult run = runSceneHeadless("disks", times, 5);
    EXPECT_EQ(run.exitCode, 0);
    expectCountsRestored(run);
    EXPECT_EQ(run.report.endOrder, 41u);
    EXPECT_EQ(run.report.endRow, 0u);
    // The show ends the scene before twice the turn time, where the camera time would wrap.
    EXPECT_LT(run.report.endSceneTime, 2 * 5888);
    expectGoldenFrames("disks", run);
}

TEST(Disks, FewerThanEighteenObjectsAndAnUnreadableBackdrop)
{
    Scene3ds few;
    for (int k = 0; k < 3; ++k) {
        Model coin = makeCoin(12, 2, 12);
        translateModel(coin, float(k) * 30 - 30, 0, 0);
        few.objects.push_back(modelObject("Coin" + std::to_string(k), coin, "NONE"));
        few.nodes.push_back(objectNode("Coin" + std::to_string(k), {0, 0, 0},
                                       {positionKey(0, float(k) * 30 - 30, 0, 0)},
                                       {rotationKey(0, 0, 0, 1, 0)}));
    }
    const std::string data =
        makeVariantData("disks-few", {{"disks.3ds", encode3ds(few)}, {"q2.jpg", notAPicture()}});
    std::string errors;
    const SceneRunResult run = runSceneFrom("disks", data, errors);
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.report.endOrder, 41u);
    EXPECT_NE(errors.find("disks: disks.3ds has fewer than 18 objects"), std::string::npos)
        << errors;
}

}  // namespace
