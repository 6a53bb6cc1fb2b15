// The two space flights: "space1.3ds", the flight past the station and through the ring gate,
// and "space2.3ds", the closing flight away from the planet, with their face textures and the
// end credits strip "titry2.jpg".
//
// Both scenes never clear the screen, so each file holds an inward-facing sky sphere around the
// whole flight. Positions are in the engine's axes (y up); the camera, every object and every
// light are keyframed for the whole scene (256 frames in the first flight, 512 in the last).
#include "scene_space.h"

#include "masks.h"
#include "model.h"
#include "noise.h"
#include "shapes.h"
#include "text.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {
constexpr int size = spriteWidth;  // face textures are 256 x 256

// The first flight's planet and sun. The planet's texture has this sun's light painted in (a unit
// vector from the planet's centre), so the last flight keeps the planet turned the same way and
// leaves it toward that side.
const Point3 spacePlanet{2900, -700, 1900};
const Point3 spaceSun{990, 215, 1415};
const Point3 planetSunSide = unit(spaceSun - spacePlanet);

// Deep space: tiled nebula clouds of two colours over a dark ground, with stars.
Picture paintSky(Rgb deep, Rgb cloudA, Rgb cloudB, int seed)
{
    Canvas canvas = makeCanvas(size, size);
    paintPixels(canvas, [&](int x, int y) -> Rgb {
        const float a = tiledNoise(x, y, size, 70.0f, 5, 0.55f, seed);
        const float b = tiledNoise(x, y, size, 45.0f, 5, 0.5f, seed + 1);
        const float wisps = std::pow(std::clamp(a * 0.9f + 0.45f, 0.0f, 1.0f), 2.2f);
        const float veil = std::pow(std::clamp(b * 0.9f + 0.35f, 0.0f, 1.0f), 2.6f);
        Rgb c = deep;
        c = addRgb(c, scaleRgb(cloudA, wisps * 0.75f));
        c = addRgb(c, scaleRgb(cloudB, veil * wisps * 0.9f + veil * 0.2f));
        return c;
    });
    Random stars = makeRandom(uint32_t(seed) * 7 + 1);
    addStarfield(canvas, stars, 330, 0.95f);
    return finishPicture(canvas, uint32_t(seed));
}

// Plates of brushed metal in rows, with seams, rivets and a few hatch and warning marks; lit by
// the light map (mid grey is the texel as it is).
Picture paintHull(Rgb tint, int seed)
{
    Canvas canvas = makeCanvas(size, size);
    paintPixels(canvas, [&](int x, int y) -> Rgb {
        const int px = x / 64, py = y / 32;
        const float plate = valueNoise(px + py * 7.0f, py * 3.0f, uint32_t(seed)) * 0.18f;
        const float grain = tiledNoise(x, y * 4.0f, size, 12.0f, 2, 0.5f, seed) * 0.04f;
        float v = 0.42f + plate + grain;
        const int sx = x % 64, sy = y % 32;
        if (sx == 0 || sy == 0)
            v *= 0.35f;  // seams
        else if (sx == 1 || sy == 1)
            v *= 1.25f;  // lit seam edge
        if ((sx == 4 || sx == 60) && (sy % 8) == 4)
            v += 0.35f;  // rivets
        Rgb c = scaleRgb(tint, v);
        // One plate in five carries a warning stripe or a dark hatch.
        const int kind = int(valueNoise(px * 1.3f, py * 2.1f, uint32_t(seed + 9)) * 5.0f);
        if (kind == 0 && sy > 20 && sy < 28 && ((sx + sy) / 6) % 2 == 0)
            c = {0.75f, 0.55f, 0.1f};
        if (kind == 1 && sx > 16 && sx < 48 && sy > 6 && sy < 26)
            c = scaleRgb(c, 0.45f);
        return c;
    });
    return finishPicture(canvas, uint32_t(seed));
}

// Material names of the files: one per object, each with its own picture.
Material3ds material(const std::string& name, const std::string& map)
{
    Material3ds m;
    m.name = name;
    m.mapName = map;
    return m;
}

// `turns` turns about the vertical axis over the frames, one rotation key every 16 frames.
std::vector<Key3ds> spinUpright(uint32_t frames, float turns)
{
    return spinKeys(frames, 16, turns, {0, 1, 0});
}

// The parts of a file all carry the face flag word 7 (all edges visible).
Object3ds flightObject(const std::string& name, Model model, const std::string& material,
                       Point3 origin)
{
    model.faceFlags = 7;
    return modelObject(name, model, material, origin);
}

}  // namespace

