// The scene framework's own rules: the placement product order, the near and facing tests at their
// boundaries, the light-sprite size rule as drawn, the DrawList bound, the run loop's end test, and
// the scene table's fade hand-over from row to row.
#include "demo/demo.h"
#include "display/display.h"
#include "scenes/scene.h"
#include "sequencer/sequencer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

namespace {

class SceneFramework : public ::testing::Test {
protected:
    void SetUp() override
    {
        resetMesh();
        resetSceneState();
        resetProjection();
        resetTiming();
        resetDrawList();
        std::memset(frameBuffer.pixels, 0, sizeof frameBuffer.pixels);
    }
    void TearDown() override
    {
        resetSceneState();
        resetMesh();
    }
};

// Row-major product in double, straight from the definition.
Matrix4 product(const Matrix4& a, const Matrix4& b)
{
    Matrix4 r{};
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) {
            double sum = 0;
            for (int k = 0; k < 4; ++k)
                sum += double(a.m[4 * i + k]) * b.m[4 * k + j];
            r.m[4 * i + j] = float(sum);
        }
    return r;
}

// A matrix of small distinct entries that commutes with none of the others.
Matrix4 distinct(float seed)
{
    Matrix4 m{};
    for (int i = 0; i < 12; ++i)
        m.m[i] = float(std::fmod(seed * (i + 3) + i * 0.37, 1.7)) - 0.6f;
    m.m[15] = 1;
    return m;
}

}  // namespace

TEST_F(SceneFramework, PlacementIsViewTrackPivotRestRotationMeshOriginInThatOrder)
{
    MeshObject object{};
    object.pivotX = 1.5f;
    object.pivotY = -2.0f;
    object.pivotZ = 0.5f;
    object.meshMatrix = distinct(1.1f);      // F1
    object.originMatrix = distinct(2.3f);    // F2
    object.rotationMatrix = distinct(3.7f);  // F3
    object.pivotMatrix = distinct(4.9f);     // F4
    TrackKey position{};
    position.x = 10;
    position.y = 20;
    position.z = 30;
    object.positionKeys = &position;
    object.positionKeyCount = 1;
    RotationKey rotation{};
    rotation.angle = 0.7f;
    rotation.axisX = 0.2f;
    rotation.axisY = 0.3f;
    rotation.axisZ = 0.9f;
    object.rotationKeys = &rotation;
    object.rotationKeyCount = 1;
    object.currentRotationKey = -1;
    const Matrix4 view = distinct(5.3f);

    Matrix4 placed;
    placeObject(object, view, 4.0f, placed);

    // T takes the track's (x, y, z) as (x, z, y); R turns about the pivot by the track's rest,
    // whose axis goes in as (-x, z, y).
    Matrix4 t;
    matTranslate(10, 30, 20, t);
    Matrix4 r;
    matAxisRotate(Vec3{1.5f, -2.0f, 0.5f}, Vec3{-0.2f, 0.9f, 0.3f}, 0.7f, r);
    Matrix4 expected = view;
    for (const Matrix4* next : {&t, &object.pivotMatrix, &r, &object.rotationMatrix,
                                &object.meshMatrix, &object.originMatrix})
        expected = product(expected, *next);
    for (int i = 0; i < 16; ++i)
        EXPECT_NEAR(placed.m[i], expected.m[i], 1e-4f * (1 + std::fabs(expected.m[i])))
            << "element " << i;
}

