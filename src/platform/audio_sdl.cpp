// The audio device through SDL's pull callback: the music player's thread keeps a ring of rendered
// samples filled ahead of the device, and SDL's audio thread takes from the ring whenever the
// hardware wants a buffer. A ring that holds less than the device asks for is an underrun: the
// rest of the buffer is silence, and it is counted.
#include "platform/platform_audio.h"
#include "platform/platform_state.h"

#include <SDL.h>

#include <atomic>
#include <cstdio>
#include <cstring>

namespace {

// One second at the highest rate in 16-bit stereo (the lead is at most 1 s) plus the device's own
// largest buffer, rounded up to a power of two so that positions wrap with a mask.
constexpr uint32_t kRingBytes = 1u << 19;
static_assert(kRingBytes >= 96000 * 4 + 4096 * 4, "the ring holds the longest lead");

struct AudioRing {
    uint8_t bytes[kRingBytes];
    // Bytes ever written and ever read. One writer (the music player's thread, or the callback's
    // refill), one reader (the callback); a clear takes the device lock so no callback runs.
    std::atomic<uint64_t> written{0};
    std::atomic<uint64_t> read{0};
    // Set once samples arrive after an open or a clear; a ring running dry only counts as an
    // underrun while set, so the silence before the first samples and after the stream's end
    // does not.
    std::atomic<bool> primed{false};
    std::atomic<uint32_t> underruns{0};
    uint8_t silence = 0;
    void (*refill)() = nullptr;
};

AudioRing ring;
SDL_AudioDeviceID audioDevice = 0;
bool audioSubsystemStarted = false;

void SDLCALL takeFromRing(void*, Uint8* stream, int length)
{
    if (ring.refill != nullptr)
        ring.refill();
    const uint64_t read = ring.read.load(std::memory_order_relaxed);
    const uint64_t available = ring.written.load(std::memory_order_acquire) - read;
    const uint32_t wanted = uint32_t(length);
    const uint32_t taken = available < wanted ? uint32_t(available) : wanted;
    const uint32_t start = uint32_t(read & (kRingBytes - 1));
    const uint32_t first = taken < kRingBytes - start ? taken : kRingBytes - start;
    std::memcpy(stream, ring.bytes + start, first);
    std::memcpy(stream + first, ring.bytes, taken - first);
    ring.read.store(read + taken, std::memory_order_release);
    if (taken < wanted) {
        std::memset(stream + taken, ring.silence, wanted - taken);
        if (ring.primed.load(std::memory_order_relaxed))
            ring.underruns.fetch_add(1, std::memory_order_relaxed);
    }
}

}  // namespace

bool platformAudioOpen(PlatformAudioFormat* format, char* error, size_t errorSize)
{
    platformAudioClose();
    // With no sound card ALSA writes its own lines; the caller says in one why there is no sound.
    const int saved = sdlQuietStderr();
    const bool started = SDL_InitSubSystem(SDL_INIT_AUDIO) == 0;
    sdlRestoreStderr(saved);
    if (!started) {
        std::snprintf(error, errorSize, "audio start-up failed: %s", SDL_GetError());
        return false;
    }
    audioSubsystemStarted = true;
    ring.written.store(0);
    ring.read.store(0);
    ring.primed.store(false);
    ring.underruns.store(0);
    ring.refill = format->refill;
    SDL_AudioSpec want{};
    want.freq = format->rate;
    want.format = format->bits == 8 ? AUDIO_U8 : AUDIO_S16SYS;
    want.channels = static_cast<Uint8>(format->channels);
    want.samples = static_cast<Uint16>(format->deviceFrames);
    want.callback = takeFromRing;
    SDL_AudioSpec have{};
    // No allowed changes: SDL converts our format to the hardware's after the callback.
    const char* name = format->deviceName != nullptr && format->deviceName[0] != '\0'
                           ? format->deviceName
                           : nullptr;
    const int quiet = sdlQuietStderr();
    audioDevice = SDL_OpenAudioDevice(name, 0, &want, &have, 0);
    sdlRestoreStderr(quiet);
    if (audioDevice == 0) {
        std::snprintf(error, errorSize, "no audio device: %s", SDL_GetError());
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        audioSubsystemStarted = false;
        return false;
    }
    ring.silence = have.silence;
    format->deviceFrames = have.samples;
    return true;
}

bool platformAudioQueue(const void* data, uint32_t bytes)
{
    if (audioDevice == 0)
        return false;
    const uint64_t written = ring.written.load(std::memory_order_relaxed);
    const uint64_t used = written - ring.read.load(std::memory_order_acquire);
    if (bytes > kRingBytes - used)
        return false;
    const uint32_t start = uint32_t(written & (kRingBytes - 1));
    const uint32_t first = bytes < kRingBytes - start ? bytes : kRingBytes - start;
    const auto* from = static_cast<const uint8_t*>(data);
    std::memcpy(ring.bytes + start, from, first);
    std::memcpy(ring.bytes, from + first, bytes - first);
    ring.written.store(written + bytes, std::memory_order_release);
    if (bytes > 0)
        ring.primed.store(true, std::memory_order_relaxed);
    return true;
}

uint32_t platformAudioQueuedBytes()
{
    if (audioDevice == 0)
        return 0;
    const uint64_t read = ring.read.load(std::memory_order_acquire);
    return uint32_t(ring.written.load(std::memory_order_acquire) - read);
}

void platformAudioClear()
{
    if (audioDevice == 0)
        return;
    SDL_LockAudioDevice(audioDevice);
    ring.read.store(ring.written.load());
    ring.primed.store(false);
    SDL_UnlockAudioDevice(audioDevice);
}

void platformAudioEndOfStream()
{
    ring.primed.store(false);
}

uint32_t platformAudioUnderruns()
{
    return ring.underruns.load();
}

void platformAudioPause(bool paused)
{
    if (audioDevice != 0)
        SDL_PauseAudioDevice(audioDevice, paused ? 1 : 0);
}

void platformAudioClose()
{
    if (audioDevice != 0) {
        SDL_CloseAudioDevice(audioDevice);
        audioDevice = 0;
    }
    if (audioSubsystemStarted) {
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        audioSubsystemStarted = false;
    }
}

const char* platformAudioDriverName()
{
    const char* name = audioDevice != 0 ? SDL_GetCurrentAudioDriver() : nullptr;
    return name != nullptr ? name : "";
}

void platformRaiseThreadPriority()
{
    // Best effort: an unprivileged process may not raise it, and then the thread runs as before.
    SDL_SetThreadPriority(SDL_THREAD_PRIORITY_HIGH);
}

int platformAudioDeviceNames(char (*names)[platformAudioNameSize], int capacity)
{
    const bool started = audioSubsystemStarted;
    const int saved = started ? -1 : sdlQuietStderr();
    const bool listable = started || SDL_InitSubSystem(SDL_INIT_AUDIO) == 0;
    sdlRestoreStderr(saved);
    if (!listable)
        return 0;
    int count = SDL_GetNumAudioDevices(0);
    if (count > capacity)
        count = capacity;
    int written = 0;
    for (int i = 0; i < count; ++i) {
        const char* name = SDL_GetAudioDeviceName(i, 0);
        if (name != nullptr)
            std::snprintf(names[written++], platformAudioNameSize, "%s", name);
    }
    if (!started)
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
    return written;
}
