// The opening scene's data: "flames.3ds", a round temple hall with a stepped altar and a bronze
// brazier in its middle, twelve columns carrying coloured torches, seen by a camera that circles
// and descends over the whole scene; and the face textures it names.
//
// What the scene relies on: its flames rise from height 80 to 160 within 35 units of the vertical
// axis (the brazier's rim is at height 80), its circling lights move around height 130 within
// about 120 units, its camera track is read at sceneTime / 35 (about 455 frames), vertex 250
// anchors the lens flare (the tip of the crystal in the fire), and its lights are split in file
// order into red, green and blue thirds. The scene never clears the screen, so the hall encloses
// the camera and fills every pixel.
#include "scene_flames.h"

#include "model.h"
#include "noise.h"
#include "shapes.h"

#include <algorithm>
#include <cmath>

namespace {
constexpr float hallRadius = 520.0f;
constexpr float wallHeight = 360.0f;
constexpr float domeHeight = 620.0f;
constexpr float columnRadius = 440.0f;
constexpr int columnCount = 12;
constexpr float torchRadius = 412.0f;
constexpr float torchHeight = 165.0f;
// The altar is modelled first with exactly this many vertices, so that the crystal's tip that
// follows is vertex 250.
constexpr int altarVertices = 250;
// Camera frames: sceneTime / 35 over the scene's 15872 units and the few frames to cue 1.
constexpr int lastCameraFrame = 460;

Rgb stoneColour(float x, float y, int seed)
{
    const float n = fractalNoise(x, y, 0.3f, 5, 0.55f, seed);
    return mixRgb({0.20f, 0.16f, 0.14f}, {0.38f, 0.32f, 0.27f},
                  std::clamp(0.5f + n * 0.7f, 0.0f, 1.0f));
}

// The canvas pixel at (x, y), wrapping round at the edges as the texture tiles.
Rgb& wrappedPixel(Canvas& c, int x, int y)
{
    x = ((x % c.width) + c.width) % c.width;
    y = ((y % c.height) + c.height) % c.height;
    return c.pixels[static_cast<size_t>(y) * c.width + x];
}

}  // namespace

Picture paintFlamesStone()
{
    // Sandstone blocks in courses with dark mortar, and a carved band of zigzags and rings across
    // the middle, lit from above.
    Canvas canvas = makeCanvas(256, 256);
    for (int y = 0; y < 256; ++y) {
        const int course = y / 32;
        const int offset = (course % 2) * 32;
        for (int x = 0; x < 256; ++x) {
            Rgb c = stoneColour(x / 40.0f, y / 40.0f, 41);
            const int bx = (x + offset) % 64;
            const int by = y % 32;
            const float mortar = (bx < 2 || by < 2) ? 0.45f : (bx == 2 || by == 2) ? 0.8f : 1.0f;
            // A lit top edge and a shaded lower edge on every block.
            const float edge = by == 3 ? 1.25f : by == 31 ? 0.75f : 1.0f;
            wrappedPixel(canvas, x, y) = scaleRgb(c, mortar * edge);
        }
    }
    // The carved band: rows 96 to 160, zigzag ridges and a ring every 64 texels.
    for (int y = 96; y < 160; ++y) {
        for (int x = 0; x < 256; ++x) {
            const float zig = std::fabs(std::fmod(x + 1000.0f, 32.0f) - 16.0f);
            const float d = std::fabs((y - 128.0f) - (zig - 8.0f) * 1.5f);
            float light = 1.0f;
            if (d < 3.0f)
                light = (y - 128.0f) - (zig - 8.0f) * 1.5f < 0 ? 1.45f : 0.55f;
            const float rx = std::fmod(x + 1000.0f, 64.0f) - 32.0f;
            const float r = std::hypot(rx, y - 128.0f);
            if (std::fabs(r - 11.0f) < 2.0f)
                light = (y - 128.0f) < 0 ? 1.5f : 0.6f;
            Rgb& p = wrappedPixel(canvas, x, y);
            p = scaleRgb(mixRgb(p, {0.55f, 0.40f, 0.22f}, 0.35f), light);
        }
    }
    return finishPicture(canvas, 201);
}