// The wheel: hull plates with rows of lit windows.
Picture paintStationWindows()
{
    Canvas canvas = makeCanvas(size, size);
    Random random = makeRandom(61);
    paintPixels(canvas, [&](int x, int y) -> Rgb {
        const float grain = tiledNoise(x, y, size, 20.0f, 2, 0.5f, 62) * 0.05f;
        float v = 0.36f + grain;
        if (x % 32 == 0 || y % 64 == 0)
            v *= 0.4f;
        return {v * 0.9f, v * 0.95f, v * 1.05f};
    });
    for (int row = 0; row < 4; ++row)
        for (int column = 0; column < 32; ++column) {
            if (randomUnit(random) < 0.25f)
                continue;
            const Rgb light =
                randomUnit(random) < 0.7f ? Rgb{1.0f, 0.85f, 0.5f} : Rgb{0.6f, 0.85f, 1.0f};
            for (int y = row * 64 + 26; y < row * 64 + 38; ++y)
                for (int x = column * 8 + 2; x < column * 8 + 6; ++x)
                    setPixel(canvas, x, y, light);
        }
    return finishPicture(canvas, 63);
}

// The gate glows by itself (drawn as a plain copy): dark plates with bright bands of blue light
// along the ring and orange markers across it.
Picture paintGateRing()
{
    Canvas canvas = makeCanvas(size, size);
    paintPixels(canvas, [&](int x, int y) -> Rgb {
        const float grain = tiledNoise(x, y, size, 16.0f, 2, 0.5f, 71) * 0.04f;
        Rgb c{0.12f + grain, 0.13f + grain, 0.17f + grain};
        if (x % 64 < 2)
            c = scaleRgb(c, 0.4f);
        // Along the ring (v around the tube): two light bands on the inner side.
        const float band = std::exp(-std::pow((y % 128 - 64) / 7.0f, 2.0f));
        const float core = std::exp(-std::pow((y % 128 - 64) / 2.0f, 2.0f));
        c = addRgb(c, scaleRgb({0.2f, 0.55f, 1.0f}, band * 0.9f));
        c = addRgb(c, scaleRgb({0.8f, 0.95f, 1.0f}, core));
        // Markers: short orange dashes every 32 texels along the ring.
        if (x % 32 >= 12 && x % 32 < 20 && (y % 128 < 14 || y % 128 > 114))
            c = {1.0f, 0.55f, 0.12f};
        return c;
    });
    return finishPicture(canvas, 72);
}

// Cratered grey-brown rock.
Picture paintAsteroidRock()
{
    Canvas canvas = makeCanvas(size, size);
    paintPixels(canvas, [&](int x, int y) -> Rgb {
        const float n = tiledNoise(x, y, size, 48.0f, 5, 0.55f, 81);
        const float fine = tiledNoise(x, y, size, 8.0f, 2, 0.5f, 82);
        const float v = 0.42f + 0.22f * n + 0.06f * fine;
        return {v * 1.05f, v * 0.93f, v * 0.8f};
    });
    Random random = makeRandom(83);
    for (int i = 0; i < 40; ++i) {
        const float cx = randomUnit(random) * size, cy = randomUnit(random) * size;
        const float r = 3.0f + 12.0f * randomUnit(random) * randomUnit(random);
        for (int dy = -int(r) - 2; dy <= int(r) + 2; ++dy)
            for (int dx = -int(r) - 2; dx <= int(r) + 2; ++dx) {
                const float d = std::hypot(float(dx), float(dy)) / r;
                const int x = (int(cx) + dx + size) % size, y = (int(cy) + dy + size) % size;
                Rgb& p = canvas.pixels[size_t(y) * size + x];
                // A dark bowl with a lit rim toward the upper left.
                if (d < 1.0f)
                    p = scaleRgb(p, 0.65f + 0.25f * d);
                else if (d < 1.3f && dx + dy < 0)
                    p = scaleRgb(p, 1.25f);
            }
    }
    return finishPicture(canvas, 84);
}

