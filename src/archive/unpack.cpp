// The decompressor used at run time: a 64-bit bit buffer refilled several bytes at a time and
// lookup tables for the short codes, falling back to the canonical search for long ones. Output
// equals decodePackReference's for every input.
#include "archive/archive.h"

#include <cstring>

namespace {

// Codes up to this many bits are decoded with one table look-up.
constexpr int literalTableBits = 11;
constexpr int lengthTableBits = 10;

struct FastTree {
    // Entry: symbol << 4 | code length; 0 when the code is longer than the table's bits.
    uint16_t table[1 << literalTableBits];
    uint16_t sorted[packLiteralSymbols];
    uint32_t first[packMaxCodeLength + 2];
    uint16_t start[packMaxCodeLength + 2];
    uint32_t limit[packMaxCodeLength + 2];
    int minLength;  // shortest code length in use
    int symbolCount;
};

// Builds the canonical code; false when the lengths do not form a complete code.
bool buildFastTree(FastTree& tree, const uint8_t* lengths, int n, int tableBits)
{
    // Summed in 64 bits: a code over-full by a whole multiple of 2^32 must not pass as complete.
    uint64_t acc = 0;
    int k = 0;
    tree.minLength = packMaxCodeLength + 1;
    for (int l = 1; l <= packMaxCodeLength; ++l) {
        tree.start[l] = uint16_t(k);
        tree.first[l] = uint32_t(acc);
        bool any = false;
        for (int s = 0; s < n; ++s) {
            if (lengths[s] == l) {
                tree.sorted[k++] = uint16_t(s);
                acc += uint64_t(1) << (32 - l);
                any = true;
            }
        }
        tree.limit[l] = any ? uint32_t(acc - 1) : 0;
        if (any && l < tree.minLength)
            tree.minLength = l;
    }
    tree.symbolCount = k;
    if (acc != (uint64_t(1) << 32) || k == 0)
        return k == 0;
    std::memset(tree.table, 0, sizeof(uint16_t) << tableBits);
    for (int l = 1; l <= tableBits && l <= packMaxCodeLength; ++l) {
        int count = (l < packMaxCodeLength ? tree.start[l + 1] : k) - tree.start[l];
        uint32_t code = tree.first[l] >> (32 - l);
        for (int i = 0; i < count; ++i, ++code) {
            uint16_t entry = uint16_t(tree.sorted[tree.start[l] + i] << 4 | l);
            uint32_t from = code << (tableBits - l);
            uint32_t span = uint32_t(1) << (tableBits - l);
            for (uint32_t j = 0; j < span; ++j)
                tree.table[from + j] = entry;
        }
    }
    return true;
}

struct FastReader {
    const uint8_t* source;
    size_t size;
    size_t next;    // next byte to fetch; may pass size (such bytes read as 0)
    uint64_t bits;  // valid bits at the top; below them the following stream bytes or zeros
    unsigned count;
};

inline void refill(FastReader& r)
{
    if (r.next + 8 <= r.size) {
        uint64_t v;
        std::memcpy(&v, r.source + r.next, 8);
        v = __builtin_bswap64(v);
        r.bits |= v >> r.count;
        r.next += (63 - r.count) >> 3;
        r.count |= 56;
    } else {
        while (r.count <= 56) {
            uint64_t b = r.next < r.size ? r.source[r.next] : 0;
            r.bits |= b << (56 - r.count);
            ++r.next;
            r.count += 8;
        }
    }
}

// Reads k bits (0 to 32) as an unsigned number; the caller made sure they are present.
inline uint32_t takeBits(FastReader& r, unsigned k)
{
    uint32_t value = uint32_t((r.bits >> 32) >> (32 - k));
    r.bits <<= k;
    r.count -= k;
    return value;
}

// Decodes one symbol of a complete, non-empty tree; at least 15 bits are present.
inline int takeSymbol(FastReader& r, const FastTree& tree, int tableBits)
{
    uint16_t entry = tree.table[r.bits >> (64 - tableBits)];
    if (entry != 0) {
        unsigned l = entry & 15;
        r.bits <<= l;
        r.count -= l;
        return entry >> 4;
    }
    uint32_t v = uint32_t(r.bits >> 32);
    int l = tree.minLength > tableBits ? tree.minLength : tableBits + 1;
    while (l < packMaxCodeLength && v > tree.limit[l])
        ++l;
    int symbol = tree.sorted[tree.start[l] + ((v - tree.first[l]) >> (32 - l))];
    r.bits <<= l;
    r.count -= unsigned(l);
    return symbol;
}

}  // namespace

