// The whole show played headless in this process: every scene starts where the music says and runs
// to its end, the interlude flashes on every sync, Escape at the awkward moments still passes
// through the right inits and frees and one shutdown, a pause holds clock and music, and the
// frames every 10 s of the show match the golden hashes in tests/show/golden/show.txt (rewritten
// with V4N_UPDATE_GOLDEN=1).
#include "demo/demo.h"
#include "demo/sequencer/sequencer.h"
#include "scenes/scene.h"
#include "shell/shell.h"
#include "shell/startup/startup.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

// Frames per virtual second of the test runs: a third of the real rate keeps the whole show
// quick (the stall guard drops only frames of 100 ms and more).
constexpr int testFrameRate = 20;
constexpr uint32_t goldenEveryMs = 10000;
// One clock unit is 1.9 ms.
constexpr double msPerUnit = 1.9;

struct ShowRun {
    int exitCode = -1;
    std::string output;  // what the show wrote on standard output: its scene lines
    SequencerState seen;
    bool openingPictureLeft = true;
    int hashCount = 0;
    uint64_t hashes[platformMaxShownHashes] = {};
    uint32_t hashTicks[platformMaxShownHashes] = {};
};

ProgramOptions headlessShow()
{
    ProgramOptions options;
    std::string error;
    const char* argv[] = {"v4npelva", "--headless"};
    EXPECT_TRUE(parseProgramOptions(2, const_cast<char**>(argv), options, error)) << error;
    options.dataDir = V4N_BINARY_DIR;
    options.headlessFrameRate = testFrameRate;
    return options;
}

void addEvent(ProgramOptions& options, uint32_t afterMs, int kind, int key = 0)
{
    ASSERT_LT(options.timedEventCount, maxTimedEvents);
    TimedEvent& e = options.timedEvents[options.timedEventCount++];
    e.afterMs = afterMs;
    e.event.kind = kind;
    e.event.key = key;
}

void addEscape(ProgramOptions& options, uint32_t afterMs)
{
    addEvent(options, afterMs, platformEventKeyDown, platformKeyEscape);
}

ShowRun play(const ProgramOptions& options)
{
    ShowRun run;
    testing::internal::CaptureStdout();
    ShowReport report;
    run.exitCode = playShow(options, &report);
    run.output = testing::internal::GetCapturedStdout();
    run.seen = sequencer;
    run.openingPictureLeft = scene.backgroundPicture != nullptr;
    run.hashCount = report.hashCount;
    for (int i = 0; i < report.hashCount; ++i) {
        run.hashes[i] = report.hashes[i];
        run.hashTicks[i] = report.hashTicks[i];
    }
    return run;
}

std::vector<std::string> lines(const std::string& text)
{
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        out.push_back(line);
    return out;
}

// Inits and frees ran once for scenes 1..last and never after.
void expectInitsAndFreesUpTo(const SequencerState& seen, int last)
{
    for (int n = 1; n <= sceneCount; ++n) {
        EXPECT_EQ(seen.inits[n - 1], n <= last ? 1 : 0) << "init of scene " << n;
        EXPECT_EQ(seen.frees[n - 1], n <= last ? 1 : 0) << "free of scene " << n;
    }
}

// The tick at which the first scene missing from this build began: golden frames after it change
// when that scene lands, so only those before it are compared. UINT32_MAX when all are built.
uint32_t firstStandInTick(const SequencerState& seen)
{
    for (int i = 0; i < seen.logCount; ++i)
        if (!seen.log[i].built)
            return seen.log[i].startTicks;
    return UINT32_MAX;
}

