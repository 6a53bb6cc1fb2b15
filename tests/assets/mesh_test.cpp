// The 3DS loader through real archives: a whole scene written by the 3DS writer and read back
// field by field, then the walk's rules and every refusal.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

#include "archive/archive.h"
#include "assets/assets.h"
#include "assets/support.h"
#include "render/render.h"
#include "writers/writers.h"

namespace {

class Mesh3ds : public ::testing::Test {
protected:
    // The light maps stand built (without an environment picture), so the archives need no
    // "enver1.jpg"; the test of the build itself resets them.
    void SetUp() override
    {
        resetArchive();
        resetPictures();
        resetMesh();
        buildLightMapsWith(nullptr);
    }
    void TearDown() override
    {
        resetMesh();
        resetArchive();
        resetLightMaps();
    }
    std::string message;
};

Key3ds key(uint32_t frame, std::array<float, 4> value, uint16_t flags = 0)
{
    Key3ds k;
    k.frame = frame;
    k.flags = flags;
    k.tension = 0.1f;
    k.continuity = 0.2f;
    k.bias = 0.3f;
    k.easeTo = 0.4f;
    k.easeFrom = 0.5f;
    k.value = value;
    return k;
}

Track3ds track(std::vector<Key3ds> keys)
{
    Track3ds t;
    t.present = true;
    t.keys = std::move(keys);
    return t;
}

Node3ds node(uint16_t kind, const std::string& name)
{
    Node3ds n;
    n.kind = kind;
    n.name = name;
    return n;
}

void expectKey(const TrackKey& k, uint32_t frame, float x, float y, float z)
{
    EXPECT_EQ(k.frame, int32_t(frame));
    EXPECT_EQ(k.x, x);
    EXPECT_EQ(k.y, y);
    EXPECT_EQ(k.z, z);
}

std::string numbered(const char* prefix, int i)
{
    std::string s = prefix;
    s += std::to_string(i);
    return s;
}

bool matrixIs(const Matrix4& m, std::array<float, 16> expected)
{
    for (int i = 0; i < 16; ++i)
        if (m.m[i] != expected[size_t(i)])
            return false;
    return true;
}

// The scene of the whole round trip: two objects, two mapped materials, a light, camera, target,
// roll, object and light tracks.
Scene3ds fullScene()
{
    Scene3ds s;
    s.materials = {{"Stone", "stone.jpg", 0xA200}, {"Glass", "GLASS.JPG", 0xA220}};

    Object3ds box = lineObject("Box", 4, {{0, 1, 2, 7}, {1, 2, 3, 7}});
    box.texCoords = {{0.25f, 0.25f}, {0, 0}, {1, 1}, {0.5f, 0.75f}};
    box.groups = {{"Stone", {0, 1}}};
    box.hasMatrix = true;
    box.matrix = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};

    Object3ds cone = lineObject("Cone", 6, {{0, 1, 2, 0}, {3, 4, 5, 0}, {5, 4, 0, 0}});
    cone.texCoords = {{0, 0}, {0, 0}, {0, 0}, {0, 0}, {0, 0}, {0.5f, 0.5f}};
    cone.groups = {{"Glass", {1, 2}}};
    s.objects = {box, cone};
    s.lights = {{"Lamp", {1, 2, 3}, {1, 1, 1}}};

    Node3ds camera = node(chunkCameraNode, "Camera01");
    camera.position = track({key(0, {1, 2, 3}), key(10, {4, 5, 6}, 0x1F)});
    camera.roll = track({key(0, {15}), key(20, {-30}, keyHasBias)});
    Node3ds target = node(chunkTargetNode, "Camera01");
    target.position = track({key(5, {7, 8, 9}, keyHasTension | keyHasEaseTo)});
    Node3ds boxNode = node(chunkObjectNode, "Box");
    boxNode.nodeId = 0;
    boxNode.hasPivot = true;
    boxNode.pivot = {0.5f, 1.5f, 2.5f};
    boxNode.position =
        track({key(0, {10, 20, 30}), key(30, {11, 21, 31}, keyHasContinuity | keyHasEaseFrom)});
    boxNode.rotation = track({key(0, {0.5f, 0, 0, 1}), key(30, {1.0f, 1, 0, 0}, keyHasTension)});
    Node3ds coneNode = node(chunkObjectNode, "Cone");
    coneNode.position = track({key(3, {-1, -2, -3})});
    Node3ds lampNode = node(chunkLightNode, "Lamp");
    lampNode.position = track({key(0, {1, 2, 3}), key(50, {3, 2, 1})});
    s.nodes = {camera, target, boxNode, coneNode, lampNode};
    return s;
}

}  // namespace

