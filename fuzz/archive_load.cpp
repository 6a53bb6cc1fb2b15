// Arbitrary bytes as an archive file: load it without exiting, then open and read every entry;
// both decoders must agree on the stream.
#include "archive/archive.h"

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "fuzz_options.h"

// Inputs up to 256 KB: archives of several files, matches across the whole window.
extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    addDefaultOption(argc, argv, "-max_len=262144");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    resetArchive();
    PackImage image;
    PackDecodeResult decode;
    PackLoadStatus status = loadPackImage(data, size, &image, &decode);

    // The reference decoder must reach the same verdict and the same bytes.
    if (size >= packHeaderSize) {
        uint32_t unpacked;
        std::memcpy(&unpacked, data + packMagicLength, 4);
        if (status == PackLoadStatus::ok || status == PackLoadStatus::streamCorrupt ||
            status == PackLoadStatus::directoryDamaged) {
            std::vector<uint8_t> reference(size_t(unpacked) + packImageSpare);
            PackDecodeResult r =
                decodePackReference(reference.data(), reference.size(), data + packHeaderSize,
                                    size - packHeaderSize, unpacked);
            if (r != decode)
                std::abort();
            if (status == PackLoadStatus::ok &&
                std::memcmp(reference.data(), image.bytes, unpacked) != 0)
                std::abort();
        }
    }
    if (status != PackLoadStatus::ok)
        return 0;

    archiveState.archive = {image.bytes, image.size, image.entryCount};
    std::vector<uint8_t> buffer(4096);
    for (int i = 0; i < image.entryCount; ++i) {
        PackDirEntry entry = packDirEntry(image.bytes, i);
        std::string name(entry.name, 8);
        while (!name.empty() && name.back() == ' ')
            name.pop_back();
        std::string extension(entry.name + 8, 4);
        while (!extension.empty() && extension.back() == ' ')
            extension.pop_back();
        name += extension;
        if (name.find('\0') != std::string::npos)
            continue;
        PackFile* f = packOpen(name.c_str());
        if (!f)
            continue;
        while (packRead(buffer.data(), 1, int(buffer.size()), f) > 0) {
        }
        packSeek(f, 0, 2);
        packSeek(f, -7, 1);
        packRead(buffer.data(), 54, 1, f);
        packSeek(f, 1 << 30, 0);
        packRead(buffer.data(), 1, 1, f);
        packClose(f);
    }
    resetArchive();
    return 0;
}
