// Showing frames through the headless display: fades, trail, conversions, black borders, dropped
// frames.
#include "display_fixture.h"

#include "render/render.h"

#include <gtest/gtest.h>

namespace {

// Every shown pixel of rows 20..219 of a 32-bit target equals value; the border rows are black.
void expectShown32(uint32_t value)
{
    for (int y = 0; y < displayHeight; ++y) {
        bool inside = y >= frameOffset && y < frameOffset + frameHeight;
        for (int x = 0; x < displayWidth; ++x)
            ASSERT_EQ(shown32(x, y), inside ? value : 0u) << x << "," << y;
    }
}

}  // namespace

TEST(Show, FullFadeGivesWhiteOrBlackWhateverTheFrame)
{
    ASSERT_EQ(openHeadless(32), 1);
    initFrameBuffers();
    for (uint32_t i = 0; i < 64000; ++i)
        frameBuffer.pixels[i] = i * 2654435761u;
    showFrame(255, 1);
    expectShown32(0xFFFFFFFF);
    showFrame(255, 0);
    expectShown32(0);
    showFrameDirect(255);
    expectShown32(0xFFFFFFFF);
}

TEST(Show, TrailConvergesAndKeepsTheUnfadedBlend)
{
    ASSERT_EQ(openHeadless(32), 1);
    initFrameBuffers();
    fillFrame(0x00FF0000);  // red 255 over a black trail
    showFrame(0, 1);
    EXPECT_EQ(shown32(0, 20), 0x007F0000u);
    showFrame(0, 1);
    EXPECT_EQ(shown32(319, 219), 0x00BE0000u);  // 127 then 190
    // A fade toward black does not feed back into the trail.
    showFrame(100, 0);
    EXPECT_EQ(trailBuffer.pixels[0], 0x00DE0000u);  // 127 + 95 = 222
    EXPECT_EQ(shown32(0, 20), 0x007A0000u);         // 222 - 100
    // The direct show ignores the trail and fades toward white.
    showFrameDirect(100);
    EXPECT_EQ(shown32(0, 20), 0x64FF6464u);
    EXPECT_EQ(trailBuffer.pixels[0], 0x00DE0000u);
}

TEST(Show, InitClearsBuffersScreenAndSetsProjection)
{
    ASSERT_EQ(openHeadless(32), 1);
    PlatformLock lock;
    ASSERT_TRUE(platformLockTarget(lock));
    std::memset(lock.pixels, 0x5A, lock.pitch * displayHeight);
    platformUnlockTarget();
    fillFrame(0x123456);
    for (uint32_t& p : trailBuffer.pixels)
        p = 0x654321;
    setFieldOfView(90);
    initFrameBuffers();
    EXPECT_EQ(frameBuffer.pixels[100], 0u);
    EXPECT_EQ(trailBuffer.pixels[63999], 0u);
    EXPECT_EQ(projection.projectionDistance, 386);
    EXPECT_EQ(projection.screenCentreX, 160);
    EXPECT_EQ(projection.screenCentreY, 100);
    EXPECT_EQ(platformShownFrames(), 1u);
    for (int y = 0; y < displayHeight; ++y)
        for (int x = 0; x < displayWidth; ++x)
            ASSERT_EQ(shown32(x, y), 0u);
}

TEST(Show, SixteenBitLayoutsOfOneColour)
{
    for (int depth : {16, 15}) {
        ASSERT_EQ(openHeadless(depth), 1);
        EXPECT_EQ(display.bitsPerPixel, depth);
        EXPECT_EQ(display.pixelLayout, depth == 16 ? 2 : 1);
        initFrameBuffers();
        fillFrame(0x00FF8040);
        showFrameDirect(0);
        uint16_t expected = depth == 16 ? 0xFC08 : 0x7E08;
        for (int y = 0; y < displayHeight; ++y) {
            bool inside = y >= 20 && y < 220;
            for (int x = 0; x < 320; ++x)
                ASSERT_EQ(shown16(x, y), inside ? expected : 0) << depth << " " << x << "," << y;
        }
    }
}

