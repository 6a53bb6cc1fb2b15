// The real-time outputs: the null output's clock and the audio device under SDL's dummy driver.
// These run against the wall clock, so they check only what holds with generous slack.
#include "audio/audio.h"
#include "audio/test_modules.h"
#include "platform/platform.h"
#include "platform/platform_audio.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>

namespace {

std::atomic<int> syncsSeen{0};
std::atomic<bool> syncOnOtherThread{false};
std::thread::id testThread;

void countSync(unsigned, unsigned, unsigned)
{
    syncsSeen.fetch_add(1);
    if (std::this_thread::get_id() != testThread)
        syncOnOtherThread.store(true);
}

// Index in timingModuleRows() of the row playing ms milliseconds after the start.
int rowIndexAt(double ms)
{
    const std::vector<RowStart> rows = timingModuleRows();
    const double frame = std::max(0.0, ms) * 44.1;
    int index = 0;
    while (index + 1 < int(rows.size()) && double(rows[size_t(index) + 1].frame) <= frame)
        ++index;
    return index;
}

int rowIndexOf(const MusicPlayStatus& status)
{
    const std::vector<RowStart> rows = timingModuleRows();
    for (size_t i = 0; i < rows.size(); ++i)
        if (rows[i].order == status.position && rows[i].row == status.row &&
            rows[i].loops == status.songLoopCount)
            return int(i);
    return -1;
}

// Plays the timing module on the given output for about ms milliseconds of wall time, checking that
// the audible row only moves forward, and returns the last status; elapsedMs is when it was read.
MusicPlayStatus playFor(int device, int ms, int* activeDevice, double* elapsedMs)
{
    resetPlatform();
    musicStartup();
    EXPECT_TRUE(musicSetOption(musicOptionOutputDevice, device));
    EXPECT_TRUE(musicInit());
    *activeDevice = musicActiveDevice();
    const std::vector<uint8_t> bytes = encodeXm(makeTimingModule());
    MusicModule* module = musicLoadModuleFromMemory(bytes.data(), bytes.size());
    EXPECT_NE(module, nullptr);
    const unsigned handle = musicPlayModule(module, 1);
    syncsSeen = 0;
    syncOnOtherThread = false;
    testThread = std::this_thread::get_id();
    musicSetSyncCallback(handle, countSync);
    // Timed from before the start, so that elapsedMs is never less than the music played.
    const auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(musicStartBackgroundPlay(0));
    MusicPlayStatus status{};
    int lastIndex = 0;
    const auto end = start + std::chrono::milliseconds(ms);
    while (std::chrono::steady_clock::now() < end) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        EXPECT_TRUE(musicGetPlayStatus(handle, &status));
        *elapsedMs =
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                .count();
        const int index = rowIndexOf(status);
        EXPECT_GE(index, lastIndex);
        lastIndex = index;
    }
    musicStopModule(handle);
    musicFreeModule(module);
    musicClose();
    return status;
}

TEST(RealTimeOutput, NullOutputKeepsTheMusicsTime)
{
    int active = -1;
    double elapsed = 0;
    const MusicPlayStatus status = playFor(musicDeviceNull, 700, &active, &elapsed);
    EXPECT_EQ(active, musicDeviceNull);
    // The row heard is the one the clock has reached; on a loaded machine the player thread may
    // fall behind the clock for a while.
    EXPECT_GE(rowIndexOf(status), std::max(1, rowIndexAt(elapsed - 300)));
    EXPECT_LE(rowIndexOf(status), rowIndexAt(elapsed + 10));
    EXPECT_GE(syncsSeen.load(), 1);  // W11 on row 2 (W00 on row 5 may come too)
    EXPECT_TRUE(syncOnOtherThread.load());
}

TEST(RealTimeOutput, DeviceUnderDummyDriverPlaysAndReportsAdvancingPositions)
{
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    int active = -1;
    double elapsed = 0;
    const MusicPlayStatus status = playFor(musicDeviceSound, 700, &active, &elapsed);
    unsetenv("SDL_AUDIODRIVER");
    ASSERT_EQ(active, musicDeviceSound) << musicLastError();
    // The device starts late by up to its buffer and the dummy driver takes whole buffers, later
    // still on a loaded machine.
    EXPECT_GE(rowIndexOf(status), std::max(1, rowIndexAt(elapsed - 400)));
    EXPECT_LE(rowIndexOf(status), rowIndexAt(elapsed + 10));
    EXPECT_GE(syncsSeen.load(), 1);
}

class SuspendOn : public ::testing::TestWithParam<int> {};

