// The whole show played headless in this process: every scene starts where the music says and runs
// to its end, the frames shown add up to what the module's own timing implies, the interlude
// flashes on every sync, Escape at the awkward moments still passes through the right inits and
// frees and one shutdown, a pause holds clock and music, the frames every 10 s of the show match
// the golden hashes in tests/show/golden/show.txt (rewritten with V4N_UPDATE_GOLDEN=1), and the
// same run writes the show's contact sheet.
#include "demo/demo.h"
#include "scenes/scene.h"
#include "sequencer/sequencer.h"
#include "shell/shell.h"
#include "startup/startup.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>
#include <libopenmpt/libopenmpt.h>

#define STB_IMAGE_STATIC
#define STB_IMAGE_IMPLEMENTATION
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#pragma GCC diagnostic ignored "-Wunused-function"
#include <stb_image.h>
#pragma GCC diagnostic pop

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
    uint32_t framesShown = 0;
    uint32_t endTicks = 0;
    int hashCount = 0;
    uint64_t hashes[platformMaxShownHashes] = {};
    uint32_t hashTicks[platformMaxShownHashes] = {};
};

ProgramOptions headlessShow(std::vector<std::string> flags = {"--headless"})
{
    ProgramOptions options;
    std::string error;
    std::vector<char*> argv{const_cast<char*>("v4npelva")};
    for (std::string& flag : flags)
        argv.push_back(flag.data());
    EXPECT_TRUE(parseProgramOptions(int(argv.size()), argv.data(), options, error)) << error;
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
    run.exitCode = options.contactSheet.empty() ? playShow(options, &report)
                                                : playShowContactSheet(options, &report);
    run.output = testing::internal::GetCapturedStdout();
    run.framesShown = report.framesShown;
    run.endTicks = report.endTicks;
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

// The frames of the whole show, hashed at fixed ticks, against the golden file.
void expectGoldenShow(const ShowRun& run)
{
    const std::string path = V4N_SOURCE_DIR "/tests/show/golden/show.txt";
    std::vector<std::pair<uint32_t, std::string>> shown;
    for (int i = 0; i < run.hashCount; ++i) {
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
    for (std::string line; std::getline(in, line);)
        expected += line + "\n";
    for (const auto& [tick, line] : shown)
        actual += line;
    EXPECT_EQ(actual, expected) << "the show's frames changed; after an intended change rewrite "
                                << path << " with V4N_UPDATE_GOLDEN=1";
}

// The module played through by libopenmpt at the show's mixing rate: when each row of each order
// first sounds, by the module's own speeds and tempos, and the song's length.
struct Soundtrack {
    static constexpr int rate = 22000;
    static constexpr int maxOrders = 256, maxRows = 256;
    static constexpr int chunkFrames = 64;  // rows are placed to a read of 2.9 ms
    static constexpr double chunkMs = chunkFrames * 1000.0 / rate;
    std::vector<double> rowMs = std::vector<double>(size_t(maxOrders) * maxRows, -1);
    double lengthMs = 0;
    bool loaded = false;

    explicit Soundtrack(const char* path)
    {
        std::ifstream in(path, std::ios::binary);
        const std::vector<char> bytes((std::istreambuf_iterator<char>(in)),
                                      std::istreambuf_iterator<char>());
        openmpt_module* module =
            openmpt_module_create_from_memory2(bytes.data(), bytes.size(), nullptr, nullptr,
                                               nullptr, nullptr, nullptr, nullptr, nullptr);
        if (module == nullptr)
            return;
        loaded = true;
        int16_t buffer[2 * chunkFrames];
        uint64_t frames = 0;
        for (;;) {
            const int order = openmpt_module_get_current_order(module);
            const int row = openmpt_module_get_current_row(module);
            const size_t got =
                openmpt_module_read_interleaved_stereo(module, rate, chunkFrames, buffer);
            if (got == 0)
                break;
            // The row reported after a read began within it.
            const int nowOrder = openmpt_module_get_current_order(module);
            const int nowRow = openmpt_module_get_current_row(module);
            if ((nowOrder != order || nowRow != row) && nowOrder < maxOrders && nowRow < maxRows &&
                rowMs[size_t(nowOrder) * maxRows + nowRow] < 0)
                rowMs[size_t(nowOrder) * maxRows + nowRow] = frames * 1000.0 / rate;
            frames += got;
        }
        lengthMs = frames * 1000.0 / rate;
        openmpt_module_destroy(module);
    }
    double msAt(uint32_t order, uint32_t row) const
    {
        return order < maxOrders && row < maxRows ? rowMs[size_t(order) * maxRows + row] : -1;
    }
};

// The show's time and frames against the module's timing. The music starts with the show's
// clock; a scene that waits for a row begins at most three frames after the row sounds (the row
// is read once a frame, and the run that notices it still ends its frame), the music-ended scenes
// end likewise at the next scene's row, Final flight ends its length after its start, and the
// frames shown are the show's ticks at the frame rate: each scene's, the stretches between runs,
// and all of them from Flames' first row to Final flight's end.
void expectTheSoundtracksTiming(const ShowRun& run)
{
    const Soundtrack song(V4N_BINARY_DIR "/v4npelva.xm");
    ASSERT_TRUE(song.loaded);
    const SequencerState& seen = run.seen;
    const double frameMs = 1000.0 / testFrameRate;
    const auto expectSoonAfter = [&](uint32_t tick, uint32_t order, uint32_t row) {
        const double sounds = song.msAt(order, row);
        ASSERT_GE(sounds, 0) << "order " << order << " row " << row << " never sounds";
        EXPECT_GE(tick, sounds) << "order " << order << " row " << row;
        EXPECT_LE(tick, sounds + 3 * frameMs + Soundtrack::chunkMs)
            << "order " << order << " row " << row;
    };
    for (int i = 0; i < sceneCount; ++i) {
        const SceneRow& row = sceneTable[i];
        const SceneLogEntry& e = seen.log[i];
        SCOPED_TRACE(row.name);
        if (row.waitsForFirstPattern)
            expectSoonAfter(e.startTicks, 1, 0);
        else
            expectSoonAfter(e.startTicks, row.startOrder, row.startRow);
        if (i > 0 && i < 12)
            expectSoonAfter(e.endTicks, sceneTable[i + 1].startOrder, sceneTable[i + 1].startRow);
        EXPECT_NEAR(e.framesShown, (e.endTicks - e.startTicks) / frameMs, 1);
    }
    // Flames ends on its cue in order 2; the opening picture holds until order 2 row 32; Mother
    // hands over at order 83, and the interlude holds until order 84.
    expectSoonAfter(seen.log[0].endTicks, 2, 0);
    expectSoonAfter(seen.log[12].endTicks, 83, 0);
    const double endMs = song.msAt(84, 0) + sceneTable[13].length * msPerUnit;
    EXPECT_LT(endMs, song.lengthMs) << "the show outlasts its music";
    EXPECT_GE(run.endTicks, endMs);
    EXPECT_LE(run.endTicks, endMs + 4 * frameMs);
    // Nothing is shown while the first pattern plays, and the loads between runs take no show
    // time: every frame from Flames' first to Final flight's last is shown.
    const double impliedFrames = (endMs - song.msAt(1, 0)) / frameMs;
    // Flames' start and Final flight's lag their rows by up to three frames each, and Final
    // flight's last frame may pass its length by one.
    const double slack = Soundtrack::chunkMs / frameMs;
    EXPECT_GE(run.framesShown, impliedFrames - 3 - slack);
    EXPECT_LE(run.framesShown, impliedFrames + 4 + slack);
    uint32_t sceneFrames = 0;
    for (int i = 0; i < sceneCount; ++i)
        sceneFrames += seen.log[i].framesShown;
    const double betweenFrames = (seen.log[1].startTicks - seen.log[0].endTicks +
                                  seen.log[13].startTicks - seen.log[12].endTicks) /
                                 frameMs;
    EXPECT_NEAR(run.framesShown - sceneFrames, betweenFrames, 2);
    std::printf(
        "show: %u frames shown, %.1f implied by the module; the song lasts %.1f s, the "
        "show %.1f s\n",
        run.framesShown, impliedFrames, song.lengthMs / 1000, endMs / 1000);
}

// The sheet's picture: six columns of 320 x 200 frames with a 20-pixel label band above each, 4
// pixels apart, under a header of 92 pixels (its title and three lines of the show's 16 parts);
// each cell holds a frame and the grid's unused cells are background.
void expectTheContactSheet(const std::string& path, const SequencerState& seen, uint32_t everyMs)
{
    ShowSheetCell cells[maxShowSheetCells];
    const int count = showSheetCells(cells, maxShowSheetCells);
    // One cell per multiple of the step from Flames' first frame to the show's last.
    const SceneLogEntry& flames = seen.log[0];
    const uint32_t end = seen.log[sceneCount - 1].endTicks;
    ASSERT_EQ(count, int(end / everyMs - flames.startTicks / everyMs)) << end;
    for (int i = 0; i < count; ++i) {
        SCOPED_TRACE("cell " + std::to_string(i));
        const uint32_t multiple = (flames.startTicks / everyMs + 1 + i) * everyMs;
        EXPECT_GE(cells[i].tick, multiple);
        EXPECT_LT(cells[i].tick, multiple + 1000 / testFrameRate + 1);
        // Its label names the run it belongs to, or what shows between runs.
        std::string expected;
        for (int k = 0; k < seen.logCount; ++k)
            if (seen.log[k].startTicks < cells[i].tick)
                expected = seen.log[k].endTicks < cells[i].tick && k == 0    ? "Opening picture"
                           : seen.log[k].endTicks < cells[i].tick && k == 12 ? "Interlude"
                                                                             : sceneTable[k].title;
        EXPECT_EQ(cells[i].title, expected);
    }
    int width = 0, height = 0, channels = 0;
    uint8_t* picture = stbi_load(path.c_str(), &width, &height, &channels, 3);
    ASSERT_NE(picture, nullptr) << path;
    constexpr int columns = 6, header = 92, pitch = 20 + 200 + 4;
    const int rows = (count + columns - 1) / columns;
    EXPECT_EQ(width, columns * 324 + 4);
    EXPECT_EQ(height, header + rows * pitch + 4);
    for (int cell = 0; cell < rows * columns && height == header + rows * pitch + 4; ++cell) {
        const int x0 = 4 + (cell % columns) * 324, y0 = header + (cell / columns) * pitch + 20;
        int background = 0;
        for (int y = 0; y < 200; ++y)
            for (int x = 0; x < 320; ++x) {
                const uint8_t* p = &picture[(size_t(y0 + y) * width + x0 + x) * 3];
                background += p[0] == 0x20 && p[1] == 0x20 && p[2] == 0x20;
            }
        if (cell < count)
            EXPECT_LT(background, 320 * 200 / 2) << "cell " << cell << " holds no frame";
        else
            EXPECT_EQ(background, 320 * 200) << "cell " << cell << " beyond the frames";
    }
    stbi_image_free(picture);
}

}  // namespace

TEST(WholeShow, EverySceneStartsAtItsMusicPositionAndTheShowEndsOnce)
{
    const TempDir folder("v4n-show-sheet");
    const std::string sheet = folder.file("show.png");
    ProgramOptions options = headlessShow({"--contact-sheet", sheet, "--every-seconds", "10"});
    ASSERT_TRUE(options.headless);
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

    expectTheSoundtracksTiming(run);
    expectTheContactSheet(sheet, seen, 10000);
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
