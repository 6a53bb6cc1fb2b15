// The real-time outputs: the null output's clock and the audio device under SDL's dummy driver.
// These run against the wall clock, so they check only what holds with generous slack.
#include "audio/audio.h"
#include "audio/test_modules.h"
#include "platform/platform.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
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

// Plays the timing module on the given output for about ms milliseconds of wall time, checking that
// the audible row only moves forward, and returns the last status.
MusicPlayStatus playFor(int device, int ms, int* activeDevice)
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
    EXPECT_TRUE(musicStartBackgroundPlay(0));
    MusicPlayStatus status{};
    uint32_t lastRow = 0;
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (std::chrono::steady_clock::now() < end) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        EXPECT_TRUE(musicGetPlayStatus(handle, &status));
        if (status.position == 0) {
            EXPECT_GE(status.row, lastRow);
            lastRow = status.row;
        }
    }
    musicStopModule(handle);
    musicFreeModule(module);
    musicClose();
    return status;
}

TEST(RealTimeOutput, NullOutputKeepsTheMusicsTime)
{
    int active = -1;
    // 700 ms: row 5 of order 0 at 120 ms per row, more under load but never past order 0.
    const MusicPlayStatus status = playFor(musicDeviceNull, 700, &active);
    EXPECT_EQ(active, musicDeviceNull);
    EXPECT_EQ(status.position, 0u);
    EXPECT_GE(status.row, 4u);
    EXPECT_LE(status.row, 6u);
    EXPECT_GE(syncsSeen.load(), 1);  // W11 on row 2 (W00 on row 5 may come too)
    EXPECT_TRUE(syncOnOtherThread.load());
}

TEST(RealTimeOutput, DeviceUnderDummyDriverPlaysAndReportsAdvancingPositions)
{
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    int active = -1;
    const MusicPlayStatus status = playFor(musicDeviceSound, 700, &active);
    unsetenv("SDL_AUDIODRIVER");
    ASSERT_EQ(active, musicDeviceSound) << musicLastError();
    EXPECT_EQ(status.position, 0u);
    // The queue and the device buffer hold back up to ~75 ms of what was rendered.
    EXPECT_GE(status.row, 3u);
    EXPECT_LE(status.row, 6u);
    EXPECT_GE(syncsSeen.load(), 1);
}

TEST(RealTimeOutput, SuspendHoldsTheNullOutputsPosition)
{
    resetPlatform();
    musicStartup();
    ASSERT_TRUE(musicSetOption(musicOptionOutputDevice, musicDeviceNull));
    ASSERT_TRUE(musicInit());
    const std::vector<uint8_t> bytes = encodeXm(makeTimingModule());
    MusicModule* module = musicLoadModuleFromMemory(bytes.data(), bytes.size());
    const unsigned handle = musicPlayModule(module, 1);
    ASSERT_TRUE(musicStartBackgroundPlay(0));
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    ASSERT_TRUE(musicSuspend());
    MusicPlayStatus before{}, after{};
    ASSERT_TRUE(musicGetPlayStatus(handle, &before));
    std::this_thread::sleep_for(std::chrono::milliseconds(400));
    ASSERT_TRUE(musicGetPlayStatus(handle, &after));
    EXPECT_EQ(after.row, before.row);
    EXPECT_EQ(after.position, before.position);
    ASSERT_TRUE(musicResume());
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
    ASSERT_TRUE(musicGetPlayStatus(handle, &after));
    // 350 ms played in all: row 2 or 3, not the row 5 that counting the pause would give.
    EXPECT_EQ(after.position, 0u);
    EXPECT_GE(after.row, 2u);
    EXPECT_LE(after.row, 4u);
    musicFreeModule(module);
    musicClose();
}

}  // namespace
