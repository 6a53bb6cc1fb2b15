// The light sprites, the lens-flare ring and the environment map. Sprites are added to the
// screen, so their backgrounds are black and every glow fades to exactly zero before the edge.
#include "sprites.h"

#include "geometry.h"

#include "noise.h"
#include "shapes.h"

#include <algorithm>
#include <cmath>

namespace {
// Sprite centre: the middle of the 256x256 picture.
constexpr float centre = 127.5f;
// Glows end at this radius, leaving a black margin of a few pixels.
constexpr float reach = 122.0f;

// A round light: a wide coloured halo, a tighter coloured body and a white-hot centre.
Picture paintGlowSprite(Rgb colour, uint32_t seed)
{
    Canvas canvas = makeCanvas(spriteWidth, lightSpriteHeight);
    addGlow(canvas, centre, centre, reach, scaleRgb(colour, 0.55f), 2.2f);
    addGlow(canvas, centre, centre, reach * 0.55f, scaleRgb(colour, 0.9f), 2.0f);
    addCore(canvas, centre, centre, 11.0f, mixRgb(colour, {1.0f, 1.0f, 1.0f}, 0.75f));
    addCore(canvas, centre, centre, 4.0f, {0.6f, 0.6f, 0.6f});
    applyRoundWindow(canvas, 0.85f, 0.96f);
    return finishPicture(canvas, seed);
}

// A small soft light: one gentle body with no hot centre, most of it within half the picture.
Picture paintSoftSprite(Rgb colour, uint32_t seed)
{
    Canvas canvas = makeCanvas(spriteWidth, lightSpriteHeight);
    addGlow(canvas, centre, centre, reach * 0.75f, scaleRgb(colour, 0.35f), 2.0f);
    addCore(canvas, centre, centre, 22.0f, scaleRgb(colour, 0.85f));
    addCore(canvas, centre, centre, 7.0f, mixRgb(colour, {1.0f, 1.0f, 1.0f}, 0.4f));
    applyRoundWindow(canvas, 0.8f, 0.96f);
    return finishPicture(canvas, seed);
}

}  // namespace

Picture paintLightRed()
{
    return paintGlowSprite({1.0f, 0.22f, 0.08f}, 101);
}

Picture paintLightGreen()
{
    return paintGlowSprite({0.25f, 1.0f, 0.2f}, 102);
}

Picture paintLightBlue()
{
    return paintGlowSprite({0.2f, 0.4f, 1.0f}, 103);
}

Picture paintLightSmallRed()
{
    return paintSoftSprite({1.0f, 0.25f, 0.12f}, 104);
}

Picture paintLightSmallBlue()
{
    return paintSoftSprite({0.25f, 0.45f, 1.0f}, 105);
}