// The planet as a latitude-longitude map (column = longitude, row 0 at the south pole) with its
// sun's light painted in: oceans, continents, ice caps and clouds, a night side with city
// lights and a thin bright atmosphere toward the sun. The map's directions d have z through the
// poles (the file's axes).
Picture paintHomePlanet()
{
    const std::array<float, 3> sun = fileAxes(planetSunSide);
    Canvas canvas = makeCanvas(size, size);
    paintPixels(canvas, [&](int x, int y) -> Rgb {
        const float a = (x + 0.5f) / size * 2 * pi, b = ((y + 0.5f) / size - 0.5f) * pi;
        const Point3 d{std::cos(b) * std::cos(a), std::cos(b) * std::sin(a), std::sin(b)};
        const float land = fractalNoise(d.x * 2.2f, d.y * 2.2f, d.z * 2.2f, 5, 0.55f, 91);
        const float cloud = fractalNoise(d.x * 4.0f + 3, d.y * 4.0f, d.z * 7.0f, 4, 0.5f, 92);
        Rgb c = land > 0.08f ? mixRgb({0.25f, 0.42f, 0.16f}, {0.62f, 0.5f, 0.3f},
                                      std::clamp(land * 2.0f, 0.0f, 1.0f))
                             : mixRgb({0.02f, 0.1f, 0.3f}, {0.05f, 0.25f, 0.5f},
                                      std::clamp(land + 0.7f, 0.0f, 1.0f));
        // Ice caps with a ragged, soft edge.
        const float ice = std::clamp((std::fabs(d.z) - 0.8f - 0.08f * land) / 0.06f, 0.0f, 1.0f);
        c = mixRgb(c, {0.88f, 0.92f, 0.97f}, ice);
        const float clouds = std::clamp(cloud * 1.6f + 0.1f, 0.0f, 1.0f);
        c = mixRgb(c, {0.95f, 0.96f, 1.0f}, clouds * 0.8f);
        const float lit = d.x * sun[0] + d.y * sun[1] + d.z * sun[2];
        const float day = std::clamp(lit * 1.3f + 0.12f, 0.0f, 1.0f);
        Rgb shaded = scaleRgb(c, 0.03f + 0.97f * day);
        // City lights on the night side's land, under the clouds.
        if (land > 0.15f && day < 0.02f && valueNoise(x * 0.9f, y * 0.9f, 93) > 0.86f)
            shaded = addRgb(shaded, scaleRgb({1.0f, 0.7f, 0.3f}, 0.6f * (1.0f - clouds)));
        // The terminator gets a touch of warm twilight.
        shaded = addRgb(
            shaded, scaleRgb({0.35f, 0.12f, 0.05f}, std::exp(-std::pow(lit / 0.12f, 2.0f)) * 0.5f));
        return shaded;
    });
    return finishPicture(canvas, 94);
}

// The small ship of the last flight, painted lit (it is drawn as a plain copy): light grey hull
// with panel lines and a dark blue canopy band, shaded from light above to dark below.
Picture paintShipHull()
{
    Canvas canvas = makeCanvas(size, size);
    paintPixels(canvas, [&](int x, int y) -> Rgb {
        // v runs along the hull, u around it: column 0 and 255 underneath, 128 on top.
        const float around = std::cos((x / float(size) - 0.5f) * 2 * pi);
        const float light = 0.25f + 0.75f * std::clamp(-around * 0.5f + 0.5f, 0.0f, 1.0f);
        const float grain = tiledNoise(x, y, size, 10.0f, 2, 0.5f, 101) * 0.03f;
        Rgb c = scaleRgb({0.82f, 0.84f, 0.88f}, light + grain);
        if (y % 32 == 0 || x % 64 == 0)
            c = scaleRgb(c, 0.55f);
        if (y > 180 && y < 220 && x > 96 && x < 160)
            c = {0.1f, 0.25f, 0.6f};
        if (y > 196 && y < 200 && x > 100 && x < 156)
            c = {0.7f, 0.85f, 1.0f};
        if ((y % 64) > 40 && (y % 64) < 46 && std::fabs(x - 128.0f) > 50.0f &&
            std::fabs(x - 128.0f) < 60.0f)
            c = {1.0f, 0.3f, 0.1f};
        return c;
    });
    return finishPicture(canvas, 102);
}

// The engines' exhaust, drawn additively: white-blue at the nozzle (row 0) fading to black at
// the end of the plume, with flickering streaks along it.
Picture paintEngineExhaust()
{
    Canvas canvas = makeCanvas(size, size);
    paintPixels(canvas, [&](int x, int y) -> Rgb {
        const float along = y / float(size - 1);
        const float streak = 0.6f + 0.4f * tiledNoise(x, y * 0.15f, size, 8.0f, 2, 0.5f, 111);
        const float fade = std::pow(1.0f - along, 2.2f) * smoothFalloff(along * 1.05f);
        Rgb c = mixRgb({0.85f, 0.95f, 1.0f}, {0.2f, 0.35f, 1.0f}, std::min(1.0f, along * 2.5f));
        return scaleRgb(c, fade * streak * 1.2f);
    });
    return finishPicture(canvas, 112);
}

