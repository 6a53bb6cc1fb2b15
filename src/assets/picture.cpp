// Picture loading: the entry point, the missing-file report and the BMP reader.
#include "assets/assets.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "archive/archive.h"
#include "shell/shell.h"

PictureState pictureState = {0, 0, true};

void resetPictures() {
    pictureState = PictureState{0, 0, true};
}

// Opens a picture; a missing one is reported and ends the process unless tests asked for null.
PackFile* openPicture(const char* name) {
    PackFile* file = packOpen(name);
    if (file) return file;
    if (!pictureState.missingFileExits) return nullptr;
    reportMissingFile(name);
    shutdownDemo();
    std::exit(1);
}

uint32_t* allocatePicture(int64_t pixels) {
    return static_cast<uint32_t*>(std::calloc(size_t(pixels < minPicturePixels ? minPicturePixels : pixels), 4));
}

uint32_t* loadBmp(const char* name, int /*bitsPerPixel: always 32*/) {
    PackFile* file = openPicture(name);
    if (!file) return nullptr;
    uint8_t header[54];
    const bool headerRead = packRead(header, 54, 1, file) == 54;
    const int width = header[18] | header[19] << 8;
    const int height = header[22] | header[23] << 8;
    if (!headerRead || width == 0 || height == 0 || int64_t(width) * height > maxPicturePixels) {
        packClose(file);
        std::printf("BMP file '%s' is damaged or empty\n", name);
        return nullptr;
    }
    uint32_t* pixels = allocatePicture(int64_t(width) * height);
    const int rowBytes = width * 3;
    uint8_t* row = static_cast<uint8_t*>(std::malloc(size_t(rowBytes)));
    // The file's first row is the bottom row of the picture.
    for (int y = height - 1; y >= 0; --y) {
        if (packRead(row, 1, rowBytes, file) != rowBytes) {
            std::free(row);
            std::free(pixels);
            packClose(file);
            std::printf("BMP file '%s' is damaged or empty\n", name);
            return nullptr;
        }
        uint32_t* out = pixels + size_t(y) * size_t(width);
        for (int x = 0; x < width; ++x)
            out[x] = uint32_t(row[3 * x]) | uint32_t(row[3 * x + 1]) << 8 | uint32_t(row[3 * x + 2]) << 16;
    }
    std::free(row);
    packClose(file);
    pictureState.lastPictureWidth = width;
    pictureState.lastPictureHeight = height;
    return pixels;
}

uint32_t* loadPicture(const char* name, int bitsPerPixel) {
    const size_t length = std::strlen(name);
    // Case-sensitive on purpose: only these two spellings are BMP; ".Bmp" and the like go to JPEG.
    if (length >= 4 && (std::strcmp(name + length - 4, ".bmp") == 0 || std::strcmp(name + length - 4, ".BMP") == 0))
        return loadBmp(name, bitsPerPixel);
    return loadJpeg(name);
}

Texture loadTexture(const char* name, int bitsPerPixel) {
    uint32_t* pixels = loadPicture(name, bitsPerPixel);
    return Texture{pictureState.lastPictureWidth, pictureState.lastPictureHeight, pixels};
}
