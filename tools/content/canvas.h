// Colours, canvases, coverage masks and finished pictures: what every painter works on, and the
// picture sizes the engine reads. Everything here is deterministic: no clocks, no locale.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// A colour in display values, 0 black to 1 full; values above 1 saturate when finished.
struct Rgb {
    float r = 0.0f;
    float g = 0.0f;
    float b = 0.0f;
};

// A picture being painted: one Rgb per pixel, top row first.
struct Canvas {
    int width = 0;
    int height = 0;
    std::vector<Rgb> pixels;
};

// A coverage, height or intensity field: one float per pixel, top row first.
struct Mask {
    int width = 0;
    int height = 0;
    std::vector<float> values;
};

// A finished picture in the engine's byte order: blue, green, red, 0 per pixel, top row first.
struct Picture {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> bytes;
};

// One stop of a colour ramp; stops are given in increasing position order.
struct RampStop {
    float position = 0.0f;
    Rgb colour;
};

// Sprite and face texture width: the engine reads them with a row length of 256 texels.
constexpr int spriteWidth = 256;
// Light sprites are drawn square, so their pictures are square too.
constexpr int lightSpriteHeight = 256;
// Full-screen pictures fill the 320x200 FrameBuffer byte for byte.
constexpr int screenWidth = 320;
constexpr int screenHeight = 200;

Canvas makeCanvas(int width, int height, Rgb fill = {});
Mask makeMask(int width, int height, float fill = 0.0f);

Rgb mixRgb(Rgb a, Rgb b, float t);
Rgb scaleRgb(Rgb c, float s);
Rgb addRgb(Rgb a, Rgb b);
// Linear interpolation between the stops; positions outside the ramp take the end colours.
Rgb sampleRamp(const std::vector<RampStop>& ramp, float t);
// A polished-metal ramp over t in 0..1 (top to bottom of a shape): bright sky, dark horizon
// band, warm ground, the classic chrome look.
Rgb chromeColour(float t);
// Gold variant of the same banding.
Rgb goldColour(float t);

// Replaces one pixel; the position must lie on the canvas.
void setPixel(Canvas& canvas, int x, int y, Rgb colour);
// Sets every pixel to colour(x, y), row by row from the top, each row left to right.
template <typename ColourAt>
void paintPixels(Canvas& canvas, ColourAt colour)
{
    for (int y = 0; y < canvas.height; ++y)
        for (int x = 0; x < canvas.width; ++x)
            canvas.pixels[static_cast<size_t>(y) * canvas.width + x] = colour(x, y);
}
// Adds colour scaled by weight to one pixel; positions outside the canvas are ignored.
void addToPixel(Canvas& canvas, int x, int y, Rgb colour, float weight);
// Blends colour over the pixel with coverage alpha (0 keeps, 1 replaces).
void blendPixel(Canvas& canvas, int x, int y, Rgb colour, float alpha);

// Multiplies every pixel by a window that is 1 inside radius inner and falls smoothly to exactly 0
// at radius outer (both as fractions of half the smaller side): keeps sprite borders black.
void applyRoundWindow(Canvas& canvas, float inner, float outer);
// Clears a frame of the given width at the picture's edges to black.
void clearBorder(Canvas& canvas, int border);
// Fades the picture smoothly to black over margin pixels at every edge, reaching exactly 0 at the
// outermost black pixels (black frame of width black, then a smooth ramp up to full at margin).
void applyEdgeFade(Canvas& canvas, int black, int margin);

// Quantises to bytes with a small triangular dither so that soft gradients do not band. Pixels
// that round to black stay exactly black (no dither speckle on sprite backgrounds).
Picture finishPicture(const Canvas& canvas, uint32_t ditherSeed);
