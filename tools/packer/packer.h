// The archive packer: builds archive files the engine's openArchive loads, and the compressed
// stream its decompressor reads (LZ77 over a 4096-byte window, canonical Huffman codes).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct PackInput {
    std::string name;            // 8.3 file name; stored lower-cased
    std::vector<uint8_t> bytes;  // the file's contents
};

// Builds a whole archive file: magic, unpacked size, compressed stream. The image holds the entry
// count, the directory in the given order, then the contents. Duplicate names are kept (the
// earlier entry is the one found). False with a message in error when a name does not fit 8.3 or
// the image would exceed the format's 32-bit sizes.
bool buildArchive(const std::vector<PackInput>& files, std::vector<uint8_t>& archiveOut,
                  std::string& error);

// The unpacked image alone: entry count, directory in the given order, contents. False with a
// message in error on the same conditions as buildArchive.
bool buildPackImage(const std::vector<PackInput>& files, std::vector<uint8_t>& image,
                    std::string& error);

// Builds the image and installs it as the loaded archive, as openArchive would after unpacking
// (resetting what was loaded before), so tests, benchmarks and fuzzers skip the compression.
bool installPackImage(const std::vector<PackInput>& files, std::string& error);

// The compressed stream only (code-length header and bit stream) for the given bytes.
std::vector<uint8_t> compressStream(const uint8_t* data, size_t size);

// True when name fits the archive's 8.3 names: a base of 1 to 8 characters, optionally a dot and
// 1 to 3 extension characters, no second dot, printable ASCII without spaces or slashes. On
// success packedName receives the 12 stored bytes (lower-cased); on failure error says why.
bool checkPackName(const std::string& name, char packedName[12], std::string& error);

// How the compressor parses its input into literals and matches.
enum class PackParse {
    lazy,     // greedy with one step of lookahead, hash chains
    optimal,  // shortest path over the code lengths of a first parse, repeated
};

// compressStream with a chosen parse (compressStream uses the best one).
std::vector<uint8_t> compressStreamWith(const uint8_t* data, size_t size, PackParse parse);

// Code lengths (at most maxLength bits) of a complete prefix code for the frequencies; symbols
// with zero frequency get 0. Fewer than two used symbols are topped up to two, so the code is
// always complete and decodable.
void buildCodeLengths(const uint32_t* frequencies, int symbolCount, int maxLength,
                      uint8_t* lengths);
