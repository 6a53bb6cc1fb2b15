// The player's calls: options, output set-up, play, status, suspend and resume, stop and close.
#include "audio/player_state.h"

#include "platform/platform.h"
#include "platform/platform_audio.h"
#ifdef __EMSCRIPTEN__
#include "platform/platform_web.h"
#endif

#include <libopenmpt/libopenmpt.h>

#include <algorithm>
#include <cstdarg>
#include <cstring>
#include <memory>

MusicPlayer musicPlayer;

// How often the player thread wakes to deliver syncs and top up the output.
constexpr auto kPlayerPeriod = std::chrono::milliseconds(2);

void setMusicError(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    std::vsnprintf(musicPlayer.lastError, sizeof musicPlayer.lastError, format, args);
    va_end(args);
}

const char* musicLastError()
{
    return musicPlayer.lastError;
}

namespace {

// Unused in the browser build, which has no threads.
[[maybe_unused]] void playerThreadMain()
{
    MusicPlayer& p = musicPlayer;
    // Under load a late pass shortens what the device has left; ahead of ordinary threads it is
    // seldom late.
    platformRaiseThreadPriority();
    std::unique_lock<std::mutex> lock(p.playMutex);
    while (!p.quitThread) {
        playerPass();
        p.wake.wait_for(lock, kPlayerPeriod);
    }
}

#ifdef __EMSCRIPTEN__
// The browser build has no threads: the pass runs each time the show yields to the browser.
void playerYield()
{
    std::lock_guard<std::mutex> lock(musicPlayer.playMutex);
    playerPass();
}
#endif

void stopPlayerThread()
{
    MusicPlayer& p = musicPlayer;
#ifdef __EMSCRIPTEN__
    platformOnYield(nullptr);
#endif
    if (!p.thread.joinable())
        return;
    {
        std::lock_guard<std::mutex> lock(p.playMutex);
        p.quitThread = true;
    }
    p.wake.notify_all();
    p.thread.join();
    p.quitThread = false;
}

// The device's own buffer: at most an eighth of the lead, a power of two (SDL wants one),
// 256..4096. The device takes a whole buffer at a time, so the lead less one buffer is how late
// the player thread may be before the ring runs dry: a small buffer leaves most of the lead for
// that.
int deviceFramesFor(int rate, int bufferMs)
{
    const int wanted = rate * bufferMs / 8000;
    int frames = 256;
    while (frames * 2 <= wanted && frames < 4096)
        frames *= 2;
    return frames;
}

// The row that frame falls in: the newest entry starting at or before it. Frames before the
// oldest row still in the ring, or past the rendered stream, are refused.
bool positionAtLocked(uint64_t frame, MusicPlayStatus* status)
{
    MusicPlayer& p = musicPlayer;
    if (p.entryCount == 0)
        return false;
    const uint64_t oldest = p.entryCount > kRingEntries ? p.entryCount - kRingEntries : 0;
    if (frame < p.ring[oldest % kRingEntries].frame || (frame > p.rendered && p.rendered > 0))
        return false;
    uint64_t i = p.entryCount - 1;
    while (i > oldest && p.ring[i % kRingEntries].frame > frame)
        --i;
    const RowEntry& entry = p.ring[i % kRingEntries];
    status->position = entry.order;
    status->pattern = entry.pattern;
    status->row = entry.row;
    status->syncInfo = p.lastSync.load();
    status->songLoopCount = entry.loopCount;
    return true;
}

}  // namespace

bool musicStartup()
{
    musicClose();
    // The record holds its locks, thread and atomics, which cannot be assigned. Once musicClose has
    // stopped the thread and closed the output nothing else uses it, so it is made anew in place:
    // every field, options included, is back at its start value.
    std::vector<uint8_t>* tap = musicPlayer.tap;
    std::destroy_at(&musicPlayer);
    std::construct_at(&musicPlayer);
    musicPlayer.tap = tap;
    return true;
}

bool musicSetDeviceName(const char* name)
{
    MusicPlayer& p = musicPlayer;
    if (name == nullptr)
        name = "";
    if (std::strlen(name) >= sizeof p.deviceName) {
        setMusicError("device name too long");
        return false;
    }
    std::strcpy(p.deviceName, name);
    return true;
}

