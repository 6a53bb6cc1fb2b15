// Picture loading through real archives: BMP and JPEG readers, the archive data source, damaged
// and missing files.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>

#include <jpeglib.h>

#include "archive/archive.h"
#include "assets/assets.h"
#include "assets/support.h"
#include "writers/writers.h"

namespace {

class Pictures : public ::testing::Test {
protected:
    void SetUp() override
    {
        resetArchive();
        resetPictures();
    }
    void TearDown() override { resetArchive(); }
};

std::vector<uint8_t> randomPixels(int width, int height, uint32_t seed)
{
    std::mt19937 rng(seed);
    return makePixels(width, height, [&](int, int) { return uint32_t(rng()) & 0xFFFFFF; });
}

// A 54-byte header with only the fields the reader looks at (24 bits per pixel), then the row
// bytes as given.
std::vector<uint8_t> rawBmp(int width, int height, const std::vector<uint8_t>& rows)
{
    std::vector<uint8_t> file(54, 0);
    file[0] = 'B';
    file[1] = 'M';
    file[18] = uint8_t(width);
    file[19] = uint8_t(width >> 8);
    file[22] = uint8_t(height);
    file[23] = uint8_t(height >> 8);
    file[28] = 24;
    file.resize(54 + rows.size());
    for (size_t i = 0; i < rows.size(); ++i)
        file[54 + i] = rows[i];
    return file;
}

// Decodes with libjpeg's own memory source, the reference for the archive data source.
std::vector<uint32_t> decodeWithMemorySource(const std::vector<uint8_t>& jpeg, int& width,
                                             int& height)
{
    jpeg_decompress_struct cinfo;
    jpeg_error_mgr jerr;
    cinfo.err = jpeg_std_error(&jerr);
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, jpeg.data(), jpeg.size());
    jpeg_read_header(&cinfo, TRUE);
    jpeg_start_decompress(&cinfo);
    width = int(cinfo.output_width);
    height = int(cinfo.output_height);
    std::vector<uint32_t> out;
    std::vector<JSAMPLE> row(size_t(width) * 3);
    while (cinfo.output_scanline < cinfo.output_height) {
        JSAMPROW rows[1] = {row.data()};
        jpeg_read_scanlines(&cinfo, rows, 1);
        for (int x = 0; x < width; ++x)
            out.push_back(uint32_t(row[3 * x + 2]) | uint32_t(row[3 * x + 1]) << 8 |
                          uint32_t(row[3 * x]) << 16);
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    return out;
}

}  // namespace

TEST_F(Pictures, BmpRowsComeOutTopFirstWithFourthByteZero)
{
    // File rows: bottom (blue, green), then top (red, white); 2 * 3 bytes each, padded to 8.
    const std::vector<uint8_t> rows = {0xFF, 0, 0,    0,    0xFF, 0,    0, 0,
                                       0,    0, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0};
    openTestArchive({{"cosmback.bmp", rawBmp(2, 2, rows)}});
    uint32_t* p = loadPicture("cosmback.bmp", 32);
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p[0], 0xFF0000u);  // top row: red, white
    EXPECT_EQ(p[1], 0xFFFFFFu);
    EXPECT_EQ(p[2], 0x0000FFu);  // bottom row: blue, green
    EXPECT_EQ(p[3], 0x00FF00u);
    EXPECT_EQ(pictureState.lastPictureWidth, 2);
    EXPECT_EQ(pictureState.lastPictureHeight, 2);
    std::free(p);
}

TEST_F(Pictures, BmpWriterRoundTripIsExact)
{
    const std::vector<uint8_t> pixels = randomPixels(64, 32, 1);
    openTestArchive(
        {{"a.bmp", encodeBmp(pixels.data(), 64, 32)}, {"b.BMP", encodeBmp(pixels.data(), 64, 32)}});
    for (const char* name : {"a.bmp", "B.BMP"}) {
        Texture t = loadTexture(name, 32);
        ASSERT_NE(t.pixels, nullptr) << name;
        EXPECT_EQ(t.width, 64);
        EXPECT_EQ(t.height, 32);
        EXPECT_EQ(std::memcmp(t.pixels, pixels.data(), pixels.size()), 0) << name;
        // Room for a whole 256x256 texture, zero past the picture.
        EXPECT_EQ(t.pixels[65535], 0u);
        EXPECT_EQ(t.pixels[64 * 32], 0u);
        std::free(t.pixels);
    }
}

