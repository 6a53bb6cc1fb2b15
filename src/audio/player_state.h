// The music player's inner state, shared by the files of this folder only.
#pragma once

#include "audio/audio.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <thread>
#include <vector>

struct openmpt_module;

// One sync command found in the pattern data: effect W with its parameter.
struct SyncCommand {
    uint32_t pattern;
    uint32_t row;
    uint32_t channel;
    uint32_t value;
};

// One key per pattern row, for sorted lists of rows.
constexpr uint64_t patternRowKey(uint32_t pattern, uint32_t row)
{
    return uint64_t(pattern) << 32 | row;
}

struct MusicModule {
    openmpt_module* mod = nullptr;
    std::vector<SyncCommand> syncs;  // sorted by pattern, row, channel
    std::vector<uint64_t> loopEnds;  // patternRowKey of rows holding a pattern-loop command, sorted
};

// A row that starts at a known frame of the rendered stream.
struct RowEntry {
    uint64_t frame;  // first frame of the row, counted from the start of play
    uint32_t order;
    uint32_t pattern;
    uint32_t row;
    uint32_t loopCount;
};

// The ring of rows rendered and not yet long past. The player renders at most 1 s ahead (the
// buffer option's limit) and the fastest XM row lasts 1 tick of 2.5/255 s at speed 1, about 9.8 ms,
// so about 102 rows can be in flight; 256 leaves room for the row being heard.
constexpr int kRingEntries = 256;

// Frames rendered per call into the module: a row boundary is placed to within 32 frames (0.73 ms
// at 44.1 kHz), far finer than a video frame, at a small cost per call (bench/audio_bench.cpp).
constexpr int kChunkFrames = 32;

// The player's whole state; musicStartup puts it back to these start values.
struct MusicPlayer {
    // Options, taken by musicInit.
    int mixRate = 44100;
    int outputMode = musicMode16Bit | musicModeStereo;
    int bufferMs = 250;
    int device = musicDeviceAuto;
    int latencyOffsetMs = 0;
    int mixQuality = 0;
    char deviceName[128] = {};  // "" for the default device

    // Output in use.
    bool initialised = false;
    int activeDevice = -1;
    int channels = 2;
    int bytesPerSample = 2;
    int deviceFrames = 0;
    uint64_t leadFrames = 0;

    // What plays. Changed by the main thread only with playMutex held; the player thread renders
    // with playMutex held, so the module is never used by two threads at once.
    std::mutex playMutex;
    MusicModule* module = nullptr;
    unsigned playHandle = 0;
    unsigned lastHandle = 0;
    bool loopSong = false;
    bool started = false;  // background play started
    bool suspended = false;
    bool ended = false;  // a song without looping reached its end
    std::atomic<MusicSyncCallback> callback{nullptr};
    std::atomic<int32_t> lastSync{0};
    std::vector<int16_t> mixBuffer;
    std::vector<uint8_t> outBuffer;

    // The ring and the frame counters, guarded by ringMutex (never held while rendering).
    std::mutex ringMutex;
    RowEntry ring[kRingEntries];
    uint64_t entryCount =
        0;  // entries pushed since play started; entry i is ring[i % kRingEntries]
    uint64_t firedCount = 0;    // entries whose syncs were delivered
    uint64_t rendered = 0;      // frames handed to the output
    uint64_t audibleFloor = 0;  // the audible frame never goes back
    int lastLatencyFrames = 0;
    int64_t deviceRawAudible = 0;  // audible frame from the device queue alone, and when it changed
    std::chrono::steady_clock::time_point deviceRawTime;

    // Null output clock (steady time of play start, minus pauses).
    std::chrono::steady_clock::time_point clockStart;
    std::chrono::steady_clock::time_point pauseStart;
    std::chrono::steady_clock::duration pausedTotal{};
    bool clockRunning = false;

    // Offline output clock, in platformTicks() ms.
    uint32_t offlineStartTick = 0;
    uint32_t offlinePauseTick = 0;
    uint32_t offlinePausedMs = 0;

    // Player thread (device and null outputs).
    std::thread thread;
    std::condition_variable wake;
    bool quitThread = false;

    // Optional copy of everything rendered, for a video recording (kept across musicStartup).
    std::vector<uint8_t>* tap = nullptr;
    // Optional recording of everything rendered.
    FILE* wavFile = nullptr;
    uint64_t wavBytes = 0;

    char lastError[256] = "";
};

extern MusicPlayer musicPlayer;

void setMusicError(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Frames of the rendered stream that are audible now (ringMutex held).
uint64_t audibleFrameLocked();
// Starts the clocks of the chosen output once a module plays and background play started.
void startPlayClock();
// Clears the ring and the counters for a new play (ringMutex not held).
void clearRing();
// Pushes the module's current row as a new entry if it differs from the last one (playMutex held).
void noteCurrentRow(uint64_t frame);
// Renders up to frames frames into outBuffer (appending); returns frames rendered, fewer at the end
// of a song that does not loop (playMutex held).
uint64_t renderFrames(uint64_t frames);
// Hands outBuffer to the output and counts it as rendered (playMutex held).
void commitOutput();
// Delivers the syncs of every entry that has become audible (playMutex not needed; call without
// holding ringMutex).
void fireAudibleSyncs(uint64_t audible);
// One pass of the player thread: deliver due syncs, render up to the lead.
void playerPass();
// Offline output: render until the stream holds frame frames, delivering syncs as they are reached.
void renderOfflineToLocked(uint64_t frame);

// WAV recording of the rendered stream.
bool wavOpen(const char* fileName);
void wavAppend(const uint8_t* data, size_t bytes);
bool wavFinish(bool close);