// The golden file holds the frames before the first scene missing from the build it was written
// with; a later build with more scenes compares what both cover, and once every scene is in, the
// whole show.
void expectGoldenShow(const ShowRun& run)
{
    const std::string path = V4N_SOURCE_DIR "/tests/show/golden/show.txt";
    const uint32_t limit = firstStandInTick(run.seen);
    std::vector<std::pair<uint32_t, std::string>> shown;
    for (int i = 0; i < run.hashCount && run.hashTicks[i] < limit; ++i) {
        char line[64];
        std::snprintf(line, sizeof line, "%" PRIu32 " %016" PRIx64 "\n", run.hashTicks[i],
                      run.hashes[i]);
        shown.emplace_back(run.hashTicks[i], line);
    }
    const char* update = std::getenv("V4N_UPDATE_GOLDEN");
    if (update != nullptr && std::string(update) == "1") {
        std::ofstream out(path, std::ios::binary);
        for (const auto& [tick, line] : shown)
            out << line;
        ASSERT_TRUE(out.good()) << "cannot write " << path;
        return;
    }
    std::ifstream in(path, std::ios::binary);
    ASSERT_TRUE(in.good()) << path << " is missing; write it with V4N_UPDATE_GOLDEN=1";
    std::string expected, actual;
    uint32_t lastGolden = 0;
    for (std::string line; std::getline(in, line);) {
        const uint32_t tick = uint32_t(std::strtoul(line.c_str(), nullptr, 10));
        lastGolden = tick;
        if (tick < limit)
            expected += line + "\n";
    }
    for (const auto& [tick, line] : shown)
        if (limit == UINT32_MAX || tick <= lastGolden)
            actual += line;
    EXPECT_EQ(actual, expected) << "the show's frames changed; after an intended change rewrite "
                                << path << " with V4N_UPDATE_GOLDEN=1";
}

}  // namespace

TEST(WholeShow, EverySceneStartsAtItsMusicPositionAndTheShowEndsOnce)
{
    ProgramOptions options = headlessShow();
    options.hashEveryMs = goldenEveryMs;
    const ShowRun run = play(options);
    ASSERT_EQ(run.exitCode, 0);
    const SequencerState& seen = run.seen;
    EXPECT_EQ(seen.shutdowns, 1);
    expectInitsAndFreesUpTo(seen, sceneCount);
    EXPECT_FALSE(run.openingPictureLeft);
    ASSERT_EQ(seen.logCount, sceneCount);

    const std::vector<std::string> printed = lines(run.output);
    ASSERT_EQ(printed.size(), size_t(sceneCount)) << run.output;
    for (int i = 0; i < sceneCount; ++i) {
        const SceneRow& row = sceneTable[i];
        const SceneLogEntry& e = seen.log[i];
        SCOPED_TRACE(row.name);
        EXPECT_EQ(e.number, row.number);
        // The line of the log says the same as the record.
        char head[96];
        std::snprintf(head, sizeof head, "scene %2d %-12s start order %2u row %2u sceneTime %5d",
                      row.number, row.name, e.startOrder, e.startRow, e.startSceneTime);
        EXPECT_EQ(printed[i].rfind(head, 0), 0u) << printed[i];
        // Each run begins with its clock at 0 where the table places it: Flames after the first
        // pattern, Credits after the opening picture, Final flight after the interlude.
        EXPECT_EQ(e.startSceneTime, 0);
        EXPECT_EQ(e.startOrder, row.waitsForFirstPattern ? 1u : row.startOrder);
        EXPECT_EQ(e.startRow, row.waitsForFirstPattern ? 0u : row.startRow);
        EXPECT_GT(e.framesShown, 0u);
        if (i + 1 < sceneCount && i != 0 && i != 12) {
            // A music-ended scene hands over where the next one starts.
            EXPECT_EQ(e.endOrder, sceneTable[i + 1].startOrder);
            EXPECT_EQ(e.endRow, sceneTable[i + 1].startRow);
        }
        // The music gives each scene about its nominal length: its closing fade has begun (the
        // scene's fraction of the length) and the clock has not run past the length by more than
        // 1 %, except for Flames, which ends on its cue, and Final flight, which ends on its clock.
        if (row.endOrder != 0) {
            EXPECT_GE(e.endSceneTime, row.length * row.fadeFraction);
            EXPECT_LE(e.endSceneTime, row.length * 1.01);
        }
    }
    // Flames ends on its cue with order 2; Mother hands over to the interlude at order 83.
    EXPECT_EQ(seen.log[0].endOrder, 2u);
    EXPECT_EQ(seen.log[0].endRow, 0u);
    EXPECT_EQ(seen.log[12].endOrder, 83u);
    // Final flight ends when its clock reaches its length, within one frame.
    const SceneLogEntry& last = seen.log[13];
    const double frameUnits = 1000.0 / testFrameRate / msPerUnit;
    EXPECT_GE(last.endSceneTime, sceneTable[13].length);
    EXPECT_LE(last.endSceneTime, sceneTable[13].length + frameUnits + 1);
    EXPECT_NEAR(last.framesShown, sceneTable[13].length * msPerUnit * testFrameRate / 1000.0, 2);

    // The interlude flashes on each of its beats' syncs, rows 0, 4, ... 28 of order 83 (the first
    // may have come while Mother still played), once each.
    ASSERT_GE(seen.interludeFlashes, 7);
    ASSERT_LE(seen.interludeFlashes, 8);
    const int skipped = 8 - seen.interludeFlashes;
    for (int k = 0; k < seen.interludeFlashes; ++k) {
        EXPECT_EQ(seen.flashOrders[k], 83u) << "flash " << k;
        EXPECT_EQ(seen.flashRows[k], uint32_t(4 * (k + skipped))) << "flash " << k;
    }

    ASSERT_GE(run.hashCount, 25);
    expectGoldenShow(run);
}

