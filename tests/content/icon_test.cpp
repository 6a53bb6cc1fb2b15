// The program's icon as the content tool writes it: a 32 x 32 BMP of 4 bits a pixel whose pixels
// all come from the 16-colour palette, and the copy the build puts beside the program.
#define STB_IMAGE_STATIC
#define STB_IMAGE_IMPLEMENTATION
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-function"
#include <stb_image.h>
#pragma GCC diagnostic pop

#include <gtest/gtest.h>

#include "content/icon.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <vector>

namespace {

std::vector<uint8_t> readBytes(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

uint32_t le32(const std::vector<uint8_t>& b, size_t at)
{
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | uint32_t(b[at + 3]) << 24;
}

}  // namespace

TEST(ContentIcon, SixteenColourBmpThatDecodesToItsPaintedPixels)
{
    const std::filesystem::path folder = std::filesystem::path(V4N_BINARY_DIR) / "test-content";
    std::filesystem::create_directories(folder);
    const std::filesystem::path path = folder / "icon.bmp";
    ASSERT_TRUE(writeIcon(path.string()));
    const std::vector<uint8_t> bytes = readBytes(path);
    ASSERT_EQ(bytes.size(), 14u + 40u + 16u * 4u + 32u * 16u);
    EXPECT_EQ(bytes[0], 'B');
    EXPECT_EQ(bytes[1], 'M');
    EXPECT_EQ(le32(bytes, 18), 32u);           // width
    EXPECT_EQ(le32(bytes, 22), 32u);           // height, bottom row first
    EXPECT_EQ(bytes[28] | bytes[29] << 8, 4);  // bits per pixel
    EXPECT_EQ(le32(bytes, 46), 16u);           // colours in the palette

    uint8_t indices[iconSize][iconSize];
    paintIcon(indices);
    int width = 0, height = 0, channels = 0;
    uint8_t* rgb = stbi_load(path.string().c_str(), &width, &height, &channels, 3);
    ASSERT_NE(rgb, nullptr);
    ASSERT_EQ(width, iconSize);
    ASSERT_EQ(height, iconSize);
    std::set<int> used;
    for (int y = 0; y < iconSize; ++y)
        for (int x = 0; x < iconSize; ++x) {
            const uint8_t* p = rgb + (y * iconSize + x) * 3;
            const uint8_t* expected = iconPalette[indices[y][x]];
            ASSERT_EQ(p[0], expected[0]) << x << ", " << y;
            ASSERT_EQ(p[1], expected[1]) << x << ", " << y;
            ASSERT_EQ(p[2], expected[2]) << x << ", " << y;
            used.insert(indices[y][x]);
        }
    stbi_image_free(rgb);
    // A picture, not a flat square: the ring, the disc and the letter.
    EXPECT_GE(used.size(), 6u);

    // The build writes the same file beside the program.
    EXPECT_EQ(readBytes(std::filesystem::path(V4N_BINARY_DIR) / "icon_1.bmp"), bytes);
}