// BMP files as other programs write them: widths whose rows need padding, rows stored top first,
// pixel data after a longer header, and depths or compression the reader does not take.
TEST_F(Pictures, BmpFromOtherWriters)
{
    const std::vector<uint8_t> odd = randomPixels(5, 3, 11);
    const std::vector<uint8_t> two = randomPixels(2, 4, 12);
    const std::vector<uint8_t> wide = randomPixels(7, 6, 13);
    std::vector<uint8_t> longHeader = encodeBmp(wide.data(), 7, 6);
    longHeader.insert(longHeader.begin() + 54, 84, 0xEE);  // as a version 5 header would take
    longHeader[10] = 138;
    std::vector<uint8_t> unpaddedEnd = encodeBmp(odd.data(), 5, 3);
    unpaddedEnd.pop_back();  // the last row without its padding byte
    std::vector<uint8_t> compressed = rawBmp(4, 4, std::vector<uint8_t>(48, 1));
    compressed[30] = 1;  // run-length encoded
    openTestArchive({{"odd.bmp", encodeBmp(odd.data(), 5, 3)},
                     {"two.bmp", encodeBmp(two.data(), 2, 4, {24, true})},
                     {"wide.bmp", longHeader},
                     {"unpadded.bmp", unpaddedEnd},
                     {"deep.bmp", encodeBmp(wide.data(), 7, 6, {32, false})},
                     {"deeptop.bmp", encodeBmp(wide.data(), 7, 6, {32, true})},
                     {"rle.bmp", compressed}});
    struct Case {
        const char* name;
        const std::vector<uint8_t>& pixels;
        int width, height;
    };
    for (const Case& c : {Case{"odd.bmp", odd, 5, 3}, Case{"two.bmp", two, 2, 4},
                          Case{"wide.bmp", wide, 7, 6}, Case{"unpadded.bmp", odd, 5, 3}}) {
        Texture t = loadTexture(c.name, 32);
        ASSERT_NE(t.pixels, nullptr) << c.name;
        EXPECT_EQ(t.width, c.width) << c.name;
        EXPECT_EQ(t.height, c.height) << c.name;
        EXPECT_EQ(std::memcmp(t.pixels, c.pixels.data(), c.pixels.size()), 0) << c.name;
        std::free(t.pixels);
    }
    testing::internal::CaptureStdout();
    for (const char* name : {"deep.bmp", "deeptop.bmp", "rle.bmp"}) {
        Texture t = loadTexture(name, 32);
        EXPECT_EQ(t.pixels, nullptr) << name;
        EXPECT_EQ(t.width, 5) << name;  // the size of the last good picture stays
        EXPECT_EQ(archiveState.openFileIndex, -1) << name;
    }
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_NE(out.find("BMP file 'deep.bmp' has 32 bits per pixel; only 24-bit pictures are read"),
              std::string::npos)
        << out;
    EXPECT_NE(out.find("BMP file 'deeptop.bmp' has 32 bits per pixel"), std::string::npos) << out;
    EXPECT_NE(out.find("BMP file 'rle.bmp' is compressed; only uncompressed pictures are read"),
              std::string::npos)
        << out;
}

TEST_F(Pictures, JpegRoundTripWithinLossAndChannelOrder)
{
    const int w = 48, h = 40;
    const std::vector<uint8_t> pixels = makePixels(w, h, [](int x, int y) {
        return uint32_t(x * 5) << 16 | uint32_t(y * 6) << 8 | uint32_t(200 - x * 2);
    });
    openTestArchive({{"grad.jpg", encodeJpeg(pixels.data(), w, h, 95)},
                     {"red.jpg", solidJpeg(0xFF0000, 3, 2)},
                     {"blue.jpg", solidJpeg(0x0000FF, 3, 2)}});
    Texture t = loadTexture("grad.jpg", 32);
    ASSERT_NE(t.pixels, nullptr);
    EXPECT_EQ(t.width, w);
    EXPECT_EQ(t.height, h);
    int worst = 0;
    const auto* bytes = reinterpret_cast<const uint8_t*>(t.pixels);
    for (size_t i = 0; i < pixels.size(); ++i) {
        if (i % 4 == 3)
            continue;
        worst = std::max(worst, std::abs(int(bytes[i]) - int(pixels[i])));
    }
    EXPECT_LE(worst, 12);
    EXPECT_GT(bytes[(size_t(h - 1) * w + (w - 1)) * 4 + 2],
              200);  // orientation: red grows to the right
    EXPECT_LT(bytes[2], 20);
    std::free(t.pixels);

    // Width 3: rows of 12 bytes; red is the third byte of a pixel, blue the first.
    t = loadTexture("red.jpg", 32);
    ASSERT_NE(t.pixels, nullptr);
    EXPECT_EQ(t.width, 3);
    bytes = reinterpret_cast<const uint8_t*>(t.pixels);
    for (int i = 0; i < 6; ++i) {
        EXPECT_GT(bytes[4 * i + 2], 240);
        EXPECT_LT(bytes[4 * i + 0], 15);
    }
    std::free(t.pixels);
    uint32_t* blue = loadPicture("blue.jpg", 32);
    EXPECT_GT(reinterpret_cast<const uint8_t*>(blue)[12], 240);  // second row, first pixel
    std::free(blue);
}

