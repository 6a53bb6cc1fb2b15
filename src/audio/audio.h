// The music player: plays one XM module (through libopenmpt) on its own thread, reports the
// position that is audible now, and calls a sync callback when a row carrying the sync effect W
// becomes audible. Three outputs sit behind it: the platform's audio device, a null output paced by
// a clock when no device opens, and an offline output for the headless backend that renders, on
// the caller's thread, exactly the samples the virtual clock has reached (and can keep them as
// WAV).
#pragma once

#include <cstdint>
#include <vector>

// Option numbers for musicSetOption. Values not listed for an option are refused.
enum MusicOption : int {
    musicOptionMixRate = 1,  // mixing rate in Hz, 8000..96000 [44100]
    musicOptionOutputMode =
        2,  // one of musicMode8Bit/16Bit or'ed with musicModeMono/Stereo [16-bit stereo]
    musicOptionBufferMs =
        3,  // how far ahead of the audible point the player renders, 10..1000 ms [250]
    musicOptionStreamMode =
        5,                  // accepted for compatibility with the start-up's settings; no effect
    musicOptionWindow = 6,  // the window the device belongs to; accepted, no effect
    musicOptionOutputDevice = 7,  // one of MusicDevice [musicDeviceAuto]
    musicOptionLatencyOffsetMs =
        8,  // extra delay in ms (-500..500) subtracted from the audible point [0]
    musicOptionMixQuality = 11,  // 0: linear interpolation, 1: high quality (8-tap sinc) [0]
};

enum MusicOutputMode : int {
    musicMode8Bit = 1,
    musicMode16Bit = 2,
    musicModeMono = 4,
    musicModeStereo = 8,
};

enum MusicDevice : int {
    musicDeviceAuto = 0,   // offline on the headless backend, else the audio device, else null
    musicDeviceSound = 1,  // the platform audio device (falls back to null when it does not open)
    musicDeviceNull = 2,   // no sound; a clock on the player thread advances the music in real time
    musicDeviceOffline = 3,  // render on the caller's thread to match the platform clock
};

// What the play status reports, five 32-bit fields in this order.
struct MusicPlayStatus {
    uint32_t position;       // index in the song's order list of the row heard now
    uint32_t pattern;        // pattern heard now
    uint32_t row;            // row heard now
    int32_t syncInfo;        // argument of the last sync command that became audible (0 before any)
    uint32_t songLoopCount;  // how many times the song went back to its restart point
};
static_assert(sizeof(MusicPlayStatus) == 20, "play status is five 32-bit fields");

// A loaded module; the player owns its contents.
struct MusicModule;

// Called on the player's thread (the caller's thread with the offline output) when a row with a
// sync command becomes audible, once per sync command: (argument, order, row).
using MusicSyncCallback = void (*)(unsigned syncValue, unsigned position, unsigned row);

// Puts the player into its start state with default options. Always succeeds.
bool musicStartup();
// Sets one option; must come before musicInit to take effect. False for an unknown option or value.
bool musicSetOption(int option, int value);
// Chooses the audio device the sound output opens by name (as the platform lists them); null or
// "" takes the default device. Must come before musicInit. False for a name that is too long.
bool musicSetDeviceName(const char* name);
// The player's own modal set-up panel: output device, mixing rate, buffer length and interpolation
// quality. What is chosen is set as options for this run. False when the panel could not be shown
// (no display) or was cancelled. Defined by the program's start-up, which owns the panel.
bool musicConfig();
// Opens the output chosen by the options. When the audio device does not open, the null output is
// used instead, so the music still advances. False only when called twice without musicClose.
bool musicInit();
// Loads an XM file. Null on failure (missing, unreadable, not a module); musicLastError says why.
// What the decoder noticed in a module that loads (a cut file, say) goes to standard error, one
// line per warning, named after the file.
MusicModule* musicLoadModule(const char* fileName);
// Like musicLoadModule, from memory (the bytes are copied), without the warning lines.
MusicModule* musicLoadModuleFromMemory(const void* data, uint64_t size);
// Sets the module up to play from its start; loopSong non-zero loops it forever. Returns a play
// handle, non-zero while playing, or 0 on failure (no module, player not initialised).
unsigned musicPlayModule(MusicModule* module, int loopSong);
// Moves a playing module to the given order and row. What was rendered for the old place is
// dropped, so the position heard and the sync commands delivered follow the new place from now on.
// False for a bad handle or an order outside the song.
bool musicSetPosition(unsigned playHandle, uint32_t order, uint32_t row);
// Registers the sync callback for a playing module (null clears it). False for a bad handle.
bool musicSetSyncCallback(unsigned playHandle, MusicSyncCallback callback);
// Starts playback: the player thread (device and null outputs) or the offline clock. rate is a
// polling rate in Hz, 0 for the default; the player thread wakes every 2 ms whatever it is.
bool musicStartBackgroundPlay(int rate);
// Fills status with what is audible now. False (status untouched) for a bad handle.
bool musicGetPlayStatus(unsigned playHandle, MusicPlayStatus* status);
// Pauses the music where it is heard; musicResume continues from the same place.
bool musicSuspend();
bool musicResume();
// Stops the module; the handle is no longer valid.
bool musicStopModule(unsigned playHandle);
// Frees a loaded module, stopping it first if it plays. Null is accepted.
bool musicFreeModule(MusicModule* module);
// Stops everything and closes the output. Safe without musicInit and when called twice.
bool musicClose();
// A short reason for the last failure, "" if none.
const char* musicLastError();

// Which output musicInit opened: a MusicDevice value other than auto, or -1 before musicInit.
int musicActiveDevice();
// The mixing rate in Hz.
int musicMixRate();
// Times the audio device ran dry while the music played (the player's thread was too late to
// keep its lead), since musicInit; 0 for the null and offline outputs.
uint32_t musicUnderruns();
// Frames between what is rendered and what is heard now on the device output (device queue,
// device buffer and the latency offset), as last measured; 0 for the null and offline outputs.
int musicLatencyFrames();
// Offline output: renders up to the given total frame count since play started (never backwards)
// and fires the syncs of the rows reached. musicGetPlayStatus calls it with the frame count that
// matches platformTicks(); tests may call it directly.
void musicRenderOfflineTo(uint64_t frame);
// The row heard at a given frame of the stream (counted from the start of play), as long as that
// frame is rendered and its row is still in the player's ring of recent rows. The sync field is
// the one heard now. False otherwise.
bool musicPositionAtFrame(uint64_t frame, MusicPlayStatus* status);
// Offline output: total frames rendered for the playing module.
uint64_t musicRenderedFrames();
// Offline output: frames the next musicGetPlayStatus would render to catch up with
// platformTicks(), without rendering them (so no sync fires early); 0 when the music is not
// running or has ended.
uint64_t musicUnrenderedFrames();
// Offline output: keep every rendered sample and write them as a WAV file at musicClose (or now,
// with musicWriteWav). Empty name stops recording.
bool musicRecordWav(const char* fileName);
bool musicWriteWav();
// Appends every rendered sample, in the output format, to sink from now on (null stops). The sink
// survives musicStartup, so that a recording spans every play of the program.
void musicTapOutput(std::vector<uint8_t>* sink);

// The value an option holds now (what musicSetOption set last, or its default), for a set-up
// panel to show. False for an unknown option.
bool musicGetOption(int option, int* value);
// The audio device name set with musicSetDeviceName ("" for the default device).
const char* musicDeviceName();
