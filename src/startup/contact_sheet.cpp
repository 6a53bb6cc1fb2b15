// Contact sheets written as PNG pictures. A played scene: its captured frames in a grid of five
// columns, each with a label line of its sceneTime. The whole show: a frame every few seconds of
// show time in a grid of six columns, each labelled with the scene's title and the show time, under
// a header listing where each scene begins; its labels are drawn in DejaVu Sans.
#include "startup/startup.h"

#include "display/display.h"
#include "platform/platform.h"
#include "sequencer/sequencer.h"

#define STBTT_STATIC
#define STB_TRUETYPE_IMPLEMENTATION
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-function"
#include <stb_truetype.h>
#pragma GCC diagnostic pop

#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
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
    return platformWritePngFile(path, width, height, rgb.data());
}

namespace {

constexpr int showColumns = 6;
constexpr int showLabelHeight = 20;
constexpr int labelPixels = 14;
constexpr int titlePixels = 20;
constexpr int headerLinePixels = 18;
constexpr uint32_t backgroundGrey = 0x202020;
constexpr uint32_t labelGrey = 0xD8D8D8;
constexpr uint32_t firstCellYellow = 0xFFD040;  // the label of a scene's first cell
constexpr uint32_t headerTimeBlue = 0x90C0FF;

// DejaVu Sans in the places Debian and other systems put it.
constexpr const char* fontPaths[] = {
    "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf",
    "/usr/share/fonts/TTF/DejaVuSans.ttf",
    "/usr/share/fonts/dejavu/DejaVuSans.ttf",
    "/usr/local/share/fonts/DejaVuSans.ttf",
};

// The whole show's sheet while the show plays: the frames taken so far and when they showed.
struct ShowSheet {
    uint32_t everyMs = 5000;
    uint32_t nextTick = 0;
    std::vector<uint32_t> pixels;  // 320 x 200 0x00RRGGBB pixels per frame taken
    std::vector<uint32_t> ticks;   // the tick each frame showed at
    ShowSheetCell cells[maxShowSheetCells] = {};
    int cellCount = 0;
    std::vector<uint8_t> font;  // the font file's bytes
    stbtt_fontinfo fontInfo{};
};
ShowSheet showSheet;

void resetShowSheet(uint32_t everyMs)
{
    ShowSheet& s = showSheet;
    s.everyMs = everyMs;
    s.nextTick = 0;
    s.pixels.clear();
    s.ticks.clear();
    s.cellCount = 0;
}

bool loadSheetFont()
{
    ShowSheet& s = showSheet;
    if (!s.font.empty())
        return true;
    for (const char* path : fontPaths) {
        std::ifstream in(path, std::ios::binary);
        if (!in)
            continue;
        std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                                   std::istreambuf_iterator<char>());
        if (bytes.size() > 12 && stbtt_InitFont(&s.fontInfo, bytes.data(), 0) != 0) {
            s.font = std::move(bytes);
            // The info points into the bytes, which moved with their buffer.
            stbtt_InitFont(&s.fontInfo, s.font.data(), 0);
            return true;
        }
    }
    return false;
}

// After every shown frame: the first frame at or after each multiple of everyMs is kept.
void takeShownFrame()
{
    ShowSheet& s = showSheet;
    const uint32_t now = platformTicks();
    if (int32_t(now - s.nextTick) < 0)
        return;
    static uint32_t shown[displayWidth * displayHeight];
    if (!platformReadShown(shown))
        return;
    const uint32_t* frame = shown + frameOffset * displayWidth;
    s.pixels.insert(s.pixels.end(), frame, frame + cellWidth * cellHeight);
    s.ticks.push_back(now);
    while (int32_t(now - s.nextTick) >= 0)
        s.nextTick += s.everyMs;
}

// A stretch of the show: a scene's run, or the opening picture or the interlude between runs.
struct ShowPart {
    const char* title;
    uint32_t startTicks, endTicks;
};
constexpr int maxShowParts = sceneCount + 2;