// A nebula veil, drawn additively over whatever lies behind it: soft pink and teal clouds that
// fade to black before the picture's edges.
Picture paintNebulaVeil()
{
    Canvas canvas = makeCanvas(size, size);
    paintPixels(canvas, [&](int x, int y) -> Rgb {
        const float n = fractalNoise(x / 60.0f, y / 60.0f, 1.5f, 5, 0.55f, 121);
        const float m = fractalNoise(x / 35.0f, y / 35.0f, 4.5f, 4, 0.5f, 122);
        const float density = std::pow(std::clamp(n * 0.9f + 0.5f, 0.0f, 1.0f), 2.0f);
        Rgb c = mixRgb({0.45f, 0.12f, 0.4f}, {0.1f, 0.45f, 0.5f}, std::clamp(m + 0.5f, 0.0f, 1.0f));
        return scaleRgb(c, density * 0.8f);
    });
    applyRoundWindow(canvas, 0.35f, 0.97f);
    return finishPicture(canvas, 123);
}

// The planet's rings, drawn additively: bands across v (inner edge at row 0, outer at row 255),
// black at both edges.
Picture paintPlanetRings()
{
    Canvas canvas = makeCanvas(size, size);
    for (int y = 0; y < size; ++y) {
        const float r = y / float(size - 1);
        const float bands = 0.55f + 0.45f * std::sin(r * 61.0f) * std::sin(r * 23.0f + 1.0f);
        const float gap = 1.0f - std::exp(-std::pow((r - 0.62f) / 0.025f, 2.0f));
        const float edge = smoothFalloff(std::fabs(r - 0.5f) * 2.0f);
        for (int x = 0; x < size; ++x) {
            const float grain = 0.85f + 0.15f * tiledNoise(x, y, size, 6.0f, 1, 0.5f, 131);
            const Rgb c = mixRgb({0.75f, 0.62f, 0.45f}, {0.55f, 0.6f, 0.7f}, r);
            setPixel(canvas, x, y, scaleRgb(c, bands * gap * edge * grain * 0.7f));
        }
    }
    return finishPicture(canvas, 132);
}

Picture paintFlightSky()
{
    return paintSky({0.01f, 0.01f, 0.035f}, {0.35f, 0.12f, 0.45f}, {0.2f, 0.45f, 0.8f}, 51);
}
Picture paintStationHull()
{
    return paintHull({0.95f, 0.95f, 1.0f}, 52);
}
Picture paintFarSky()
{
    return paintSky({0.005f, 0.008f, 0.03f}, {0.1f, 0.3f, 0.5f}, {0.6f, 0.2f, 0.35f}, 141);
}

