// Fuzzes the 3DS loader: the input is "t.3ds" in an archive image beside a few pictures. Missing
// map pictures come back as null instead of ending the process.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "archive/archive.h"
#include "assets/assets.h"
#include "writers/writers.h"

namespace {

struct ImageFile {
    const char* name;
    std::vector<uint8_t> bytes;
};

// An unpacked archive image: entry count, directory, contents.
uint8_t* buildImage(const std::vector<ImageFile>& files, uint32_t& size) {
    size_t total = 4 + 20 * files.size();
    for (const ImageFile& f : files) total += f.bytes.size();
    uint8_t* image = static_cast<uint8_t*>(std::calloc(total + packImageSpare, 1));
    const int32_t count = int32_t(files.size());
    std::memcpy(image, &count, 4);
    uint32_t offset = uint32_t(4 + 20 * files.size());
    for (size_t i = 0; i < files.size(); ++i) {
        char packed[13];
        makePackName(packed, files[i].name);
        uint8_t* entry = image + 4 + 20 * i;
        std::memcpy(entry, packed, 12);
        const uint32_t length = uint32_t(files[i].bytes.size());
        std::memcpy(entry + 12, &offset, 4);
        std::memcpy(entry + 16, &length, 4);
        if (length) std::memcpy(image + offset, files[i].bytes.data(), length);
        offset += length;
    }
    size = uint32_t(total);
    return image;
}

std::vector<uint8_t> smallJpeg() {
    std::vector<uint8_t> pixels(16 * 16 * 4, 0x80);
    return encodeJpeg(pixels.data(), 16, 16, 75);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::vector<uint8_t> jpeg = smallJpeg();
    static const std::vector<uint8_t> bmp = [] {
        std::vector<uint8_t> pixels(4 * 4 * 4, 0x40);
        return encodeBmp(pixels.data(), 4, 4);
    }();
    resetArchive();
    resetMesh();
    resetPictures();
    pictureState.missingFileExits = false;
    std::vector<ImageFile> files = {{"t.3ds", std::vector<uint8_t>(data, data + size)},
                                    {"enver1.jpg", jpeg},
                                    {"m.jpg", jpeg},
                                    {"a.jpg", jpeg},
                                    {"b.bmp", bmp}};
    archiveState.archive.image = buildImage(files, archiveState.archive.imageSize);
    archiveState.archive.entryCount = int32_t(files.size());
    char message[meshMessageSize];
    load3ds("t.3ds", message);
    resetMesh();
    resetArchive();
    return 0;
}
