// The 3DS loader's mesh data: object ranges, vertices, texture coordinates, faces, face-material
// groups and mesh matrices.
#include <cstring>

#include "assets/load3ds_walk.h"

namespace {

// The object the editor chunks of the current triangle mesh write into; null (refused) when the
// table is full.
MeshObject* currentObject(LoadContext& ctx)
{
    if (mesh.objectCount >= maxMeshObjects) {
        refuse(ctx, "слишком много объектов.");
        return nullptr;
    }
    return &mesh.objects[mesh.objectCount];
}

// File x, y, z -> engine x, z, y.
bool readVertexList(LoadContext& ctx)
{
    if (!currentObject(ctx))
        return false;
    mesh.objectFirstVertex[mesh.objectCount] = mesh.vertexCount;
    uint16_t count;
    if (!readU16(ctx, count))
        return false;
    if (mesh.vertexCount + count > maxMeshVertices)
        return refuse(ctx, "слишком много вершин.");
    for (int i = 0; i < count; ++i) {
        MeshVertex& v = mesh.vertices[mesh.vertexCount + i];
        if (!readFloat(ctx, v.x) || !readFloat(ctx, v.z) || !readFloat(ctx, v.y))
            return false;
    }
    mesh.vertexCount += count;
    return true;
}

// In texels of a 256x256 texture, filled from the texture-coordinate count on.
bool readTexCoords(LoadContext& ctx)
{
    uint16_t count;
    if (!readU16(ctx, count))
        return false;
    if (mesh.texCoordCount + count > maxMeshVertices)
        return refuse(ctx, "слишком много текстурных координат.");
    for (int i = 0; i < count; ++i) {
        float u, t;
        if (!readFloat(ctx, u) || !readFloat(ctx, t))
            return false;
        MeshVertex& v = mesh.vertices[mesh.texCoordCount + i];
        v.u = u * 256.0f;
        v.v = 256.0f - t * 256.0f;
    }
    mesh.texCoordCount += count;
    return true;
}

// Vertex indices are the object's own, made global by its first vertex. The list's sub-chunks are
// left for the walk, which meets them next at this level.
bool readFaceList(LoadContext& ctx, int32_t& faceBase)
{
    if (!currentObject(ctx))
        return false;
    const int32_t firstVertex = mesh.objectFirstVertex[mesh.objectCount];
    uint16_t count;
    if (!readU16(ctx, count))
        return false;
    if (mesh.faceCount + count > maxMeshFaces)
        return refuse(ctx, "слишком много граней.");
    for (int i = 0; i < count; ++i) {
        int32_t corner[3];
        for (int32_t& c : corner) {
            uint16_t index;
            if (!readU16(ctx, index))
                return false;
            c = index + firstVertex;
            if (c >= mesh.vertexCount)
                return refuse(ctx, "неверный номер вершины в списке граней.");
        }
        if (!skipBytes(ctx, 2))
            return false;  // face flags
        MeshFace& face = mesh.faces[mesh.faceCount + i];
        face.a = &mesh.vertices[corner[0]];
        face.b = &mesh.vertices[corner[1]];
        face.c = &mesh.vertices[corner[2]];
    }
    faceBase = mesh.faceCount;
    mesh.faceCount += count;
    return true;
}

// The faces of one material, numbered from this level's face list; a group of a name met before
// grows.
bool readFaceMaterial(LoadContext& ctx, int32_t faceBase)
{
    char name[materialNameSize] = {};  // copied whole into the group
    if (!readString(ctx, name, materialNameSize))
        return false;
    int group = 0;
    while (group < mesh.faceGroupCount && std::strcmp(mesh.faceGroups[group].name, name) != 0)
        ++group;
    if (group == mesh.faceGroupCount) {
        if (mesh.faceGroupCount >= maxFaceGroups)
            return refuse(ctx, "слишком много групп граней.");
        ++mesh.faceGroupCount;
    }
    FaceGroup& faceGroup = mesh.faceGroups[group];
    uint16_t count;
    if (!readU16(ctx, count))
        return false;
    if (faceGroup.faceCount + count > maxFaceGroupFaces)
        return refuse(ctx, "слишком много граней в группе.");
    for (int i = 0; i < count; ++i) {
        uint16_t index;
        if (!readU16(ctx, index))
            return false;
        const int32_t face = index + faceBase;
        if (face >= mesh.faceCount)
            return refuse(ctx, "неверный номер грани в группе.");
        faceGroup.faces[faceGroup.faceCount++] = uint16_t(face);
    }
    std::memcpy(faceGroup.name, name, sizeof name);
    return true;
}

// Axes X, Y, Z and the origin, in file axes.
bool readMeshMatrix(LoadContext& ctx)
{
    MeshObject* object = currentObject(ctx);
    if (!object)
        return false;
    float m[12];
    for (float& f : m)
        if (!readFloat(ctx, f))
            return false;
    object->meshMatrix =
        Matrix4{{m[0], m[2], m[1], 0, m[6], m[8], m[7], 0, m[3], m[5], m[4], 0, 0, 0, 0, 1}};
    object->originMatrix = translationMatrix(-m[9], -m[11], -m[10]);
    return true;
}

}  // namespace

bool beginMeshObject(LoadContext& ctx)
{
    return currentObject(ctx) != nullptr;
}

// An object's ranges run from one past the previous object's to the counts its chunks reached.
bool endMeshObject(LoadContext& ctx)
{
    MeshObject* object = currentObject(ctx);
    if (!object)
        return false;
    const int32_t index = mesh.objectCount;
    object->firstVertex = index == 0 ? 0 : mesh.objects[index - 1].lastVertex + 1;
    object->firstFace = index == 0 ? 0 : mesh.objects[index - 1].lastFace + 1;
    object->lastVertex = mesh.vertexCount - 1;
    object->lastFace = mesh.faceCount - 1;
    mesh.objectFaceTotal[index] = mesh.faceCount;
    mesh.objectVertexTotal[index] = mesh.vertexCount;
    ++mesh.objectCount;
    return true;
}

bool loadMeshChunk(LoadContext& ctx, const ChunkHeader& chunk, int32_t& faceBase)
{
    switch (chunk.id) {
    case chunkVertexList: return readVertexList(ctx);
    case chunkTexCoords: return readTexCoords(ctx);
    case chunkFaceList: return readFaceList(ctx, faceBase);
    case chunkFaceMaterial: return readFaceMaterial(ctx, faceBase);
    case chunkMeshMatrix: return readMeshMatrix(ctx);
    default: return skipRest(ctx, chunk);
    }
}