std::vector<uint8_t> encodeSpaceFlightMesh()
{
    // Objects in the order the scene names them: 0 sky and 1 gate as plain copies, 2 hub, 3
    // wheel, 4 rocks light-mapped, 5 planet as a plain copy; 6, the moon, keeps the loaded mode.
    Scene3ds scene;
    scene.materials = {material("SKY", "spsky.jpg"),   material("GATE", "spgate.jpg"),
                       material("HULL", "sphull.jpg"), material("WHEEL", "spwheel.jpg"),
                       material("ROCK", "sprock.jpg"), material("PLANET", "spplan.jpg"),
                       material("MOON", "sprock.jpg")};
    const Point3 skyCentre{700, 0, 0};
    const Point3 gateCentre{1400, 0, 300};
    const float gateHeading = std::atan2(120.0f, 450.0f);
    const Point3 gateAxis{std::cos(gateHeading), 0, std::sin(gateHeading)};
    const Point3 planetCentre = spacePlanet;

    Model sky;
    addSurface(sky, sphereSurface(skyCentre, 4200), 32, 16, 4, 2, true);

    Model gate;
    addSurface(gate, torusSurface({0, 0, 0}, 110, 14), 40, 10, 8, 1, false);
    addSurface(gate, torusSurface({0, 0, 0}, 138, 5), 24, 4, 8, 1, false);
    rotateModelZ(gate, -pi / 2);  // ring axis from y to x
    rotateModelY(gate, gateHeading);
    translateModel(gate, gateCentre.x, gateCentre.y, gateCentre.z);

    Model hub;
    addSurface(hub,
               latheSurface({0, 0, 0}, {{0, -170},
                                        {22, -160},
                                        {44, -125},
                                        {48, -45},
                                        {72, -34},
                                        {72, 34},
                                        {48, 45},
                                        {44, 125},
                                        {22, 160},
                                        {0, 170}}),
               24, 18, 3, 6, false);

    Model wheel;
    addSurface(wheel, torusSurface({0, 0, 0}, 220, 24), 48, 12, 12, 1, false);
    for (int i = 0; i < 4; ++i) {
        Model spoke;
        addSurface(spoke, latheSurface({0, 0, 0}, {{9, 66}, {9, 200}}), 8, 1, 1, 2, false);
        rotateModelZ(spoke, -pi / 2);  // from the y axis to the x axis
        rotateModelY(spoke, i * pi / 2);
        appendModel(wheel, spoke);
    }

    // The camera's way from the station to the gate: the rocks keep clear of it.
    const std::vector<Point3> way = {{150, 40, -330}, {500, 30, 0}, {950, 10, 180}, {1400, 0, 300}};
    Model rocks;
    Random random = makeRandom(201);
    int placed = 0;
    for (int attempt = 0; attempt < 400 && placed < 24; ++attempt) {
        const float along = randomUnit(random) * 2.9f;
        const size_t leg = size_t(along);
        const float f = along - float(leg);
        const Point3 onWay = way[leg] + (way[leg + 1] - way[leg]) * f;
        // Up to 260 either way across and 150 up or down (drawn in the order x, z, y).
        const float dx = (randomUnit(random) - 0.5f) * 520;
        const float dz = (randomUnit(random) - 0.5f) * 520;
        const float dy = (randomUnit(random) - 0.5f) * 300;
        const Point3 p = onWay + Point3{dx, dy, dz};
        const float radius = 10 + 34 * randomUnit(random) * randomUnit(random);
        bool clear = distance(p, gateCentre) > 190;
        for (size_t i = 0; i + 1 < way.size(); ++i)
            for (float g = 0; g <= 1.0f; g += 0.05f)
                clear =
                    clear && distance(p, way[i] + (way[i + 1] - way[i]) * g) > radius * 1.4f + 55;
        if (!clear)
            continue;
        addRock(rocks, p, radius, 0.45f, 300 + placed);
        ++placed;
    }
    const Point3 rocksCentre{750, 0, 100};

    Model planet;
    addSurface(planet, sphereSurface(planetCentre, 950), 36, 18, 1, 1, false);

    // A moon (object 6, light-mapped like the rocks) drifts across the planet as the flight
    // leaves the gate.
    const Point3 moonStart{2800, 40, 640}, moonEnd{2330, -190, 1060};
    Model moon;
    addRock(moon, {0, 0, 0}, 190, 0.12f, 77, 24, 12);

    scene.objects = {flightObject("Sky", sky, "SKY", skyCentre),
                     flightObject("Gate", gate, "GATE", gateCentre),
                     flightObject("Hub", hub, "HULL", {0, 0, 0}),
                     flightObject("Wheel", wheel, "WHEEL", {0, 0, 0}),
                     flightObject("Rocks", rocks, "ROCK", rocksCentre),
                     flightObject("Planet", planet, "PLANET", planetCentre),
                     flightObject("Moon", moon, "MOON", {0, 0, 0})};

    // Light 0 is the sun above and left of the station as the flight begins (it carries the lens
    // flare); light 1 a blue star low in the sky behind the start.
    const Point3 star{-1800, -1300, 2400};
    scene.lights = {modelLight("Sun", spaceSun, {1, 0.9f, 0.7f}),
                    modelLight("Star", star, {0.6f, 0.7f, 1})};

    const uint32_t frames = 256;
    scene.nodes = {
        cameraNode({positionKey(0, {-1100, 320, -850}), positionKey(60, {-420, 130, -380}),
                    positionKey(110, {150, 40, -330}), positionKey(150, {500, 30, 0}),
                    positionKey(190, {950, 10, 180}), positionKey(215, {1400, 0, 300}),
                    positionKey(256, {1900, -40, 430})},
                   {rollKey(0, 0), rollKey(70, -12), rollKey(120, 18), rollKey(170, -8),
                    rollKey(215, 25), rollKey(256, 0)}),
        targetNode({positionKey(0, {0, 0, 0}), positionKey(60, {0, 0, 0}),
                    positionKey(110, {260, 0, 120}), positionKey(150, {1000, 0, 250}),
                    positionKey(190, {1400, 0, 300}), positionKey(215, {1900, -40, 430}),
                    positionKey(256, planetCentre)}),
        objectNode("Sky", {}, {positionKey(0, skyCentre)}),
        objectNode("Gate", {}, {positionKey(0, gateCentre)}, spinKeys(frames, 16, 0.35f, gateAxis)),
        objectNode("Hub", {}, {positionKey(0, {0, 0, 0})}, spinUpright(frames, 0.25f)),
        objectNode("Wheel", {}, {positionKey(0, {0, 0, 0})}, spinUpright(frames, 0.25f)),
        objectNode("Rocks", {}, {positionKey(0, rocksCentre), positionKey(256, {790, 12, 60})},
                   spinKeys(frames, 32, 0.02f, {0.3f, 1, 0.2f})),
        objectNode("Planet", {}, {positionKey(0, planetCentre)}),
        objectNode("Moon", {}, {positionKey(0, moonStart), positionKey(256, moonEnd)},
                   spinUpright(frames, 0.2f)),
        lightNode("Sun", {positionKey(0, spaceSun), positionKey(256, spaceSun)}),
        lightNode("Star", {positionKey(0, star), positionKey(256, star)})};
    numberNodes(scene);
    return encode3ds(scene);
}

