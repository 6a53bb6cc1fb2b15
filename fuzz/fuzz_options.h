// Default libFuzzer options of a target, set from its LLVMFuzzerInitialize: libFuzzer's own
// -max_len is 4096 bytes, too small for most of our formats (a nested mesh, a round trip reaching
// the far end of the 4096-byte window). An option given on the command line wins.
#pragma once

#include <cstring>
#include <vector>

inline void addDefaultOption(int* argc, char*** argv, const char* option)
{
    const char* end = std::strchr(option, '=');
    const size_t nameLength = end ? size_t(end - option) + 1 : std::strlen(option);
    for (int i = 1; i < *argc; ++i)
        if (std::strncmp((*argv)[i], option, nameLength) == 0)
            return;
    // libFuzzer keeps the array for the whole run.
    static std::vector<char*> args;
    args.assign(*argv, *argv + *argc);
    args.push_back(const_cast<char*>(option));
    args.push_back(nullptr);
    ++*argc;
    *argv = args.data();
}
