// The mix figures on signals whose spectrum, loudness and peak are known in advance, and the
// pattern figures on a module written cell by cell.
#include "music/music.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace {

constexpr double pi = 3.14159265358979323846;

// Ten seconds of a 1 kHz sine of amplitude 0.25 plus uniform white noise of amplitude 0.1, the
// same in both channels.
std::vector<int16_t> sineAndNoise(int rate)
{
    const size_t frames = static_cast<size_t>(rate) * 10;
    std::vector<int16_t> out(frames * 2);
    uint32_t state = 12345;
    for (size_t i = 0; i < frames; ++i) {
        state = state * 1664525u + 1013904223u;
        const double noise = 0.1 * ((state >> 8) / 8388608.0 - 1.0);
        const double v = 0.25 * std::sin(2 * pi * 1000.0 * double(i) / rate) + noise;
        out[2 * i] = out[2 * i + 1] = static_cast<int16_t>(std::lround(v * 32767));
    }
    return out;
}

// Appends `seconds` of a sine at `dbfs` (peak) in both channels.
void appendSine(std::vector<int16_t>& out, int rate, double seconds, double hz, double dbfs,
                double phase = 0)
{
    const double amplitude = std::pow(10.0, dbfs / 20);
    const size_t frames = static_cast<size_t>(seconds * rate);
    for (size_t i = 0; i < frames; ++i) {
        const double v = amplitude * std::sin(2 * pi * hz * double(i) / rate + phase);
        const auto s = static_cast<int16_t>(std::lround(v * 32767));
        out.push_back(s);
        out.push_back(s);
    }
}

TEST(Mix, BandSharesLevelAndCentroidOfASineInWhiteNoise)
{
    for (int rate : {44100, 22000}) {
        const std::vector<int16_t> signal = sineAndNoise(rate);
        const MixFigures m = measureMix(signal, rate, 0, signal.size() / 2);
        const double nyquist = rate / 2.0;
        const double sine = 0.25 * 0.25 / 2, noise = 0.1 * 0.1 / 3, total = sine + noise;
        const auto noiseShare = [&](double from, double to) {
            return noise * std::max(0.0, std::min(to, nyquist) - from) / nyquist / total;
        };
        EXPECT_NEAR(m.seconds, 10.0, 1e-9);
        EXPECT_NEAR(m.above8k, noiseShare(8000, nyquist), 0.005) << rate;
        EXPECT_NEAR(m.above12k, noiseShare(12000, nyquist), 0.005) << rate;
        EXPECT_NEAR(m.mid500to4k, sine / total + noiseShare(500, 4000), 0.005) << rate;
        EXPECT_NEAR(m.below250, noiseShare(0, 250), 0.002) << rate;
        EXPECT_NEAR(m.medianCentroidHz, (sine * 1000 + noise * nyquist / 2) / total, 30) << rate;
        if (rate > 20000) {
            // Noise power above 10 kHz read against a full-scale sine (mean square 1/2).
            const double level = 10 * std::log10(noise * (nyquist - 10000) / nyquist / 0.5);
            EXPECT_NEAR(m.medianLevelAbove10kDb, level, 0.5) << rate;
        }
    }
    // Only the frames asked for count: the first half alone has the same spectrum.
    const std::vector<int16_t> signal = sineAndNoise(44100);
    EXPECT_NEAR(measureMix(signal, 44100, 0, 44100 * 5).seconds, 5.0, 1e-9);
}

TEST(Mix, LoudnessIsGatedAndTruePeakFindsWhatLiesBetweenSamples)
{
    for (int rate : {44100, 22000}) {
        // A 1 kHz sine at -23 dBFS in both channels reads -23 LUFS; quieter stretches 13 dB
        // below it fall under the relative gate and silence under the absolute one.
        std::vector<int16_t> s;
        appendSine(s, rate, 10, 1000, -36);
        appendSine(s, rate, 20, 1000, -23);
        appendSine(s, rate, 10, 1000, -36);
        appendSine(s, rate, 5, 1000, -120);
        const MixFigures m = measureMix(s, rate, 0, s.size() / 2);
        EXPECT_NEAR(m.loudnessLufs, -23.0, 0.1) << rate;
        EXPECT_NEAR(m.truePeakDbtp, -23.0, 0.1) << rate;
        // A quarter-rate sine sampled 45 degrees off its crests: every sample is 3 dB below
        // the true peak.
        std::vector<int16_t> q;
        appendSine(q, rate, 2, rate / 4.0, -6, pi / 4);
        const MixFigures p = measureMix(q, rate, 0, q.size() / 2);
        EXPECT_NEAR(p.samplePeakDbfs, -9.03, 0.05) << rate;
        EXPECT_NEAR(p.truePeakDbtp, -6.0, 0.15) << rate;
    }
    // Silence has no loudness and no centroid, and does not fail.
    const std::vector<int16_t> silence(44100 * 2 * 2, 0);
    const MixFigures m = measureMix(silence, 44100, 0, 44100 * 2);
    EXPECT_LT(m.loudnessLufs, -200);
    EXPECT_EQ(m.medianCentroidHz, 0);
}

TEST(Mix, PatternFiguresCountEffectTypesAndVolumeSlidesOverTheOrderList)
{
    XmModule mod;
    mod.name = "mix test";
    mod.channels = 2;
    XmInstrument ins;
    ins.name = "square";
    XmSample sample;
    sample.sixteenBit = true;
    for (int i = 0; i < 64; ++i)
        sample.data.push_back(i < 32 ? 8000 : -8000);
    sample.loop = XmLoop::forward;
    sample.loopLength = 64;
    ins.samples.push_back(sample);
    mod.instruments.push_back(ins);
    XmPattern p = makeXmPattern(16, 2);
    const auto cell = [&](int row, int ch) -> XmCell& {
        return p.cells[static_cast<size_t>(row) * 2 + static_cast<size_t>(ch)];
    };
    cell(0, 0) = {xmNote(4, 0), 1, xmVolume(40), xmEffect('4'), 0x34};  // vibrato
    cell(1, 0).effect = xmEffect('A');                                  // slide
    cell(1, 0).param = 0x02;
    cell(2, 0).volume = 0x70;                                // volume-column slide up
    cell(3, 0) = {xmNote(4, 4), 1, 0, xmEffect('0'), 0x37};  // arpeggio
    cell(4, 0) = {xmNote(4, 7), 1, 0, xmEffect('E'), 0xC3};  // note cut
    cell(5, 0) = {xmNote(4, 7), 1, 0, xmEffect('E'), 0xA1};  // fine slide
    cell(0, 1) = {xmNote(3, 0), 1, 0, xmEffect('F'), 6};     // speed: not counted
    cell(8, 1) = {0, 0, 0, xmEffectSync, 3};                 // sync: not counted
    cell(9, 1) = {xmNote(3, 0), 1, 0, xmEffect('9'), 0x10};  // sample offset
    mod.patterns.push_back(p);
    mod.orders = {0, 0};  // played twice
    const std::vector<uint8_t> bytes = encodeXm(mod);
    ASSERT_FALSE(bytes.empty());
    PatternFigures f;
    std::string error;
    ASSERT_TRUE(measurePatterns(bytes, f, error)) << error;
    EXPECT_EQ(f.notes, 2 * 6);
    EXPECT_EQ(f.volumeSlides, 2 * 3);
    EXPECT_EQ(f.effectTypes, "0 4 9 A EA EC");
    EXPECT_EQ(f.effectTypeCount, 6);
    EXPECT_EQ(f.volumeColumnTypes, "c");
}

}  // namespace