std::vector<uint8_t> encodeFinalFlightMesh()
{
    // Objects: 0 sky, 1 planet, 2 ship as plain copies; 3 exhaust, 4 veils, 5 rings additive.
    Scene3ds scene;
    scene.materials = {material("SKY", "fnsky.jpg"),   material("PLANET", "spplan.jpg"),
                       material("SHIP", "fnship.jpg"), material("EXHAUST", "fnexh.jpg"),
                       material("VEIL", "fnveil.jpg"), material("RINGS", "fnring.jpg")};
    const Point3 out = planetSunSide;  // the way out, toward the sun
    const Point3 side = unit({-out.z, 0, out.x});
    const Point3 up{0, 1, 0};
    const Point3 skyCentre = out * 3500;

    Model sky;
    addSurface(sky, sphereSurface(skyCentre, 9000), 32, 16, 4, 2, true);

    Model planet;
    addSurface(planet, sphereSurface({0, 0, 0}, 950), 36, 18, 1, 1, false);

    // The ship points along the way out: a fuselage with two engine pods, modelled along y and
    // turned to the heading.
    const Point3 shipStart = out * 1500;
    // The ship is modelled about 48 long and drawn larger.
    constexpr float shipScale = 1.6f;
    const float heading = std::atan2(out.z, out.x);
    const float climb = std::asin(out.y);
    Model ship;
    addSurface(ship,
               latheSurface({0, 0, 0}, {{0, -22}, {5, -20}, {7, -8}, {6, 10}, {3, 20}, {0, 26}}),
               12, 10, 1, 1, false);
    for (float z : {-11.0f, 11.0f}) {
        Model pod;
        addSurface(pod, latheSurface({0, 0, 0}, {{0, -18}, {3.5f, -16}, {3.5f, 4}, {0, 8}}), 8, 4,
                   1, 0.5f, false);
        translateModel(pod, 2, 0, z);  // model x is down once the nose is turned
        appendModel(ship, pod);
    }
    Model exhaust;
    for (float z : {-11.0f, 11.0f}) {
        Model plume;
        // Both sides of the plume; v stops short of 1 so the tip does not wrap to the nozzle row.
        addSurface(plume, latheSurface({0, 0, 0}, {{3.2f, -17}, {6, -60}}), 8, 1, 1, 0.98f, true);
        addSurface(plume, latheSurface({0, 0, 0}, {{3.2f, -17}, {6, -60}}), 8, 1, 1, 0.98f, false);
        translateModel(plume, 2, 0, z);
        appendModel(exhaust, plume);
    }
    // Modelled with the nose along y: turn it to x, up by the climb, then round to the heading.
    for (Model* o : {&ship, &exhaust}) {
        scaleModel(*o, shipScale, shipScale, shipScale);
        rotateModelZ(*o, -pi / 2);
        rotateModelZ(*o, climb);
        rotateModelY(*o, heading);
        translateModel(*o, shipStart.x, shipStart.y, shipStart.z);
    }

    // Veils across the way out, turned toward it, each a subdivided square.
    Model veils;
    Random random = makeRandom(401);
    for (int i = 0; i < 8; ++i) {
        // Alternately left and right of the way, so that the chase passes between them.
        const float along = 3000 + i * 520.0f;
        const float across = (i % 2 ? 1.0f : -1.0f) * (350 + 500 * randomUnit(random));
        const Point3 centre =
            out * along + side * across + up * ((randomUnit(random) - 0.5f) * 700);
        const float half = 500 + 300 * randomUnit(random);
        const float turn = randomUnit(random) * pi;
        const SurfaceFunction square = [=](float s, float t) {
            const float a = (s - 0.5f) * 2 * half, b = (t - 0.5f) * 2 * half;
            const float ca = std::cos(turn), sa = std::sin(turn);
            const float p = a * ca - b * sa, q = a * sa + b * ca;
            return centre + (side * p + up * q);
        };
        addSurface(veils, square, 4, 4, 1, 1, false);
        addSurface(veils, square, 4, 4, 1, 1, true);
    }

    // The rings, tilted, both sides drawn.
    Model rings;
    const SurfaceFunction annulus = [](float s, float t) {
        const float a = s * 2 * pi, r = 1250 + t * 700;
        return Point3{r * std::cos(a), 0, r * std::sin(a)};
    };
    addSurface(rings, annulus, 64, 2, 16, 1, false);
    addSurface(rings, annulus, 64, 2, 16, 1, true);
    rotateModelX(rings, -0.38f);

    scene.objects = {flightObject("Sky", sky, "SKY", skyCentre),
                     flightObject("Planet", planet, "PLANET", {0, 0, 0}),
                     flightObject("Ship", ship, "SHIP", shipStart),
                     flightObject("Exhaust", exhaust, "EXHAUST", shipStart),
                     flightObject("Veils", veils, "VEIL", out * 4500),
                     flightObject("Rings", rings, "RINGS", {0, 0, 0})};

    // The ship leaves slowly, then speeds away. The camera waits ahead of it with the planet and
    // its rings behind the ship, lets it pass close by, turns and chases it out through the veils,
    // then falls behind and watches it go.
    const std::vector<std::pair<uint32_t, float>> shipWay = {
        {0, 1500}, {120, 2000}, {200, 2450}, {280, 3100}, {360, 4100}, {440, 5600}, {512, 7800}};
    std::vector<Key3ds> shipKeys;
    for (const auto& [frame, along] : shipWay)
        shipKeys.push_back(positionKey(frame, out * along));
    const auto following = [&](Point3 offset) {
        std::vector<Key3ds> keys;
        for (const auto& [frame, along] : shipWay)
            keys.push_back(positionKey(frame, out * along + offset));
        return keys;
    };
    // The engine lights sit at the pods' nozzles, in the ship's heading.
    const Point3 back = out * (-20 * shipScale);
    const Point3 leftPod = back + side * (-11 * shipScale) + up * (-2 * shipScale);
    const Point3 rightPod = back + side * (11 * shipScale) + up * (-2 * shipScale);
    scene.lights = {modelLight("EngineL", shipStart + leftPod, {1, 0.4f, 0.3f}),
                    modelLight("EngineR", shipStart + rightPod, {1, 0.4f, 0.3f})};

    const auto at = [&](float along, float sideways, float height) {
        return out * along + side * sideways + up * height;
    };
    // The camera looks a little to the side of the ship, which keeps it and the planet on the
    // left while the credits scroll up the right (the other side once the camera has turned).
    const float aside[] = {520, 420, 0, -200, -220, -420, -1300};
    std::vector<Key3ds> target;
    for (size_t i = 0; i < shipWay.size(); ++i)
        target.push_back(positionKey(shipWay[i].first, out * shipWay[i].second + side * aside[i]));
    scene.nodes = {
        cameraNode({positionKey(0, at(2750, 60, 25)), positionKey(120, at(2600, 70, 20)),
                    positionKey(200, at(2470, 80, 18)), positionKey(260, at(2600, 45, 30)),
                    positionKey(360, at(3800, 30, 35)), positionKey(440, at(5000, 25, 40)),
                    positionKey(512, at(5600, 20, 45))},
                   {rollKey(0, 0), rollKey(180, 10), rollKey(240, -25), rollKey(330, 8),
                    rollKey(430, -6), rollKey(512, 0)}),
        targetNode(target),
        objectNode("Sky", {}, {positionKey(0, skyCentre)}),
        objectNode("Planet", {}, {positionKey(0, {0, 0, 0})}),
        objectNode("Ship", {}, shipKeys),
        objectNode("Exhaust", {}, shipKeys),
        objectNode("Veils", {},
                   {positionKey(0, out * 4500), positionKey(512, out * 4500 + side * 200)}),
        objectNode("Rings", {}, {positionKey(0, {0, 0, 0})}, spinUpright(512, 0.05f)),
        lightNode("EngineL", following(leftPod)),
        lightNode("EngineR", following(rightPod))};
    numberNodes(scene);
    return encode3ds(scene);
}

