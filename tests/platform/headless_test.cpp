// The headless backend: virtual clock, event queue, target surface, read-back and PNG frames.
#include "platform/platform.h"
#include "platform/platform_state.h"

#include <gtest/gtest.h>

#include <unistd.h>
#include <cstdio>
#include <cstring>
#include <string>

#define STB_IMAGE_STATIC
#define STB_IMAGE_IMPLEMENTATION
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#pragma GCC diagnostic ignored "-Wunused-function"
#include <stb_image.h>
#pragma GCC diagnostic pop

namespace {

void startHeadless(PlatformConfig config = PlatformConfig{})
{
    resetPlatform();
    config.headless = true;
    ASSERT_TRUE(platformInit(config));
    ASSERT_TRUE(platformOpenWindow());
}

PlatformEvent eventOf(int kind, int key = 0)
{
    PlatformEvent e;
    e.kind = kind;
    e.key = key;
    return e;
}

}  // namespace

TEST(Headless, VirtualClockAdvancesByFramesAndWaitsAndWraps)
{
    PlatformConfig config;
    config.startTicks = 0xFFFFFFF0u;
    startHeadless(config);
    EXPECT_TRUE(platformIsHeadless());
    EXPECT_EQ(platformTicks(), 0xFFFFFFF0u);
    ASSERT_TRUE(platformCreateTarget(platformDesktopFormat()));
    for (int i = 0; i < 3; ++i)
        ASSERT_TRUE(platformShowTarget(0, 0));
    EXPECT_EQ(platformTicks(), 0xFFFFFFF0u + 49u) << "three frames of 16.67 ms";
    EXPECT_EQ(platformTicks(), 0x21u);
    platformWait(1000);
    EXPECT_EQ(platformTicks(), 0x21u + 1000u);

    config.frameRate = 25;
    config.startTicks = 0;
    startHeadless(config);
    ASSERT_TRUE(platformCreateTarget(platformDesktopFormat()));
    platformShowTarget(0, 0);
    EXPECT_EQ(platformTicks(), 40u);
}

TEST(Headless, EventsComeInOrderAndWhenDue)
{
    startHeadless();
    PlatformEvent e;
    EXPECT_FALSE(platformPollEvent(e));
    platformPostEventAfter(eventOf(platformEventActivate), 50);
    platformPostEvent(eventOf(platformEventKeyDown, 'x'));
    platformPostEvent(eventOf(platformEventDeactivate));
    ASSERT_TRUE(platformPollEvent(e));
    EXPECT_EQ(e.kind, platformEventKeyDown);
    EXPECT_EQ(e.key, 'x');
    ASSERT_TRUE(platformPollEvent(e));
    EXPECT_EQ(e.kind, platformEventDeactivate);
    EXPECT_FALSE(platformPollEvent(e)) << "the delayed event is not due yet";

    // A wait shorter than the delay times out and spends its time.
    uint32_t start = platformTicks();
    EXPECT_FALSE(platformWaitEvent(e, 20));
    EXPECT_EQ(platformTicks() - start, 20u);
    // A longer one stops at the event's time.
    ASSERT_TRUE(platformWaitEvent(e, 1000));
    EXPECT_EQ(e.kind, platformEventActivate);
    EXPECT_EQ(platformTicks() - start, 50u);
}

TEST(Headless, QueueKeepsTheNewestWhenFull)
{
    startHeadless();
    for (int i = 0; i < platformQueueCapacity + 5; ++i)
        platformPostEvent(eventOf(platformEventKeyDown, 1000 + i));
    PlatformEvent e;
    int count = 0, first = -1, last = -1;
    while (platformPollEvent(e)) {
        if (first < 0)
            first = e.key;
        last = e.key;
        ++count;
    }
    EXPECT_EQ(count, platformQueueCapacity);
    EXPECT_EQ(first, 1005);
    EXPECT_EQ(last, 1000 + platformQueueCapacity + 4);
}

TEST(Headless, DesktopDepthsAndModes)
{
    struct Case {
        int depth, bits;
        uint32_t r, g, b;
    } cases[] = {{32, 32, 0xFF0000, 0xFF00, 0xFF},
                 {24, 24, 0xFF0000, 0xFF00, 0xFF},
                 {16, 16, 0xF800, 0x7E0, 0x1F},
                 {15, 16, 0x7C00, 0x3E0, 0x1F},
                 {8, 8, 0, 0, 0}};
    for (const Case& c : cases) {
        PlatformConfig config;
        config.desktopBits = c.depth;
        startHeadless(config);
        PlatformPixelFormat f = platformDesktopFormat();
        EXPECT_EQ(f.bits, c.bits);
        EXPECT_EQ(f.redMask, c.r);
        EXPECT_EQ(f.greenMask, c.g);
        EXPECT_EQ(f.blueMask, c.b);
    }
    PlatformConfig bad;
    bad.desktopBits = 12;
    EXPECT_FALSE(platformInit(bad));

    resetPlatform();
    setenv("V4N_DESKTOP_BITS", "24", 1);
    ASSERT_TRUE(platformInit(PlatformConfig{}));
    EXPECT_EQ(platformDesktopFormat().bits, 24);
    EXPECT_EQ(platformDisplayFormat().bits, 24);
    EXPECT_FALSE(platformSetDisplayMode(320, 240, 12));
    EXPECT_TRUE(platformSetDisplayMode(320, 240, 16));
    EXPECT_EQ(platformDisplayFormat().greenMask, 0x7E0u);
    unsetenv("V4N_DESKTOP_BITS");
}

