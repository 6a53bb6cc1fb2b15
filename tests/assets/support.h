// Shared by the asset tests: archives built with the packer and opened like the show's, pictures
// and meshes made with the writers.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "packer/packer.h"
#include "writers/write3ds.h"

// Builds an archive of the files, writes it into the build tree and opens it with openArchive.
// Fails the current test when that does not work.
void openTestArchive(const std::vector<PackInput>& files);

// width x height pixels in the engine layout (blue, green, red, 0), made by f(x, y) -> 0x00RRGGBB.
template <typename F>
std::vector<uint8_t> makePixels(int width, int height, F f)
{
    std::vector<uint8_t> p(size_t(width) * size_t(height) * 4);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const uint32_t c = f(x, y);
            uint8_t* q = &p[(size_t(y) * size_t(width) + size_t(x)) * 4];
            q[0] = uint8_t(c);
            q[1] = uint8_t(c >> 8);
            q[2] = uint8_t(c >> 16);
            q[3] = 0;
        }
    return p;
}

// A small JPEG picture of one colour.
std::vector<uint8_t> solidJpeg(uint32_t rgb, int width = 8, int height = 8);

// A mesh object of n vertices on a line (x = i, y = 2i, z = 3i in file axes) and the given faces.
Object3ds lineObject(const std::string& name, int vertices, std::vector<Face3ds> faces = {});

// load3ds of a scene placed in a fresh archive as "t.3ds" with the other files; returns load3ds's
// result and leaves its message in `message`.
int loadScene(const Scene3ds& scene, std::string& message, std::vector<PackInput> files = {});
int loadBytes(const std::vector<uint8_t>& bytes, std::string& message,
              std::vector<PackInput> files = {});
