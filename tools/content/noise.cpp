// Deterministic random numbers and noise.
#define STB_PERLIN_IMPLEMENTATION
#include <stb_perlin.h>

#include "noise.h"

#include <cmath>

Random makeRandom(uint32_t seed)
{
    Random random;
    // xorshift must never hold 0; mix the seed so that nearby seeds give unrelated sequences.
    uint32_t s = seed * 0x9e3779b9u + 0x7f4a7c15u;
    s ^= s >> 16;
    random.state = s != 0 ? s : 0x9e3779b9u;
    return random;
}

uint32_t nextRandom(Random& random)
{
    uint32_t x = random.state;
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    random.state = x;
    return x;
}

float randomUnit(Random& random)
{
    return static_cast<float>(nextRandom(random) >> 8) * (1.0f / 16777216.0f);
}

// Hash of a lattice point to 0..1.
static float latticeValue(int x, int y, uint32_t seed)
{
    uint32_t h = static_cast<uint32_t>(x) * 0x8da6b343u ^ static_cast<uint32_t>(y) * 0xd8163841u ^
                 seed * 0xcb1ab31fu;
    h ^= h >> 15;
    h *= 0x2c1b3c6du;
    h ^= h >> 12;
    h *= 0x297a2d39u;
    h ^= h >> 15;
    return static_cast<float>(h >> 8) * (1.0f / 16777215.0f);
}

float valueNoise(float x, float y, uint32_t seed)
{
    const float fx = std::floor(x);
    const float fy = std::floor(y);
    const int ix = static_cast<int>(fx);
    const int iy = static_cast<int>(fy);
    float tx = x - fx;
    float ty = y - fy;
    tx = tx * tx * (3.0f - 2.0f * tx);
    ty = ty * ty * (3.0f - 2.0f * ty);
    const float a = latticeValue(ix, iy, seed);
    const float b = latticeValue(ix + 1, iy, seed);
    const float c = latticeValue(ix, iy + 1, seed);
    const float d = latticeValue(ix + 1, iy + 1, seed);
    const float top = a + (b - a) * tx;
    const float bottom = c + (d - c) * tx;
    return top + (bottom - top) * ty;
}

float gradientNoise(float x, float y, float z, int seed)
{
    return stb_perlin_noise3_seed(x, y, z, 0, 0, 0, seed);
}

float fractalNoise(float x, float y, float z, int octaves, float gain, int seed)
{
    float sum = 0.0f;
    float amplitude = 1.0f;
    float total = 0.0f;
    float frequency = 1.0f;
    for (int i = 0; i < octaves; ++i) {
        sum += amplitude * gradientNoise(x * frequency, y * frequency, z * frequency, seed + i);
        total += amplitude;
        amplitude *= gain;
        frequency *= 2.0f;
    }
    return total > 0.0f ? sum / total : 0.0f;
}

float tiledNoise(float x, float y, float period, float scale, int octaves, float gain, int seed)
{
    // Four copies of the noise one period apart, blended by position, meet themselves at the
    // edges.
    const float fx = x / period, fy = y / period;
    auto n = [&](float px, float py) {
        return fractalNoise(px / scale, py / scale, 0.5f, octaves, gain, seed);
    };
    const float a = n(x, y), b = n(x - period, y), c = n(x, y - period),
                d = n(x - period, y - period);
    const float top = a * (1 - fx) + b * fx, bottom = c * (1 - fx) + d * fx;
    return (top * (1 - fy) + bottom * fy) * 1.35f;
}
