// Rendering: chunks from the module to the output, the ring of rows with their first frames,
// the audible point of each output and the syncs delivered when their row becomes audible.
#include "audio/player_state.h"

#include "platform/platform.h"
#include "platform/platform_audio.h"

#include <libopenmpt/libopenmpt.h>

#include <algorithm>

void clearRing()
{
    std::lock_guard<std::mutex> lock(musicPlayer.ringMutex);
    musicPlayer.entryCount = 0;
    musicPlayer.firedCount = 0;
    musicPlayer.rendered = 0;
    musicPlayer.audibleFloor = 0;
    musicPlayer.lastSync.store(0);
}

namespace {

// True when the row holds a pattern-loop command, which may send play back within its pattern.
bool endsPatternLoop(const RowEntry& entry)
{
    const std::vector<uint64_t>& ends = musicPlayer.module->loopEnds;
    return std::binary_search(ends.begin(), ends.end(), patternRowKey(entry.pattern, entry.row));
}

}  // namespace

void noteCurrentRow(uint64_t frame)
{
    MusicPlayer& p = musicPlayer;
    openmpt_module* mod = p.module->mod;
    RowEntry entry{};
    entry.frame = frame;
    entry.order = static_cast<uint32_t>(std::max(0, openmpt_module_get_current_order(mod)));
    entry.pattern = static_cast<uint32_t>(std::max(0, openmpt_module_get_current_pattern(mod)));
    entry.row = static_cast<uint32_t>(std::max(0, openmpt_module_get_current_row(mod)));

    // The newest entry is only ever written here, with playMutex held: compare without the ring's
    // lock.
    if (p.entryCount > 0) {
        const RowEntry& last = p.ring[(p.entryCount - 1) % kRingEntries];
        if (last.order == entry.order && last.row == entry.row && last.pattern == entry.pattern)
            return;
        // Going back, to an earlier order or to an earlier row of the same order, is the song
        // returning to its restart point, unless a pattern loop sent it back: a song of one
        // order, or one that restarts at its last order, wraps without the order going back. A
        // song that does not loop renders a short tail after its end while reporting the restart
        // position: it is still the last row that sounds.
        const bool wraps =
            entry.order < last.order ||
            (entry.order == last.order && entry.row < last.row && !endsPatternLoop(last));
        if (wraps && !p.loopSong)
            return;
        entry.loopCount = last.loopCount + (wraps ? 1 : 0);
    }
    std::lock_guard<std::mutex> lock(p.ringMutex);
    // Syncs are delivered at least once per slice of 4096 frames or per pass of the player thread,
    // which keeps far fewer rows pending than the ring holds; should it still fill, the oldest
    // pending row gives up its syncs.
    if (p.entryCount - p.firedCount >= kRingEntries)
        ++p.firedCount;
    p.ring[p.entryCount % kRingEntries] = entry;
    ++p.entryCount;
}

uint64_t renderFrames(uint64_t frames)
{
    MusicPlayer& p = musicPlayer;
    openmpt_module* mod = p.module->mod;
    uint64_t done = 0;
    const size_t chunkSamples = size_t(kChunkFrames) * p.channels;
    if (p.mixBuffer.size() < chunkSamples)
        p.mixBuffer.resize(chunkSamples);
    while (done < frames && !p.ended) {
        const size_t want = size_t(std::min<uint64_t>(kChunkFrames, frames - done));
        const size_t got =
            p.channels == 2
                ? openmpt_module_read_interleaved_stereo(mod, p.mixRate, want, p.mixBuffer.data())
                : openmpt_module_read_mono(mod, p.mixRate, want, p.mixBuffer.data());
        if (got == 0) {
            p.ended = true;
            break;
        }
        // The row libopenmpt reports now began somewhere in this chunk: mark it from its start.
        // (The frame counter changes only in commitOutput, under playMutex, which we hold.)
        noteCurrentRow(p.rendered + (p.outBuffer.size() / (size_t(p.channels) * p.bytesPerSample)));
        const size_t samples = got * p.channels;
        if (p.bytesPerSample == 2) {
            const auto* bytes = reinterpret_cast<const uint8_t*>(p.mixBuffer.data());
            p.outBuffer.insert(p.outBuffer.end(), bytes, bytes + samples * 2);
        } else {
            for (size_t i = 0; i < samples; ++i)
                p.outBuffer.push_back(static_cast<uint8_t>((p.mixBuffer[i] >> 8) + 128));
        }
        done += got;
    }
    return done;
}

void commitOutput()
{
    MusicPlayer& p = musicPlayer;
    const size_t frameBytes = size_t(p.channels) * p.bytesPerSample;
    if (p.outBuffer.empty())
        return;
    if (p.wavFile != nullptr)
        wavAppend(p.outBuffer.data(), p.outBuffer.size());
    if (p.tap != nullptr)
        p.tap->insert(p.tap->end(), p.outBuffer.begin(), p.outBuffer.end());
    {
        std::lock_guard<std::mutex> lock(p.ringMutex);
        if (p.activeDevice == musicDeviceSound)
            platformAudioQueue(p.outBuffer.data(), static_cast<uint32_t>(p.outBuffer.size()));
        p.rendered += p.outBuffer.size() / frameBytes;
    }
    p.outBuffer.clear();
}

