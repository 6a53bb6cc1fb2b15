// The demo's link to the music player: position reads, the sync callback and the music shutdown.
#include "demo/demo.h"

#include "audio/audio.h"

#include <cstdio>

bool readMusicStatus(MusicPlayStatus& status)
{
    if (!musicGetPlayStatus(demoMusic.playHandle, &status))
        return false;
    musicPosition.order = status.position;
    musicPosition.pattern = status.pattern;
    musicPosition.row = status.row;
    musicPosition.sync = status.syncInfo;
    return true;
}

void readMusicPosition()
{
    MusicPlayStatus status{};
    readMusicStatus(status);
}

void musicSyncCallback(unsigned syncValue, unsigned /*position*/, unsigned /*row*/)
{
    if (syncValue != 0)
        syncEvent.store(static_cast<int>(syncValue), std::memory_order_relaxed);
}

void shutdownMusic()
{
    if (demoMusic.playHandle != 0)
        musicStopModule(demoMusic.playHandle);
    demoMusic.playHandle = 0;
    if (demoMusic.module != nullptr)
        musicFreeModule(demoMusic.module);
    demoMusic.module = nullptr;
    // Said once at the end rather than as it happens: the show does not stop for it, and the
    // line says what helps.
    if (const uint32_t underruns = musicUnderruns(); underruns > 0) {
        int bufferMs = 0;
        musicGetOption(musicOptionBufferMs, &bufferMs);
        std::fprintf(stderr,
                     "v4npelva: the sound dropped out %u time%s (the machine was too busy); "
                     "--buffer %d or more may help\n",
                     unsigned(underruns), underruns == 1 ? "" : "s", bufferMs * 2);
    }
    musicClose();
}