TEST_F(Mesh3ds, WrittenSceneLoadsFieldByField)
{
    const std::vector<uint8_t> stone = solidJpeg(0xFF0000, 16, 16);
    const std::vector<uint8_t> glass = solidJpeg(0x0000FF, 16, 16);
    ASSERT_EQ(loadScene(fullScene(), message, {{"stone.jpg", stone}, {"glass.jpg", glass}}), 1)
        << message;
    EXPECT_EQ(message, "");

    // Geometry: 4 + 6 vertices in engine axes (file x, z, y).
    ASSERT_EQ(mesh.vertexCount, 10);
    ASSERT_EQ(mesh.faceCount, 5);
    ASSERT_EQ(mesh.objectCount, 2);
    for (int i = 0; i < 10; ++i) {
        const int local = i < 4 ? i : i - 4;
        EXPECT_EQ(mesh.vertices[i].x, float(local));
        EXPECT_EQ(mesh.vertices[i].y, float(3 * local));
        EXPECT_EQ(mesh.vertices[i].z, float(2 * local));
    }
    EXPECT_EQ(mesh.vertices[0].u, 64.0f);  // (0.25, 0.25) -> (64, 192)
    EXPECT_EQ(mesh.vertices[0].v, 192.0f);
    EXPECT_EQ(mesh.vertices[2].u, 256.0f);
    EXPECT_EQ(mesh.vertices[2].v, 0.0f);
    EXPECT_EQ(mesh.vertices[3].v, 64.0f);
    EXPECT_EQ(mesh.vertices[9].u, 128.0f);
    EXPECT_EQ(mesh.texCoordCount, 10);

    const MeshObject& box = mesh.objects[0];
    const MeshObject& cone = mesh.objects[1];
    EXPECT_EQ(box.firstVertex, 0);
    EXPECT_EQ(box.lastVertex, 3);
    EXPECT_EQ(box.firstFace, 0);
    EXPECT_EQ(box.lastFace, 1);
    EXPECT_EQ(cone.firstVertex, 4);
    EXPECT_EQ(cone.lastVertex, 9);
    EXPECT_EQ(cone.firstFace, 2);
    EXPECT_EQ(cone.lastFace, 4);
    EXPECT_STREQ(mesh.objectNames[0], "Box");
    EXPECT_STREQ(mesh.objectNames[1], "Cone");
    EXPECT_EQ(mesh.objectFirstVertex[1], 4);
    EXPECT_EQ(mesh.objectFaceTotal[0], 2);
    EXPECT_EQ(mesh.objectFaceTotal[1], 5);
    EXPECT_EQ(mesh.objectVertexTotal[0], 4);
    EXPECT_EQ(mesh.objectVertexTotal[1], 10);

    // Faces: the second object's indices shifted by its first vertex.
    EXPECT_EQ(mesh.faces[0].a, &mesh.vertices[0]);
    EXPECT_EQ(mesh.faces[1].c, &mesh.vertices[3]);
    EXPECT_EQ(mesh.faces[2].a, &mesh.vertices[4]);
    EXPECT_EQ(mesh.faces[3].a, &mesh.vertices[7]);
    EXPECT_EQ(mesh.faces[4].a, &mesh.vertices[9]);
    EXPECT_EQ(mesh.faces[4].c, &mesh.vertices[4]);
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(mesh.faces[i].mode, modeLightMapped);

    // Materials, face groups (the second object's group shifted by its first face) and textures.
    ASSERT_EQ(mesh.materialCount, 2);
    EXPECT_STREQ(mesh.materials[0].name, "Stone");
    EXPECT_STREQ(mesh.materials[0].mapName, "stone.jpg");
    EXPECT_STREQ(mesh.materials[1].name, "Glass");
    EXPECT_STREQ(mesh.materials[1].mapName, "GLASS.JPG");
    ASSERT_NE(mesh.materials[0].texture, nullptr);
    ASSERT_NE(mesh.materials[1].texture, nullptr);
    EXPECT_GT((mesh.materials[0].texture[0] >> 16) & 0xFF, 240u);
    EXPECT_GT(mesh.materials[1].texture[0] & 0xFF, 240u);
    ASSERT_EQ(mesh.faceGroupCount, 2);
    EXPECT_STREQ(mesh.faceGroups[0].name, "Stone");
    EXPECT_EQ(mesh.faceGroups[0].faceCount, 2);
    EXPECT_EQ(mesh.faceGroups[1].faceCount, 2);
    EXPECT_EQ(mesh.faceGroups[1].faces[0], 3);
    EXPECT_EQ(mesh.faceGroups[1].faces[1], 4);
    EXPECT_EQ(mesh.faces[0].texture, mesh.materials[0].texture);
    EXPECT_EQ(mesh.faces[1].texture, mesh.materials[0].texture);
    EXPECT_EQ(mesh.faces[2].texture, nullptr);  // listed by no group
    EXPECT_EQ(mesh.faces[3].texture, mesh.materials[1].texture);
    EXPECT_EQ(mesh.faces[4].texture, mesh.materials[1].texture);

    // Mesh matrix rows: file X, Z, Y axes with y and z swapped; origin negated in engine axes.
    EXPECT_TRUE(matrixIs(box.meshMatrix, {1, 3, 2, 0, 7, 9, 8, 0, 4, 6, 5, 0, 0, 0, 0, 1}));
    EXPECT_TRUE(matrixIs(box.originMatrix, {1, 0, 0, -10, 0, 1, 0, -12, 0, 0, 1, -11, 0, 0, 0, 1}));

    // Light in engine axes, its track in file order.
    ASSERT_EQ(mesh.lightCount, 1);
    EXPECT_EQ(mesh.lights[0].x, 1.0f);
    EXPECT_EQ(mesh.lights[0].y, 3.0f);
    EXPECT_EQ(mesh.lights[0].z, 2.0f);
    ASSERT_EQ(mesh.lights[0].keyCount, 2);
    expectKey(mesh.lights[0].keys[1], 50, 3, 2, 1);
    EXPECT_EQ(mesh.lightNodeIndex, 0);

    // Camera position (flags: none, then all five), target, roll; one zeroed key past each track.
    ASSERT_EQ(mesh.cameraKeyCount, 2);
    expectKey(mesh.cameraKeys[0], 0, 1, 2, 3);
    EXPECT_EQ(mesh.cameraKeys[0].tension, 0.0f);
    EXPECT_EQ(mesh.cameraKeys[0].easeFrom, 0.0f);
    expectKey(mesh.cameraKeys[1], 10, 4, 5, 6);
    EXPECT_EQ(mesh.cameraKeys[1].tension, 0.1f);
    EXPECT_EQ(mesh.cameraKeys[1].continuity, 0.2f);
    EXPECT_EQ(mesh.cameraKeys[1].bias, 0.3f);
    EXPECT_EQ(mesh.cameraKeys[1].easeTo, 0.4f);
    EXPECT_EQ(mesh.cameraKeys[1].easeFrom, 0.5f);
    expectKey(mesh.cameraKeys[2], 0, 0, 0, 0);
    ASSERT_EQ(mesh.targetKeyCount, 1);
    expectKey(mesh.targetKeys[0], 5, 7, 8, 9);
    EXPECT_EQ(mesh.targetKeys[0].tension, 0.1f);
    EXPECT_EQ(mesh.targetKeys[0].continuity, 0.0f);
    EXPECT_EQ(mesh.targetKeys[0].easeTo, 0.4f);
    EXPECT_EQ(mesh.targetKeys[0].easeFrom, 0.0f);
    ASSERT_EQ(mesh.rollKeyCount, 2);
    EXPECT_EQ(mesh.rollKeys[0].roll, 15.0f);
    EXPECT_EQ(mesh.rollKeys[1].frame, 20);
    EXPECT_EQ(mesh.rollKeys[1].roll, -30.0f);
    EXPECT_EQ(mesh.rollKeys[1].bias, 0.3f);
    EXPECT_EQ(mesh.rollKeys[1].tension, 0.0f);

    // Object tracks, pivot (engine axes) and its matrix.
    EXPECT_EQ(box.pivotX, 0.5f);
    EXPECT_EQ(box.pivotY, 2.5f);
    EXPECT_EQ(box.pivotZ, 1.5f);
    EXPECT_TRUE(
        matrixIs(box.pivotMatrix, {1, 0, 0, -0.5f, 0, 1, 0, -2.5f, 0, 0, 1, -1.5f, 0, 0, 0, 1}));
    ASSERT_EQ(box.positionKeyCount, 2);
    expectKey(box.positionKeys[1], 30, 11, 21, 31);
    EXPECT_EQ(box.positionKeys[1].continuity, 0.2f);
    EXPECT_EQ(box.positionKeys[1].easeFrom, 0.5f);
    EXPECT_EQ(box.positionKeys[1].tension, 0.0f);
    ASSERT_EQ(box.rotationKeyCount, 2);
    EXPECT_EQ(box.rotationKeys[0].angle, 0.5f);
    EXPECT_EQ(box.rotationKeys[0].axisZ, 1.0f);
    EXPECT_EQ(box.rotationKeys[1].axisX, 1.0f);
    EXPECT_EQ(box.rotationKeys[1].tension, 0.1f);
    EXPECT_EQ(box.rotationKeys[2].frame, 0);
    EXPECT_EQ(box.currentRotationKey, -1);
    EXPECT_TRUE(matrixIs(box.rotationMatrix, {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}));
    ASSERT_EQ(cone.positionKeyCount, 1);
    expectKey(cone.positionKeys[0], 3, -1, -2, -3);
    EXPECT_EQ(cone.rotationKeyCount, 0);
    EXPECT_EQ(cone.rotationKeys, nullptr);

    free3ds();
    EXPECT_EQ(mesh.materials[0].texture, nullptr);
    EXPECT_EQ(mesh.cameraKeys, nullptr);
    EXPECT_EQ(mesh.cameraKeyCount, 0);
    EXPECT_EQ(mesh.objects[0].positionKeys, nullptr);
    EXPECT_EQ(mesh.lights[0].keys, nullptr);
    EXPECT_EQ(archiveState.openFileIndex, -1);
}

