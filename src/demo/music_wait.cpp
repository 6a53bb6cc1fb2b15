// Waiting on the music: until it reaches a position, presenting frames or just polling.
#include "demo/demo.h"

#include "audio/audio.h"
#include "display/display.h"
#include "platform/platform.h"
#include "shell/shell.h"

// A position that has not moved for this long means the music has stopped: the longest XM row
// (speed 31 at 32 BPM, repeated 16 times by a pattern delay) lasts under 40 s.
constexpr uint32_t kStuckMs = 60000;
// The song may wrap once between the start of a wait and the position it waits for; after a
// second wrap the position is not in the song.
constexpr uint32_t kMaxWraps = 2;
// Two looks at a watched position this far apart mean the show was paused in between.
constexpr uint32_t kPauseGapMs = 1000;

namespace {

// The waits' read of the music: musicPosition, and the full status.
bool readStatus(MusicPlayStatus& status)
{
    return readMusicStatus(status);
}

}  // namespace

void startMusicWatch(MusicWatch& watch)
{
    watch = MusicWatch{};
    MusicPlayStatus status{};
    if (!musicGetPlayStatus(demoMusic.playHandle, &status))
        return;
    watch.watching = true;
    watch.firstLoop = status.songLoopCount;
    watch.lastMoveTick = watch.lastCheckTick = platformTicks();
    watch.order = status.position;
    watch.row = status.row;
}

bool musicWatchGivesUp(MusicWatch& watch)
{
    MusicPlayStatus status{};
    if (!watch.watching || !musicGetPlayStatus(demoMusic.playHandle, &status))
        return false;
    if (status.songLoopCount - watch.firstLoop >= kMaxWraps)
        return true;
    const uint32_t now = platformTicks();
    // A long gap between two looks is a pause (the pump held the show), not stopped music.
    if (status.position != watch.order || status.row != watch.row ||
        now - watch.lastCheckTick >= kPauseGapMs)
        watch.lastMoveTick = now;
    watch.lastCheckTick = now;
    watch.order = status.position;
    watch.row = status.row;
    return now - watch.lastMoveTick >= kStuckMs;
}

bool waitForMusicPosition(uint32_t order, uint32_t row)
{
    startFadeIn();
    MusicWatch watch;
    startMusicWatch(watch);
    bool reached = false;
    if (watch.watching) {
        MusicPlayStatus status{};
        while (!quitRequested()) {
            presentFrame();
            if (!readStatus(status))
                break;
            if (musicPosition.order >= order && musicPosition.row >= row) {
                reached = true;
                break;
            }
            if (musicWatchGivesUp(watch))
                break;
        }
    }
    if (quitRequested())
        return false;
    // Given up or reached, the show moves on the same way: with the closing fade begun.
    startFadeOut();
    return reached;
}

bool pollMusicPosition(uint32_t order, uint32_t row)
{
    MusicPlayStatus status{};
    if (!readStatus(status))
        return false;
    MusicWatch watch;
    startMusicWatch(watch);
    for (;;) {
        if (musicPosition.order == order && musicPosition.row == row)
            return true;
        platformWait(1);
        if (!readStatus(status) || musicWatchGivesUp(watch))
            return false;
    }
}
