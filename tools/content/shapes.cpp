// Additive shapes: glows, cores, rings, streaks and stars.
#include "shapes.h"

#include <algorithm>
#include <cmath>

float smoothFalloff(float x)
{
    if (x <= 0.0f)
        return 1.0f;
    if (x >= 1.0f)
        return 0.0f;
    const float s = 1.0f - x * x;
    return s * s;
}

// Visits the pixels of the box around (cx, cy) with half-size reach, clipped to the canvas.
template <typename Fn>
static void forBox(Canvas& canvas, float cx, float cy, float reach, Fn fn)
{
    const int x0 = std::max(0, static_cast<int>(std::floor(cx - reach)));
    const int x1 = std::min(canvas.width - 1, static_cast<int>(std::ceil(cx + reach)));
    const int y0 = std::max(0, static_cast<int>(std::floor(cy - reach)));
    const int y1 = std::min(canvas.height - 1, static_cast<int>(std::ceil(cy + reach)));
    for (int y = y0; y <= y1; ++y)
        for (int x = x0; x <= x1; ++x)
            fn(x, y, canvas.pixels[static_cast<size_t>(y) * canvas.width + x]);
}

void addGlow(Canvas& canvas, float cx, float cy, float radius, Rgb colour, float sharpness)
{
    if (radius <= 0.0f)
        return;
    forBox(canvas, cx, cy, radius, [&](int x, int y, Rgb& p) {
        const float d = std::hypot(x - cx, y - cy) / radius;
        if (d >= 1.0f)
            return;
        const float w = std::pow(smoothFalloff(d), sharpness);
        p = addRgb(p, scaleRgb(colour, w));
    });
}

void addCore(Canvas& canvas, float cx, float cy, float sigma, Rgb colour)
{
    if (sigma <= 0.0f)
        return;
    const float cut = 3.5f;
    const float tail = std::exp(-cut * cut * 0.5f);
    forBox(canvas, cx, cy, sigma * cut, [&](int x, int y, Rgb& p) {
        const float d = std::hypot(x - cx, y - cy) / sigma;
        if (d >= cut)
            return;
        // Subtract the value at the cut so the core ends at exactly zero.
        const float w = (std::exp(-d * d * 0.5f) - tail) / (1.0f - tail);
        p = addRgb(p, scaleRgb(colour, w));
    });
}

void addRing(Canvas& canvas, float cx, float cy, float radius, float thickness, Rgb colour)
{
    if (thickness <= 0.0f)
        return;
    const float cut = 3.5f;
    const float tail = std::exp(-cut * cut * 0.5f);
    forBox(canvas, cx, cy, radius + thickness * cut, [&](int x, int y, Rgb& p) {
        const float d = (std::hypot(x - cx, y - cy) - radius) / thickness;
        if (std::fabs(d) >= cut)
            return;
        const float w = (std::exp(-d * d * 0.5f) - tail) / (1.0f - tail);
        p = addRgb(p, scaleRgb(colour, w));
    });
}

void addStreak(Canvas& canvas, float cx, float cy, float angle, float length, float thickness,
               Rgb colour)
{
    if (length <= 0.0f || thickness <= 0.0f)
        return;
    const float dx = std::cos(angle);
    const float dy = -std::sin(angle);  // screen rows grow downwards
    const float cut = 3.5f;
    const float tail = std::exp(-cut * cut * 0.5f);
    forBox(canvas, cx, cy, length + thickness * cut, [&](int x, int y, Rgb& p) {
        const float rx = x - cx;
        const float ry = y - cy;
        const float along = rx * dx + ry * dy;
        if (along < 0.0f || along >= length)
            return;
        const float across = std::fabs(rx * -dy + ry * dx);
        const float t = along / length;
        // The ray narrows towards its tip, down to a third of its width.
        const float sigma = thickness * (1.0f - 0.66f * t);
        const float a = across / sigma;
        if (a >= cut)
            return;
        const float fade = smoothFalloff(t);
        const float w = (std::exp(-a * a * 0.5f) - tail) / (1.0f - tail) * fade;
        p = addRgb(p, scaleRgb(colour, w));
    });
}

void addStarfield(Canvas& canvas, Random& random, int count, float brightness)
{
    for (int i = 0; i < count; ++i) {
        const float x = randomUnit(random) * canvas.width;
        const float y = randomUnit(random) * canvas.height;
        const float size = randomUnit(random);
        const float tint = randomUnit(random);
        // Star colours run from warm white through white to blue-white.
        const Rgb colour = tint < 0.3f   ? Rgb{1.0f, 0.85f, 0.7f}
                           : tint < 0.7f ? Rgb{1.0f, 1.0f, 1.0f}
                                         : Rgb{0.75f, 0.85f, 1.0f};
        const float level = brightness * (0.25f + 0.75f * size * size);
        if (size > 0.93f) {
            addCore(canvas, x, y, 0.9f, scaleRgb(colour, level));
            addGlow(canvas, x, y, 5.0f, scaleRgb(colour, level * 0.25f), 2.0f);
        } else {
            // A faint point spread over the four nearest pixels so it sits between them.
            const int ix = static_cast<int>(x);
            const int iy = static_cast<int>(y);
            const float fx = x - ix;
            const float fy = y - iy;
            addToPixel(canvas, ix, iy, colour, level * (1 - fx) * (1 - fy));
            addToPixel(canvas, ix + 1, iy, colour, level * fx * (1 - fy));
            addToPixel(canvas, ix, iy + 1, colour, level * (1 - fx) * fy);
            addToPixel(canvas, ix + 1, iy + 1, colour, level * fx * fy);
        }
    }
}
