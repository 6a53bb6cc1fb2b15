// Tunnel: a whole headless run with its end position, light count and golden frames, and a run
// on a tunnel file that holds fewer objects and lights than the scene uses.
#include "replaced_data.h"
#include "scene_harness.h"

#include "writers/write3ds.h"

namespace {

TEST(Tunnel, WholeRunEndsAtOrder17WithGoldenFrames)
{
    const int32_t times[] = {600, 2000, 4000, 6000};
    const SceneRunResult run = runSceneHeadless("tunnel", times, 4);
    EXPECT_EQ(run.exitCode, 0);
    // The run draws eight lights and gives the file's count back.
    expectCountsRestored(run);
    EXPECT_GE(run.report.afterInit.lightCount, 8);
    EXPECT_EQ(run.report.endOrder, 17u);
    EXPECT_GT(run.report.endSceneTime, 6000);
    expectGoldenFrames("tunnel", run);
}

// A ring of two triangles, one per object.
Object3ds triangleObject(const std::string& name, float z)
{
    Object3ds object;
    object.name = name;
    object.vertices = {{100, 0, z}, {0, 100, z}, {-100, 0, z}};
    object.texCoords = {{0, 0}, {1, 0}, {0, 1}};
    object.faces = {{0, 1, 2, 7}};
    object.groups = {{"WALL", {0}}};
    object.hasMatrix = true;
    return object;
}

TEST(Tunnel, AFileWithTwoObjectsAndThreeLightsPlaysWhatItHas)
{
    Scene3ds small;
    small.materials = {{"WALL", "tunwall.jpg"}};
    small.objects = {triangleObject("Floor", -20), triangleObject("Roof", 20)};
    small.lights = {{"L0", {120, 0, 0}}, {"L1", {0, 120, 0}}, {"L2", {-120, 0, 0}}};
    for (const char* name : {"Floor", "Roof"}) {
        Node3ds node;
        node.name = name;
        node.hasPivot = true;
        node.rotation.present = true;
        node.rotation.keys = {Key3ds{}};
        node.rotation.keys[0].value = {0, 0, 0, 1};
        small.nodes.push_back(node);
    }
    std::string errors;
    const SceneRunResult run =
        runSceneWithFiles("tunnel", "tunnel-small", {{"zemtun3.3ds", encode3ds(small)}}, errors);
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.report.endOrder, 17u);
    EXPECT_EQ(run.report.afterRun.lightCount, 3);
    EXPECT_NE(errors.find("tunnel: zemtun3.3ds has fewer than 4 objects"), std::string::npos);
    EXPECT_NE(errors.find("tunnel: zemtun3.3ds has fewer than 8 lights"), std::string::npos);
}

}  // namespace
