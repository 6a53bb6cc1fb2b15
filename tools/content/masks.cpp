// Mask operations: blur, dilation, bevel lighting and additive painting.
#include "masks.h"

#include <algorithm>
#include <cmath>

// One box pass along rows (step 1) or columns (step width); outside the mask counts as 0.
static void boxPass(std::vector<float>& values, int count, int lines, int step, int lineStep,
                    int radius)
{
    std::vector<float> line(static_cast<size_t>(count));
    const float scale = 1.0f / static_cast<float>(2 * radius + 1);
    for (int l = 0; l < lines; ++l) {
        float* base = values.data() + static_cast<size_t>(l) * lineStep;
        for (int i = 0; i < count; ++i)
            line[static_cast<size_t>(i)] = base[static_cast<size_t>(i) * step];
        // Running sum over the window [i - radius, i + radius]; doubles keep it drift-free.
        double sum = 0.0;
        for (int i = 0; i <= radius && i < count; ++i)
            sum += line[static_cast<size_t>(i)];
        for (int i = 0; i < count; ++i) {
            base[static_cast<size_t>(i) * step] = static_cast<float>(sum) * scale;
            const int add = i + radius + 1;
            const int drop = i - radius;
            if (add < count)
                sum += line[static_cast<size_t>(add)];
            if (drop >= 0)
                sum -= line[static_cast<size_t>(drop)];
        }
    }
}

void blurMask(Mask& mask, int radius)
{
    if (radius <= 0 || mask.width <= 0 || mask.height <= 0)
        return;
    for (int pass = 0; pass < 3; ++pass) {
        boxPass(mask.values, mask.width, mask.height, 1, mask.width, radius);
        boxPass(mask.values, mask.height, mask.width, mask.width, 1, radius);
    }
}

Mask dilateMask(const Mask& mask, int radius)
{
    Mask out = makeMask(mask.width, mask.height);
    for (int y = 0; y < mask.height; ++y) {
        for (int x = 0; x < mask.width; ++x) {
            float best = 0.0f;
            for (int dy = -radius; dy <= radius; ++dy) {
                const int sy = y + dy;
                if (sy < 0 || sy >= mask.height)
                    continue;
                for (int dx = -radius; dx <= radius; ++dx) {
                    const int sx = x + dx;
                    if (sx < 0 || sx >= mask.width || dx * dx + dy * dy > radius * radius + radius)
                        continue;
                    best = std::max(best, mask.values[static_cast<size_t>(sy) * mask.width + sx]);
                }
            }
            out.values[static_cast<size_t>(y) * mask.width + x] = best;
        }
    }
    return out;
}

void stampMask(Mask& target, const Mask& source, int x, int y)
{
    for (int sy = 0; sy < source.height; ++sy) {
        const int ty = y + sy;
        if (ty < 0 || ty >= target.height)
            continue;
        for (int sx = 0; sx < source.width; ++sx) {
            const int tx = x + sx;
            if (tx < 0 || tx >= target.width)
                continue;
            float& t = target.values[static_cast<size_t>(ty) * target.width + tx];
            t = std::max(t, source.values[static_cast<size_t>(sy) * source.width + sx]);
        }
    }
}

Mask bevelLight(const Mask& coverage, int depth)
{
    Mask height = coverage;
    blurMask(height, std::max(1, depth / 2));
    Mask light = makeMask(coverage.width, coverage.height);
    // Light from the upper left and in front; screen rows grow downwards.
    const float lx = -0.55f, ly = -0.65f, lz = 0.52f;
    const float slope = static_cast<float>(depth) * 2.0f;
    auto at = [&height](int x, int y) {
        x = std::clamp(x, 0, height.width - 1);
        y = std::clamp(y, 0, height.height - 1);
        return height.values[static_cast<size_t>(y) * height.width + x];
    };
    for (int y = 0; y < coverage.height; ++y) {
        for (int x = 0; x < coverage.width; ++x) {
            const float gx = (at(x + 1, y) - at(x - 1, y)) * 0.5f * slope;
            const float gy = (at(x, y + 1) - at(x, y - 1)) * 0.5f * slope;
            // Normal of the height field (rising inwards): (-gx, -gy, 1), normalised.
            const float len = std::sqrt(gx * gx + gy * gy + 1.0f);
            const float d = (-gx * lx - gy * ly + lz) / len;
            light.values[static_cast<size_t>(y) * coverage.width + x] =
                std::clamp((d - lz) / (1.0f - lz), -1.0f, 1.0f);
        }
    }
    return light;
}

void addMask(Canvas& canvas, const Mask& mask, int x, int y, Rgb colour, float strength)
{
    for (int my = 0; my < mask.height; ++my)
        for (int mx = 0; mx < mask.width; ++mx)
            addToPixel(canvas, x + mx, y + my, colour,
                       mask.values[static_cast<size_t>(my) * mask.width + mx] * strength);
}
