// Fuzzes the packer's 8.3 name checks: the input is a list of names, one a line. Every name the
// check accepts must fit the rules on its own terms, pack to the 12 bytes the archive stores, and
// open, in any letter case, from an archive built of the accepted names; every name it refuses
// must break a rule and be named in the reason.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "archive/archive.h"
#include "packer/packer.h"

#include "fuzz_options.h"

namespace {

// The rules, written out apart from the packer's own check.
bool fitsEightThree(const std::string& name)
{
    for (char c : name) {
        const unsigned char u = static_cast<unsigned char>(c);
        if (u <= 0x20 || u >= 0x7F || c == '/' || c == '\\')
            return false;
    }
    const size_t dot = name.find('.');
    if (dot == std::string::npos)
        return name.size() >= 1 && name.size() <= 8;
    const std::string extension = name.substr(dot + 1);
    return dot >= 1 && dot <= 8 && !extension.empty() && extension.size() <= 3 &&
           extension.find('.') == std::string::npos;
}

std::string upperCase(std::string s)
{
    for (char& c : s)
        if (c >= 'a' && c <= 'z')
            c = char(c - 'a' + 'A');
    return s;
}

}  // namespace

// Names are short: a few hundred bytes make a list of many.
extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    addDefaultOption(argc, argv, "-max_len=512");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::vector<std::string> names(1);
    for (size_t i = 0; i < size && names.size() <= 16; ++i) {
        if (data[i] == '\n')
            names.emplace_back();
        else
            names.back() += char(data[i]);
    }
    std::vector<PackInput> files;
    std::vector<std::string> packedNames;
    for (const std::string& name : names) {
        char packed[12];
        std::string error;
        const bool accepted = checkPackName(name, packed, error);
        if (accepted != fitsEightThree(name))
            std::abort();
        if (!accepted) {
            if (error.compare(0, name.size() + 2, "'" + name + "'") != 0)
                std::abort();
            continue;
        }
        char expected[13];
        makePackName(expected, name.c_str());
        if (std::memcmp(packed, expected, 12) != 0)
            std::abort();
        for (char c : packed)
            if (c >= 'A' && c <= 'Z')
                std::abort();
        files.push_back({name, {uint8_t(files.size())}});
        packedNames.emplace_back(packed, 12);
    }
    if (files.empty())
        return 0;
    std::string error;
    if (!installPackImage(files, error))
        std::abort();
    for (size_t i = 0; i < files.size(); ++i) {
        // The first file that packs to the same name is the one found.
        size_t first = 0;
        while (packedNames[first] != packedNames[i])
            ++first;
        for (const std::string& spelling : {files[i].name, upperCase(files[i].name)}) {
            PackFile* file = packOpen(spelling.c_str());
            uint8_t byte = 0xFF;
            if (!file || packRead(&byte, 1, 1, file) != 1 || byte != first)
                std::abort();
            packClose(file);
        }
    }
    resetArchive();
    return 0;
}
