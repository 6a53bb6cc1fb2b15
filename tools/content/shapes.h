// Additive light shapes painted onto a canvas: glows, cores, rings, streaks and starfields.
#pragma once

#include "canvas.h"
#include "noise.h"

// 1 at x = 0 falling smoothly to exactly 0 at x >= 1, with zero slope at both ends.
float smoothFalloff(float x);
// Radial glow: colour × falloff(distance / radius)^sharpness; sharpness 1 is soft, 4 is tight.
void addGlow(Canvas& canvas, float cx, float cy, float radius, Rgb colour, float sharpness);
// Gaussian core: colour × exp(-(d / sigma)^2 / 2), cut to zero beyond 3.5 sigma.
void addCore(Canvas& canvas, float cx, float cy, float sigma, Rgb colour);
// Ring of the given radius with a Gaussian cross-section of the given thickness (sigma).
void addRing(Canvas& canvas, float cx, float cy, float radius, float thickness, Rgb colour);
// A ray from (cx, cy) in the direction angle (radians, 0 = right, counter-clockwise on screen),
// fading to 0 at length, with a Gaussian cross-section of thickness (sigma) that tapers.
void addStreak(Canvas& canvas, float cx, float cy, float angle, float length, float thickness,
               Rgb colour);
// count stars at random places: mostly faint points, a few brighter ones with a small glow.
void addStarfield(Canvas& canvas, Random& random, int count, float brightness);