TEST(ShowQuit, EscapeInTheFirstPatternTakesEffectInFlamesFirstFrame)
{
    ProgramOptions options = headlessShow();
    addEscape(options, 300);
    const ShowRun run = play(options);
    ASSERT_EQ(run.exitCode, 0);
    const SequencerState& seen = run.seen;
    ASSERT_EQ(seen.logCount, 1);
    // The wait for the first pattern took no messages: Flames began at order 1 and its first
    // present took the Escape.
    EXPECT_EQ(seen.log[0].startOrder, 1u);
    EXPECT_GT(seen.log[0].startTicks, 300u);
    EXPECT_EQ(seen.log[0].framesShown, 1u);
    expectInitsAndFreesUpTo(seen, 1);
    EXPECT_EQ(seen.shutdowns, 1);
}

TEST(ShowQuit, EscapeDuringTheOpeningPictureStillPassesScenesTwoAndThree)
{
    // Flames ends at about 32.2 s; the opening picture holds until order 2, row 32, at 35.9 s.
    ProgramOptions options = headlessShow();
    addEscape(options, 34000);
    const ShowRun run = play(options);
    ASSERT_EQ(run.exitCode, 0);
    const SequencerState& seen = run.seen;
    ASSERT_EQ(seen.logCount, 3);
    EXPECT_LT(seen.log[0].startTicks + seen.log[0].endSceneTime * msPerUnit, 34000);
    EXPECT_GT(seen.log[1].startTicks, 34000u);
    // Credits and Space flight are loaded and freed, their runs return before a frame, and the
    // quit check after Space flight ends the show.
    EXPECT_EQ(seen.log[1].framesShown, 0u);
    EXPECT_EQ(seen.log[2].framesShown, 0u);
    expectInitsAndFreesUpTo(seen, 3);
    EXPECT_EQ(seen.shutdowns, 1);
    EXPECT_FALSE(run.openingPictureLeft);
}

