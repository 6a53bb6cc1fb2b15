// Arbitrary bytes through the compressor and back through both decoders: always the same bytes.
#include "archive/archive.h"
#include "packer/packer.h"

#include <cstdlib>
#include <cstring>
#include <vector>

#include "fuzz_options.h"

// Inputs up to 128 KB: long enough for matches at the far end of the window and for literal
// codes longer than 11 bits.
extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    addDefaultOption(argc, argv, "-max_len=131072");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // The first byte picks the parse, the rest is the input.
    if (size == 0)
        return 0;
    PackParse parse = data[0] & 1 ? PackParse::lazy : PackParse::optimal;
    ++data;
    --size;
    std::vector<uint8_t> stream = compressStreamWith(data, size, parse);
    std::vector<uint8_t> fast(size + packImageSpare), reference(size + packImageSpare);
    if (decodePack(fast.data(), fast.size(), stream.data(), stream.size(), uint32_t(size)) !=
        PackDecodeResult::ok)
        std::abort();
    if (decodePackReference(reference.data(), reference.size(), stream.data(), stream.size(),
                            uint32_t(size)) != PackDecodeResult::ok)
        std::abort();
    if (size > 0 && (std::memcmp(fast.data(), data, size) != 0 ||
                     std::memcmp(reference.data(), data, size) != 0))
        std::abort();
    return 0;
}
