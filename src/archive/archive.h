// Data archive: the packed archive file, its decompressor, and files opened by name inside the
// unpacked image kept in memory.
#pragma once

#include <cstddef>
#include <cstdint>

// The 17 characters at the start of every archive file (no terminator in the file).
constexpr char packMagic[] = "[Packed by -ZEM-]";
constexpr size_t packMagicLength = 17;
// Magic plus the 4-byte unpacked size; the compressed stream follows.
constexpr size_t packHeaderSize = 21;
// Room past the unpacked image for the overshoot of the decompressor's last match (at most 82).
constexpr size_t packImageSpare = 2048;
// The open-file stack has the original's 20 slots; the show nests at most two opens (a mesh and
// one of its pictures).
constexpr int packFileSlots = 20;
// Code-length bytes at the start of the compressed stream: 16 nibbles, then 22 nibbles.
constexpr size_t packTreeHeaderSize = 19;

// Alphabet sizes and limits of the compressed format.
constexpr int packCodeLengthSymbols = 16;  // code lengths 0..15
constexpr int packLiteralSymbols = 280;    // 256 literal bytes + 24 distance codes
constexpr int packLengthSymbols = 22;      // lengths 3..83
constexpr int packMaxCodeLength = 15;
constexpr int packWindowSize = 4096;  // largest match distance
constexpr int packMinMatch = 3;
constexpr int packMaxMatch = 83;

// Base value and extra-bit count of each distance code (index d of symbol 256 + d).
constexpr uint16_t packDistanceBase[24] = {1,   2,   3,   4,   5,    7,    9,    13,
                                           17,  25,  33,  49,  65,   97,   129,  193,
                                           257, 385, 513, 769, 1025, 1537, 2049, 3073};
constexpr uint8_t packDistanceExtra[24] = {0, 0, 0, 0, 1, 1, 2, 2, 3, 3, 4,  4,
                                           5, 5, 6, 6, 7, 7, 8, 8, 9, 9, 10, 10};
// Base value and extra-bit count of each length code; the last code is the single length 83.
constexpr uint8_t packLengthBase[22] = {3,  4,  5,  6,  7,  8,  9,  10, 11, 13, 15,
                                        17, 19, 23, 27, 31, 35, 43, 51, 59, 67, 83};
constexpr uint8_t packLengthExtra[22] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1,
                                         1, 2, 2, 2, 2, 3, 3, 3, 3, 4, 0};

// One directory entry of the unpacked image, as stored.
struct PackDirEntry {
    char name[12];    // packed 8.3 name (see makePackName), no terminator
    uint32_t offset;  // first byte of the file, from the start of the image
    uint32_t size;    // file size in bytes
};
static_assert(sizeof(PackDirEntry) == 20);
static_assert(offsetof(PackDirEntry, offset) == 12 && offsetof(PackDirEntry, size) == 16);

// The unpacked archive: entry count (4 bytes), the directory, then the file contents.
struct PackArchive {
    uint8_t* image;      // imageSize + packImageSpare bytes, or null before a successful load
    uint32_t imageSize;  // U, the unpacked size
    int32_t entryCount;  // N, from the first 4 bytes of the image
};

// An open file inside the image. The caller's handle points at its slot.
struct PackFile {
    const uint8_t* cursor;  // next byte to read
    int32_t position;       // bytes from the start of the file; moves with cursor
    int32_t size;           // the entry's size
};

// The archive subsystem's state: the loaded image and the stack of open-file slots.
struct ArchiveState {
    PackArchive archive;
    PackFile files[packFileSlots];
    int openFileIndex;  // slot of the most recent open, -1 when none is open
};
extern ArchiveState archiveState;

// Frees the image and empties the open-file stack (for tests and repeated loads).
void resetArchive();

// Loads the archive file whole and unpacks it. 1 on success; 0 after the failure has been shown
// with showMessage. A corrupt compressed stream prints the decoder's line (packDecodeMessage) on
// standard output and ends the process with exit code 5.
int openArchive(const char* fileName);

// Writes the 12-byte packed form of name plus a terminating zero into out (13 bytes): base in
// positions 0-7, dot and extension in 8-11, A-Z lowered, the rest spaces.
void makePackName(char* out, const char* name);

// Opens the first directory entry with that name; null when there is none, when no archive is
// loaded, or when all slots are taken (the last is reported with showMessage).
PackFile* packOpen(const char* name);

// Copies up to size*count bytes, stopping at the end of the file; returns the bytes copied.
int packRead(void* buffer, int size, int count, PackFile* file);

// Moves the position (mode 0: offset, 1: position + offset, 2: size - offset - 1, other:
// unchanged), kept within 0..size. Always 0.
int packSeek(PackFile* file, int offset, int mode);

// The position.
int packTell(PackFile* file);

// Releases the most recently opened slot (the handle is not consulted). Always 0.
int packClose(PackFile* file);

// Outcome of decoding a compressed stream.
enum class PackDecodeResult {
    ok,
    codeLengthTreeIncomplete,
    literalTreeIncomplete,
    lengthTreeIncomplete,
    codeLengthTreeEmpty,
    literalTreeEmpty,
    lengthTreeEmpty,
    distanceTooFar,  // a match reaches before the start of the output
    matchTooLong,    // a match (or the output itself) runs past the end of the output buffer
    streamTooShort,  // the stream ends before the output is full
};

// The line printed for a decode failure (without line break).
const char* packDecodeMessage(PackDecodeResult result);

// Decodes a compressed stream of sourceSize bytes into unpackedSize bytes at dest. dest holds
// destCapacity bytes (at least unpackedSize); the last match may write past unpackedSize but never
// past destCapacity. Never reads outside the source or exits: faults come back as the result.
// Table-driven; produces exactly what decodePackReference produces.
PackDecodeResult decodePack(uint8_t* dest, size_t destCapacity, const uint8_t* source,
                            size_t sourceSize, uint32_t unpackedSize);

// The same decoder written bit by bit with the canonical code search (the reference for tests).
PackDecodeResult decodePackReference(uint8_t* dest, size_t destCapacity, const uint8_t* source,
                                     size_t sourceSize, uint32_t unpackedSize);

// Outcome of loading an archive file held in memory.
enum class PackLoadStatus {
    ok,
    notPackFormat,    // shorter than the magic, or the magic differs
    headerTruncated,  // magic present, file ends inside the unpacked size
    sizeTooLarge,     // unpacked size impossible for the compressed length
    outOfMemory,
    streamCorrupt,     // see the PackDecodeResult
    directoryDamaged,  // entry count or an entry lies outside the image
};

// An unpacked image owned by the caller (free bytes with std::free).
struct PackImage {
    uint8_t* bytes;  // size + packImageSpare bytes
    uint32_t size;
    int32_t entryCount;
};

// Checks the header, decodes the stream into a new image and checks the directory. Never exits
// and never shows a message; on failure nothing is left allocated. decodeResult (may be null)
// receives the decoder's result.
PackLoadStatus loadPackImage(const uint8_t* file, size_t fileSize, PackImage* image,
                             PackDecodeResult* decodeResult);

// True when the entry count and every entry lie inside an image of imageSize bytes.
bool checkPackDirectory(const uint8_t* image, uint32_t imageSize);

// Directory entry i of an image (copied out: entries are not aligned).
PackDirEntry packDirEntry(const uint8_t* image, int index);
