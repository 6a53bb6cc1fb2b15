// The SDL backend for real: a window on a private Xvfb server, read back through the renderer and
// through a screenshot of the X screen, keys from the X server, deactivation.
#include "demo/demo.h"
#include "display/display.h"
#include "platform/platform.h"
#include "shell/shell.h"
#include "xvfb_server.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <ctime>
#include <string>
#include <vector>

// Last: Xlib defines macros (None, Bool) that the headers above use as names.
#include <X11/Xlib.h>

// SDL's video start-up loads the system's GL driver and D-Bus, which keep allocations that leak
// checking reports once SDL unloads them; this binary leaves leak checking to the other suites
// (the platform layer itself allocates nothing on the heap).
extern "C" const char* __lsan_default_options()
{
    return "detect_leaks=0";
}

namespace {

// Starts Xvfb and the SDL backend at the given desktop depth (0: the server's own), opens the
// window and the display. Skips when Xvfb is not installed.
#define START_WINDOW(depth, fullScreen)                     \
    do {                                                    \
        if (!xvfbInstalled())                               \
            GTEST_SKIP() << "Xvfb is not installed";        \
        ASSERT_NE(startXvfb(), "") << "Xvfb did not start"; \
        ASSERT_TRUE(openSdlWindow(depth, fullScreen));      \
    } while (0)

bool openSdlWindow(int depth, int fullScreen)
{
    resetDisplay();
    resetPlatform();
    resetShell();
    resetTiming();
    PlatformConfig config;
    config.headless = false;
    config.fullscreen = fullScreen != 0;
    config.desktopBits = depth;
    config.vsync = false;
    config.messageBoxes = false;
    if (!platformInit(config))
        return false;
    if (!openMainWindow(fullScreen))
        return false;
    if (!chooseVideoMode())
        return false;
    initFrameBuffers();
    return true;
}

uint32_t pattern(int x, int y)
{
    return uint32_t(x * 7 & 0xFF) | uint32_t(y * 3 & 0xFF) << 8 | uint32_t((x + y) & 0xFF) << 16;
}

void drawPattern()
{
    for (int y = 0; y < frameHeight; ++y)
        for (int x = 0; x < frameWidth; ++x)
            frameBuffer.pixels[y * frameWidth + x] = pattern(x, y);
}

std::string run(const std::string& command)
{
    std::string out;
    if (FILE* p = popen(command.c_str(), "r")) {
        char buffer[256];
        while (fgets(buffer, sizeof buffer, p))
            out += buffer;
        pclose(p);
    }
    return out;
}

// Pumps until the client rectangle has the given size or two seconds pass.
bool pumpUntilClientSize(int width, int height)
{
    auto until = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    while (std::chrono::steady_clock::now() < until) {
        pumpMessages();
        if (display.clientRect.right == width && display.clientRect.bottom == height)
            return true;
        platformWait(10);
    }
    return false;
}

// Handles the events the new window brings (map, expose, the X server's focus changes) until
// 300 ms pass without one, so that a test's own events are not mixed with them.
void settleWindow()
{
    auto quietSince = std::chrono::steady_clock::now();
    auto until = quietSince + std::chrono::seconds(3);
    while (std::chrono::steady_clock::now() < until &&
           std::chrono::steady_clock::now() - quietSince < std::chrono::milliseconds(300)) {
        PlatformEvent event;
        if (platformWaitEvent(event, 20)) {
            windowProc(event);
            quietSince = std::chrono::steady_clock::now();
        }
    }
    timing.appActive = 1;
}

// Checks the window against the 320 x 240 picture placed at (left, top) scaled by factor.
void expectWindowShowsPattern(int left, int top, int factor)
{
    std::vector<uint32_t> window(2048 * 2048);
    int width = 0, height = 0;
    ASSERT_TRUE(platformReadWindow(window.data(), int(window.size()), width, height));
    for (int y = 0; y < displayHeight; ++y)
        for (int x = 0; x < displayWidth; ++x) {
            bool inside = y >= frameOffset && y < frameOffset + frameHeight;
            uint32_t expected = inside ? pattern(x, y - frameOffset) : 0;
            for (int corner = 0; corner < 2; ++corner) {
                int wx = left + x * factor + corner * (factor - 1);
                int wy = top + y * factor + corner * (factor - 1);
                ASSERT_EQ(window[wy * width + wx] & 0xFFFFFF, expected)
                    << x << "," << y << " factor " << factor;
            }
        }
    // The bars around the picture are black.
    if (left > 0) {
        EXPECT_EQ(window[(height / 2) * width + left - 1] & 0xFFFFFF, 0u);
    }
    if (top > 0) {
        EXPECT_EQ(window[(top - 1) * width + width / 2] & 0xFFFFFF, 0u);
    }
}

}  // namespace

