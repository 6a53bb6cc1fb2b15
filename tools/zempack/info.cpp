// zempack info ARCHIVE NAME: loads a 3DS file of the archive the way the show does and prints its
// objects, counts, materials, lights and tracks.
#include "zempack.h"

#include "assets/assets.h"

namespace {

// "n keys, frames a-b" of a track, or "no keys".
template <typename Key>
std::string describeTrack(const Key* keys, int32_t count, const char* what)
{
    char text[128];
    if (!keys || count <= 0)
        std::snprintf(text, sizeof text, "no %s keys", what);
    else
        std::snprintf(text, sizeof text, "%d %s key%s (frames %d-%d)", count, what,
                      count == 1 ? "" : "s", keys[0].frame, keys[count - 1].frame);
    return text;
}

void printMesh(const std::string& name)
{
    std::printf(
        "%s: %d objects, %d vertices, %d faces, %d texture coordinates, %d lights, %d materials, "
        "%d face groups\n",
        name.c_str(), mesh.objectCount, mesh.vertexCount, mesh.faceCount, mesh.texCoordCount,
        mesh.lightCount, int(mesh.materialCount), mesh.faceGroupCount);
    for (int i = 0; i < mesh.objectCount; ++i) {
        const MeshObject& o = mesh.objects[i];
        std::printf("object %d \"%s\": vertices %d-%d, faces %d-%d, pivot (%g, %g, %g), %s, %s\n",
                    i, mesh.objectNames[i], o.firstVertex, o.lastVertex, o.firstFace, o.lastFace,
                    double(o.pivotX), double(o.pivotY), double(o.pivotZ),
                    describeTrack(o.positionKeys, o.positionKeyCount, "position").c_str(),
                    describeTrack(o.rotationKeys, o.rotationKeyCount, "rotation").c_str());
    }
    for (int i = 0; i < mesh.materialCount; ++i) {
        const MeshMaterial& m = mesh.materials[i];
        std::printf("material %d \"%s\": map \"%s\"%s\n", i, m.name, m.mapName,
                    m.texture ? "" : " (missing or damaged)");
    }
    for (int i = 0; i < mesh.faceGroupCount; ++i)
        std::printf("face group %d \"%s\": %d faces\n", i, mesh.faceGroups[i].name,
                    int(mesh.faceGroups[i].faceCount));
    for (int i = 0; i < mesh.lightCount; ++i) {
        const MeshLight& l = mesh.lights[i];
        std::printf("light %d: (%g, %g, %g), %s\n", i, double(l.x), double(l.y), double(l.z),
                    describeTrack(l.keys, l.keyCount, "position").c_str());
    }
    std::printf("camera: %s, %s, %s\n",
                describeTrack(mesh.cameraKeys, mesh.cameraKeyCount, "position").c_str(),
                describeTrack(mesh.targetKeys, mesh.targetKeyCount, "target").c_str(),
                describeTrack(mesh.rollKeys, mesh.rollKeyCount, "roll").c_str());
}

}  // namespace

int zempackInfo(const std::vector<std::string>& args)
{
    if (rejectUnknownOptions(args, {}))
        return zempackUsage;
    if (args.size() != 2) {
        zempackError("info takes an archive and the name of a 3DS file in it");
        return zempackUsage;
    }
    LoadedArchive archive;
    if (!loadArchiveFile(args[0], archive))
        return zempackFailed;
    // Lend the unpacked image to the engine's file access; taken back before it is freed.
    resetArchive();
    archiveState.archive =
        PackArchive{archive.image.bytes, archive.image.size, archive.image.entryCount};
    resetMesh();
    resetPictures();
    pictureState.missingFileExits = false;  // a missing map picture is shown, not fatal

    char message[meshMessageSize];
    int result = zempackOk;
    if (load3ds(args[1].c_str(), message))
        printMesh(args[1]);
    else {
        zempackError("%s: %s", args[1].c_str(), message);
        result = zempackFailed;
    }
    resetMesh();
    archiveState.archive.image = nullptr;
    resetArchive();
    return result;
}
