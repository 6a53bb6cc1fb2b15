// Canvases, colours, ramps and the final dithered quantisation.
#include "canvas.h"

#include "noise.h"
#include "shapes.h"

#include <algorithm>
#include <cmath>

Canvas makeCanvas(int width, int height, Rgb fill)
{
    return {width, height, std::vector<Rgb>(static_cast<size_t>(width) * height, fill)};
}

Mask makeMask(int width, int height, float fill)
{
    return {width, height, std::vector<float>(static_cast<size_t>(width) * height, fill)};
}

Rgb mixRgb(Rgb a, Rgb b, float t)
{
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

Rgb scaleRgb(Rgb c, float s)
{
    return {c.r * s, c.g * s, c.b * s};
}

Rgb addRgb(Rgb a, Rgb b)
{
    return {a.r + b.r, a.g + b.g, a.b + b.b};
}

Rgb sampleRamp(const std::vector<RampStop>& ramp, float t)
{
    if (ramp.empty())
        return {};
    if (t <= ramp.front().position)
        return ramp.front().colour;
    for (size_t i = 1; i < ramp.size(); ++i) {
        if (t <= ramp[i].position) {
            const float span = ramp[i].position - ramp[i - 1].position;
            const float f = span > 0.0f ? (t - ramp[i - 1].position) / span : 1.0f;
            return mixRgb(ramp[i - 1].colour, ramp[i].colour, f);
        }
    }
    return ramp.back().colour;
}

Rgb chromeColour(float t)
{
    static const std::vector<RampStop> ramp = {
        {0.00f, {0.55f, 0.65f, 0.95f}}, {0.30f, {0.95f, 0.97f, 1.00f}},
        {0.48f, {0.98f, 1.00f, 1.00f}}, {0.52f, {0.18f, 0.16f, 0.22f}},
        {0.62f, {0.40f, 0.30f, 0.25f}}, {0.85f, {0.85f, 0.70f, 0.55f}},
        {1.00f, {1.00f, 0.92f, 0.80f}},
    };
    return sampleRamp(ramp, t);
}

Rgb goldColour(float t)
{
    static const std::vector<RampStop> ramp = {
        {0.00f, {1.00f, 0.95f, 0.70f}}, {0.30f, {1.00f, 0.85f, 0.35f}},
        {0.48f, {1.00f, 0.98f, 0.80f}}, {0.53f, {0.60f, 0.30f, 0.07f}},
        {0.70f, {0.80f, 0.45f, 0.10f}}, {1.00f, {1.00f, 0.80f, 0.35f}},
    };
    return sampleRamp(ramp, t);
}

void setPixel(Canvas& canvas, int x, int y, Rgb colour)
{
    canvas.pixels[static_cast<size_t>(y) * canvas.width + x] = colour;
}

void addToPixel(Canvas& canvas, int x, int y, Rgb colour, float weight)
{
    if (x < 0 || y < 0 || x >= canvas.width || y >= canvas.height)
        return;
    Rgb& p = canvas.pixels[static_cast<size_t>(y) * canvas.width + x];
    p.r += colour.r * weight;
    p.g += colour.g * weight;
    p.b += colour.b * weight;
}

void blendPixel(Canvas& canvas, int x, int y, Rgb colour, float alpha)
{
    if (x < 0 || y < 0 || x >= canvas.width || y >= canvas.height)
        return;
    Rgb& p = canvas.pixels[static_cast<size_t>(y) * canvas.width + x];
    p = mixRgb(p, colour, std::clamp(alpha, 0.0f, 1.0f));
}

void applyRoundWindow(Canvas& canvas, float inner, float outer)
{
    const float cx = (canvas.width - 1) * 0.5f;
    const float cy = (canvas.height - 1) * 0.5f;
    const float half = std::min(canvas.width, canvas.height) * 0.5f;
    for (int y = 0; y < canvas.height; ++y) {
        for (int x = 0; x < canvas.width; ++x) {
            const float d = std::hypot(x - cx, y - cy) / half;
            float w = 1.0f;
            if (d >= outer)
                w = 0.0f;
            else if (d > inner)
                w = smoothFalloff((d - inner) / (outer - inner));
            canvas.pixels[static_cast<size_t>(y) * canvas.width + x] =
                scaleRgb(canvas.pixels[static_cast<size_t>(y) * canvas.width + x], w);
        }
    }
}

void clearBorder(Canvas& canvas, int border)
{
    for (int y = 0; y < canvas.height; ++y) {
        for (int x = 0; x < canvas.width; ++x) {
            if (x < border || y < border || x >= canvas.width - border ||
                y >= canvas.height - border)
                canvas.pixels[static_cast<size_t>(y) * canvas.width + x] = {};
        }
    }
}

void applyEdgeFade(Canvas& canvas, int black, int margin)
{
    auto ramp = [black, margin](int distance) {
        if (distance < black)
            return 0.0f;
        if (distance >= margin)
            return 1.0f;
        return 1.0f -
               smoothFalloff(static_cast<float>(distance - black + 1) / (margin - black + 1));
    };
    for (int y = 0; y < canvas.height; ++y) {
        const float wy = ramp(std::min(y, canvas.height - 1 - y));
        for (int x = 0; x < canvas.width; ++x) {
            const float w = wy * ramp(std::min(x, canvas.width - 1 - x));
            Rgb& p = canvas.pixels[static_cast<size_t>(y) * canvas.width + x];
            p = scaleRgb(p, w);
        }
    }
}

Picture finishPicture(const Canvas& canvas, uint32_t ditherSeed)
{
    Picture picture;
    picture.width = canvas.width;
    picture.height = canvas.height;
    picture.bytes.resize(static_cast<size_t>(canvas.width) * canvas.height * 4);
    Random random = makeRandom(ditherSeed);
    auto quantise = [&random](float v) -> uint8_t {
        const float scaled = v * 255.0f;
        if (scaled < 0.5f)
            return 0;  // black stays black: sprites are added, a speckled border would show
        // Triangular dither of one step: the sum of two uniform values minus one.
        const float noise = randomUnit(random) + randomUnit(random) - 1.0f;
        const float dithered = std::floor(scaled + 0.5f + noise);
        return static_cast<uint8_t>(std::clamp(dithered, 0.0f, 255.0f));
    };
    for (size_t i = 0; i < canvas.pixels.size(); ++i) {
        const Rgb& p = canvas.pixels[i];
        picture.bytes[i * 4 + 0] = quantise(p.b);
        picture.bytes[i * 4 + 1] = quantise(p.g);
        picture.bytes[i * 4 + 2] = quantise(p.r);
        picture.bytes[i * 4 + 3] = 0;
    }
    return picture;
}
