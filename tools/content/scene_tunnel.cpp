// The tunnel: "zemtun3.3ds", a tube bent into a ring round the vertical axis (ring radius 120,
// tube radius 42) that the camera circles inside, with its ribs, rails, spinning hoops and lamps,
// the textures of its parts and "tunback.jpg", the glow added over every frame.
//
// Objects: 0 the wall and 4 the lamps are light-mapped; 1 ribs, 2 rails and 3 hoops are the
// shiny parts, drawn light-mapped with highlight. Eight lights (the scene moves them itself).
#include "scene_tunnel.h"

#include "model.h"
#include "noise.h"

#include <algorithm>
#include <cmath>

namespace {
constexpr int size = spriteWidth;
constexpr float ringRadius = 120;
constexpr float tubeRadius = 42;

// A point of the tube: phi round the vertical axis (x toward z), psi round the tube (outward
// toward up), r from its centre line.
Point3 tubePoint(float phi, float psi, float r)
{
    const float d = ringRadius + r * std::cos(psi);
    return {d * std::cos(phi), r * std::sin(psi), d * std::sin(phi)};
}

Material3ds material(const std::string& name, const std::string& map)
{
    Material3ds m;
    m.name = name;
    m.mapName = map;
    return m;
}

}  // namespace

Picture paintTunnelWall()
{
    // Dark blue-grey grating panels with glowing seams of cyan, read along the tube (u) and round
    // it (v).
    Canvas canvas = makeCanvas(size, size);
    paintPixels(canvas, [&](int x, int y) -> Rgb {
        const float n = tiledNoise(x, y, size, 30.0f, 3, 0.5f, 211) * 0.06f;
        const int sx = x % 64, sy = y % 64;
        float v = 0.3f + n;
        // Grating: fine slots in the middle of each panel.
        if (sx > 10 && sx < 54 && sy > 10 && sy < 54 && (sy / 3) % 2 == 0)
            v *= 0.55f;
        if (sx <= 2 || sy <= 2)
            v *= 0.3f;
        Rgb c{v * 0.75f, v * 0.85f, v * 1.1f};
        const float seam = std::exp(-std::pow(std::min(sx, 64 - sx) / 1.2f, 2.0f)) +
                           std::exp(-std::pow(std::min(sy, 64 - sy) / 1.2f, 2.0f));
        c = addRgb(c, scaleRgb({0.1f, 0.45f, 0.6f}, std::min(1.0f, seam) * 0.5f));
        return c;
    });
    return finishPicture(canvas, 212);
}

Picture paintTunnelChrome()
{
    // Polished metal in bands: the highlight map adds the shine, the texture its banding.
    Canvas canvas = makeCanvas(size, size);
    paintPixels(canvas, [&](int x, int y) -> Rgb {
        const float t = (y % 64) / 64.0f;
        const Rgb c = chromeColour(t);
        const float n = 0.85f + 0.15f * tiledNoise(x, y, size, 40.0f, 2, 0.5f, 221);
        return scaleRgb(c, 0.55f * n);
    });
    return finishPicture(canvas, 222);
}

Picture paintTunnelLamps()
{
    // Warm lamp panels: a bright core in a dark frame.
    Canvas canvas = makeCanvas(size, size);
    paintPixels(canvas, [&](int x, int y) -> Rgb {
        const float dx = std::fabs(x - 127.5f) / 128.0f, dy = std::fabs(y - 127.5f) / 128.0f;
        const float inside = std::max(dx, dy);
        Rgb c{0.12f, 0.1f, 0.1f};
        if (inside < 0.8f) {
            const float glow = 1.0f - inside / 0.8f;
            c = mixRgb({0.9f, 0.45f, 0.15f}, {1.0f, 0.95f, 0.8f}, glow);
            if ((y / 16) % 2 == 0)
                c = scaleRgb(c, 0.85f);
        }
        return c;
    });
    return finishPicture(canvas, 223);
}

Picture paintTunnelGlow()
{
    // Added over the whole picture: black in the middle, a soft violet glow from the corners and
    // a faint warm haze along the bottom.
    Canvas canvas = makeCanvas(screenWidth, screenHeight);
    paintPixels(canvas, [&](int x, int y) -> Rgb {
        const float dx = (x - 159.5f) / 160.0f, dy = (y - 99.5f) / 100.0f;
        const float r = std::sqrt(dx * dx + dy * dy) / 1.41421356f;
        const float rim = std::pow(std::clamp((r - 0.45f) / 0.55f, 0.0f, 1.0f), 2.0f);
        Rgb c = scaleRgb({0.28f, 0.1f, 0.38f}, rim * 0.55f);
        const float haze = std::pow(std::max(0.0f, dy), 3.0f);
        c = addRgb(c, scaleRgb({0.3f, 0.15f, 0.05f}, haze * 0.35f));
        return c;
    });
    return finishPicture(canvas, 224);
}

