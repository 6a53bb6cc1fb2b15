// The decompressor written straight from the format: a 32-bit bit buffer refilled with 16-bit
// big-endian units, and canonical codes found by a linear search over the code lengths. Slow and
// plain; decodePack must produce exactly what this produces.
#include "archive/archive.h"

namespace {

struct ReferenceTree {
    uint16_t sorted[packLiteralSymbols];    // symbols ordered by code length, then by symbol
    uint32_t first[packMaxCodeLength + 1];  // first code of each length, left-aligned
    uint16_t start[packMaxCodeLength + 1];  // index in sorted of the first symbol of each length
    uint32_t limit[packMaxCodeLength + 1];  // last code of each length, left-aligned (0: none)
    int symbolCount;
};

struct ReferenceReader {
    const uint8_t* source;
    size_t sourceSize;
    size_t next;    // index of the next byte to fetch (may run past sourceSize; those read as 0)
    uint32_t bits;  // valid bits at the top
    int count;      // valid bits
};

// False when the lengths do not form a complete code.
bool buildReferenceTree(ReferenceTree& tree, const uint8_t* lengths, int n)
{
    // Summed in 64 bits: a code over-full by a whole multiple of 2^32 must not pass as complete.
    uint64_t acc = 0;
    int k = 0;
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
    }
    tree.symbolCount = k;
    return acc == (uint64_t(1) << 32) || k == 0;
}

uint8_t fetchByte(ReferenceReader& r)
{
    uint8_t b = r.next < r.sourceSize ? r.source[r.next] : 0;
    ++r.next;
    return b;
}

void refill(ReferenceReader& r)
{
    if (r.count < 16) {
        uint32_t b0 = fetchByte(r);
        uint32_t b1 = fetchByte(r);
        r.bits |= ((b0 << 8) | b1) << (16 - r.count);
        r.count += 16;
    }
}

int decodeSymbol(ReferenceReader& r, const ReferenceTree& tree)
{
    refill(r);
    uint32_t v = r.bits;
    int l = 1;
    while (tree.limit[l] == 0)
        ++l;
    while (v > tree.limit[l])
        ++l;
    int symbol = tree.sorted[tree.start[l] + ((v - tree.first[l]) >> (32 - l))];
    r.bits <<= l;
    r.count -= l;
    return symbol;
}

uint32_t readExtra(ReferenceReader& r, int k)
{
    if (k == 0)
        return 0;
    refill(r);
    uint32_t value = r.bits >> (32 - k);
    r.bits <<= k;
    r.count -= k;
    return value;
}

}  // namespace

PackDecodeResult decodePackReference(uint8_t* dest, size_t destCapacity, const uint8_t* source,
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

    ReferenceReader r{source, sourceSize, packTreeHeaderSize, 0, 0};
    ReferenceTree codeLengthTree, literalTree, lengthTree;
    if (!buildReferenceTree(codeLengthTree, codeLengthLengths, packCodeLengthSymbols))
        return PackDecodeResult::codeLengthTreeIncomplete;
    if (codeLengthTree.symbolCount == 0)
        return PackDecodeResult::codeLengthTreeEmpty;
    uint8_t literalLengths[packLiteralSymbols];
    for (int i = 0; i < packLiteralSymbols; ++i)
        literalLengths[i] = uint8_t(decodeSymbol(r, codeLengthTree));
    if (r.next * 8 - size_t(r.count) > sourceSize * 8)
        return PackDecodeResult::streamTooShort;
    if (!buildReferenceTree(literalTree, literalLengths, packLiteralSymbols))
        return PackDecodeResult::literalTreeIncomplete;
    if (!buildReferenceTree(lengthTree, lengthLengths, packLengthSymbols))
        return PackDecodeResult::lengthTreeIncomplete;

    uint8_t* out = dest;
    uint8_t* end = dest + unpackedSize;
    uint8_t* capacityEnd = dest + destCapacity;
    while (out < end) {
        if (literalTree.symbolCount == 0)
            return PackDecodeResult::literalTreeEmpty;
        int s = decodeSymbol(r, literalTree);
        if (s < 256) {
            *out++ = uint8_t(s);
            continue;
        }
        int d = s - 256;
        uint32_t distance = packDistanceBase[d] + readExtra(r, packDistanceExtra[d]);
        if (lengthTree.symbolCount == 0)
            return PackDecodeResult::lengthTreeEmpty;
        int t = decodeSymbol(r, lengthTree);
        uint32_t length = packLengthBase[t] + readExtra(r, packLengthExtra[t]);
        if (distance > size_t(out - dest))
            return PackDecodeResult::distanceTooFar;
        if (length > size_t(capacityEnd - out))
            return PackDecodeResult::matchTooLong;
        const uint8_t* from = out - distance;
        for (uint32_t i = 0; i < length; ++i)
            *out++ = *from++;
    }
    // Bits taken beyond the stream's last byte were padding: the stream was cut short.
    if (r.next * 8 - size_t(r.count) > sourceSize * 8)
        return PackDecodeResult::streamTooShort;
    return PackDecodeResult::ok;
}