Picture paintFlamesFloor()
{
    // Dark polished stone in radial tiles with gold inlay: the floor is a lathe, so columns run
    // around the hall and rows toward its middle.
    Canvas canvas = makeCanvas(256, 256);
    for (int y = 0; y < 256; ++y) {
        for (int x = 0; x < 256; ++x) {
            const float n = fractalNoise(x / 30.0f, y / 30.0f, 1.7f, 4, 0.5f, 43);
            const bool dark = ((x / 32) + (y / 64)) % 2 == 0;
            Rgb c = dark ? Rgb{0.13f, 0.11f, 0.14f} : Rgb{0.34f, 0.28f, 0.24f};
            c = scaleRgb(c, 0.85f + 0.3f * n);
            // Veins.
            const float vein = std::fabs(fractalNoise(x / 55.0f, y / 18.0f, 4.2f, 3, 0.5f, 44));
            if (vein < 0.03f)
                c = mixRgb(c, {0.6f, 0.55f, 0.5f}, 0.4f);
            // Gold inlay between the tiles.
            const int gx = x % 32, gy = y % 64;
            if (gx < 2 || gy < 2)
                c = {0.75f, 0.55f, 0.2f};
            wrappedPixel(canvas, x, y) = c;
        }
    }
    return finishPicture(canvas, 202);
}

Picture paintFlamesDome()
{
    // The painted dome: deep blue with gold stars and a ring of ornament at its foot (bottom rows).
    Canvas canvas = makeCanvas(256, 256);
    for (int y = 0; y < 256; ++y) {
        for (int x = 0; x < 256; ++x) {
            const float n = fractalNoise(x / 50.0f, y / 50.0f, 2.5f, 4, 0.5f, 45);
            wrappedPixel(canvas, x, y) = scaleRgb({0.07f, 0.10f, 0.30f}, 0.8f + 0.4f * n);
        }
    }
    Random random = makeRandom(46);
    for (int i = 0; i < 60; ++i) {
        const float x = randomUnit(random) * 256.0f;
        const float y = randomUnit(random) * 200.0f;
        const float size = 1.0f + randomUnit(random) * 2.0f;
        addCore(canvas, x, y, size * 0.7f, {0.9f, 0.7f, 0.3f});
        addStreak(canvas, x, y, 0.0f, size * 3.0f, 0.5f, {0.5f, 0.4f, 0.15f});
        addStreak(canvas, x, y, pi, size * 3.0f, 0.5f, {0.5f, 0.4f, 0.15f});
        addStreak(canvas, x, y, pi / 2, size * 3.0f, 0.5f, {0.5f, 0.4f, 0.15f});
        addStreak(canvas, x, y, -pi / 2, size * 3.0f, 0.5f, {0.5f, 0.4f, 0.15f});
    }
    for (int y = 220; y < 256; ++y)
        for (int x = 0; x < 256; ++x) {
            const bool line = y == 222 || y == 223 || y == 252 || y == 253;
            const float wave = std::sin(x * pi / 16.0f) * 8.0f + 237.0f;
            Rgb c = line || std::fabs(y - wave) < 1.5f ? Rgb{0.8f, 0.6f, 0.25f}
                                                       : Rgb{0.25f, 0.08f, 0.06f};
            wrappedPixel(canvas, x, y) = c;
        }
    return finishPicture(canvas, 203);
}

Picture paintFlamesGold()
{
    // Hammered bronze: warm metal with dents and a few bright bands.
    Canvas canvas = makeCanvas(256, 256);
    paintPixels(canvas, [&](int x, int y) -> Rgb {
        const float n = fractalNoise(x / 12.0f, y / 12.0f, 3.3f, 3, 0.5f, 47);
        const float band = 0.5f + 0.5f * std::sin(y * pi / 32.0f);
        return scaleRgb(goldColour(0.35f + 0.3f * band), 0.55f + 0.25f * n);
    });
    return finishPicture(canvas, 204);
}

