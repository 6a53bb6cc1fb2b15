// Deterministic random numbers and noise for the painters and the modelled rocks: fixed seeds,
// never the clock.
#pragma once

#include <cstdint>

// A small deterministic generator (xorshift32).
struct Random {
    uint32_t state = 0x9e3779b9u;
};
Random makeRandom(uint32_t seed);
uint32_t nextRandom(Random& random);
// Uniform in [0, 1).
float randomUnit(Random& random);

// Smooth value noise on an integer lattice hashed with the seed, range 0..1.
float valueNoise(float x, float y, uint32_t seed);
// Gradient (Perlin) noise, range about -1..1; seed selects one of 256 variations.
float gradientNoise(float x, float y, float z, int seed);
// Sum of octaves of gradient noise, each twice the frequency and gain times the amplitude of the
// last, normalised to about -1..1.
float fractalNoise(float x, float y, float z, int octaves, float gain, int seed);
// Fractal noise (about -1..1) over a square picture of period pixels that repeats seamlessly:
// face textures are tiled across their faces. scale is the size of the largest features.
float tiledNoise(float x, float y, float period, float scale, int octaves, float gain, int seed);
