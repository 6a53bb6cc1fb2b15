// Writes compressed streams by hand, symbol by symbol, with code lengths chosen by the test, so
// tests can reach exact codes (longest distance, longest lengths) and broken trees.
#pragma once

#include "archive/archive.h"

#include <cstdint>
#include <vector>

struct StreamBuilder {
    uint8_t codeLengthLengths[packCodeLengthSymbols] = {};
    uint8_t literalLengths[packLiteralSymbols] = {};
    uint8_t lengthLengths[packLengthSymbols] = {};
    std::vector<uint8_t> bytes;
    uint64_t pending = 0;
    int pendingBits = 0;
    bool started = false;

    // Canonical code of symbol s (RFC 1951 3.2.2) for the lengths of one tree.
    static uint32_t codeOf(const uint8_t* lengths, int n, int s)
    {
        uint32_t code = 0;
        for (int l = 1; l <= lengths[s]; ++l) {
            for (int t = 0; t < n; ++t)
                if (lengths[t] == l && (l < lengths[s] || t < s))
                    ++code;
            if (l < lengths[s])
                code <<= 1;
        }
        return code;
    }

    void putBits(uint32_t value, int k)
    {
        for (int i = k - 1; i >= 0; --i) {
            pending = pending << 1 | ((value >> i) & 1);
            if (++pendingBits == 8) {
                bytes.push_back(uint8_t(pending));
                pending = 0;
                pendingBits = 0;
            }
        }
    }

    // Writes the 19 header bytes and the 280 literal/distance code lengths (call once, first).
    void start()
    {
        for (int i = 0; i < packCodeLengthSymbols; i += 2)
            bytes.push_back(uint8_t(codeLengthLengths[i] | codeLengthLengths[i + 1] << 4));
        for (int i = 0; i < packLengthSymbols; i += 2)
            bytes.push_back(uint8_t(lengthLengths[i] | lengthLengths[i + 1] << 4));
        for (int s = 0; s < packLiteralSymbols; ++s) {
            int l = literalLengths[s];
            putBits(codeOf(codeLengthLengths, packCodeLengthSymbols, l), codeLengthLengths[l]);
        }
        started = true;
    }

    void literal(int byte)
    {
        putBits(codeOf(literalLengths, packLiteralSymbols, byte), literalLengths[byte]);
    }

    // A match given by its codes and extra-bit values.
    void match(int distanceCode, uint32_t distanceExtra, int lengthCode, uint32_t lengthExtra)
    {
        putBits(codeOf(literalLengths, packLiteralSymbols, 256 + distanceCode),
                literalLengths[256 + distanceCode]);
        putBits(distanceExtra, packDistanceExtra[distanceCode]);
        putBits(codeOf(lengthLengths, packLengthSymbols, lengthCode), lengthLengths[lengthCode]);
        putBits(lengthExtra, packLengthExtra[lengthCode]);
    }

    // The stream, padded with zero bits to a whole byte.
    std::vector<uint8_t> finish()
    {
        std::vector<uint8_t> out = bytes;
        if (pendingBits > 0)
            out.push_back(uint8_t(pending << (8 - pendingBits)));
        return out;
    }
};
