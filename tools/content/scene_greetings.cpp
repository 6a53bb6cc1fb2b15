// Greetings: the control-panel screen "06pet06.jpg", the talking head in three frames
// "gretf1.jpg" to "gretf3.jpg" on its monitor, the strip of seventeen greeting cards
// "greetz2.jpg", the warp source "greplas.jpg" and the tumbling knot "backobj.3ds".
#include "scene_greetings.h"

#include "masks.h"
#include "model.h"
#include "noise.h"
#include "shapes.h"
#include "text.h"

#include <algorithm>
#include <cmath>

namespace {

void fillRect(Canvas& canvas, int x0, int y0, int x1, int y1, Rgb colour)
{
    for (int y = std::max(0, y0); y < std::min(canvas.height, y1); ++y)
        for (int x = std::max(0, x0); x < std::min(canvas.width, x1); ++x)
            canvas.pixels[size_t(y * canvas.width + x)] = colour;
}

// A bevelled frame: light top and left edges, dark bottom and right, one pixel each.
void bevelFrame(Canvas& canvas, int x0, int y0, int x1, int y1, Rgb light, Rgb dark)
{
    fillRect(canvas, x0, y0, x1, y0 + 1, light);
    fillRect(canvas, x0, y0, x0 + 1, y1, light);
    fillRect(canvas, x0, y1 - 1, x1, y1, dark);
    fillRect(canvas, x1 - 1, y0, x1, y1, dark);
}

void label(Canvas& canvas, const Font& font, const std::string& text, int x, int y, float size,
           Rgb colour)
{
    const Mask mask = renderText(font, text, size, 1.0f, 1);
    addMask(canvas, mask, x, y, colour, 1.0f);
}

// Soft dots along a parametric curve, for line art that stays smooth at small sizes.
template <typename Curve>
void traceCurve(Canvas& canvas, Curve curve, int steps, float sigma, Rgb colour)
{
    for (int i = 0; i <= steps; ++i) {
        float x = 0, y = 0;
        curve(float(i) / float(steps), x, y);
        addCore(canvas, x, y, sigma, colour);
    }
}

void traceEllipse(Canvas& canvas, float cx, float cy, float rx, float ry, float from, float to,
                  float sigma, Rgb colour)
{
    traceCurve(
        canvas,
        [&](float s, float& x, float& y) {
            const float a = from + (to - from) * s;
            x = cx + std::cos(a) * rx;
            y = cy + std::sin(a) * ry;
        },
        int(std::max(rx, ry) * std::fabs(to - from) * 1.5f) + 8, sigma, colour);
}

}  // namespace

bool paintGreetingsPanel(Picture& picture)
{
    Font mono, bold;
    if (!loadDejaVuFont(mono, "DejaVuSansMono.ttf") || !loadDejaVuFont(bold, "DejaVuSans-Bold.ttf"))
        return false;
    Canvas canvas = makeCanvas(screenWidth, screenHeight);
    // Brushed dark-blue metal with a faint grid.
    paintPixels(canvas, [&](int x, int y) -> Rgb {
        const float brush = 0.85f + 0.15f * valueNoise(float(x) * 0.05f, float(y) * 1.3f, 61);
        Rgb c = scaleRgb({0.09f, 0.12f, 0.2f}, brush);
        if (x % 16 == 0 || y % 16 == 0)
            c = addRgb(c, {0.03f, 0.05f, 0.08f});
        return c;
    });
    const Rgb light{0.45f, 0.55f, 0.7f}, dark{0.02f, 0.03f, 0.05f}, hole{0.01f, 0.015f, 0.03f};
    // The monitor of the talking head (its pictures are 152 x 108 at the top left).
    bevelFrame(canvas, 0, 0, 158, 114, light, dark);
    fillRect(canvas, 2, 2, 156, 112, hole);
    // Status lamps and readouts on the right.
    for (int i = 0; i < 6; ++i) {
        const float on = (i * 7) % 3 == 0 ? 1.0f : 0.35f;
        addCore(canvas, 178.0f + float(i) * 22.0f, 14.0f, 3.0f, scaleRgb({1.0f, 0.4f, 0.1f}, on));
        addGlow(canvas, 178.0f + float(i) * 22.0f, 14.0f, 9.0f, scaleRgb({0.6f, 0.2f, 0.05f}, on),
                2.0f);
    }
    bevelFrame(canvas, 168, 28, 314, 98, light, dark);
    fillRect(canvas, 170, 30, 312, 96, hole);
    static const char* const readout[] = {"CHANNEL   17", "CARRIER   OK", "SIGNAL  -6dB",
                                          "FRAME  0x1C", "MODE     RGB"};
    for (int i = 0; i < 5; ++i)
        label(canvas, mono, readout[i], 176, 33 + i * 12, 9.0f, {0.35f, 0.95f, 0.5f});
    // The card window, which the box at (174, 130, 132 x 40) frames.
    bevelFrame(canvas, 170, 126, 310, 174, light, dark);
    fillRect(canvas, 172, 128, 308, 172, hole);
    label(canvas, bold, "GREETINGS", 212, 110, 11.0f, {1.0f, 0.8f, 0.3f});
    label(canvas, mono, "-ZEM- COMM PANEL 2.6", 170, 182, 8.0f, {0.4f, 0.6f, 0.9f});
    // The scan window below the monitor, where the scene's tumbling knot turns (its fixed view
    // puts it about 60 pixels from the left, 150 from the top).
    bevelFrame(canvas, 2, 124, 124, 198, light, dark);
    fillRect(canvas, 4, 126, 122, 196, hole);
    for (int y = 130; y < 196; y += 8)
        fillRect(canvas, 4, y, 122, y + 1, {0.03f, 0.08f, 0.1f});
    for (int x = 8; x < 122; x += 8)
        fillRect(canvas, x, 126, x + 1, 196, {0.03f, 0.08f, 0.1f});
    label(canvas, mono, "OBJECT SCAN", 70, 187, 7.0f, {0.4f, 0.8f, 1.0f});
    // A bar meter between the scan window and the card window.
    for (int i = 0; i < 4; ++i) {
        const int h = 20 + (i * 37 % 41);
        fillRect(canvas, 132 + i * 9, 194 - h, 138 + i * 9, 194,
                 i < 3 ? Rgb{0.1f, 0.5f, 0.3f} : Rgb{0.6f, 0.2f, 0.1f});
    }
    picture = finishPicture(canvas, 901);
    return true;
}