// The parts of the show as the sequencer logged them, in show order. Frames between two runs
// belong to the earlier one (its last picture stays while the next loads), except after Flames
// (the opening picture) and after Mother (the interlude).
int showParts(ShowPart* parts)
{
    int count = 0;
    for (int i = 0; i < sequencer.logCount; ++i) {
        const SceneLogEntry& e = sequencer.log[i];
        parts[count++] = ShowPart{sceneTable[e.number - 1].title, e.startTicks, e.endTicks};
        const bool between =
            i + 1 < sequencer.logCount && sequencer.log[i + 1].startTicks > e.endTicks;
        if (between && (e.number == 1 || e.number == 13))
            parts[count++] = ShowPart{e.number == 1 ? "Opening picture" : "Interlude", e.endTicks,
                                      sequencer.log[i + 1].startTicks};
    }
    return count;
}

// The part a frame shown at tick belongs to: the last one begun before it.
const char* partAt(const ShowPart* parts, int count, uint32_t tick)
{
    const char* title = count > 0 ? parts[0].title : "";
    for (int i = 0; i < count; ++i)
        if (parts[i].startTicks < tick)
            title = parts[i].title;
    return title;
}

void formatShowTime(char* out, size_t size, uint32_t ticks)
{
    const uint32_t seconds = ticks / 1000;
    std::snprintf(out, size, "%u:%02u", seconds / 60, seconds % 60);
}

// Draws ASCII text with its top-left corner at (x, y), clipped to the picture; returns the
// advance in pixels.
int drawText(std::vector<uint8_t>& rgb, int width, int height, int x, int y, const char* text,
             float pixelHeight, uint32_t colour)
{
    const stbtt_fontinfo& info = showSheet.fontInfo;
    const float scale = stbtt_ScaleForPixelHeight(&info, pixelHeight);
    int ascent = 0, descent = 0, lineGap = 0;
    stbtt_GetFontVMetrics(&info, &ascent, &descent, &lineGap);
    const int baseline = y + int(ascent * scale + 0.5f);
    float pen = float(x);
    uint8_t glyph[64 * 64];
    for (const char* c = text; *c != '\0'; ++c) {
        const int code = static_cast<unsigned char>(*c);
        int advance = 0, bearing = 0;
        stbtt_GetCodepointHMetrics(&info, code, &advance, &bearing);
        int x0 = 0, y0 = 0, x1 = 0, y1 = 0;
        stbtt_GetCodepointBitmapBox(&info, code, scale, scale, &x0, &y0, &x1, &y1);
        const int w = x1 - x0, h = y1 - y0;
        if (w > 0 && h > 0 && w <= 64 && h <= 64) {
            stbtt_MakeCodepointBitmap(&info, glyph, w, h, w, scale, scale, code);
            for (int row = 0; row < h; ++row)
                for (int col = 0; col < w; ++col) {
                    const int px = int(pen) + x0 + col, py = baseline + y0 + row;
                    const int a = glyph[row * w + col];
                    if (a == 0 || px < 0 || py < 0 || px >= width || py >= height)
                        continue;
                    uint8_t* p = &rgb[(size_t(py) * width + px) * 3];
                    for (int k = 0; k < 3; ++k) {
                        const int target = int(colour >> (16 - 8 * k)) & 0xFF;
                        p[k] = uint8_t((target * a + p[k] * (255 - a)) / 255);
                    }
                }
        }
        pen += advance * scale;
        if (c[1] != '\0')
            pen += scale *
                   stbtt_GetCodepointKernAdvance(&info, code, static_cast<unsigned char>(c[1]));
    }
    return int(pen + 0.5f) - x;
}

int textWidth(const char* text, float pixelHeight)
{
    std::vector<uint8_t> none;
    return drawText(none, 0, 0, 0, 0, text, pixelHeight, 0);
}

