// The 3DS mesh loader: a counting walk that sizes the file, then a filling walk into the Mesh.
// Both walk the same chunk tree; the filling walk hands each chunk family to its own handlers
// (load3ds_mesh.cpp, load3ds_materials.cpp, load3ds_lights.cpp, load3ds_keyframer.cpp).
#include <cstdio>
#include <cstring>

#include "archive/archive.h"
#include "assets/load3ds_walk.h"

namespace {

enum class HeaderRead { chunk, levelEnd, failed };

// Reads a chunk header. A length of 0 ends the walk level; a chunk shorter than its header or
// running past the one that holds it fails the file.
HeaderRead readChunkHeader(LoadContext& ctx, ChunkHeader& chunk)
{
    uint32_t length;
    if (!readU16(ctx, chunk.id) || !readU32(ctx, length))
        return HeaderRead::failed;
    if (length == 0)
        return HeaderRead::levelEnd;
    if (length < chunkHeaderSize)
        return HeaderRead::failed;
    chunk.end = ctx.consumed + (int64_t(length) - chunkHeaderSize);
    if (chunk.end > ctx.limit)
        return HeaderRead::failed;
    return HeaderRead::chunk;
}

// Opens a walk level; false (refused) past the deepest nesting a file may have.
bool enterLevel(LoadContext& ctx)
{
    if (ctx.depth >= maxChunkDepth)
        return refuse(ctx, "слишком глубокая вложенность блоков.");
    ++ctx.depth;
    return true;
}

// True when the level is done before its end: the top level stops at padding too short to be a
// chunk, which some programs write after the main chunk.
bool atTopLevelPadding(const LoadContext& ctx)
{
    return ctx.depth == 1 && ctx.fileSize - ctx.consumed < chunkHeaderSize;
}

bool statChunk(LoadContext& ctx, int64_t end);
bool loadChunk(LoadContext& ctx, int64_t end);

// The counting walk's handlers: objects, their names, vertices and faces.
bool statOneChunk(LoadContext& ctx, const ChunkHeader& chunk)
{
    switch (chunk.id) {
    case chunkMain:
    case chunkEditor: return statChunk(ctx, chunk.end);
    case chunkNamedObject: {             // its name, then its parts
        char name[objectNameSize] = {};  // copied whole into its slot
        if (!readString(ctx, name, objectNameSize))
            return false;
        if (mesh.objectCount < maxMeshObjects)
            std::memcpy(mesh.objectNames[mesh.objectCount], name, sizeof name);
        return statChunk(ctx, chunk.end);
    }
    case chunkTriangleMesh:
        if (mesh.objectCount >= maxMeshObjects)
            return refuse(ctx, "слишком много объектов.");
        ++mesh.objectCount;
        return statChunk(ctx, chunk.end);
    case chunkVertexList:
    case chunkFaceList: {  // the count; the rest, a face list's sub-chunks included, is skipped
        uint16_t count;
        if (!readU16(ctx, count))
            return false;
        (chunk.id == chunkVertexList ? mesh.vertexCount : mesh.faceCount) += count;
        return skipRest(ctx, chunk);
    }
    default: return skipRest(ctx, chunk);
    }
}

// The filling walk's handlers. Chunks that hold others are walked here; the chunks that carry
// data go to their family's handler. faceBase belongs to the walk level.
bool loadOneChunk(LoadContext& ctx, const ChunkHeader& chunk, int32_t& faceBase)
{
    switch (chunk.id) {
    case chunkMain:
    case chunkKeyframer:
        if (!loadChunk(ctx, chunk.end))
            return false;
        mesh.lightNodeIndex = 0;
        return true;
    case chunkEditor:
    case chunkMaterial:
    case chunkTextureMap:
    case chunkReflectionMap:
    case chunkBumpMap: return loadChunk(ctx, chunk.end);
    case chunkNamedObject: {  // the counting walk kept the name
        char name[256];
        return readString(ctx, name, sizeof name) && loadChunk(ctx, chunk.end);
    }
    case chunkTriangleMesh:
        return beginMeshObject(ctx) && loadChunk(ctx, chunk.end) && endMeshObject(ctx);
    case chunkObjectNodeId:
    case chunkCameraNodeId:
    case chunkTargetNodeId:
    case chunkLightNodeId: enterNode(chunk.id); return loadChunk(ctx, chunk.end);
    case chunkVertexList:
    case chunkTexCoords:
    case chunkFaceList:
    case chunkFaceMaterial:
    case chunkMeshMatrix: return loadMeshChunk(ctx, chunk, faceBase);
    case chunkMaterialName:
    case chunkMapName: return loadMaterialChunk(ctx, chunk);
    case chunkLight: return loadLight(ctx);
    case chunkNodeHeader:
    case chunkPivot:
    case chunkPositionTrack:
    case chunkRotationTrack:
    case chunkRollTrack: return loadKeyframerChunk(ctx, chunk);
    default: return skipRest(ctx, chunk);
    }
}

// Walks one level up to end, handing each chunk to the pass's handler with the read limit held
// to the chunk. A handler may stop short of its chunk's end: the walk then meets what follows as
// chunks of this level (a face list's groups, a light's sub-chunks).
template <typename Handler>
bool walkLevel(LoadContext& ctx, int64_t end, Handler handle)
{
    if (!enterLevel(ctx))
        return false;
    bool ok = true;
    while (ok && ctx.consumed < end && !atTopLevelPadding(ctx)) {
        ChunkHeader chunk;
        const HeaderRead header = readChunkHeader(ctx, chunk);
        if (header != HeaderRead::chunk) {
            ok = header == HeaderRead::levelEnd;
            break;
        }
        const int64_t outerLimit = ctx.limit;
        ctx.limit = chunk.end;
        ok = handle(chunk);
        ctx.limit = outerLimit;
    }
    --ctx.depth;
    return ok;
}

bool statChunk(LoadContext& ctx, int64_t end)
{
    return walkLevel(ctx, end, [&](const ChunkHeader& chunk) { return statOneChunk(ctx, chunk); });
}

bool loadChunk(LoadContext& ctx, int64_t end)
{
    int32_t faceBase = 0;
    return walkLevel(ctx, end,
                     [&](const ChunkHeader& chunk) { return loadOneChunk(ctx, chunk, faceBase); });
}

// Back to the file's start with every counter of the Mesh at 0, before each walk. Object names
// are not counters: the filling walk uses the ones the counting walk found.
void startWalk(LoadContext& ctx)
{
    packSeek(ctx.file, 0, 0);
    ctx.consumed = 0;
    ctx.limit = ctx.fileSize;
    ctx.depth = 0;
    mesh.vertexCount = 0;
    mesh.faceCount = 0;
    mesh.objectCount = 0;
    mesh.texCoordCount = 0;
    mesh.lightCount = 0;
    mesh.lightNodeIndex = 0;
    mesh.materialCount = 0;
    mesh.faceGroupCount = 0;
    for (FaceGroup& group : mesh.faceGroups)
        group.faceCount = 0;
    mesh.nodeKind = nodeNone;
    mesh.nodeObject = 0;
}

// Closes the file of a failed load; the pass's message stands unless a reason was written.
int failLoad(LoadContext& ctx, const char* passMessage)
{
    if (!ctx.message[0])
        std::snprintf(ctx.message, meshMessageSize, "%s", passMessage);
    packClose(ctx.file);
    return 0;
}

}  // namespace