TEST(Headless, TargetLocksShowsAndExpandsEachFormat)
{
    startHeadless();
    PlatformLock lock;
    EXPECT_FALSE(platformLockTarget(lock)) << "no target yet";
    static uint32_t pixels[320 * 240];
    struct Case {
        PlatformPixelFormat format;
        uint8_t bytes[4];
        uint32_t expected;
    } cases[] = {
        {{32, 0xFF0000, 0xFF00, 0xFF}, {0x40, 0x80, 0xFF, 0x99}, 0xFF8040},
        {{24, 0xFF0000, 0xFF00, 0xFF}, {0x40, 0x80, 0xFF, 0}, 0xFF8040},
        {{16, 0xF800, 0x7E0, 0x1F}, {0x08, 0xFC, 0, 0}, 0xFF8242},
        {{16, 0x7C00, 0x3E0, 0x1F}, {0x08, 0x7E, 0, 0}, 0xFF8442},
        {{8, 0, 0, 0}, {0x80, 0, 0, 0}, 0x808080},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(platformCreateTarget(c.format));
        int pitch, bits;
        EXPECT_EQ(platformShownTarget(pitch, bits), nullptr);
        ASSERT_TRUE(platformLockTarget(lock));
        EXPECT_GT(lock.pitch, 320 * ((c.format.bits + 7) / 8)) << "rows carry padding";
        EXPECT_FALSE(platformShowTarget(0, 0)) << "a locked target is not shown";
        uint8_t* last = lock.pixels + 239 * lock.pitch + 319 * ((c.format.bits + 7) / 8);
        std::memcpy(last, c.bytes, (c.format.bits + 7) / 8);
        platformUnlockTarget();
        ASSERT_TRUE(platformShowTarget(0, 0));
        ASSERT_TRUE(platformReadShown(pixels));
        EXPECT_EQ(pixels[0], 0u);
        EXPECT_EQ(pixels[320 * 240 - 1], c.expected) << c.format.bits;
        const uint8_t* raw = platformShownTarget(pitch, bits);
        ASSERT_NE(raw, nullptr);
        EXPECT_EQ(bits, c.format.bits);
        EXPECT_EQ(raw + 239 * pitch + 319 * ((bits + 7) / 8), last);
    }
    EXPECT_FALSE(platformCreateTarget(PlatformPixelFormat{12, 0, 0, 0}));
    platformReleaseTarget();
    EXPECT_FALSE(platformLockTarget(lock));
    EXPECT_FALSE(platformReadShown(pixels));
}

TEST(Headless, ClosedWindowDropsFrames)
{
    startHeadless();
    ASSERT_TRUE(platformCreateTarget(platformDesktopFormat()));
    platformCloseWindow();
    uint32_t before = platformTicks();
    EXPECT_FALSE(platformShowTarget(0, 0));
    EXPECT_EQ(platformShownFrames(), 0u);
    EXPECT_EQ(platformTicks(), before);
    EXPECT_FALSE(platformMessageBox("title", "no box headless"));
    int w, h;
    static uint32_t pixels[320 * 240];
    EXPECT_FALSE(platformReadWindow(pixels, 320 * 240, w, h)) << "no window to read headless";
}

TEST(Headless, WritesThePictureAsPng)
{
    startHeadless();
    ASSERT_TRUE(platformCreateTarget({16, 0xF800, 0x7E0, 0x1F}));
    PlatformLock lock;
    ASSERT_TRUE(platformLockTarget(lock));
    for (int y = 0; y < 240; ++y)
        for (int x = 0; x < 320; ++x) {
            uint16_t v = x < 160 ? 0xF800 : 0x001F;
            std::memcpy(lock.pixels + y * lock.pitch + 2 * x, &v, 2);
        }
    platformUnlockTarget();
    std::string path =
        std::string(V4N_BINARY_DIR) + "/platform_test_" + std::to_string(getpid()) + ".png";
    EXPECT_FALSE(platformWritePng(path.c_str())) << "nothing shown yet";
    ASSERT_TRUE(platformShowTarget(0, 0));
    ASSERT_TRUE(platformWritePng(path.c_str()));
    int w, h, n;
    unsigned char* data = stbi_load(path.c_str(), &w, &h, &n, 3);
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(w, 320);
    EXPECT_EQ(h, 240);
    EXPECT_EQ(data[0], 255);
    EXPECT_EQ(data[2], 0);
    EXPECT_EQ(data[(239 * 320 + 319) * 3 + 2], 255);
    EXPECT_EQ(data[(239 * 320 + 319) * 3], 0);
    stbi_image_free(data);
    std::remove(path.c_str());
}

TEST(Headless, PictureFitsByWholeFactorsElseAtFourThree)
{
    struct Case {
        int w, h;
        PlatformRect r;
    } cases[] = {
        {960, 720, {0, 0, 960, 720}},       {1000, 700, {180, 110, 640, 480}},
        {1920, 1080, {320, 60, 1280, 960}}, {300, 200, {17, 0, 266, 200}},
        {200, 400, {0, 125, 200, 150}},     {0, 0, {0, 0, 0, 0}},
    };
    for (const Case& c : cases) {
        PlatformRect r = platformFitPicture(c.w, c.h);
        EXPECT_EQ(r.x, c.r.x) << c.w << "x" << c.h;
        EXPECT_EQ(r.y, c.r.y) << c.w << "x" << c.h;
        EXPECT_EQ(r.width, c.r.width) << c.w << "x" << c.h;
        EXPECT_EQ(r.height, c.r.height) << c.w << "x" << c.h;
    }
}