// Lays out and writes the sheet of the frames taken. False when the file cannot be written.
bool writeShowSheet(const char* path)
{
    ShowSheet& s = showSheet;
    ShowPart parts[maxShowParts];
    const int partCount = showParts(parts);
    // What showed before the first scene (the black of the start) is not part of the show.
    size_t first = 0;
    while (first < s.ticks.size() && partCount > 0 && s.ticks[first] <= parts[0].startTicks)
        ++first;
    const int frames = int(s.ticks.size() - first);

    // The header: a title line, then the parts' start times and titles in the grid's columns.
    const int width = showColumns * cellWidth + (showColumns + 1) * gap;
    const int headerLines = (partCount + showColumns - 1) / showColumns;
    const int headerHeight = gap + titlePixels + 8 + headerLines * headerLinePixels + 6;
    const int rows = (frames + showColumns - 1) / showColumns;
    const int cellPitch = showLabelHeight + cellHeight + gap;
    const int height = headerHeight + rows * cellPitch + gap;
    std::vector<uint8_t> rgb(size_t(width) * height * 3, uint8_t(backgroundGrey));

    char line[96];
    std::snprintf(line, sizeof line, "v4npelva: the whole show, one frame every %u s",
                  s.everyMs / 1000);
    drawText(rgb, width, height, gap + 2, gap, line, titlePixels, labelGrey);
    for (int i = 0; i < partCount; ++i) {
        const int x = gap + 2 + (i % showColumns) * (cellWidth + gap);
        const int y = gap + titlePixels + 8 + (i / showColumns) * headerLinePixels;
        char time[16];
        formatShowTime(time, sizeof time, parts[i].startTicks);
        const int advance = drawText(rgb, width, height, x, y, time, labelPixels, headerTimeBlue);
        drawText(rgb, width, height, x + advance + 6, y, parts[i].title, labelPixels, labelGrey);
    }

    s.cellCount = 0;
    const char* previous = "";
    for (int i = 0; i < frames; ++i) {
        const int x0 = gap + (i % showColumns) * (cellWidth + gap);
        const int y0 = headerHeight + (i / showColumns) * cellPitch;
        const uint32_t* frame = &s.pixels[(size_t(i) + first) * cellWidth * cellHeight];
        for (int y = 0; y < cellHeight; ++y)
            for (int x = 0; x < cellWidth; ++x) {
                const uint32_t p = frame[y * cellWidth + x];
                uint8_t* out = &rgb[(size_t(y0 + showLabelHeight + y) * width + x0 + x) * 3];
                out[0] = uint8_t(p >> 16);
                out[1] = uint8_t(p >> 8);
                out[2] = uint8_t(p);
            }
        const uint32_t tick = s.ticks[first + i];
        const char* title = partAt(parts, partCount, tick);
        const uint32_t colour = std::strcmp(title, previous) != 0 ? firstCellYellow : labelGrey;
        previous = title;
        drawText(rgb, width, height, x0 + 2, y0 + 2, title, labelPixels, colour);
        char time[16];
        formatShowTime(time, sizeof time, tick);
        drawText(rgb, width, height, x0 + cellWidth - 2 - textWidth(time, labelPixels), y0 + 2,
                 time, labelPixels, colour);
        if (s.cellCount < maxShowSheetCells)
            s.cells[s.cellCount++] = ShowSheetCell{tick, title};
    }
    return frames > 0 && platformWritePngFile(path, width, height, rgb.data());
}

}  // namespace

int playShowContactSheet(const ProgramOptions& options, ShowReport* report)
{
    if (!loadSheetFont()) {
        std::fprintf(stderr,
                     "v4npelva: the contact sheet needs DejaVuSans.ttf (install "
                     "fonts-dejavu-core)\n");
        return 1;
    }
    // A name that cannot be written is found before the show plays, not after.
    if (FILE* probe = std::fopen(options.contactSheet.c_str(), "wb")) {
        std::fclose(probe);
    } else {
        std::fprintf(stderr, "v4npelva: cannot write the contact sheet %s\n",
                     options.contactSheet.c_str());
        return 1;
    }
    resetShowSheet(uint32_t(options.everySeconds) * 1000);
    platformOnShown(takeShownFrame);
    const int code = playShow(options, report);
    platformOnShown(nullptr);
    if (code != 0)
        return code;
    const bool written = writeShowSheet(options.contactSheet.c_str());
    const int frames = showSheet.cellCount;
    showSheet.pixels = std::vector<uint32_t>();
    if (!written) {
        std::fprintf(stderr, "v4npelva: cannot write the contact sheet %s\n",
                     options.contactSheet.c_str());
        return 1;
    }
    std::fprintf(stderr, "v4npelva: wrote %s: %d frames, one every %d s\n",
                 options.contactSheet.c_str(), frames, options.everySeconds);
    return 0;
}

int showSheetCells(ShowSheetCell* cells, int capacity)
{
    const int count = showSheet.cellCount < capacity ? showSheet.cellCount : capacity;
    for (int i = 0; i < count; ++i)
        cells[i] = showSheet.cells[i];
    return count;
}
