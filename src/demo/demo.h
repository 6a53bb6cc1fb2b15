// Demo timing: the demo clock, the screen fades, the present at the end of every frame, the music
// position and sync cues, and the waits on the music.
#pragma once

#include <atomic>
#include <cstdint>

struct MusicModule;
struct MusicPlayStatus;

// Where the screen fade is going. Four bytes, as the timing record has always stored it.
enum FadeState : int32_t {
    fadeIdle = 0,  // the level stays where it is
    fadeOut = 1,   // the level rises toward 255, then the fade stops
    fadeIn = 2,    // the level falls toward 0, then the fade stops
};
static_assert(sizeof(FadeState) == 4);

// Process-wide timing state. Values in the initialiser are the values at program start.
struct TimingState {
    double demoClock = 0;      // clock units of 1.9 ms since the sequencer last zeroed it
    uint32_t lastTick = 0;     // tick count (ms) up to which time has been counted
    uint32_t currentTick = 0;  // tick count read by the last update
    int fadeLevel = 0;         // 0..255, how far the picture is pushed toward white or black
    FadeState fadeState = fadeIdle;
    double fadeCarry = 0;    // fraction lost by truncating the level; never reset by a fade
    int fadeToWhite = 1;     // 1: the fade adds the level; 0: it subtracts it
    int endFadeToWhite = 1;  // colour of the fade-out that ends the current scene
    uint8_t sceneDim = 0;    // extra level a scene adds at presentation (sum clamped to 255)
    int appActive = 1;       // 0 while the application is inactive
    uint32_t previousTimerTime = 0;  // time stamp of the last window-timer call
};

// The last music position read from the player.
struct MusicPosition {
    uint32_t order = 0;
    uint32_t pattern = 0;
    uint32_t row = 0;
    int sync = 0;
};

// The sequencer's hold on the music: the loaded module (null if it did not load) and the play
// handle, 0 until the music starts. Shutdown releases both.
struct DemoMusic {
    MusicModule* module = nullptr;
    unsigned playHandle = 0;
};

extern TimingState timing;
extern MusicPosition musicPosition;
extern DemoMusic demoMusic;
// The last non-zero sync value delivered by the music player's thread; readers clear it. One
// aligned 32-bit word: the player thread stores it, the main thread loads and clears it, without a
// lock.
extern std::atomic<int> syncEvent;
static_assert(sizeof(std::atomic<int>) == 4 && std::atomic<int>::is_always_lock_free);

// Puts timing, music position and sync event back to their start values (for tests).
void resetTiming();

// Advances the demo clock and the fade; called at the end of every present, after the pump.
void updateDemoClock();
// min(255, fadeLevel + sceneDim): the fade a present applies.
uint8_t currentFadeByte();
// The standard present: showFrame with the current fade and colour (trail blend, fade,
// conversion, show), then the message pump (which sets the quit flag) and the demo clock. A frame
// the display cannot show is lost; the pump and the clock run all the same.
void presentFrame();
// The plain present: showFrameDirect (no trail, always toward white), then pump and clock.
void presentFrameDirect();
// Starts a fade-in from the current level: last tick = now, fade state fadeIn.
void startFadeIn();
// Starts the scene's closing fade now: fade state fadeOut, in the colour endFadeToWhite chose.
void startFadeOut();
// Starts the scene's closing fade once time passes length × fraction.
void fadeOutNear(int time, int length, float fraction);
// Copies the player's audible order, pattern, row and sync value into musicPosition.
void readMusicPosition();
// readMusicPosition that also hands back the player's full status; false, with musicPosition
// unchanged, when no music plays.
bool readMusicStatus(MusicPlayStatus& status);
// Presents frames until the music reaches order and row (both bounds), or quit is requested, then
// starts the closing fade. Also returns, without the fade, when no music plays or the song wraps
// around without reaching the position, so a missing module cannot hang the show. Returns true when
// the position was reached.
bool waitForMusicPosition(uint32_t order, uint32_t row);
// Reads the music position until it shows exactly order and row together, waiting 1 ms between
// reads (virtual time on the headless backend); presents nothing and pumps no messages. Bounded
// like waitForMusicPosition; true when the position was seen.
bool pollMusicPosition(uint32_t order, uint32_t row);
// A scene's watch on the music while it waits for a position or a cue: the wait is over when the
// song has wrapped twice since the watch began, or its position has not moved for 60 s of play
// (pauses do not count). Without music playing the watch never gives up: the scene's own end
// condition decides.
struct MusicWatch {
    bool watching;
    uint32_t firstLoop;
    uint32_t lastMoveTick;
    uint32_t lastCheckTick;
    uint32_t order, row;
};
void startMusicWatch(MusicWatch& watch);
// True once what the watch waits for cannot come any more.
bool musicWatchGivesUp(MusicWatch& watch);
// Sync callback registered with the music player; runs on the player's thread.
void musicSyncCallback(unsigned syncValue, unsigned position, unsigned row);
// Window-timer procedure, run inside the message pump: drops stalls of 100 ms or more.
void timerProc(uint32_t timeStamp);
// Music half of the shutdown: stop the module if playing, free it, close the player.
void shutdownMusic();
