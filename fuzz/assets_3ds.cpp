// Fuzzes the 3DS loader: the input is "t.3ds" in an archive image beside a few pictures. Missing
// map pictures come back as null instead of ending the process.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "archive/archive.h"
#include "assets/assets.h"
#include "packer/packer.h"
#include "writers/writers.h"

namespace {

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
    resetMesh();
    resetPictures();
    pictureState.missingFileExits = false;
    std::vector<PackInput> files = {{"t.3ds", std::vector<uint8_t>(data, data + size)},
                                    {"enver1.jpg", jpeg},
                                    {"m.jpg", jpeg},
                                    {"a.jpg", jpeg},
                                    {"b.bmp", bmp}};
    std::string error;
    if (!installPackImage(files, error))
        return 0;
    char message[meshMessageSize];
    load3ds("t.3ds", message);
    resetMesh();
    resetArchive();
    return 0;
}
