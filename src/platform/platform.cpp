// Backend selection and the calls every backend shares: each call goes to the SDL backend
// (platform_sdl.cpp) once platformInit started it, else to the headless one
// (platform_headless.cpp); the target surface and reading back what was shown are the same for
// both.
#include "platform/platform_state.h"
#ifdef __EMSCRIPTEN__
#include "platform/platform_web.h"
#endif

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#define STB_IMAGE_WRITE_STATIC
#define STB_IMAGE_WRITE_IMPLEMENTATION
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#pragma GCC diagnostic ignored "-Wunused-function"
#include <stb_image_write.h>
#pragma GCC diagnostic pop

PlatformState platform;

namespace {

// Outside the state record so that platformInit and resetPlatform keep it.
void (*shownHook)() = nullptr;

}  // namespace

namespace {

// The format a desktop of the given depth reports; bits 0 for an unknown depth.
PlatformPixelFormat formatForDepth(int depth)
{
    switch (depth) {
    case 32: return platformDesktop32;
    case 24: return {24, 0xFF0000, 0x00FF00, 0x0000FF};
    case 16: return {16, 0xF800, 0x07E0, 0x001F};
    case 15: return {16, 0x7C00, 0x03E0, 0x001F};
    case 8: return {8, 0, 0, 0};
    default: return {};
    }
}

int bytesPerPixel(int bits)
{
    return (bits + 7) / 8;
}

}  // namespace

bool platformInit(const PlatformConfig& config)
{
    platformShutdown();
    int depth = config.desktopBits;
    if (depth == 0) {
        if (const char* env = std::getenv("V4N_DESKTOP_BITS")) {
            int fromEnv = std::atoi(env);
            if (formatForDepth(fromEnv).bits != 0)
                depth = fromEnv;
            else
                std::fprintf(stderr, "V4N_DESKTOP_BITS=%s ignored: use 8, 15, 16, 24 or 32\n", env);
        }
    } else if (formatForDepth(depth).bits == 0) {
        return false;
    }

    PlatformPixelFormat desktop = formatForDepth(32);
    if (!config.headless) {
        if (!sdlInit(config, desktop))
            return false;
        platform.sdlActive = true;
    }
    platform.config = config;
    platform.virtualMicros = 0;
    if (depth != 0)
        desktop = formatForDepth(depth);
    if (config.desktopRedMask && config.desktopGreenMask && config.desktopBlueMask) {
        desktop.redMask = config.desktopRedMask;
        desktop.greenMask = config.desktopGreenMask;
        desktop.blueMask = config.desktopBlueMask;
    }
    platform.desktopFormat = desktop;
    return true;
}

void platformShutdown()
{
    if (platform.sdlActive) {
        sdlCloseWindow();
        sdlShutdown();
    }
    platform = PlatformState{};
}

void resetPlatform()
{
    platformShutdown();
}

const PlatformConfig& platformConfig()
{
    return platform.config;
}

uint32_t platformTicks()
{
    if (platform.sdlActive)
        return sdlTicks();
    return headlessTicks();
}

void platformWait(uint32_t ms)
{
    if (!platform.sdlActive)
        headlessWait(ms);
    else
#ifdef __EMSCRIPTEN__
        webWait(ms);  // yields to the browser while it waits
#else
        sdlWait(ms);
#endif
}

bool platformIsHeadless()
{
    return !platform.sdlActive;
}

bool platformOpenWindow()
{
    if (platform.sdlActive && !sdlOpenWindow(platform.config))
        return false;
    platform.windowOpen = true;
    return true;
}

void platformCloseWindow()
{
    if (platform.sdlActive)
        sdlCloseWindow();
    platform.windowOpen = false;
}

bool platformWindowOpen()
{
    return platform.windowOpen;
}

void platformShowCursor(bool shown)
{
    if (platform.sdlActive)
        sdlShowCursor(shown);
}