TEST_P(SuspendOn, PositionHoldsAndContinuesFromTheSamePlace)
{
    const int device = GetParam();
    if (device == musicDeviceSound)
        setenv("SDL_AUDIODRIVER", "dummy", 1);
    resetPlatform();
    musicStartup();
    ASSERT_TRUE(musicSetOption(musicOptionOutputDevice, device));
    ASSERT_TRUE(musicInit());
    unsetenv("SDL_AUDIODRIVER");
    ASSERT_EQ(musicActiveDevice(), device) << musicLastError();
    const std::vector<uint8_t> bytes = encodeXm(makeTimingModule());
    MusicModule* module = musicLoadModuleFromMemory(bytes.data(), bytes.size());
    const unsigned handle = musicPlayModule(module, 1);
    const auto t0 = std::chrono::steady_clock::now();
    ASSERT_TRUE(musicStartBackgroundPlay(0));
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    ASSERT_TRUE(musicSuspend());
    const auto t1 = std::chrono::steady_clock::now();
    MusicPlayStatus before{}, after{};
    ASSERT_TRUE(musicGetPlayStatus(handle, &before));
    std::this_thread::sleep_for(std::chrono::milliseconds(400));
    ASSERT_TRUE(musicGetPlayStatus(handle, &after));
    EXPECT_EQ(after.row, before.row);
    EXPECT_EQ(after.position, before.position);
    const auto t2 = std::chrono::steady_clock::now();
    ASSERT_TRUE(musicResume());
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
    ASSERT_TRUE(musicGetPlayStatus(handle, &after));
    const auto t3 = std::chrono::steady_clock::now();
    // Only the time outside the pause counts (about 350 ms: row 2 or 3, not the 6 of 750 ms).
    const double played = std::chrono::duration<double, std::milli>((t1 - t0) + (t3 - t2)).count();
    EXPECT_GE(rowIndexOf(after),
              std::max(1, rowIndexAt(played - (device == musicDeviceNull ? 300 : 400))));
    EXPECT_LE(rowIndexOf(after), rowIndexAt(played + 10));
    musicFreeModule(module);
    musicClose();
}

INSTANTIATE_TEST_SUITE_P(RealTimeOutput, SuspendOn,
                         ::testing::Values(int(musicDeviceNull), int(musicDeviceSound)),
                         [](const ::testing::TestParamInfo<int>& info) {
                             return std::string(info.param == musicDeviceNull ? "Null"
                                                                              : "DummyDevice");
                         });

// The device's ring under SDL's dummy driver: the silence before the first samples is no
// underrun, a ring that runs dry while the music plays is, a clear and the stream's end stop the
// count, and a refill on the device's own thread (a build without threads) keeps it at 0.
std::atomic<int> refills{0};

void refillRing()
{
    static const int16_t quiet[2048] = {};
    // A whole buffer of 512 stereo frames each time the device asks, and a little more.
    while (platformAudioQueuedBytes() < 4096)
        platformAudioQueue(quiet, sizeof quiet);
    refills.fetch_add(1);
}

uint32_t underrunsAfter(PlatformAudioFormat format, int queuedBuffers, int ms)
{
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    char error[200] = "";
    const bool opened = platformAudioOpen(&format, error, sizeof error);
    unsetenv("SDL_AUDIODRIVER");
    EXPECT_TRUE(opened) << error;
    if (!opened)
        return 0;
    std::vector<int16_t> samples(size_t(format.deviceFrames) * 2 * queuedBuffers, 1000);
    if (!samples.empty()) {
        EXPECT_TRUE(platformAudioQueue(samples.data(), uint32_t(samples.size() * 2)));
    }
    platformAudioPause(false);
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
    const uint32_t underruns = platformAudioUnderruns();
    platformAudioClose();
    return underruns;
}

TEST(DeviceRing, CountsEveryUnderrunWhileTheMusicPlaysAndNoOther)
{
    PlatformAudioFormat format;
    format.rate = 22000;
    format.deviceFrames = 512;  // 23 ms
    // Nothing queued yet: the silence before the music is no underrun.
    EXPECT_EQ(underrunsAfter(format, 0, 200), 0u);
    // Two buffers, then the ring runs dry: every buffer the device takes after that is one.
    EXPECT_GE(underrunsAfter(format, 2, 300), 3u);
    // Refilled on the device's thread before every take: never dry.
    refills = 0;
    format.refill = refillRing;
    EXPECT_EQ(underrunsAfter(format, 0, 300), 0u);
    EXPECT_GE(refills.load(), 3);
}

TEST(DeviceRing, AClearOrTheStreamsEndIsNoUnderrun)
{
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    PlatformAudioFormat format;
    format.rate = 22000;
    format.deviceFrames = 512;
    char error[200] = "";
    ASSERT_TRUE(platformAudioOpen(&format, error, sizeof error)) << error;
    unsetenv("SDL_AUDIODRIVER");
    std::vector<int16_t> samples(size_t(format.deviceFrames) * 2 * 20, 1000);
    ASSERT_TRUE(platformAudioQueue(samples.data(), uint32_t(samples.size() * 2)));
    EXPECT_EQ(platformAudioQueuedBytes(), samples.size() * 2);
    platformAudioClear();
    EXPECT_EQ(platformAudioQueuedBytes(), 0u);
    platformAudioPause(false);
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
    EXPECT_EQ(platformAudioUnderruns(), 0u);
    ASSERT_TRUE(platformAudioQueue(samples.data(), uint32_t(format.deviceFrames) * 4));
    platformAudioEndOfStream();
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
    EXPECT_EQ(platformAudioUnderruns(), 0u);
    platformAudioClose();
}

}  // namespace