TEST_F(Pictures, ArchiveSourceDecodesExactlyLikeMemorySource)
{
    const int w = 200, h = 150;
    const std::vector<uint8_t> pixels = randomPixels(w, h, 7);  // noise: a file of many buffers
    const std::vector<uint8_t> jpeg = encodeJpeg(pixels.data(), w, h, 90);
    ASSERT_GT(jpeg.size(), size_t(3 * jpegSourceBufferSize));
    openTestArchive({{"first.jpg", solidJpeg(0x123456)}, {"noise.jpg", jpeg}});
    int rw = 0, rh = 0;
    const std::vector<uint32_t> reference = decodeWithMemorySource(jpeg, rw, rh);
    uint32_t* p = loadPicture("noise.jpg", 32);
    ASSERT_NE(p, nullptr);
    ASSERT_EQ(rw, w);
    ASSERT_EQ(rh, h);
    EXPECT_EQ(std::memcmp(p, reference.data(), reference.size() * 4), 0);
    std::free(p);
}

TEST_F(Pictures, GrayscaleJpegComesOutAsRgb)
{
    std::vector<uint8_t> gray(16 * 8);
    for (size_t i = 0; i < gray.size(); ++i)
        gray[i] = uint8_t(i * 2);
    openTestArchive({{"gray.jpg", encodeJpegGray(gray.data(), 16, 8, 95)}});
    Texture t = loadTexture("gray.jpg", 32);
    ASSERT_NE(t.pixels, nullptr);
    EXPECT_EQ(t.width, 16);
    for (int i = 0; i < 16 * 8; ++i) {
        const uint32_t c = t.pixels[i];
        EXPECT_EQ(c & 0xFF, (c >> 8) & 0xFF);
        EXPECT_EQ(c & 0xFF, (c >> 16) & 0xFF);
        EXPECT_NEAR(int(c & 0xFF), gray[size_t(i)], 6);
    }
    std::free(t.pixels);
}

TEST_F(Pictures, ExtensionCaseChoosesTheDecoder)
{
    const std::vector<uint8_t> pixels = randomPixels(4, 2, 3);
    const std::vector<uint8_t> bmp = encodeBmp(pixels.data(), 4, 2);
    openTestArchive({{"pic.Bmp", bmp}, {"pic2.jpg", bmp}});
    // ".Bmp" is not one of the two BMP spellings: the JPEG decoder refuses the file.
    testing::internal::CaptureStdout();
    EXPECT_EQ(loadPicture("pic.Bmp", 32), nullptr);
    EXPECT_EQ(loadPicture("PIC2.JPG", 32), nullptr);
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_NE(out.find("Not a JPEG file"), std::string::npos) << out;
    EXPECT_EQ(archiveState.openFileIndex, -1);  // the error path closed the file
}

