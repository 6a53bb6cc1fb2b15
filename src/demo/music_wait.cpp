// Waiting on the music: frames are presented until the music reaches a position.
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

bool waitForMusicPosition(uint32_t order, uint32_t row)
{
    startFadeIn();
    MusicPlayStatus status{};
    bool reached = false;
    if (musicGetPlayStatus(demoMusic.playHandle, &status)) {
        const uint32_t firstLoop = status.songLoopCount;
        uint32_t lastMove = platformTicks();
        MusicPlayStatus previous = status;
        while (!quitRequested()) {
            presentFrame();
            if (!musicGetPlayStatus(demoMusic.playHandle, &status))
                break;
            musicPosition.order = status.position;
            musicPosition.pattern = status.pattern;
            musicPosition.row = status.row;
            musicPosition.sync = status.syncInfo;
            if (musicPosition.order >= order && musicPosition.row >= row) {
                reached = true;
                break;
            }
            if (status.songLoopCount - firstLoop >= kMaxWraps)
                break;
            if (status.position != previous.position || status.row != previous.row)
                lastMove = platformTicks();
            else if (platformTicks() - lastMove >= kStuckMs)
                break;
            previous = status;
        }
    }
    if (quitRequested())
        return false;
    // Given up or reached, the show moves on the same way: with the closing fade begun.
    timing.fadeState = 1;
    timing.fadeToWhite = timing.endFadeToWhite;
    return reached;
}
