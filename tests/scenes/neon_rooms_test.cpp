// The neon rooms played headless: Computer and Mother from init to free with their golden frames,
// the structure of their meshes and pictures, and runs on data that lacks what they rely on.
#include "replaced_data.h"

#include "archive/archive.h"
#include "content/scene_neon_rooms.h"
#include "writers/write3ds.h"
#include "writers/writers.h"

#include <algorithm>

namespace {

// Opens the built archive for loading files by hand.
void openBuiltArchive()
{
    resetArchive();
    resetPictures();
    resetMesh();
    ASSERT_EQ(openArchive((std::string(V4N_BINARY_DIR) + "/v4npelva.zem").c_str()), 1);
}

void loadBuiltMesh(const char* name)
{
    openBuiltArchive();
    char message[meshMessageSize];
    ASSERT_EQ(load3ds(name, message), 1) << message;
}

struct Size {
    int32_t width, height;
};
Size pictureSize(const char* name)
{
    Texture t = loadTexture(name, 32);
    std::free(t.pixels);
    return {t.width, t.height};
}

// The camera and every light move over the whole scene: 14848 units at a thirtieth of a frame each.
void expectTracksCoverTheScene()
{
    ASSERT_GE(mesh.cameraKeyCount, 2);
    ASSERT_GE(mesh.targetKeyCount, 2);
    EXPECT_EQ(mesh.cameraKeys[0].frame, 0);
    EXPECT_GE(mesh.cameraKeys[mesh.cameraKeyCount - 1].frame, 495);
    EXPECT_GE(mesh.targetKeys[mesh.targetKeyCount - 1].frame, 495);
    ASSERT_GE(mesh.lightCount, 1);
    ASSERT_LE(mesh.lightCount, 3);
    for (int i = 0; i < mesh.lightCount; ++i)
        EXPECT_GE(mesh.lights[i].keyCount, 2) << "light " << i;
}

// The floor, walls and ceiling (objects first to first + 2) face into the room: (c - a) x (b - a)
// points towards its middle, so the facing test keeps them from inside.
void expectShellFacesInward(int first, float height)
{
    for (int k = first; k < first + 3; ++k)
        for (int f = mesh.objects[k].firstFace; f <= mesh.objects[k].lastFace; ++f) {
            const MeshVertex &a = *mesh.faces[f].a, &b = *mesh.faces[f].b, &c = *mesh.faces[f].c;
            const float ex = c.x - a.x, ey = c.y - a.y, ez = c.z - a.z;
            const float fx = b.x - a.x, fy = b.y - a.y, fz = b.z - a.z;
            const float nx = ey * fz - ez * fy, ny = ez * fx - ex * fz, nz = ex * fy - ey * fx;
            ASSERT_GT(nx * -a.x + ny * (height / 2 - a.y) + nz * -a.z, 0.0f)
                << "object " << k << " face " << f;
        }
}

TEST(Computer, WholeRunEndsAtOrder73)
{
    const int32_t times[] = {1500, 4500, 5900, 7400, 10400, 13400};
    const SceneRunResult run = runSceneHeadless("computer", times, 6);
    EXPECT_EQ(run.exitCode, 0);
    expectCountsRestored(run);
    EXPECT_EQ(run.report.endOrder, 73u);
    expectGoldenFrames("computer", run);
}

TEST(Mother, WholeRunEndsAtOrder83)
{
    const int32_t times[] = {1500, 4500, 7400, 10400, 13400};
    const SceneRunResult run = runSceneHeadless("mother", times, 5);
    EXPECT_EQ(run.exitCode, 0);
    expectCountsRestored(run);
    EXPECT_EQ(run.report.endOrder, 83u);
    expectGoldenFrames("mother", run);
}

TEST(NeonRooms, DataHoldsTheRoomsTracksScreenSignAndPictures)
{
    loadBuiltMesh("comp2.3ds");
    expectTracksCoverTheScene();
    ASSERT_GE(mesh.objectCount, 9);
    // Object 4, the monitor's screen, maps the whole texture; objects 6 to 8, the sign, have faces.
    const MeshObject& screen = mesh.objects[4];
    ASSERT_GE(screen.lastFace, screen.firstFace);
    float lowU = 256, highU = 0, lowV = 256, highV = 0;
    for (int i = screen.firstVertex; i <= screen.lastVertex; ++i) {
        lowU = std::min(lowU, mesh.vertices[i].u);
        highU = std::max(highU, mesh.vertices[i].u);
        lowV = std::min(lowV, mesh.vertices[i].v);
        highV = std::max(highV, mesh.vertices[i].v);
    }
    EXPECT_LE(lowU, 1.0f);
    EXPECT_GE(highU, 255.0f);
    EXPECT_LE(lowV, 1.0f);
    EXPECT_GE(highV, 255.0f);
    for (int k = 6; k <= 8; ++k)
        EXPECT_GE(mesh.objects[k].lastFace, mesh.objects[k].firstFace) << "object " << k;
    expectShellFacesInward(0, 1500);
    free3ds();

    loadBuiltMesh("mother.3ds");
    expectTracksCoverTheScene();
    ASSERT_GE(mesh.objectCount, 5);
    // Every object is placed by its tracks, so each needs its matrix, pivot and both tracks; some
    // of them move.
    int moving = 0;
    for (int k = 0; k < mesh.objectCount; ++k) {
        EXPECT_GE(mesh.objects[k].positionKeyCount, 1) << "object " << k;
        EXPECT_GE(mesh.objects[k].rotationKeyCount, 1) << "object " << k;
        EXPECT_EQ(mesh.objects[k].meshMatrix.m[15], 1.0f) << "object " << k;
        EXPECT_EQ(mesh.objects[k].pivotMatrix.m[15], 1.0f) << "object " << k;
        moving += mesh.objects[k].positionKeyCount >= 2 || mesh.objects[k].rotationKeyCount >= 2;
    }
    EXPECT_GE(moving, 4);
    expectShellFacesInward(1, 1200);
    EXPECT_GE(mesh.objects[0].lastFace, mesh.objects[0].firstFace);
    EXPECT_NE(mesh.faces[mesh.objects[4].firstFace].texture, nullptr);
    free3ds();

    // The sign's two states are face textures; the overlay is 320 wide and tall enough to scroll
    // 300 rows; the panel fits right of column 176 with a dark window where the small frame shows.
    EXPECT_EQ(pictureSize("neonlamp.jpg").width, 256);
    EXPECT_EQ(pictureSize("neonlamp.jpg").height, 256);
    EXPECT_EQ(pictureSize("neonlam2.jpg").width, 256);
    EXPECT_EQ(pictureSize("neonlam2.jpg").height, 256);
    EXPECT_EQ(pictureSize("zorvex1.jpg").width, 320);
    EXPECT_GE(pictureSize("zorvex1.jpg").height, 500);
    Texture panel = loadTexture("bksheme.jpg", 32);
    ASSERT_NE(panel.pixels, nullptr);
    EXPECT_LE(panel.width, 144);
    EXPECT_LE(panel.height, 200);
    uint32_t brightest = 0;
    for (int y = 6; y < 52; ++y)
        for (int x = 62; x < 138 && x < panel.width; ++x) {
            const uint32_t p = panel.pixels[y * panel.width + x];
            brightest = std::max({brightest, p & 255, (p >> 8) & 255, (p >> 16) & 255});
        }
    EXPECT_LE(brightest, 24u);
    std::free(panel.pixels);
    resetMesh();
    resetArchive();
}

TEST(NeonRooms, AShortOverlayAndAFourthLightAreLeftOutWithOneLineEach)
{
    // An overlay of one screen's height would be read 300 rows past its end.
    Canvas canvas = makeCanvas(320, 200, {0.5f, 0.5f, 0.5f});
    const Picture small = finishPicture(canvas, 1);
    Scene3ds room = modelComputerRoom();
    room.lights.push_back({"white", {0, 0, 1200}, {1, 1, 1}});
    std::string errors;
    SceneRunResult run =
        runSceneWithFiles("computer", "computer-short",
                          {{"zorvex1.jpg", encodeJpeg(small.bytes.data(), 320, 200, 90, true)},
                           {"comp2.3ds", encode3ds(room)}},
                          errors);
    EXPECT_EQ(run.exitCode, 0);
    expectCountsRestored(run);
    EXPECT_EQ(run.report.endOrder, 73u);
    EXPECT_EQ(errors,
              "computer: the mesh has more than three lights: only the first three are drawn\n"
              "computer: zorvex1.jpg is not 320 x 500 or more: no overlay\n");

    // A panel wider than the 144 columns right of column 176 is left out.
    canvas = makeCanvas(200, 64, {0.5f, 0.5f, 0.5f});
    const Picture wide = finishPicture(canvas, 1);
    run = runSceneWithFiles("mother", "mother-wide",
                            {{"bksheme.jpg", encodeJpeg(wide.bytes.data(), 200, 64, 90, true)}},
                            errors);
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(errors, "mother: bksheme.jpg is not at most 144 x 200: no panel\n");
}

}  // namespace