void platformClientSize(int& width, int& height)
{
    if (platform.sdlActive)
        sdlClientSize(width, height);
    else
        headlessClientSize(width, height);
}

void platformWindowBounds(int& x, int& y, int& width, int& height)
{
    x = y = 0;
    if (platform.sdlActive) {
        sdlWindowBounds(x, y, width, height);
        return;
    }
    platformClientSize(width, height);
}

bool platformPollEvent(PlatformEvent& event)
{
    if (platform.sdlActive)
        return sdlPollEvent(event);
    return headlessPollEvent(event);
}

bool platformWaitEvent(PlatformEvent& event, uint32_t timeoutMs)
{
    if (platform.sdlActive)
        return sdlWaitEvent(event, timeoutMs);
    return headlessWaitEvent(event, timeoutMs);
}

void platformPostEvent(const PlatformEvent& event)
{
    if (platform.sdlActive)
        sdlPostEvent(event);
    else
        headlessPostEventAfter(event, 0);
}

void platformPostEventAfter(const PlatformEvent& event, uint32_t afterMs)
{
    if (platform.sdlActive)
        sdlPostEventAfter(event, afterMs);
    else
        headlessPostEventAfter(event, afterMs);
}

bool platformMessageBox(const char* title, const char* text)
{
#ifdef __EMSCRIPTEN__
    return webMessageBox(title, text);
#endif
    if (!platform.sdlActive || !platform.config.messageBoxes)
        return false;
    return sdlMessageBox(title, text);
}

PlatformPixelFormat platformDesktopFormat()
{
    return platform.desktopFormat;
}

bool platformSetDisplayMode(int width, int height, int bits)
{
    if (width <= 0 || height <= 0)
        return false;
    if (bits != 8 && bits != 16 && bits != 24 && bits != 32)
        return false;
    if (platform.config.refusedModeBits & (uint64_t(1) << bits))
        return false;
    PlatformPixelFormat mode = formatForDepth(bits);
    // A 16-bit mode takes the desktop's 16-bit layout when it has one (5-5-5 desktops), else 5-6-5.
    if (bits == 16 && platform.desktopFormat.bits == 16)
        mode = platform.desktopFormat;
    platform.modeFormat = mode;
    platform.modeSet = true;
    return true;
}

PlatformPixelFormat platformDisplayFormat()
{
    return platform.modeSet ? platform.modeFormat : platform.desktopFormat;
}

bool platformCreateTarget(const PlatformPixelFormat& format)
{
    if (format.bits != 8 && format.bits != 16 && format.bits != 24 && format.bits != 32)
        return false;
    int rowBytes = platformTargetWidth * bytesPerPixel(format.bits);
    platform.targetFormat = format;
    platform.targetPitch = (rowBytes + 63) / 64 * 64 + platformTargetPadding;
    std::memset(platform.target, 0, sizeof platform.target);
    platform.targetReady = true;
    platform.targetLocked = false;
    platform.shownFrames = 0;
    platform.shownValid = false;
    return true;
}

void platformReleaseTarget()
{
    platform.targetReady = false;
    platform.targetLocked = false;
    platform.shownValid = false;
}

bool platformTargetReady()
{
    return platform.targetReady;
}

bool platformLockTarget(PlatformLock& lock)
{
    if (!platform.targetReady || platform.targetLocked)
        return false;
    platform.targetLocked = true;
    platform.shownValid = false;
    lock.pixels = platform.target;
    lock.pitch = platform.targetPitch;
    return true;
}

void platformUnlockTarget()
{
    platform.targetLocked = false;
}

