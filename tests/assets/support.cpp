#include "assets/support.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>

#include "archive/archive.h"
#include "assets/assets.h"
#include "writers/writers.h"

void openTestArchive(const std::vector<PackInput>& files)
{
    std::vector<uint8_t> archive;
    std::string error;
    ASSERT_TRUE(buildArchive(files, archive, error)) << error;
    const std::string path =
        std::string(V4N_BINARY_DIR) + "/assets-test-" + std::to_string(getpid()) + ".zem";
    ASSERT_TRUE(writeFileBytes(path, archive));
    resetArchive();
    ASSERT_EQ(openArchive(path.c_str()), 1);
    unlink(path.c_str());
}

std::vector<uint8_t> solidJpeg(uint32_t rgb, int width, int height)
{
    const std::vector<uint8_t> pixels = makePixels(width, height, [&](int, int) { return rgb; });
    return encodeJpeg(pixels.data(), width, height, 95);
}

Object3ds lineObject(const std::string& name, int vertices, std::vector<Face3ds> faces)
{
    Object3ds o;
    o.name = name;
    for (int i = 0; i < vertices; ++i)
        o.vertices.push_back({float(i), float(2 * i), float(3 * i)});
    o.faces = std::move(faces);
    return o;
}

int loadBytes(const std::vector<uint8_t>& bytes, std::string& message, std::vector<PackInput> files)
{
    files.push_back({"t.3ds", bytes});
    openTestArchive(files);
    char buffer[meshMessageSize];
    std::memset(buffer, 'x', sizeof buffer);
    const int result = load3ds("t.3ds", buffer);
    message = buffer;
    return result;
}

int loadScene(const Scene3ds& scene, std::string& message, std::vector<PackInput> files)
{
    return loadBytes(encode3ds(scene), message, std::move(files));
}
