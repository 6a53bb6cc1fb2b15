// Sun and code: a small star system for "x2.3ds" (a white-hot sun, planets circling it, red
// comets on their own tracks and a camera that swings around them), the corner sun emblem
// "nsun.jpg" and the scrolling strip of program code "mmxcode.jpg".
//
// The scene winds twenty lights around height 80 at 20 to 60 units from the vertical axis, so
// the sun sits at (0, 80, 0) with a radius below 20 and the planets circle outside 60.
#include "scene_sun_code.h"

#include "masks.h"
#include "model.h"
#include "noise.h"
#include "shapes.h"
#include "text.h"

#include <algorithm>
#include <cmath>

namespace {

// The middle of the system in engine axes: where the scene's spiral lights wind.
constexpr float sunX = 0, sunY = 80, sunZ = 0;
// Keyframer frames the scene plays: sceneTime / 23 over a length of 11776.
constexpr int sunCodeFrames = 512;

Model planet(float radius, float orbit, float angle, float height)
{
    Model m = makeSphere(radius, 10, 16);
    translateModel(m, std::cos(angle) * orbit + sunX, sunY + height,
                   std::sin(angle) * orbit + sunZ);
    return m;
}

// A flat ring of small tumbling rocks around the origin of the model.
Model rockRing(float inner, float outer, int rocks, uint32_t seed)
{
    Model ring;
    Random random = makeRandom(seed);
    for (int i = 0; i < rocks; ++i) {
        const float size = 2.0f + 3.0f * randomUnit(random);
        Model rock = makeBox(size, size * 0.7f, size * 0.9f);
        rotateModelX(rock, randomUnit(random) * 3.0f);
        rotateModelY(rock, randomUnit(random) * 3.0f);
        const float a = 2.0f * pi * (float(i) + randomUnit(random) * 0.6f) / float(rocks);
        const float r = inner + (outer - inner) * randomUnit(random);
        translateModel(rock, std::cos(a) * r, (randomUnit(random) - 0.5f) * 4.0f, std::sin(a) * r);
        mapModel(rock, 0.25f, 0.25f, 32.0f * float(i % 8), 200.0f);
        appendModel(ring, rock);
    }
    return ring;
}

std::vector<Key3ds> spin(float turns, float ax, float ay, float az)
{
    // Relative keys: each adds its angle to the one reached before it.
    std::vector<Key3ds> keys{rotationKey(0, 0, ax, ay, az)};
    const int steps = 16;
    for (int i = 1; i <= steps; ++i)
        keys.push_back(rotationKey(uint32_t(sunCodeFrames * i / steps),
                                   2.0f * pi * turns / float(steps), ax, ay, az));
    return keys;
}

std::vector<Key3ds> still(float x, float y, float z)
{
    return {positionKey(0, x, y, z)};
}

// A comet's path: an inclined circle about the sun, one loop in `turns` of the scene.
std::vector<Key3ds> cometPath(float radius, float tilt, float phase, float turns)
{
    std::vector<Key3ds> keys;
    const int steps = 24;
    for (int i = 0; i <= steps; ++i) {
        const float a = phase + 2.0f * pi * turns * float(i) / float(steps);
        const float x = std::cos(a) * radius;
        const float z = std::sin(a) * radius;
        keys.push_back(positionKey(uint32_t(sunCodeFrames * i / steps), x + sunX,
                                   sunY + z * std::sin(tilt), z * std::cos(tilt) + sunZ));
    }
    return keys;
}

}  // namespace

