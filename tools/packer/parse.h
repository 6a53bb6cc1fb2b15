// Inside the packer: the parse into tokens and the symbol mapping shared by the parsers and the
// encoder.
#pragma once

#include "packer/packer.h"

#include "archive/archive.h"

// One literal (length 0, value the byte) or one match (length 3..83, value the distance 1..4096).
struct PackToken {
    uint16_t value;
    uint8_t length;
};

// Distance code d (0..23) of a distance, and length code t (0..21) of a length.
int packDistanceCode(int distance);
int packLengthCode(int length);

std::vector<PackToken> parseLazy(const uint8_t* data, size_t size);
std::vector<PackToken> parseOptimal(const uint8_t* data, size_t size);

// The symbol counts of a parse, literal/distance alphabet (280) and length alphabet (22), each
// raised by extraCount (1 gives the symbols the parse does not use a length too), and the code
// lengths built from them.
struct PackCodes {
    uint32_t literalFrequencies[packLiteralSymbols];
    uint32_t lengthFrequencies[packLengthSymbols];
    uint8_t literalLengths[packLiteralSymbols];
    uint8_t lengthLengths[packLengthSymbols];
};
PackCodes packCodesOf(const std::vector<PackToken>& tokens, uint32_t extraCount = 0);

// The stream for a parse: header nibbles, code lengths, symbols.
std::vector<uint8_t> encodePackTokens(const std::vector<PackToken>& tokens);