bool musicSetOption(int option, int value)
{
    MusicPlayer& p = musicPlayer;
    switch (option) {
    case musicOptionMixRate:
        if (value < 8000 || value > 96000)
            break;
        p.mixRate = value;
        return true;
    case musicOptionOutputMode: {
        const int bits = value & (musicMode8Bit | musicMode16Bit);
        const int layout = value & (musicModeMono | musicModeStereo);
        if (value & ~0xf || bits == (musicMode8Bit | musicMode16Bit) ||
            layout == (musicModeMono | musicModeStereo))
            break;
        p.outputMode =
            (bits != 0 ? bits : musicMode16Bit) | (layout != 0 ? layout : musicModeStereo);
        return true;
    }
    case musicOptionBufferMs:
        if (value < 10 || value > 1000)
            break;
        p.bufferMs = value;
        return true;
    case musicOptionStreamMode:
    case musicOptionWindow: return true;
    case musicOptionOutputDevice:
        if (value < musicDeviceAuto || value > musicDeviceOffline)
            break;
        p.device = value;
        return true;
    case musicOptionLatencyOffsetMs:
        if (value < -500 || value > 500)
            break;
        p.latencyOffsetMs = value;
        return true;
    case musicOptionMixQuality:
        if (value != 0 && value != 1)
            break;
        p.mixQuality = value;
        return true;
    default: setMusicError("unknown option %d", option); return false;
    }
    setMusicError("option %d does not take %d", option, value);
    return false;
}

bool musicInit()
{
    MusicPlayer& p = musicPlayer;
    if (p.initialised) {
        setMusicError("player already initialised");
        return false;
    }
    p.channels = (p.outputMode & musicModeMono) ? 1 : 2;
    p.bytesPerSample = (p.outputMode & musicMode8Bit) ? 1 : 2;
    p.leadFrames = uint64_t(p.mixRate) * p.bufferMs / 1000;
    p.deviceFrames = 0;
    int device = p.device;
    if (device == musicDeviceAuto)
        device = platformIsHeadless() ? musicDeviceOffline : musicDeviceSound;
    if (device == musicDeviceSound) {
        PlatformAudioFormat format;
        format.rate = p.mixRate;
        format.channels = p.channels;
        format.bits = p.bytesPerSample * 8;
        format.deviceFrames = deviceFramesFor(p.mixRate, p.bufferMs);
        format.deviceName = p.deviceName;
#ifdef __EMSCRIPTEN__
        // No threads in the browser: besides the pass at every yield, the device's callback tops
        // the ring up itself before each take, so a long frame cannot run it dry.
        format.refill = playerYield;
#endif
        char reason[200];
        if (platformAudioOpen(&format, reason, sizeof reason)) {
            p.deviceFrames = format.deviceFrames;
        } else {
            // No sound, but the show goes on: the null output keeps the music's time.
            setMusicError("%s; playing without sound", reason);
            device = musicDeviceNull;
        }
    }
    p.activeDevice = device;
    p.initialised = true;
    return true;
}

unsigned musicPlayModule(MusicModule* module, int loopSong)
{
    MusicPlayer& p = musicPlayer;
    if (module == nullptr || !p.initialised) {
        setMusicError(module == nullptr ? "no module to play" : "player not initialised");
        return 0;
    }
    if (p.playHandle != 0)
        musicStopModule(p.playHandle);
    clearRing();
    std::lock_guard<std::mutex> lock(p.playMutex);
    openmpt_module* mod = module->mod;
    openmpt_module_set_repeat_count(mod, loopSong ? -1 : 0);
    openmpt_module_set_render_param(mod, OPENMPT_MODULE_RENDER_INTERPOLATIONFILTER_LENGTH,
                                    p.mixQuality ? 8 : 2);
    openmpt_module_set_position_order_row(mod, 0, 0);
    p.module = module;
    p.loopSong = loopSong != 0;
    p.ended = false;
    p.outBuffer.clear();
    p.callback.store(nullptr);
    noteCurrentRow(0);
    {
        // Status reads take only the ring's lock: the handle changes under it too.
        std::lock_guard<std::mutex> ringLock(p.ringMutex);
        p.playHandle = ++p.lastHandle;
        if (p.playHandle == 0)
            p.playHandle = ++p.lastHandle;
    }
    startPlayClock();
    return p.playHandle;
}