TEST(ShowQuit, EscapeInTheInterludeRunsFinalFlightsFreeAndNoFrameOfIt)
{
    // Mother hands over at order 83 (about 262 s); Final flight starts at order 84 (265.8 s).
    // Only the hand-overs matter here: fewer frames still fall under the stall guard's 100 ms.
    ProgramOptions options = headlessShow();
    options.headlessFrameRate = 12;
    addEscape(options, 264000);
    const ShowRun run = play(options);
    ASSERT_EQ(run.exitCode, 0);
    const SequencerState& seen = run.seen;
    ASSERT_EQ(seen.logCount, sceneCount);
    EXPECT_EQ(seen.log[12].endOrder, 83u);
    EXPECT_GT(seen.interludeFlashes, 0);
    EXPECT_LT(seen.interludeFlashes, 7);
    EXPECT_EQ(seen.log[13].framesShown, 0u);
    EXPECT_LT(seen.log[13].startOrder, 84u);
    expectInitsAndFreesUpTo(seen, sceneCount);
    EXPECT_EQ(seen.shutdowns, 1);
}

TEST(ShowPause, DeactivationHoldsTheClockAndTheMusic)
{
    // Ten seconds away from the show in the middle of Flames, then Escape at 20 s.
    ProgramOptions options = headlessShow();
    addEvent(options, 5000, platformEventDeactivate);
    addEvent(options, 15000, platformEventActivate);
    addEscape(options, 20000);
    const ShowRun run = play(options);
    ASSERT_EQ(run.exitCode, 0);
    const SceneLogEntry& flames = run.seen.log[0];
    ASSERT_EQ(run.seen.logCount, 1);
    // Flames ran 20 s - start - 10 s of demo time, give or take a frame and a pump's wait.
    const double expected = (20000.0 - flames.startTicks - 10000.0) / msPerUnit;
    EXPECT_NEAR(flames.endSceneTime, expected, 40);
    // The music stood still too: its row is where the demo clock is, not 10 s further on. Order 1
    // has 256 rows of equal length over the 30.2 s up to Flames' cue.
    const double msPerRow = 30232.0 / 256;
    EXPECT_EQ(flames.endOrder, 1u);
    EXPECT_NEAR(flames.endRow, flames.endSceneTime * msPerUnit / msPerRow, 4);
    EXPECT_LT(flames.framesShown, uint32_t(11 * testFrameRate));
}

TEST(ShowStart, BitsPerPixelNotesAndStartFailuresEndThroughOneShutdown)
{
    struct Case {
        const char* desktopBits;
        bool fullscreen;
        int exitCode;
        const char* message;  // the last message shown, "" for none
    };
    const Case cases[] = {
        {"8", false, 1,
         "NOTE: 8bpp video modes not supported! Change desktop to other modes or try "
         "Fullscreen!\n"},
        {"16", false, 0, "NOTE: Change you desktop to 32bpp mode for best perfomance!\n"},
        {"24", false, 0, "NOTE: Change you desktop to 32bpp mode for best perfomance!\n"},
        {"16", true, 0, ""},
        {"32", false, 0, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.desktopBits) + (c.fullscreen ? " full screen" : " windowed"));
        setenv("V4N_DESKTOP_BITS", c.desktopBits, 1);
        ProgramOptions options = headlessShow();
        options.fullscreen = c.fullscreen;
        addEscape(options, 300);
        const ShowRun run = play(options);
        unsetenv("V4N_DESKTOP_BITS");
        EXPECT_EQ(run.exitCode, c.exitCode);
        EXPECT_EQ(run.seen.shutdowns, 1);
        EXPECT_STREQ(shell.lastMessage, c.message);
        EXPECT_EQ(shell.messageCount, c.message[0] != '\0' ? 1 : 0);
        // A refused start loads nothing; a note lets the show go on to Flames.
        EXPECT_EQ(run.seen.logCount, c.exitCode == 0 ? 1 : 0);
        EXPECT_EQ(run.seen.inits[0], c.exitCode == 0 ? 1 : 0);
    }
    {
        TempDir empty("v4n-show");
        ProgramOptions options = headlessShow();
        options.dataDir = empty.path.string();
        const ShowRun run = play(options);
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_EQ(run.seen.shutdowns, 1);
        EXPECT_NE(std::string(shell.lastMessage).find("v4npelva.zem file not found"),
                  std::string::npos)
            << shell.lastMessage;
        EXPECT_EQ(run.seen.inits[0], 0);
    }
}
