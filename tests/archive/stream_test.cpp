// Hand-written streams: exact codes, nibble order, broken trees and corrupt data, read by both
// decoders, and the process exit of openArchive on each kind of fault.
#include "archive/archive.h"
#include "packer/packer.h"
#include "stream_builder.h"
#include "support/child_process.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace {

struct Decoded {
    PackDecodeResult result;
    std::vector<uint8_t> bytes;  // the first unpackedSize bytes
};

// Decodes with both decoders, expects them to agree, returns the result.
Decoded decodeBoth(const std::vector<uint8_t>& stream, uint32_t unpackedSize, size_t capacity = 0)
{
    if (capacity == 0)
        capacity = size_t(unpackedSize) + packImageSpare;
    std::vector<uint8_t> fast(capacity, 0), reference(capacity, 0);
    PackDecodeResult f =
        decodePack(fast.data(), capacity, stream.data(), stream.size(), unpackedSize);
    PackDecodeResult r =
        decodePackReference(reference.data(), capacity, stream.data(), stream.size(), unpackedSize);
    EXPECT_EQ(f, r) << "fast: " << packDecodeMessage(f) << " reference: " << packDecodeMessage(r);
    fast.resize(unpackedSize);
    reference.resize(unpackedSize);
    if (f == PackDecodeResult::ok && r == PackDecodeResult::ok) {
        EXPECT_EQ(fast, reference);
    }
    return {f, fast};
}

// Literal/distance lengths where all 256 bytes have 9 bits, distance codes 0 and 23 have 2 bits;
// code-length tree: 0 -> 1 bit, 2 and 9 -> 2 bits; length tree: codes 20 and 21 with 1 bit.
StreamBuilder wideBuilder()
{
    StreamBuilder b;
    b.codeLengthLengths[0] = 1;
    b.codeLengthLengths[2] = 2;
    b.codeLengthLengths[9] = 2;
    for (int s = 0; s < 256; ++s)
        b.literalLengths[s] = 9;
    b.literalLengths[256] = 2;
    b.literalLengths[279] = 2;
    b.lengthLengths[20] = 1;
    b.lengthLengths[21] = 1;
    return b;
}

// Expects openArchive, given an archive file of this stream, to print exactly `line` and a line
// break and exit with code 5.
void expectUnpackExit(const std::vector<uint8_t>& stream, uint32_t unpackedSize,
                      const std::string& line)
{
    std::vector<uint8_t> file(packMagic, packMagic + packMagicLength);
    for (int i = 0; i < 4; ++i)
        file.push_back(uint8_t(unpackedSize >> (8 * i)));
    file.insert(file.end(), stream.begin(), stream.end());
    TempDir dir{"v4n-stream"};
    const std::string path = dir.file("v4npelva.zem");
    ASSERT_TRUE(writeFileBytes(path, file));
    ChildResult child = runInChild([&] { openArchive(path.c_str()); });
    EXPECT_EQ(child.exitCode, 5) << line;
    EXPECT_EQ(child.output, line + "\n");
}

}  // namespace

TEST(PackStream, NibbleOrderAndShortCopies)
{
    // Byte 0x21: symbol 0 has length 1 and symbol 1 length 2 (low nibble first).
    StreamBuilder b;
    b.codeLengthLengths[0] = 1;
    b.codeLengthLengths[1] = 2;
    b.codeLengthLengths[2] = 2;
    b.literalLengths['A'] = 1;
    b.literalLengths['B'] = 2;
    b.literalLengths[256] = 2;  // distance 1
    b.lengthLengths[7] = 1;     // length 10
    b.lengthLengths[0] = 1;     // length 3
    b.start();
    ASSERT_EQ(b.bytes[0], 0x21);
    b.literal('A');
    b.literal('B');
    b.match(0, 0, 7, 0);
    b.literal('A');
    b.match(0, 0, 0, 0);
    Decoded d = decodeBoth(b.finish(), 16);
    ASSERT_EQ(d.result, PackDecodeResult::ok);
    EXPECT_EQ(std::string(d.bytes.begin(), d.bytes.end()), "AB" + std::string(10, 'B') + "AAAA");
}

