// Assets: pictures decoded from the archive into 32-bit textures, and the 3DS mesh loader with
// its tables (assets/mesh.h).
#pragma once

#include <cstdint>

#include "assets/mesh.h"

struct PackFile;
struct jpeg_decompress_struct;

// A loaded picture. Pixels are 4 bytes each in the order blue, green, red, fourth byte (the 32-bit
// word 0x00RRGGBB), top row first, no gap between rows. The holder frees them with std::free.
struct Texture {
    int32_t width;
    int32_t height;
    uint32_t* pixels;
};

// Every pixel buffer has room for at least this many pixels, zero past the picture, so a smaller
// picture used as a 256x256 texture is never read outside its buffer.
constexpr int minPicturePixels = 256 * 256;
// Pictures beyond this many pixels are refused as damaged (the show's largest is 320x240).
constexpr int64_t maxPicturePixels = 2048 * 2048;
// Bytes the JPEG data source asks the archive for at a time.
constexpr int jpegSourceBufferSize = 4096;

struct PictureState {
    int32_t lastPictureWidth;  // size of the last picture loaded successfully
    int32_t lastPictureHeight;
    // A picture missing from the archive is reported and ends the process with exit code 1. Tests
    // and fuzzers clear this to get a null picture back instead.
    bool missingFileExits;
};
extern PictureState pictureState;
void resetPictures();

// Loads a picture by name: names ending exactly in ".bmp" or ".BMP" are read as BMP, all others
// as JPEG. bitsPerPixel is 32 (the only layout). Null after a decoding error (reported on
// standard output). A missing file is reported and ends the process (see missingFileExits).
uint32_t* loadPicture(const char* name, int bitsPerPixel);
// loadPicture with the size of the picture (the previous size after an error).
Texture loadTexture(const char* name, int bitsPerPixel);
// An uncompressed 24-bit BMP: rows of width * 3 bytes padded to a multiple of 4, from where the
// header puts them (54 after the plain header), bottom row first, or top row first when the
// height is negative. Another depth, a compressed file, a file shorter than its header says, of
// width or height 0, or over maxPicturePixels gives null with a line on standard output, before
// any pixel buffer is allocated.
uint32_t* loadBmp(const char* name, int bitsPerPixel);
// A JPEG; colour and grayscale files come out as RGB. Null after a decoding error.
uint32_t* loadJpeg(const char* name);
// Installs a libjpeg data source that reads the open archive file (jpegSourceBufferSize bytes at a
// time); at the file's end it supplies an end-of-image marker.
void PackJpegSource(jpeg_decompress_struct* cinfo, PackFile* file);

// Shared by the picture readers: opens a picture file (missing: see missingFileExits), and
// allocates a zeroed pixel buffer of at least minPicturePixels pixels.
PackFile* openPicture(const char* name);
uint32_t* allocatePicture(int64_t pixels);