namespace {

// Hashes the frame just shown and moves the next hash time on past now.
void hashShownFrame()
{
    static uint32_t pixels[platformTargetWidth * platformTargetHeight];
    platformReadShownFrom(platform.target, pixels);
    uint64_t h = 14695981039346656037ull;
    const auto* bytes = reinterpret_cast<const uint8_t*>(pixels);
    for (size_t i = 0; i < sizeof pixels; ++i) {
        h ^= bytes[i];
        h *= 1099511628211ull;
    }
    const uint32_t now = platformTicks();
    platform.shownHashes[platform.hashCount] = h;
    platform.shownHashTicks[platform.hashCount] = now;
    ++platform.hashCount;
    while (int32_t(now - platform.nextHashTick) >= 0)
        platform.nextHashTick += platform.hashEveryMs;
}

}  // namespace

bool platformShowTarget(int clientWidth, int clientHeight)
{
    if (!platform.targetReady || platform.targetLocked || !platform.windowOpen)
        return false;
    if (platform.sdlActive) {
        static uint32_t pixels[platformTargetWidth * platformTargetHeight];
        platformReadShownFrom(platform.target, pixels);
        if (!sdlShow(pixels, clientWidth, clientHeight))
            return false;
    } else {
        headlessShow();
    }
    ++platform.shownFrames;
    platform.shownValid = true;
    if (platform.hashEveryMs != 0 && platform.hashCount < platformMaxShownHashes &&
        int32_t(platformTicks() - platform.nextHashTick) >= 0)
        hashShownFrame();
    if (shownHook != nullptr)
        shownHook();
#ifdef __EMSCRIPTEN__
    webAfterShown();
#endif
    return true;
}

void platformOnShown(void (*hook)())
{
    shownHook = hook;
}

void platformHashShownEvery(uint32_t everyMs)
{
    platform.hashEveryMs = everyMs;
    platform.hashCount = 0;
    platform.nextHashTick = platformTicks();
}

int platformShownHashes(uint64_t* hashes, uint32_t* ticks, int capacity)
{
    const int count = platform.hashCount < capacity ? platform.hashCount : capacity;
    for (int i = 0; i < count; ++i) {
        hashes[i] = platform.shownHashes[i];
        ticks[i] = platform.shownHashTicks[i];
    }
    return count;
}

uint32_t platformShownFrames()
{
    return platform.shownFrames;
}

const uint8_t* platformShownTarget(int& pitch, int& bits)
{
    if (!platform.shownValid)
        return nullptr;
    pitch = platform.targetPitch;
    bits = platform.targetFormat.bits;
    return platform.target;
}

void platformExpandRow(const uint8_t* source, const PlatformPixelFormat& format, uint32_t* row,
                       int count)
{
    switch (format.bits) {
    case 32:
        for (int x = 0; x < count; ++x) {
            uint32_t p;
            std::memcpy(&p, source + 4 * x, 4);
            row[x] = p & 0xFFFFFF;
        }
        break;
    case 24:
        for (int x = 0; x < count; ++x) {
            const uint8_t* s = source + 3 * x;
            row[x] = uint32_t(s[2]) << 16 | uint32_t(s[1]) << 8 | s[0];
        }
        break;
    case 16: {
        // 5-5-5 when the green mask says so, otherwise read as 5-6-5.
        bool fiveFive = format.greenMask == 0x03E0;
        for (int x = 0; x < count; ++x) {
            uint32_t v = uint32_t(source[2 * x]) | uint32_t(source[2 * x + 1]) << 8;
            uint32_t r, g, b;
            if (fiveFive) {
                r = (v >> 10) & 31;
                g = (v >> 5) & 31;
                g = g << 3 | g >> 2;
            } else {
                r = (v >> 11) & 31;
                g = (v >> 5) & 63;
                g = g << 2 | g >> 4;
            }
            b = v & 31;
            r = r << 3 | r >> 2;
            b = b << 3 | b >> 2;
            row[x] = r << 16 | g << 8 | b;
        }
        break;
    }
    default:
        // 8 bits: no palette is kept, so each index is shown as a grey level.
        for (int x = 0; x < count; ++x)
            row[x] = uint32_t(source[x]) * 0x010101u;
        break;
    }
}

