// Disks: eighteen coins for "disks.3ds" drifting in a loose cluster round the origin (the scene
// gives them the screen itself as texture), a chrome ring at their centre, the two additive
// backdrops "q1.jpg" and "q2.jpg" and the three pulsing words.
#include "scene_disks.h"

#include "model.h"
#include "noise.h"
#include "shapes.h"
#include "text.h"

#include <cmath>

namespace {

// Keyframer frames the scene plays: sceneTime × 0.05 over a length of 11776.
constexpr int disksFrames = 589;
// Objects 0 to 17 take the screen as their texture.
constexpr int diskCount = 18;

}  // namespace

std::vector<uint8_t> buildDisksMesh()
{
    Scene3ds scene;
    // The coins' own map is replaced by the scene; the ring keeps the chrome picture.
    scene.materials = {
        {"SCREEN", "enver1.jpg"}, {"CHROME", "enver1.jpg"}, {"SPACE", "x2space.jpg"}};
    Random random = makeRandom(8080);
    for (int k = 0; k < diskCount; ++k) {
        // Three loose rings of six, one above the other, turned against each other.
        const int layer = k / 6;
        const float a = 2.0f * pi * (float(k % 6) + 0.5f * float(layer)) / 6.0f;
        const float r = 30.0f + 10.0f * float(layer % 2) + 6.0f * randomUnit(random);
        const float x = std::cos(a) * r;
        const float y = (float(layer) - 1.0f) * 26.0f + (randomUnit(random) - 0.5f) * 8.0f;
        const float z = std::sin(a) * r;
        const float radius = 11.0f + 5.0f * randomUnit(random);
        Model coin = makeCoin(radius, 2.5f, 24);
        // Each coin faces outward from the cluster, tipped a little.
        rotateModelX(coin, (randomUnit(random) - 0.5f) * 0.8f);
        rotateModelY(coin, -a - pi * 0.5f);
        translateModel(coin, x, y, z);
        char name[16];
        std::snprintf(name, sizeof name, "Disk%02d", k);
        scene.objects.push_back(modelObject(name, coin, "SCREEN", {x, y, z}));

        // Drift on a slow loop about the place, tumbling about a tilted axis.
        std::vector<Key3ds> path, turn{rotationKey(0, 0, 0, 1, 0)};
        const float loop = 6.0f + 6.0f * randomUnit(random);
        const float phase = randomUnit(random) * 6.0f;
        const float ax = randomUnit(random) - 0.5f, az = randomUnit(random) - 0.5f;
        const float speed = (k % 2 ? 1.0f : -1.0f) * (0.6f + randomUnit(random));
        const int steps = 12;
        for (int i = 0; i <= steps; ++i) {
            const float s = float(i) / float(steps);
            const float b = phase + s * 2.0f * pi * 2.0f;
            const uint32_t frame = uint32_t(disksFrames * i / steps);
            path.push_back(positionKey(frame, x + std::cos(b) * loop,
                                       y + std::sin(b * 1.5f) * loop * 0.6f,
                                       z + std::sin(b) * loop));
            if (i > 0)
                turn.push_back(
                    rotationKey(frame, speed * 2.0f * pi / float(steps) * 1.5f, ax, 1.0f, az));
        }
        scene.nodes.push_back(objectNode(name, {0, 0, 0}, path, turn));
    }

    // Object 18: the ring the coins circle, turning slowly on two axes.
    Model ring = makeTorus(13.0f, 3.5f, 12, 32);
    appendModel(ring, [] {
        Model inner = makeTorus(7.0f, 2.0f, 10, 24);
        rotateModelX(inner, pi * 0.5f);
        return inner;
    }());
    scene.objects.push_back(modelObject("Core", ring, "CHROME"));
    std::vector<Key3ds> spin{rotationKey(0, 0, 0, 1, 0)};
    for (int i = 1; i <= 8; ++i)
        spin.push_back(rotationKey(uint32_t(disksFrames * i / 8), pi * 0.5f, 0.4f, 1.0f, 0.2f));
    scene.nodes.push_back(objectNode("Core", {0, 0, 0}, {positionKey(0, 0, 0, 0)}, spin));

    // Object 19: the sky round the flight. The scene never clears the screen, so the sky repaints
    // it every frame before the backdrops are added.
    Model sky = makeSphere(500.0f, 12, 24);
    flipModel(sky);
    mapModel(sky, 2.0f, 1.0f, 0, 0);
    scene.objects.push_back(modelObject("Sky", sky, "SPACE"));
    scene.nodes.push_back(
        objectNode("Sky", {0, 0, 0}, {positionKey(0, 0, 0, 0)},
                   {rotationKey(0, 0, 0, 1, 0), rotationKey(disksFrames, 1.0f, 0.2f, 1.0f, 0)}));
    return encode3ds(scene);
}

// A backdrop added over the whole frame: mostly dark, soft coloured glows (one always in the
// top-left corner, which the coins mirror), thin light bands and faint stars.
static Picture paintBackdrop(Rgb a, Rgb b, Rgb c, float bandRow, uint32_t seed)
{
    Canvas canvas = makeCanvas(screenWidth, screenHeight);
    addGlow(canvas, 48, 44, 150, scaleRgb(a, 0.42f), 1.4f);
    addGlow(canvas, 270, 150, 170, scaleRgb(b, 0.38f), 1.5f);
    addGlow(canvas, 220, 30, 80, scaleRgb(c, 0.25f), 1.8f);
    for (int i = 0; i < 3; ++i) {
        const float y = bandRow + float(i) * 9.0f;
        addStreak(canvas, 160, y, 0.0f, 200.0f, 0.8f + float(i) * 0.4f, scaleRgb(c, 0.22f));
        addStreak(canvas, 160, y, pi, 200.0f, 0.8f + float(i) * 0.4f, scaleRgb(c, 0.22f));
    }
    Random random = makeRandom(seed);
    addStarfield(canvas, random, 90, 0.5f);
    return finishPicture(canvas, seed);
}

Picture paintDisksBackdropCool()
{
    return paintBackdrop({0.25f, 0.45f, 1.0f}, {0.6f, 0.2f, 0.9f}, {0.4f, 0.9f, 1.0f}, 150.0f, 811);
}

Picture paintDisksBackdropWarm()
{
    return paintBackdrop({1.0f, 0.45f, 0.15f}, {0.9f, 0.15f, 0.35f}, {1.0f, 0.8f, 0.4f}, 46.0f,
                         812);
}

// One word as a 256 x 96 sprite (drawn at about 128 x 48): metal letters with a coloured glow,
// black at the borders.
bool paintDisksWord(Picture& picture, const std::string& word, bool gold, Rgb glow)
{
    Font bold;
    if (!loadDejaVuFont(bold, "DejaVuSans-Bold.ttf"))
        return false;
    Canvas canvas = makeCanvas(spriteWidth, 96);
    const float height = fitTextHeight(bold, word, 210.0f, 64.0f, 2.0f);
    const TitleText title = makeTitleText(bold, word, height, 2.0f, 2, 6, 4);
    const int x = spriteWidth / 2 - title.letters.width / 2;
    const int y = 48 - (title.inkTop + title.inkBottom) / 2;
    paintTitleText(canvas, title, x, y, gold, scaleRgb(glow, 0.9f), glow, 0.9f);
    applyEdgeFade(canvas, 3, 10);
    picture = finishPicture(canvas, 820 + uint32_t(word.size()));
    return true;
}
