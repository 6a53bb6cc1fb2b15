// Picture writers: the engine's 32-bit pixel layout to 24-bit BMP and JPEG files.
// Pixels are 4 bytes each in the engine's order blue, green, red, unused; rows top first, no gap.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// How a BMP file is laid out: 24 bits per pixel, or 32 (the pixel's fourth byte written as it is);
// rows bottom first as most writers store them, or top first (stored as a negative height).
struct BmpLayout {
    int bitsPerPixel = 24;
    bool topDown = false;
};

// An uncompressed BMP, rows padded to a multiple of 4 bytes as the format requires.
std::vector<uint8_t> encodeBmp(const uint8_t* pixels, int width, int height, BmpLayout layout = {});

// A 3-component baseline JPEG at quality 1..100 with optimised Huffman tables. By default colour is
// stored at half resolution (2x2 blocks); fullChroma keeps it at full resolution, which sprites
// need: halved colour spreads a saturated glow into the black around it, a faint frame once it is
// added.
std::vector<uint8_t> encodeJpeg(const uint8_t* pixels, int width, int height, int quality,
                                bool fullChroma = false);

// A 1-component (grayscale) JPEG of one byte per pixel, rows top first.
std::vector<uint8_t> encodeJpegGray(const uint8_t* gray, int width, int height, int quality);

// Writes the bytes to the file (created or truncated). False when the file cannot be written.
bool writeFileBytes(const std::string& path, const std::vector<uint8_t>& bytes);
