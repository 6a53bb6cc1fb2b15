// The Mesh tables, their release, the highlight maps and the console text of load errors.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "assets/assets.h"
#include "render/render.h"  // buildLightMaps: resolved when the program links the renderer

Mesh mesh;

void free3ds()
{
    for (int i = 0; i < maxMeshMaterials; ++i) {
        std::free(mesh.materials[i].texture);
        mesh.materials[i].texture = nullptr;
    }
    std::free(mesh.cameraKeys);
    std::free(mesh.targetKeys);
    std::free(mesh.rollKeys);
    mesh.cameraKeys = mesh.targetKeys = nullptr;
    mesh.rollKeys = nullptr;
    mesh.cameraKeyCount = mesh.targetKeyCount = mesh.rollKeyCount = 0;
    // Every slot, not only those below the counts: key arrays may sit past them (light nodes
    // beyond the loaded lights) and must not be lost or freed twice.
    for (MeshObject& object : mesh.objects) {
        std::free(object.positionKeys);
        std::free(object.rotationKeys);
        object.positionKeys = nullptr;
        object.rotationKeys = nullptr;
        object.positionKeyCount = object.rotationKeyCount = 0;
    }
    for (MeshLight& light : mesh.lights) {
        std::free(light.keys);
        light.keys = nullptr;
        light.keyCount = 0;
    }
}

void resetMesh()
{
    free3ds();
    std::memset(static_cast<void*>(&mesh), 0, sizeof mesh);
}

void makeHighlightMaps()
{
    buildLightMaps();
}

void failMeshLoad(const char* message)
{
    // UTF-8, the encoding of the terminals this runs on (the original wrote its console's code
    // page, 866, so that the console could read it).
    std::printf("Ошибка: %s\n", message);
    std::fflush(stdout);
    std::exit(1);
}