void platformReadShownFrom(const uint8_t* target, uint32_t* pixels)
{
    for (int y = 0; y < platformTargetHeight; ++y)
        platformExpandRow(target + y * platform.targetPitch, platform.targetFormat,
                          pixels + y * platformTargetWidth, platformTargetWidth);
}

bool platformReadShown(uint32_t* pixels)
{
    if (!platform.shownValid)
        return false;
    platformReadShownFrom(platform.target, pixels);
    return true;
}

bool platformReadWindow(uint32_t* pixels, int capacity, int& width, int& height)
{
    if (!platform.sdlActive)
        return false;
    return sdlReadWindow(pixels, capacity, width, height);
}

namespace {

// stb's writer hands the encoded file over in pieces; they are gathered here.
struct PngBytes {
    uint8_t* data;
    size_t size;
    size_t capacity;
    bool failed;
};

void appendPngBytes(void* context, void* data, int size)
{
    auto* png = static_cast<PngBytes*>(context);
    if (png->failed || size <= 0)
        return;
    if (png->size + size_t(size) > png->capacity) {
        size_t capacity = png->capacity > 0 ? png->capacity : 65536;
        while (capacity < png->size + size_t(size))
            capacity *= 2;
        auto* grown = static_cast<uint8_t*>(std::realloc(png->data, capacity));
        if (grown == nullptr) {
            png->failed = true;
            return;
        }
        png->data = grown;
        png->capacity = capacity;
    }
    std::memcpy(png->data + png->size, data, size_t(size));
    png->size += size_t(size);
}

}  // namespace

bool platformWriteFile(const char* path, const void* data, size_t size)
{
    FILE* file = std::fopen(path, "wb");
    if (file == nullptr)
        return false;
    bool written = std::fwrite(data, 1, size, file) == size;
    // A full disk often shows only when the buffered bytes go out at the close.
    written = std::fclose(file) == 0 && written;
    // A regular file left half written is removed; a device (/dev/full, say) is left alone.
    std::error_code error;
    if (!written && std::filesystem::is_regular_file(path, error))
        std::filesystem::remove(path, error);
    return written;
}

bool platformWritePngFile(const char* path, int width, int height, const uint8_t* rgb)
{
    PngBytes png{nullptr, 0, 0, false};
    const bool encoded =
        stbi_write_png_to_func(appendPngBytes, &png, width, height, 3, rgb, width * 3) != 0 &&
        !png.failed;
    const bool written = encoded && platformWriteFile(path, png.data, png.size);
    std::free(png.data);
    return written;
}

bool platformWritePng(const char* path)
{
    static uint32_t pixels[platformTargetWidth * platformTargetHeight];
    static uint8_t rgb[platformTargetWidth * platformTargetHeight * 3];
    if (!platformReadShown(pixels))
        return false;
    for (int i = 0; i < platformTargetWidth * platformTargetHeight; ++i) {
        rgb[3 * i] = uint8_t(pixels[i] >> 16);
        rgb[3 * i + 1] = uint8_t(pixels[i] >> 8);
        rgb[3 * i + 2] = uint8_t(pixels[i]);
    }
    return platformWritePngFile(path, platformTargetWidth, platformTargetHeight, rgb);
}

PlatformRect platformFitPicture(int clientWidth, int clientHeight)
{
    if (clientWidth <= 0 || clientHeight <= 0)
        return {0, 0, 0, 0};
    int factor = clientWidth / platformTargetWidth;
    if (clientHeight / platformTargetHeight < factor)
        factor = clientHeight / platformTargetHeight;
    int width, height;
    if (factor >= 1) {
        width = platformTargetWidth * factor;
        height = platformTargetHeight * factor;
    } else if (clientWidth * 3 >= clientHeight * 4) {
        height = clientHeight;
        width = clientHeight * 4 / 3;
    } else {
        width = clientWidth;
        height = clientWidth * 3 / 4;
    }
    return {(clientWidth - width) / 2, (clientHeight - height) / 2, width, height};
}