std::vector<uint8_t> buildSunCodeMesh()
{
    Scene3ds scene;
    scene.materials = {{"PLANETS", "x2plan.jpg"}, {"SUN", "x2sun.jpg"}, {"SPACE", "x2space.jpg"}};

    // Object 0: the planets, lit by light 0 at the sun's centre (its light fades out beyond
    // about 120 units, so the orbits stay within that). They circle together about the sun.
    Model planets = planet(11.0f, 64.0f, 0.3f, 4.0f);
    appendModel(planets, planet(8.0f, 80.0f, 2.4f, -6.0f));
    appendModel(planets, planet(13.0f, 96.0f, 4.3f, 2.0f));
    Model ring = rockRing(17.0f, 21.0f, 28, 77);
    translateModel(ring, std::cos(4.3f) * 96.0f + sunX, sunY + 2.0f, std::sin(4.3f) * 96.0f + sunZ);
    appendModel(planets, ring);
    scene.objects.push_back(modelObject("Planets", planets, "PLANETS", {sunX, sunY, sunZ}));

    // Object 1: the sun itself, drawn unlit with its own bright texture.
    Model sun = makeSphere(13.0f, 12, 20);
    mapModel(sun, 2.0f, 1.0f, 0, 0);
    translateModel(sun, sunX, sunY, sunZ);
    scene.objects.push_back(modelObject("Sun", sun, "SUN", {sunX, sunY, sunZ}));

    // Object 2: the sky, a sphere seen from inside round the whole flight. The scene never clears
    // the screen: the sky repaints all of it every frame.
    Model sky = makeSphere(700.0f, 12, 24);
    flipModel(sky);
    mapModel(sky, 2.0f, 1.0f, 0, 0);
    translateModel(sky, sunX, sunY, sunZ);
    scene.objects.push_back(modelObject("Sky", sky, "SPACE", {sunX, sunY, sunZ}));

    // Light 0 shines from the sun's centre (the star sprite); lights 1 to 3 are red comets.
    scene.lights.push_back(modelLight("Star", sunX, sunY, sunZ));
    scene.lights.push_back(modelLight("Comet1", 90, sunY, 0, {1, 0.3f, 0.2f}));
    scene.lights.push_back(modelLight("Comet2", -80, sunY, 0, {1, 0.3f, 0.2f}));
    scene.lights.push_back(modelLight("Comet3", 0, sunY, 100, {1, 0.3f, 0.2f}));

    // The objects turn about their own origin (the sun's centre), which the position keys put
    // back in place: the pivot is that origin.
    const Point3 centre{0, 0, 0};
    scene.nodes.push_back(
        objectNode("Planets", centre, still(sunX, sunY, sunZ), spin(0.75f, 0.08f, 1.0f, 0.05f)));
    scene.nodes.push_back(objectNode("Sun", centre, still(sunX, sunY, sunZ), spin(1.5f, 0, 1, 0)));
    scene.nodes.push_back(
        objectNode("Sky", centre, still(sunX, sunY, sunZ), spin(0.1f, 0.3f, 1.0f, 0)));
    scene.nodes.push_back(lightNode("Star", still(sunX, sunY, sunZ)));
    scene.nodes.push_back(lightNode("Comet1", cometPath(92.0f, 0.5f, 0.0f, 1.5f)));
    scene.nodes.push_back(lightNode("Comet2", cometPath(76.0f, -0.9f, 2.1f, -1.25f)));
    scene.nodes.push_back(lightNode("Comet3", cometPath(118.0f, 1.2f, 4.2f, 1.0f)));

    // The camera swings once and a half around the system, coming in close over the spiral of
    // lights and pulling back to show the orbits, rising and sinking as it goes.
    std::vector<Key3ds> eye, target, roll;
    const int steps = 16;
    for (int i = 0; i <= steps; ++i) {
        const float s = float(i) / float(steps);
        const float a = 0.6f + s * 2.0f * pi * 1.4f;
        const float distance = 155.0f - 20.0f * std::sin(s * pi * 3.0f) + 10.0f * s;
        const float height = sunY + 60.0f * std::cos(s * pi * 2.0f) - 10.0f;
        eye.push_back(positionKey(uint32_t(sunCodeFrames * i / steps), std::cos(a) * distance,
                                  height, std::sin(a) * distance));
        target.push_back(positionKey(uint32_t(sunCodeFrames * i / steps),
                                     18.0f * std::sin(s * pi * 4.0f), sunY - 6.0f,
                                     12.0f * std::cos(s * pi * 3.0f)));
        roll.push_back(
            rollKey(uint32_t(sunCodeFrames * i / steps), 12.0f * std::sin(s * pi * 2.5f)));
    }
    scene.nodes.push_back(cameraNode(eye, roll));
    scene.nodes.push_back(targetNode(target));
    return encode3ds(scene);
}

