// Fuzzes the 3DS loader: the input is "t.3ds" in an archive image beside a few pictures. Missing
// map pictures come back as null instead of ending the process. A mesh that loads goes on as a
// scene takes it: normals prepared, then every track evaluated from before its first key to past
// its last, time moving forward.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "archive/archive.h"
#include "assets/assets.h"
#include "packer/packer.h"
#include "render/render.h"
#include "writers/writers.h"

#include "fuzz_options.h"

namespace {

std::vector<uint8_t> smallJpeg()
{
    std::vector<uint8_t> pixels(16 * 16 * 4, 0x80);
    return encodeJpeg(pixels.data(), 16, 16, 75);
}

// The earliest and latest key frames of every track of the mesh.
template <typename Key>
void widenRange(const Key* keys, int32_t count, double& first, double& last)
{
    for (int32_t i = 0; keys && i < count; ++i) {
        first = std::min(first, double(keys[i].frame));
        last = std::max(last, double(keys[i].frame));
    }
}

void runLoadedMesh()
{
    prepareMeshNormals();
    double first = 0, last = 0;
    widenRange(mesh.cameraKeys, mesh.cameraKeyCount, first, last);
    widenRange(mesh.targetKeys, mesh.targetKeyCount, first, last);
    widenRange(mesh.rollKeys, mesh.rollKeyCount, first, last);
    for (int i = 0; i < mesh.objectCount; ++i) {
        widenRange(mesh.objects[i].positionKeys, mesh.objects[i].positionKeyCount, first, last);
        widenRange(mesh.objects[i].rotationKeys, mesh.objects[i].rotationKeyCount, first, last);
    }
    for (int i = 0; i < mesh.lightCount; ++i)
        widenRange(mesh.lights[i].keys, mesh.lights[i].keyCount, first, last);
    constexpr int steps = 64;
    for (int step = 0; step <= steps; ++step) {
        const float t = float(first - 1 + (last - first + 2) * step / steps);
        Matrix4 view;
        evalCameraView(t, view);
        for (int i = 0; i < mesh.lightCount; ++i)
            evalLightTrack(mesh.lights[i], t);
        for (int i = 0; i < mesh.objectCount; ++i) {
            volatile Vec3 position = evalPositionTrack(mesh.objects[i], t);
            volatile AxisAngle rotation = evalRotationTrack(mesh.objects[i], t);
            (void)position;
            (void)rotation;
        }
    }
}

}  // namespace

// Inputs up to 256 KB: meshes of 8000 vertices, nesting far past the walk's limit.
extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    addDefaultOption(argc, argv, "-max_len=262144");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const std::vector<uint8_t> jpeg = smallJpeg();
    static const std::vector<uint8_t> bmp = [] {
        std::vector<uint8_t> pixels(4 * 4 * 4, 0x40);
        return encodeBmp(pixels.data(), 4, 4);
    }();
    resetMesh();
    resetPictures();
    pictureState.missingFileExits = false;
    std::vector<PackInput> files = {{"t.3ds", std::vector<uint8_t>(data, data + size)},
                                    {"enver1.jpg", jpeg},
                                    {"m.jpg", jpeg},
                                    {"a.jpg", jpeg},
                                    {"b.bmp", bmp}};
    std::string error;
    if (!installPackImage(files, error))
        return 0;
    char message[meshMessageSize];
    if (load3ds("t.3ds", message))
        runLoadedMesh();
    resetMesh();
    resetArchive();
    return 0;
}