Picture paintLightFlame()
{
    // A tongue of fire pointing up: a wide rounded base low in the picture narrowing to a tip near
    // the top, licked sideways by noise; its heat runs white at the base core, through yellow and
    // orange, to deep red at the rim and tip.
    static const std::vector<RampStop> heat = {
        {0.00f, {0.0f, 0.0f, 0.0f}},    {0.12f, {0.35f, 0.02f, 0.0f}},
        {0.35f, {0.85f, 0.12f, 0.02f}}, {0.55f, {1.0f, 0.42f, 0.05f}},
        {0.75f, {1.0f, 0.75f, 0.22f}},  {0.90f, {1.0f, 0.95f, 0.65f}},
        {1.00f, {1.0f, 1.0f, 1.0f}},
    };
    Canvas canvas = makeCanvas(spriteWidth, lightSpriteHeight);
    const float tipY = -0.80f;  // normalised rows: -1 top, +1 bottom
    const float baseY = 0.45f;  // widest point of the tongue
    for (int y = 0; y < canvas.height; ++y) {
        for (int x = 0; x < canvas.width; ++x) {
            const float u = (x - centre) / 128.0f;
            const float v = (y - centre) / 128.0f;
            // Sideways lick: stronger towards the tip.
            const float up = std::clamp((baseY - v) / (baseY - tipY), 0.0f, 1.0f);
            const float lick = fractalNoise(v * 2.2f, 0.5f, 1.7f, 3, 0.5f, 11) * 0.22f * up;
            const float su = u - lick;
            float width;
            float vertical;
            if (v <= baseY) {
                // Width grows from the tip to the base like a rounded cone.
                width = 0.40f * std::pow(std::max(0.0f, (v - tipY) / (baseY - tipY)), 0.75f);
                vertical = 1.0f;
            } else {
                // Below the widest point the tongue closes in a round bottom.
                const float below = (v - baseY) / 0.42f;
                width = 0.40f * std::sqrt(std::max(0.0f, 1.0f - below * below));
                vertical = 1.0f;
            }
            if (width <= 0.0f)
                continue;
            const float across = std::fabs(su) / width;
            if (across >= 1.0f)
                continue;
            // Heat: strongest on the axis and near the base, falling off towards rim and tip.
            const float rim = smoothFalloff(across);
            const float height = std::clamp((v - tipY) / (baseY + 0.2f - tipY), 0.0f, 1.0f);
            const float flicker =
                0.85f + 0.3f * fractalNoise(u * 5.0f, v * 3.0f - 4.0f, 0.3f, 3, 0.55f, 12);
            float h = rim * (0.25f + 0.85f * std::pow(height, 0.8f)) * flicker * vertical;
            // The white core sits low, just above the rounded base.
            const float coreDist = std::hypot(su / 0.18f, (v - 0.40f) / 0.42f);
            h += 0.45f * smoothFalloff(coreDist);
            canvas.pixels[static_cast<size_t>(y) * canvas.width + x] =
                addRgb(canvas.pixels[static_cast<size_t>(y) * canvas.width + x],
                       sampleRamp(heat, std::clamp(h, 0.0f, 1.0f)));
        }
    }
    // A faint orange halo around the whole tongue.
    addGlow(canvas, centre, centre + 20.0f, 100.0f, {0.25f, 0.07f, 0.0f}, 1.5f);
    applyRoundWindow(canvas, 0.8f, 0.94f);
    return finishPicture(canvas, 106);
}

Picture paintLightStar()
{
    Canvas canvas = makeCanvas(spriteWidth, lightSpriteHeight);
    const Rgb white = {0.9f, 0.95f, 1.0f};
    addGlow(canvas, centre, centre, reach * 0.7f, {0.18f, 0.2f, 0.28f}, 2.5f);
    // Four long rays on the axes, four shorter ones on the diagonals.
    for (int i = 0; i < 4; ++i) {
        addStreak(canvas, centre, centre, i * pi * 0.5f, reach, 3.0f, scaleRgb(white, 0.9f));
        addStreak(canvas, centre, centre, i * pi * 0.5f + pi * 0.25f, reach * 0.5f, 2.0f,
                  scaleRgb(white, 0.55f));
    }
    addCore(canvas, centre, centre, 14.0f, {0.7f, 0.75f, 0.9f});
    addCore(canvas, centre, centre, 5.0f, {1.0f, 1.0f, 1.0f});
    applyRoundWindow(canvas, 0.9f, 0.97f);
    return finishPicture(canvas, 107);
}

Picture paintFlareRing()
{
    // A thin ring, slightly split into colours like a lens ghost (blue inside, red outside), over
    // a faint filled halo.
    Canvas canvas = makeCanvas(spriteWidth, lightSpriteHeight);
    const float radius = 86.0f;
    addGlow(canvas, centre, centre, radius + 10.0f, {0.07f, 0.08f, 0.11f}, 0.6f);
    addRing(canvas, centre, centre, radius - 3.0f, 5.0f, {0.05f, 0.12f, 0.35f});
    addRing(canvas, centre, centre, radius, 5.0f, {0.12f, 0.3f, 0.12f});
    addRing(canvas, centre, centre, radius + 3.0f, 5.0f, {0.4f, 0.15f, 0.08f});
    addRing(canvas, centre, centre, radius, 14.0f, {0.06f, 0.06f, 0.08f});
    applyRoundWindow(canvas, 0.88f, 0.97f);
    return finishPicture(canvas, 108);
}

