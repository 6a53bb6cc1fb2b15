// The program's icon: a gold ring round a red -Z- on deep blue, in the sixteen colours of a
// classic 4-bit palette, written as a 16-colour BMP (the window's icon) and as a PNG for desktops.
#include "icon.h"

#define STB_IMAGE_WRITE_STATIC
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb_image_write.h>

#include <cmath>
#include <cstdio>

const uint8_t iconPalette[16][3] = {
    {0, 0, 0},     {128, 0, 0},     {0, 128, 0},     {128, 128, 0},   {0, 0, 128}, {128, 0, 128},
    {0, 128, 128}, {192, 192, 192}, {128, 128, 128}, {255, 0, 0},     {0, 255, 0}, {255, 255, 0},
    {0, 0, 255},   {255, 0, 255},   {0, 255, 255},   {255, 255, 255},
};

namespace {

enum IconColour : uint8_t {
    black = 0,
    darkRed = 1,
    darkYellow = 3,
    darkBlue = 4,
    grey = 8,
    red = 9,
    yellow = 11,
    blue = 12,
    white = 15,
};

// The letter Z in a 12 x 12 box, as rows of marks.
constexpr const char* letterZ[12] = {
    "############", "############", "........###.", ".......###..", "......###...", ".....###....",
    "....###.....", "...###......", "..###.......", ".###........", "############", "############",
};

void put32(FILE* file, uint32_t v)
{
    const uint8_t b[4] = {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)};
    std::fwrite(b, 1, 4, file);
}

void put16(FILE* file, uint16_t v)
{
    const uint8_t b[2] = {uint8_t(v), uint8_t(v >> 8)};
    std::fwrite(b, 1, 2, file);
}

}  // namespace

void paintIcon(uint8_t (&indices)[iconSize][iconSize])
{
    for (int y = 0; y < iconSize; ++y)
        for (int x = 0; x < iconSize; ++x) {
            const double dx = x - 15.5, dy = y - 15.5;
            const double r = std::sqrt(dx * dx + dy * dy);
            uint8_t c = r < 11.5 ? darkBlue : black;
            if (r >= 11.5 && r < 15.5) {
                // The ring lit from the top left: bright, then dark towards the bottom right.
                const double light = -(dx + dy) / (r * 1.4142);
                c = light > 0.35 ? yellow : light > -0.35 ? darkYellow : darkRed;
                if (r >= 14.5)
                    c = grey;
            }
            if (r < 11.5 && dy < -4 && dx < -2 && r > 7.5)
                c = blue;  // a highlight on the inner disc
            indices[y][x] = c;
        }
    for (int y = 0; y < 12; ++y)
        for (int x = 0; x < 12; ++x)
            if (letterZ[y][x] == '#')
                indices[10 + y][10 + x] = y < 2 ? white : red;
    // The dashes of -Z- either side of the letter.
    for (int x = 0; x < 3; ++x) {
        indices[16][6 + x] = red;
        indices[16][23 + x] = red;
    }
}

bool writeIcon(const std::string& path)
{
    uint8_t indices[iconSize][iconSize];
    paintIcon(indices);
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) {
        std::fprintf(stderr, "v4npelva-content: cannot write %s\n", path.c_str());
        return false;
    }
    constexpr uint32_t rowBytes = iconSize / 2;  // two pixels a byte, 16 bytes: already 4-aligned
    constexpr uint32_t dataOffset = 14 + 40 + 16 * 4;
    constexpr uint32_t dataSize = rowBytes * iconSize;
    std::fwrite("BM", 1, 2, file);
    put32(file, dataOffset + dataSize);
    put32(file, 0);
    put32(file, dataOffset);
    put32(file, 40);
    put32(file, iconSize);
    put32(file, iconSize);  // positive: bottom row first
    put16(file, 1);
    put16(file, 4);
    put32(file, 0);  // no compression
    put32(file, dataSize);
    put32(file, 2835);
    put32(file, 2835);
    put32(file, 16);
    put32(file, 16);
    for (const auto& c : iconPalette) {
        const uint8_t entry[4] = {c[2], c[1], c[0], 0};
        std::fwrite(entry, 1, 4, file);
    }
    for (int y = iconSize - 1; y >= 0; --y)
        for (int x = 0; x < iconSize; x += 2) {
            const uint8_t pair = uint8_t(indices[y][x] << 4 | indices[y][x + 1]);
            std::fwrite(&pair, 1, 1, file);
        }
    return std::fclose(file) == 0;
}

bool writeIconPng(const std::string& path)
{
    uint8_t indices[iconSize][iconSize];
    paintIcon(indices);
    // Outside the ring the icon is see-through, so that desktops show it round.
    uint8_t rgba[iconSize * iconSize * 4];
    for (int y = 0; y < iconSize; ++y)
        for (int x = 0; x < iconSize; ++x) {
            const double dx = x - 15.5, dy = y - 15.5;
            uint8_t* p = rgba + (y * iconSize + x) * 4;
            const uint8_t* c = iconPalette[indices[y][x]];
            p[0] = c[0];
            p[1] = c[1];
            p[2] = c[2];
            p[3] = dx * dx + dy * dy < 15.5 * 15.5 ? 255 : 0;
        }
    if (stbi_write_png(path.c_str(), iconSize, iconSize, 4, rgba, iconSize * 4) == 0) {
        std::fprintf(stderr, "v4npelva-content: cannot write %s\n", path.c_str());
        return false;
    }
    return true;
}