bool paintEndCredits(Picture& picture)
{
    Font bold, book;
    if (!loadDejaVuFont(bold, "DejaVuSans-Bold.ttf") || !loadDejaVuFont(book, "DejaVuSans.ttf"))
        return false;
    Canvas canvas = makeCanvas(endCreditsWidth, endCreditsHeight);
    // Each line: text, height, bold, colour. The strip starts with a screen of black, so the
    // first line rises in from the bottom; the closing line is centred on the last screen.
    struct Line {
        const char* text;
        float height;
        bool strong;
        Rgb colour;
        int gapAfter;
    };
    const Rgb heading{0.45f, 0.7f, 1.0f}, name{1.0f, 0.95f, 0.85f}, small{0.75f, 0.78f, 0.85f};
    const Line lines[] = {
        {"-ZEM-", 40, true, {1.0f, 0.75f, 0.3f}, 6},
        {"The v4n Pelvadron", 17, true, name, 4},
        {"a real-time demo", 12, false, small, 28},
        {"CODE", 13, true, heading, 2},
        {"Vendrix", 17, true, name, 0},
        {"Oblique", 17, true, name, 16},
        {"GRAPHICS", 13, true, heading, 2},
        {"Marrow", 17, true, name, 16},
        {"3D MODELS", 13, true, heading, 2},
        {"Kafrim", 17, true, name, 16},
        {"MUSIC", 13, true, heading, 2},
        {"Quillion", 17, true, name, 28},
        {"BUILT ON", 13, true, heading, 6},
        {"SDL2", 13, false, small, 1},
        {"libopenmpt", 13, false, small, 1},
        {"libjpeg-turbo", 13, false, small, 1},
        {"stb_image", 13, false, small, 1},
        {"DejaVu fonts", 13, false, small, 1},
        {"GoogleTest", 13, false, small, 1},
        {"Google Benchmark", 13, false, small, 1},
        {"CMake and GCC", 13, false, small, 24},
    };
    int y = screenHeight;
    for (const Line& line : lines) {
        const Font& font = line.strong ? bold : book;
        const float tracking = line.height > 30 ? 2.0f : 0.5f;
        // Lines keep a margin of black at the strip's sides, where the addition would show an edge.
        const float height = std::min(
            line.height,
            fitTextHeight(font, line.text, endCreditsWidth - 28.0f, line.height, tracking));
        const Mask text = renderText(font, line.text, height, tracking, 4);
        const int x = (endCreditsWidth - text.width) / 2;
        Mask glow = text;
        blurMask(glow, 3);
        addMask(canvas, glow, x, y, scaleRgb(line.colour, 0.5f), 0.8f);
        addMask(canvas, text, x, y, line.colour, 1.0f);
        y += text.height + line.gapAfter;
    }
    // The closing line: the strip has scrolled 764 rows when the last fade begins (0.95 of 16896
    // at 21 units a row) and 804 at the end, so from row 830 on it stands in the upper half of
    // the screen while the picture fades.
    constexpr int closingRow = 830;
    const Mask thanks = renderText(bold, "THANK YOU", 20, 1.5f, 4);
    const Mask watching = renderText(book, "for watching", 14, 0.5f, 4);
    const int thanksY = std::max(y, closingRow);
    Mask glow = thanks;
    blurMask(glow, 4);
    addMask(canvas, glow, (endCreditsWidth - thanks.width) / 2, thanksY, {1.0f, 0.5f, 0.2f}, 0.9f);
    addMask(canvas, thanks, (endCreditsWidth - thanks.width) / 2, thanksY, {1.0f, 0.9f, 0.7f},
            1.0f);
    addMask(canvas, watching, (endCreditsWidth - watching.width) / 2, thanksY + thanks.height,
            small, 1.0f);
    if (thanksY + thanks.height + watching.height > endCreditsHeight) {
        std::fprintf(stderr, "v4npelva-content: the end credits do not fit the strip\n");
        return false;
    }
    picture = finishPicture(canvas, 151);
    return true;
}