TEST(SdlWindow, ShowsTheFrameByWholeFactorsWithBlackBars)
{
    START_WINDOW(0, 0);
    EXPECT_FALSE(platformIsHeadless());
    EXPECT_EQ(display.bitsPerPixel, 32) << "Xvfb at 24 bits stores pixels in 32";
    // 1280 x 1024 desktop: the largest multiple that leaves room is 3.
    EXPECT_EQ(display.clientRect.right, 960);
    EXPECT_EQ(display.clientRect.bottom, 720);
    drawPattern();
    presentFrameDirect();
    expectWindowShowsPattern(0, 0, 3);

    // Resized by the X server (as a user would drag the frame): 2x picture, centred.
    run("xdotool search --name '^The v4n Pelvadron Demo by -ZEM-$' windowsize --sync 1000 700");
    ASSERT_TRUE(pumpUntilClientSize(1000, 700));
    presentFrameDirect();
    expectWindowShowsPattern(180, 110, 2);
}

TEST(SdlWindow, EveryDesktopDepthShowsTheRightColours)
{
    struct Case {
        int depth;
        uint32_t expected;
    } cases[] = {{32, 0x00FF8040}, {24, 0x00FF8040}, {16, 0x00FF8242}, {15, 0x00FF8442}};
    for (const Case& c : cases) {
        START_WINDOW(c.depth, 0);
        EXPECT_EQ(display.bitsPerPixel, c.depth);
        for (uint32_t& p : frameBuffer.pixels)
            p = 0x00FF8040;
        presentFrameDirect();
        std::vector<uint32_t> window(960 * 720);
        int width, height;
        ASSERT_TRUE(platformReadWindow(window.data(), int(window.size()), width, height));
        ASSERT_EQ(width, 960);
        EXPECT_EQ(window[360 * 960 + 480] & 0xFFFFFF, c.expected) << c.depth;
        EXPECT_EQ(window[5 * 960 + 480] & 0xFFFFFF, 0u) << c.depth;
    }
}

TEST(SdlWindow, ScreenshotOfTheXScreenShowsThePicture)
{
    START_WINDOW(0, 0);
    if (run("command -v xwd && command -v convert").empty())
        GTEST_SKIP() << "xwd or convert missing";
    drawPattern();
    presentFrameDirect();
    std::string path =
        std::string(V4N_BINARY_DIR) + "/sdl_window_test_" + std::to_string(getpid()) + ".rgb";
    run("xwd -root -silent | convert xwd:- -depth 8 rgb:" + path);
    std::vector<uint8_t> screen(1280 * 1024 * 3);
    FILE* f = std::fopen(path.c_str(), "rb");
    ASSERT_NE(f, nullptr);
    size_t got = std::fread(screen.data(), 1, screen.size(), f);
    std::fclose(f);
    std::remove(path.c_str());
    ASSERT_EQ(got, screen.size());
    int left, top, width, height;
    platformWindowBounds(left, top, width, height);
    ASSERT_EQ(width, 960);
    for (int y = 0; y < displayHeight; y += 7)
        for (int x = 0; x < displayWidth; x += 5) {
            const uint8_t* p = &screen[((top + 3 * y + 1) * 1280 + left + 3 * x + 1) * 3];
            uint32_t seen = uint32_t(p[0]) << 16 | uint32_t(p[1]) << 8 | p[2];
            bool inside = y >= frameOffset && y < frameOffset + frameHeight;
            ASSERT_EQ(seen, inside ? pattern(x, y - frameOffset) : 0u) << x << "," << y;
        }
}

TEST(SdlWindow, EscapeEndsTheShow)
{
    START_WINDOW(0, 0);
    // Through SDL's queue: within one pump.
    PlatformEvent escape;
    escape.kind = platformEventKeyDown;
    escape.key = platformKeyEscape;
    platformPostEvent(escape);
    EXPECT_EQ(pumpMessages(), 1);
    EXPECT_FALSE(platformWindowOpen());

    // From the X server's keyboard: within the first pump that sees the key.
    ASSERT_TRUE(openSdlWindow(0, 0));
    run("xdotool search --name '^The v4n Pelvadron Demo by -ZEM-$' windowfocus --sync");
    settleWindow();
    run("xdotool key Escape");
    auto until = std::chrono::steady_clock::now() + std::chrono::seconds(3);
    int quit = 0;
    while (!quit && std::chrono::steady_clock::now() < until) {
        quit = pumpMessages();
        if (!quit)
            platformWait(5);
    }
    EXPECT_EQ(quit, 1);
}

// Xlib's error handler is the process's: a request about a window that is gone, on any
// connection, is answered with BadWindow, which would end the program without ours.
TEST(SdlWindow, AWindowThatIsGoneDoesNotEndTheProgram)
{
    START_WINDOW(0, 0);
    Display* display = XOpenDisplay(nullptr);
    ASSERT_NE(display, nullptr);
    const Window gone =
        XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 8, 8, 0, 0, 0);
    XDestroyWindow(display, gone);
    XRaiseWindow(display, gone);
    XSync(display, False);
    XCloseDisplay(display);
    EXPECT_TRUE(platformWindowOpen());
}

