// zempack: packs, lists, extracts and checks archive files. Each subcommand is one function in
// its own file, called by main with the arguments after the subcommand's name; a new subcommand
// is a declaration here, its own .cpp file and one line in main.
#pragma once

#include "archive/archive.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

// Exit codes of every subcommand.
constexpr int zempackOk = 0;
constexpr int zempackFailed = 1;  // a file could not be read or written, or an archive is damaged
constexpr int zempackUsage = 2;   // bad subcommand, option or argument count

int zempackPack(const std::vector<std::string>& args);
int zempackList(const std::vector<std::string>& args);
int zempackExtract(const std::vector<std::string>& args);
int zempackTest(const std::vector<std::string>& args);
int zempackInfo(const std::vector<std::string>& args);

// Prints the usage text.
void printZempackUsage(std::FILE* to);

// Prints "zempack: " and the formatted text and a line break on standard error.
void zempackError(const char* format, ...) __attribute__((format(printf, 1, 2)));

// True when args holds an option (a word starting with '-') other than the given ones; it is
// reported.
bool rejectUnknownOptions(const std::vector<std::string>& args,
                          const std::vector<std::string>& known);

bool readWholeFile(const std::string& path, std::vector<uint8_t>& bytes, std::string& error);
bool writeWholeFile(const std::string& path, const std::vector<uint8_t>& bytes, std::string& error);

// An archive file loaded and unpacked, with its directory checked.
struct LoadedArchive {
    std::vector<uint8_t> file;
    PackImage image{nullptr, 0, 0};
    ~LoadedArchive() { std::free(image.bytes); }
};

// Loads and unpacks an archive file; on failure reports why (naming the path) and returns false.
// Never ends the process.
bool loadArchiveFile(const std::string& path, LoadedArchive& archive);

// The display form of a packed name: trailing spaces of base and extension dropped
// ("t_zem   .jpg" -> "t_zem.jpg").
std::string unpackedName(const char packedName[12]);
