// The contact sheet of a played scene: its captured frames in a grid of five columns, each with a
// label line of its sceneTime, written as a PNG.
#include "shell/startup/startup.h"

#define STB_IMAGE_WRITE_STATIC
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb_image_write.h>

#include <cstdio>
#include <cstring>
#include <vector>

namespace {

constexpr int columns = 5;
constexpr int cellWidth = 320;
constexpr int cellHeight = 200;
constexpr int labelHeight = 11;  // a 5 x 7 font, 2 pixels above and below
constexpr int gap = 4;
constexpr int glyphWidth = 5;
constexpr int glyphHeight = 7;

// A 5 x 7 font of what the labels need; each row is 5 bits, the highest bit leftmost.
struct Glyph {
    char c;
    uint8_t rows[glyphHeight];
};
constexpr Glyph glyphs[] = {
    {'0', {0x0E, 0x11, 0x13, 0x15, 0x19, 0x11, 0x0E}},
    {'1', {0x04, 0x0C, 0x04, 0x04, 0x04, 0x04, 0x0E}},
    {'2', {0x0E, 0x11, 0x01, 0x02, 0x04, 0x08, 0x1F}},
    {'3', {0x1F, 0x02, 0x04, 0x02, 0x01, 0x11, 0x0E}},
    {'4', {0x02, 0x06, 0x0A, 0x12, 0x1F, 0x02, 0x02}},
    {'5', {0x1F, 0x10, 0x1E, 0x01, 0x01, 0x11, 0x0E}},
    {'6', {0x06, 0x08, 0x10, 0x1E, 0x11, 0x11, 0x0E}},
    {'7', {0x1F, 0x01, 0x02, 0x04, 0x08, 0x08, 0x08}},
    {'8', {0x0E, 0x11, 0x11, 0x0E, 0x11, 0x11, 0x0E}},
    {'9', {0x0E, 0x11, 0x11, 0x0F, 0x01, 0x02, 0x0C}},
    {'t', {0x08, 0x08, 0x1C, 0x08, 0x08, 0x09, 0x06}},
    {'=', {0x00, 0x00, 0x1F, 0x00, 0x1F, 0x00, 0x00}},
    {'%', {0x18, 0x19, 0x02, 0x04, 0x08, 0x13, 0x03}},
    {'-', {0x00, 0x00, 0x00, 0x1F, 0x00, 0x00, 0x00}},
};

const Glyph* findGlyph(char c)
{
    for (const Glyph& g : glyphs)
        if (g.c == c)
            return &g;
    return nullptr;
}

// Draws text in light grey at (x, y) of an RGB picture of the given width.
void drawLabel(std::vector<uint8_t>& rgb, int width, int x, int y, const char* text)
{
    for (; *text != '\0'; ++text, x += glyphWidth + 1) {
        const Glyph* g = findGlyph(*text);
        if (g == nullptr)
            continue;
        for (int row = 0; row < glyphHeight; ++row)
            for (int col = 0; col < glyphWidth; ++col)
                if (g->rows[row] & (0x10 >> col)) {
                    uint8_t* p = &rgb[(size_t(y + row) * width + x + col) * 3];
                    p[0] = p[1] = p[2] = 0xD8;
                }
    }
}

}  // namespace

bool writeSceneContactSheet(const char* path, const char* /*sceneName*/)
{
    const SceneCapture& c = sceneCapture;
    if (c.count <= 0)
        return false;
    const int rows = (c.count + columns - 1) / columns;
    const int width = columns * cellWidth + (columns + 1) * gap;
    const int height = rows * (cellHeight + labelHeight) + (rows + 1) * gap;
    std::vector<uint8_t> rgb(size_t(width) * height * 3, 0x20);
    const int32_t length = c.times[c.count - 1];
    for (int i = 0; i < c.count; ++i) {
        const int x0 = gap + (i % columns) * (cellWidth + gap);
        const int y0 = gap + (i / columns) * (cellHeight + labelHeight + gap);
        for (int y = 0; y < cellHeight; ++y)
            for (int x = 0; x < cellWidth; ++x) {
                const uint32_t p = c.pixels[i][y * cellWidth + x];
                uint8_t* out = &rgb[(size_t(y0 + labelHeight + y) * width + x0 + x) * 3];
                out[0] = uint8_t(p >> 16);
                out[1] = uint8_t(p >> 8);
                out[2] = uint8_t(p);
            }
        char label[48];
        const int percent = length > 0 ? int((int64_t(c.times[i]) * 100 + length / 2) / length) : 0;
        if (c.taken[i])
            std::snprintf(label, sizeof label, "%d%%  t=%d", percent, c.takenAt[i]);
        else
            std::snprintf(label, sizeof label, "%d%%  -", percent);
        drawLabel(rgb, width, x0 + 2, y0 + 2, label);
    }
    return stbi_write_png(path, width, height, 3, rgb.data(), width * 3) != 0;
}
