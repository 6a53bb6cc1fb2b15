// Inside the packer: the parse into tokens and the symbol mapping shared by the parsers and the
// encoder.
#pragma once

#include "packer/packer.h"

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

// Symbol frequencies of a parse: literal/distance alphabet (280) and length alphabet (22).
void countPackSymbols(const std::vector<PackToken>& tokens, uint32_t* literalFrequencies,
                      uint32_t* lengthFrequencies);

// The stream for a parse: header nibbles, code lengths, symbols.
std::vector<uint8_t> encodePackTokens(const std::vector<PackToken>& tokens);