TEST_F(Mesh3ds, LightMapsAreBuiltAtTheFirstLoadAndKeptUntilReset)
{
    auto red = [](const uint32_t* pixels) {
        return pixels && (pixels[0] >> 16 & 255) > 200 && (pixels[0] & 255) < 50;
    };
    auto blue = [](const uint32_t* pixels) {
        return pixels && (pixels[0] & 255) > 200 && (pixels[0] >> 16 & 255) < 50;
    };
    Scene3ds s;
    s.objects = {lineObject("Pole", 3, {{0, 1, 2, 0}})};
    // The first load after a reset fills the maps and loads this archive's environment picture.
    resetLightMaps();
    ASSERT_EQ(loadScene(s, message, {{"enver1.jpg", solidJpeg(0xFF0000)}}), 1) << message;
    EXPECT_TRUE(red(envMapTexture));
    EXPECT_EQ(lightMap[128][128], 255);
    EXPECT_EQ(specularMap[128][128], 192);
    // A later load keeps them, whatever picture its archive holds.
    ASSERT_EQ(loadScene(s, message, {{"enver1.jpg", solidJpeg(0x0000FF)}}), 1) << message;
    EXPECT_TRUE(red(envMapTexture));
    // The reset empties the record; the next load builds it again.
    resetLightMaps();
    EXPECT_EQ(envMapTexture, nullptr);
    EXPECT_EQ(lightMap[128][128], 0);
    EXPECT_FALSE(lightMapState.built);
    ASSERT_EQ(loadScene(s, message, {{"enver1.jpg", solidJpeg(0x0000FF)}}), 1) << message;
    EXPECT_TRUE(blue(envMapTexture));
    EXPECT_EQ(lightMap[128][128], 255);
}

