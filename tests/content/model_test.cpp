// The mesh toolkit's shapes loaded through the engine's own loader: every face of a closed shape
// faces out (or, turned inside out for a room, in).
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

}  // namespace
