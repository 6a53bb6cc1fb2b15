// The 3DS loader's materials: names, map pictures, and the textures the faces take from them.
#include <cstdlib>
#include <cstring>

#include "assets/load3ds_walk.h"

namespace {

// The slot the material chunks being read fill; null (refused) when the table is full.
MeshMaterial* currentMaterial(LoadContext& ctx)
{
    if (mesh.materialCount >= maxMeshMaterials) {
        refuse(ctx, "слишком много материалов.");
        return nullptr;
    }
    return &mesh.materials[mesh.materialCount];
}

}  // namespace

bool loadMaterialChunk(LoadContext& ctx, const ChunkHeader& chunk)
{
    switch (chunk.id) {
    case chunkMaterialName: {
        MeshMaterial* material = currentMaterial(ctx);
        return material && readString(ctx, material->name, materialNameSize);
    }
    case chunkMapName: {  // the material is complete once its map is named
        MeshMaterial* material = currentMaterial(ctx);
        if (!material || !readString(ctx, material->mapName, mapNameSize))
            return false;
        std::free(material->texture);
        material->texture = loadPicture(material->mapName, 32);
        ++mesh.materialCount;
        return true;
    }
    default: return skipRest(ctx, chunk);
    }
}

// Faces take the texture of their group's material; faces no group lists have none. The material
// is looked up among the first face-group-count slots; no match means the slot just past them, as
// the show's files expect.
void giveFacesTextures()
{
    for (int i = 0; i < mesh.faceCount; ++i)
        mesh.faces[i].texture = nullptr;
    for (int i = 0; i < mesh.faceGroupCount; ++i) {
        const FaceGroup& group = mesh.faceGroups[i];
        int j = 0;
        while (j < mesh.faceGroupCount && std::strcmp(mesh.materials[j].name, group.name) != 0)
            ++j;
        uint32_t* texture = j < mesh.materialCount ? mesh.materials[j].texture : nullptr;
        for (int k = 0; k < group.faceCount; ++k)
            mesh.faces[group.faces[k]].texture = texture;
    }
}
