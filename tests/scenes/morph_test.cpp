// Morph played headless: the whole run with its golden frames and the shape it leaves in the
// mesh, the structure of "morph.3ds", and runs on data that lacks what the scene relies on.
#include "replaced_data.h"

#include "archive/archive.h"
#include "content/scene_morph.h"
#include "writers/write3ds.h"

#include <cmath>

namespace {

constexpr int morphPeriod = 853;

int32_t vertexTotal(int object)
{
    return mesh.objects[object].lastVertex - mesh.objects[object].firstVertex + 1;
}

const MeshVertex& vertexOf(int object, int i)
{
    return mesh.vertices[mesh.objects[object].firstVertex + i];
}

// Loads a file of the built archive into the mesh.
void loadBuiltMesh(const char* name)
{
    resetArchive();
    resetPictures();
    resetMesh();
    ASSERT_EQ(openArchive((std::string(V4N_BINARY_DIR) + "/v4npelva.zem").c_str()), 1);
    char message[meshMessageSize];
    ASSERT_EQ(load3ds(name, message), 1) << message;
}

TEST(Morph, WholeRunEndsAtOrder63AndLeavesTheObjectBetweenTwoKeysAboveItsMirror)
{
    const int32_t times[] = {1200, 3500, 5900, 8200, 10600};
    const SceneRunResult run = runSceneHeadless("morph", times, 5);
    EXPECT_EQ(run.exitCode, 0);
    expectCountsRestored(run);
    EXPECT_EQ(run.report.endOrder, 63u);
    // Only objects 0 to 2 take part in the common pipeline.
    EXPECT_EQ(run.report.afterInit.vertexCount, mesh.objects[2].lastVertex + 1);
    EXPECT_EQ(run.report.afterInit.faceCount, mesh.objects[2].lastFace + 1);
    expectGoldenFrames("morph", run);

    // The tables still hold the last frame: object 1 on the way from key k to key k + 1 with one
    // fraction for every vertex, object 2 its exact reflection in y = 0.
    const int k = run.report.endSceneTime / morphPeriod + 3;
    ASSERT_LT(k + 1, mesh.objectCount);
    float f = -1;
    for (int i = 0; i < vertexTotal(1); ++i) {
        const MeshVertex &a = vertexOf(k, i), &b = vertexOf(k + 1, i), &v = vertexOf(1, i);
        if (f < 0 && std::fabs(b.y - a.y) > 10.0f)
            f = (v.y - a.y) / (b.y - a.y);
        const MeshVertex& m = vertexOf(2, i);
        ASSERT_TRUE(m.x == v.x && m.y == -v.y && m.z == v.z) << "vertex " << i;
    }
    ASSERT_GE(f, 0.0f);
    ASSERT_LE(f, 1.0f);
    for (int i = 0; i < vertexTotal(1); ++i) {
        const MeshVertex &a = vertexOf(k, i), &b = vertexOf(k + 1, i), &v = vertexOf(1, i);
        EXPECT_NEAR(v.x, a.x + (b.x - a.x) * f, 0.01f) << "vertex " << i;
        EXPECT_NEAR(v.y, a.y + (b.y - a.y) * f, 0.01f) << "vertex " << i;
        EXPECT_NEAR(v.z, a.z + (b.z - a.z) * f, 0.01f) << "vertex " << i;
    }
}

TEST(Morph, DataHoldsTheFloorGridTheObjectItsMirrorAndFifteenDistinctKeyShapes)
{
    loadBuiltMesh("morph.3ds");
    ASSERT_GE(mesh.objectCount, 18);

    // Object 0 starts with a flat, regular 9 x 9 grid, textured.
    ASSERT_GE(vertexTotal(0), 81);
    const float stepX = vertexOf(0, 1).x - vertexOf(0, 0).x,
                stepZ = vertexOf(0, 9).z - vertexOf(0, 0).z;
    EXPECT_GT(stepX, 0.0f);
    EXPECT_GT(stepZ, 0.0f);
    for (int r = 0; r < 9; ++r)
        for (int c = 0; c < 9; ++c) {
            const MeshVertex& v = vertexOf(0, 9 * r + c);
            EXPECT_NEAR(v.x, vertexOf(0, 0).x + stepX * c, 0.01f);
            EXPECT_NEAR(v.z, vertexOf(0, 0).z + stepZ * r, 0.01f);
            EXPECT_EQ(v.y, 0.0f);
        }
    EXPECT_NE(mesh.faces[mesh.objects[0].firstFace].texture, nullptr);
    EXPECT_NE(mesh.faces[mesh.objects[1].firstFace].texture, nullptr);

    // Objects 1 to 17 share one vertex count and order; the object and its mirror share their
    // faces; object 2 starts as the mirror of object 1; every key shape stands above the floor.
    for (int k = 2; k < 18; ++k)
        EXPECT_EQ(vertexTotal(k), vertexTotal(1)) << "object " << k;
    ASSERT_EQ(mesh.objects[2].lastFace - mesh.objects[2].firstFace,
              mesh.objects[1].lastFace - mesh.objects[1].firstFace);
    for (int i = 0; i <= mesh.objects[1].lastFace - mesh.objects[1].firstFace; ++i) {
        const MeshFace &a = mesh.faces[mesh.objects[1].firstFace + i],
                       &b = mesh.faces[mesh.objects[2].firstFace + i];
        EXPECT_EQ(a.a - &vertexOf(1, 0), b.a - &vertexOf(2, 0));
        EXPECT_EQ(a.c - &vertexOf(1, 0), b.c - &vertexOf(2, 0));
    }
    for (int i = 0; i < vertexTotal(1); ++i) {
        EXPECT_NEAR(vertexOf(2, i).y, -vertexOf(1, i).y, 0.001f);
        for (int k = 3; k < 18; ++k)
            ASSERT_GT(vertexOf(k, i).y, 0.0f) << "key object " << k << " vertex " << i;
    }
    // Each key shape differs from the next, so every morph moves.
    for (int k = 3; k < 17; ++k) {
        float farthest = 0;
        for (int i = 0; i < vertexTotal(1); ++i)
            farthest = std::max(farthest, std::fabs(vertexOf(k, i).x - vertexOf(k + 1, i).x) +
                                              std::fabs(vertexOf(k, i).y - vertexOf(k + 1, i).y) +
                                              std::fabs(vertexOf(k, i).z - vertexOf(k + 1, i).z));
        EXPECT_GT(farthest, 20.0f) << "key objects " << k << " and " << k + 1;
    }
    // Object 1's faces wound round each key shape face outwards ((c - a) x (b - a) away from the
    // inside, which the facing test keeps): a shape turned inside out would vanish while the
    // object is near it. The sum is six times the enclosed volume, positive when they do.
    const MeshObject& object = mesh.objects[1];
    for (int k = 3; k < 18; ++k) {
        double volume = 0;
        for (int f = object.firstFace; f <= object.lastFace; ++f) {
            const auto at = [&](const MeshVertex* v) {
                return vertexOf(k, int(v - &vertexOf(1, 0)));
            };
            const MeshVertex &a = at(mesh.faces[f].a), &b = at(mesh.faces[f].b),
                             &c = at(mesh.faces[f].c);
            const double ex = c.x - a.x, ey = c.y - a.y, ez = c.z - a.z;
            const double fx = b.x - a.x, fy = b.y - a.y, fz = b.z - a.z;
            volume +=
                a.x * (ey * fz - ez * fy) + a.y * (ez * fx - ex * fz) + a.z * (ex * fy - ey * fx);
        }
        EXPECT_GT(volume, 0.0) << "key object " << k;
    }
    // Object 5 has faces for the small view.
    EXPECT_GE(mesh.objects[5].lastFace, mesh.objects[5].firstFace);
    resetMesh();
    resetArchive();
}

TEST(Morph, MissingKeyShapesAndObjectsAreSkippedWithOneLineEach)
{
    // Ten key shapes: the object keeps the last one once it is reached.
    Scene3ds shortMesh = modelMorph();
    shortMesh.objects.resize(13);
    std::string errors;
    SceneRunResult run =
        runSceneWithFiles("morph", "morph-short", {{"morph.3ds", encode3ds(shortMesh)}}, errors);
    EXPECT_EQ(run.exitCode, 0);
    expectCountsRestored(run);
    EXPECT_EQ(run.report.endOrder, 63u);
    EXPECT_EQ(errors,
              "morph: fewer than 15 key shapes: the object keeps the last one it reaches\n");
    for (int i = 0; i < vertexTotal(1); ++i)
        ASSERT_EQ(vertexOf(1, i).y, vertexOf(12, i).y) << "vertex " << i;

    // The floor alone: no morph, no small view, the floor still drawn.
    Scene3ds floorOnly = modelMorph();
    floorOnly.objects.resize(1);
    run = runSceneWithFiles("morph", "morph-floor", {{"morph.3ds", encode3ds(floorOnly)}}, errors);
    EXPECT_EQ(run.exitCode, 0);
    expectCountsRestored(run);
    EXPECT_EQ(errors,
              "morph: objects 1 and 2 are not an object and its mirror: nothing morphs\n"
              "morph: object 5 is missing: no small view\n");
}

}  // namespace
