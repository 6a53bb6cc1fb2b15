// Inside the 3DS loader: the context its two walks carry, the bounded reads, and the handlers of
// each chunk family. Only the load3ds*.cpp files include this header.
//
// Every read and handler returns false when the file fails: a read or seek past the end of the
// chunk being handled, or a refusal that wrote its own reason into the message. The walk then
// stops at once and load3ds writes the pass's message unless a reason is there already.
#pragma once

#include <cstdint>

#include "assets/assets.h"

// Chunk identifiers the walks know; any other chunk has its payload skipped.
constexpr uint16_t chunkMain = 0x4D4D;
constexpr uint16_t chunkEditor = 0x3D3D;
constexpr uint16_t chunkNamedObject = 0x4000;
constexpr uint16_t chunkTriangleMesh = 0x4100;
constexpr uint16_t chunkVertexList = 0x4110;
constexpr uint16_t chunkFaceList = 0x4120;
constexpr uint16_t chunkFaceMaterial = 0x4130;
constexpr uint16_t chunkTexCoords = 0x4140;
constexpr uint16_t chunkMeshMatrix = 0x4160;
constexpr uint16_t chunkLight = 0x4600;
constexpr uint16_t chunkMaterialName = 0xA000;
constexpr uint16_t chunkTextureMap = 0xA200;
constexpr uint16_t chunkReflectionMap = 0xA220;
constexpr uint16_t chunkBumpMap = 0xA230;
constexpr uint16_t chunkMapName = 0xA300;
constexpr uint16_t chunkMaterial = 0xAFFF;
constexpr uint16_t chunkKeyframer = 0xB000;
constexpr uint16_t chunkObjectNodeId = 0xB002;
constexpr uint16_t chunkCameraNodeId = 0xB003;
constexpr uint16_t chunkTargetNodeId = 0xB004;
constexpr uint16_t chunkLightNodeId = 0xB005;
constexpr uint16_t chunkNodeHeader = 0xB010;
constexpr uint16_t chunkPivot = 0xB013;
constexpr uint16_t chunkPositionTrack = 0xB020;
constexpr uint16_t chunkRotationTrack = 0xB021;
constexpr uint16_t chunkRollTrack = 0xB024;

// Walk levels open at once. Files written by modelling programs nest five (main, editor data,
// material, map, map name); a file nesting deeper than this is refused before the walk's recursion
// can run out of stack.
constexpr int maxChunkDepth = 32;
// Bytes of a chunk header: identifier (2) and length (4). Fewer than this left after the last
// chunk of the top level are padding, not a chunk.
constexpr int64_t chunkHeaderSize = 6;

// The open mesh file and how far the walk has read in it. No read goes past `limit`, the end of
// the chunk being handled (the file's end at the top), so every handler stays inside its chunk.
struct LoadContext {
    PackFile* file;
    int64_t fileSize;
    int64_t consumed;  // bytes read or skipped from the start of the file
    int64_t limit;
    int depth;      // walk levels open; 1 while walking the top level
    char* message;  // the caller's buffer of meshMessageSize bytes
};

struct ChunkHeader {
    uint16_t id;
    int64_t end;  // first byte after the payload
};

// Identity with the translation (x, y, z): the origin and pivot matrices, and with (0, 0, 0) the
// rotation matrix a rotation track starts from.
inline Matrix4 translationMatrix(float x, float y, float z)
{
    return Matrix4{{1, 0, 0, x, 0, 1, 0, y, 0, 0, 1, z, 0, 0, 0, 1}};
}

[[nodiscard]] bool readBytes(LoadContext& ctx, void* out, int64_t count);
[[nodiscard]] bool readU16(LoadContext& ctx, uint16_t& value);
[[nodiscard]] bool readU32(LoadContext& ctx, uint32_t& value);
[[nodiscard]] bool readFloat(LoadContext& ctx, float& value);
// Reads a zero-terminated string into out (capacity bytes with the terminator); a longer name is
// refused rather than cut or written past its slot.
[[nodiscard]] bool readString(LoadContext& ctx, char* out, int capacity);
[[nodiscard]] bool skipBytes(LoadContext& ctx, int64_t count);
// Skips what the handler left of the chunk's payload.
[[nodiscard]] bool skipRest(LoadContext& ctx, const ChunkHeader& chunk);
// Refuses the file with a reason of its own, kept over the pass's message. Always false.
bool refuse(LoadContext& ctx, const char* reason);

// Mesh data (load3ds_mesh.cpp). A triangle mesh chunk is framed by beginMeshObject, which checks
// the object table has room, and endMeshObject after its chunks, which sets the object's vertex
// and face ranges. loadMeshChunk reads the vertex, texture-coordinate, face, face-material and
// matrix chunks; faceBase is the face count before the walk level's last face list, which the
// face-material groups of that level number their faces from.
[[nodiscard]] bool beginMeshObject(LoadContext& ctx);
[[nodiscard]] bool endMeshObject(LoadContext& ctx);
[[nodiscard]] bool loadMeshChunk(LoadContext& ctx, const ChunkHeader& chunk, int32_t& faceBase);

// Materials (load3ds_materials.cpp): material names and map file names, whose pictures are
// loaded at once; after the walk, giveFacesTextures hands each face its group's map.
[[nodiscard]] bool loadMaterialChunk(LoadContext& ctx, const ChunkHeader& chunk);
void giveFacesTextures();

// Lights and camera (load3ds_lights.cpp): light positions of the editor data, and the position
// tracks of the camera, its target and the lights, and the camera's roll track, of the keyframer.
[[nodiscard]] bool loadLight(LoadContext& ctx);
[[nodiscard]] bool loadCameraPositionTrack(LoadContext& ctx);
[[nodiscard]] bool loadLightPositionTrack(LoadContext& ctx);
[[nodiscard]] bool loadCameraRollTrack(LoadContext& ctx);

// Keyframer (load3ds_keyframer.cpp): which node the chunks of a node chunk belong to, node headers,
// pivots and object tracks. enterNode takes the node chunk's identifier.
void enterNode(uint16_t nodeChunk);
[[nodiscard]] bool loadKeyframerChunk(LoadContext& ctx, const ChunkHeader& chunk);
// Track reading shared with the camera and light tracks: K keys plus one zeroed key past them.
[[nodiscard]] bool readPositionTrack(LoadContext& ctx, TrackKey*& keys, int32_t& count);
[[nodiscard]] bool readRollTrack(LoadContext& ctx, RollKey*& keys, int32_t& count);
