// A 3D Studio (.3ds) writer for the chunk subset the engine's mesh loader reads.
//
// Describe a scene with the plain records below and call encode3ds. The file is laid out as
//   0x4D4D main
//     0x3D3D editor data
//       0xAFFF material { 0xA000 name, [mapChunk { 0xA300 map file name }] }      per material
//       0x4000 named object { name, 0x4100 triangle mesh {                         per object
//           0x4110 vertices, [0x4140 texture coordinates],
//           0x4120 faces { 0x4130 face material group ... }, [0x4160 mesh matrix] } }
//       0x4000 named object { name, 0x4600 light { x y z, 0x0010 colour } }       per light
//     0xB000 keyframer data
//       node chunk { [0xB030 node id], 0xB010 header, [0xB013 pivot],                per node
//                    [0xB020 position], [0xB021 rotation], [0xB024 roll] }
// Values are written as given, in the file's axes (z up): the writer swaps nothing.
// For malformed test files, the chunk helpers at the end build arbitrary chunk trees.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

// Flag bits of a track key: which of the five spline parameters follow the flag word.
constexpr uint16_t keyHasTension = 0x01;
constexpr uint16_t keyHasContinuity = 0x02;
constexpr uint16_t keyHasBias = 0x04;
constexpr uint16_t keyHasEaseTo = 0x08;
constexpr uint16_t keyHasEaseFrom = 0x10;

struct Key3ds {
    uint32_t frame = 0;
    uint16_t flags = 0;  // keyHas... bits; a parameter is written only when its bit is set
    float tension = 0, continuity = 0, bias = 0, easeTo = 0, easeFrom = 0;
    // Position: x, y, z. Rotation: angle, axis x, y, z. Roll: angle (degrees).
    std::array<float, 4> value{};
};

struct Track3ds {
    bool present = false;  // write the chunk even when it has no keys
    uint16_t trackFlags = 0;
    std::vector<Key3ds> keys;
    // Key count written in the header; -1 writes keys.size(). Lets tests claim more keys than
    // follow.
    int64_t claimedCount = -1;
};

struct Face3ds {
    uint16_t a = 0, b = 0, c = 0;
    uint16_t flags = 0;
};

struct FaceGroup3ds {
    std::string material;
    std::vector<uint16_t> faces;  // face indices within the object
};

struct Object3ds {
    std::string name;
    std::vector<std::array<float, 3>> vertices;   // file axes
    std::vector<std::array<float, 2>> texCoords;  // written when not empty
    std::vector<Face3ds> faces;
    std::vector<FaceGroup3ds> groups;  // written inside the face list chunk
    bool hasMatrix = false;
    // X axis (0..2), Y axis (3..5), Z axis (6..8), origin (9..11), file axes.
    std::array<float, 12> matrix{1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0};
};

struct Light3ds {
    std::string name;
    std::array<float, 3> position{};  // file axes
    std::array<float, 3> colour{1, 1, 1};
};

struct Material3ds {
    std::string name;
    std::string mapName;         // empty: no map chunk at all
    uint16_t mapChunk = 0xA200;  // 0xA200 texture, 0xA220 reflection or 0xA230 bump map
};

constexpr uint16_t chunkObjectNode = 0xB002;
constexpr uint16_t chunkCameraNode = 0xB003;
constexpr uint16_t chunkTargetNode = 0xB004;
constexpr uint16_t chunkLightNode = 0xB005;

struct Node3ds {
    uint16_t kind = chunkObjectNode;  // node chunk identifier (other values are written as given)
    int32_t nodeId = -1;              // 0xB030 written when >= 0
    std::string name;
    uint16_t flags1 = 0, flags2 = 0;
    uint16_t parent = 0xFFFF;
    bool hasPivot = false;
    std::array<float, 3> pivot{};  // file axes
    Track3ds position;             // values x, y, z
    Track3ds rotation;             // values angle, axis x, y, z
    Track3ds roll;                 // value roll
};

struct Scene3ds {
    std::vector<Material3ds> materials;
    std::vector<Object3ds> objects;
    std::vector<Light3ds> lights;
    std::vector<Node3ds> nodes;  // keyframer section written when not empty
};

std::vector<uint8_t> encode3ds(const Scene3ds& scene);

// Chunk helpers (little-endian). beginChunk writes the identifier and a length placeholder and
// returns the chunk's start; endChunk patches its length to cover everything written since.
void chunkPut16(std::vector<uint8_t>& out, uint16_t v);
void chunkPut32(std::vector<uint8_t>& out, uint32_t v);
void chunkPutFloat(std::vector<uint8_t>& out, float v);
void chunkPutString(std::vector<uint8_t>& out, const std::string& s);  // with the zero byte
size_t beginChunk(std::vector<uint8_t>& out, uint16_t id);
void endChunk(std::vector<uint8_t>& out, size_t start);
