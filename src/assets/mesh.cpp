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

std::string utf8ToCp866(const char* text)
{
    std::string out;
    const auto* p = reinterpret_cast<const unsigned char*>(text);
    while (*p) {
        uint32_t c = *p++;
        if (c >= 0x80) {
            // Decode one UTF-8 sequence; a broken one becomes '?'.
            int extra = c >= 0xF0 ? 3 : c >= 0xE0 ? 2 : c >= 0xC0 ? 1 : -1;
            c &= extra == 3 ? 0x07 : extra == 2 ? 0x0F : 0x1F;
            for (int i = 0; i < extra; ++i) {
                if ((*p & 0xC0) != 0x80) {
                    extra = -1;
                    break;
                }
                c = c << 6 | (*p++ & 0x3F);
            }
            if (extra < 0)
                c = '?';
        }
        if (c < 0x80)
            out += char(c);
        else if (c >= 0x410 && c <= 0x43F)
            out += char(0x80 + (c - 0x410));  // А..Я, а..п
        else if (c >= 0x440 && c <= 0x44F)
            out += char(0xE0 + (c - 0x440));  // р..я
        else if (c == 0x401)
            out += char(0xF0);  // Ё
        else if (c == 0x451)
            out += char(0xF1);  // ё
        else
            out += '?';
    }
    return out;
}

void printCp866(const char* text)
{
    const std::string out = utf8ToCp866(text);
    std::fwrite(out.data(), 1, out.size(), stdout);
}

void failMeshLoad(const char* message)
{
    printCp866("Ошибка: ");
    printCp866(message);
    printCp866("\n");
    std::fflush(stdout);
    std::exit(1);
}
