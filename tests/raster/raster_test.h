// Helpers shared by the rasterizer and effect tests: biased random pixels and a guarded buffer.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <random>
#include <vector>

#include "render/draw.h"

// Bytes that favour the edges of the arithmetic: 0, 1, 127, 128, 254, 255 and odd values.
inline uint8_t edgyByte(std::mt19937& rng)
{
    static const uint8_t edges[] = {0, 1, 2, 127, 128, 129, 254, 255};
    const uint32_t r = rng();
    if (r % 3 == 0)
        return edges[(r >> 8) % 8];
    return static_cast<uint8_t>(r >> 16);
}

inline uint32_t edgyPixel(std::mt19937& rng)
{
    return edgyByte(rng) | edgyByte(rng) << 8 | edgyByte(rng) << 16 | uint32_t(edgyByte(rng)) << 24;
}

inline std::vector<uint32_t> edgyPixels(std::mt19937& rng, size_t n)
{
    std::vector<uint32_t> v(n);
    for (auto& p : v)
        p = edgyPixel(rng);
    return v;
}

// A copy of the pixels that the renderer can own and free, for buildLightMapsWith.
inline uint32_t* ownedPicture(const std::vector<uint32_t>& pixels)
{
    auto* copy = static_cast<uint32_t*>(std::malloc(pixels.size() * sizeof(uint32_t)));
    std::memcpy(copy, pixels.data(), pixels.size() * sizeof(uint32_t));
    return copy;
}

// A 320x200 buffer with guard pixels before and after it, to catch writes outside the picture.
struct GuardedBuffer {
    static constexpr int guard = 4096;
    static constexpr uint32_t canary = 0xA5C3E1F0;
    std::vector<uint32_t> storage = std::vector<uint32_t>(viewPixels + 2 * guard, canary);
    GuardedBuffer() { std::fill(pixels(), pixels() + viewPixels, 0u); }
    uint32_t* pixels() { return storage.data() + guard; }
    uint32_t at(int x, int y) { return pixels()[y * viewWidth + x]; }
    bool guardsIntact() const
    {
        for (int i = 0; i < guard; i++)
            if (storage[i] != canary || storage[guard + viewPixels + i] != canary)
                return false;
        return true;
    }
};
