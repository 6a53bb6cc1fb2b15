// The cosmos cross-fade's two pictures: one nebula with a ringed planet, lit warm from the left
// in "cosmo2.jpg" and cold from the right in "cosmo24.jpg", so that the pulse between them looks
// like a light sweeping across the same view.
#include "scene_cosmos.h"

#include "geometry.h"

#include "noise.h"
#include "shapes.h"

#include <algorithm>
#include <cmath>

namespace {

struct CosmosLight {
    Rgb nebulaA, nebulaB;  // the nebula's two gases
    Rgb sun;               // colour of the light on the planet
    float lightX, lightY;  // direction of the light across the picture (unit)
    float sunX, sunY;      // where the light's star sits
};

Picture paintCosmos(const CosmosLight& light, uint32_t seed)
{
    Canvas canvas = makeCanvas(screenWidth, screenHeight);
    for (int y = 0; y < screenHeight; ++y)
        for (int x = 0; x < screenWidth; ++x) {
            const float warp = fractalNoise(x / 80.0f, y / 80.0f, 7.0f, 3, 0.5f, 601);
            const float n = fractalNoise(x / 60.0f + warp, y / 50.0f, 1.3f, 5, 0.55f, 602);
            const float m = fractalNoise(x / 35.0f, y / 35.0f + warp, 2.9f, 4, 0.5f, 603);
            // Gas lit from the light's side: denser and brighter toward the star.
            const float toward =
                std::clamp(1.0f - std::hypot(x - light.sunX, y - light.sunY) / 360.0f, 0.0f, 1.0f);
            const float density = std::pow(std::clamp(n * 1.1f + 0.45f, 0.0f, 1.0f), 1.8f);
            Rgb c{0.01f, 0.01f, 0.03f};
            c = addRgb(c, scaleRgb(light.nebulaA, density * (0.25f + 0.75f * toward)));
            c = addRgb(c, scaleRgb(light.nebulaB, std::pow(std::clamp(m + 0.3f, 0.0f, 1.0f), 2.5f) *
                                                      density * 0.8f));
            canvas.pixels[size_t(y) * screenWidth + x] = c;
        }
    Random stars = makeRandom(604);
    addStarfield(canvas, stars, 380, 0.9f);

    // The planet, with shadow on the side away from the light and a thin atmosphere on the lit
    // rim; a ring crossing in front of it.
    const float px = 175, py = 108, pr = 58;
    for (int y = 0; y < screenHeight; ++y)
        for (int x = 0; x < screenWidth; ++x) {
            const float dx = (x - px) / pr, dy = (y - py) / pr;
            const float d2 = dx * dx + dy * dy;
            const float r = std::sqrt(d2);
            if (d2 < 1.0f) {
                const float dz = std::sqrt(1.0f - d2);
                const float bands =
                    0.5f + 0.5f * std::sin(dy * 9.0f + 0.6f * fractalNoise(dx * 4, dy * 14, 0.2f, 3,
                                                                           0.5f, 605));
                const Rgb surface = mixRgb({0.45f, 0.35f, 0.3f}, {0.85f, 0.8f, 0.72f}, bands);
                const float lit =
                    std::max(0.0f, dx * light.lightX + dy * light.lightY + dz * 0.35f);
                const Rgb shaded{surface.r * light.sun.r * lit, surface.g * light.sun.g * lit,
                                 surface.b * light.sun.b * lit};
                blendPixel(canvas, x, y, addRgb(scaleRgb(surface, 0.02f), shaded),
                           std::clamp((1 - r) * pr, 0.0f, 1.0f));
            }
            const float facing =
                r > 0 ? std::max(0.0f, (dx * light.lightX + dy * light.lightY) / r) : 0.0f;
            addToPixel(canvas, x, y, light.sun,
                       std::exp(-std::pow((r - 1.0f) * pr / 3.0f, 2.0f)) * facing * 0.8f);
            // The ring: an ellipse tilted across the planet, hidden behind it in its upper half.
            const float rx = (x - px) * 0.96f + (y - py) * 0.28f,
                        ry = -(x - px) * 0.28f + (y - py) * 0.96f;
            const float e = std::hypot(rx / (pr * 1.9f), ry / (pr * 0.42f));
            if (e > 0.78f && e < 1.0f && !(d2 < 1.0f && ry < 0)) {
                const float band = 0.6f + 0.4f * std::sin(e * 70.0f);
                const float lit =
                    0.35f +
                    0.65f * std::clamp(0.5f + 0.5f * (rx / (pr * 1.9f) * light.lightX), 0.0f, 1.0f);
                addToPixel(canvas, x, y, light.sun,
                           band * lit * 0.5f * smoothFalloff(std::fabs(e - 0.89f) / 0.11f));
            }
        }
    // The star itself, just inside the picture.
    addGlow(canvas, light.sunX, light.sunY, 70.0f, scaleRgb(light.sun, 0.35f), 2.0f);
    addCore(canvas, light.sunX, light.sunY, 4.0f, {1.0f, 1.0f, 1.0f});
    addStreak(canvas, light.sunX, light.sunY, 0.0f, 90.0f, 0.8f, light.sun);
    addStreak(canvas, light.sunX, light.sunY, pi, 90.0f, 0.8f, light.sun);
    return finishPicture(canvas, seed);
}

}  // namespace

Picture paintCosmosWarm()
{
    return paintCosmos(
        {{0.75f, 0.25f, 0.1f}, {0.9f, 0.6f, 0.2f}, {1.0f, 0.75f, 0.45f}, -0.85f, -0.4f, 30, 40},
        611);
}

Picture paintCosmosCool()
{
    return paintCosmos(
        {{0.1f, 0.3f, 0.75f}, {0.2f, 0.8f, 0.8f}, {0.6f, 0.8f, 1.0f}, 0.85f, 0.3f, 295, 165}, 612);
}
