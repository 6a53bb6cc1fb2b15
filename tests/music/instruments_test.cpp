// The synthesised instruments: in tune, looping without clicks, within the format's limits.
#include "music/music.h"

#include <gtest/gtest.h>
#include <libopenmpt/libopenmpt.h>

#include <cmath>

namespace {

// Plays one note of one instrument alone and returns the mono signal at 48 kHz.
std::vector<float> playNote(const XmInstrument& instrument, int midi, double seconds)
{
    XmModule m;
    m.channels = 2;
    m.instruments = {instrument};
    m.patterns = {makeXmPattern(64, 2)};
    m.orders = {0};
    xmCell(m.patterns[0], 2, 0, 0) = {xmNoteFromMidi(midi), 1, xmVolume(64), 0, 0};
    const std::vector<uint8_t> bytes = encodeXm(m);
    openmpt_module* mod = openmpt_module_create_from_memory2(
        bytes.data(), bytes.size(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
    std::vector<float> out;
    if (mod == nullptr)
        return out;
    out.resize(static_cast<size_t>(48000 * seconds));
    openmpt_module_read_float_mono(mod, 48000, out.size(), out.data());
    openmpt_module_destroy(mod);
    return out;
}

// Fundamental frequency by autocorrelation over a window (lags for 40..2000 Hz).
double pitchOf(const std::vector<float>& s, size_t from, size_t length)
{
    double best = -1e30;
    int bestLag = 0;
    for (int lag = 24; lag <= 1200; ++lag) {
        double sum = 0;
        for (size_t i = from; i < from + length; ++i)
            sum += double(s[i]) * s[i + lag];
        if (sum > best) {
            best = sum;
            bestLag = lag;
        }
    }
    // Refine between neighbouring lags with a parabola.
    auto ac = [&](int lag) {
        double sum = 0;
        for (size_t i = from; i < from + length; ++i)
            sum += double(s[i]) * s[i + lag];
        return sum;
    };
    const double a = ac(bestLag - 1), b = ac(bestLag), c = ac(bestLag + 1);
    const double shift = (a - c) / (2 * (a - 2 * b + c));
    return 48000.0 / (bestLag + shift);
}

TEST(Instruments, TonalInstrumentsPlayInTune)
{
    const std::vector<XmInstrument> all = synthesiseInstruments();
    ASSERT_EQ(all.size(), static_cast<size_t>(soundtrackInstrumentCount));
    // Each pitched instrument on a note of its range. (The tom's pitch sweeps and the bell is
    // inharmonic; the bell has its own check below.)
    const struct {
        SoundtrackInstrument instrument;
        int midi;
        double hz;
    } cases[] = {
        {insBass, 45, 110.0}, {insPad, 57, 220.0},   {insLead, 69, 440.0}, {insPluck, 69, 440.0},
        {insStab, 57, 220.0}, {insLead, 76, 659.26}, {insBass, 33, 55.0},
    };
    for (const auto& c : cases) {
        const std::vector<float> s = playNote(all[c.instrument - 1], c.midi, 0.6);
        ASSERT_FALSE(s.empty());
        const double hz = pitchOf(s, 4800, 9600);
        EXPECT_NEAR(std::log2(hz / c.hz) * 12.0, 0.0, 0.1)
            << all[c.instrument - 1].name << " plays " << hz;
    }
    // The bell's strongest partial is the note itself: more energy at 440 Hz than a semitone
    // either side.
    const std::vector<float> bell = playNote(all[insBell - 1], 69, 0.5);
    auto power = [&](double hz) {
        double re = 0, im = 0;
        for (size_t i = 0; i < bell.size(); ++i) {
            re += bell[i] * std::cos(2 * 3.14159265358979 * hz * i / 48000.0);
            im += bell[i] * std::sin(2 * 3.14159265358979 * hz * i / 48000.0);
        }
        return re * re + im * im;
    };
    EXPECT_GT(power(440.0), 4 * power(415.3));
    EXPECT_GT(power(440.0), 4 * power(466.2));
}

TEST(Instruments, LoopsJoinWithoutClicksAndStayInsideTheirSamples)
{
    for (const XmInstrument& ins : synthesiseInstruments()) {
        ASSERT_EQ(ins.samples.size(), 1u) << ins.name;
        const XmSample& s = ins.samples[0];
        EXPECT_FALSE(s.data.empty()) << ins.name;
        if (s.loop == XmLoop::none)
            continue;
        ASSERT_LE(s.loopStart + s.loopLength, s.data.size()) << ins.name;
        // The step across the loop join is no bigger than the largest step inside the loop.
        int largest = 0;
        for (size_t i = s.loopStart + 1; i < s.loopStart + s.loopLength; ++i)
            largest = std::max(largest, std::abs(s.data[i] - s.data[i - 1]));
        const int join = std::abs(s.data[s.loopStart] - s.data[s.loopStart + s.loopLength - 1]);
        EXPECT_LE(join, largest) << ins.name;
        // A looped instrument has an envelope with a sustain, so key off releases it.
        EXPECT_TRUE(ins.volumeEnvelope.enabled && ins.volumeEnvelope.sustain) << ins.name;
        EXPECT_GT(ins.fadeout, 0) << ins.name;
    }
}

TEST(Instruments, OneShotsFadeToSilenceAndDrumsPlayAtTheirOwnRateOnC4)
{
    const std::vector<XmInstrument> all = synthesiseInstruments();
    for (const XmInstrument& ins : all) {
        const XmSample& s = ins.samples[0];
        if (s.loop != XmLoop::none)
            continue;
        // The last samples are near zero, so a one-shot never ends with a click.
        const int full = s.sixteenBit ? 32767 : 127;
        int tail = 0;
        for (size_t i = s.data.size() - 16; i < s.data.size(); ++i)
            tail = std::max(tail, std::abs(int(s.data[i])));
        EXPECT_LT(tail, full / 50) << ins.name;
    }
    // A kick on C-4 lasts as long as it was synthesised (0.7 s), so it plays at its own rate.
    const std::vector<float> kick = playNote(all[insKick - 1], 60, 0.8);
    ASSERT_FALSE(kick.empty());
    float body = 0, after = 0;
    for (size_t i = 48000 * 3 / 10; i < 48000 * 65 / 100; ++i)
        body = std::max(body, std::fabs(kick[i]));
    for (size_t i = 48000 * 72 / 100; i < kick.size(); ++i)
        after = std::max(after, std::fabs(kick[i]));
    EXPECT_GT(body, 0.002f);
    EXPECT_LT(after, 1e-4f);
}

TEST(Instruments, TuningCoversTheFormatsRange)
{
    XmSample s;
    // A sample whose fundamental is 8363 Hz / 2^(9/12) x ... : 440 Hz at 8363 Hz plays A-4
    // unchanged only with the C-4 rate, so relative note 0 needs f0 = 440 at 8363 * 2^(9/12) Hz.
    tuneSample(s, 8363.0 * std::pow(2.0, 9.0 / 12.0), 440.0);
    EXPECT_EQ(s.relativeNote, 0);
    EXPECT_EQ(s.finetune, 0);
    tuneSample(s, 22050, 110.25);
    const double x = s.relativeNote + s.finetune / 128.0;
    EXPECT_NEAR(x, 12.0 * std::log2(440.0 * 22050 / (8363.0 * 110.25)) - 9.0, 1.0 / 256);
    drumTuning(s, 8363);
    EXPECT_EQ(s.relativeNote, 0);
    drumTuning(s, 44100);
    EXPECT_NEAR(s.relativeNote + s.finetune / 128.0, 12.0 * std::log2(44100 / 8363.0), 1.0 / 256);
}

}  // namespace
