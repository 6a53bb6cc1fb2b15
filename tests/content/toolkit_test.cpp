// The painting toolkit: quantisation and dither, shapes that stay within their reach, masks,
// text and noise.
#include <gtest/gtest.h>

#include "content/canvas.h"
#include "content/masks.h"
#include "content/noise.h"
#include "content/shapes.h"
#include "content/text.h"

#include <cmath>
#include <numeric>

namespace {

float canvasSum(const Canvas& canvas)
{
    float sum = 0.0f;
    for (const Rgb& p : canvas.pixels)
        sum += p.r + p.g + p.b;
    return sum;
}

float maskSum(const Mask& mask)
{
    return std::accumulate(mask.values.begin(), mask.values.end(), 0.0f);
}

TEST(ContentToolkit, FinishedPicturesUseTheEngineByteOrderAndKeepBlackBlack)
{
    Canvas canvas = makeCanvas(4, 1);
    canvas.pixels[0] = {1.0f, 0.0f, 0.0f};
    canvas.pixels[1] = {0.0f, 0.0f, 2.5f};    // over-bright saturates
    canvas.pixels[2] = {0.001f, 0.0f, 0.0f};  // rounds to black: no dither speckle
    canvas.pixels[3] = {-1.0f, 0.0f, 0.0f};
    const Picture picture = finishPicture(canvas, 7);
    ASSERT_EQ(picture.bytes.size(), 16u);
    const std::vector<uint8_t> expected = {0, 0, 255, 0, 255, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    EXPECT_EQ(picture.bytes, expected);
}

TEST(ContentToolkit, DitherFollowsGradientsFinerThanOneStep)
{
    // A ramp rising by a quarter step every 64 columns: plain rounding would show wide flat bands
    // whose means miss by up to half a step; the dithered columns average to the true value.
    const int width = 256, height = 128;
    Canvas canvas = makeCanvas(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            canvas.pixels[y * width + x] = {(100.0f + (x / 64) * 0.25f) / 255.0f, 0.5f, 0.5f};
    const Picture picture = finishPicture(canvas, 42);
    for (int band = 0; band < 4; ++band) {
        double sum = 0.0;
        for (int y = 0; y < height; ++y)
            for (int x = band * 64; x < band * 64 + 64; ++x) {
                const uint8_t red = picture.bytes[(y * width + x) * 4 + 2];
                EXPECT_LE(std::abs(red - 100), 2);
                sum += red;
            }
        EXPECT_NEAR(sum / (64.0 * height), 100.0 + band * 0.25, 0.08) << "band " << band;
    }
    // The same seed gives the same bytes; another seed another pattern.
    EXPECT_EQ(finishPicture(canvas, 42).bytes, picture.bytes);
    EXPECT_NE(finishPicture(canvas, 43).bytes, picture.bytes);
}

TEST(ContentToolkit, ShapesStayWithinTheirReach)
{
    EXPECT_EQ(smoothFalloff(0.0f), 1.0f);
    EXPECT_EQ(smoothFalloff(1.0f), 0.0f);
    for (float x = 0.0f; x < 1.0f; x += 0.05f)
        EXPECT_GE(smoothFalloff(x), smoothFalloff(x + 0.05f));

    // Drawn at the centre of a canvas with a margin, nothing may land beyond the stated reach.
    auto outsideSum = [](const Canvas& canvas, float cx, float cy, float reach) {
        float sum = 0.0f;
        for (int y = 0; y < canvas.height; ++y)
            for (int x = 0; x < canvas.width; ++x)
                if (std::hypot(x - cx, y - cy) > reach) {
                    const Rgb& p = canvas.pixels[y * canvas.width + x];
                    sum += p.r + p.g + p.b;
                }
        return sum;
    };
    const Rgb white = {1.0f, 1.0f, 1.0f};
    Canvas glow = makeCanvas(64, 64);
    addGlow(glow, 32.0f, 32.0f, 20.0f, white, 2.0f);
    EXPECT_EQ(outsideSum(glow, 32.0f, 32.0f, 20.0f), 0.0f);
    EXPECT_NEAR(glow.pixels[32 * 64 + 32].r, 1.0f, 1e-6f);
    // Symmetric about its centre.
    EXPECT_FLOAT_EQ(glow.pixels[32 * 64 + 22].g, glow.pixels[32 * 64 + 42].g);
    EXPECT_FLOAT_EQ(glow.pixels[22 * 64 + 32].g, glow.pixels[42 * 64 + 32].g);

    Canvas core = makeCanvas(64, 64);
    addCore(core, 32.0f, 32.0f, 4.0f, white);
    EXPECT_EQ(outsideSum(core, 32.0f, 32.0f, 14.0f), 0.0f);

    Canvas ring = makeCanvas(64, 64);
    addRing(ring, 32.0f, 32.0f, 15.0f, 2.0f, white);
    EXPECT_EQ(outsideSum(ring, 32.0f, 32.0f, 22.0f), 0.0f);
    EXPECT_LT(ring.pixels[32 * 64 + 32].r, 1e-6f);  // hollow
    EXPECT_GT(ring.pixels[32 * 64 + 47].r, 0.9f);   // on the ring

    // A streak to the right lights only the right half; one upwards only the upper half.
    Canvas streak = makeCanvas(64, 64);
    addStreak(streak, 32.0f, 32.0f, 0.0f, 25.0f, 1.5f, white);
    EXPECT_EQ(outsideSum(streak, 32.0f, 32.0f, 31.0f), 0.0f);
    EXPECT_GT(streak.pixels[32 * 64 + 40].r, 0.5f);
    EXPECT_EQ(streak.pixels[32 * 64 + 24].r, 0.0f);
    Canvas up = makeCanvas(64, 64);
    addStreak(up, 32.0f, 32.0f, 1.5707963f, 25.0f, 1.5f, white);
    EXPECT_GT(up.pixels[24 * 64 + 32].r, 0.5f);
    EXPECT_EQ(up.pixels[40 * 64 + 32].r, 0.0f);

    // Clipped at the canvas edges instead of writing outside.
    Canvas corner = makeCanvas(16, 16);
    addGlow(corner, 0.0f, 0.0f, 30.0f, white, 1.0f);
    addRing(corner, 15.0f, 15.0f, 10.0f, 3.0f, white);
    EXPECT_GT(canvasSum(corner), 0.0f);

    Canvas window = makeCanvas(32, 32, white);
    applyRoundWindow(window, 0.5f, 0.9f);
    EXPECT_EQ(window.pixels[0].r, 0.0f);
    EXPECT_EQ(window.pixels[16 * 32 + 16].r, 1.0f);
    clearBorder(window, 2);
    EXPECT_EQ(window.pixels[1 * 32 + 16].g, 0.0f);

    Canvas edges = makeCanvas(40, 20, white);
    applyEdgeFade(edges, 2, 8);
    EXPECT_EQ(edges.pixels[10 * 40 + 1].r, 0.0f);
    EXPECT_GT(edges.pixels[10 * 40 + 2].r, 0.0f);
    EXPECT_LT(edges.pixels[10 * 40 + 5].r, edges.pixels[10 * 40 + 6].r);
    EXPECT_EQ(edges.pixels[10 * 40 + 8].r, 1.0f);
    EXPECT_EQ(edges.pixels[18 * 40 + 20].r, 0.0f);
    EXPECT_EQ(edges.pixels[10 * 40 + 31].r, 1.0f);
}

TEST(ContentToolkit, StarfieldIsRepeatableAndStaysOnTheCanvas)
{
    Canvas a = makeCanvas(40, 30), b = makeCanvas(40, 30);
    Random ra = makeRandom(5), rb = makeRandom(5);
    addStarfield(a, ra, 200, 1.0f);
    addStarfield(b, rb, 200, 1.0f);
    ASSERT_EQ(a.pixels.size(), 1200u);
    EXPECT_GT(canvasSum(a), 0.0f);
    for (size_t i = 0; i < a.pixels.size(); ++i)
        ASSERT_EQ(a.pixels[i].r, b.pixels[i].r);
}

TEST(ContentToolkit, MasksBlurDilateAndStamp)
{
    // Blurring keeps the total away from the edges and spreads symmetrically.
    Mask blurred = makeMask(41, 41);
    blurred.values[20 * 41 + 20] = 1.0f;
    blurMask(blurred, 3);
    EXPECT_NEAR(maskSum(blurred), 1.0f, 1e-4f);
    EXPECT_FLOAT_EQ(blurred.values[20 * 41 + 17], blurred.values[20 * 41 + 23]);
    EXPECT_FLOAT_EQ(blurred.values[17 * 41 + 20], blurred.values[23 * 41 + 20]);
    EXPECT_EQ(blurred.values[20 * 41 + 10], 0.0f);  // three passes of radius 3 reach 9 pixels

    // Dilating a point gives a filled disc of the radius.
    Mask point = makeMask(21, 21);
    point.values[10 * 21 + 10] = 1.0f;
    const Mask disc = dilateMask(point, 4);
    EXPECT_EQ(disc.values[10 * 21 + 14], 1.0f);
    EXPECT_EQ(disc.values[10 * 21 + 15], 0.0f);
    EXPECT_EQ(disc.values[6 * 21 + 10], 1.0f);
    EXPECT_EQ(disc.values[7 * 21 + 7], 1.0f);  // inside the disc on the diagonal
    EXPECT_EQ(disc.values[6 * 21 + 6], 0.0f);  // outside it

    // Stamping clips at the target's edges and keeps the maximum.
    Mask target = makeMask(8, 8, 0.25f);
    Mask source = makeMask(4, 4, 0.5f);
    stampMask(target, source, 6, -2);
    EXPECT_EQ(target.values[0 * 8 + 7], 0.5f);
    EXPECT_EQ(target.values[2 * 8 + 7], 0.25f);
    stampMask(target, makeMask(2, 2, 0.1f), 0, 0);
    EXPECT_EQ(target.values[0], 0.25f);

    // A bevel lights the upper-left edge of a square and shades its lower-right edge.
    Mask square = makeMask(48, 48);
    for (int y = 16; y < 32; ++y)
        for (int x = 16; x < 32; ++x)
            square.values[y * 48 + x] = 1.0f;
    const Mask light = bevelLight(square, 4);
    EXPECT_GT(light.values[17 * 48 + 17], 0.2f);
    EXPECT_LT(light.values[30 * 48 + 30], -0.2f);
    EXPECT_NEAR(light.values[4 * 48 + 24], 0.0f, 1e-6f);   // flat far from the square
    EXPECT_NEAR(light.values[24 * 48 + 24], 0.0f, 1e-6f);  // flat on top
}

TEST(ContentToolkit, TextIsRenderedInsideItsPaddingAndFitsItsWidth)
{
    Font font;
    ASSERT_TRUE(loadFont(font, dejaVuPath("DejaVuSans-Bold.ttf")));
    Font missing;
    EXPECT_FALSE(loadFont(missing, "/nonexistent/font.ttf"));

    const int pad = 5;
    const Mask text = renderText(font, "-ZEM-", 40.0f, 2.0f, pad);
    ASSERT_GT(text.width, 2 * pad);
    ASSERT_GT(text.height, 2 * pad);
    EXPECT_GT(maskSum(text), 100.0f);
    float border = 0.0f;
    for (int y = 0; y < text.height; ++y)
        for (int x = 0; x < text.width; ++x)
            if (x < pad || y < pad || x >= text.width - pad || y >= text.height - pad)
                border += text.values[y * text.width + x];
    EXPECT_EQ(border, 0.0f);
    for (float v : text.values)
        ASSERT_TRUE(v >= 0.0f && v <= 1.0f);

    const float height = fitTextHeight(font, "Pelvadron", 200.0f, 80.0f, 1.0f);
    EXPECT_LT(height, 80.0f);
    const Mask fitted = renderText(font, "Pelvadron", height, 1.0f, 0);
    EXPECT_LE(fitted.width, 200 + 3);
    EXPECT_GE(fitted.width, 190);
    EXPECT_EQ(fitTextHeight(font, "i", 200.0f, 30.0f, 0.0f), 30.0f);
}

TEST(ContentToolkit, NoiseAndRandomNumbersAreRepeatableAndInRange)
{
    Random a = makeRandom(1), b = makeRandom(1), c = makeRandom(2);
    int same = 0;
    for (int i = 0; i < 100; ++i) {
        const uint32_t x = nextRandom(a);
        EXPECT_EQ(x, nextRandom(b));
        same += x == nextRandom(c);
        const float u = randomUnit(a);
        randomUnit(b);
        EXPECT_TRUE(u >= 0.0f && u < 1.0f);
    }
    EXPECT_LT(same, 3);
    EXPECT_NE(makeRandom(0).state, 0u);

    float lo = 1.0f, hi = 0.0f;
    for (int i = 0; i < 2000; ++i) {
        const float x = i * 0.173f - 100.0f, y = i * 0.091f - 50.0f;
        const float v = valueNoise(x, y, 9);
        lo = std::min(lo, v);
        hi = std::max(hi, v);
        // Continuous: a tiny step changes the value a little.
        EXPECT_NEAR(valueNoise(x + 0.001f, y, 9), v, 0.01f);
        EXPECT_EQ(valueNoise(x, y, 9), v);
        const float f = fractalNoise(x * 0.1f, y * 0.1f, 0.5f, 4, 0.5f, 3);
        EXPECT_TRUE(f >= -1.0f && f <= 1.0f);
    }
    EXPECT_GE(lo, 0.0f);
    EXPECT_LE(hi, 1.0f);
    EXPECT_GT(hi - lo, 0.6f);  // it does vary
    EXPECT_NE(valueNoise(3.5f, 4.5f, 1), valueNoise(3.5f, 4.5f, 2));
}

TEST(ContentToolkit, TiledNoiseMeetsItselfAtThePeriod)
{
    // A picture of 256 pixels samples 0 to 255; the value one period on is that at 0, so the
    // last column runs on into the first.
    for (float t : {0.0f, 37.0f, 130.5f, 255.0f}) {
        EXPECT_NEAR(tiledNoise(0, t, 256, 40, 4, 0.5f, 9), tiledNoise(256, t, 256, 40, 4, 0.5f, 9),
                    1e-5f);
        EXPECT_NEAR(tiledNoise(t, 0, 256, 40, 4, 0.5f, 9), tiledNoise(t, 256, 256, 40, 4, 0.5f, 9),
                    1e-5f);
    }
    // And it is not flat.
    EXPECT_GT(std::fabs(tiledNoise(64, 64, 256, 40, 4, 0.5f, 9) -
                        tiledNoise(190, 120, 256, 40, 4, 0.5f, 9)),
              0.01f);
}

TEST(ContentToolkit, RampsInterpolateAndHoldTheirEnds)
{
    const std::vector<RampStop> ramp = {{0.2f, {0.0f, 0.0f, 0.0f}}, {0.6f, {1.0f, 0.5f, 0.0f}}};
    EXPECT_EQ(sampleRamp(ramp, -1.0f).r, 0.0f);
    EXPECT_EQ(sampleRamp(ramp, 2.0f).g, 0.5f);
    EXPECT_FLOAT_EQ(sampleRamp(ramp, 0.4f).r, 0.5f);
    EXPECT_FLOAT_EQ(sampleRamp(ramp, 0.4f).g, 0.25f);
    EXPECT_EQ(sampleRamp({}, 0.5f).r, 0.0f);
}

}  // namespace
