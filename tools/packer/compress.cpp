// The compressor: parses the input into literals and matches, then writes the three canonical
// codes and the symbols in the engine's stream layout.
#include "packer/packer.h"
#include "packer/parse.h"

#include "archive/archive.h"

#include <array>

namespace {

struct BitWriter {
    std::vector<uint8_t>& out;
    uint64_t pending = 0;  // the low `count` bits are not yet written
    int count = 0;

    // Appends the low k bits of value, most significant first.
    void put(uint32_t value, int k)
    {
        pending = (pending << k) | value;
        count += k;
        while (count >= 8) {
            count -= 8;
            out.push_back(uint8_t(pending >> count));
        }
    }
    void flush()
    {
        if (count > 0)
            out.push_back(uint8_t(pending << (8 - count)));
        count = 0;
    }
};

// Canonical codes (first bit most significant) for the given lengths.
template <size_t N>
std::array<uint16_t, N> canonicalCodes(const uint8_t* lengths)
{
    std::array<uint16_t, N> codes{};
    int perLength[packMaxCodeLength + 1] = {};
    for (size_t s = 0; s < N; ++s)
        ++perLength[lengths[s]];
    perLength[0] = 0;
    uint32_t next[packMaxCodeLength + 2] = {};
    uint32_t code = 0;
    for (int l = 1; l <= packMaxCodeLength; ++l) {
        code = (code + perLength[l - 1]) << 1;
        next[l] = code;
    }
    for (size_t s = 0; s < N; ++s)
        if (lengths[s] != 0)
            codes[s] = uint16_t(next[lengths[s]]++);
    return codes;
}

}  // namespace

int packDistanceCode(int distance)
{
    int d = 23;
    while (packDistanceBase[d] > distance)
        --d;
    return d;
}

int packLengthCode(int length)
{
    int t = 21;
    while (packLengthBase[t] > length)
        --t;
    return t;
}

PackCodes packCodesOf(const std::vector<PackToken>& tokens, uint32_t extraCount)
{
    PackCodes codes;
    for (uint32_t& f : codes.literalFrequencies)
        f = extraCount;
    for (uint32_t& f : codes.lengthFrequencies)
        f = extraCount;
    for (const PackToken& token : tokens) {
        if (token.length == 0) {
            ++codes.literalFrequencies[token.value];
        } else {
            ++codes.literalFrequencies[256 + packDistanceCode(token.value)];
            ++codes.lengthFrequencies[packLengthCode(token.length)];
        }
    }
    buildCodeLengths(codes.literalFrequencies, packLiteralSymbols, packMaxCodeLength,
                     codes.literalLengths);
    buildCodeLengths(codes.lengthFrequencies, packLengthSymbols, packMaxCodeLength,
                     codes.lengthLengths);
    return codes;
}

std::vector<uint8_t> encodePackTokens(const std::vector<PackToken>& tokens)
{
    const PackCodes codes = packCodesOf(tokens);
    const uint8_t* literalLengths = codes.literalLengths;
    const uint8_t* lengthLengths = codes.lengthLengths;
    uint32_t codeLengthFrequencies[packCodeLengthSymbols] = {};
    for (int s = 0; s < packLiteralSymbols; ++s)
        ++codeLengthFrequencies[literalLengths[s]];
    uint8_t codeLengthLengths[packCodeLengthSymbols];
    buildCodeLengths(codeLengthFrequencies, packCodeLengthSymbols, packMaxCodeLength,
                     codeLengthLengths);

    std::vector<uint8_t> out;
    out.reserve(tokens.size() + 64);
    for (int i = 0; i < packCodeLengthSymbols; i += 2)
        out.push_back(uint8_t(codeLengthLengths[i] | codeLengthLengths[i + 1] << 4));
    for (int i = 0; i < packLengthSymbols; i += 2)
        out.push_back(uint8_t(lengthLengths[i] | lengthLengths[i + 1] << 4));

    auto codeLengthCodes = canonicalCodes<packCodeLengthSymbols>(codeLengthLengths);
    auto literalCodes = canonicalCodes<packLiteralSymbols>(literalLengths);
    auto lengthCodes = canonicalCodes<packLengthSymbols>(lengthLengths);
    BitWriter w{out};
    for (int s = 0; s < packLiteralSymbols; ++s)
        w.put(codeLengthCodes[literalLengths[s]], codeLengthLengths[literalLengths[s]]);
    for (const PackToken& token : tokens) {
        if (token.length == 0) {
            w.put(literalCodes[token.value], literalLengths[token.value]);
            continue;
        }
        int d = packDistanceCode(token.value);
        w.put(literalCodes[256 + d], literalLengths[256 + d]);
        if (packDistanceExtra[d])
            w.put(token.value - packDistanceBase[d], packDistanceExtra[d]);
        int t = packLengthCode(token.length);
        w.put(lengthCodes[t], lengthLengths[t]);
        if (packLengthExtra[t])
            w.put(token.length - packLengthBase[t], packLengthExtra[t]);
    }
    w.flush();
    return out;
}

std::vector<uint8_t> compressStreamWith(const uint8_t* data, size_t size, PackParse parse)
{
    std::vector<PackToken> tokens =
        parse == PackParse::lazy ? parseLazy(data, size) : parseOptimal(data, size);
    return encodePackTokens(tokens);
}

std::vector<uint8_t> compressStream(const uint8_t* data, size_t size)
{
    return compressStreamWith(data, size, PackParse::optimal);
}
