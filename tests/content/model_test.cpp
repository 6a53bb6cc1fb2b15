// The mesh toolkit's shapes loaded through the engine's own loader: every face of a closed shape
// faces out (or, turned inside out for a room, in); surfaces, rocks and spin keys.
#include <gtest/gtest.h>

#include "archive/archive.h"
#include "assets/assets.h"
#include "content/model.h"
#include "packer/packer.h"
#include "render/render.h"
#include "writers/writers.h"

#include <cmath>
#include <filesystem>

namespace {

namespace fs = std::filesystem;

class ModelShapes : public ::testing::Test {
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

// How many faces of the loaded shape have a normal pointing away from centre, and how many have
// an area to speak of (faces closed to a point at a pole show neither side).
std::pair<int, int> facesShowingOutside(std::array<float, 3> centre)
{
    int outside = 0, withArea = 0;
    for (int i = 0; i < mesh.faceCount; ++i) {
        const MeshFace& f = mesh.faces[i];
        const float ux = f.b->x - f.a->x, uy = f.b->y - f.a->y, uz = f.b->z - f.a->z;
        const float vx = f.c->x - f.a->x, vy = f.c->y - f.a->y, vz = f.c->z - f.a->z;
        const float area = std::hypot(uy * vz - uz * vy, uz * vx - ux * vz, ux * vy - uy * vx);
        if (area < 0.01f)
            continue;
        ++withArea;
        outside += f.nx * (f.a->x - centre[0]) + f.ny * (f.a->y - centre[1]) +
                       f.nz * (f.a->z - centre[2]) >
                   0;
    }
    return {outside, withArea};
}

TEST_F(ModelShapes, ModelledShapesFaceOutwardThroughTheLoader)
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
    // A lathe whose profile points carry their texel rows, with the seam column of its own.
    Model vase;
    addLathe(vase, {{5, -10, 0}, {8, 0, 128}, {5, 10, 255}}, 12, 1);
    loadShape(vase);
    expectFacesPointOut("lathe with texel rows", [](float, float y, float) {
        return std::array<float, 3>{0, y, 0};
    });
    Model room = makeLathe({{5, -10}, {5, 10}}, 12, 1);
    flipModel(room);
    loadShape(room);
    expectFacesPointOut("room wall, from inside", [](float x, float y, float z) {
        return std::array<float, 3>{x * 2, y, z * 2};
    });
}

TEST_F(ModelShapes, SurfacesAndRocksFaceOutwardAndFlippedOnesInward)
{
    // Poles give faces without area, which count as neither side.
    Model sphere, sky, rock;
    addSurface(sphere, sphereSurface({5, 6, 7}, 100), 16, 8, 1, 1, false);
    loadShape(sphere);
    EXPECT_EQ(facesShowingOutside({5, 6, 7}),
              std::make_pair(16 * 8 * 2 - 2 * 16, 16 * 8 * 2 - 2 * 16));
    addSurface(sky, sphereSurface({5, 6, 7}, 100), 16, 8, 1, 1, true);
    loadShape(sky);
    EXPECT_EQ(facesShowingOutside({5, 6, 7}).first, 0);

    addRock(rock, {0, 0, 0}, 20, 0.4f, 3, 12, 8);
    loadShape(rock);
    const auto [outside, withArea] = facesShowingOutside({0, 0, 0});
    EXPECT_GE(withArea, 12 * 8 * 2 - 2 * 12);
    EXPECT_GE(outside, withArea - 8) << "a bump may turn a few faces";

    Model ring;
    addSurface(ring, torusSurface({0, 3, 0}, 10, 3), 16, 8, 1, 1, false);
    loadShape(ring);
    expectFacesPointOut("torus surface", [](float x, float, float z) {
        const float r = std::sqrt(x * x + z * z);
        return std::array<float, 3>{x * 10 / r, 3, z * 10 / r};
    });

    // The file's v is 1 - t * vRepeat: one repeat runs down the picture from the lower pole.
    const Object3ds object = modelObject("Rock", rock, "NONE");
    EXPECT_FLOAT_EQ(object.texCoords.front()[1], 1.0f);
    EXPECT_FLOAT_EQ(object.texCoords.back()[1], 0.0f);
}

TEST(ModelFaces, TriangleFacingTurnsToTheGivenSide)
{
    // a b c in the x-y plane: (c - a) x (b - a) points to -z.
    Model model;
    addVertex(model, 0, 0, 0, 0, 0);
    addVertex(model, 1, 0, 0, 0, 0);
    addVertex(model, 0, 1, 0, 0, 0);
    addTriangleFacing(model, 0, 1, 2, {0, 0, -1});
    addTriangleFacing(model, 0, 1, 2, {0.2f, 0, 1});
    ASSERT_EQ(model.faces.size(), 2u);
    EXPECT_EQ(model.faces[0], (std::array<uint16_t, 3>{0, 1, 2}));
    EXPECT_EQ(model.faces[1], (std::array<uint16_t, 3>{0, 2, 1}));
}

TEST(ModelKeys, SpinKeysTurnTheWholeAngleByTheLastFrame)
{
    // 222 frames in steps of 6: a key of no turn, then 37 equal turns ending on frame 222.
    const std::vector<Key3ds> keys = spinKeys(222, 6, -0.3f, {0.3f, 1, 0.2f});
    ASSERT_EQ(keys.size(), 38u);
    EXPECT_EQ(keys.front().value[0], 0.0f);
    EXPECT_EQ(keys.back().frame, 222u);
    float total = 0;
    for (const Key3ds& key : keys)
        total += key.value[0];
    EXPECT_NEAR(total, -0.3f * 2 * pi, 1e-4f);
    // The axis is kept as given, in the file's order (x, z, y).
    EXPECT_EQ(keys.back().value[1], 0.3f);
    EXPECT_EQ(keys.back().value[2], 0.2f);
    EXPECT_EQ(keys.back().value[3], 1.0f);
    // A step that does not divide the frames ends on the first key after the last frame.
    EXPECT_EQ(spinKeys(256, 32, 1, {0, 1, 0}).back().frame, 256u);
    EXPECT_EQ(spinKeys(250, 32, 1, {0, 1, 0}).back().frame, 256u);
}

}  // namespace