TEST_F(Mesh3ds, VertexAndFaceLimits)
{
    Scene3ds s;
    s.objects = {lineObject("Big", 8000, {{0, 1, 2, 0}})};
    ASSERT_EQ(loadScene(s, message), 1) << message;
    EXPECT_EQ(mesh.vertexCount, 8000);
    EXPECT_EQ(mesh.vertices[7999].x, 7999.0f);

    resetMesh();
    mesh.vertices[0].x = 12345.0f;
    s.objects = {lineObject("A", 4000), lineObject("B", 4001)};
    EXPECT_EQ(loadScene(s, message), 0);
    EXPECT_EQ(message, "слишком много вершин.");
    EXPECT_EQ(mesh.vertices[0].x, 12345.0f);  // refused before any geometry is written

    s.objects = {lineObject("F", 3, std::vector<Face3ds>(8001, Face3ds{0, 1, 2, 0}))};
    EXPECT_EQ(loadScene(s, message), 0);
    EXPECT_EQ(message, "слишком много граней.");
    EXPECT_EQ(archiveState.openFileIndex, -1);
}

TEST_F(Mesh3ds, NodeNamesPickTheLastMatchingObjectOrObjectZero)
{
    Scene3ds s;
    s.objects = {lineObject("Same", 1), lineObject("Other", 1), lineObject("Same", 1)};
    Node3ds a = node(chunkObjectNode, "Same");
    a.position = track({key(1, {1, 1, 1})});
    Node3ds b = node(chunkObjectNode, "Nobody");
    b.hasPivot = true;
    b.pivot = {7, 8, 9};
    b.position = track({key(2, {2, 2, 2})});
    s.nodes = {a, b};
    ASSERT_EQ(loadScene(s, message), 1) << message;
    EXPECT_EQ(mesh.objects[2].positionKeyCount, 1);
    expectKey(mesh.objects[2].positionKeys[0], 1, 1, 1, 1);
    EXPECT_EQ(mesh.objects[0].positionKeyCount, 1);
    expectKey(mesh.objects[0].positionKeys[0], 2, 2, 2, 2);
    EXPECT_EQ(mesh.objects[0].pivotY, 9.0f);
    EXPECT_EQ(mesh.objects[1].positionKeyCount, 0);
}

