// The music player through its offline output: positions at known frames, syncs, loops,
// suspend and resume, WAV recording, and bad input.
#include "audio/audio.h"
#include "audio/test_modules.h"
#include "platform/platform.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <tuple>
#include <vector>

namespace {

struct SyncCall {
    unsigned value, order, row;
    bool operator==(const SyncCall&) const = default;
};
std::vector<SyncCall> syncCalls;

void recordSync(unsigned value, unsigned order, unsigned row)
{
    syncCalls.push_back(SyncCall{value, order, row});
}

std::vector<uint8_t> timingModuleBytes()
{
    std::vector<uint8_t> bytes = encodeXm(makeTimingModule());
    EXPECT_FALSE(bytes.empty()) << xmModuleError(makeTimingModule());
    return bytes;
}

class OfflinePlayer : public ::testing::Test {
protected:
    void SetUp() override
    {
        resetPlatform();
        syncCalls.clear();
        musicStartup();
        ASSERT_TRUE(musicSetOption(musicOptionOutputDevice, musicDeviceOffline));
    }
    void TearDown() override
    {
        if (handle != 0)
            musicStopModule(handle);
        musicFreeModule(module);
        musicClose();
        resetPlatform();
    }
    void play(const std::vector<uint8_t>& bytes)
    {
        ASSERT_TRUE(musicInit());
        module = musicLoadModuleFromMemory(bytes.data(), bytes.size());
        ASSERT_NE(module, nullptr) << musicLastError();
        handle = musicPlayModule(module, 1);
        ASSERT_NE(handle, 0u);
        ASSERT_TRUE(musicSetSyncCallback(handle, recordSync));
        ASSERT_TRUE(musicStartBackgroundPlay(0));
    }
    MusicPlayStatus statusAt(uint64_t frame)
    {
        MusicPlayStatus status{};
        EXPECT_TRUE(musicPositionAtFrame(frame, &status)) << "frame " << frame;
        return status;
    }

