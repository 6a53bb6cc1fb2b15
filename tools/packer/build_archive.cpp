// Building a whole archive file: names, directory, image, header.
#include "packer/packer.h"

#include "archive/archive.h"

#include <cstdlib>
#include <cstring>

bool checkPackName(const std::string& name, char packedName[12], std::string& error)
{
    size_t dot = name.find('.');
    std::string base = name.substr(0, dot);
    std::string extension = dot == std::string::npos ? std::string() : name.substr(dot + 1);
    auto fail = [&](const char* why) {
        error = "'" + name + "' is not an 8.3 name: " + why;
        return false;
    };
    for (char c : name) {
        unsigned char u = static_cast<unsigned char>(c);
        if (u <= 0x20 || u >= 0x7f || c == '/' || c == '\\')
            return fail("only printable characters without spaces or slashes are allowed");
    }
    if (base.empty())
        return fail("the base name is empty");
    if (base.size() > 8)
        return fail("the base name is longer than 8 characters");
    if (dot != std::string::npos && extension.empty())
        return fail("nothing follows the dot");
    if (extension.find('.') != std::string::npos)
        return fail("it has more than one dot");
    if (extension.size() > 3)
        return fail("the extension is longer than 3 characters");
    char packed[13];
    makePackName(packed, name.c_str());
    std::memcpy(packedName, packed, 12);
    return true;
}

bool buildPackImage(const std::vector<PackInput>& files, std::vector<uint8_t>& image,
                    std::string& error)
{
    uint64_t imageSize = 4 + uint64_t(files.size()) * sizeof(PackDirEntry);
    for (const PackInput& file : files) {
        if (file.bytes.size() > uint32_t(INT32_MAX)) {
            error = "'" + file.name + "' is too large for an archive (2 GiB at most)";
            return false;
        }
        imageSize += file.bytes.size();
    }
    if (files.size() > uint32_t(INT32_MAX) || imageSize > UINT32_MAX) {
        error = "the files are too large together for one archive (4 GiB at most)";
        return false;
    }

    image.assign(imageSize, 0);
    int32_t count = int32_t(files.size());
    std::memcpy(image.data(), &count, 4);
    uint32_t offset = uint32_t(4 + files.size() * sizeof(PackDirEntry));
    for (size_t i = 0; i < files.size(); ++i) {
        PackDirEntry entry;
        if (!checkPackName(files[i].name, entry.name, error))
            return false;
        entry.offset = offset;
        entry.size = uint32_t(files[i].bytes.size());
        std::memcpy(image.data() + 4 + i * sizeof(PackDirEntry), &entry, sizeof entry);
        if (!files[i].bytes.empty())
            std::memcpy(image.data() + offset, files[i].bytes.data(), files[i].bytes.size());
        offset += entry.size;
    }
    return true;
}

bool installPackImage(const std::vector<PackInput>& files, std::string& error)
{
    std::vector<uint8_t> image;
    if (!buildPackImage(files, image, error))
        return false;
    resetArchive();
    // Room past the image for the decoder's overshoot, as openArchive allocates it.
    uint8_t* buffer = static_cast<uint8_t*>(std::calloc(image.size() + packImageSpare, 1));
    if (!buffer) {
        error = "not enough memory for the archive image";
        return false;
    }
    std::memcpy(buffer, image.data(), image.size());
    archiveState.archive = PackArchive{buffer, uint32_t(image.size()), int32_t(files.size())};
    return true;
}

bool buildArchive(const std::vector<PackInput>& files, std::vector<uint8_t>& archiveOut,
                  std::string& error)
{
    std::vector<uint8_t> image;
    if (!buildPackImage(files, image, error))
        return false;
    const uint32_t imageSize = uint32_t(image.size());

    std::vector<uint8_t> stream = compressStream(image.data(), image.size());
    archiveOut.assign(packMagic, packMagic + packMagicLength);
    uint32_t unpackedSize = uint32_t(imageSize);
    uint8_t sizeBytes[4];
    std::memcpy(sizeBytes, &unpackedSize, 4);
    archiveOut.insert(archiveOut.end(), sizeBytes, sizeBytes + 4);
    archiveOut.insert(archiveOut.end(), stream.begin(), stream.end());
    return true;
}