// A window destroyed by another client (xdotool windowclose, a window manager that crashed) ends
// the show as closing it does, and the presents and the shutdown after it are no X error.
TEST(SdlWindow, AWindowDestroyedOutrightEndsTheShowLikeAClose)
{
    START_WINDOW(0, 0);
    settleWindow();
    run("xdotool search --name '^The v4n Pelvadron Demo by -ZEM-$' windowclose");
    auto until = std::chrono::steady_clock::now() + std::chrono::seconds(3);
    int quit = 0;
    while (!quit && std::chrono::steady_clock::now() < until) {
        // Presenting pumps the messages; the quit it takes stays in the quit flag.
        presentFrameDirect();
        quit = quitRequested();
        if (!quit)
            platformWait(5);
    }
    EXPECT_EQ(quit, 1);
    EXPECT_FALSE(platformWindowOpen());
    // Stopping SDL's video puts Xlib's own handler back, which would end the process on an
    // answer about the gone window still unread.
    resetPlatform();
}

TEST(SdlWindow, FullScreenCoversTheDesktop)
{
    START_WINDOW(0, 1);
    EXPECT_EQ(display.flipMode, 1);
    EXPECT_EQ(display.bitsPerPixel, 32);
    ASSERT_TRUE(pumpUntilClientSize(1280, 1024));
    int width, height;
    platformClientSize(width, height);
    EXPECT_EQ(width, 1280);
    EXPECT_EQ(height, 1024);
    drawPattern();
    presentFrameDirect();
    // 1280 x 1024 holds the picture four times: 1280 x 960, 32 rows of bars above and below.
    expectWindowShowsPattern(0, 32, 4);
}

TEST(SdlWindow, DeactivationHoldsThePumpWithoutSpinning)
{
    START_WINDOW(0, 0);
    settleWindow();
    timing.lastTick = timing.currentTick = platformTicks();
    timing.demoClock = 0;
    PlatformEvent e;
    e.kind = platformEventDeactivate;
    platformPostEvent(e);
    e.kind = platformEventActivate;
    platformPostEventAfter(e, 500);
    std::clock_t cpuStart = std::clock();
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(pumpMessages(), 0);
    double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    double cpu = double(std::clock() - cpuStart) / CLOCKS_PER_SEC;
    EXPECT_GE(seconds, 0.45) << "the pump returned while inactive";
    EXPECT_LT(cpu, seconds * 0.5) << "the inactive pump should sleep, not spin";
    EXPECT_EQ(timing.appActive, 1);
    updateDemoClock();
    EXPECT_LT(timing.demoClock, 30.0) << "the inactive time stays out of the demo clock";
}

TEST(SdlWindow, LosingTheXFocusPausesUntilItComesBack)
{
    START_WINDOW(0, 0);
    run("xdotool search --name '^The v4n Pelvadron Demo by -ZEM-$' windowfocus --sync");
    settleWindow();
    std::string id = run("xdotool search --name '^The v4n Pelvadron Demo by -ZEM-$' | head -n 1");
    ASSERT_FALSE(id.empty());
    id.erase(id.find_last_not_of("\n") + 1);
    // The focus goes to the root window, and comes back to ours half a second later.
    run("xdotool windowfocus $(xdotool search --maxdepth 0 '' 2>/dev/null | head -n 1)");
    run("(sleep 0.5; xdotool windowfocus " + id + ") >/dev/null 2>&1 &");
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(pumpMessages(), 0);
    double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_GE(seconds, 0.4) << "the pump did not wait for the focus to come back";
    EXPECT_EQ(timing.appActive, 1);
}

TEST(SdlWindow, AltEnterSwitchesBetweenWindowAndFullScreen)
{
    START_WINDOW(0, 0);
    run("xdotool search --name '^The v4n Pelvadron Demo by -ZEM-$' windowfocus --sync");
    settleWindow();
    ASSERT_TRUE(pumpUntilClientSize(960, 720));
    // The X server's Alt+Enter: the window covers the 1280 x 1024 screen, and the picture is
    // scaled into it as in a show started full screen.
    run("xdotool key alt+Return");
    ASSERT_TRUE(pumpUntilClientSize(1280, 1024));
    settleWindow();
    EXPECT_TRUE(platformWindowOpen());
    drawPattern();
    presentFrameDirect();
    expectWindowShowsPattern(0, 32, 4);
    // And back: a window of the size it opened at, the picture three times over.
    run("xdotool key alt+Return");
    ASSERT_TRUE(pumpUntilClientSize(960, 720));
    settleWindow();
    presentFrameDirect();
    expectWindowShowsPattern(0, 0, 3);
    EXPECT_TRUE(platformWindowOpen());
}
