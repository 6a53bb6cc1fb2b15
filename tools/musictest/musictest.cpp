// v4npelva-musictest MODULE [--offline WAV] [--seconds N] [--null] [--rate HZ] [--buffer MS]
//
// Plays MODULE through the audio device (SDL_AUDIODRIVER=dummy works without sound hardware), or
// with --null through the null output, or with --offline through the offline output on the
// headless clock, writing what it rendered to WAV. Prints one line per audible row change and per
// sync command, as they become audible, then a summary.
#include "audio/audio.h"
#include "platform/platform.h"
#include "platform/platform_audio.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

namespace {

// Sync events from the player thread, handed to the printing loop through a small ring.
constexpr int kSyncQueue = 256;
struct SyncEvent {
    unsigned value, order, row;
};
SyncEvent syncQueue[kSyncQueue];
std::atomic<unsigned> syncWritten{0};
unsigned syncRead = 0;
std::atomic<unsigned> syncCount{0};

void onSync(unsigned value, unsigned order, unsigned row)
{
    const unsigned n = syncWritten.load(std::memory_order_relaxed);
    syncQueue[n % kSyncQueue] = SyncEvent{value, order, row};
    syncWritten.store(n + 1, std::memory_order_release);
    syncCount.fetch_add(1);
}

void printSyncs(double seconds)
{
    const unsigned written = syncWritten.load(std::memory_order_acquire);
    for (; syncRead != written; ++syncRead) {
        const SyncEvent& e = syncQueue[syncRead % kSyncQueue];
        std::printf("%8.3f  sync %3u (0x%02x) at order %u row %u\n", seconds, e.value, e.value,
                    e.order, e.row);
    }
}

int usage()
{
    std::fprintf(stderr,
                 "usage: v4npelva-musictest MODULE [--offline WAV] [--seconds N] [--null] [--rate "
                 "HZ] [--buffer MS]\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv)
{
    const char* moduleName = nullptr;
    const char* wavName = nullptr;
    double seconds = 10;
    bool nullOutput = false;
    int rate = 44100;
    int bufferMs = 250;
    for (int i = 1; i < argc; ++i) {
        const bool hasValue = i + 1 < argc;
        if (std::strcmp(argv[i], "--offline") == 0 && hasValue) {
            wavName = argv[++i];
        } else if (std::strcmp(argv[i], "--seconds") == 0 && hasValue) {
            seconds = std::atof(argv[++i]);
        } else if (std::strcmp(argv[i], "--rate") == 0 && hasValue) {
            rate = std::atoi(argv[++i]);
        } else if (std::strcmp(argv[i], "--buffer") == 0 && hasValue) {
            bufferMs = std::atoi(argv[++i]);
        } else if (std::strcmp(argv[i], "--null") == 0) {
            nullOutput = true;
        } else if (argv[i][0] == '-' || moduleName != nullptr) {
            return usage();
        } else {
            moduleName = argv[i];
        }
    }
    if (moduleName == nullptr || !(seconds > 0 && seconds <= 3600))
        return usage();

    musicStartup();
    const int device = wavName != nullptr ? musicDeviceOffline
                       : nullOutput       ? musicDeviceNull
                                          : musicDeviceSound;
    if (!musicSetOption(musicOptionOutputDevice, device) ||
        !musicSetOption(musicOptionMixRate, rate) ||
        !musicSetOption(musicOptionBufferMs, bufferMs)) {
        std::fprintf(stderr, "musictest: %s\n", musicLastError());
        return 2;
    }
    musicInit();
    if (device == musicDeviceSound && musicActiveDevice() != musicDeviceSound)
        std::fprintf(stderr, "musictest: %s\n", musicLastError());
    MusicModule* module = musicLoadModule(moduleName);
    if (module == nullptr) {
        std::fprintf(stderr, "musictest: %s\n", musicLastError());
        musicClose();
        return 1;
    }
    if (wavName != nullptr && !musicRecordWav(wavName)) {
        std::fprintf(stderr, "musictest: %s\n", musicLastError());
        musicFreeModule(module);
        musicClose();
        return 1;
    }
    const char* outputs[] = {"auto", "audio device", "null output", "offline output"};
    std::printf("playing %s through the %s at %d Hz", moduleName, outputs[musicActiveDevice()],
                musicMixRate());
    if (musicActiveDevice() == musicDeviceSound)
        std::printf(" (driver %s)", platformAudioDriverName());
    std::printf("\n");

    const unsigned handle = musicPlayModule(module, 1);
    musicSetSyncCallback(handle, onSync);
    musicStartBackgroundPlay(0);

    // The offline output follows the headless clock, which this loop advances 5 ms at a time;
    // the others follow the wall clock.
    const auto start = std::chrono::steady_clock::now();
    const uint32_t startTicks = platformTicks();
    MusicPlayStatus last{~0u, ~0u, ~0u, 0, 0};
    int maxLatency = 0;
    double now = 0;
    while (now < seconds) {
        if (wavName != nullptr) {
            platformWait(5);
            now = (platformTicks() - startTicks) / 1000.0;
        } else {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
            now = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        }
        MusicPlayStatus status{};
        if (!musicGetPlayStatus(handle, &status)) {
            std::fprintf(stderr, "musictest: play status failed\n");
            break;
        }
        maxLatency = std::max(maxLatency, musicLatencyFrames());
        printSyncs(now);
        if (status.position != last.position || status.row != last.row) {
            std::printf("%8.3f  order %3u pattern %3u row %3u  loops %u\n", now, status.position,
                        status.pattern, status.row, status.songLoopCount);
            last = status;
        }
    }
    musicStopModule(handle);
    musicFreeModule(module);
    musicClose();
    std::printf("%u sync commands heard", syncCount.load());
    if (maxLatency > 0)
        std::printf("; latency compensated up to %d frames (%.1f ms)", maxLatency,
                    maxLatency * 1000.0 / rate);
    if (wavName != nullptr)
        std::printf("; rendered to %s", wavName);
    std::printf("\n");
    return 0;
}