TEST_F(SceneFramework, NearAndFacingTestsAtTheirBoundaries)
{
    setFieldOfView(90);  // D = 160, nearLimit = -150
    ASSERT_EQ(projection.nearLimit, -150);
    MeshVertex v[3] = {};
    MeshFace face{};
    face.a = &v[0];
    face.b = &v[1];
    face.c = &v[2];
    auto place = [&](float z0, float z1, float z2) {
        v[0].cz = z0;
        v[1].cz = z1;
        v[2].cz = z2;
    };
    // Facing the eye straight on: N = (0, 0, -1); N · P + D · N.z = -z - 160 <= 0 for z >= -160.
    face.cnz = -1;
    place(100, 100, 100);
    EXPECT_TRUE(faceIsVisible(face));
    for (int k = 0; k < 3; ++k) {
        place(100, 100, 100);
        (&v[0])[k].cz = -150;  // one vertex exactly at the near limit
        EXPECT_FALSE(faceIsVisible(face)) << "vertex " << k;
        (&v[0])[k].cz = std::nextafter(-150.0f, 0.0f);
        EXPECT_TRUE(faceIsVisible(face)) << "vertex " << k;
    }
    // Exactly edge-on from the eye: N · P + D · N.z = 0 is kept, anything above is dropped.
    face.cnx = 1;
    face.cny = 0;
    face.cnz = 0;
    place(0, 0, 0);
    v[0].cx = 0;
    EXPECT_TRUE(faceIsVisible(face));
    v[0].cx = std::nextafter(0.0f, 1.0f);
    EXPECT_FALSE(faceIsVisible(face));
    // A face seen from behind: N points away from the eye.
    face.cnx = 0;
    face.cnz = 1;
    place(50, 50, 50);
    EXPECT_FALSE(faceIsVisible(face));

    // Kept faces go in with the third of their depths as key.
    mesh.faceCount = 2;
    mesh.faces[0] = face;
    mesh.faces[0].cnz = -1;
    mesh.faces[1] = mesh.faces[0];
    place(30, 60, 90);
    resetDrawList();
    addVisibleFaces(-5, 99);  // ranges beyond the mesh are clipped
    ASSERT_EQ(drawList.count, 2);
    EXPECT_EQ(drawList.key[0], (30.0f + 60.0f + 90.0f) * 0.33333334f);
}

TEST_F(SceneFramework, LightSpritesFollowTheSizeRuleAndSkipSizesOfZeroAndBelow)
{
    setFieldOfView(90);                       // D = 160
    EXPECT_EQ(lightSpriteSide(50, 0), 51);    // 1 + 50 at the plane z = 0
    EXPECT_EQ(lightSpriteSide(50, 160), 26);  // 1 + 50 · 160 / 320
    EXPECT_EQ(lightSpriteSide(-1, 0), 0);     // 1 - 1
    EXPECT_EQ(lightSpriteSide(-2, 0), -1);
    EXPECT_EQ(lightSpriteSide(50, -160), 0);  // at the eye plane
    EXPECT_EQ(lightSpriteSide(50, -400), 0);  // behind the eye

    // Drawn through the DrawList: a white 256 x 256 sprite in slot 3.
    allocateTextureSlot(3, 256, 256);
    for (int i = 0; i < 256 * 256; ++i)
        scene.textureSlots[3].pixels[i] = 0x00FFFFFF;
    auto litPixels = [&](float k, float z, uint32_t slot) {
        std::memset(frameBuffer.pixels, 0, sizeof frameBuffer.pixels);
        mesh.lightCount = 1;
        mesh.lights[0] = MeshLight{};
        mesh.lights[0].cz = z;
        mesh.lights[0].spriteSlot = slot;
        scene.lightSpriteSize[0] = k;
        resetDrawList();
        addLightsToDrawList(0, 5);
        drawDrawList();
        int lit = 0;
        for (uint32_t p : frameBuffer.pixels)
            lit += p != 0;
        return lit;
    };
    EXPECT_EQ(litPixels(9, 0, 3), 100);    // 10 x 10 at the screen centre
    EXPECT_EQ(litPixels(0, 0, 0x103), 1);  // only the low byte names the slot
    EXPECT_EQ(litPixels(-1, 0, 3), 0);     // size 0
    EXPECT_EQ(litPixels(50, -170, 3), 0);  // behind the eye
    EXPECT_EQ(litPixels(9, 0, 20), 0);     // no such slot
    EXPECT_EQ(litPixels(9, 0, 4), 0);      // an empty slot
}

TEST_F(SceneFramework, DrawListStopsAtItsCapacity)
{
    setFieldOfView(90);
    mesh.vertexCount = 3;
    for (int i = 0; i < 3; ++i)
        mesh.vertices[i].cz = 100;
    MeshFace facing{};
    facing.a = &mesh.vertices[0];
    facing.b = &mesh.vertices[1];
    facing.c = &mesh.vertices[2];
    facing.cnz = -1;
    mesh.faceCount = maxMeshFaces;
    for (int i = 0; i < maxMeshFaces; ++i)
        mesh.faces[i] = facing;
    mesh.lightCount = maxMeshLights;
    resetDrawList();
    for (int pass = 0; pass < 2; ++pass)  // 16000 faces, then 200 lights over the top
        addVisibleFaces(0, maxMeshFaces - 1);
    addLightsToDrawList(0, maxMeshLights);
    addLightsToDrawList(0, maxMeshLights);
    EXPECT_EQ(drawList.count, drawListCapacity);
    for (int i = 0; i < drawListCapacity; ++i)
        ASSERT_FALSE(drawListIsLight(drawList.payload[i])) << i;
}

