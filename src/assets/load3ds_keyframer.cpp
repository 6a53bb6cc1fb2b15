// The 3DS loader's keyframer: node kinds, node headers, pivots, and the tracks of each node.
#include <cstdlib>
#include <cstring>

#include "assets/load3ds_walk.h"

namespace {

bool readKeyValue(LoadContext& ctx, TrackKey& key)
{
    return readFloat(ctx, key.x) && readFloat(ctx, key.y) && readFloat(ctx, key.z);
}

bool readKeyValue(LoadContext& ctx, RotationKey& key)
{
    return readFloat(ctx, key.angle) && readFloat(ctx, key.axisX) && readFloat(ctx, key.axisY) &&
           readFloat(ctx, key.axisZ);
}

bool readKeyValue(LoadContext& ctx, RollKey& key)
{
    return readFloat(ctx, key.roll);
}

// A spline parameter follows the flag word when its bit is set; otherwise it is 0.
bool readKeyParameter(LoadContext& ctx, uint16_t flags, uint16_t bit, float& value)
{
    value = 0.0f;
    return (flags & bit) == 0 || readFloat(ctx, value);
}

// Reads a track into keys/count: K keys plus one zeroed key past them. The array is handed to the
// Mesh before it is filled, so a failure half-way leaves nothing unowned.
template <typename Key>
bool readTrack(LoadContext& ctx, Key*& keys, int32_t& count, int values)
{
    uint32_t keyCount;
    if (!skipBytes(ctx, 10) || !readU32(ctx, keyCount))
        return false;
    // Each key takes at least its frame, flag word and value.
    if (int64_t(keyCount) * (6 + 4 * values) > ctx.limit - ctx.consumed)
        return refuse(ctx, "неверное число ключей.");
    std::free(keys);
    keys = static_cast<Key*>(std::calloc(size_t(keyCount) + 1, sizeof(Key)));
    count = int32_t(keyCount);
    for (uint32_t i = 0; i < keyCount; ++i) {
        Key& key = keys[i];
        uint32_t frame;
        uint16_t flags;
        if (!readU32(ctx, frame))
            return false;
        key.frame = int32_t(frame);
        if (!readU16(ctx, flags) || !readKeyParameter(ctx, flags, 0x01, key.tension) ||
            !readKeyParameter(ctx, flags, 0x02, key.continuity) ||
            !readKeyParameter(ctx, flags, 0x04, key.bias) ||
            !readKeyParameter(ctx, flags, 0x08, key.easeTo) ||
            !readKeyParameter(ctx, flags, 0x10, key.easeFrom) || !readKeyValue(ctx, key))
            return false;
    }
    return true;
}

// The last object of the header's name becomes the node's object, else object 0; the two flag
// words and the parent after the name are skipped.
bool readNodeHeader(LoadContext& ctx)
{
    char name[256];
    if (!readString(ctx, name, sizeof name))
        return false;
    mesh.nodeObject = 0;
    for (int i = 0; i < mesh.objectCount; ++i)
        if (std::strcmp(mesh.objectNames[i], name) == 0)
            mesh.nodeObject = i;
    return skipBytes(ctx, 6);
}

// File x, y, z -> engine x, z, y.
bool readPivot(LoadContext& ctx)
{
    MeshObject& object = mesh.objects[mesh.nodeObject];
    if (!readFloat(ctx, object.pivotX) || !readFloat(ctx, object.pivotZ) ||
        !readFloat(ctx, object.pivotY))
        return false;
    object.pivotMatrix = translationMatrix(-object.pivotX, -object.pivotY, -object.pivotZ);
    return true;
}

// A position track belongs to what the node kind says; with kind none no node wants it and it is
// skipped whole.
bool readNodePositionTrack(LoadContext& ctx, const ChunkHeader& chunk)
{
    switch (mesh.nodeKind) {
    case nodeCamera:
    case nodeTarget: return loadCameraPositionTrack(ctx);
    case nodeLight: return loadLightPositionTrack(ctx);
    case nodeObject: {
        MeshObject& object = mesh.objects[mesh.nodeObject];
        if (!readPositionTrack(ctx, object.positionKeys, object.positionKeyCount))
            return false;
        mesh.nodeKind = nodeNone;
        return true;
    }
    case nodeNone: break;
    }
    return skipRest(ctx, chunk);
}

// The node's object's rotation track, whatever the node kind.
bool readNodeRotationTrack(LoadContext& ctx)
{
    MeshObject& object = mesh.objects[mesh.nodeObject];
    if (!readTrack(ctx, object.rotationKeys, object.rotationKeyCount, 4))
        return false;
    object.currentRotationKey = -1;
    object.rotationMatrix = translationMatrix(0, 0, 0);
    return true;
}

}  // namespace

bool readPositionTrack(LoadContext& ctx, TrackKey*& keys, int32_t& count)
{
    return readTrack(ctx, keys, count, 3);
}

bool readRollTrack(LoadContext& ctx, RollKey*& keys, int32_t& count)
{
    return readTrack(ctx, keys, count, 1);
}

void enterNode(uint16_t nodeChunk)
{
    switch (nodeChunk) {
    case chunkObjectNodeId: mesh.nodeKind = nodeObject; break;
    case chunkCameraNodeId: mesh.nodeKind = nodeCamera; break;
    case chunkTargetNodeId: mesh.nodeKind = nodeTarget; break;
    case chunkLightNodeId: mesh.nodeKind = nodeLight; break;
    default: break;
    }
}

bool loadKeyframerChunk(LoadContext& ctx, const ChunkHeader& chunk)
{
    switch (chunk.id) {
    case chunkNodeHeader: return readNodeHeader(ctx);
    case chunkPivot: return readPivot(ctx);
    case chunkPositionTrack: return readNodePositionTrack(ctx, chunk);
    case chunkRotationTrack: return readNodeRotationTrack(ctx);
    case chunkRollTrack: return loadCameraRollTrack(ctx);
    default: return skipRest(ctx, chunk);
    }
}