PackDecodeResult decodePack(uint8_t* dest, size_t destCapacity, const uint8_t* source,
                            size_t sourceSize, uint32_t unpackedSize)
{
    if (destCapacity < unpackedSize)
        return PackDecodeResult::matchTooLong;  // the output itself does not fit
    if (sourceSize < packTreeHeaderSize)
        return PackDecodeResult::streamTooShort;
    uint8_t codeLengthLengths[packCodeLengthSymbols];
    uint8_t lengthLengths[packLengthSymbols];
    for (int i = 0; i < packCodeLengthSymbols; ++i)
        codeLengthLengths[i] = (source[i / 2] >> (4 * (i & 1))) & 15;
    for (int i = 0; i < packLengthSymbols; ++i)
        lengthLengths[i] = (source[8 + i / 2] >> (4 * (i & 1))) & 15;

    FastReader r{source, sourceSize, packTreeHeaderSize, 0, 0};
    FastTree codeLengthTree{}, literalTree{}, lengthTree{};
    if (!buildFastTree(codeLengthTree, codeLengthLengths, packCodeLengthSymbols, lengthTableBits))
        return PackDecodeResult::codeLengthTreeIncomplete;
    if (codeLengthTree.symbolCount == 0)
        return PackDecodeResult::codeLengthTreeEmpty;
    uint8_t literalLengths[packLiteralSymbols];
    for (int i = 0; i < packLiteralSymbols; ++i) {
        if (r.count < 16)
            refill(r);
        literalLengths[i] = uint8_t(takeSymbol(r, codeLengthTree, lengthTableBits));
    }
    if (r.next * 8 - r.count > sourceSize * 8)
        return PackDecodeResult::streamTooShort;
    if (!buildFastTree(literalTree, literalLengths, packLiteralSymbols, literalTableBits))
        return PackDecodeResult::literalTreeIncomplete;
    if (!buildFastTree(lengthTree, lengthLengths, packLengthSymbols, lengthTableBits))
        return PackDecodeResult::lengthTreeIncomplete;

    uint8_t* out = dest;
    uint8_t* const end = dest + unpackedSize;
    uint8_t* const capacityEnd = dest + destCapacity;
    if (out < end && literalTree.symbolCount == 0)
        return PackDecodeResult::literalTreeEmpty;
    while (out < end) {
        // 44 bits cover a whole match: code 15, distance bits 10, length code 15, length bits 4.
        if (r.count < 44)
            refill(r);
        // Short literal codes straight from the table, two in a row when they come together
        // (after one literal at least 29 bits remain, enough for another code).
        uint16_t entry = literalTree.table[r.bits >> (64 - literalTableBits)];
        if (uint16_t(entry - 1) < uint16_t((256 << 4) - 1)) {
            r.bits <<= (entry & 15);
            r.count -= (entry & 15);
            *out++ = uint8_t(entry >> 4);
            entry = literalTree.table[r.bits >> (64 - literalTableBits)];
            if (uint16_t(entry - 1) < uint16_t((256 << 4) - 1) && out < end) {
                r.bits <<= (entry & 15);
                r.count -= (entry & 15);
                *out++ = uint8_t(entry >> 4);
            }
            continue;
        }
        int s = takeSymbol(r, literalTree, literalTableBits);
        if (s < 256) {
            *out++ = uint8_t(s);
            continue;
        }
        int d = s - 256;
        size_t distance = packDistanceBase[d] + takeBits(r, packDistanceExtra[d]);
        if (lengthTree.symbolCount == 0)
            return PackDecodeResult::lengthTreeEmpty;
        int t = takeSymbol(r, lengthTree, lengthTableBits);
        size_t length = packLengthBase[t] + takeBits(r, packLengthExtra[t]);
        if (distance > size_t(out - dest))
            return PackDecodeResult::distanceTooFar;
        size_t room = size_t(capacityEnd - out);
        if (length > room)
            return PackDecodeResult::matchTooLong;
        const uint8_t* from = out - distance;
        // Chunks no longer than the distance never overlap their own source, and later chunks
        // see what earlier ones wrote; the tail of the last chunk is overwritten later.
        if (distance >= 16 && length + 16 <= room) {
            for (size_t i = 0; i < length; i += 16)
                std::memcpy(out + i, from + i, 16);
        } else if (distance >= 8 && length + 8 <= room) {
            for (size_t i = 0; i < length; i += 8)
                std::memcpy(out + i, from + i, 8);
        } else if (distance == 1) {
            std::memset(out, *from, length);
        } else {
            for (size_t i = 0; i < length; ++i)
                out[i] = from[i];
        }
        out += length;
    }
    if (r.next * 8 - r.count > sourceSize * 8)
        return PackDecodeResult::streamTooShort;
    return PackDecodeResult::ok;
}

const char* packDecodeMessage(PackDecodeResult result)
{
    switch (result) {
    case PackDecodeResult::ok: return "Packed data is sound.";
    case PackDecodeResult::codeLengthTreeIncomplete: return "L/D-tree encoding tree is incomplete.";
    case PackDecodeResult::literalTreeIncomplete: return "Literal/distance tree is incomplete.";
    case PackDecodeResult::lengthTreeIncomplete: return "Length tree is incomplete.";
    case PackDecodeResult::codeLengthTreeEmpty: return "L/D-tree encoding tree is empty.";
    case PackDecodeResult::literalTreeEmpty: return "Literal/distance tree is empty.";
    case PackDecodeResult::lengthTreeEmpty: return "Length tree is empty.";
    case PackDecodeResult::distanceTooFar:
        return "Match distance reaches before the start of the data.";
    case PackDecodeResult::matchTooLong: return "Match runs past the end of the buffer.";
    case PackDecodeResult::streamTooShort: return "Packed data ends too early.";
    }
    return "Packed data is damaged.";
}
