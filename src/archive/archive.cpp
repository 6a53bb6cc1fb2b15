// Loading the archive file: header check, decompression into the image, directory check.
#include "archive/archive.h"

#include "shell/report.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

ArchiveState archiveState = {{nullptr, 0, 0}, {}, -1};

// The most bytes one compressed byte can yield: a match takes at least 2 bits (one-bit literal/
// distance code, one-bit length code) for 83 bytes, so 8 bits give at most 4 * 83 = 332.
constexpr uint64_t packMaxExpansion = 332;

void resetArchive()
{
    std::free(archiveState.archive.image);
    archiveState.archive = {nullptr, 0, 0};
    for (PackFile& file : archiveState.files)
        file = {nullptr, 0, 0};
    archiveState.openFileIndex = -1;
}

PackDirEntry packDirEntry(const uint8_t* image, int index)
{
    PackDirEntry entry;
    std::memcpy(&entry, image + 4 + size_t(index) * sizeof(PackDirEntry), sizeof entry);
    return entry;
}

bool checkPackDirectory(const uint8_t* image, uint32_t imageSize)
{
    if (imageSize < 4)
        return false;
    int32_t count;
    std::memcpy(&count, image, 4);
    if (count < 0 || 4 + uint64_t(count) * sizeof(PackDirEntry) > imageSize)
        return false;
    for (int i = 0; i < count; ++i) {
        PackDirEntry entry = packDirEntry(image, i);
        if (uint64_t(entry.offset) + entry.size > imageSize || entry.size > uint32_t(INT32_MAX))
            return false;
    }
    return true;
}

PackLoadStatus loadPackImage(const uint8_t* file, size_t fileSize, PackImage* image,
                             PackDecodeResult* decodeResult)
{
    *image = {nullptr, 0, 0};
    if (decodeResult)
        *decodeResult = PackDecodeResult::ok;
    if (fileSize < packMagicLength || std::memcmp(file, packMagic, packMagicLength) != 0)
        return PackLoadStatus::notPackFormat;
    if (fileSize < packHeaderSize)
        return PackLoadStatus::headerTruncated;
    uint32_t unpackedSize;
    std::memcpy(&unpackedSize, file + packMagicLength, 4);
    size_t streamSize = fileSize - packHeaderSize;
    if (unpackedSize > uint64_t(streamSize) * packMaxExpansion)
        return PackLoadStatus::sizeTooLarge;
    uint8_t* bytes = static_cast<uint8_t*>(std::malloc(size_t(unpackedSize) + packImageSpare));
    if (!bytes)
        return PackLoadStatus::outOfMemory;
    PackDecodeResult result = decodePack(bytes, size_t(unpackedSize) + packImageSpare,
                                         file + packHeaderSize, streamSize, unpackedSize);
    if (decodeResult)
        *decodeResult = result;
    if (result != PackDecodeResult::ok) {
        std::free(bytes);
        return PackLoadStatus::streamCorrupt;
    }
    if (!checkPackDirectory(bytes, unpackedSize)) {
        std::free(bytes);
        return PackLoadStatus::directoryDamaged;
    }
    image->bytes = bytes;
    image->size = unpackedSize;
    std::memcpy(&image->entryCount, bytes, 4);
    return PackLoadStatus::ok;
}

int openArchive(const char* fileName)
{
    std::FILE* f = std::fopen(fileName, "rb");
    if (!f) {
        showMessage("v4npelva.zem file not found");
        return 0;
    }
    // The whole file is read at once: the stream is decoded from memory. A file that cannot be
    // measured or read (a directory, a device) counts as missing.
    uint8_t* file = nullptr;
    size_t fileSize = 0;
    bool readable = false;
    long end = -1;
    std::fgetc(f);
    if (!std::ferror(f) && std::fseek(f, 0, SEEK_END) == 0)
        end = std::ftell(f);
    if (end >= 0 && std::fseek(f, 0, SEEK_SET) == 0) {
        fileSize = size_t(end);
        file = static_cast<uint8_t*>(std::malloc(fileSize ? fileSize : 1));
        readable = !file || std::fread(file, 1, fileSize, f) == fileSize;
    }
    std::fclose(f);
    if (!readable) {
        std::free(file);
        showMessage("v4npelva.zem file not found");
        return 0;
    }
    if (!file) {
        showMessage("Not enough memory to load v4npelva.zem !");
        return 0;
    }

    PackImage image;
    PackDecodeResult decodeResult;
    PackLoadStatus status = loadPackImage(file, fileSize, &image, &decodeResult);
    std::free(file);
    switch (status) {
    case PackLoadStatus::ok: break;
    case PackLoadStatus::notPackFormat:
        showMessage("v4npelva.zem is not -ZEM- pack format !");
        return 0;
    case PackLoadStatus::headerTruncated:
        showMessage("v4npelva.zem is cut short inside its header !");
        return 0;
    case PackLoadStatus::sizeTooLarge:
        showMessage("v4npelva.zem claims an impossible unpacked size !");
        return 0;
    case PackLoadStatus::outOfMemory:
        showMessage("Not enough memory to unpack v4npelva.zem !");
        return 0;
    case PackLoadStatus::streamCorrupt:
        std::printf("%s\n", packDecodeMessage(decodeResult));
        std::fflush(stdout);
        std::exit(5);
    case PackLoadStatus::directoryDamaged:
        showMessage("v4npelva.zem directory is damaged !");
        return 0;
    }
    resetArchive();
    archiveState.archive = {image.bytes, image.size, image.entryCount};
    return 1;
}
