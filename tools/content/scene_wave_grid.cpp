// The wave grid's pictures: four face textures that tile (every grid cell shows a whole one, so
// they must meet themselves at the edges) and "cosmback.bmp", the instrument panel copied over
// the grid with its black kept transparent.
#include "scene_wave_grid.h"

#include "geometry.h"

#include "masks.h"
#include "noise.h"
#include "shapes.h"
#include "text.h"

#include <algorithm>
#include <cmath>

namespace {
constexpr int size = spriteWidth;
// The panel is copied with byte-sized block sides: at most 255 (or 256) by 200.
constexpr int panelWidth = 256;
constexpr int panelHeight = 200;

// A wave of whole periods across the picture, so that it tiles.
float wave(float x, int periods)
{
    return std::sin(x / size * 2 * pi * periods);
}

}  // namespace

Picture paintWaveCircuit()
{
    // Glowing cyan traces on blue, with bright pads where they end: a circuit board seen lit.
    Canvas canvas = makeCanvas(size, size, {0.08f, 0.16f, 0.42f});
    Mask traces = makeMask(size, size);
    Random random = makeRandom(501);
    for (int i = 0; i < 34; ++i) {
        int x = int(randomUnit(random) * 16) * 16, y = int(randomUnit(random) * 16) * 16;
        const int steps = 3 + int(randomUnit(random) * 6);
        for (int s = 0; s < steps; ++s) {
            const int dir = int(randomUnit(random) * 4);
            const int length = 16 * (1 + int(randomUnit(random) * 3));
            for (int k = 0; k < length; ++k) {
                for (int w = -1; w <= 1; ++w) {
                    const int px = (dir < 2 ? x + (dir == 0 ? k : -k) : x + w + size) % size;
                    const int py = (dir >= 2 ? y + (dir == 2 ? k : -k) : y + w + size) % size;
                    traces.values[size_t((py + size) % size) * size + (px + size) % size] = 1.0f;
                }
            }
            x = (dir == 0 ? x + length : dir == 1 ? x - length : x) & (size - 1);
            y = (dir == 2 ? y + length : dir == 3 ? y - length : y) & (size - 1);
        }
        for (int dy = -4; dy <= 4; ++dy)
            for (int dx = -4; dx <= 4; ++dx)
                if (dx * dx + dy * dy <= 16)
                    traces.values[size_t((y + dy) & 255) * size + ((x + dx) & 255)] = 1.5f;
    }
    paintPixels(canvas, [&](int x, int y) -> Rgb {
        const float n = tiledNoise(x, y, size, 50.0f, 3, 0.5f, 502);
        Rgb c = addRgb(canvas.pixels[size_t(y) * size + x],
                       scaleRgb({0.1f, 0.2f, 0.35f}, n * 0.5f + 0.3f));
        // A faint grid of the board's raster.
        if (x % 16 == 0 || y % 16 == 0)
            c = addRgb(c, {0.03f, 0.07f, 0.12f});
        const float t = traces.values[size_t(y) * size + x];
        if (t > 0)
            c = t > 1.2f ? Rgb{1.0f, 0.95f, 0.6f} : Rgb{0.45f, 0.95f, 1.0f};
        return c;
    });
    return finishPicture(canvas, 503);
}

Picture paintWavePlasma()
{
    // A classic colour plasma: sums of sines of whole periods, through a rainbow palette.
    Canvas canvas = makeCanvas(size, size);
    paintPixels(canvas, [&](int x, int y) -> Rgb {
        const float v = wave(x, 1) + wave(y, 2) + wave(x + y, 1) * 0.8f +
                        wave(x - 2.0f * y, 1) * 0.6f +
                        std::sin(2 * pi * (wave(x, 2) * 0.15f + y / float(size)));
        const float h = v * 0.55f;
        const Rgb c{0.5f + 0.5f * std::sin(h * pi), 0.5f + 0.5f * std::sin(h * pi + 2.1f),
                    0.5f + 0.5f * std::sin(h * pi + 4.2f)};
        return scaleRgb(c, 0.95f);
    });
    return finishPicture(canvas, 511);
}

Picture paintWaveTiles()
{
    // Bevelled tiles, gold and violet in a chequer, four by four to the picture.
    Canvas canvas = makeCanvas(size, size);
    paintPixels(canvas, [&](int x, int y) -> Rgb {
        const int tx = x / 64, ty = y / 64;
        const int sx = x % 64, sy = y % 64;
        const bool gold = (tx + ty) % 2 == 0;
        const int edge = std::min({sx, sy, 63 - sx, 63 - sy});
        float light = 1.0f;
        if (edge < 6)
            light = (sx < 6 || sy < 6) && sx + sy < 64 ? 1.45f : 0.55f;
        const float t = float(sy) / 64.0f;
        Rgb c = gold ? goldColour(t) : mixRgb({0.5f, 0.2f, 0.8f}, {0.95f, 0.6f, 1.0f}, 1.0f - t);
        const float n = 0.9f + 0.1f * tiledNoise(x, y, size, 20.0f, 2, 0.5f, 521);
        c = scaleRgb(c, light * n * 0.85f);
        if (edge == 0)
            c = {0.08f, 0.05f, 0.1f};
        return c;
    });
    return finishPicture(canvas, 522);
}

