// The packed presentation kernels against their scalar references, byte for byte.
#include "display/display.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

namespace {

std::vector<uint32_t> randomPixels(std::mt19937& rng, int count)
{
    std::vector<uint32_t> v(count);
    for (uint32_t& p : v)
        p = rng();
    // Some pixels at the extremes, where saturation and halving matter most.
    for (int i = 0; i < count; i += 7)
        v[i] = (i & 8) ? 0xFFFFFFFFu : (i & 16) ? 0 : 0x01FE01FEu;
    return v;
}

}  // namespace

TEST(Kernels, BlendFadePackedMatchesScalar)
{
    std::mt19937 rng(1);
    for (int count : {64000, 320, 13, 3, 1}) {
        for (int fade : {0, 1, 77, 128, 254, 255}) {
            for (int toWhite : {0, 1}) {
                auto frame = randomPixels(rng, count);
                auto trailA = randomPixels(rng, count);
                auto trailB = trailA;
                std::vector<uint32_t> outA(count, 0xDEADBEEF), outB(count, 0xDEADBEEF);
                blendFadeScalar(frame.data(), trailA.data(), outA.data(), count, uint8_t(fade),
                                toWhite);
                blendFadePacked(frame.data(), trailB.data(), outB.data(), count, uint8_t(fade),
                                toWhite);
                ASSERT_EQ(trailA, trailB) << count << " " << fade << " " << toWhite;
                ASSERT_EQ(outA, outB) << count << " " << fade << " " << toWhite;
            }
        }
    }
}

TEST(Kernels, BlendFormulaValues)
{
    // floor(p·257/512) + floor(t·257/512) per byte, then the fade per byte, the unused byte too.
    uint32_t frame = 0xFF01FE80, trail = 0xFF0000FF, out;
    blendFadeScalar(&frame, &trail, &out, 1, 0, 1);
    EXPECT_EQ(trail, 0xFE007FBFu);  // 127+127, 0+0, 127+0, 64+127
    EXPECT_EQ(out, 0xFE007FBFu);
    frame = 0xFF01FE80;
    trail = 0xFF0000FF;
    blendFadeScalar(&frame, &trail, &out, 1, 0x50, 0);
    EXPECT_EQ(trail, 0xFE007FBFu);  // the trail keeps the unfaded blend
    EXPECT_EQ(out, 0xAE002F6Fu);
}

TEST(Kernels, FadeWhitePackedMatchesScalar)
{
    std::mt19937 rng(2);
    for (int count : {64000, 7}) {
        for (int fade : {0, 3, 200, 255}) {
            auto frame = randomPixels(rng, count);
            std::vector<uint32_t> a(count), b(count);
            fadeWhiteScalar(frame.data(), a.data(), count, uint8_t(fade));
            fadeWhitePacked(frame.data(), b.data(), count, uint8_t(fade));
            ASSERT_EQ(a, b) << count << " " << fade;
        }
    }
    uint32_t p = 0x00F01080, o;
    fadeWhiteScalar(&p, &o, 1, 0x20);
    EXPECT_EQ(o, 0x20FF30A0u);
}

TEST(Kernels, Pack24PackedMatchesScalarAndDropsFourthByte)
{
    std::mt19937 rng(3);
    for (int count : {76800, 320, 15, 8, 5, 1}) {
        auto source = randomPixels(rng, count);
        // One spare byte past the end catches a store that runs over.
        std::vector<uint8_t> a(3 * count + 1, 0xAB), b(3 * count + 1, 0xAB);
        pack24Scalar(source.data(), a.data(), count);
        pack24Packed(source.data(), b.data(), count);
        ASSERT_EQ(a, b) << count;
        ASSERT_EQ(b.back(), 0xAB);
    }
    uint32_t two[2] = {0xAA112233, 0x55445566};
    uint8_t out[6];
    pack24Packed(two, out, 2);
    const uint8_t expected[6] = {0x33, 0x22, 0x11, 0x66, 0x55, 0x44};
    EXPECT_EQ(0, std::memcmp(out, expected, 6));
}

TEST(Kernels, Pack16LayoutsMatchScalarAndKnownValues)
{
    std::mt19937 rng(4);
    for (int layout : {1, 2}) {
        for (int count : {76800, 17, 8, 1}) {
            auto source = randomPixels(rng, count);
            std::vector<uint16_t> a(count + 1, 0xABCD), b(count + 1, 0xABCD);
            pack16Scalar(source.data(), a.data(), count, layout);
            pack16Packed(source.data(), b.data(), count, layout);
            ASSERT_EQ(a, b) << layout << " " << count;
            ASSERT_EQ(b.back(), 0xABCD);
        }
    }
    uint32_t colour[9];
    for (uint32_t& c : colour)
        c = 0x00FF8040;
    colour[8] = 0xFFFFFFFF;
    uint16_t out[9];
    pack16Packed(colour, out, 9, 2);
    EXPECT_EQ(out[0], 0xFC08);
    EXPECT_EQ(out[7], 0xFC08);
    EXPECT_EQ(out[8], 0xFFFF);
    pack16Packed(colour, out, 9, 1);
    EXPECT_EQ(out[0], 0x7E08);
    EXPECT_EQ(out[7], 0x7E08);
    EXPECT_EQ(out[8], 0x7FFF);

    // Neither layout: nothing is written.
    uint16_t untouched[9] = {1, 2, 3, 4, 5, 6, 7, 8, 9};
    pack16Packed(colour, untouched, 9, 0);
    pack16Scalar(colour, untouched, 9, 0);
    EXPECT_EQ(untouched[0], 1);
    EXPECT_EQ(untouched[8], 9);
}