std::vector<uint8_t> encodeTunnelMesh()
{
    Scene3ds scene;
    scene.materials = {material("WALL", "tunwall.jpg"), material("RIBS", "tunchrom.jpg"),
                       material("RAILS", "tunchrom.jpg"), material("HOOPS", "tunchrom.jpg"),
                       material("LAMPS", "tunlamp.jpg")};

    // The wall, seen from inside: 48 steps round the ring, 16 round the tube.
    Model wall;
    addSurface(wall, torusSurface({0, 0, 0}, ringRadius, tubeRadius), 48, 16, 24, 4, true);

    // Ribs: 24 bands just inside the wall, facing the centre line.
    Model ribs;
    for (int k = 0; k < 24; ++k) {
        const float phi = k * 2 * pi / 24;
        const float width = 5.0f / ringRadius;
        addSurface(
            ribs,
            [=](float s, float t) {
                return tubePoint(phi + (s - 0.5f) * width, t * 2 * pi, tubeRadius - 4);
            },
            1, 16, 0.1f, 2, true);
    }

    // Rails: four thin tubes running round the ring along the wall.
    Model rails;
    for (int k = 0; k < 4; ++k) {
        const float psi = pi / 4 + k * pi / 2;
        const Point3 c = tubePoint(0, psi, tubeRadius - 7);
        const float rail = std::hypot(c.x, c.z);
        addSurface(rails, torusSurface({0, c.y, 0}, rail, 2.0f), 48, 4, 24, 1, false);
    }

    // Hoops: six rings round the centre line that the camera passes through; the whole set turns
    // slowly round the vertical axis against the camera's way.
    Model hoops;
    for (int k = 0; k < 6; ++k) {
        const float phi = k * 2 * pi / 6 + 0.3f;
        Model hoop;
        addSurface(hoop, torusSurface({0, 0, 0}, 29, 3.0f), 24, 6, 4, 1, false);
        // Stand the hoop across the tube: its axis from y to the ring's tangent.
        rotateModelX(hoop, -pi / 2);
        translateModel(hoop, ringRadius, 0, 0);
        rotateModelY(hoop, phi);
        appendModel(hoops, hoop);
    }

    // Lamps: two rows of panels along the ceiling and the floor.
    Model lamps;
    for (int k = 0; k < 24; ++k)
        for (float psi : {pi / 2, -pi / 2}) {
            const float phi = (k + 0.5f) * 2 * pi / 24;
            addSurface(
                lamps,
                [=](float s, float t) {
                    return tubePoint(phi + (s - 0.5f) * 10.0f / ringRadius,
                                     psi + (t - 0.5f) * 0.22f, tubeRadius - 1.5f);
                },
                1, 1, 1, 1, true);
        }

    // Every face carries the flag word 7 (all edges visible).
    for (Model* part : {&wall, &ribs, &rails, &hoops, &lamps})
        part->faceFlags = 7;
    scene.objects = {modelObject("Wall", wall, "WALL"), modelObject("Ribs", ribs, "RIBS"),
                     modelObject("Rails", rails, "RAILS"), modelObject("Hoops", hoops, "HOOPS"),
                     modelObject("Lamps", lamps, "LAMPS")};

    // The eight lights, at the places the scene starts them from.
    for (int i = 0; i < 8; ++i) {
        const float a = i * pi / 4;
        const float r = 20 * std::cos(a) + 120;
        scene.lights.push_back(modelLight("Light" + std::to_string(i), r * std::cos(a),
                                          10 * std::sin(a), r * std::sin(a), {1, 0.4f, 0.3f}));
    }

    const Key3ds still = positionKey(0, 0, 0, 0);
    scene.nodes = {objectNode("Wall", {}, {still}), objectNode("Ribs", {}, {still}),
                   objectNode("Rails", {}, {still}),
                   objectNode("Hoops", {}, {still}, spinKeys(222, 6, -0.3f, {0, 1, 0})),
                   objectNode("Lamps", {}, {still})};
    numberNodes(scene);
    return encode3ds(scene);
}
