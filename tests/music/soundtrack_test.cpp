// The soundtrack as the show hears it: section timing and sync commands measured by playing the
// module, the accents the scenes flash on, a clean level, size and determinism.
#include "music/music.h"

#include <gtest/gtest.h>
#include <libopenmpt/libopenmpt.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <iterator>

namespace {

const std::vector<uint8_t>& soundtrackBytes()
{
    static const std::vector<uint8_t> bytes = encodeXm(composeSoundtrack());
    return bytes;
}

void collectLog(const char* message, void* user)
{
    static_cast<std::vector<std::string>*>(user)->push_back(message ? message : "");
}

struct Module {
    openmpt_module* mod = nullptr;
    std::vector<std::string> log;
    explicit Module(const std::vector<uint8_t>& bytes)
    {
        mod = openmpt_module_create_from_memory2(bytes.data(), bytes.size(), collectLog, &log,
                                                 nullptr, nullptr, nullptr, nullptr, nullptr);
    }
    Module(const Module&) = delete;
    Module& operator=(const Module&) = delete;
    ~Module()
    {
        if (mod)
            openmpt_module_destroy(mod);
    }
    int cell(int order, int row, int channel, int what) const
    {
        const int pattern = openmpt_module_get_order_pattern(mod, order);
        return openmpt_module_get_pattern_row_channel_command(mod, pattern, row, channel, what);
    }
};

TEST(Soundtrack, EverySectionLastsItsSceneAndEverySyncIsWhereTheScenesWaitForIt)
{
    const SectionMap map = measureSectionMap(soundtrackBytes());
    for (const std::string& p : map.problems)
        ADD_FAILURE() << p;
    ASSERT_EQ(map.sections.size(), 17u);
    for (const SectionHeard& s : map.sections)
        EXPECT_TRUE(s.ok) << s.name << " lasts " << s.end - s.start;
    // The boundaries the sequencer waits on, in the order it waits on them.
    for (size_t i = 1; i < map.sections.size(); ++i)
        EXPECT_NEAR(map.sections[i].start, map.sections[i - 1].end, 1e-9) << map.sections[i].name;
    EXPECT_EQ(map.sections[1].name, "Flames");
    EXPECT_NEAR(map.sections[1].end - map.sections[1].start, 30.2, 30.2 * 0.02);
    // The title grows from 27.1 s into the scene; the music is still in the scene then.
    EXPECT_GT(map.sections[1].end - map.sections[1].start, 27.1 + 2.0);
    // Credits: four cues, spread over the scene, none at its very start where the scene clears
    // them.
    std::vector<double> credits;
    for (const SyncHeard& s : map.syncs)
        if (s.section == "Credits")
            credits.push_back(s.seconds);
    ASSERT_EQ(credits.size(), 4u);
    EXPECT_GT(credits.front() - map.sections[3].start, 1.0);
    EXPECT_LT(credits.back(), map.sections[3].end - 1.0);
    // The song ends after Final flight's 32.1 s and then comes round again.
    EXPECT_GT(map.songSeconds, map.sections.back().start + 32.1);
}

TEST(Soundtrack, LoadsCleanlyWithTheExpectedShape)
{
    const std::vector<uint8_t>& bytes = soundtrackBytes();
    EXPECT_LT(bytes.size(), 1500u * 1024u);
    Module m(bytes);
    ASSERT_NE(m.mod, nullptr);
    for (const std::string& line : m.log)
        ADD_FAILURE() << "libopenmpt said: " << line;
    EXPECT_EQ(openmpt_module_get_num_orders(m.mod), 93);
    EXPECT_EQ(openmpt_module_get_num_instruments(m.mod), soundtrackInstrumentCount);
    EXPECT_GE(
        openmpt_module_get_pattern_num_rows(m.mod, openmpt_module_get_order_pattern(m.mod, 2)), 33);
    EXPECT_GE(
        openmpt_module_get_pattern_num_rows(m.mod, openmpt_module_get_order_pattern(m.mod, 12)),
        17);
    // The restart plays the intro again at the intro's own tempo.
    EXPECT_EQ(openmpt_module_get_current_speed(m.mod), 6);
    EXPECT_EQ(openmpt_module_get_current_tempo(m.mod), 127);
}

TEST(Soundtrack, ScenesThatFollowRowsGetAccentsOnTheirRows)
{
    Module m(soundtrackBytes());
    ASSERT_NE(m.mod, nullptr);
    // Wave grid flashes on every 32nd row (orders 17 to 22): crash and kick there.
    for (int order = 17; order < 23; ++order)
        for (int row : {0, 32}) {
            EXPECT_EQ(m.cell(order, row, chPerc, OPENMPT_MODULE_COMMAND_INSTRUMENT), insCrash)
                << order << "," << row;
            EXPECT_EQ(m.cell(order, row, chKick, OPENMPT_MODULE_COMMAND_INSTRUMENT), insKick)
                << order << "," << row;
        }
    // Disks change their backdrop every 8 rows (orders 33 to 40): a kick on each change.
    for (int order = 33; order < 41; ++order) {
        const int rows = openmpt_module_get_pattern_num_rows(
            m.mod, openmpt_module_get_order_pattern(m.mod, order));
        for (int row = 0; row < rows; row += 8)
            EXPECT_EQ(m.cell(order, row, chKick, OPENMPT_MODULE_COMMAND_INSTRUMENT), insKick)
                << order << "," << row;
    }
    // Greetings change cards every 8 rows (orders 41 to 43): a bell on each change.
    for (int order = 41; order < 44; ++order) {
        const int rows = openmpt_module_get_pattern_num_rows(
            m.mod, openmpt_module_get_order_pattern(m.mod, order));
        for (int row = 0; row < rows; row += 8)
            EXPECT_EQ(m.cell(order, row, chBell, OPENMPT_MODULE_COMMAND_INSTRUMENT), insBell)
                << order << "," << row;
    }
    // Every camera shake in Flames lands on a hit.
    for (int row = 0; row < 256; ++row) {
        bool shake = false;
        for (int ch : {chControl0, chControl1})
            shake = shake || m.cell(1, row, ch, OPENMPT_MODULE_COMMAND_PARAMETER) == 2;
        if (shake) {
            EXPECT_EQ(m.cell(1, row, chPerc, OPENMPT_MODULE_COMMAND_INSTRUMENT), insCrash) << row;
        }
    }
}

TEST(Soundtrack, RendersBelowFullScaleWithoutSilentStretches)
{
    RenderStats stats;
    std::string error;
    std::vector<int16_t> samples;
    ASSERT_TRUE(
        renderSoundtrack(soundtrackBytes(), "music-test-render.wav", 0.0, stats, &samples, error))
        << error;
    std::remove("music-test-render.wav");
    EXPECT_GT(stats.seconds, 290.0);
    EXPECT_LT(stats.peak, 32767 * 9 / 10) << "too close to clipping";
    EXPECT_GT(stats.peak, 32767 / 4) << "too quiet";
    EXPECT_GT(stats.rmsDb, -24.0);
    // Every whole second from the end of the intro to the last second of the song is audible.
    const size_t rate = 44100;
    const size_t introEnd = rate * 19 / 10, frames = samples.size() / 2;
    for (size_t start = introEnd; start + 2 * rate <= frames; start += rate / 2) {
        double sum = 0;
        for (size_t i = start * 2; i < (start + rate) * 2; ++i)
            sum += double(samples[i]) * samples[i];
        const double db = 20 * std::log10(std::sqrt(sum / (2.0 * rate)) / 32768.0 + 1e-12);
        ASSERT_GT(db, -45.0) << "silent second at " << double(start) / rate << " s";
    }
    // The intro starts softly: it fades in rather than starting at full level.
    double first = 0;
    for (size_t i = 0; i < rate / 10 * 2; ++i)
        first = std::max(first, std::fabs(double(samples[i])));
    EXPECT_LT(first, stats.peak / 2.0);
    // The mix stays where modules written by hand lie: a quiet top, the weight in the low end.
    const MixFigures mix = measureMix(samples, 44100, 0, frames);
    EXPECT_LE(mix.above8k, 0.015);
    EXPECT_LE(mix.above12k, 0.004);
    EXPECT_LE(mix.medianLevelAbove10kDb, -45);
    EXPECT_LE(mix.mid500to4k, 0.15);
    EXPECT_GE(mix.below250, 0.65);
    EXPECT_LE(mix.medianCentroidHz, 600);
    EXPECT_GE(mix.loudnessLufs, -21);
    EXPECT_LE(mix.loudnessLufs, -14);
    EXPECT_LE(mix.truePeakDbtp, -1);
}

TEST(Soundtrack, PlaysWithATrackersExpression)
{
    PatternFigures f;
    std::string error;
    ASSERT_TRUE(measurePatterns(soundtrackBytes(), f, error)) << error;
    EXPECT_GE(f.effectTypeCount, 5) << f.effectTypes;
    const double slides = 100.0 * f.volumeSlides / std::max(1, f.notes);
    EXPECT_GE(slides, 10.0);
    EXPECT_LE(slides, 20.0);
}

TEST(Soundtrack, GenerationIsDeterministicAndMatchesTheBuiltFile)
{
    const std::vector<uint8_t> again = encodeXm(composeSoundtrack());
    EXPECT_TRUE(again == soundtrackBytes());
    std::ifstream built(std::string(V4N_BINARY_DIR) + "/v4npelva.xm", std::ios::binary);
    if (!built)
        GTEST_SKIP() << "v4npelva.xm not built in this tree";
    const std::vector<uint8_t> file((std::istreambuf_iterator<char>(built)),
                                    std::istreambuf_iterator<char>());
    EXPECT_TRUE(file == again) << "v4npelva.xm is stale: rebuild the v4npelva_music target";
}

}  // namespace