std::vector<uint8_t> buildFlamesMesh()
{
    Scene3ds scene;
    scene.materials = {{"Floor", "fl_floor.jpg", 0xA200}, {"Wall", "fl_stone.jpg", 0xA200},
                       {"Dome", "fl_dome.jpg", 0xA200},   {"Column", "fl_stone.jpg", 0xA200},
                       {"Bronze", "fl_gold.jpg", 0xA200}, {"Altar", "fl_stone.jpg", 0xA200}};

    // The stepped altar: three round steps up to height 45, 10 profile points by 25 columns.
    Model altar;
    addLathe(altar,
             {{150, 0, 0},
              {150, 15, 20},
              {124, 15, 40},
              {124, 30, 60},
              {100, 30, 80},
              {100, 45, 100},
              {76, 45, 120},
              {58, 48, 140},
              {40, 48, 160},
              {20, 46, 180}},
             24, 4.0f);
    scene.objects.push_back(modelObject("Altar", altar, "Altar"));

    // The crystal in the fire, its tip first (vertex 250): eight faces around a point at height
    // 100.
    Model crystal;
    const int tip = addVertex(crystal, 0, 112, 0, 128, 0);
    const int foot = addVertex(crystal, 0, 78, 0, 128, 255);
    int ring[4];
    for (int k = 0; k < 4; ++k) {
        const float a = k * pi / 2 + pi / 4;
        ring[k] = addVertex(crystal, 9 * std::cos(a), 92, 9 * std::sin(a), k * 64.0f, 128);
    }
    for (int k = 0; k < 4; ++k) {
        const int a = ring[k], b = ring[(k + 1) % 4];
        // Upper faces run a, tip, b seen from outside (the ring goes counter-clockwise from above).
        addTriangle(crystal, a, tip, b);
        addTriangle(crystal, b, foot, a);
    }
    scene.objects.push_back(modelObject("Crystal", crystal, "Bronze"));

    // The brazier: a stem on the altar and a wide bowl whose rim is at height 80.
    Model brazier;
    addLathe(brazier,
             {{22, 46, 0},
              {14, 52, 30},
              {12, 60, 50},
              {20, 64, 70},
              {38, 70, 100},
              {48, 77, 130},
              {50, 80, 150},
              {45, 82, 170},
              {40, 78, 190},
              {26, 70, 220},
              {6, 68, 250}},
             24, 3.0f);
    scene.objects.push_back(modelObject("Brazier", brazier, "Bronze"));

    // The hall: floor, wall and dome, all facing inward.
    Model floor;
    std::vector<ProfilePoint> floorProfile;
    for (int i = 0; i <= 10; ++i) {
        const float r = hallRadius - (hallRadius - 150.0f) * i / 10.0f;
        floorProfile.push_back({r, 0, 256.0f * i / 5.0f});
    }
    addLathe(floor, floorProfile, 48, 12.0f);
    scene.objects.push_back(modelObject("Floor", floor, "Floor"));

    Model wall;
    std::vector<ProfilePoint> wallProfile;
    for (int i = 0; i <= 8; ++i) {
        const float h = wallHeight - wallHeight * i / 8.0f;
        wallProfile.push_back({hallRadius, h, 256.0f * i / 4.0f});
    }
    addLathe(wall, wallProfile, 48, 12.0f);
    scene.objects.push_back(modelObject("Wall", wall, "Wall"));

    Model dome;
    std::vector<ProfilePoint> domeProfile;
    for (int i = 0; i <= 10; ++i) {
        const float a = (pi / 2) * i / 10.0f;  // from the top down to the wall
        domeProfile.push_back({std::max(3.0f, hallRadius * std::sin(a)),
                               wallHeight + (domeHeight - wallHeight) * std::cos(a),
                               25.6f * i - 0.5f});
    }
    addLathe(dome, domeProfile, 48, 4.0f);
    scene.objects.push_back(modelObject("Dome", dome, "Dome"));

    // Twelve columns with a base and a capital, a torch in front of each.
    for (int c = 0; c < columnCount; ++c) {
        const float a = 2 * pi * (c + 0.5f) / columnCount;
        Model column;
        addLathe(column,
                 {{28, 0, 0},
                  {28, 12, 12},
                  {19, 20, 24},
                  {17, 120, 100},
                  {17, 270, 200},
                  {20, 292, 220},
                  {32, 306, 240},
                  {32, 330, 255}},
                 10, 1.0f, columnRadius * std::cos(a), columnRadius * std::sin(a));
        scene.objects.push_back(modelObject("Column" + std::to_string(c), column, "Column"));
        scene.lights.push_back(modelLight("Torch" + std::to_string(c), torchRadius * std::cos(a),
                                          torchHeight, torchRadius * std::sin(a)));
    }

    // The camera circles the altar one and a half times, coming down and closer, and ends in front
    // of the brazier looking up into the flames.
    std::vector<Key3ds> eye, look, roll;
    constexpr int keys = 11;
    for (int k = 0; k <= keys; ++k) {
        const float u = static_cast<float>(k) / keys;
        const uint32_t frame = static_cast<uint32_t>(std::lround(u * lastCameraFrame));
        const float angle = -pi / 2 - 2.6f * pi * u + 0.15f * std::sin(u * 9.0f);
        const float radius = 395.0f - 75.0f * u + 15.0f * std::sin(u * 7.0f);
        const float height = 260.0f - 170.0f * u + 20.0f * std::sin(u * 11.0f);
        eye.push_back(
            positionKey(frame, radius * std::cos(angle), height, radius * std::sin(angle)));
        // The view lifts over the last keys, when the title grows in over the dome.
        const float lift = u > 0.85f ? 140.0f * (u - 0.85f) / 0.15f : 0.0f;
        look.push_back(positionKey(frame, 12.0f * std::sin(u * 5.0f), 95.0f + 25.0f * u + lift,
                                   12.0f * std::cos(u * 4.0f)));
        roll.push_back(rollKey(frame, 6.0f * std::sin(u * 6.0f)));
    }
    scene.nodes = {cameraNode(eye, roll), targetNode(look)};
    return encode3ds(scene);
}
