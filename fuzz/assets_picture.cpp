// Fuzzes the picture readers: the input is both "p.jpg" and "p.bmp" in an archive image.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "archive/archive.h"
#include "assets/assets.h"

#include "fuzz_options.h"

// Inputs up to 256 KB: pictures of a few hundred pixels a side.
extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    addDefaultOption(argc, argv, "-max_len=262144");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    resetArchive();
    resetPictures();
    pictureState.missingFileExits = false;
    // Entry count 2, two entries sharing one copy of the input.
    const size_t header = 4 + 2 * 20;
    uint8_t* image = static_cast<uint8_t*>(std::calloc(header + size + packImageSpare, 1));
    image[0] = 2;
    const char* names[2] = {"p.jpg", "p.bmp"};
    for (int i = 0; i < 2; ++i) {
        char packed[13];
        makePackName(packed, names[i]);
        uint8_t* entry = image + 4 + 20 * i;
        std::memcpy(entry, packed, 12);
        const uint32_t offset = uint32_t(header), length = uint32_t(size);
        std::memcpy(entry + 12, &offset, 4);
        std::memcpy(entry + 16, &length, 4);
    }
    if (size)
        std::memcpy(image + header, data, size);
    archiveState.archive.image = image;
    archiveState.archive.imageSize = uint32_t(header + size);
    archiveState.archive.entryCount = 2;
    for (const char* name : names) {
        Texture t = loadTexture(name, 32);
        if (t.pixels) {
            // Touch the whole buffer the way a 256x256 texture is read.
            volatile uint32_t sum = 0;
            for (int i = 0; i < minPicturePixels; i += 97)
                sum = sum + t.pixels[i];
            std::free(t.pixels);
        }
    }
    resetArchive();
    return 0;
}