    MusicModule* module = nullptr;
    unsigned handle = 0;
};

TEST_F(OfflinePlayer, RowsStartAtTheirFramesThroughSpeedAndTempoChangesAndTheLoop)
{
    play(timingModuleBytes());
    EXPECT_EQ(musicActiveDevice(), musicDeviceOffline);
    const std::vector<RowStart> rows = timingModuleRows();
    const uint64_t end = rows.back().frame + rows.back().length;
    musicRenderOfflineTo(end - 1000);
    EXPECT_EQ(musicRenderedFrames(), end - 1000);
    // A row is placed to within one render chunk (32 frames): 40 frames on either side of each
    // start is unambiguous.
    for (size_t i = 0; i < rows.size(); ++i) {
        const RowStart& r = rows[i];
        SCOPED_TRACE(testing::Message()
                     << "order " << r.order << " row " << r.row << " loop " << r.loops);
        for (uint64_t frame : {r.frame + 40, r.frame + r.length / 2, r.frame + r.length - 40}) {
            if (frame >= end - 1000)
                continue;
            const MusicPlayStatus s = statusAt(frame);
            EXPECT_EQ(s.position, r.order);
            EXPECT_EQ(s.pattern, r.order);
            EXPECT_EQ(s.row, r.row);
            EXPECT_EQ(s.songLoopCount, r.loops);
        }
    }
    // The status reports the row of the newest frame rendered.
    MusicPlayStatus now{};
    ASSERT_TRUE(musicGetPlayStatus(handle, &now));
    EXPECT_EQ(now.position, 2u);
    EXPECT_EQ(now.row, 7u);
    EXPECT_EQ(now.songLoopCount, 1u);
}

TEST_F(OfflinePlayer, SyncsArriveWhenTheirRowIsReachedWithValueOrderAndRow)
{
    play(timingModuleBytes());
    const std::vector<RowStart> rows = timingModuleRows();
    const uint64_t row2 = rows[2].frame;
    musicRenderOfflineTo(row2 - 40);
    EXPECT_TRUE(syncCalls.empty());
    musicRenderOfflineTo(row2 + 40);
    ASSERT_EQ(syncCalls.size(), 1u);
    EXPECT_EQ(syncCalls[0], (SyncCall{0x11, 0, 2}));
    MusicPlayStatus status{};
    ASSERT_TRUE(musicGetPlayStatus(handle, &status));
    EXPECT_EQ(status.syncInfo, 0x11);

    // Render through the first pass and into the loop in one go: every sync, in order, with the
    // order of the pass it belongs to; W00 is delivered as a 0.
    musicRenderOfflineTo(rows[8 * 3 + 5].frame);
    const std::vector<SyncCall> expected = {
        {0x11, 0, 2}, {0x00, 0, 5}, {0x07, 1, 4}, {0x08, 1, 4},
        {0x42, 2, 3}, {0x07, 1, 4}, {0x08, 1, 4},
    };
    EXPECT_EQ(syncCalls, expected);
    ASSERT_TRUE(musicGetPlayStatus(handle, &status));
    EXPECT_EQ(status.syncInfo, 0x08);
}

TEST_F(OfflinePlayer, AfterASeekPositionAndSyncsFollowTheNewPlace)
{
    play(timingModuleBytes());
    const std::vector<RowStart> rows = timingModuleRows();
    // Into order 0 past its first sync; the W00 of row 5 is still ahead.
    musicRenderOfflineTo(rows[3].frame + 40);
    ASSERT_EQ(syncCalls.size(), 1u);
    ASSERT_TRUE(musicSetPosition(handle, 2, 2));
    MusicPlayStatus status{};
    ASSERT_TRUE(musicGetPlayStatus(handle, &status));
    EXPECT_EQ(status.position, 2u);
    EXPECT_EQ(status.row, 2u);
    EXPECT_EQ(status.songLoopCount, 0u);
    EXPECT_EQ(status.syncInfo, 0);
    // The stream starts again at the new row: its first sync is pattern 2's, order 0's are gone.
    musicRenderOfflineTo(musicRenderedFrames() + 4 * 6 * framesPerTick(125));
    ASSERT_GE(syncCalls.size(), 2u);
    EXPECT_EQ(syncCalls[1], (SyncCall{0x42, 2, 3}));
    ASSERT_TRUE(musicGetPlayStatus(handle, &status));
    EXPECT_TRUE(status.position == 1 || status.position == 2) << status.position;

    EXPECT_FALSE(musicSetPosition(handle, 3, 0));  // past the order list
    EXPECT_FALSE(musicSetPosition(handle + 1, 0, 0));
}

TEST_F(OfflinePlayer, OfflineOutputFollowsTheVirtualClockAndSuspendHoldsIt)
{
    play(timingModuleBytes());
    const uint64_t rowLength = 6 * framesPerTick(125);
    MusicPlayStatus status{};
    platformWait(500);
    ASSERT_TRUE(musicGetPlayStatus(handle, &status));
    EXPECT_EQ(musicRenderedFrames(), 22050u);
    EXPECT_EQ(status.row, 22050 / rowLength);

    ASSERT_TRUE(musicSuspend());
    platformWait(3000);
    ASSERT_TRUE(musicGetPlayStatus(handle, &status));
    EXPECT_EQ(musicRenderedFrames(), 22050u);
    EXPECT_EQ(status.row, 4u);
    ASSERT_TRUE(musicResume());
    platformWait(130);
    ASSERT_TRUE(musicGetPlayStatus(handle, &status));
    EXPECT_EQ(musicRenderedFrames(), 630u * 441 / 10);
    EXPECT_EQ(status.row, 5u);
    EXPECT_EQ(status.position, 0u);
}

TEST_F(OfflinePlayer, SongWithoutLoopStopsAtItsEnd)
{
    ASSERT_TRUE(musicInit());
    const std::vector<uint8_t> bytes = timingModuleBytes();
    module = musicLoadModuleFromMemory(bytes.data(), bytes.size());
    ASSERT_NE(module, nullptr);
    handle = musicPlayModule(module, 0);
    ASSERT_TRUE(musicStartBackgroundPlay(0));
    const std::vector<RowStart> rows = timingModuleRows();
    const uint64_t end = rows[23].frame + rows[23].length;
    musicRenderOfflineTo(end + 50000);
    // libopenmpt adds a tail of 0.1 s after the last row; it still counts as the last row.
    EXPECT_LE(musicRenderedFrames(), end + 4410 + 32);
    MusicPlayStatus status{};
    ASSERT_TRUE(musicGetPlayStatus(handle, &status));
    EXPECT_EQ(status.position, 2u);
    EXPECT_EQ(status.row, 7u);
    EXPECT_EQ(status.songLoopCount, 0u);
}

// Order, row and loop count of each row of a song played in turn, all rows 6 ticks at 125 BPM.
struct PlayedRow {
    uint32_t order, row, loops;
};

void addPass(std::vector<PlayedRow>& rows, std::vector<uint32_t> orders, uint32_t loops,
             std::vector<uint32_t> rowList)
{
    for (uint32_t order : orders)
        for (uint32_t row : rowList)
            rows.push_back(PlayedRow{order, row, loops});
}

std::vector<uint32_t> rowsUpTo(uint32_t count)
{
    std::vector<uint32_t> rows;
    for (uint32_t r = 0; r < count; ++r)
        rows.push_back(r);
    return rows;
}

// Songs whose order never goes back still wrap: a song of one order, and one whose restart
// position is its last order, count a wrap each time they return; a pattern loop does not.
TEST_F(OfflinePlayer, WrapsAreCountedWhenTheSongReturnsToItsRestartPoint)
{
    XmModule single = makeTestModule(1, 8, {0});
    XmModule restartAtLast = makeTestModule(2, 8, {0, 1});
    restartAtLast.restartPosition = 1;
    // Rows 0 to 5 three times, then 6 and 7: the loop goes back to where the song restarts.
    XmModule patternLoop = makeTestModule(1, 8, {0});
    setEffect(patternLoop, 0, 0, 1, 'E', 0x60);
    setEffect(patternLoop, 0, 5, 1, 'E', 0x62);

    std::vector<PlayedRow> singleRows, restartRows, loopRows;
    for (uint32_t loops = 0; loops < 4; ++loops)
        addPass(singleRows, {0}, loops, rowsUpTo(8));
    addPass(restartRows, {0, 1}, 0, rowsUpTo(8));
    for (uint32_t loops = 1; loops < 4; ++loops)
        addPass(restartRows, {1}, loops, rowsUpTo(8));
    const std::vector<uint32_t> looped = {0, 1, 2, 3, 4, 5, 0, 1, 2, 3,
                                          4, 5, 0, 1, 2, 3, 4, 5, 6, 7};
    addPass(loopRows, {0}, 0, looped);
    addPass(loopRows, {0}, 1, looped);

    const uint64_t rowLength = 6 * framesPerTick(125);
    struct Case {
        const char* name;
        const XmModule& song;
        const std::vector<PlayedRow>& rows;
    };
    for (const Case& c : {Case{"one order", single, singleRows},
                          Case{"restart at the last order", restartAtLast, restartRows},
                          Case{"pattern loop", patternLoop, loopRows}}) {
        SCOPED_TRACE(c.name);
        if (handle != 0)
            musicStopModule(handle);
        musicFreeModule(module);
        musicClose();
        handle = 0;
        module = nullptr;
        play(encodeXm(c.song));
        musicRenderOfflineTo(rowLength * c.rows.size());
        for (size_t i = 0; i < c.rows.size(); ++i) {
            const MusicPlayStatus s = statusAt(rowLength * i + rowLength / 2);
            EXPECT_EQ(s.position, c.rows[i].order) << "row " << i;
            EXPECT_EQ(s.row, c.rows[i].row) << "row " << i;
            EXPECT_EQ(s.songLoopCount, c.rows[i].loops) << "row " << i;
        }
    }
}

uint32_t readLe(const std::vector<uint8_t>& b, size_t at, int bytes)
{
    uint32_t v = 0;
    for (int i = 0; i < bytes; ++i)
        v |= uint32_t(b[at + size_t(i)]) << (8 * i);
    return v;
}

std::vector<uint8_t> readFile(const std::string& path)
{
    std::vector<uint8_t> bytes;
    if (FILE* f = std::fopen(path.c_str(), "rb")) {
        uint8_t block[4096];
        size_t got;
        while ((got = std::fread(block, 1, sizeof block, f)) > 0)
            bytes.insert(bytes.end(), block, block + got);
        std::fclose(f);
    }
    return bytes;
}

TEST_F(OfflinePlayer, RecordsWavInTheOutputFormat)
{
    const std::string path = std::string(V4N_BINARY_DIR) + "/audio_test_16.wav";
    play(timingModuleBytes());
    ASSERT_TRUE(musicRecordWav(path.c_str()));
    platformWait(1000);
    MusicPlayStatus status{};
    ASSERT_TRUE(musicGetPlayStatus(handle, &status));
    musicClose();
    const std::vector<uint8_t> wav = readFile(path);
    ASSERT_EQ(wav.size(), 44u + 44100 * 4);
    EXPECT_EQ(std::memcmp(wav.data(), "RIFF", 4), 0);
    EXPECT_EQ(readLe(wav, 4, 4), 36u + 44100 * 4);
    EXPECT_EQ(std::memcmp(wav.data() + 8, "WAVEfmt ", 8), 0);
    EXPECT_EQ(readLe(wav, 22, 2), 2u);
    EXPECT_EQ(readLe(wav, 24, 4), 44100u);
    EXPECT_EQ(readLe(wav, 34, 2), 16u);
    EXPECT_EQ(readLe(wav, 40, 4), 44100u * 4);
    int peak = 0;
    for (size_t i = 44; i + 1 < wav.size(); i += 2)
        peak = std::max(peak, std::abs(int(int16_t(readLe(wav, i, 2)))));
    EXPECT_GT(peak, 1000);   // the square wave sounds
    EXPECT_LT(peak, 32767);  // and does not clip
    std::remove(path.c_str());
}

TEST_F(OfflinePlayer, EightBitMonoAtAnotherRate)
{
    const std::string path = std::string(V4N_BINARY_DIR) + "/audio_test_8.wav";
    ASSERT_TRUE(musicSetOption(musicOptionMixRate, 22050));
    ASSERT_TRUE(musicSetOption(musicOptionOutputMode, musicMode8Bit | musicModeMono));
    ASSERT_TRUE(musicSetOption(musicOptionMixQuality, 1));
    play(timingModuleBytes());
    ASSERT_TRUE(musicRecordWav(path.c_str()));
    platformWait(500);
    MusicPlayStatus status{};
    ASSERT_TRUE(musicGetPlayStatus(handle, &status));
    // Rows are as long in time as at 44.1 kHz: 500 ms is row 4 of order 0.
    EXPECT_EQ(status.row, 4u);
    ASSERT_TRUE(musicWriteWav());
    const std::vector<uint8_t> wav = readFile(path);
    ASSERT_EQ(wav.size(), 44u + 11025);
    EXPECT_EQ(readLe(wav, 22, 2), 1u);
    EXPECT_EQ(readLe(wav, 24, 4), 22050u);
    EXPECT_EQ(readLe(wav, 34, 2), 8u);
    int low = 255, high = 0;
    for (size_t i = 44; i < wav.size(); ++i) {
        low = std::min<int>(low, wav[i]);
        high = std::max<int>(high, wav[i]);
    }
    EXPECT_GT(high - low, 8);  // the square wave sounds
    std::remove(path.c_str());
}

TEST(MusicPlayer, BadInputFailsSoftlyWithAReason)
{
    // The start-up puts the options back: a rate chosen before it is gone after it.
    ASSERT_TRUE(musicSetOption(musicOptionMixRate, 22050));
    musicStartup();
    EXPECT_EQ(musicMixRate(), 44100);
    EXPECT_FALSE(musicSetOption(99, 1));
    EXPECT_FALSE(musicSetOption(musicOptionMixRate, 1000));
    EXPECT_FALSE(musicSetOption(musicOptionOutputMode, musicMode8Bit | musicMode16Bit));
    EXPECT_FALSE(musicSetOption(musicOptionOutputDevice, 9));
    EXPECT_TRUE(musicSetOption(musicOptionStreamMode, 1));
    EXPECT_TRUE(musicSetOption(musicOptionOutputMode, 10));  // 16-bit stereo
    EXPECT_TRUE(musicSetOption(musicOptionOutputDevice, musicDeviceOffline));

    // Before init nothing plays.
    const std::vector<uint8_t> good = encodeXm(makeTimingModule());
    MusicModule* module = musicLoadModuleFromMemory(good.data(), good.size());
    ASSERT_NE(module, nullptr);
    EXPECT_EQ(musicPlayModule(module, 1), 0u);
    EXPECT_STRNE(musicLastError(), "");

    ASSERT_TRUE(musicInit());
    EXPECT_FALSE(musicInit());
    EXPECT_EQ(musicLoadModule("/nonexistent/v4npelva.xm"), nullptr);
    EXPECT_NE(std::string(musicLastError()).find("v4npelva.xm"), std::string::npos);
    const char garbage[] = "this is not a module at all, just some text";
    EXPECT_EQ(musicLoadModuleFromMemory(garbage, sizeof garbage), nullptr);
    EXPECT_EQ(musicLoadModuleFromMemory(nullptr, 0), nullptr);
    EXPECT_EQ(musicPlayModule(nullptr, 1), 0u);

    // A module cut inside its header is refused with a reason; one cut later either loads or is
    // refused with a reason.
    for (size_t cut : {size_t(17), size_t(60), size_t(336), good.size() / 2, good.size() - 1}) {
        musicFreeModule(musicLoadModuleFromMemory(good.data(), good.size()));  // no error now
        MusicModule* partial = musicLoadModuleFromMemory(good.data(), cut);
        if (cut <= 60) {
            EXPECT_EQ(partial, nullptr) << cut;
        }
        EXPECT_EQ(partial == nullptr, std::string(musicLastError()) != "") << cut;
        musicFreeModule(partial);
    }

    MusicPlayStatus status{};
    EXPECT_FALSE(musicGetPlayStatus(0, &status));
    EXPECT_FALSE(musicGetPlayStatus(12345, &status));
    const unsigned handle = musicPlayModule(module, 1);
    ASSERT_NE(handle, 0u);
    EXPECT_FALSE(musicSetSyncCallback(handle + 1, recordSync));
    EXPECT_TRUE(musicGetPlayStatus(handle, &status));
    EXPECT_EQ(status.position, 0u);
    EXPECT_EQ(status.row, 0u);
    // Freeing a playing module stops it: its handle is dead.
    EXPECT_TRUE(musicFreeModule(module));
    EXPECT_FALSE(musicGetPlayStatus(handle, &status));
    EXPECT_FALSE(musicStopModule(handle));
    EXPECT_TRUE(musicClose());
    EXPECT_TRUE(musicClose());
    EXPECT_TRUE(musicFreeModule(nullptr));
}

}  // namespace