TEST_F(Mesh3ds, PositionTracksFollowTheNodeKind)
{
    Scene3ds s;
    s.objects = {lineObject("Obj", 1)};
    s.lights = {{"L0", {0, 0, 0}, {1, 1, 1}}, {"L1", {0, 0, 0}, {1, 1, 1}}};
    // A camera node with two position tracks: the second one is the target's.
    Node3ds camera = node(chunkCameraNode, "Cam");
    camera.position = track({key(1, {1, 0, 0})});
    Node3ds extra = node(chunkCameraNode, "Cam");
    extra.position = track({key(2, {2, 0, 0})});
    // An unhandled node kind (spot light) keeps the kind of the node before it: here none.
    Node3ds spot = node(0xB006, "Spot");
    spot.position = track({key(3, {3, 0, 0})});
    // A second position track in an object node comes with kind none: skipped whole, and the
    // rotation track after it still loads.
    Node3ds object = node(chunkObjectNode, "Obj");
    object.position = track({key(4, {4, 0, 0})});
    Node3ds lights[2] = {node(chunkLightNode, "L0"), node(chunkLightNode, "L1")};
    lights[0].position = track({key(5, {5, 0, 0})});
    lights[1].position = track({key(6, {6, 0, 0})});
    s.nodes = {camera, lights[0], lights[1], object};
    std::vector<uint8_t> bytes = encode3ds(s);
    ASSERT_EQ(loadBytes(bytes, message), 1) << message;
    ASSERT_EQ(mesh.cameraKeyCount, 1);
    EXPECT_EQ(mesh.targetKeyCount, 0);
    EXPECT_EQ(mesh.lights[0].keys[0].frame, 5);
    EXPECT_EQ(mesh.lights[1].keys[0].frame, 6);
    EXPECT_EQ(mesh.objects[0].positionKeys[0].frame, 4);
    resetMesh();

    // Camera then its second track (the target), then a spot node, then an object node whose
    // node chunk holds a position track twice and a rotation track last.
    Scene3ds t;
    t.objects = {lineObject("Obj", 1)};
    Node3ds cam2 = node(chunkCameraNode, "Cam");
    cam2.position = track({key(1, {1, 0, 0})});
    t.nodes = {cam2, spot, object};
    std::vector<uint8_t> file = encode3ds(t);
    // Append a second position track and a rotation track inside the camera node by hand:
    // build the camera node with raw chunks instead.
    std::vector<uint8_t> raw;
    const size_t main = beginChunk(raw, 0x4D4D);
    const size_t editor = beginChunk(raw, 0x3D3D);
    const size_t named = beginChunk(raw, 0x4000);
    chunkPutString(raw, "Obj");
    const size_t tri = beginChunk(raw, 0x4100);
    const size_t verts = beginChunk(raw, 0x4110);
    chunkPut16(raw, 1);
    for (int i = 0; i < 3; ++i)
        chunkPutFloat(raw, 0);
    endChunk(raw, verts);
    endChunk(raw, tri);
    endChunk(raw, named);
    endChunk(raw, editor);
    const size_t keyframer = beginChunk(raw, 0xB000);
    auto positionTrack = [&](uint32_t frame) {
        const size_t c = beginChunk(raw, 0xB020);
        for (int i = 0; i < 5; ++i)
            chunkPut16(raw, 0);
        chunkPut32(raw, 1);
        chunkPut32(raw, frame);
        chunkPut16(raw, 0);
        for (int i = 0; i < 3; ++i)
            chunkPutFloat(raw, float(frame));
        endChunk(raw, c);
    };
    const size_t cam = beginChunk(raw, 0xB003);
    positionTrack(10);
    positionTrack(20);  // the target's
    positionTrack(30);  // kind none: skipped
    endChunk(raw, cam);
    const size_t obj = beginChunk(raw, 0xB002);
    const size_t header = beginChunk(raw, 0xB010);
    chunkPutString(raw, "Obj");
    for (int i = 0; i < 3; ++i)
        chunkPut16(raw, 0);
    endChunk(raw, header);
    positionTrack(40);
    positionTrack(50);  // kind none: skipped
    const size_t rot = beginChunk(raw, 0xB021);
    for (int i = 0; i < 5; ++i)
        chunkPut16(raw, 0);
    chunkPut32(raw, 1);
    chunkPut32(raw, 60);
    chunkPut16(raw, 0);
    for (int i = 0; i < 4; ++i)
        chunkPutFloat(raw, 1);
    endChunk(raw, rot);
    endChunk(raw, obj);
    endChunk(raw, keyframer);
    endChunk(raw, main);
    (void)file;
    ASSERT_EQ(loadBytes(raw, message), 1) << message;
    EXPECT_EQ(mesh.cameraKeys[0].frame, 10);
    EXPECT_EQ(mesh.targetKeys[0].frame, 20);
    EXPECT_EQ(mesh.objects[0].positionKeys[0].frame, 40);
    ASSERT_EQ(mesh.objects[0].rotationKeyCount, 1);
    EXPECT_EQ(mesh.objects[0].rotationKeys[0].frame, 60);
}