Picture paintEnvironmentMap()
{
    // A reflection map addressed by the surface normal: texel (u, v) holds what a mirror whose
    // normal has x = 1 - u / 127 and y = 1 - v / 127 reflects towards the eye. The world around it
    // is a studio under a bright sky: blue sky with clouds above a sharp bright horizon, a dark
    // floor below, and two soft-box lights.
    Canvas canvas = makeCanvas(envMapSize, envMapSize);
    const float sunX = -0.45f, sunY = 0.55f, sunZ = 0.70f;
    for (int y = 0; y < envMapSize; ++y) {
        for (int x = 0; x < envMapSize; ++x) {
            float nx = 1.0f - x / 127.0f;
            float ny = 1.0f - y / 127.0f;
            const float nn = nx * nx + ny * ny;
            if (nn > 0.999f) {
                const float s = std::sqrt(0.999f / nn);
                nx *= s;
                ny *= s;
            }
            const float nz = std::sqrt(std::max(0.0f, 1.0f - nx * nx - ny * ny));
            // Reflect the view direction (0, 0, 1) about the normal.
            const float rx = 2.0f * nz * nx;
            const float ry = 2.0f * nz * ny;
            const float rz = 2.0f * nz * nz - 1.0f;
            Rgb c;
            if (ry >= 0.0f) {
                const float e = std::pow(ry, 0.6f);
                c = mixRgb({0.95f, 0.92f, 0.88f}, {0.12f, 0.28f, 0.72f}, e);
                const float cloud = fractalNoise(rx / (ry + 0.3f) * 1.5f, rz / (ry + 0.3f) * 1.5f,
                                                 0.5f, 5, 0.55f, 21);
                const float amount =
                    std::clamp((cloud - 0.05f) * 2.2f, 0.0f, 1.0f) * (1.0f - e * 0.5f);
                c = mixRgb(c, {1.0f, 1.0f, 1.0f}, amount * 0.55f);
            } else {
                const float e = std::pow(-ry, 0.5f);
                c = mixRgb({0.62f, 0.52f, 0.42f}, {0.16f, 0.13f, 0.13f}, e);
                // Faint floor tiles receding to the horizon.
                const float fx = rx / (-ry + 0.05f);
                const float fz = rz / (-ry + 0.05f);
                const float tile =
                    (std::fmod(std::floor(fx * 1.5f) + std::floor(fz * 1.5f) + 1000.0f, 2.0f));
                // Tiles fade out towards the horizon, where they would shrink below a texel.
                c = scaleRgb(c, 0.85f + 0.15f * tile * std::min(1.0f, e * 1.6f));
            }
            // The bright line where sky meets floor.
            const float horizon = std::exp(-(ry * ry) / 0.0012f);
            c = addRgb(c, scaleRgb({1.0f, 0.95f, 0.85f}, horizon * 0.6f));
            // Sun and soft boxes.
            const float sun = std::max(0.0f, rx * sunX + ry * sunY + rz * sunZ);
            c = addRgb(c, scaleRgb({1.0f, 0.95f, 0.8f},
                                   std::pow(sun, 180.0f) * 1.5f + std::pow(sun, 12.0f) * 0.25f));
            const float box1 = std::max(0.0f, rx * 0.75f + ry * 0.30f + rz * 0.59f);
            const float box2 = std::max(0.0f, rx * -0.85f + ry * -0.05f + rz * -0.52f);
            c = addRgb(c,
                       scaleRgb({0.9f, 0.95f, 1.0f}, smoothFalloff((1.0f - box1) * 14.0f) * 0.8f));
            c = addRgb(c,
                       scaleRgb({1.0f, 0.85f, 0.7f}, smoothFalloff((1.0f - box2) * 10.0f) * 0.6f));
            canvas.pixels[static_cast<size_t>(y) * canvas.width + x] = c;
        }
    }
    return finishPicture(canvas, 109);
}
