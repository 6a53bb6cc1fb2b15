// The platform's audio device, used by the music player: one device at a time. The player's thread
// appends rendered samples to a ring; the device's own thread takes them as the hardware asks
// (SDL's pull callback), so a late player thread only shortens the ring, and a ring that runs dry
// is counted as an underrun.
#pragma once

#include <cstddef>
#include <cstdint>

struct PlatformAudioFormat {
    int rate = 44100;        // frames per second
    int channels = 2;        // 1 or 2
    int bits = 16;           // 8 (unsigned) or 16 (signed, native byte order)
    int deviceFrames = 512;  // requested size of the device's own buffer; set to what was obtained
    const char* deviceName = nullptr;  // an output device by name; null or "": the default one
    // Called on the device's thread before every take from the ring, for a build without threads
    // of its own to render there; null when the player's thread keeps the ring filled.
    void (*refill)() = nullptr;
};

constexpr int platformAudioNameSize = 128;
// The names of the audio output devices the system offers, up to capacity of them, each cut to
// platformAudioNameSize - 1 bytes. Returns how many were written (0 when audio cannot start).
int platformAudioDeviceNames(char (*names)[platformAudioNameSize], int capacity);

// Opens the default audio device in exactly the given format,
// paused; the platform converts if the hardware wants another one. On failure writes a reason
// into error and returns false.
bool platformAudioOpen(PlatformAudioFormat* format, char* error, size_t errorSize);
// Appends samples to the ring. False if no device is open or the ring has no room for them all
// (it holds more than the longest lead, one second at 96 kHz).
bool platformAudioQueue(const void* data, uint32_t bytes);
// Bytes queued and not yet taken by the device.
uint32_t platformAudioQueuedBytes();
// Drops everything queued; the silence until samples come again is no underrun.
void platformAudioClear();
// The stream has ended: the ring running dry from now on is no underrun.
void platformAudioEndOfStream();
// Times the device found the ring holding less than it asked for since the device opened.
uint32_t platformAudioUnderruns();
// Asks the system to run the calling thread ahead of ordinary ones (a mixing thread); no effect
// where it is not allowed.
void platformRaiseThreadPriority();
// Pauses or continues the device; queued samples stay.
void platformAudioPause(bool paused);
// Closes the device (no effect if none is open).
void platformAudioClose();
// Name of the audio driver in use ("" when no device is open).
const char* platformAudioDriverName();
