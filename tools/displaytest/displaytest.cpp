// Shows a moving test picture through presentFrame (trail blend, fade, conversion) until Escape,
// a closed window or the frame count ends it. Headless runs can record every frame as PNG.
#include "demo/demo.h"
#include "display/display.h"
#include "platform/platform.h"
#include "shell/shell.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

namespace {

const char* const usage =
    "usage: v4npelva-displaytest [options]\n"
    "  --window          a resizable window (default)\n"
    "  --fullscreen      desktop-sized full screen, no cursor\n"
    "  --headless        no window; virtual clock, one frame period per shown frame\n"
    "  --depth N         bits per pixel: 32, 24, 16 or 15 (windowed: what the desktop reports;\n"
    "                    full screen: deeper modes are refused so the choice lands on N)\n"
    "  --frames N        stop after N frames (0: until Escape or the window closes, windows\n"
    "                    only; default 0 with a window, 300 headless)\n"
    "  --png-dir DIR     write every shown frame as DIR/frame_NNNNN.png\n"
    "  --fps N           headless frame rate of the virtual clock (default 60)\n"
    "  --direct          present without the trail (presentFrameDirect)\n"
    "  --smooth          linear scaling instead of nearest-neighbour\n"
    "  --no-vsync        do not wait for the display's refresh\n"
    "Keys: Escape ends the test.\n";

struct Options {
    bool headless = false;
    bool fullScreen = false;
    int depth = 0;
    long frames = -1;
    std::string pngDir;
    int fps = 60;
    bool direct = false;
    bool smooth = false;
    bool vsync = true;
};

bool parseNumber(const char* text, long low, long high, long& value)
{
    char* end = nullptr;
    long v = std::strtol(text, &end, 10);
    if (!text[0] || *end || v < low || v > high)
        return false;
    value = v;
    return true;
}

// Parses the command line; prints the reason and returns false on a bad flag.
bool parseOptions(int argc, char** argv, Options& o)
{
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        auto value = [&](const char* name) -> const char* {
            if (i + 1 >= argc) {
                std::fprintf(stderr, "v4npelva-displaytest: %s needs a value\n", name);
                return nullptr;
            }
            return argv[++i];
        };
        long n;
        if (a == "--window") {
            o.fullScreen = false;
        } else if (a == "--fullscreen") {
            o.fullScreen = true;
        } else if (a == "--headless") {
            o.headless = true;
        } else if (a == "--direct") {
            o.direct = true;
        } else if (a == "--smooth") {
            o.smooth = true;
        } else if (a == "--no-vsync") {
            o.vsync = false;
        } else if (a == "--depth") {
            const char* v = value("--depth");
            if (!v)
                return false;
            if (!parseNumber(v, 8, 32, n) || (n != 32 && n != 24 && n != 16 && n != 15)) {
                std::fprintf(stderr,
                             "v4npelva-displaytest: --depth takes 32, 24, 16 or 15, not '%s'\n", v);
                return false;
            }
            o.depth = int(n);
        } else if (a == "--frames") {
            const char* v = value("--frames");
            if (!v)
                return false;
            if (!parseNumber(v, 0, 100000000, n)) {
                std::fprintf(stderr, "v4npelva-displaytest: --frames takes a count, not '%s'\n", v);
                return false;
            }
            o.frames = n;
        } else if (a == "--fps") {
            const char* v = value("--fps");
            if (!v)
                return false;
            if (!parseNumber(v, 1, 1000, n)) {
                std::fprintf(stderr, "v4npelva-displaytest: --fps takes 1 to 1000, not '%s'\n", v);
                return false;
            }
            o.fps = int(n);
        } else if (a == "--png-dir") {
            const char* v = value("--png-dir");
            if (!v)
                return false;
            o.pngDir = v;
        } else if (a == "--help" || a == "-h") {
            std::fputs(usage, stdout);
            std::exit(0);
        } else {
            std::fprintf(stderr, "v4npelva-displaytest: unknown option '%s'\n%s", a.c_str(), usage);
            return false;
        }
    }
    if (o.frames < 0)
        o.frames = o.headless ? 300 : 0;
    if (o.headless && o.frames == 0) {
        std::fprintf(
            stderr,
            "v4npelva-displaytest: a headless run has no Escape key: give --frames N above 0\n");
        return false;
    }
    return true;
}

int triangle(int t, int span)
{
    int m = t % (2 * span);
    return m < span ? m : 2 * span - m;
}