bool musicSetPosition(unsigned playHandle, uint32_t order, uint32_t row)
{
    MusicPlayer& p = musicPlayer;
    std::lock_guard<std::mutex> lock(p.playMutex);
    if (playHandle == 0 || playHandle != p.playHandle || p.module == nullptr) {
        setMusicError("no module playing");
        return false;
    }
    openmpt_module* mod = p.module->mod;
    if (order >= uint32_t(std::max(0, openmpt_module_get_num_orders(mod)))) {
        setMusicError("order %u is not in the song", order);
        return false;
    }
    openmpt_module_set_position_order_row(mod, int32_t(order), int32_t(row));
    // The new place starts a fresh stream: the device forgets what it has queued, the ring and the
    // frame counters start again at the new row, and the clocks restart now.
    if (p.activeDevice == musicDeviceSound)
        platformAudioClear();
    p.outBuffer.clear();
    p.ended = false;
    clearRing();
    noteCurrentRow(0);
    startPlayClock();
    return true;
}

bool musicSetSyncCallback(unsigned playHandle, MusicSyncCallback callback)
{
    MusicPlayer& p = musicPlayer;
    std::lock_guard<std::mutex> lock(p.playMutex);
    if (playHandle == 0 || playHandle != p.playHandle)
        return false;
    p.callback.store(callback);
    return true;
}

bool musicStartBackgroundPlay(int /*rate*/)
{
    MusicPlayer& p = musicPlayer;
    if (!p.initialised) {
        setMusicError("player not initialised");
        return false;
    }
    {
        std::lock_guard<std::mutex> lock(p.playMutex);
        if (p.started)
            return true;
        p.started = true;
        startPlayClock();
    }
    if (p.activeDevice == musicDeviceSound)
        platformAudioPause(p.suspended);
    if (p.activeDevice == musicDeviceSound || p.activeDevice == musicDeviceNull)
#ifdef __EMSCRIPTEN__
        platformOnYield(playerYield);
#else
        p.thread = std::thread(playerThreadMain);
#endif
    return true;
}

bool musicGetPlayStatus(unsigned playHandle, MusicPlayStatus* status)
{
    MusicPlayer& p = musicPlayer;
    if (status == nullptr || playHandle == 0)
        return false;
    if (p.activeDevice == musicDeviceOffline) {
        std::lock_guard<std::mutex> lock(p.playMutex);
        if (playHandle != p.playHandle)
            return false;
        if (p.started && p.clockRunning) {
            const uint32_t now = p.suspended ? p.offlinePauseTick : platformTicks();
            const uint64_t ms = uint32_t(now - p.offlineStartTick) - p.offlinePausedMs;
            renderOfflineToLocked(ms * uint64_t(p.mixRate) / 1000);
        }
    }
    std::lock_guard<std::mutex> lock(p.ringMutex);
    if (playHandle != p.playHandle)
        return false;
    if (p.entryCount == 0)
        return false;
    // Rows long past may have left the ring; the oldest one kept stands for them.
    const uint64_t oldest = p.entryCount > kRingEntries ? p.entryCount - kRingEntries : 0;
    return positionAtLocked(std::max(audibleFrameLocked(), p.ring[oldest % kRingEntries].frame),
                            status);
}

bool musicPositionAtFrame(uint64_t frame, MusicPlayStatus* status)
{
    std::lock_guard<std::mutex> lock(musicPlayer.ringMutex);
    return status != nullptr && musicPlayer.playHandle != 0 && positionAtLocked(frame, status);
}

bool musicSuspend()
{
    MusicPlayer& p = musicPlayer;
    std::lock_guard<std::mutex> lock(p.playMutex);
    if (!p.initialised || p.suspended)
        return p.initialised;
    if (p.activeDevice == musicDeviceSound)
        platformAudioPause(true);
    std::lock_guard<std::mutex> ringLock(p.ringMutex);
    p.suspended = true;
    p.pauseStart = std::chrono::steady_clock::now();
    p.offlinePauseTick = platformTicks();
    return true;
}

