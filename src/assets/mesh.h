// The Mesh: the one set of fixed tables that holds the 3D scene last loaded by load3ds, with its
// keyframe tracks.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "render/maths.h"

// Capacities of the mesh tables. The vertex and face limits are what every scene file of the show
// stays within; the loader counts a file first and refuses one beyond them before writing geometry.
// The other limits are the sizes of the tables the show's files were made for; the loader refuses a
// file that would go beyond any of them too.
constexpr int maxMeshVertices = 8000;
constexpr int maxMeshFaces = 8000;
constexpr int maxMeshObjects = 256;
constexpr int maxMeshMaterials = 10;
constexpr int maxFaceGroups = 10;
constexpr int maxFaceGroupFaces = 2048;
constexpr int maxMeshLights = 100;
constexpr int objectNameSize = 32;    // bytes, terminator included
constexpr int materialNameSize = 64;  // bytes, terminator included (materials and face groups)
constexpr int mapNameSize = 16;       // bytes, terminator included (texture map file names)

// Position key of a track; values in the file's axis order (x, y, z as stored, z up).
struct TrackKey {
    int32_t frame;
    float tension, continuity, bias, easeTo, easeFrom;  // 0 where the file omits them
    float x, y, z;
};
static_assert(sizeof(TrackKey) == 36);

// Rotation key: angle in radians about the axis, relative to the key before it; file axis order.
struct RotationKey {
    int32_t frame;
    float tension, continuity, bias, easeTo, easeFrom;
    float angle;
    float axisX, axisY, axisZ;
};
static_assert(sizeof(RotationKey) == 40);

// Camera roll key, angle in degrees.
struct RollKey {
    int32_t frame;
    float tension, continuity, bias, easeTo, easeFrom;
    float roll;
};
static_assert(sizeof(RollKey) == 28);

// One vertex: sixteen floats. The loader fills position and texture coordinates; the renderer
// writes the camera-space, screen and normal fields.
struct MeshVertex {
    float x, y, z;        // object space, engine axes (file x, z, y)
    float cx, cy, cz;     // camera space
    float sx, sy;         // screen position
    float u, v;           // texels of a 256x256 texture: u = file u * 256, v = 256 - file v * 256
    float nx, ny, nz;     // unit vertex normal, object space
    float cnx, cny, cnz;  // camera-space normal
};
static_assert(sizeof(MeshVertex) == 64);
static_assert(offsetof(MeshVertex, cx) == 12 && offsetof(MeshVertex, sx) == 24 &&
              offsetof(MeshVertex, u) == 32 && offsetof(MeshVertex, nx) == 40 &&
              offsetof(MeshVertex, cnx) == 52);

// How the rasterizer draws a face (drawFace). One byte, as the face record has always stored it;
// values without a name (8, 10 and above) draw nothing.
enum DrawMode : uint8_t {
    modeLightMapped = 0,  // texture times the diffuse light map
    modeCopy = 1,         // texture as it is
    modeLitHalf = 2,      // light-mapped texture over half the background
    modeHalfBlend = 3,    // half texture, half background
    modeHighlight = 4,    // light-mapped texture plus the highlight map
    modeWireframe = 5,    // the three edges as glow lines
    modeEnvironment = 6,  // texture times the environment picture
    modePointLit = 7,     // texture times the brightness of light 0
    modeAdditive = 9,     // texture added to the background
};
static_assert(sizeof(DrawMode) == 1);

// One triangle. The texture is a 256x256 array of 32-bit texels (0x00RRGGBB words, row-major,
// texel (u, v) at v * 256 + u) or null for faces that no material gives a map.
struct MeshFace {
    MeshVertex* a;
    MeshVertex* b;
    MeshVertex* c;
    uint32_t* texture;
    float nx, ny, nz;     // face normal
    float cnx, cny, cnz;  // camera-space face normal
    DrawMode mode;        // the loader sets modeLightMapped
};
static_assert(offsetof(MeshFace, texture) == 3 * sizeof(void*));
static_assert(offsetof(MeshFace, nx) == 4 * sizeof(void*));
static_assert(offsetof(MeshFace, mode) == 4 * sizeof(void*) + 24);

