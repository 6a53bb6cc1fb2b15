// The 3DS loader's lights and camera: light positions, and the camera, target, light and roll
// tracks of the keyframer.
#include "assets/load3ds_walk.h"

// File x, y, z -> engine x, z, y. The light's sub-chunks are met next by the walk and skipped.
bool loadLight(LoadContext& ctx)
{
    if (mesh.lightCount >= maxMeshLights)
        return refuse(ctx, "слишком много источников света.");
    MeshLight& light = mesh.lights[mesh.lightCount];
    if (!readFloat(ctx, light.x) || !readFloat(ctx, light.z) || !readFloat(ctx, light.y))
        return false;
    ++mesh.lightCount;
    return true;
}

// A camera node holds the camera's position track and then its target's.
bool loadCameraPositionTrack(LoadContext& ctx)
{
    if (mesh.nodeKind == nodeCamera) {
        if (!readPositionTrack(ctx, mesh.cameraKeys, mesh.cameraKeyCount))
            return false;
        mesh.nodeKind = nodeTarget;
        return true;
    }
    if (!readPositionTrack(ctx, mesh.targetKeys, mesh.targetKeyCount))
        return false;
    mesh.nodeKind = nodeNone;
    return true;
}

// Light nodes fill the lights' tracks in the order the nodes come.
bool loadLightPositionTrack(LoadContext& ctx)
{
    if (mesh.lightNodeIndex >= maxMeshLights)
        return refuse(ctx, "слишком много источников света.");
    MeshLight& light = mesh.lights[mesh.lightNodeIndex];
    if (!readPositionTrack(ctx, light.keys, light.keyCount))
        return false;
    mesh.nodeKind = nodeNone;
    ++mesh.lightNodeIndex;
    return true;
}

bool loadCameraRollTrack(LoadContext& ctx)
{
    return readRollTrack(ctx, mesh.rollKeys, mesh.rollKeyCount);
}