TEST_F(Mesh3ds, MaterialWithoutMapIsOverwrittenByTheNext)
{
    Scene3ds s;
    s.materials = {{"Bare", "", 0xA200}, {"Mapped", "m.jpg", 0xA230}};
    Object3ds o = lineObject("O", 3, {{0, 1, 2, 0}});
    o.groups = {{"Bare", {0}}};
    s.objects = {o};
    ASSERT_EQ(loadScene(s, message, {{"m.jpg", solidJpeg(0x00FF00)}}), 1) << message;
    EXPECT_EQ(mesh.materialCount, 1);
    EXPECT_STREQ(mesh.materials[0].name, "Mapped");
    // The group's material is gone: its faces get the slot past the face groups (none loaded).
    EXPECT_EQ(mesh.faces[0].texture, nullptr);
}

TEST_F(Mesh3ds, UnmatchedGroupTakesTheSlotPastTheGroups)
{
    // Materials A, B and one group naming B: the lookup runs below the group count (1), misses,
    // and lands on slot 1, which is B.
    Scene3ds s;
    s.materials = {{"A", "a.jpg", 0xA200}, {"B", "b.jpg", 0xA200}};
    Object3ds o = lineObject("O", 3, {{0, 1, 2, 0}});
    o.groups = {{"B", {0}}};
    s.objects = {o};
    ASSERT_EQ(
        loadScene(s, message, {{"a.jpg", solidJpeg(0xFF0000)}, {"b.jpg", solidJpeg(0x0000FF)}}), 1);
    EXPECT_EQ(mesh.faces[0].texture, mesh.materials[1].texture);
}

TEST_F(Mesh3ds, ZeroLengthEndsALevelAndUnknownChunksAreSkipped)
{
    std::vector<uint8_t> raw;
    const size_t main = beginChunk(raw, 0x4D4D);
    const size_t editor = beginChunk(raw, 0x3D3D);
    const size_t unknown = beginChunk(raw, 0x1234);  // no handler: skipped by its length
    chunkPut32(raw, 0x4D4D4D4D);
    endChunk(raw, unknown);
    for (const char* name : {"A", "B"}) {
        const size_t named = beginChunk(raw, 0x4000);
        chunkPutString(raw, name);
        const size_t tri = beginChunk(raw, 0x4100);
        const size_t verts = beginChunk(raw, 0x4110);
        chunkPut16(raw, 1);
        for (int i = 0; i < 3; ++i)
            chunkPutFloat(raw, 1);
        endChunk(raw, verts);
        endChunk(raw, tri);
        endChunk(raw, named);
        if (name[0] == 'A') {
            chunkPut16(raw, 0x5555);  // length 0: the editor level ends here
            chunkPut32(raw, 0);
        }
    }
    endChunk(raw, editor);
    endChunk(raw, main);
    // The zero length ends the editor level; handlers do not depend on the level, so the main
    // level meets B's named object next and still loads it.
    ASSERT_EQ(loadBytes(raw, message), 1) << message;
    EXPECT_EQ(mesh.objectCount, 2);
    EXPECT_EQ(mesh.vertexCount, 2);
    EXPECT_EQ(mesh.objects[1].firstVertex, 1);

    // A zero length at the top level ends the outermost walk: nothing after it is loaded. (It
    // follows an empty main chunk: a file that begins with anything else is no 3D Studio file.)
    resetMesh();
    std::vector<uint8_t> empty;
    endChunk(empty, beginChunk(empty, 0x4D4D));
    for (uint8_t b : {0x00, 0x01, 0, 0, 0, 0})
        empty.push_back(b);
    for (uint8_t b : raw)
        empty.push_back(b);
    ASSERT_EQ(loadBytes(empty, message), 1) << message;
    EXPECT_EQ(mesh.objectCount, 0);
    EXPECT_EQ(mesh.vertexCount, 0);
}