TEST(PackStream, LongestDistanceAndLengths)
{
    StreamBuilder b = wideBuilder();
    b.start();
    std::mt19937 rng(11);
    std::vector<uint8_t> expected;
    for (int i = 0; i < 4096; ++i) {
        expected.push_back(uint8_t(rng()));
        b.literal(expected.back());
    }
    b.match(23, 1023, 20, 15);  // distance 3073 + 1023 = 4096, length 67 + 15 = 82
    for (int i = 0; i < 82; ++i)
        expected.push_back(expected[expected.size() - 4096]);
    b.match(23, 1023, 21, 0);  // length code 21: always 83, no extra bits
    for (int i = 0; i < 83; ++i)
        expected.push_back(expected[expected.size() - 4096]);
    b.match(0, 0, 21, 0);  // distance 1
    for (int i = 0; i < 83; ++i)
        expected.push_back(expected.back());
    b.literal(0x5A);
    expected.push_back(0x5A);
    Decoded d = decodeBoth(b.finish(), uint32_t(expected.size()));
    ASSERT_EQ(d.result, PackDecodeResult::ok);
    EXPECT_EQ(d.bytes, expected);
}

TEST(PackStream, LastMatchOvershootsIntoSpareBytes)
{
    // Unpacked size 5, but the final match copies 83 bytes: it lands in the spare room.
    StreamBuilder b = wideBuilder();
    b.start();
    b.literal('z');
    b.match(0, 0, 21, 0);
    std::vector<uint8_t> stream = b.finish();
    Decoded d = decodeBoth(stream, 5);
    EXPECT_EQ(d.result, PackDecodeResult::ok);
    EXPECT_EQ(std::string(d.bytes.begin(), d.bytes.end()), "zzzzz");
    // Without the spare room the same match is refused rather than written past the buffer.
    EXPECT_EQ(decodeBoth(stream, 5, 1 + 82).result, PackDecodeResult::matchTooLong);
    EXPECT_EQ(decodeBoth(stream, 5, 1 + 83).result, PackDecodeResult::ok);
    EXPECT_EQ(decodeBoth(stream, 5, 4).result,
              PackDecodeResult::matchTooLong);  // no room for the output
}

TEST(PackStream, EmptyOutputReadsOnlyTheTrees)
{
    StreamBuilder b = wideBuilder();
    b.start();
    EXPECT_EQ(decodeBoth(b.finish(), 0).result, PackDecodeResult::ok);
    // Trees with no symbols are harmless as long as nothing is decoded with them.
    StreamBuilder empty;
    empty.codeLengthLengths[0] = 1;
    empty.codeLengthLengths[1] = 1;
    empty.start();
    EXPECT_EQ(decodeBoth(empty.finish(), 0).result, PackDecodeResult::ok);
}

TEST(PackStream, BrokenTreesAreReported)
{
    {
        // One symbol of length 1 alone is incomplete; two are complete.
        StreamBuilder b;
        b.codeLengthLengths[1] = 1;
        b.start();
        EXPECT_EQ(decodeBoth(b.finish(), 1).result, PackDecodeResult::codeLengthTreeIncomplete);
        expectUnpackExit(b.finish(), 1, "L/D-tree encoding tree is incomplete.");
    }
    {
        StreamBuilder b;
        b.codeLengthLengths[0] = 1;
        b.codeLengthLengths[1] = 1;
        b.literalLengths['x'] = 1;
        b.start();
        b.literal('x');
        EXPECT_EQ(decodeBoth(b.finish(), 1).result, PackDecodeResult::literalTreeIncomplete);
        expectUnpackExit(b.finish(), 1, "Literal/distance tree is incomplete.");
    }
    {
        // An over-full length tree (three codes of one bit) is as wrong as a short one.
        StreamBuilder b = wideBuilder();
        b.lengthLengths[0] = 1;
        b.start();
        EXPECT_EQ(decodeBoth(b.finish(), 0).result, PackDecodeResult::lengthTreeIncomplete);
        expectUnpackExit(b.finish(), 0, "Length tree is incomplete.");
    }
    {
        // Four one-bit codes: over-full by exactly one whole code space, which a 32-bit sum
        // would wrap to "complete".
        StreamBuilder b = wideBuilder();
        b.codeLengthLengths[0] = 0;
        b.codeLengthLengths[2] = 0;
        b.codeLengthLengths[9] = 0;
        for (int s = 4; s < 8; ++s)
            b.codeLengthLengths[s] = 1;
        b.start();
        EXPECT_EQ(decodeBoth(b.finish(), 1).result, PackDecodeResult::codeLengthTreeIncomplete);
        StreamBuilder l = wideBuilder();
        for (int t = 0; t < 4; ++t)
            l.lengthLengths[t] = 2;
        l.lengthLengths[4] = 1;  // 4/4 + 1/2 + 1/2 + 1/2 = 2.5: not whole, still refused
        l.lengthLengths[5] = 1;
        l.start();
        EXPECT_EQ(decodeBoth(l.finish(), 1).result, PackDecodeResult::lengthTreeIncomplete);
        StreamBuilder w = wideBuilder();
        for (int t = 0; t < 4; ++t)
            w.lengthLengths[t] = 1;  // with codes 20 and 21: six halves, three whole spaces
        w.start();
        EXPECT_EQ(decodeBoth(w.finish(), 1).result, PackDecodeResult::lengthTreeIncomplete);
        expectUnpackExit(w.finish(), 1, "Length tree is incomplete.");
    }
    {
        StreamBuilder b;  // all lengths 0: complete by count, but nothing can be decoded
        b.start();
        EXPECT_EQ(decodeBoth(b.finish(), 1).result, PackDecodeResult::codeLengthTreeEmpty);
        expectUnpackExit(b.finish(), 1, "L/D-tree encoding tree is empty.");
    }
    {
        StreamBuilder b;
        b.codeLengthLengths[0] = 1;
        b.codeLengthLengths[1] = 1;
        b.start();
        EXPECT_EQ(decodeBoth(b.finish(), 1).result, PackDecodeResult::literalTreeEmpty);
        expectUnpackExit(b.finish(), 1, "Literal/distance tree is empty.");
    }
    {
        StreamBuilder b = wideBuilder();
        b.lengthLengths[20] = 0;
        b.lengthLengths[21] = 0;
        b.start();
        b.literal('a');
        b.literal('b');
        b.match(0, 0, 0, 0);
        b.literal('c');
        std::vector<uint8_t> stream = b.finish();
        EXPECT_EQ(decodeBoth(stream, 2).result, PackDecodeResult::ok);  // literals only: unused
        EXPECT_EQ(decodeBoth(stream, 6).result, PackDecodeResult::lengthTreeEmpty);
        expectUnpackExit(stream, 6, "Length tree is empty.");
    }
}

