// The demo's link to the music: position reads, sync delivery, waits on a position and shutdown,
// with the player's offline output on the headless clock.
#include "audio/audio.h"
#include "audio/test_modules.h"
#include "demo/demo.h"
#include "display/display.h"
#include "platform/platform.h"
#include "shell/shell.h"

#include <gtest/gtest.h>

namespace {

// The timing module from the audio tests stretched to 5 orders of 64 rows (orders 0..4 play
// patterns 0..4), at speed 1 and 250 BPM: 10 ms per row, 640 ms per order; syncs W05 and W09 on
// rows 10 and 11 of order 1 (one frame apart), W00 on row 20.
XmModule makeLongModule()
{
    XmModule module = makeTestModule(5, 64, {0, 1, 2, 3, 4});
    module.defaultSpeed = 1;
    module.defaultBpm = 250;
    setEffect(module, 1, 10, 1, 'W', 0x05);
    setEffect(module, 1, 11, 1, 'W', 0x09);
    setEffect(module, 1, 20, 1, 'W', 0x00);
    return module;
}

class MusicLink : public ::testing::Test {
protected:
    void SetUp() override
    {
        resetPlatform();
        resetShell();
        resetDisplay();
        resetTiming();
        ASSERT_TRUE(openMainWindow(0));
        ASSERT_EQ(chooseVideoMode(), 1);
        initFrameBuffers();
        musicStartup();
        ASSERT_TRUE(musicSetOption(musicOptionOutputDevice, musicDeviceOffline));
        ASSERT_TRUE(musicInit());
    }
    void TearDown() override
    {
        shutdownMusic();
        resetDisplay();
        resetShell();
        resetPlatform();
    }
    void start(const XmModule& song)
    {
        const std::vector<uint8_t> bytes = encodeXm(song);
        demoMusic.module = musicLoadModuleFromMemory(bytes.data(), bytes.size());
        ASSERT_NE(demoMusic.module, nullptr) << musicLastError();
        demoMusic.playHandle = musicPlayModule(demoMusic.module, 1);
        ASSERT_NE(demoMusic.playHandle, 0u);
        musicSetSyncCallback(demoMusic.playHandle, musicSyncCallback);
        ASSERT_TRUE(musicStartBackgroundPlay(0));
    }
};

TEST_F(MusicLink, ReadPositionFollowsTheClockAndTwoSyncsInAFrameLeaveTheLater)
{
    start(makeLongModule());
    platformWait(645);  // order 1 row 0
    readMusicPosition();
    EXPECT_EQ(musicPosition.order, 1u);
    EXPECT_EQ(musicPosition.pattern, 1u);
    EXPECT_EQ(musicPosition.row, 0u);
    EXPECT_EQ(syncEvent, 0);
    platformWait(120);  // past rows 10 and 11 in one step
    readMusicPosition();
    EXPECT_EQ(musicPosition.row, 12u);
    EXPECT_EQ(syncEvent, 9);
    EXPECT_EQ(musicPosition.sync, 9);
    syncEvent = 0;
    platformWait(100);  // row 20 carries W00: the player reports it, the event stays clear
    readMusicPosition();
    EXPECT_EQ(musicPosition.row, 22u);
    EXPECT_EQ(syncEvent, 0);
    EXPECT_EQ(musicPosition.sync, 0);
}

TEST_F(MusicLink, WaitNeedsBothOrderAndRow)
{
    start(makeLongModule());
    // Order 2 row 32 is at 1600 ms. Order 3 row 0 (1920 ms) would satisfy a test of the order
    // alone but has row 0 < 32: the wait must come back in order 2.
    timing.endFadeToWhite = 0;
    timing.fadeToWhite = 1;
    timing.fadeLevel = 255;
    const uint32_t t0 = platformTicks();
    EXPECT_TRUE(waitForMusicPosition(2, 32));
    EXPECT_EQ(musicPosition.order, 2u);
    EXPECT_GE(musicPosition.row, 32u);
    EXPECT_LE(musicPosition.row, 34u);  // one 60 Hz frame is under two rows
    EXPECT_GE(platformTicks() - t0, 1600u);
    EXPECT_EQ(timing.fadeState, fadeOut);
    EXPECT_EQ(timing.fadeToWhite, 0);
    EXPECT_LT(timing.fadeLevel, 255);  // the picture faded in while waiting
}

TEST_F(MusicLink, WaitAfterTheRowOfALaterOrderStillNeedsTheRow)
{
    start(makeLongModule());
    platformWait(1930);  // order 3 row 1
    readMusicPosition();
    ASSERT_EQ(musicPosition.order, 3u);
    ASSERT_LT(musicPosition.row, 32u);
    EXPECT_TRUE(waitForMusicPosition(2, 32));
    EXPECT_EQ(musicPosition.order, 3u);
    EXPECT_GE(musicPosition.row, 32u);
}

TEST_F(MusicLink, WaitsAreBoundedWithoutMusicOrWithAPositionNotInTheSong)
{
    // No module: the wait gives up at once, with the closing fade begun so the show goes on.
    timing.fadeState = fadeIdle;
    EXPECT_FALSE(waitForMusicPosition(2, 32));
    EXPECT_EQ(timing.fadeState, fadeOut);

    // Order 84 does not exist in a 5-order song: the wait ends after the song wrapped twice.
    start(makeLongModule());
    const uint32_t t0 = platformTicks();
    EXPECT_FALSE(waitForMusicPosition(84, 0));
    const uint32_t waited = platformTicks() - t0;
    EXPECT_GE(waited, 2u * 3200u);
    EXPECT_LT(waited, 3u * 3200u);
}

// A song of one order and a song that restarts at its last order never go back to an earlier
// order, yet their waits for a position not in the song still end after two wraps.
TEST_F(MusicLink, WaitsEndForSongsWhoseOrderNeverGoesBack)
{
    XmModule single = makeTestModule(1, 64, {0});  // 640 ms a pass, as makeLongModule's orders
    single.defaultSpeed = 1;
    single.defaultBpm = 250;
    start(single);
    uint32_t t0 = platformTicks();
    EXPECT_FALSE(waitForMusicPosition(3, 0));
    uint32_t waited = platformTicks() - t0;
    EXPECT_GE(waited, 2u * 640u);
    EXPECT_LT(waited, 3u * 640u);
    t0 = platformTicks();
    EXPECT_FALSE(pollMusicPosition(0, 64));
    EXPECT_LT(platformTicks() - t0, 3u * 640u);

    XmModule restartAtLast = makeTestModule(2, 64, {0, 1});  // 1280 ms, then 640 ms a pass
    restartAtLast.defaultSpeed = 1;
    restartAtLast.defaultBpm = 250;
    restartAtLast.restartPosition = 1;
    musicFreeModule(demoMusic.module);
    start(restartAtLast);
    t0 = platformTicks();
    EXPECT_FALSE(waitForMusicPosition(2, 0));
    waited = platformTicks() - t0;
    EXPECT_GE(waited, 1280u + 640u);
    EXPECT_LT(waited, 1280u + 2u * 640u);
    EXPECT_EQ(musicPosition.order, 1u);
}

TEST_F(MusicLink, QuitEndsAWaitWithoutTheFade)
{
    start(makeLongModule());
    postQuit();
    timing.fadeState = fadeIdle;
    timing.fadeLevel = 255;
    EXPECT_FALSE(waitForMusicPosition(2, 32));
    EXPECT_EQ(quitRequested(), 1);        // taken by the first frame's pump
    EXPECT_EQ(timing.fadeState, fadeIn);  // only the fade-in the wait began
    EXPECT_GT(timing.fadeLevel, 240);
}

TEST_F(MusicLink, SuspendAndResumeContinueFromTheSamePlace)
{
    start(makeLongModule());
    platformWait(305);
    readMusicPosition();
    EXPECT_EQ(musicPosition.row, 30u);
    musicSuspend();
    platformWait(5000);
    readMusicPosition();
    EXPECT_EQ(musicPosition.order, 0u);
    EXPECT_EQ(musicPosition.row, 30u);
    musicResume();
    platformWait(100);
    readMusicPosition();
    EXPECT_EQ(musicPosition.order, 0u);
    EXPECT_EQ(musicPosition.row, 40u);
}

TEST_F(MusicLink, ShutdownReleasesEverythingAndSurvivesRepeats)
{
    start(makeLongModule());
    shutdownMusic();
    EXPECT_EQ(demoMusic.playHandle, 0u);
    EXPECT_EQ(demoMusic.module, nullptr);
    // A failed status read leaves the position as it was.
    musicPosition.order = 7;
    readMusicPosition();
    EXPECT_EQ(musicPosition.order, 7u);
    shutdownMusic();
}

}  // namespace

namespace {

TEST_F(MusicLink, PollSeesTheExactPositionWithoutPresenting)
{
    start(makeLongModule());
    const uint32_t frames = platformShownFrames();
    EXPECT_TRUE(pollMusicPosition(1, 0));
    EXPECT_EQ(musicPosition.order, 1u);
    EXPECT_EQ(musicPosition.row, 0u);
    EXPECT_EQ(platformShownFrames(), frames);
    // Order 9 is not in the song: the poll ends after two wraps of the 3.2 s song.
    const uint32_t t0 = platformTicks();
    EXPECT_FALSE(pollMusicPosition(9, 0));
    EXPECT_LT(platformTicks() - t0, 3u * 3200u);
    shutdownMusic();
    EXPECT_FALSE(pollMusicPosition(1, 0));
}

}  // namespace