// Every file beyond a table, or pointing outside what it holds, is refused with a reason.
TEST_F(Mesh3ds, RefusalsNameTheirReason)
{
    auto expectRefused = [&](const Scene3ds& s, const char* reason,
                             std::vector<PackInput> files = {}) {
        resetMesh();
        EXPECT_EQ(loadScene(s, message, std::move(files)), 0) << reason;
        EXPECT_EQ(message, reason);
        EXPECT_EQ(archiveState.openFileIndex, -1) << reason;
    };
    Scene3ds s;
    for (int i = 0; i < 257; ++i)
        s.objects.push_back(lineObject(numbered("o", i), 1));
    expectRefused(s, "слишком много объектов.");

    s = {};
    for (int i = 0; i < 11; ++i)
        s.materials.push_back({numbered("m", i), "m.jpg", 0xA200});
    expectRefused(s, "слишком много материалов.", {{"m.jpg", solidJpeg(0)}});

    s = {};
    Object3ds o = lineObject("O", 3, std::vector<Face3ds>(11, Face3ds{0, 1, 2, 0}));
    for (uint16_t i = 0; i < 11; ++i)
        o.groups.push_back({numbered("g", i), {i}});
    s.objects = {o};
    expectRefused(s, "слишком много групп граней.");

    o = lineObject("O", 3, std::vector<Face3ds>(2049, Face3ds{0, 1, 2, 0}));
    o.groups = {{"g", {}}};
    for (uint16_t i = 0; i < 2048; ++i)
        o.groups[0].faces.push_back(i);
    s.objects = {o};
    resetMesh();
    EXPECT_EQ(loadScene(s, message), 1) << message;  // exactly full
    o.groups[0].faces.push_back(2048);
    s.objects = {o};
    expectRefused(s, "слишком много граней в группе.");

    s = {};
    for (int i = 0; i < 101; ++i)
        s.lights.push_back({"l", {0, 0, 0}, {1, 1, 1}});
    expectRefused(s, "слишком много источников света.");

    s = {};
    s.objects = {lineObject(std::string(31, 'n'), 1)};
    resetMesh();
    EXPECT_EQ(loadScene(s, message), 1) << message;
    s.objects = {lineObject(std::string(32, 'n'), 1)};
    expectRefused(s, "слишком длинное имя.");
    s = {};
    s.materials = {{std::string(64, 'm'), "m.jpg", 0xA200}};
    expectRefused(s, "слишком длинное имя.", {{"m.jpg", solidJpeg(0)}});
    s.materials = {{"m", "abcdefghijklmnop", 0xA200}};
    expectRefused(s, "слишком длинное имя.");

    s = {};
    s.objects = {lineObject("A", 4), lineObject("B", 4, {{0, 1, 4, 0}})};  // local 4 = global 8
    expectRefused(s, "неверный номер вершины в списке граней.");
    o = lineObject("O", 3, {{0, 1, 2, 0}});
    o.groups = {{"g", {1}}};
    s.objects = {o};
    expectRefused(s, "неверный номер грани в группе.");

    s = {};
    s.objects = {lineObject("O", 1)};
    Node3ds n = node(chunkObjectNode, "O");
    n.position = track({key(0, {1, 2, 3})});
    n.position.claimedCount = 1000000;
    s.nodes = {n};
    expectRefused(s, "неверное число ключей.");
    n.position.claimedCount = 0xFFFFFFFF;
    s.nodes = {n};
    expectRefused(s, "неверное число ключей.");
}

TEST_F(Mesh3ds, DamagedFramingIsRefusedInEitherPass)
{
    // Counting pass: the editor chunk claims more than the main chunk holds.
    Scene3ds s;
    s.objects = {lineObject("O", 3, {{0, 1, 2, 0}})};
    std::vector<uint8_t> bytes = encode3ds(s);
    std::vector<uint8_t> bad = bytes;
    bad[6 + 10 + 2] += 1;  // main header (6), version chunk (10), editor length
    EXPECT_EQ(loadBytes(bad, message), 0);
    EXPECT_EQ(message, "statChunk() завершилась с ошибкой. Файл t.3ds, видимо, поврежден.");
    bad = bytes;
    bad.erase(bad.end() - 7,
              bad.end());  // resize trips a false overflow warning of GCC 12 under ASan
    EXPECT_EQ(loadBytes(bad, message), 0);
    EXPECT_EQ(message, "statChunk() завершилась с ошибкой. Файл t.3ds, видимо, поврежден.");
    bad = bytes;
    bad[3] = 0;  // main chunk length below its own header
    bad[2] = 3;
    bad[4] = bad[5] = 0;
    EXPECT_EQ(loadBytes(bad, message), 0);

    // Filling pass: inside a material, which only that pass walks.
    std::vector<uint8_t> raw;
    const size_t main = beginChunk(raw, 0x4D4D);
    const size_t editor = beginChunk(raw, 0x3D3D);
    const size_t material = beginChunk(raw, 0xAFFF);
    const size_t name = beginChunk(raw, 0xA000);
    chunkPutString(raw, "mat");
    endChunk(raw, name);
    endChunk(raw, material);
    raw[name + 2] += 8;  // the name chunk runs past its material
    endChunk(raw, editor);
    endChunk(raw, main);
    EXPECT_EQ(loadBytes(raw, message), 0);
    EXPECT_EQ(message, "ошибка при чтении файла.");

    // Vertices hidden from the counting pass inside a material still meet the table's limit.
    raw.clear();
    const size_t main2 = beginChunk(raw, 0x4D4D);
    const size_t editor2 = beginChunk(raw, 0x3D3D);
    const size_t material2 = beginChunk(raw, 0xAFFF);
    for (int k = 0; k < 2; ++k) {
        const size_t verts = beginChunk(raw, 0x4110);
        chunkPut16(raw, 5000);
        for (int i = 0; i < 15000; ++i)
            chunkPutFloat(raw, 0);
        endChunk(raw, verts);
    }
    endChunk(raw, material2);
    endChunk(raw, editor2);
    endChunk(raw, main2);
    EXPECT_EQ(loadBytes(raw, message), 0);
    EXPECT_EQ(message, "слишком много вершин.");

    EXPECT_EQ(load3ds("absent.3ds", message.data()), 0);
    EXPECT_STREQ(message.c_str(), "не могу открыть файл absent.3ds.");
}