// One mesh object: inclusive ranges of the global vertex and face tables, its pivot and the four
// matrices a keyframed scene composes as V * T * pivotMatrix * R * rotationMatrix * meshMatrix *
// originMatrix.
struct MeshObject {
    int32_t firstVertex, lastVertex;
    int32_t firstFace, lastFace;
    float pivotX, pivotY, pivotZ;  // engine axes
    Matrix4 meshMatrix;            // rows: file X, Z, Y axis vectors with y and z swapped
    Matrix4 originMatrix;          // translation by minus the mesh origin (engine axes)
    Matrix4 rotationMatrix;        // accumulated rotation of the rotation track (renderer)
    Matrix4 pivotMatrix;           // translation by minus the pivot
    TrackKey* positionKeys;        // owned, positionKeyCount + 1 keys, or null
    RotationKey* rotationKeys;     // owned, rotationKeyCount + 1 keys, or null
    int32_t positionKeyCount;
    int32_t rotationKeyCount;
    int32_t currentRotationKey;  // last rotation key applied; -1 after loading the track
};
static_assert(offsetof(MeshObject, pivotX) == 16 && offsetof(MeshObject, meshMatrix) == 28 &&
              offsetof(MeshObject, pivotMatrix) == 28 + 3 * 64);

// A light: position, six working fields of the renderer and the scenes, its position track.
struct MeshLight {
    float x, y, z;        // engine axes
    float cx, cy, cz;     // camera space (light transform)
    float sx, sy;         // screen position (projectPoint)
    uint32_t spriteSlot;  // low byte: index into the scenes' texture slots
    TrackKey* keys;       // owned, keyCount + 1 keys, or null
    int32_t keyCount;
};
static_assert(offsetof(MeshLight, cx) == 12 && offsetof(MeshLight, sx) == 24 &&
              offsetof(MeshLight, spriteSlot) == 32 &&
              offsetof(MeshLight, keys) == 32 + sizeof(void*));

struct MeshMaterial {
    char name[materialNameSize];
    char mapName[mapNameSize];
    uint32_t* texture;  // owned pixels of the map picture, or null
};

// The faces of one material, as global face indices.
struct FaceGroup {
    char name[materialNameSize];
    uint16_t faceCount;
    uint16_t faces[maxFaceGroupFaces];
};

// Keyframer node kinds: which track a position-track chunk belongs to.
enum NodeKind : int32_t { nodeNone = 0, nodeCamera, nodeTarget, nodeObject, nodeLight };

struct Mesh {
    MeshVertex vertices[maxMeshVertices];
    MeshFace faces[maxMeshFaces];
    MeshObject objects[maxMeshObjects];
    char objectNames[maxMeshObjects][objectNameSize];
    int32_t objectFirstVertex[maxMeshObjects];
    int32_t objectFaceTotal[maxMeshObjects];    // faces loaded up to and including the object
    int32_t objectVertexTotal[maxMeshObjects];  // vertices loaded up to and including the object
    MeshLight lights[maxMeshLights];
    MeshMaterial materials[maxMeshMaterials];
    FaceGroup faceGroups[maxFaceGroups];

    TrackKey* cameraKeys;  // camera position track
    int32_t cameraKeyCount;
    TrackKey* targetKeys;  // camera target position track
    int32_t targetKeyCount;
    RollKey* rollKeys;  // camera roll track
    int32_t rollKeyCount;

    int32_t vertexCount;
    int32_t faceCount;
    int32_t objectCount;
    int32_t texCoordCount;
    int32_t lightCount;
    int32_t lightNodeIndex;  // next light whose position track the keyframer fills
    uint16_t materialCount;
    int32_t faceGroupCount;
    NodeKind nodeKind;
    int32_t nodeObject;  // object that pivot and tracks of the current node apply to
};

extern Mesh mesh;

// Loads the 3DS file `name` from the archive into the Mesh. Returns 1 on success; 0 on failure
// with the reason in `message` (UTF-8), which
// holds at least meshMessageSize bytes and is set to "" first.
constexpr int meshMessageSize = 256;
int load3ds(const char* name, char* message);
// What a scene does when load3ds fails: writes "Ошибка: <message>" and a line break to standard
// output in UTF-8 and ends the process with exit code 1.
[[noreturn]] void failMeshLoad(const char* message);
// Releases the textures and key arrays of the last load; counters stay until the next load.
void free3ds();
// Makes sure the light maps (lightMap, specularMap) and the environment picture "enver1.jpg"
// (envMapTexture) exist: the renderer's buildLightMaps makes them unless they are built, and they
// stay until resetLightMaps. load3ds calls it at every load.
void makeHighlightMaps();
// Frees whatever the Mesh owns and zeroes it (tests, between independent loads).
void resetMesh();