Picture paintSunSurface()
{
    // Granulated plasma: hot yellow-white cells with orange lanes, a few darker spots.
    static const std::vector<RampStop> heat = {
        {0.0f, {0.55f, 0.12f, 0.02f}},
        {0.35f, {0.95f, 0.42f, 0.06f}},
        {0.65f, {1.0f, 0.78f, 0.25f}},
        {1.0f, {1.0f, 0.98f, 0.8f}},
    };
    Canvas canvas = makeCanvas(256, 256);
    paintPixels(canvas, [&](int x, int y) -> Rgb {
        // Sampled on a cylinder so the texture wraps around the sphere without a seam.
        const float a = 2.0f * pi * float(x) / 256.0f;
        const float cells =
            fractalNoise(std::cos(a) * 4.0f, std::sin(a) * 4.0f, float(y) / 20.0f, 4, 0.55f, 3);
        const float lanes =
            std::fabs(gradientNoise(std::cos(a) * 9.0f, std::sin(a) * 9.0f, float(y) / 9.0f, 5));
        const float t = 0.62f + 0.45f * cells - 0.35f * (0.25f - std::min(lanes, 0.25f));
        return sampleRamp(heat, t);
    });
    return finishPicture(canvas, 701);
}

Picture paintPlanetBands()
{
    // Banded gas giants in four colour families across the texture's rows, so each planet
    // (mapped to the whole texture) and the rocks (mapped to the bottom) differ.
    static const std::vector<RampStop> bands = {
        {0.00f, {0.10f, 0.18f, 0.45f}}, {0.20f, {0.35f, 0.55f, 0.85f}},
        {0.40f, {0.85f, 0.70f, 0.45f}}, {0.55f, {0.70f, 0.35f, 0.18f}},
        {0.75f, {0.95f, 0.85f, 0.65f}}, {1.00f, {0.30f, 0.55f, 0.50f}},
    };
    Canvas canvas = makeCanvas(256, 256);
    paintPixels(canvas, [&](int x, int y) -> Rgb {
        const float a = 2.0f * pi * float(x) / 256.0f;
        const float swirl =
            fractalNoise(std::cos(a) * 2.5f, std::sin(a) * 2.5f, float(y) / 24.0f, 4, 0.5f, 11);
        const float band = float(y) / 256.0f + 0.06f * swirl + 0.015f * std::sin(float(y) * 0.9f);
        Rgb c = sampleRamp(bands, band - std::floor(band));
        const float grain = 0.85f + 0.3f * valueNoise(float(x) * 0.3f, float(y) * 0.3f, 9);
        return scaleRgb(c, grain);
    });
    return finishPicture(canvas, 702);
}

Picture paintSpaceSky()
{
    // Deep blue-black space with faint violet and teal nebulae and stars; drawn light-mapped (up
    // to twice as bright in the middle of the view), so it stays dim. The nebulae are sampled on
    // a cylinder so the sphere's seam does not show.
    Canvas canvas = makeCanvas(256, 256);
    paintPixels(canvas, [&](int x, int y) -> Rgb {
        const float a = 2.0f * pi * float(x) / 256.0f;
        const float n1 =
            fractalNoise(std::cos(a) * 2.0f, std::sin(a) * 2.0f, float(y) / 40.0f, 4, 0.55f, 41);
        const float n2 = fractalNoise(std::cos(a) * 3.0f + 5.0f, std::sin(a) * 3.0f,
                                      float(y) / 30.0f, 3, 0.5f, 42);
        Rgb c{0.01f, 0.015f, 0.05f};
        c = addRgb(c, scaleRgb({0.22f, 0.06f, 0.3f}, std::max(0.0f, n1) * 0.8f));
        c = addRgb(c, scaleRgb({0.03f, 0.18f, 0.22f}, std::max(0.0f, n2) * 0.7f));
        return c;
    });
    Random random = makeRandom(705);
    addStarfield(canvas, random, 260, 0.45f);
    return finishPicture(canvas, 706);
}