// The head on the monitor, frame 0 to 2: a line-art face whose mouth and eyes move between the
// frames, drawn in glowing cyan over scan lines and noise, 152 x 108.
Picture paintGreetingsFace(int frame)
{
    constexpr int width = 152, height = 108;
    Canvas canvas = makeCanvas(width, height);
    Random random = makeRandom(910 + uint32_t(frame));
    paintPixels(canvas, [&](int, int y) -> Rgb {
        const float n = randomUnit(random) * 0.05f + (y % 3 == 0 ? 0.03f : 0.0f);
        return {n * 0.3f, n * 0.8f, n};
    });
    const Rgb line{0.3f, 0.9f, 1.0f};
    const float cx = 76.0f + float(frame - 1) * 2.0f, cy = 52.0f;
    const float sigma = 0.9f;
    addGlow(canvas, cx, cy, 60.0f, {0.02f, 0.1f, 0.15f}, 1.2f);
    traceEllipse(canvas, cx, cy, 30.0f, 40.0f, 0.0f, 2.0f * pi, sigma, line);  // head
    // Contour bands across the face, as a scanned hologram.
    for (int i = -3; i <= 3; ++i) {
        const float y = cy + float(i) * 10.0f;
        const float half = 30.0f * std::sqrt(std::max(0.0f, 1.0f - (float(i) * 10.0f / 40.0f) *
                                                                       (float(i) * 10.0f / 40.0f)));
        traceEllipse(canvas, cx, y, half, 3.0f, 0.0f, pi, 0.5f, scaleRgb(line, 0.35f));
    }
    // Eyes: open, half shut, open looking aside.
    const float lid = frame == 1 ? 1.5f : 4.5f;
    const float look = frame == 2 ? 2.5f : 0.0f;
    for (int side = -1; side <= 1; side += 2) {
        const float ex = cx + float(side) * 12.0f;
        traceEllipse(canvas, ex, cy - 8.0f, 7.0f, lid, 0.0f, 2.0f * pi, sigma, line);
        addCore(canvas, ex + look, cy - 8.0f, 1.6f, {0.8f, 1.0f, 1.0f});
        traceEllipse(canvas, ex, cy - 16.0f, 8.0f, 3.0f, pi * 1.1f, pi * 1.9f, sigma, line);
    }
    traceCurve(
        canvas,
        [&](float s, float& x, float& y) {
            x = cx - 1.0f + 3.0f * s;
            y = cy - 4.0f + 14.0f * s;
        },
        20, sigma, scaleRgb(line, 0.8f));  // nose
    const float open = frame == 0 ? 1.0f : frame == 1 ? 6.0f : 3.0f;
    traceEllipse(canvas, cx, cy + 20.0f, 11.0f, open, 0.0f, pi, sigma, line);
    traceEllipse(canvas, cx, cy + 20.0f, 11.0f, 1.0f, pi, 2.0f * pi, sigma, line);
    // A torn scan line that moves between the frames.
    const int tear = 20 + frame * 31;
    for (int y = tear; y < tear + 3; ++y)
        for (int x = width - 1; x >= 6; --x)
            canvas.pixels[size_t(y * width + x)] = canvas.pixels[size_t(y * width + x - 6)];
    return finishPicture(canvas, 915 + uint32_t(frame));
}

