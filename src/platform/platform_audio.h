// The platform's audio device, used by the music player: one device at a time, fed by queueing
// rendered samples from the player thread (no callback into the player).
#pragma once

#include <cstddef>
#include <cstdint>

struct PlatformAudioFormat {
    int rate = 44100;        // frames per second
    int channels = 2;        // 1 or 2
    int bits = 16;           // 8 (unsigned) or 16 (signed, native byte order)
    int deviceFrames = 512;  // requested size of the device's own buffer; set to what was obtained
    const char* deviceName = nullptr;  // an output device by name; null or "": the default one
};

constexpr int platformAudioNameSize = 128;
// The names of the audio output devices the system offers, up to capacity of them, each cut to
// platformAudioNameSize - 1 bytes. Returns how many were written (0 when audio cannot start).
int platformAudioDeviceNames(char (*names)[platformAudioNameSize], int capacity);

// Opens the default audio device in exactly the given format,
// paused; the platform converts if the hardware wants another one. On failure writes a reason
// into error and returns false.
bool platformAudioOpen(PlatformAudioFormat* format, char* error, size_t errorSize);
// Appends samples to the device's queue. False if no device is open.
bool platformAudioQueue(const void* data, uint32_t bytes);
// Bytes queued and not yet taken by the device.
uint32_t platformAudioQueuedBytes();
// Drops everything queued.
void platformAudioClear();
// Pauses or continues the device; queued samples stay.
void platformAudioPause(bool paused);
// Closes the device (no effect if none is open).
void platformAudioClose();
// Name of the audio driver in use ("" when no device is open).
const char* platformAudioDriverName();