// The test picture at clock time t: a drifting gradient, a bouncing white square that the trail
// smears, a red disc circling, and colour bars along the bottom for checking each conversion.
void drawTestPicture(int t, int frame)
{
    uint32_t* p = frameBuffer.pixels;
    for (int y = 0; y < frameHeight; ++y)
        for (int x = 0; x < frameWidth; ++x) {
            uint32_t r = uint32_t(x + t / 3) & 0xFF;
            uint32_t g = uint32_t(y + y + t / 5) & 0xFF;
            uint32_t b = uint32_t((x ^ y) + t / 2) & 0x7F;
            p[y * frameWidth + x] = r << 16 | g << 8 | b;
        }
    int bx = triangle(t / 2, frameWidth - 40), by = triangle(t / 3, 160 - 40);
    for (int y = by; y < by + 40; ++y)
        for (int x = bx; x < bx + 40; ++x)
            p[y * frameWidth + x] = 0x00FFFFFF;
    // A disc on a circle, its place stepped per frame so fast motion shows the trail.
    static const int circle[16][2] = {
        {60, 0},  {55, 23},   {42, 42},   {23, 55},   {0, 60},  {-23, 55}, {-42, 42}, {-55, 23},
        {-60, 0}, {-55, -23}, {-42, -42}, {-23, -55}, {0, -60}, {23, -55}, {42, -42}, {55, -23}};
    int cx = 160 + circle[(frame / 2) % 16][0], cy = 80 + circle[(frame / 2) % 16][1] / 2;
    for (int y = cy - 12; y <= cy + 12; ++y)
        for (int x = cx - 12; x <= cx + 12; ++x)
            if ((x - cx) * (x - cx) + (y - cy) * (y - cy) <= 144)
                p[y * frameWidth + x] = 0x00FF2020;
    static const uint32_t bars[8] = {0xFFFFFF, 0xFFFF00, 0x00FFFF, 0x00FF00,
                                     0xFF00FF, 0xFF0000, 0x0000FF, 0x000000};
    for (int y = 170; y < 200; ++y)
        for (int x = 0; x < frameWidth; ++x)
            p[y * frameWidth + x] = bars[x / 40];
}

}  // namespace

int main(int argc, char** argv)
{
    Options o;
    if (!parseOptions(argc, argv, o))
        return 2;
    if (!o.pngDir.empty()) {
        std::error_code error;
        std::filesystem::create_directories(o.pngDir, error);
        if (!std::filesystem::is_directory(o.pngDir, error)) {
            std::fprintf(stderr, "v4npelva-displaytest: cannot use '%s' as the PNG folder\n",
                         o.pngDir.c_str());
            return 2;
        }
    }

    PlatformConfig config;
    config.headless = o.headless;
    config.fullscreen = o.fullScreen;
    config.frameRate = o.fps;
    config.smoothScaling = o.smooth;
    config.vsync = o.vsync;
    config.messageBoxes = false;
    if (o.fullScreen) {
        // A full-screen mode is chosen from 32, 24, 16: refuse the deeper ones.
        if (o.depth == 24)
            config.refusedModeBits = uint64_t(1) << 32;
        if (o.depth == 16 || o.depth == 15)
            config.refusedModeBits = uint64_t(1) << 32 | uint64_t(1) << 24;
        if (o.depth == 15)
            config.desktopBits = 15;
    } else {
        config.desktopBits = o.depth;
    }
    if (!platformInit(config)) {
        std::fprintf(stderr,
                     "v4npelva-displaytest: the display could not be started (no X server?)\n");
        return 1;
    }
    if (!openMainWindow(o.fullScreen ? 1 : 0)) {
        std::fprintf(stderr, "v4npelva-displaytest: the window could not be made\n");
        return 1;
    }
    if (!chooseVideoMode()) {
        showMessage("Not found compotible video mode. Try windowed !");
        shutdownDemo();
        return 1;
    }
    if (display.bitsPerPixel == 8) {
        std::fprintf(
            stderr, "v4npelva-displaytest: the desktop has 8 bits per pixel, which is not drawn\n");
        shutdownDemo();
        return 1;
    }
    std::printf("display: %s, %d bits per pixel, layout %d, %s\n",
                o.fullScreen ? "full screen (flip)" : "windowed (blit)", display.bitsPerPixel,
                display.pixelLayout, platformIsHeadless() ? "headless" : "SDL");
    initFrameBuffers();

    // Fade in from black, then every cycle fade out (alternately to white and to black) and in.
    constexpr int cycleLength = 2400;  // clock units, 4.56 s
    timing.fadeLevel = 255;
    timing.fadeToWhite = 0;
    timing.endFadeToWhite = 1;
    timing.lastTick = timing.currentTick = platformTicks();
    timing.demoClock = 0;
    startFadeIn();
    long frame = 0;
    while (!quitRequested() && (o.frames == 0 || frame < o.frames)) {
        int t = int(timing.demoClock);
        if (t >= cycleLength) {
            timing.demoClock = 0;
            timing.endFadeToWhite ^= 1;
            startFadeIn();
            t = 0;
        }
        drawTestPicture(t, int(frame));
        if (o.direct)
            presentFrameDirect();
        else
            presentFrame();
        fadeOutNear(int(timing.demoClock), cycleLength, 0.85f);
        if (!o.pngDir.empty()) {
            char name[64];
            std::snprintf(name, sizeof name, "/frame_%05ld.png", frame);
            if (!platformWritePng((o.pngDir + name).c_str())) {
                std::fprintf(stderr, "v4npelva-displaytest: cannot write %s%s\n", o.pngDir.c_str(),
                             name);
                shutdownDemo();
                return 1;
            }
        }
        ++frame;
    }
    std::printf("%ld frames shown, ended by %s\n", frame, quitRequested() ? "quit" : "frame count");
    shutdownDemo();
    platformShutdown();
    return 0;
}
