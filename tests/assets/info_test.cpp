// zempack info on an archive written by the packer: the summary lines and the failure exits.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>
#include <cstdio>
#include <string>

#include "assets/support.h"
#include "writers/writers.h"

namespace {

// Runs zempack with the arguments; returns its exit code and its standard output and error.
int runZempack(const std::string& arguments, std::string& output)
{
    const std::string command = std::string(V4N_BINARY_DIR) + "/zempack " + arguments + " 2>&1";
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe)
        return -1;
    output.clear();
    char buffer[512];
    while (size_t n = std::fread(buffer, 1, sizeof buffer, pipe))
        output.append(buffer, n);
    const int status = pclose(pipe);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace

TEST(ZempackInfo, SummarisesAMeshAndReportsFailures)
{
    if (access((std::string(V4N_BINARY_DIR) + "/zempack").c_str(), X_OK) != 0)
        GTEST_SKIP() << "zempack not built";
    Scene3ds s;
    s.materials = {{"Wood", "wood.jpg", 0xA200}, {"Gone", "gone.jpg", 0xA200}};
    Object3ds a = lineObject("Crate", 4, {{0, 1, 2, 0}, {1, 2, 3, 0}});
    a.groups = {{"Wood", {0, 1}}};
    s.objects = {a, lineObject("Pole", 3, {{0, 1, 2, 0}})};
    s.lights = {{"Sun", {1, 2, 3}, {1, 1, 1}}};
    Node3ds camera;
    camera.kind = chunkCameraNode;
    camera.name = "Cam";
    camera.position.keys = {Key3ds{}, Key3ds{}};
    camera.position.keys[1].frame = 90;
    s.nodes = {camera};
    std::vector<uint8_t> archive;
    std::string error;
    ASSERT_TRUE(buildArchive({{"scene.3ds", encode3ds(s)}, {"wood.jpg", solidJpeg(0x8000)}},
                             archive, error))
        << error;
    const std::string path =
        std::string(V4N_BINARY_DIR) + "/assets-info-" + std::to_string(getpid()) + ".zem";
    ASSERT_TRUE(writeFileBytes(path, archive));

    std::string out;
    EXPECT_EQ(runZempack("info " + path + " SCENE.3DS", out), 0) << out;
    EXPECT_NE(out.find("2 objects, 7 vertices, 3 faces"), std::string::npos) << out;
    EXPECT_NE(out.find("object 1 \"Pole\": vertices 4-6, faces 2-2"), std::string::npos) << out;
    EXPECT_NE(out.find("material 0 \"Wood\": map \"wood.jpg\"\n"), std::string::npos) << out;
    EXPECT_NE(out.find("material 1 \"Gone\": map \"gone.jpg\" (missing or damaged)"),
              std::string::npos)
        << out;
    EXPECT_NE(out.find("light 0: (1, 3, 2), no position keys"), std::string::npos) << out;
    EXPECT_NE(out.find("camera: 2 position keys (frames 0-90), no target keys, no roll keys"),
              std::string::npos)
        << out;

    EXPECT_EQ(runZempack("info " + path + " other.3ds", out), 1);
    EXPECT_NE(out.find("не могу открыть файл other.3ds."), std::string::npos) << out;
    EXPECT_EQ(runZempack("info " + path, out), 2);
    EXPECT_EQ(runZempack("info " + path + " scene.3ds -x", out), 2);
    unlink(path.c_str());
}
