// The modelled shapes and the data of Sun and code, Disks, Greetings and Rubber, loaded through
// the engine's own loaders: what each scene relies on (object and light numbers, track lengths,
// picture sizes, where things stand) holds in the files the build packs.
#include <gtest/gtest.h>

#include "archive/archive.h"
#include "assets/assets.h"
#include "content/generate.h"
#include "content/model.h"
#include "packer/packer.h"
#include "render/render.h"
#include "writers/writers.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>

namespace {

namespace fs = std::filesystem;

float distance(const MeshVertex& v, float x, float y, float z)
{
    return std::sqrt((v.x - x) * (v.x - x) + (v.y - y) * (v.y - y) + (v.z - z) * (v.z - z));
}

int lastKeyFrame(const TrackKey* keys, int count)
{
    return count > 0 ? keys[count - 1].frame : -1;
}

class SceneData : public ::testing::Test {
protected:
    void SetUp() override
    {
        resetArchive();
        resetPictures();
        resetMesh();
        pictureState.missingFileExits = false;
    }
    void TearDown() override
    {
        resetMesh();
        resetArchive();
    }

    // The archive the build packed (these tests are built after it).
    static void openBuiltArchive()
    {
        const fs::path built = fs::path(V4N_BINARY_DIR) / "v4npelva.zem";
        ASSERT_EQ(openArchive(built.string().c_str()), 1) << built;
    }

    static void loadMesh(const char* name)
    {
        char message[meshMessageSize];
        ASSERT_EQ(load3ds(name, message), 1) << name << ": " << message;
        prepareMeshNormals();
    }

    static Texture loadSize(const char* name)
    {
        Texture texture = loadTexture(name, 32);
        EXPECT_NE(texture.pixels, nullptr) << name;
        return texture;
    }

    // Every face of the mesh has the texture its drawing mode reads.
    static void expectTexturedFaces()
    {
        for (int i = 0; i < mesh.faceCount; ++i)
            ASSERT_NE(mesh.faces[i].texture, nullptr) << "face " << i;
    }