int load3ds(const char* name, char* message)
{
    message[0] = 0;
    PackFile* file = packOpen(name);
    if (!file) {
        std::snprintf(message, meshMessageSize, "не могу открыть файл %s.", name);
        return 0;
    }
    LoadContext ctx{file, file->size, 0, 0, 0, message};
    // A 3D Studio file is one main chunk; anything else (an empty file, a picture) is not a mesh.
    uint8_t first[2] = {0, 0};
    if (packRead(first, 1, 2, file) != 2 || (first[0] | first[1] << 8) != chunkMain) {
        std::snprintf(message, meshMessageSize, "файл %s не является файлом 3D Studio.", name);
        packClose(file);
        return 0;
    }
    packSeek(file, 0, 0);
    // The walks end one byte before the file's end, where a seek from the end lands.
    packSeek(file, 0, 2);
    const int64_t end = packTell(file);

    startWalk(ctx);
    if (!statChunk(ctx, end)) {
        char damaged[meshMessageSize];
        std::snprintf(damaged, sizeof damaged,
                      "statChunk() завершилась с ошибкой. Файл %s, видимо, поврежден.", name);
        return failLoad(ctx, damaged);
    }
    if (mesh.vertexCount > maxMeshVertices)
        return failLoad(ctx, "слишком много вершин.");
    if (mesh.faceCount > maxMeshFaces)
        return failLoad(ctx, "слишком много граней.");

    startWalk(ctx);
    if (!loadChunk(ctx, end))
        return failLoad(ctx, "ошибка при чтении файла.");

    makeHighlightMaps();
    giveFacesTextures();
    for (int i = 0; i < mesh.faceCount; ++i)
        mesh.faces[i].mode = modeLightMapped;
    packClose(file);
    return 1;
}
