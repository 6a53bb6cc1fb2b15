// Rubber: the hall around the rubber column for "rubber.3ds" (floor, ring wall, pillars, a
// ceiling rim, and the camera track of the second phase), its panel texture "rubroom.jpg" and
// the panorama "cc000.jpg" that slides across the first phase.
//
// The scene builds the column itself at the origin: 384 units tall from y = -192, up to about
// 64 units from the axis when it bends. The first phase looks from (250, 0, 0) at the origin,
// so that point stays open.
#include "scene_rubber.h"

#include "model.h"
#include "noise.h"
#include "shapes.h"

#include <algorithm>
#include <cmath>

namespace {

// Keyframer frames of the second phase: sceneTime / 35 over its length of 14336.
constexpr int rubberFrames = 410;
constexpr float floorY = -200.0f;
constexpr float ceilingY = 420.0f;
// Wide enough that, at the 45-degree view, the column is a third of the screen across from the
// second phase's camera ring.
constexpr float wallRadius = 900.0f;
constexpr float pillarRadius = 600.0f;

}  // namespace

std::vector<uint8_t> buildRubberMesh()
{
    Scene3ds scene;
    // One material per object: a material's face group holds at most 2048 faces.
    scene.materials = {{"FLOOR", "rubroom.jpg"},
                       {"WALL", "rubroom.jpg"},
                       {"PILLARS", "rubroom.jpg"},
                       {"PLINTH", "rubroom.jpg"}};

    // The floor: a disc of rings seen from above, its texture tiled outward.
    Model floor = makeLathe({{wallRadius, floorY},
                             {700, floorY},
                             {500, floorY},
                             {300, floorY},
                             {150, floorY},
                             {0.5f, floorY}},
                            32, 10.0f);
    mapModel(floor, 6.0f, 1.0f, 0, 0);
    // A flat profile running inward faces up.
    scene.objects.push_back(modelObject("Floor", floor, "FLOOR"));

    // The wall, seen from inside: a cylinder turned inside out, its panels in four bands.
    Model wall = makeLathe(
        {{wallRadius, floorY}, {wallRadius, 0}, {wallRadius, 200}, {wallRadius, ceilingY}}, 48,
        3.0f);
    mapModel(wall, 16.0f, 1.0f, 0, 0);
    flipModel(wall);
    // The ceiling, closed: the scene never clears the screen, so the hall must cover every view.
    // Seen from below, a profile running inward faces up, so it is turned over.
    Model ceiling = makeLathe({{wallRadius, ceilingY},
                               {700, ceilingY + 60},
                               {450, ceilingY + 90},
                               {200, ceilingY + 100},
                               {0.5f, ceilingY + 100}},
                              48, 6.0f);
    mapModel(ceiling, 8.0f, 1.0f, 0, 0);
    flipModel(ceiling);
    appendModel(wall, ceiling);
    scene.objects.push_back(modelObject("Wall", wall, "WALL"));

    // Eight pillars between the column and the wall, off the first phase's line of sight.
    Model pillars;
    for (int i = 0; i < 8; ++i) {
        const float a = 2.0f * pi * (float(i) + 0.5f) / 8.0f;
        Model pillar = makeLathe(
            {{40, floorY}, {28, floorY + 40}, {22, 100}, {28, ceilingY - 20}, {40, ceilingY + 40}},
            12, 3.0f);
        translateModel(pillar, std::cos(a) * pillarRadius, 0, std::sin(a) * pillarRadius);
        appendModel(pillars, pillar);
    }
    scene.objects.push_back(modelObject("Pillars", pillars, "PILLARS"));

    // A low plinth the column stands on, and a ring hanging above it.
    // Profiles that run inward face up, like the floor.
    Model plinth = makeLathe(
        {{80, floorY}, {78, floorY + 8}, {70, floorY + 14}, {0.5f, floorY + 14}}, 32, 1.0f);
    Model halo = makeTorus(110.0f, 8.0f, 8, 40);
    translateModel(halo, 0, 240.0f, 0);
    appendModel(plinth, halo);
    scene.objects.push_back(modelObject("Plinth", plinth, "PLINTH"));

    // Lights are placed by the scene each frame; the file keeps eight for it.
    for (int i = 0; i < 8; ++i)
        scene.lights.push_back(modelLight("Glow" + std::to_string(i), 0, float(i - 4) * 20.0f, 90));

    // Second phase: the camera circles the column one and a quarter times between 330 and 620
    // units out, sinks low past it, climbs to look down along it and closes in at the end.
    std::vector<Key3ds> eye, target, roll;
    const int steps = 14;
    for (int i = 0; i <= steps; ++i) {
        const float s = float(i) / float(steps);
        const float a = 0.3f + s * 2.0f * pi * 1.25f;
        const float distance =
            560.0f - 230.0f * std::sin(s * pi * 2.0f) * std::sin(s * pi * 2.0f) + 60.0f * s;
        const float height = -20.0f + 200.0f * std::sin(s * pi * 1.5f);
        const uint32_t frame = uint32_t(rubberFrames * i / steps);
        eye.push_back(withTcb(
            positionKey(frame, std::cos(a) * distance, height, std::sin(a) * distance), 0, 0, 0));
        target.push_back(positionKey(frame, 0, 40.0f * std::sin(s * pi * 3.0f), 0));
        roll.push_back(rollKey(frame, 15.0f * std::sin(s * pi * 2.0f)));
    }
    scene.nodes.push_back(cameraNode(eye, roll));
    scene.nodes.push_back(targetNode(target));
    return encode3ds(scene);
}