TEST_F(SceneFramework, MusicEndNeedsPositionAndRowTogetherComparedUnsigned)
{
    struct Case {
        uint32_t order, row;
        bool ended;
    };
    // End at position 12, row 16. A position or row with the top bit set is past the end, not
    // below it.
    const Case cases[] = {
        {11, 63, false}, {12, 15, false},         {12, 16, true},          {13, 0, false},
        {13, 16, true},  {0x80000000u, 16, true}, {12, 0xFFFFFFFFu, true}, {0, 0, false},
    };
    for (const Case& c : cases) {
        musicPosition.order = c.order;
        musicPosition.row = c.row;
        EXPECT_EQ(musicEndReached(12, 16), c.ended) << c.order << "," << c.row;
        EXPECT_EQ(runContinues(12, 16), !c.ended) << c.order << "," << c.row;
    }
    // A run whose end is already reached draws no frame.
    musicPosition.order = 7;
    musicPosition.row = 0;
    EXPECT_FALSE(runContinues(7, 0));
}

TEST_F(SceneFramework, AppendedLightsStopAtTheTableAndCountsComeBack)
{
    mesh.lightCount = maxMeshLights - 2;
    const MeshCounts loaded = meshCounts();
    EXPECT_EQ(appendLight(1, 2, 3, 5), maxMeshLights - 2);
    EXPECT_EQ(appendLight(1, 2, 3, 5), maxMeshLights - 1);
    EXPECT_EQ(appendLight(1, 2, 3, 5), -1);
    EXPECT_EQ(mesh.lightCount, maxMeshLights);
    EXPECT_EQ(mesh.lights[maxMeshLights - 1].spriteSlot, 5u);
    EXPECT_EQ(mesh.lights[maxMeshLights - 1].keys, nullptr);
    restoreMeshCounts(loaded);
    EXPECT_EQ(mesh.lightCount, maxMeshLights - 2);
}

// Each row starts from the fade the rows before it leave: the colour of the previous row's closing
// fade (its entry value, changed by its own settings), fully faded, except where a row sets its
// own.
TEST(SceneTable, EachRowStartsFromTheFadeThePreviousRowLeaves)
{
    for (int i = 1; i < sceneCount; ++i) {
        const SceneRow& previous = sceneTable[i - 1];
        const SceneRow& row = sceneTable[i];
        int closing = previous.entryEndFadeToWhite;
        for (const SceneSettings* s : {&previous.beforeInit, &previous.beforeRun})
            if (s->endFadeToWhite >= 0)
                closing = s->endFadeToWhite;
        if (row.number == 2)
            continue;  // the opening picture lies between Flames and Credits
        // Credits' first cue turns its closing fade to black.
        if (previous.number == 2)
            closing = 0;
        EXPECT_EQ(row.entryEndFadeToWhite, closing) << row.name;
        EXPECT_EQ(row.entryFadeToWhite, closing) << row.name;
        EXPECT_EQ(row.entryFadeLevel, 255) << row.name;
    }
}

TEST(SceneTable, NamesAndNumbersFindTheirRows)
{
    for (int n = 1; n <= sceneCount; ++n) {
        const SceneRow& row = sceneTable[n - 1];
        EXPECT_EQ(row.number, n);
        EXPECT_EQ(findSceneRow(row.name), &row);
        EXPECT_EQ(findSceneRow(std::to_string(n).c_str()), &row);
    }
    for (const char* bad : {"", "0", "15", "-1", "Flames", "flames ", "1x", "space flight"})
        EXPECT_EQ(findSceneRow(bad), nullptr) << bad;
    // The music must reach a row's start before its end.
    for (const SceneRow& row : sceneTable) {
        if (row.endOrder != 0) {
            EXPECT_LT(row.startOrder, row.endOrder) << row.name;
        }
    }
}