    // Every object carries both tracks the keyframed placement composes.
    static void expectObjectTracks(int objects, int lastFrame)
    {
        for (int k = 0; k < objects; ++k) {
            SCOPED_TRACE(mesh.objectNames[k]);
            EXPECT_GE(mesh.objects[k].positionKeyCount, 1);
            EXPECT_GE(mesh.objects[k].rotationKeyCount, 1);
            EXPECT_GE(
                lastKeyFrame(mesh.objects[k].positionKeys, mesh.objects[k].positionKeyCount) + 1,
                mesh.objects[k].positionKeyCount > 1 ? lastFrame : 0);
        }
    }
};

// A shape loaded as a one-object file through the engine's loader, with its normals.
void loadShape(const Model& model)
{
    Scene3ds scene;
    scene.objects.push_back(modelObject("Shape", model, "NONE"));
    const fs::path folder = fs::path(V4N_BINARY_DIR) / "test-content" / "shapes";
    fs::create_directories(folder);
    std::vector<uint8_t> archive;
    std::string error;
    ASSERT_TRUE(buildArchive({{"shape.3ds", encode3ds(scene)}}, archive, error)) << error;
    ASSERT_TRUE(writeFileBytes((folder / "shape.zem").string(), archive));
    resetArchive();
    ASSERT_EQ(openArchive((folder / "shape.zem").string().c_str()), 1);
    char message[meshMessageSize];
    ASSERT_EQ(load3ds("shape.3ds", message), 1) << message;
    prepareMeshNormals();
}

// For every face, the loaded face normal points away from the shape's inside, given as the
// nearest inner point to the face's centre.
template <typename Inner>
void expectFacesPointOut(const char* what, Inner inner)
{
    SCOPED_TRACE(what);
    ASSERT_GT(mesh.faceCount, 0);
    for (int i = 0; i < mesh.faceCount; ++i) {
        const MeshFace& f = mesh.faces[i];
        const float cx = (f.a->x + f.b->x + f.c->x) / 3, cy = (f.a->y + f.b->y + f.c->y) / 3,
                    cz = (f.a->z + f.b->z + f.c->z) / 3;
        std::array<float, 3> p = inner(cx, cy, cz);
        const float outward = f.nx * (cx - p[0]) + f.ny * (cy - p[1]) + f.nz * (cz - p[2]);
        ASSERT_GT(outward, 0.0f) << "face " << i;
    }
}

TEST_F(SceneData, ModelledShapesFaceOutwardThroughTheLoader)
{
    // The renderer keeps a face whose normal points toward the eye; a shape wound the wrong way
    // shows only its inside.
    const auto centre = [](float, float, float) { return std::array<float, 3>{0, 0, 0}; };
    loadShape(makeSphere(10, 8, 12));
    expectFacesPointOut("sphere", centre);
    loadShape(makeBox(4, 6, 8));
    expectFacesPointOut("box", centre);
    loadShape(makeCoin(10, 2, 16));
    expectFacesPointOut("coin", centre);
    loadShape(makeTorus(10, 3, 8, 16));
    expectFacesPointOut("torus", [](float x, float, float z) {
        const float r = std::sqrt(x * x + z * z);
        return std::array<float, 3>{x * 10 / r, 0, z * 10 / r};
    });
    loadShape(makeLathe({{5, -10}, {8, 0}, {5, 10}}, 12, 1));
    expectFacesPointOut("lathe", [](float, float y, float) {
        return std::array<float, 3>{0, y, 0};
    });
    Model room = makeLathe({{5, -10}, {5, 10}}, 12, 1);
    flipModel(room);
    loadShape(room);
    expectFacesPointOut("room wall, from inside", [](float x, float y, float z) {
        return std::array<float, 3>{x * 2, y, z * 2};
    });
}

TEST_F(SceneData, SunCodeSystemIsFramedAroundTheSpiral)
{
    openBuiltArchive();
    loadMesh("x2.3ds");
    ASSERT_GE(mesh.objectCount, 2);
    ASSERT_EQ(mesh.lightCount, 4);
    expectTexturedFaces();
    // The scene winds its lights round (0, 80, 0); light 0 lights object 0 from there, and its
    // light fades to nothing at about 125 units, so object 0 stays nearer.
    const MeshLight& star = mesh.lights[0];
    EXPECT_NEAR(star.x, 0, 1);
    EXPECT_NEAR(star.y, 80, 1);
    EXPECT_NEAR(star.z, 0, 1);
    float farthest = 0;
    for (int i = mesh.objects[0].firstVertex; i <= mesh.objects[0].lastVertex; ++i)
        farthest = std::max(farthest, distance(mesh.vertices[i], star.x, star.y, star.z));
    EXPECT_LT(farthest, 125);
    // The sun stays inside the spiral's 20-unit inner radius.
    for (int i = mesh.objects[1].firstVertex; i <= mesh.objects[1].lastVertex; ++i)
        EXPECT_LT(distance(mesh.vertices[i], 0, 80, 0), 20) << i;
    // Light 0 keeps its place (fewer than two keys); the comets move.
    EXPECT_LT(mesh.lights[0].keyCount, 2);
    for (int i = 1; i < 4; ++i)
        EXPECT_GE(mesh.lights[i].keyCount, 2) << i;
    // Tracks cover the scene: frames sceneTime / 23 up to 11776 / 23 = 512.
    EXPECT_GE(lastKeyFrame(mesh.cameraKeys, mesh.cameraKeyCount), 512);
    EXPECT_GE(lastKeyFrame(mesh.targetKeys, mesh.targetKeyCount), 512);
    expectObjectTracks(mesh.objectCount, 512);
    // The eye never enters the spiral of lights.
    for (int i = 0; i < mesh.cameraKeyCount; ++i) {
        const TrackKey& k = mesh.cameraKeys[i];
        EXPECT_GT(std::sqrt(k.x * k.x + (k.z - 80) * (k.z - 80) + k.y * k.y), 70) << "key " << i;
    }

    Texture corner = loadSize("nsun.jpg");
    EXPECT_LE(corner.width, 255);
    EXPECT_LE(corner.height, 200);
    Texture code = loadSize("mmxcode.jpg");
    EXPECT_LE(code.width, 255);
    EXPECT_GE(code.height, 698);
    // The strip repeats after 499 rows, so the jump back to row 0 does not show (JPEG blocks
    // fall differently on the two copies: allow a trace of difference).
    int differing = 0;
    for (int y = 0; y < 200; ++y)
        for (int x = 0; x < code.width; ++x) {
            const uint32_t a = code.pixels[y * code.width + x],
                           b = code.pixels[(y + 499) * code.width + x];
            for (int c = 0; c < 24; c += 8)
                differing += std::abs(int((a >> c) & 255) - int((b >> c) & 255)) > 24;
        }
    EXPECT_LT(differing, code.width * 200 * 3 / 100);
    std::free(corner.pixels);
    std::free(code.pixels);
}

TEST_F(SceneData, DisksAreEighteenMirrorsInTheOrbitsView)
{
    openBuiltArchive();
    loadMesh("disks.3ds");
    ASSERT_GE(mesh.objectCount, 18);
    expectTexturedFaces();
    // Frames sceneTime × 0.05 up to 11776 × 0.05 ≈ 589.
    expectObjectTracks(18, 589);
    // The eye orbits 96 units and more from the origin; the disks (scaled up to 1.4 times) stay
    // well inside that, and their faces map the whole texture.
    float uMin = 256, uMax = 0, vMin = 256, vMax = 0;
    for (int i = 0; i < mesh.objectVertexTotal[17]; ++i) {
        EXPECT_LT(distance(mesh.vertices[i], 0, 0, 0), 65) << i;
        uMin = std::min(uMin, mesh.vertices[i].u);
        uMax = std::max(uMax, mesh.vertices[i].u);
        vMin = std::min(vMin, mesh.vertices[i].v);
        vMax = std::max(vMax, mesh.vertices[i].v);
    }
    EXPECT_LE(uMin, 2);
    EXPECT_GE(uMax, 250);
    EXPECT_LE(vMin, 2);
    EXPECT_GE(vMax, 250);
}

TEST_F(SceneData, GreetingsPicturesFitThePanel)
{
    openBuiltArchive();
    loadMesh("backobj.3ds");
    ASSERT_GE(mesh.objectCount, 1);
    expectTexturedFaces();
    for (const char* name : {"gretf1.jpg", "gretf2.jpg", "gretf3.jpg"}) {
        Texture face = loadSize(name);
        EXPECT_LE(face.width, 255) << name;
        EXPECT_LE(face.height, 200) << name;
        std::free(face.pixels);
    }
    // Seventeen cards of 28 rows; a jitter of 3 keeps 136 columns from (180, 141) inside the box
    // at (174, 130, 132 x 40) and the screen.
    Texture cards = loadSize("greetz2.jpg");
    EXPECT_LE(cards.width, 128);
    EXPECT_GE(cards.height, 476);
    std::free(cards.pixels);
    Texture warp = loadSize("greplas.jpg");
    EXPECT_EQ(warp.width, 256);
    EXPECT_EQ(warp.height, 256);
    std::free(warp.pixels);
}

TEST_F(SceneData, RubberHallLeavesRoomForTheColumnAndTheFirstEye)
{
    openBuiltArchive();
    loadMesh("rubber.3ds");
    expectTexturedFaces();
    // Phase 2 frames: sceneTime / 35 up to 14336 / 35 ≈ 410.
    EXPECT_GE(lastKeyFrame(mesh.cameraKeys, mesh.cameraKeyCount), 410);
    EXPECT_GE(lastKeyFrame(mesh.targetKeys, mesh.targetKeyCount), 410);
    // Nothing of the hall stands where the column bends (up to about 64 units from the axis,
    // y from -192 to 192), nor round the first phase's eye at (250, 0, 0).
    for (int i = 0; i < mesh.vertexCount; ++i) {
        const MeshVertex& v = mesh.vertices[i];
        const float r = std::sqrt(v.x * v.x + v.z * v.z);
        if (v.y > -185 && v.y < 200) {
            EXPECT_GT(r, 70) << i;
        }
        EXPECT_GT(distance(v, 250, 0, 0), 40) << i;
    }
    // The camera keys stay inside the hall and clear of the column.
    for (int i = 0; i < mesh.cameraKeyCount; ++i) {
        const TrackKey& k = mesh.cameraKeys[i];
        const float r = std::sqrt(k.x * k.x + k.y * k.y);
        EXPECT_GT(r, 200) << "key " << i;
        EXPECT_LT(r, 800) << "key " << i;
    }
    Texture panorama = loadSize("cc000.jpg");
    EXPECT_GT(panorama.width, 2800);
    EXPECT_LE(panorama.height, 150);
    std::free(panorama.pixels);
}

}  // namespace
