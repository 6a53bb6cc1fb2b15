// The XM writer's files, loaded back by libopenmpt: structure, timing commands, sync commands,
// samples.
#include "xm/xm_writer.h"

#include <gtest/gtest.h>
#include <libopenmpt/libopenmpt.h>

#include <cmath>
#include <string>
#include <vector>

namespace {

struct LoadedModule {
    openmpt_module* mod = nullptr;
    std::vector<std::string> log;
    LoadedModule() = default;
    LoadedModule(const LoadedModule&) = delete;
    LoadedModule& operator=(const LoadedModule&) = delete;
    ~LoadedModule()
    {
        if (mod)
            openmpt_module_destroy(mod);
    }
};

void collectLog(const char* message, void* user)
{
    static_cast<std::vector<std::string>*>(user)->push_back(message ? message : "");
}

void load(LoadedModule& m, const std::vector<uint8_t>& bytes)
{
    int error = 0;
    const char* message = nullptr;
    m.mod = openmpt_module_create_from_memory2(bytes.data(), bytes.size(), collectLog, &m.log,
                                               openmpt_error_func_store, nullptr, &error, &message,
                                               nullptr);
    if (message)
        openmpt_free_string(message);
}

std::string command(openmpt_module* mod, int pattern, int row, int channel, int what)
{
    const char* s =
        openmpt_module_format_pattern_row_channel_command(mod, pattern, row, channel, what);
    std::string r = s ? s : "";
    openmpt_free_string(s);
    return r;
}

// A two-instrument module: a looped 16-bit sine with an envelope and a one-shot 8-bit noise burst.
XmModule sampleModule()
{
    XmModule m;
    m.name = "writer test";
    m.channels = 4;
    m.defaultSpeed = 5;
    m.defaultBpm = 140;
    XmInstrument sine;
    sine.name = "sine";
    XmSample s;
    for (int i = 0; i < 2000; ++i)
        s.data.push_back(static_cast<int16_t>(12000 * std::sin(i * 2 * 3.14159265358979 / 100)));
    s.loop = XmLoop::forward;
    s.loopStart = 1000;
    s.loopLength = 1000;
    s.panning = 40;
    s.relativeNote = 12;
    s.finetune = -16;
    sine.samples.push_back(s);
    sine.volumeEnvelope.enabled = true;
    sine.volumeEnvelope.points = {{0, 64}, {10, 40}, {50, 0}};
    sine.volumeEnvelope.sustain = true;
    sine.volumeEnvelope.sustainPoint = 1;
    sine.fadeout = 512;
    XmInstrument noise;
    noise.name = "noise";
    XmSample n;
    n.sixteenBit = false;
    uint32_t seed = 1;
    for (int i = 0; i < 500; ++i) {
        seed = seed * 1103515245u + 12345u;
        n.data.push_back(static_cast<int16_t>(static_cast<int>((seed >> 16) & 255) - 128));
    }
    n.loop = XmLoop::pingpong;
    n.loopStart = 100;
    n.loopLength = 300;
    noise.samples.push_back(n);
    m.instruments = {sine, noise};

    m.patterns.push_back(makeXmPattern(48, m.channels));
    m.patterns.push_back(makeXmPattern(17, m.channels));
    m.patterns.push_back(makeXmPattern(256, m.channels));
    XmPattern& p0 = m.patterns[0];
    xmCell(p0, 4, 0, 0) = {xmNote(4, 0), 1, xmVolume(48), 0, 0};
    xmCell(p0, 4, 0, 1) = {xmNote(3, 7), 2, 0, xmEffectSync, 3};
    xmCell(p0, 4, 4, 2) = {0, 0, 0, xmEffectSetSpeed, 3};
    xmCell(p0, 4, 8, 3) = {0, 0, 0, xmEffectSetSpeed, 180};
    xmCell(p0, 4, 12, 0) = {xmNoteOff, 0, 0, 0, 0};
    xmCell(p0, 4, 47, 3) = {xmNote(7, 11), 1, xmVolume(64), xmEffect('A'),
                            0x0f};  // all five fields set
    XmPattern& p1 = m.patterns[1];
    xmCell(p1, 4, 16, 2) = {0, 0, 0, xmEffectSync, 1};
    xmCell(p1, 4, 3, 1) = {xmNote(2, 2), 2, 0, xmEffectSync, 0xff};
    m.orders = {0, 1, 1, 2, 0};
    m.restartPosition = 1;
    return m;
}

TEST(XmWriter, LoadsBackWithStructureTimingAndSyncCommands)
{
    const XmModule src = sampleModule();
    ASSERT_EQ(xmModuleError(src), "");
    const std::vector<uint8_t> bytes = encodeXm(src);
    ASSERT_FALSE(bytes.empty());

    LoadedModule m;
    load(m, bytes);
    ASSERT_NE(m.mod, nullptr);
    for (const std::string& line : m.log)
        ADD_FAILURE() << "libopenmpt said: " << line;

    const char* type = openmpt_module_get_metadata(m.mod, "type");
    EXPECT_STREQ(type, "xm");
    openmpt_free_string(type);
    EXPECT_EQ(openmpt_module_get_num_orders(m.mod), 5);
    EXPECT_EQ(openmpt_module_get_num_patterns(m.mod), 3);
    EXPECT_EQ(openmpt_module_get_num_channels(m.mod), 4);
    EXPECT_EQ(openmpt_module_get_num_instruments(m.mod), 2);
    EXPECT_EQ(openmpt_module_get_num_samples(m.mod), 2);
    EXPECT_EQ(openmpt_module_get_order_pattern(m.mod, 3), 2);
    EXPECT_EQ(openmpt_module_get_pattern_num_rows(m.mod, 0), 48);
    EXPECT_EQ(openmpt_module_get_pattern_num_rows(m.mod, 1), 17);
    EXPECT_EQ(openmpt_module_get_pattern_num_rows(m.mod, 2), 256);
    EXPECT_EQ(openmpt_module_get_current_speed(m.mod), 5);
    EXPECT_EQ(openmpt_module_get_current_tempo(m.mod), 140);

    // libopenmpt numbers notes one octave above FastTracker 2: XM note 49 (C-4) reads as 61 (C-5).
    EXPECT_EQ(
        openmpt_module_get_pattern_row_channel_command(m.mod, 0, 0, 0, OPENMPT_MODULE_COMMAND_NOTE),
        61);
    EXPECT_EQ(openmpt_module_get_pattern_row_channel_command(m.mod, 0, 0, 0,
                                                             OPENMPT_MODULE_COMMAND_INSTRUMENT),
              1);
    EXPECT_EQ(openmpt_module_get_pattern_row_channel_command(m.mod, 0, 0, 0,
                                                             OPENMPT_MODULE_COMMAND_VOLUME),
              48);
    EXPECT_EQ(command(m.mod, 0, 47, 3, OPENMPT_MODULE_COMMAND_NOTE), "B-8");
    EXPECT_EQ(command(m.mod, 0, 47, 3, OPENMPT_MODULE_COMMAND_EFFECT), "A");
    EXPECT_EQ(command(m.mod, 0, 12, 0, OPENMPT_MODULE_COMMAND_NOTE), "===");

    // Speed and tempo commands are both F, told apart by the parameter.
    EXPECT_EQ(command(m.mod, 0, 4, 2, OPENMPT_MODULE_COMMAND_EFFECT), "F");
    EXPECT_EQ(openmpt_module_get_pattern_row_channel_command(m.mod, 0, 4, 2,
                                                             OPENMPT_MODULE_COMMAND_PARAMETER),
              3);
    EXPECT_EQ(openmpt_module_get_pattern_row_channel_command(m.mod, 0, 8, 3,
                                                             OPENMPT_MODULE_COMMAND_PARAMETER),
              180);

    // Sync commands keep their letter and parameter, including on the last row of an odd-sized
    // pattern.
    EXPECT_EQ(command(m.mod, 0, 0, 1, OPENMPT_MODULE_COMMAND_EFFECT), "W");
    EXPECT_EQ(openmpt_module_get_pattern_row_channel_command(m.mod, 0, 0, 1,
                                                             OPENMPT_MODULE_COMMAND_PARAMETER),
              3);
    EXPECT_EQ(command(m.mod, 1, 16, 2, OPENMPT_MODULE_COMMAND_EFFECT), "W");
    EXPECT_EQ(openmpt_module_get_pattern_row_channel_command(m.mod, 1, 16, 2,
                                                             OPENMPT_MODULE_COMMAND_PARAMETER),
              1);
    EXPECT_EQ(openmpt_module_get_pattern_row_channel_command(m.mod, 1, 3, 1,
                                                             OPENMPT_MODULE_COMMAND_PARAMETER),
              255);
    // An empty cell stays empty.
    EXPECT_EQ(openmpt_module_get_pattern_row_channel_command(m.mod, 1, 5, 0,
                                                             OPENMPT_MODULE_COMMAND_EFFECT),
              0);
}

TEST(XmWriter, PlaysWithTheWrittenTempoChangesAndSampleData)
{
    XmModule src = sampleModule();
    // One pattern of 32 rows at speed 6 / 125 BPM, switching to speed 3 at row 16:
    // 16 rows x 6 ticks x 20 ms + 16 rows x 3 ticks x 20 ms = 2.88 s.
    src.patterns = {makeXmPattern(32, 4)};
    src.orders = {0};
    src.restartPosition = 0;
    src.defaultSpeed = 6;
    src.defaultBpm = 125;
    xmCell(src.patterns[0], 4, 0, 0) = {xmNote(4, 0), 1, 0, 0, 0};
    xmCell(src.patterns[0], 4, 0, 1) = {xmNote(4, 0), 2, 0, 0, 0};
    xmCell(src.patterns[0], 4, 16, 3) = {0, 0, 0, xmEffectSetSpeed, 3};
    const std::vector<uint8_t> bytes = encodeXm(src);
    LoadedModule m;
    load(m, bytes);
    ASSERT_NE(m.mod, nullptr);
    EXPECT_TRUE(m.log.empty());
    EXPECT_NEAR(openmpt_module_get_duration_seconds(m.mod), 2.88, 0.01);

    // The sine is audible and its loop keeps it sounding past the 2000 written frames; the
    // envelope's sustain holds it at a steady level.
    std::vector<float> left(48000), right(48000);
    const size_t got =
        openmpt_module_read_float_stereo(m.mod, 48000, left.size(), left.data(), right.data());
    ASSERT_EQ(got, left.size());
    float peakLate = 0, peakLeft = 0, peakRight = 0;
    for (size_t i = 24000; i < got; ++i) {
        peakLate = std::max(peakLate, std::fabs(left[i]) + std::fabs(right[i]));
        peakLeft = std::max(peakLeft, std::fabs(left[i]));
        peakRight = std::max(peakRight, std::fabs(right[i]));
    }
    EXPECT_GT(peakLate, 0.05f);
    EXPECT_LT(peakLeft + peakRight, 2.0f);
    EXPECT_GT(peakLeft, 0.0f);
}

TEST(XmWriter, RejectsModulesItCannotEncode)
{
    const XmModule good = sampleModule();
    auto broken = [&](auto change) {
        XmModule m = good;
        change(m);
        return m;
    };
    const XmModule cases[] = {
        broken([](XmModule& m) { m.channels = 33; }),
        broken([](XmModule& m) { m.defaultSpeed = 0; }),
        broken([](XmModule& m) { m.defaultBpm = 31; }),
        broken([](XmModule& m) { m.orders.clear(); }),
        broken([](XmModule& m) { m.orders.push_back(3); }),
        broken([](XmModule& m) { m.restartPosition = 5; }),
        broken([](XmModule& m) { m.patterns[1] = makeXmPattern(257, 4); }),
        broken([](XmModule& m) { m.patterns[1].cells.pop_back(); }),
        broken([](XmModule& m) { m.patterns[1].cells[0].instrument = 3; }),
        broken([](XmModule& m) { m.patterns[1].cells[0].note = 98; }),
        broken([](XmModule& m) { m.patterns[1].cells[0].effect = 36; }),
        broken([](XmModule& m) { m.instruments[0].samples[0].loopLength = 1001; }),
        broken([](XmModule& m) { m.instruments[0].samples[0].loopLength = 0; }),
        broken([](XmModule& m) { m.instruments[1].samples[0].data[0] = 200; }),
        broken([](XmModule& m) { m.instruments[0].volumeEnvelope.points[2].tick = 10; }),
        broken([](XmModule& m) { m.instruments[0].volumeEnvelope.sustainPoint = 3; }),
        broken([](XmModule& m) { m.instruments[0].keymap[5] = 1; }),
        broken([](XmModule& m) { m.instruments[0].volumeEnvelope.points.resize(13, {}); }),
    };
    int index = 0;
    for (const XmModule& m : cases) {
        EXPECT_NE(xmModuleError(m), "") << "case " << index;
        EXPECT_TRUE(encodeXm(m).empty()) << "case " << index;
        ++index;
    }
    std::string error;
    EXPECT_FALSE(writeXmFile(cases[0], "unused.xm", error));
    EXPECT_EQ(error, "channel count outside 1..32");
}

TEST(XmWriter, EncodingIsDeterministicAndCompact)
{
    const XmModule m = sampleModule();
    const std::vector<uint8_t> a = encodeXm(m);
    EXPECT_EQ(a, encodeXm(m));
    // Header (336 bytes), three patterns of mostly empty cells packed to one byte each,
    // two instruments with their sample data: 4000 + 500 bytes.
    const size_t cells = (48 + 17 + 256) * 4;
    EXPECT_LT(a.size(), 336 + cells + 200 + 2 * (263 + 40) + 4500);
    EXPECT_GT(a.size(), 336 + cells + 4500);
    EXPECT_EQ(std::string(a.begin(), a.begin() + 17), "Extended Module: ");
}

}  // namespace
