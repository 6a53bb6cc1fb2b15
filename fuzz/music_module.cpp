// Feeds arbitrary bytes to the music player as a module: load (which scans the patterns for sync
// commands), play offline for a few thousand frames, read the play status, free. Nothing may crash,
// hang or read outside a buffer, whatever the bytes claim.
#include "audio/audio.h"

#include <cstddef>
#include <cstdint>

#include "fuzz_options.h"

static void countSync(unsigned, unsigned, unsigned) {}

// Inputs up to 256 KB: modules with several patterns and samples.
extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    addDefaultOption(argc, argv, "-max_len=262144");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static bool started = [] {
        musicStartup();
        musicSetOption(musicOptionOutputDevice, musicDeviceOffline);
        musicSetOption(musicOptionMixRate, 8000);
        return musicInit();
    }();
    if (!started)
        return 0;
    MusicModule* module = musicLoadModuleFromMemory(data, size);
    if (!module)
        return 0;
    unsigned play = musicPlayModule(module, 1);
    if (play) {
        musicSetSyncCallback(play, countSync);
        musicStartBackgroundPlay(0);
        MusicPlayStatus status;
        for (uint64_t frame = 512; frame <= 4096; frame += 512) {
            musicRenderOfflineTo(frame);
            musicGetPlayStatus(play, &status);
        }
        musicStopModule(play);
    }
    musicFreeModule(module);
    return 0;
}