Picture paintWaveFire()
{
    // Tiled fire: turbulent noise through a black-red-yellow-white ramp.
    static const std::vector<RampStop> heat = {
        {0.0f, {0.25f, 0.02f, 0.0f}}, {0.35f, {0.85f, 0.15f, 0.02f}}, {0.6f, {1.0f, 0.55f, 0.08f}},
        {0.85f, {1.0f, 0.9f, 0.4f}},  {1.0f, {1.0f, 1.0f, 0.9f}},
    };
    Canvas canvas = makeCanvas(size, size);
    paintPixels(canvas, [&](int x, int y) -> Rgb {
        const float warp = tiledNoise(x, y, size, 64.0f, 2, 0.5f, 531) * 40.0f;
        const float n =
            tiledNoise(x, std::fmod(y + warp + size, float(size)), size, 36.0f, 5, 0.6f, 532);
        return sampleRamp(heat, std::clamp(n * 0.8f + 0.55f, 0.0f, 1.0f));
    });
    return finishPicture(canvas, 533);
}

bool paintWavePanel(Picture& picture)
{
    Font font;
    if (!loadDejaVuFont(font, "DejaVuSans-Bold.ttf"))
        return false;
    // A steel frame round a rounded window, thick at the bottom where a row of gauges and lamps
    // sits. Inside the window it is black (transparent); the frame itself never rounds to black.
    Canvas canvas = makeCanvas(panelWidth, panelHeight);
    const float left = 12, top = 12, right = panelWidth - 12, bottom = panelHeight - 40,
                corner = 18;
    for (int y = 0; y < panelHeight; ++y)
        for (int x = 0; x < panelWidth; ++x) {
            const float cx = std::clamp(float(x), left + corner, right - corner);
            const float cy = std::clamp(float(y), top + corner, bottom - corner);
            const float d = std::hypot(x - cx, y - cy);
            if (d < corner)
                continue;  // the window
            // Frame metal: a gradient by height, a bevel at the window's rim and the outer edge.
            const float t = y / float(panelHeight);
            Rgb c = mixRgb({0.42f, 0.45f, 0.52f}, {0.2f, 0.22f, 0.28f}, t);
            const float rim = d - corner;
            if (rim < 3)
                c = scaleRgb(c, rim < 1.5f ? 0.4f : 1.6f);
            const float outer =
                std::min({float(x), float(y), panelWidth - 1.0f - x, panelHeight - 1.0f - y});
            if (outer < 2)
                c = scaleRgb(c, 1.5f);
            const float n = 0.92f + 0.08f * valueNoise(x * 0.7f, y * 0.2f, 541);
            c = scaleRgb(c, n);
            c.r = std::max(c.r, 0.06f), c.g = std::max(c.g, 0.06f), c.b = std::max(c.b, 0.07f);
            setPixel(canvas, x, y, c);
        }
    // Gauges in the bottom band: five bar meters and lamps between them.
    for (int g = 0; g < 5; ++g) {
        const int x0 = 20 + g * 46, y0 = panelHeight - 30;
        const float level = 0.3f + 0.14f * g;
        for (int y = y0; y < y0 + 20; ++y)
            for (int x = x0; x < x0 + 30; ++x) {
                const bool lit = x - x0 < int(level * 30) && (x - x0) % 3 != 2;
                const Rgb on = x - x0 < 18   ? Rgb{0.2f, 1.0f, 0.3f}
                               : x - x0 < 25 ? Rgb{1.0f, 0.85f, 0.1f}
                                             : Rgb{1.0f, 0.2f, 0.1f};
                setPixel(canvas, x, y, lit ? on : Rgb{0.07f, 0.09f, 0.08f});
            }
        addGlow(canvas, float(x0 + 38), float(y0 + 10), 5.0f,
                g % 2 ? Rgb{1.0f, 0.3f, 0.2f} : Rgb{0.3f, 0.6f, 1.0f}, 2.0f);
    }
    // Screws at the corners.
    for (const auto& [sx, sy] : {std::pair{5.0f, 5.0f},
                                 {panelWidth - 6.0f, 5.0f},
                                 {5.0f, panelHeight - 6.0f},
                                 {panelWidth - 6.0f, panelHeight - 6.0f}})
        addCore(canvas, sx, sy, 1.6f, {0.5f, 0.5f, 0.55f});
    // Engraved labels on the top rail, dark letters with a lit lower edge.
    const Mask label = renderText(font, "-ZEM-  WAVE SCOPE  MK 4", 8.0f, 1.0f, 1);
    const int lx = (panelWidth - label.width) / 2, ly = (12 - label.height) / 2 + 1;
    addMask(canvas, label, lx, ly + 1, {0.25f, 0.27f, 0.3f}, 1.0f);
    for (int y = 0; y < label.height; ++y)
        for (int x = 0; x < label.width; ++x) {
            const float a = label.values[size_t(y) * label.width + x];
            if (a > 0)
                blendPixel(canvas, lx + x, ly + y, {0.07f, 0.08f, 0.1f}, a);
        }
    picture = finishPicture(canvas, 542);
    return true;
}