TEST(PackStream, CorruptDataIsReported)
{
    {
        StreamBuilder b = wideBuilder();
        b.start();
        b.literal('a');
        b.literal('b');
        b.match(0, 0, 21, 0);
        b.match(23, 0, 21, 0);  // distance 3073 from byte 85
        std::vector<uint8_t> stream = b.finish();
        EXPECT_EQ(decodeBoth(stream, 85).result, PackDecodeResult::ok);
        EXPECT_EQ(decodeBoth(stream, 100).result, PackDecodeResult::distanceTooFar);
        expectUnpackExit(stream, 100, "Match distance reaches before the start of the data.");
    }
    {
        // 10 literals written, 11 wanted: the missing symbol would be read from padding.
        StreamBuilder b = wideBuilder();
        b.start();
        for (int i = 0; i < 10; ++i)
            b.literal('0' + i);
        std::vector<uint8_t> stream = b.finish();
        EXPECT_EQ(decodeBoth(stream, 10).result, PackDecodeResult::ok);
        EXPECT_EQ(decodeBoth(stream, 11).result, PackDecodeResult::streamTooShort);
        expectUnpackExit(stream, 11, "Packed data ends too early.");
        // Cut inside the code lengths, and shorter than the 19-byte header.
        std::vector<uint8_t> cut(stream.begin(), stream.begin() + 40);
        EXPECT_EQ(decodeBoth(cut, 1).result, PackDecodeResult::streamTooShort);
        std::vector<uint8_t> header(stream.begin(), stream.begin() + 18);
        EXPECT_EQ(decodeBoth(header, 0).result, PackDecodeResult::streamTooShort);
    }
}

TEST(PackStream, DecodersAgreeOnDamagedStreams)
{
    // A sound stream with a few bytes changed: whatever the decoders make of it, they agree.
    std::mt19937 rng(5);
    std::vector<uint8_t> data;
    for (int i = 0; i < 6000; ++i)
        data.push_back(i > 100 && rng() % 3 == 0 ? data[data.size() - 1 - rng() % 100]
                                                 : uint8_t(rng() % 40));
    std::vector<uint8_t> stream = compressStream(data.data(), data.size());
    ASSERT_EQ(decodeBoth(stream, uint32_t(data.size())).bytes, data);
    int outcomes[10] = {};
    for (int trial = 0; trial < 400; ++trial) {
        std::vector<uint8_t> damaged = stream;
        for (int k = 0; k < 2; ++k)
            damaged[rng() % damaged.size()] ^= uint8_t(1 + rng() % 255);
        ++outcomes[int(decodeBoth(damaged, uint32_t(data.size())).result)];
    }
    // Most damage shows up as a broken tree or a bad distance; some decodes to other bytes.
    EXPECT_GT(outcomes[int(PackDecodeResult::ok)] + outcomes[int(PackDecodeResult::distanceTooFar)],
              0);
}