Picture paintCornerSun()
{
    // A sun emblem for the top-right corner: disc, corona rays and a thin ring, on black.
    Canvas canvas = makeCanvas(128, 112);
    const float cx = 72.0f, cy = 46.0f;
    addGlow(canvas, cx, cy, 46.0f, {0.55f, 0.25f, 0.05f}, 1.6f);
    for (int i = 0; i < 16; ++i) {
        const float a = 2.0f * pi * float(i) / 16.0f + 0.1f;
        addStreak(canvas, cx, cy, a, i % 2 ? 34.0f : 48.0f, 1.4f, {0.9f, 0.55f, 0.15f});
    }
    addCore(canvas, cx, cy, 9.0f, {1.0f, 0.85f, 0.45f});
    addGlow(canvas, cx, cy, 16.0f, {1.0f, 0.95f, 0.8f}, 3.0f);
    addRing(canvas, cx, cy, 30.0f, 0.8f, {0.5f, 0.3f, 0.1f});
    applyEdgeFade(canvas, 2, 12);
    return finishPicture(canvas, 703);
}

// The code on the strip: a packed-integer span loop of the kind the rasterizer runs, as the
// assembly listing a coder of the time would scroll past. Exactly strip rows / line height
// lines make one turn of the scroll.
static const char* const codeLines[] = {
    "; -ZEM- span fill, mode 9",
    "",
    "span_add:",
    "    mov   esi,[tex]",
    "    mov   edi,[dst]",
    "    mov   ecx,[count]",
    "    mov   eax,[u]",
    "    mov   ebx,[v]",
    "    mov   ebp,[du]",
    "    shr   ecx,1",
    "    jz    .tail",
    ".pair:",
    "    mov   edx,ebx",
    "    shr   edx,8",
    "    mov   dl,ah",
    "    movd  mm0,[esi+edx*4]",
    "    add   eax,ebp",
    "    add   ebx,[dv]",
    "    mov   edx,ebx",
    "    shr   edx,8",
    "    mov   dl,ah",
    "    movd  mm1,[esi+edx*4]",
    "    punpckldq mm0,mm1",
    "    paddusb mm0,[edi]",
    "    movq  [edi],mm0",
    "    add   eax,ebp",
    "    add   ebx,[dv]",
    "    add   edi,8",
    "    dec   ecx",
    "    jnz   .pair",
    ".tail:",
    "    test  byte [count],1",
    "    jz    .done",
    "    movd  mm0,[esi+edx*4]",
    "    movd  mm1,[edi]",
    "    paddusb mm0,mm1",
    "    movd  [edi],mm0",
    ".done:",
    "    emms",
    "    ret",
    "",
};

bool paintCodeStrip(Picture& picture)
{
    Font mono;
    if (!loadDejaVuFont(mono, "DejaVuSansMono.ttf"))
        return false;
    // One turn of the scroll is 499 rows; the strip repeats its first 224 rows after that so
    // the 200 rows shown at the last scroll rows match the first ones.
    constexpr int period = 499;
    constexpr int lineHeight = 12;
    constexpr int width = 160;
    constexpr int height = period + 224;
    static_assert(sizeof codeLines / sizeof codeLines[0] * lineHeight <= period);
    Canvas tile = makeCanvas(width, period);
    int y = 4;
    for (const char* line : codeLines) {
        if (line[0]) {
            const Mask text = renderText(mono, line, 10.0f, 0.0f, 2);
            const bool comment = line[0] == ';';
            const bool label = line[0] != ' ' && !comment;
            const Rgb colour = comment ? Rgb{0.35f, 0.55f, 0.95f}
                               : label ? Rgb{0.95f, 0.85f, 0.35f}
                                       : Rgb{0.35f, 0.95f, 0.45f};
            addMask(tile, text, 2, y, colour, 1.15f);
        }
        y += lineHeight;
    }
    Canvas canvas = makeCanvas(width, height);
    for (int row = 0; row < height; ++row)
        for (int x = 0; x < width; ++x)
            canvas.pixels[size_t(row * width + x)] =
                tile.pixels[size_t((row % period) * width + x)];
    picture = finishPicture(canvas, 704);
    return true;
}