Picture paintRubberPanels()
{
    // Dark steel plates in a 4 x 4 grid with bevelled seams, rivets, and a glowing strip across
    // the middle of every other plate.
    Canvas canvas = makeCanvas(256, 256);
    paintPixels(canvas, [&](int x, int y) -> Rgb {
        const int px = x % 64, py = y % 64;
        const float grain = fractalNoise(float(x) / 18.0f, float(y) / 18.0f, 0.5f, 3, 0.5f, 21);
        float base = 0.42f + 0.08f * grain;
        if (px < 2 || py < 2)
            base += 0.18f;
        if (px > 61 || py > 61)
            base -= 0.2f;
        Rgb c = scaleRgb({0.55f, 0.62f, 0.75f}, base);
        const bool strip =
            ((x / 64) + (y / 64)) % 2 == 0 && py > 28 && py < 36 && px > 8 && px < 56;
        if (strip)
            c = addRgb(c, {0.1f, 0.45f, 0.75f});
        return c;
    });
    for (int j = 0; j < 4; ++j)
        for (int i = 0; i < 4; ++i)
            for (int k = 0; k < 4; ++k) {
                const float rx = float(i * 64) + (k % 2 ? 57.0f : 7.0f);
                const float ry = float(j * 64) + (k / 2 ? 57.0f : 7.0f);
                addCore(canvas, rx, ry, 1.3f, {0.35f, 0.35f, 0.38f});
            }
    return finishPicture(canvas, 1001);
}

Picture paintRubberPanorama()
{
    // A night horizon, 3120 x 150, added over the lower screen while it slides: two ridges traced
    // in glowing lines over a warm glow along the horizon, floor lines below it, towers with red
    // lamps, and a few stars. Smooth glows and long lines keep the wide picture small on disk.
    constexpr int width = 3120, height = 150;
    constexpr float horizon = 72.0f;
    Canvas canvas = makeCanvas(width, height);
    for (int y = 0; y < height; ++y) {
        const float d = (float(y) - horizon) / 14.0f;
        const float band = std::exp(-d * d);
        for (int x = 0; x < width; ++x) {
            const float swell = 0.7f + 0.3f * std::sin(float(x) * 2.0f * pi / 780.0f);
            addToPixel(canvas, x, y, {0.35f, 0.12f, 0.25f}, band * swell);
        }
    }
    for (int layer = 0; layer < 2; ++layer) {
        const Rgb colour = layer == 0 ? Rgb{0.25f, 0.6f, 1.0f} : Rgb{0.6f, 0.35f, 0.9f};
        const float rise = layer == 0 ? 34.0f : 18.0f;
        const float scale = layer == 0 ? 180.0f : 95.0f;
        for (int x = 0; x < width; ++x) {
            const float n =
                fractalNoise(float(x) / scale, float(layer) * 7.0f, 0.3f, 3, 0.45f, 31 + layer);
            const float ridge = horizon - rise * (0.55f + 0.45f * n);
            const int top = int(ridge);
            for (int y = std::max(0, top - 2); y < std::min(height, top + 3); ++y) {
                const float e = float(y) - ridge;
                addToPixel(canvas, x, y, colour, 0.9f * std::exp(-e * e * 0.7f));
            }
        }
    }
    for (int x = 0; x < width; ++x)
        addToPixel(canvas, x, int(horizon), {0.5f, 0.75f, 1.0f}, 1.0f);
    for (int k = 1; k < 9; ++k) {
        const int row = int(horizon + 78.0f * (float(k) / 9.0f) * (float(k) / 9.0f));
        if (row >= height)
            break;
        for (int x = 0; x < width; ++x)
            addToPixel(canvas, x, row, {0.15f, 0.4f, 0.7f}, 0.35f + 0.05f * float(k));
    }
    Random random = makeRandom(1010);
    for (int i = 0; i < 26; ++i) {
        const float x = float(i) * 120.0f + 40.0f * randomUnit(random);
        const float h = 20.0f + 30.0f * randomUnit(random);
        for (int y = int(horizon - h); y < int(horizon); ++y)
            addToPixel(canvas, int(x), y, {0.3f, 0.35f, 0.45f}, 0.8f);
        addCore(canvas, x, horizon - h - 1.0f, 1.5f, {1.0f, 0.25f, 0.15f});
        addGlow(canvas, x, horizon - h - 1.0f, 10.0f, {0.6f, 0.12f, 0.05f}, 2.0f);
    }
    for (int i = 0; i < 300; ++i) {
        const float x = randomUnit(random) * float(width);
        const float y = randomUnit(random) * (horizon - 36.0f);
        const float b = 0.2f + 0.5f * randomUnit(random) * randomUnit(random);
        addToPixel(canvas, int(x), int(y), {b, b, b * 1.1f}, 1.0f);
    }
    return finishPicture(canvas, 1020);
}