bool musicResume()
{
    MusicPlayer& p = musicPlayer;
    std::lock_guard<std::mutex> lock(p.playMutex);
    if (!p.initialised || !p.suspended)
        return p.initialised;
    {
        std::lock_guard<std::mutex> ringLock(p.ringMutex);
        p.suspended = false;
        p.pausedTotal += std::chrono::steady_clock::now() - p.pauseStart;
        p.offlinePausedMs += platformTicks() - p.offlinePauseTick;
        // The device buffer plays on from where it stopped, not from before the pause.
        p.deviceRawTime = std::chrono::steady_clock::now();
    }
    if (p.activeDevice == musicDeviceSound && p.started)
        platformAudioPause(false);
    return true;
}

bool musicStopModule(unsigned playHandle)
{
    MusicPlayer& p = musicPlayer;
    std::lock_guard<std::mutex> lock(p.playMutex);
    if (playHandle == 0 || playHandle != p.playHandle)
        return false;
    if (p.activeDevice == musicDeviceSound)
        platformAudioClear();
    std::lock_guard<std::mutex> ringLock(p.ringMutex);
    p.module = nullptr;
    p.playHandle = 0;
    p.clockRunning = false;
    p.callback.store(nullptr);
    p.outBuffer.clear();
    return true;
}

bool musicClose()
{
    MusicPlayer& p = musicPlayer;
    stopPlayerThread();
    if (p.playHandle != 0)
        musicStopModule(p.playHandle);
    if (p.activeDevice == musicDeviceSound)
        platformAudioClose();
    wavFinish(true);
    p.initialised = false;
    p.started = false;
    p.suspended = false;
    p.activeDevice = -1;
    p.deviceFrames = 0;
    p.lastLatencyFrames = 0;
    return true;
}

int musicActiveDevice()
{
    return musicPlayer.activeDevice;
}

uint32_t musicUnderruns()
{
    return musicPlayer.activeDevice == musicDeviceSound ? platformAudioUnderruns() : 0;
}

int musicMixRate()
{
    return musicPlayer.mixRate;
}

int musicLatencyFrames()
{
    MusicPlayer& p = musicPlayer;
    std::lock_guard<std::mutex> lock(p.ringMutex);
    return p.activeDevice == musicDeviceSound ? p.lastLatencyFrames : 0;
}

void musicRenderOfflineTo(uint64_t frame)
{
    std::lock_guard<std::mutex> lock(musicPlayer.playMutex);
    renderOfflineToLocked(frame);
}

uint64_t musicRenderedFrames()
{
    std::lock_guard<std::mutex> lock(musicPlayer.ringMutex);
    return musicPlayer.rendered;
}

uint64_t musicUnrenderedFrames()
{
    MusicPlayer& p = musicPlayer;
    std::lock_guard<std::mutex> lock(p.playMutex);
    if (p.activeDevice != musicDeviceOffline || !p.started || !p.clockRunning || p.ended)
        return 0;
    const uint32_t now = p.suspended ? p.offlinePauseTick : platformTicks();
    const uint64_t ms = uint32_t(now - p.offlineStartTick) - p.offlinePausedMs;
    const uint64_t target = ms * uint64_t(p.mixRate) / 1000;
    std::lock_guard<std::mutex> ring(p.ringMutex);
    return target > p.rendered ? target - p.rendered : 0;
}

bool musicRecordWav(const char* fileName)
{
    std::lock_guard<std::mutex> lock(musicPlayer.playMutex);
    wavFinish(true);
    if (fileName == nullptr || fileName[0] == 0)
        return true;
    return wavOpen(fileName);
}

void musicTapOutput(std::vector<uint8_t>* sink)
{
    std::lock_guard<std::mutex> lock(musicPlayer.playMutex);
    musicPlayer.tap = sink;
}

bool musicWriteWav()
{
    std::lock_guard<std::mutex> lock(musicPlayer.playMutex);
    return wavFinish(false);
}

bool musicGetOption(int option, int* value)
{
    const MusicPlayer& p = musicPlayer;
    switch (option) {
    case musicOptionMixRate: *value = p.mixRate; return true;
    case musicOptionOutputMode: *value = p.outputMode; return true;
    case musicOptionBufferMs: *value = p.bufferMs; return true;
    case musicOptionOutputDevice: *value = p.device; return true;
    case musicOptionLatencyOffsetMs: *value = p.latencyOffsetMs; return true;
    case musicOptionMixQuality: *value = p.mixQuality; return true;
    default: return false;
    }
}

const char* musicDeviceName()
{
    return musicPlayer.deviceName;
}