TEST(Show, TwentyFourBitRowsAndBlackBorders)
{
    ASSERT_EQ(openHeadless(24), 1);
    EXPECT_EQ(display.bitsPerPixel, 24);
    initFrameBuffers();
    for (int i = 0; i < 64000; ++i)
        frameBuffer.pixels[i] = 0xEE000000u | uint32_t(i % 320 & 0xFF) << 8 | uint32_t(i / 320);
    showFrameDirect(0);
    for (int y = 0; y < displayHeight; ++y) {
        const uint8_t* row = shownRow(y);
        bool inside = y >= 20 && y < 220;
        for (int x = 0; x < 320; ++x) {
            uint8_t b = inside ? uint8_t(y - 20) : 0, g = inside ? uint8_t(x) : 0;
            ASSERT_EQ(row[3 * x], b) << x << "," << y;
            ASSERT_EQ(row[3 * x + 1], g) << x << "," << y;
            ASSERT_EQ(row[3 * x + 2], 0) << x << "," << y;
        }
    }
    // The staging rows outside the picture stay black frame after frame.
    showFrame(255, 1);
    for (int y : {0, 19, 220, 239})
        for (int x = 0; x < 320; ++x)
            ASSERT_EQ(stagingBuffer.pixels[y * 320 + x], 0u);
    EXPECT_EQ(shownRow(19)[0], 0);
    EXPECT_EQ(shownRow(20)[0], 255);
}

TEST(Show, OddSixteenBitMasksWriteNothing)
{
    resetAll();
    PlatformConfig config;
    config.desktopBits = 16;
    config.desktopRedMask = 0xF000;
    config.desktopGreenMask = 0x0F00;
    config.desktopBlueMask = 0x00F0;
    platformInit(config);
    openWindow(0);
    ASSERT_EQ(chooseVideoMode(), 1);
    EXPECT_EQ(display.bitsPerPixel, 16);
    EXPECT_EQ(display.pixelLayout, 0);
    initFrameBuffers();
    fillFrame(0x00FFFFFF);
    showFrameDirect(0);
    EXPECT_EQ(shown16(10, 100), 0);  // converted not at all
    EXPECT_EQ(platformShownFrames(), 2u);
}

TEST(Show, FailedLockDropsTheFrame)
{
    ASSERT_EQ(openHeadless(32), 1);
    initFrameBuffers();
    uint32_t shown = platformShownFrames();
    releaseDisplay();
    showFrame(0, 1);
    showFrameDirect(0);
    EXPECT_EQ(platformShownFrames(), shown);
    // The same for a non-32-bit display, where the lock comes in the conversion.
    ASSERT_EQ(openHeadless(16), 1);
    initFrameBuffers();
    releaseDisplay();
    showFrame(0, 1);
    showFrameDirect(0);
    EXPECT_EQ(platformShownFrames(), 1u);
}

TEST(Show, EveryDepthEndToEndReadsBackTheColours)
{
    // 0x00FF8040 expands back through each depth's precision.
    struct Case {
        int depth;
        uint32_t expected;
    } cases[] = {{32, 0x00FF8040}, {24, 0x00FF8040}, {16, 0x00FF8242}, {15, 0x00FF8442}};
    static uint32_t pixels[320 * 240];
    for (const Case& c : cases) {
        ASSERT_EQ(openHeadless(c.depth), 1);
        initFrameBuffers();
        fillFrame(0x00FF8040);
        frameBuffer.pixels[0] = 0x000000FF;
        showFrameDirect(0);
        ASSERT_TRUE(platformReadShown(pixels));
        EXPECT_EQ(pixels[0], 0u) << c.depth;
        EXPECT_EQ(pixels[20 * 320], 0x000000FFu) << c.depth;
        EXPECT_EQ(pixels[20 * 320 + 1], c.expected) << c.depth;
        EXPECT_EQ(pixels[219 * 320 + 319], c.expected) << c.depth;
        EXPECT_EQ(pixels[220 * 320], 0u) << c.depth;
    }
}
