// Picture loading: the entry point, the missing-file report and the BMP reader.
#include "assets/assets.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "archive/archive.h"
#include "shell/report.h"

PictureState pictureState = {0, 0, true};

void resetPictures()
{
    pictureState = PictureState{0, 0, true};
}

// Opens a picture; a missing one is reported and ends the process unless tests asked for null.
PackFile* openPicture(const char* name)
{
    PackFile* file = packOpen(name);
    if (file)
        return file;
    if (!pictureState.missingFileExits)
        return nullptr;
    reportMissingFile(name);
    shutdownDemo();
    std::exit(1);
}

uint32_t* allocatePicture(int64_t pixels)
{
    return static_cast<uint32_t*>(
        std::calloc(size_t(pixels < minPicturePixels ? minPicturePixels : pixels), 4));
}

namespace {

uint32_t headerField32(const uint8_t* p)
{
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

uint32_t* refuseBmp(PackFile* file, const char* name, const char* reason)
{
    packClose(file);
    std::printf("BMP file '%s' %s\n", name, reason);
    return nullptr;
}

}  // namespace

uint32_t* loadBmp(const char* name, int /*bitsPerPixel: always 32*/)
{
    PackFile* file = openPicture(name);
    if (!file)
        return nullptr;
    uint8_t header[54];
    if (packRead(header, 54, 1, file) != 54)
        return refuseBmp(file, name, "is damaged or empty");
    const uint32_t dataOffset = headerField32(header + 10);
    const int32_t width = int32_t(headerField32(header + 18));
    const int32_t storedHeight = int32_t(headerField32(header + 22));  // negative: top row first
    const int bitsPerPixel = header[28] | header[29] << 8;
    const uint32_t compression = headerField32(header + 30);
    if (bitsPerPixel != 24) {
        char reason[96];
        std::snprintf(reason, sizeof reason, "has %d bits per pixel; only 24-bit pictures are read",
                      bitsPerPixel);
        return refuseBmp(file, name, reason);
    }
    if (compression != 0)
        return refuseBmp(file, name, "is compressed; only uncompressed pictures are read");
    const bool topDown = storedHeight < 0;
    const int64_t height = topDown ? -int64_t(storedHeight) : int64_t(storedHeight);
    if (width <= 0 || height == 0 || int64_t(width) * height > maxPicturePixels)
        return refuseBmp(file, name, "is damaged or empty");
    // Rows start where the header says (54 after the plain header) and are padded to 4 bytes.
    if (dataOffset > 54)
        packSeek(file, int(dataOffset < uint32_t(INT32_MAX) ? dataOffset : INT32_MAX), 0);
    const int rowBytes = width * 3;
    const int paddedRowBytes = (rowBytes + 3) & ~3;
    uint32_t* pixels = allocatePicture(int64_t(width) * height);
    uint8_t* row = static_cast<uint8_t*>(std::malloc(size_t(paddedRowBytes)));
    for (int64_t fileRow = 0; fileRow < height; ++fileRow) {
        // The last row may come without its padding.
        if (packRead(row, 1, paddedRowBytes, file) < rowBytes) {
            std::free(row);
            std::free(pixels);
            return refuseBmp(file, name, "is damaged or empty");
        }
        const int64_t y = topDown ? fileRow : height - 1 - fileRow;
        uint32_t* out = pixels + size_t(y) * size_t(width);
        for (int x = 0; x < width; ++x)
            out[x] = uint32_t(row[3 * x]) | uint32_t(row[3 * x + 1]) << 8 |
                     uint32_t(row[3 * x + 2]) << 16;
    }
    std::free(row);
    packClose(file);
    pictureState.lastPictureWidth = width;
    pictureState.lastPictureHeight = int32_t(height);
    return pixels;
}

uint32_t* loadPicture(const char* name, int bitsPerPixel)
{
    const size_t length = std::strlen(name);
    // Case-sensitive on purpose: only these two spellings are BMP; ".Bmp" and the like go to JPEG.
    if (length >= 4 && (std::strcmp(name + length - 4, ".bmp") == 0 ||
                        std::strcmp(name + length - 4, ".BMP") == 0))
        return loadBmp(name, bitsPerPixel);
    return loadJpeg(name);
}

Texture loadTexture(const char* name, int bitsPerPixel)
{
    uint32_t* pixels = loadPicture(name, bitsPerPixel);
    return Texture{pictureState.lastPictureWidth, pictureState.lastPictureHeight, pixels};
}