// Seventeen cards of 28 rows, 128 wide: a heading, the free projects the show stands on, and a
// closing card.
bool paintGreetingCards(Picture& picture)
{
    Font bold;
    if (!loadDejaVuFont(bold, "DejaVuSans-Bold.ttf"))
        return false;
    static const char* const cards[17] = {
        "greetings to", "SDL",          "libopenmpt", "libjpeg-turbo", "stb",      "GoogleTest",
        "Benchmark",    "CMake",        "GCC",        "Clang",         "ccache",   "Debian",
        "Linux",        "DejaVu fonts", "SoX",        "Xvfb",          "and you!",
    };
    constexpr int width = 128, cardRows = 28;
    Canvas canvas = makeCanvas(width, cardRows * 17);
    for (int i = 0; i < 17; ++i) {
        const bool plain = i == 0 || i == 16;
        const float size = std::min(15.0f, fitTextHeight(bold, cards[i], 118.0f, 16.0f, 1.0f));
        const Mask text = renderText(bold, cards[i], size, 1.0f, 3);
        Mask glow = text;
        blurMask(glow, 2);
        const int x = width / 2 - text.width / 2;
        const int y = i * cardRows + cardRows / 2 - text.height / 2;
        const Rgb colour = plain ? Rgb{0.45f, 0.75f, 1.0f} : Rgb{1.0f, 0.8f, 0.35f};
        addMask(canvas, glow, x, y, scaleRgb(colour, 0.6f), 1.0f);
        addMask(canvas, text, x, y, colour, 1.0f);
    }
    picture = finishPicture(canvas, 930);
    return true;
}

Picture paintWarpVeins()
{
    // Bright veins where a warped periodic field crosses zero; every term repeats over 256
    // pixels, so the texture tiles as the warp reads it modulo 256.
    Canvas canvas = makeCanvas(256, 256);
    const float k = 2.0f * pi / 256.0f;
    for (int y = 0; y < 256; ++y)
        for (int x = 0; x < 256; ++x) {
            const float fx = float(x) * k, fy = float(y) * k;
            const float wx =
                fx + 0.9f * std::sin(2.0f * fy + 1.3f) + 0.4f * std::sin(3.0f * fx + 5.0f * fy);
            const float wy =
                fy + 0.9f * std::cos(3.0f * fx + 0.4f) + 0.3f * std::cos(2.0f * fx - 4.0f * fy);
            const float f =
                std::sin(3.0f * wx + 2.0f * wy) + 0.7f * std::sin(5.0f * wy - wx + 2.0f);
            const float g = std::sin(4.0f * wy - 3.0f * wx + 1.0f);
            const float vein = std::exp(-f * f * 40.0f) + 0.6f * std::exp(-g * g * 60.0f);
            const float haze = 0.05f * (1.0f + std::sin(fx * 2.0f + fy * 3.0f));
            canvas.pixels[size_t(y * 256 + x)] =
                addRgb(scaleRgb({0.25f, 0.45f, 1.0f}, vein * 0.45f),
                       scaleRgb({0.5f, 0.2f, 0.6f}, haze * 0.5f + vein * 0.1f));
        }
    return finishPicture(canvas, 940);
}

std::vector<uint8_t> buildGreetingsMesh()
{
    // A trefoil knot tube, about 75 units across, turning about its own centre.
    Model knot;
    // 2000 faces: one material group holds at most 2048.
    constexpr int around = 100, tube = 10;
    const float tubeRadius = 6.0f;
    auto centre = [](float s) {
        const float a = s * 2.0f * pi;
        return Point3{(std::sin(a) + 2.0f * std::sin(2.0f * a)) * 11.5f,
                      (std::cos(a) - 2.0f * std::cos(2.0f * a)) * 11.5f,
                      -std::sin(3.0f * a) * 11.5f};
    };
    for (int i = 0; i <= around; ++i) {
        const float s = float(i) / float(around);
        const auto p = centre(s);
        const auto q = centre(s + 0.001f);
        // Tube frame: tangent t, a normal n from the curve's offset from the centre, b = t x n.
        const Point3 t = (q - p) / std::sqrt(dot(q - p, q - p));
        const Point3 offset = p - t * dot(p, t);
        const Point3 n = offset / std::sqrt(dot(offset, offset));
        const Point3 b = cross(t, n);
        for (int j = 0; j <= tube; ++j) {
            const float a = 2.0f * pi * float(j) / float(tube);
            const float cs = std::cos(a) * tubeRadius, sn = std::sin(a) * tubeRadius;
            knot.vertices.push_back({p.x + n.x * cs + b.x * sn, p.y + n.y * cs + b.y * sn,
                                     p.z + n.z * cs + b.z * sn, 256.0f * 4.0f * s,
                                     256.0f * float(j) / float(tube)});
        }
    }
    for (int i = 0; i < around; ++i)
        for (int j = 0; j < tube; ++j) {
            const uint16_t p = uint16_t(i * (tube + 1) + j);
            const uint16_t r = uint16_t(p + tube + 1);
            knot.faces.push_back({p, r, uint16_t(p + 1)});
            knot.faces.push_back({uint16_t(p + 1), r, uint16_t(r + 1)});
        }
    Scene3ds scene;
    scene.materials = {{"KNOT", "enver1.jpg"}};
    scene.objects.push_back(modelObject("Knot", knot, "KNOT"));
    return encode3ds(scene);
}
