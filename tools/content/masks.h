// Operations on coverage masks: blur, dilation, stamping, bevel lighting and painting a mask in
// a colour.
#pragma once

#include "canvas.h"

// Gaussian-like blur by three box passes of the given radius in each direction.
void blurMask(Mask& mask, int radius);
// Grows the covered area by radius pixels (maximum over a disc).
Mask dilateMask(const Mask& mask, int radius);
// Places a smaller mask into a larger one at (x, y), keeping the maximum.
void stampMask(Mask& target, const Mask& source, int x, int y);
// Shading of a bevelled shape from its coverage: the coverage blurred by depth pixels is read as a
// height field, lit from the upper left; returns the lighting term, about -1..1, per pixel.
Mask bevelLight(const Mask& coverage, int depth);
// Adds colour × mask value (times strength) at offset (x, y).
void addMask(Canvas& canvas, const Mask& mask, int x, int y, Rgb colour, float strength);
