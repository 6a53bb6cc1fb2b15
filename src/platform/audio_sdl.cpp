// The audio device through SDL's queued audio: the music player pushes samples, SDL's own thread
// hands them to the hardware.
#include "platform/platform_audio.h"

#include <SDL.h>

#include <cstdio>

namespace {
SDL_AudioDeviceID audioDevice = 0;
bool audioSubsystemStarted = false;
}  // namespace

bool platformAudioOpen(PlatformAudioFormat* format, char* error, size_t errorSize)
{
    platformAudioClose();
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
        std::snprintf(error, errorSize, "audio start-up failed: %s", SDL_GetError());
        return false;
    }
    audioSubsystemStarted = true;
    SDL_AudioSpec want{};
    want.freq = format->rate;
    want.format = format->bits == 8 ? AUDIO_U8 : AUDIO_S16SYS;
    want.channels = static_cast<Uint8>(format->channels);
    want.samples = static_cast<Uint16>(format->deviceFrames);
    want.callback = nullptr;  // queued audio
    SDL_AudioSpec have{};
    // No allowed changes: SDL converts our format to the hardware's behind the queue.
    const char* name = format->deviceName != nullptr && format->deviceName[0] != '\0'
                           ? format->deviceName
                           : nullptr;
    audioDevice = SDL_OpenAudioDevice(name, 0, &want, &have, 0);
    if (audioDevice == 0) {
        std::snprintf(error, errorSize, "no audio device: %s", SDL_GetError());
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        audioSubsystemStarted = false;
        return false;
    }
    format->deviceFrames = have.samples;
    return true;
}

bool platformAudioQueue(const void* data, uint32_t bytes)
{
    return audioDevice != 0 && SDL_QueueAudio(audioDevice, data, bytes) == 0;
}

uint32_t platformAudioQueuedBytes()
{
    return audioDevice != 0 ? SDL_GetQueuedAudioSize(audioDevice) : 0;
}

void platformAudioClear()
{
    if (audioDevice != 0)
        SDL_ClearQueuedAudio(audioDevice);
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

int platformAudioDeviceNames(char (*names)[platformAudioNameSize], int capacity)
{
    const bool started = audioSubsystemStarted;
    if (!started && SDL_InitSubSystem(SDL_INIT_AUDIO) != 0)
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