TEST(MeshText, FailureExitsOne)
{
    EXPECT_EXIT(failMeshLoad("слишком много вершин."), ::testing::ExitedWithCode(1), "");
}

// A file that is not a 3D Studio file at all is the loader's error, not an empty mesh.
TEST_F(Mesh3ds, FilesWithoutAMainChunkAreRefused)
{
    Scene3ds s;
    s.objects = {lineObject("O", 3, {{0, 1, 2, 0}})};
    std::vector<uint8_t> editorOnly = encode3ds(s);
    editorOnly[0] = 0x3D;  // the main chunk's id changed to the editor chunk's
    editorOnly[1] = 0x3D;
    for (const std::vector<uint8_t>& bytes :
         {std::vector<uint8_t>{}, std::vector<uint8_t>{0x4D}, solidJpeg(0x123456), editorOnly}) {
        resetMesh();
        EXPECT_EQ(loadBytes(bytes, message), 0);
        EXPECT_EQ(message, "файл t.3ds не является файлом 3D Studio.");
        EXPECT_EQ(archiveState.openFileIndex, -1);
    }
}

// Files as other programs write them: padding after the main chunk, and nesting far deeper than
// any real file (which would otherwise recurse until the stack runs out).
TEST_F(Mesh3ds, TopLevelPaddingLoadsAndDeepNestingIsRefused)
{
    Scene3ds s;
    s.objects = {lineObject("O", 3, {{0, 1, 2, 0}})};
    const std::vector<uint8_t> bytes = encode3ds(s);
    for (size_t pad = 1; pad < 6; ++pad) {
        std::vector<uint8_t> padded = bytes;
        padded.insert(padded.end(), pad, 0xCD);
        resetMesh();
        ASSERT_EQ(loadBytes(padded, message), 1) << pad << " bytes: " << message;
        EXPECT_EQ(mesh.vertexCount, 3);
        EXPECT_EQ(mesh.faceCount, 1);
    }
    // Six bytes are a chunk header: one running past the file is damage, not padding.
    std::vector<uint8_t> header = bytes;
    for (uint8_t b : {0x00, 0x3D, 0xFF, 0, 0, 0})
        header.push_back(b);
    EXPECT_EQ(loadBytes(header, message), 0);
    EXPECT_EQ(message, "statChunk() завершилась с ошибкой. Файл t.3ds, видимо, поврежден.");
    // Inside a chunk, bytes too few for a header are still damage.
    std::vector<uint8_t> inner;
    const size_t main = beginChunk(inner, 0x4D4D);
    for (int i = 0; i < 3; ++i)
        inner.push_back(0xCD);
    endChunk(inner, main);
    EXPECT_EQ(loadBytes(inner, message), 0);

    // Nested main chunks are met by the counting walk, nested materials only by the filling walk.
    auto nested = [](std::vector<uint16_t> outer, uint16_t id, int levels) {
        std::vector<uint8_t> raw;
        std::vector<size_t> open;
        for (uint16_t o : outer)
            open.push_back(beginChunk(raw, o));
        for (int i = 0; i < levels; ++i)
            open.push_back(beginChunk(raw, id));
        while (!open.empty()) {
            endChunk(raw, open.back());
            open.pop_back();
        }
        return raw;
    };
    EXPECT_EQ(loadBytes(nested({}, 0x4D4D, 5000), message), 0);
    EXPECT_EQ(message, "слишком глубокая вложенность блоков.");
    EXPECT_EQ(loadBytes(nested({0x4D4D, 0x3D3D}, 0xAFFF, 5000), message), 0);
    EXPECT_EQ(message, "слишком глубокая вложенность блоков.");
    EXPECT_EQ(archiveState.openFileIndex, -1);
    resetMesh();
    EXPECT_EQ(loadBytes(nested({0x4D4D, 0x3D3D}, 0xAFFF, 20), message), 1) << message;
}
