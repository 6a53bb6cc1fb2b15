// Compressor and decompressor together: whatever compressStream writes, both decoders read back.
#include "archive/archive.h"
#include "packer/packer.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace {

std::vector<uint8_t> decodeWith(bool reference, const std::vector<uint8_t>& stream, size_t size)
{
    std::vector<uint8_t> out(size + packImageSpare, 0xEE);
    PackDecodeResult r = reference ? decodePackReference(out.data(), out.size(), stream.data(),
                                                         stream.size(), uint32_t(size))
                                   : decodePack(out.data(), out.size(), stream.data(),
                                                stream.size(), uint32_t(size));
    EXPECT_EQ(r, PackDecodeResult::ok) << packDecodeMessage(r);
    out.resize(size);
    return out;
}

void expectRoundTrip(const std::vector<uint8_t>& data, const char* what)
{
    for (PackParse parse : {PackParse::lazy, PackParse::optimal}) {
        std::vector<uint8_t> stream = compressStreamWith(data.data(), data.size(), parse);
        EXPECT_EQ(decodeWith(false, stream, data.size()), data) << what << " (fast decoder)";
        EXPECT_EQ(decodeWith(true, stream, data.size()), data) << what << " (reference decoder)";
    }
}

std::vector<uint8_t> randomBytes(size_t n, uint32_t seed, int range = 256)
{
    std::mt19937 rng(seed);
    std::vector<uint8_t> v(n);
    for (auto& b : v)
        b = uint8_t(rng() % unsigned(range));
    return v;
}

std::vector<uint8_t> sampleText(size_t n)
{
    static const char* words[] = {"the ",      "demo ",  "engine ",  "packs ", "every ",
                                  "picture ",  "and ",   "mesh ",    "into ",  "one ",
                                  "archive, ", "which ", "unpacks ", "once.\n"};
    std::mt19937 rng(7);
    std::string s;
    while (s.size() < n)
        s += words[rng() % 14];
    s.resize(n);
    return std::vector<uint8_t>(s.begin(), s.end());
}

}  // namespace

TEST(ArchiveRoundTrip, SmallAndDegenerateInputs)
{
    expectRoundTrip({}, "empty");
    expectRoundTrip({0x41}, "one byte");
    expectRoundTrip({1, 2}, "two bytes");
    std::vector<uint8_t> all(256);
    for (int i = 0; i < 256; ++i)
        all[size_t(i)] = uint8_t(i);
    expectRoundTrip(all, "all literals, each once");
    expectRoundTrip(std::vector<uint8_t>(100000, 0), "long run of zeros");
    expectRoundTrip(std::vector<uint8_t>(83 * 5 + 1, 'x'), "run of whole longest matches");
}

TEST(ArchiveRoundTrip, RealisticInputs)
{
    expectRoundTrip(randomBytes(50000, 1), "random bytes");
    expectRoundTrip(randomBytes(50000, 2, 4), "four-letter alphabet");
    expectRoundTrip(sampleText(200000), "text");
    // A block repeated just inside and just outside the window.
    std::vector<uint8_t> block = randomBytes(4000, 3);
    std::vector<uint8_t> data = block;
    data.insert(data.end(), block.begin(), block.end());
    std::vector<uint8_t> gap = randomBytes(97, 4);
    data.insert(data.end(), gap.begin(), gap.end());
    data.insert(data.end(), block.begin(), block.end());
    expectRoundTrip(data, "repeats across the 4096-byte window");
}