TEST_F(Pictures, DamagedPicturesFailWithALineAndNoPixels)
{
    const std::vector<uint8_t> good = solidJpeg(0x00FF00, 5, 7);
    std::vector<uint8_t> shortRows =
        rawBmp(4, 4, std::vector<uint8_t>(4 * 3 * 3, 9));  // one row missing
    const std::vector<uint8_t> noise = randomPixels(64, 64, 5);
    std::vector<uint8_t> truncatedJpeg = encodeJpeg(noise.data(), 64, 64, 90);
    truncatedJpeg.resize(truncatedJpeg.size() * 3 / 4);
    std::vector<uint8_t> huge = good;  // the frame header claims 3000 x 3000
    for (size_t i = 0; i + 8 < huge.size(); ++i)
        if (huge[i] == 0xFF && huge[i + 1] == 0xC0) {
            huge[i + 5] = 3000 >> 8;
            huge[i + 6] = 3000 & 0xFF;
            huge[i + 7] = 3000 >> 8;
            huge[i + 8] = 3000 & 0xFF;
            break;
        }
    openTestArchive({{"good.jpg", good},
                     {"short.bmp", shortRows},
                     {"zero.bmp", rawBmp(0, 4, {})},
                     {"vast.bmp", rawBmp(65535, 65535, std::vector<uint8_t>(300, 0xFF))},
                     {"header.bmp", std::vector<uint8_t>(20, 1)},
                     {"empty.jpg", {}},
                     {"trunc.jpg", truncatedJpeg},
                     {"huge.jpg", huge}});
    Texture t = loadTexture("good.jpg", 32);
    std::free(t.pixels);
    testing::internal::CaptureStdout();
    for (const char* name :
         {"short.bmp", "zero.bmp", "vast.bmp", "header.bmp", "empty.jpg", "huge.jpg"}) {
        t = loadTexture(name, 32);
        EXPECT_EQ(t.pixels, nullptr) << name;
        EXPECT_EQ(t.width, 5) << name;  // the previous size stays
        EXPECT_EQ(t.height, 7) << name;
        EXPECT_EQ(archiveState.openFileIndex, -1) << name;
    }
    // A JPEG cut short still decodes: the source closes it with an end-of-image marker.
    t = loadTexture("trunc.jpg", 32);
    EXPECT_NE(t.pixels, nullptr);
    std::free(t.pixels);
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_NE(out.find("BMP file 'short.bmp' is damaged"), std::string::npos) << out;
    EXPECT_NE(out.find("BMP file 'zero.bmp' is damaged"), std::string::npos) << out;
    EXPECT_NE(out.find("BMP file 'vast.bmp' is damaged"), std::string::npos) << out;
    EXPECT_NE(out.find("BMP file 'header.bmp' is damaged"), std::string::npos) << out;
    EXPECT_NE(out.find("Picture 'empty.jpg': Empty input file\n"), std::string::npos) << out;
    EXPECT_NE(out.find("Picture 'huge.jpg' is too large (3000x3000)"), std::string::npos) << out;
    // The cut file warns at every refill once its data has run out: the line is shown once.
    const std::string cutLine = "Picture 'trunc.jpg': Premature end of JPEG file\n";
    const size_t at = out.find(cutLine);
    EXPECT_NE(at, std::string::npos) << out;
    EXPECT_EQ(out.find("trunc.jpg", at + cutLine.size()), std::string::npos) << out;
}

TEST_F(Pictures, MissingPictureEndsTheShowOrReturnsNullForTests)
{
    openTestArchive({{"here.jpg", solidJpeg(0)}});
    EXPECT_EXIT(loadPicture("gone.jpg", 32), ::testing::ExitedWithCode(1),
                "Engine error: file 'gone.jpg' not found!");
    EXPECT_EXIT(loadPicture("gone.bmp", 32), ::testing::ExitedWithCode(1), "gone.bmp");
    pictureState.missingFileExits = false;
    EXPECT_EQ(loadPicture("gone.jpg", 32), nullptr);
    EXPECT_EQ(loadPicture("gone.bmp", 32), nullptr);
    EXPECT_EQ(archiveState.openFileIndex, -1);
}

TEST_F(Pictures, NestedOpenLeavesTheOuterFileWhereItWas)
{
    openTestArchive(
        {{"outer.bin", std::vector<uint8_t>(100, 0x5A)}, {"inner.jpg", solidJpeg(0xABCDEF)}});
    PackFile* outer = packOpen("outer.bin");
    ASSERT_NE(outer, nullptr);
    uint8_t b[10];
    packRead(b, 1, 10, outer);
    uint32_t* p = loadPicture("inner.jpg", 32);
    EXPECT_NE(p, nullptr);
    EXPECT_EQ(packTell(outer), 10);
    EXPECT_EQ(archiveState.openFileIndex, 0);
    packClose(outer);
    std::free(p);
}
