// The title logo of the show and the opening picture of the group.
#include "titles.h"

#include "geometry.h"

#include "masks.h"
#include "noise.h"
#include "shapes.h"
#include "text.h"

#include <algorithm>
#include <cmath>

namespace {

// Places the letters of a title so that their mask's centre column is at cx.
int centredX(const TitleText& title, int cx)
{
    return cx - title.letters.width / 2;
}

}  // namespace

bool paintTitleLogo(Picture& picture)
{
    Font bold, italic;
    if (!loadDejaVuFont(bold, "DejaVuSans-Bold.ttf") ||
        !loadDejaVuFont(italic, "DejaVuSerif-BoldItalic.ttf"))
        return false;
    Canvas canvas = makeCanvas(spriteWidth, titleHeight);

    // "Pelvadron" fills the width below a smaller "The v4n"; the picture is drawn added over the
    // scene, so only the bright parts count: metal letters, a hot outline and an ember glow.
    const float big = fitTextHeight(bold, "Pelvadron", 216.0f, 54.0f, 1.0f);
    const TitleText name = makeTitleText(bold, "Pelvadron", big, 1.0f, 1, 4, 4);
    const TitleText lead = makeTitleText(italic, "The v4n", 22.0f, 1.0f, 1, 3, 2);

    // Ink of "Pelvadron" ends 12 rows above the bottom, "The v4n" starts 11 rows from the top;
    // the glows then fade out before the edges, where JPEG would smear them into a frame.
    const int nameY = titleHeight - 12 - name.inkBottom;
    paintTitleText(canvas, name, centredX(name, spriteWidth / 2), nameY, true, {0.9f, 0.25f, 0.05f},
                   {1.0f, 0.35f, 0.08f}, 0.9f);
    // "The v4n" starts above the "P" (both masks carry their outline and glow padding on the left).
    paintTitleText(canvas, lead, centredX(name, spriteWidth / 2) + 6, 11 - lead.inkTop, false,
                   {0.1f, 0.45f, 0.9f}, {0.2f, 0.5f, 1.0f}, 0.8f);
    applyEdgeFade(canvas, 2, 8);
    picture = finishPicture(canvas, 110);
    return true;
}

