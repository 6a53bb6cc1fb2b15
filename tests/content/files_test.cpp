// Picture files as the generator writes them, and the contact sheet drawn from a folder of them.
#define STB_IMAGE_STATIC
#define STB_IMAGE_IMPLEMENTATION
#include <stb_image.h>

#include <gtest/gtest.h>

#include "content/generate.h"

#include <cstdlib>
#include <filesystem>

namespace {

namespace fs = std::filesystem;

fs::path freshFolder(const std::string& name)
{
    const fs::path folder = fs::path(V4N_BINARY_DIR) / "test-content" / name;
    fs::remove_all(folder);
    fs::create_directories(folder);
    return folder;
}

// A black picture with a saturated red square in the middle.
Picture redSquare(int size, int square)
{
    Canvas canvas = makeCanvas(size, size);
    const int from = (size - square) / 2;
    for (int y = from; y < from + square; ++y)
        for (int x = from; x < from + square; ++x)
            canvas.pixels[y * size + x] = {1.0f, 0.0f, 0.0f};
    return finishPicture(canvas, 1);
}

TEST(ContentFiles, JpegKeepsSaturatedColourOffTheBlackAround)
{
    // With 2x2 chroma blocks the red would bleed a visible fringe into the black; full chroma
    // leaves only faint ringing a few pixels out.
    const fs::path folder = freshFolder("jpeg");
    ASSERT_TRUE(writePicture(folder.string(), "square.jpg", redSquare(64, 16), 95));
    int w = 0, h = 0, n = 0;
    stbi_uc* rgb = stbi_load((folder / "square.jpg").string().c_str(), &w, &h, &n, 3);
    ASSERT_NE(rgb, nullptr);
    ASSERT_EQ(w, 64);
    ASSERT_EQ(h, 64);
    for (int y = 0; y < 64; ++y) {
        for (int x = 0; x < 64; ++x) {
            const stbi_uc* p = rgb + (y * 64 + x) * 3;
            const bool inside = x >= 25 && x < 39 && y >= 25 && y < 39;
            const bool far = x < 20 || x >= 44 || y < 20 || y >= 44;
            if (inside) {
                EXPECT_GE(p[0], 235) << x << "," << y;
                EXPECT_LE(std::max(p[1], p[2]), 20) << x << "," << y;
            } else if (far) {
                EXPECT_LE(std::max({p[0], p[1], p[2]}), 3) << x << "," << y;
            }
        }
    }
    stbi_image_free(rgb);
}

TEST(ContentFiles, BmpNamesAreWrittenAsBmp)
{
    const fs::path folder = freshFolder("bmp");
    ASSERT_TRUE(writePicture(folder.string(), "cosmic.bmp", redSquare(8, 4), 95));
    int w = 0, h = 0, n = 0;
    stbi_uc* rgb = stbi_load((folder / "cosmic.bmp").string().c_str(), &w, &h, &n, 3);
    ASSERT_NE(rgb, nullptr);
    EXPECT_EQ(w, 8);
    EXPECT_EQ(h, 8);
    // Lossless: exact red in the middle, exact black in the corner.
    EXPECT_EQ(rgb[(4 * 8 + 4) * 3 + 0], 255);
    EXPECT_EQ(rgb[(4 * 8 + 4) * 3 + 1], 0);
    EXPECT_EQ(rgb[0], 0);
    stbi_image_free(rgb);
    EXPECT_FALSE(
        writePicture((folder / "missing" / "deeper").string(), "x.jpg", redSquare(8, 4), 90));
}

TEST(ContentFiles, ContactSheetShowsEveryPictureOfAFolder)
{
    const fs::path folder = freshFolder("sheet");
    ASSERT_TRUE(writePicture(folder.string(), "a.jpg", redSquare(40, 10), 90));
    ASSERT_TRUE(writePicture(folder.string(), "b.bmp", redSquare(8, 4), 90));
    ASSERT_TRUE(writeAsset(folder.string(), "mesh.3ds", {1, 2, 3}));  // not a picture: skipped
    const fs::path sheet = fs::path(V4N_BINARY_DIR) / "test-content" / "sheet.png";
    ASSERT_TRUE(writeContactSheet(sheet.string(), folder.string(), 2));
    int w = 0, h = 0, n = 0;
    ASSERT_TRUE(stbi_info(sheet.string().c_str(), &w, &h, &n));
    // Two pictures side by side in one row of cells sized for 320x256 pictures at scale 2.
    EXPECT_EQ(w, 2 * (320 * 2 + 16));
    EXPECT_EQ(h, 256 * 2 + 22 + 8);
    int sw = 0, sh = 0;
    stbi_uc* rgb = stbi_load(sheet.string().c_str(), &sw, &sh, &n, 3);
    ASSERT_NE(rgb, nullptr);
    // The middle of picture a (enlarged twice) is red on the sheet.
    const stbi_uc* p = rgb + ((8 + 40) * sw + 8 + 40) * 3;
    EXPECT_GE(p[0], 200);
    EXPECT_LE(p[1], 40);
    stbi_image_free(rgb);

    const fs::path empty = freshFolder("sheet-empty");
    ASSERT_TRUE(writeAsset(empty.string(), "only.3ds", {1}));
    EXPECT_FALSE(writeContactSheet(sheet.string(), empty.string(), 1));
    EXPECT_FALSE(writeContactSheet(sheet.string(), (empty / "nowhere").string(), 1));
    const fs::path broken = freshFolder("sheet-broken");
    ASSERT_TRUE(writeAsset(broken.string(), "bad.jpg", {0xff, 0xd8, 0x00}));
    EXPECT_FALSE(writeContactSheet(sheet.string(), broken.string(), 1));
}

}  // namespace