uint64_t audibleFrameLocked()
{
    MusicPlayer& p = musicPlayer;
    int64_t audible = 0;
    if (p.activeDevice == musicDeviceSound) {
        const int64_t queued = platformAudioQueuedBytes() / (p.channels * p.bytesPerSample);
        const int64_t offset = int64_t(p.latencyOffsetMs) * p.mixRate / 1000;
        const int64_t latency = queued + p.deviceFrames + offset;
        p.lastLatencyFrames = static_cast<int>(latency);
        // The queue shrinks a whole device buffer at a time; between two takes the buffer plays
        // on, so the audible point moves with the clock, never further than one buffer.
        const int64_t raw = int64_t(p.rendered) - latency;
        const auto now = std::chrono::steady_clock::now();
        if (raw != p.deviceRawAudible || p.suspended) {
            p.deviceRawAudible = raw;
            p.deviceRawTime = now;
        }
        const int64_t played =
            std::chrono::duration_cast<std::chrono::microseconds>(now - p.deviceRawTime).count() *
            p.mixRate / 1000000;
        audible = raw + std::min<int64_t>(played, p.deviceFrames);
    } else if (p.activeDevice == musicDeviceNull) {
        if (p.clockRunning) {
            const auto now = p.suspended ? p.pauseStart : std::chrono::steady_clock::now();
            const auto played = now - p.clockStart - p.pausedTotal;
            audible = std::chrono::duration_cast<std::chrono::microseconds>(played).count() *
                      p.mixRate / 1000000;
        }
    } else {
        audible = int64_t(p.rendered);
    }
    audible = std::clamp<int64_t>(audible, 0, int64_t(p.rendered));
    p.audibleFloor = std::max<uint64_t>(p.audibleFloor, uint64_t(audible));
    return p.audibleFloor;
}

void fireAudibleSyncs(uint64_t audible)
{
    MusicPlayer& p = musicPlayer;
    for (;;) {
        RowEntry entry{};
        {
            std::lock_guard<std::mutex> lock(p.ringMutex);
            if (p.firedCount >= p.entryCount)
                return;
            entry = p.ring[p.firedCount % kRingEntries];
            if (entry.frame > audible)
                return;
            ++p.firedCount;
        }
        const auto& syncs = p.module->syncs;
        auto it = std::lower_bound(
            syncs.begin(), syncs.end(), entry, [](const SyncCommand& s, const RowEntry& e) {
                return s.pattern != e.pattern ? s.pattern < e.pattern : s.row < e.row;
            });
        for (; it != syncs.end() && it->pattern == entry.pattern && it->row == entry.row; ++it) {
            p.lastSync.store(static_cast<int32_t>(it->value));
            if (MusicSyncCallback callback = p.callback.load())
                callback(it->value, entry.order, entry.row);
        }
    }
}

void startPlayClock()
{
    MusicPlayer& p = musicPlayer;
    if (p.module == nullptr || !p.started)
        return;
    std::lock_guard<std::mutex> lock(p.ringMutex);
    p.clockStart = std::chrono::steady_clock::now();
    p.pausedTotal = {};
    p.clockRunning = true;
    p.offlineStartTick = platformTicks();
    p.offlinePausedMs = 0;
    if (p.suspended) {
        p.pauseStart = p.clockStart;
        p.offlinePauseTick = p.offlineStartTick;
    }
}

void playerPass()
{
    MusicPlayer& p = musicPlayer;
    if (p.module == nullptr || !p.started || p.suspended)
        return;
    uint64_t audible = 0;
    uint64_t rendered = 0;
    {
        std::lock_guard<std::mutex> lock(p.ringMutex);
        audible = audibleFrameLocked();
        rendered = p.rendered;
    }
    fireAudibleSyncs(audible);
    if (!p.ended && rendered < audible + p.leadFrames) {
        renderFrames(audible + p.leadFrames - rendered);
        commitOutput();
    }
    // A song that does not loop leaves the device with its tail and then nothing: no underrun.
    if (p.ended && p.activeDevice == musicDeviceSound)
        platformAudioEndOfStream();
}

void renderOfflineToLocked(uint64_t frame)
{
    MusicPlayer& p = musicPlayer;
    if (p.module == nullptr)
        return;
    // Render in slices so that syncs are delivered in step and the buffer stays small.
    constexpr uint64_t kSliceFrames = 4096;
    for (;;) {
        uint64_t rendered = 0;
        {
            std::lock_guard<std::mutex> lock(p.ringMutex);
            rendered = p.rendered;
        }
        if (rendered >= frame || p.ended)
            break;
        renderFrames(std::min(kSliceFrames, frame - rendered));
        commitOutput();
        uint64_t audible = 0;
        {
            std::lock_guard<std::mutex> lock(p.ringMutex);
            audible = audibleFrameLocked();
        }
        fireAudibleSyncs(audible);
    }
}