bool paintOpeningPicture(Picture& picture)
{
    Font bold, light;
    if (!loadDejaVuFont(bold, "DejaVuSans-Bold.ttf") || !loadDejaVuFont(light, "DejaVuSans.ttf"))
        return false;
    Canvas canvas = makeCanvas(screenWidth, screenHeight);

    // Deep space: a dark gradient with a violet and blue nebula drifting across the upper half.
    static const std::vector<RampStop> nebula = {
        {0.00f, {0.0f, 0.0f, 0.0f}},    {0.35f, {0.10f, 0.02f, 0.16f}},
        {0.60f, {0.30f, 0.06f, 0.35f}}, {0.80f, {0.25f, 0.30f, 0.65f}},
        {1.00f, {0.75f, 0.80f, 1.0f}},
    };
    for (int y = 0; y < screenHeight; ++y) {
        for (int x = 0; x < screenWidth; ++x) {
            const float fy = y / static_cast<float>(screenHeight);
            Rgb c = mixRgb({0.01f, 0.01f, 0.05f}, {0.05f, 0.02f, 0.09f}, fy);
            const float warp = fractalNoise(x / 90.0f, y / 90.0f, 3.0f, 3, 0.5f, 31);
            const float n = fractalNoise(x / 70.0f + warp, y / 55.0f, 0.7f, 5, 0.55f, 32);
            // The nebula lies along a band from the upper left to the right.
            const float band = std::exp(-std::pow((y - 70.0f + x * 0.18f) / 55.0f, 2.0f));
            const float density = std::clamp(n * 1.4f + 0.35f, 0.0f, 1.0f) * band;
            c = addRgb(c, scaleRgb(sampleRamp(nebula, density), 0.8f));
            canvas.pixels[static_cast<size_t>(y) * screenWidth + x] = c;
        }
    }
    Random stars = makeRandom(33);
    addStarfield(canvas, stars, 420, 0.9f);

    // A banded giant planet rising from the lower left, lit from the upper right, with a thin
    // blue atmosphere on its lit rim. The lower right stays dark for the credit cards.
    const float px = 40.0f, py = 345.0f, pr = 215.0f;
    static const std::vector<RampStop> bands = {
        {0.00f, {0.55f, 0.30f, 0.16f}}, {0.25f, {0.85f, 0.62f, 0.40f}},
        {0.45f, {0.62f, 0.38f, 0.22f}}, {0.60f, {0.92f, 0.80f, 0.62f}},
        {0.80f, {0.50f, 0.28f, 0.18f}}, {1.00f, {0.80f, 0.55f, 0.35f}},
    };
    const float lx = 0.62f, ly = -0.55f, lz = 0.56f;
    for (int y = 0; y < screenHeight; ++y) {
        for (int x = 0; x < screenWidth; ++x) {
            const float dx = (x - px) / pr;
            const float dy = (y - py) / pr;
            const float d2 = dx * dx + dy * dy;
            if (d2 >= 1.0f)
                continue;
            const float dz = std::sqrt(1.0f - d2);
            // Latitude bands, bent by the sphere and stirred by noise.
            const float lat =
                dy * 3.2f + 0.12f * fractalNoise(dx * 6.0f, dy * 20.0f, 5.0f, 4, 0.5f, 34);
            const Rgb surface = sampleRamp(bands, 0.5f + 0.5f * std::sin(lat * 4.0f));
            const float lit = std::max(0.0f, dx * lx + dy * ly + dz * lz);
            // Lit side against the night side, darkened towards the limb.
            const float shade =
                (0.04f + 0.96f * std::pow(lit, 0.9f)) * (0.55f + 0.45f * std::sqrt(dz));
            // Anti-aliased limb.
            const float edge = std::clamp((1.0f - std::sqrt(d2)) * pr, 0.0f, 1.0f);
            blendPixel(canvas, x, y, scaleRgb(surface, shade), edge);
        }
    }
    for (int y = 0; y < screenHeight; ++y) {
        for (int x = 0; x < screenWidth; ++x) {
            const float dx = x - px;
            const float dy = y - py;
            const float r = std::hypot(dx, dy);
            const float facing = std::max(0.0f, (dx * lx + dy * ly) / r);
            const float rim = std::exp(-std::pow((r - pr) / 4.0f, 2.0f)) +
                              0.5f * std::exp(-std::pow((r - pr - 6.0f) / 10.0f, 2.0f));
            addToPixel(canvas, x, y, {0.35f, 0.6f, 1.0f}, rim * facing * 0.9f);
        }
    }

    // A distant sun with a cross of rays, above the corner where the credit cards appear.
    const float sx = 262.0f, sy = 98.0f;
    addGlow(canvas, sx, sy, 50.0f, {0.22f, 0.2f, 0.28f}, 2.0f);
    addCore(canvas, sx, sy, 3.0f, {1.0f, 1.0f, 1.0f});
    addStreak(canvas, sx, sy, 0.0f, 60.0f, 0.8f, {0.8f, 0.85f, 1.0f});
    addStreak(canvas, sx, sy, pi, 75.0f, 0.8f, {0.8f, 0.85f, 1.0f});
    addStreak(canvas, sx, sy, pi / 2, 24.0f, 0.7f, {0.6f, 0.65f, 0.9f});
    addStreak(canvas, sx, sy, -pi / 2, 24.0f, 0.7f, {0.6f, 0.65f, 0.9f});

    // The group's name in chrome, a line under it and the word "presents".
    const TitleText zem = makeTitleText(bold, "-ZEM-", 74.0f, 3.0f, 2, 6, 5);
    paintTitleText(canvas, zem, centredX(zem, 160), 4, false, {0.05f, 0.12f, 0.35f},
                   {0.25f, 0.45f, 1.0f}, 0.75f);
    const TitleText presents = makeTitleText(light, "p r e s e n t s", 13.0f, 0.5f, 0, 3, 1);
    addMask(canvas, presents.glow, centredX(presents, 160), 88 - presents.letters.height / 2,
            {0.3f, 0.5f, 1.0f}, 0.6f);
    addMask(canvas, presents.letters, centredX(presents, 160), 88 - presents.letters.height / 2,
            {0.85f, 0.9f, 1.0f}, 1.0f);
    picture = finishPicture(canvas, 111);
    return true;
}
