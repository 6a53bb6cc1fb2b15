// The recorder's picture conversion: packed and scalar agree byte for byte at every scale, the
// planes hold the known BT.709 values in sharp blocks, and nothing is written past a row.
#include "platform/platform.h"
#include "record/record.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace {

constexpr int width = platformTargetWidth, height = platformTargetHeight;

// Planes with a margin after every row, filled with a marker that must survive.
struct Planes {
    int scale;
    std::vector<uint8_t> y, u, v;
    YuvPlanes view;
    explicit Planes(int s) : scale(s)
    {
        const int sy = width * s + 24, sc = width * s / 2 + 40;
        y.assign(size_t(sy) * height * s, 0xA5);
        u.assign(size_t(sc) * (height * s / 2), 0xA5);
        v.assign(size_t(sc) * (height * s / 2), 0xA5);
        view = YuvPlanes{y.data(), u.data(), v.data(), sy, sc, sc};
    }
    uint8_t lumaAt(int x, int yy) const { return y[size_t(yy) * view.strideY + x]; }
    uint8_t cbAt(int x, int yy) const { return u[size_t(yy) * view.strideU + x]; }
    uint8_t crAt(int x, int yy) const { return v[size_t(yy) * view.strideV + x]; }
};

std::vector<uint32_t> randomPicture(uint32_t seed)
{
    std::mt19937 random(seed);
    std::vector<uint32_t> p(size_t(width) * height);
    for (uint32_t& pixel : p)
        pixel = random();  // the top byte too: it must not matter
    // Runs of the extremes, where rounding and saturation show.
    for (int i = 0; i < 64; ++i)
        p[size_t(i) * 97] = (i & 1) ? 0xFFFFFFFF : 0xFF000000;
    return p;
}

}  // namespace

TEST(RecordPicture, PackedMatchesScalarAtEveryScale)
{
    for (int scale = 1; scale <= 8; ++scale) {
        SCOPED_TRACE(scale);
        const std::vector<uint32_t> picture = randomPicture(uint32_t(scale) * 7919);
        Planes packed(scale), scalar(scale);
        yuvFromShownPacked(picture.data(), scale, packed.view);
        yuvFromShownScalar(picture.data(), scale, scalar.view);
        EXPECT_TRUE(packed.y == scalar.y);
        EXPECT_TRUE(packed.u == scalar.u);
        EXPECT_TRUE(packed.v == scalar.v);
        // The margins after the rows are untouched.
        for (int row = 0; row < height * scale; row += 7)
            ASSERT_EQ(packed.lumaAt(width * scale, row), 0xA5);
        for (int row = 0; row < height * scale / 2; row += 7) {
            ASSERT_EQ(packed.cbAt(width * scale / 2, row), 0xA5);
            ASSERT_EQ(packed.crAt(width * scale / 2 + 39, row), 0xA5);
        }
    }
}

// Known colours: white 235/128/128, black 16/128/128, red 63/102/240, mid grey keeps 128 chroma;
// every pixel fills its own block, and at scale 1 chroma mixes the four pixels of each block.
TEST(RecordPicture, KnownColoursFillSharpBlocks)
{
    std::vector<uint32_t> picture(size_t(width) * height, 0);
    picture[0] = 0xFF0000;                          // red at (0, 0); three black around it
    picture[size_t(10) * width + 20] = 0xFFFFFF;    // white at (20, 10)
    picture[size_t(11) * width + 21] = 0x808080;    // grey at (21, 11)
    picture[size_t(239) * width + 319] = 0x0000FF;  // blue in the last corner
    for (int scale : {1, 3, 4}) {
        SCOPED_TRACE(scale);
        Planes p(scale);
        yuvFromShownPacked(picture.data(), scale, p.view);
        for (int j = 0; j < scale; ++j)
            for (int i = 0; i < scale; ++i) {
                EXPECT_EQ(p.lumaAt(i, j), 63);
                EXPECT_EQ(p.lumaAt(20 * scale + i, 10 * scale + j), 235);
                EXPECT_EQ(p.lumaAt(21 * scale + i, 11 * scale + j), 126);
                EXPECT_EQ(p.lumaAt(319 * scale + i, 239 * scale + j), 32);
            }
        EXPECT_EQ(p.lumaAt(scale, 0), 16);
        EXPECT_EQ(p.lumaAt(0, scale), 16);
        if (scale == 4) {
            EXPECT_EQ(p.cbAt(0, 0), 102);
            EXPECT_EQ(p.crAt(1, 1), 240);
            EXPECT_EQ(p.cbAt(2, 0), 128);
            EXPECT_EQ(p.cbAt(42, 22), 128);
            EXPECT_EQ(p.crAt(43, 23), 128);
            EXPECT_EQ(p.cbAt(639, 479), 240);
        }
        if (scale == 1) {
            // Red with three black: a quarter of red's chroma offset.
            EXPECT_EQ(p.cbAt(0, 0), 122);
            EXPECT_EQ(p.crAt(0, 0), 156);
        }
    }
}

TEST(RecordPicture, LosslessPixelsAreCopiedIntoBlocks)
{
    const std::vector<uint32_t> picture = randomPicture(5);
    const int scale = 3, stride = width * scale * 4 + 16;
    std::vector<uint8_t> out(size_t(stride) * height * scale, 0xA5);
    bgr0FromShown(picture.data(), scale, out.data(), stride);
    for (int y = 0; y < height * scale; y += 5)
        for (int x = 0; x < width * scale; x += 3) {
            const uint32_t want = picture[size_t(y / scale) * width + x / scale] & 0xFFFFFF;
            const uint8_t* at = out.data() + size_t(y) * stride + size_t(x) * 4;
            ASSERT_EQ(at[0] | at[1] << 8 | at[2] << 16 | uint32_t(at[3]) << 24, want);
        }
    EXPECT_EQ(out[size_t(stride) - 1], 0xA5);
}
