// The mix figures: where the energy of a render lies in frequency (short-time spectra of the
// mono sum), its integrated loudness and true peak (the broadcast loudness measure: K-weighting,
// 400 ms blocks, absolute and relative gates, 4x or finer oversampled peak), and what the
// patterns ask of the player (effect types, volume slides).
#include "music/music.h"

#include <libopenmpt/libopenmpt.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstdio>
#include <set>

namespace {

constexpr double pi = 3.14159265358979323846;
constexpr int fftSize = 2048;
constexpr int fftHop = fftSize / 2;
// Frames quieter than this (whole band, dBFS) have no meaningful centroid and are left out of
// the per-frame medians.
constexpr double silentFrameDb = -90;

// In-place radix-2 FFT of fftSize points.
void fft(std::vector<std::complex<double>>& a)
{
    const size_t n = a.size();
    for (size_t i = 1, j = 0; i < n; ++i) {
        size_t bit = n >> 1;
        for (; j & bit; bit >>= 1)
            j ^= bit;
        j ^= bit;
        if (i < j)
            std::swap(a[i], a[j]);
    }
    for (size_t len = 2; len <= n; len <<= 1) {
        const std::complex<double> wlen = std::polar(1.0, -2 * pi / double(len));
        for (size_t i = 0; i < n; i += len) {
            std::complex<double> w = 1;
            for (size_t k = 0; k < len / 2; ++k) {
                const std::complex<double> u = a[i + k], v = a[i + k + len / 2] * w;
                a[i + k] = u + v;
                a[i + k + len / 2] = u - v;
                w *= wlen;
            }
        }
    }
}

double median(std::vector<double> v)
{
    if (v.empty())
        return 0;
    const size_t mid = v.size() / 2;
    std::nth_element(v.begin(), v.begin() + static_cast<std::ptrdiff_t>(mid), v.end());
    return v[mid];
}

double toDb(double power)
{
    return 10 * std::log10(std::max(power, 1e-30));
}

// A biquad in direct form I.
struct Biquad {
    double b0, b1, b2, a1, a2;
    double x1 = 0, x2 = 0, y1 = 0, y2 = 0;
};

double runBiquad(Biquad& f, double x)
{
    const double y = f.b0 * x + f.b1 * f.x1 + f.b2 * f.x2 - f.a1 * f.y1 - f.a2 * f.y2;
    f.x2 = f.x1;
    f.x1 = x;
    f.y2 = f.y1;
    f.y1 = y;
    return y;
}

// The two stages of the K-weighting at any sampling rate: a high shelf of about +4 dB above
// 1.7 kHz (the head's effect) and a high-pass near 38 Hz.
Biquad kShelf(double rate)
{
    const double f0 = 1681.974450955533, gainDb = 3.999843853973347, q = 0.7071752369554196;
    const double k = std::tan(pi * f0 / rate);
    const double vh = std::pow(10.0, gainDb / 20), vb = std::pow(vh, 0.4996667741545416);
    const double a0 = 1 + k / q + k * k;
    return {(vh + vb * k / q + k * k) / a0, 2 * (k * k - vh) / a0, (vh - vb * k / q + k * k) / a0,
            2 * (k * k - 1) / a0, (1 - k / q + k * k) / a0};
}

Biquad kHighpass(double rate)
{
    const double f0 = 38.13547087602444, q = 0.5003270373238773;
    const double k = std::tan(pi * f0 / rate);
    const double a0 = 1 + k / q + k * k;
    return {1, -2, 1, 2 * (k * k - 1) / a0, (1 - k / q + k * k) / a0};
}

double sampleAt(const std::vector<int16_t>& stereo, size_t frame, int channel)
{
    return stereo[frame * 2 + static_cast<size_t>(channel)] / 32768.0;
}

void measureSpectrum(const std::vector<int16_t>& stereo, int rate, size_t first, size_t end,
                     MixFigures& out)
{
    std::vector<double> window(fftSize);
    double windowPower = 0;
    for (int i = 0; i < fftSize; ++i) {
        window[i] = 0.5 - 0.5 * std::cos(2 * pi * i / fftSize);
        windowPower += window[i] * window[i];
    }
    // A sine of amplitude A puts about fftSize * windowPower * A^2 / 4 into the bins 0..N/2:
    // dividing by the A = 1 value reads band power in dBFS with a full-scale sine at 0 dBFS.
    const double fullScale = fftSize * windowPower / 4;
    const double binHz = double(rate) / fftSize;
    double total = 0, above8k = 0, above12k = 0, mid = 0, below250 = 0;
    std::vector<double> levels, centroids;
    std::vector<std::complex<double>> buffer(fftSize);
    for (size_t start = first; start + fftSize <= end; start += fftHop) {
        for (int i = 0; i < fftSize; ++i) {
            const size_t f = start + static_cast<size_t>(i);
            buffer[i] = 0.5 * (sampleAt(stereo, f, 0) + sampleAt(stereo, f, 1)) * window[i];
        }
        fft(buffer);
        double frame = 0, frameAbove10k = 0, weighted = 0;
        for (int k = 0; k <= fftSize / 2; ++k) {
            const double hz = k * binHz;
            const double p = std::norm(buffer[k]);
            frame += p;
            weighted += p * hz;
            if (hz >= 8000)
                above8k += p;
            if (hz >= 12000)
                above12k += p;
            if (hz >= 10000)
                frameAbove10k += p;
            if (hz >= 500 && hz < 4000)
                mid += p;
            if (hz < 250)
                below250 += p;
        }
        total += frame;
        if (toDb(frame / fullScale) < silentFrameDb)
            continue;
        levels.push_back(toDb(frameAbove10k / fullScale));
        centroids.push_back(weighted / frame);
    }
    total = std::max(total, 1e-30);
    out.above8k = above8k / total;
    out.above12k = above12k / total;
    out.mid500to4k = mid / total;
    out.below250 = below250 / total;
    out.medianLevelAbove10kDb = levels.empty() ? -300 : median(levels);
    out.medianCentroidHz = median(centroids);
}

double integratedLoudness(const std::vector<int16_t>& stereo, int rate, size_t first, size_t end)
{
    // Mean square of the K-weighted channels, summed, per 100 ms step.
    const size_t step = static_cast<size_t>(rate) / 10;
    std::vector<double> steps;
    Biquad shelf[2] = {kShelf(rate), kShelf(rate)},
           highpass[2] = {kHighpass(rate), kHighpass(rate)};
    double sum = 0;
    size_t count = 0;
    for (size_t f = first; f < end; ++f) {
        for (int c = 0; c < 2; ++c) {
            const double y = runBiquad(highpass[c], runBiquad(shelf[c], sampleAt(stereo, f, c)));
            sum += y * y;
        }
        if (++count == step) {
            steps.push_back(sum / double(step));
            sum = 0;
            count = 0;
        }
    }
    // 400 ms blocks overlapping by 75 %.
    std::vector<double> blocks;
    for (size_t i = 0; i + 4 <= steps.size(); ++i)
        blocks.push_back((steps[i] + steps[i + 1] + steps[i + 2] + steps[i + 3]) / 4);
    const auto loudness = [](double z) { return -0.691 + toDb(z); };
    double gated = 0;
    size_t n = 0;
    for (double z : blocks)
        if (loudness(z) > -70) {
            gated += z;
            ++n;
        }
    if (n == 0)
        return -300;
    const double relative = loudness(gated / double(n)) - 10;
    gated = 0;
    n = 0;
    for (double z : blocks)
        if (loudness(z) > -70 && loudness(z) > relative) {
            gated += z;
            ++n;
        }
    return n == 0 ? -300 : loudness(gated / double(n));
}

// Peak of the signal reconstructed between its samples: each channel is oversampled to at
// least 176.4 kHz by a windowed-sinc interpolator (16 taps each side).
double truePeak(const std::vector<int16_t>& stereo, int rate, size_t first, size_t end,
                double& samplePeak)
{
    const int factor = std::max(4, (176400 + rate - 1) / rate);
    constexpr int half = 16;
    std::vector<std::vector<double>> taps(static_cast<size_t>(factor));
    for (int p = 1; p < factor; ++p) {
        const double frac = double(p) / factor;
        for (int k = -half + 1; k <= half; ++k) {
            const double x = frac - k;
            const double sinc = std::sin(pi * x) / (pi * x);
            const double w = 0.5 + 0.5 * std::cos(pi * x / (half + 1));
            taps[static_cast<size_t>(p)].push_back(sinc * w);
        }
    }
    double peak = 0;
    samplePeak = 0;
    for (int c = 0; c < 2; ++c)
        for (size_t f = first; f < end; ++f) {
            const double s = std::fabs(sampleAt(stereo, f, c));
            samplePeak = std::max(samplePeak, s);
            peak = std::max(peak, s);
            if (f + half >= end || f < first + half - 1)
                continue;
            for (int p = 1; p < factor; ++p) {
                double v = 0;
                const std::vector<double>& t = taps[static_cast<size_t>(p)];
                for (int k = -half + 1; k <= half; ++k)
                    v += t[static_cast<size_t>(k + half - 1)] *
                         sampleAt(stereo, f + static_cast<size_t>(static_cast<ptrdiff_t>(k)), c);
                peak = std::max(peak, std::fabs(v));
            }
        }
    return peak;
}

// Volume-column effects as the player names them: c/d slide up/down, a/b fine slide up/down.
bool isVolumeColumnSlide(char c)
{
    return c == 'c' || c == 'd' || c == 'a' || c == 'b';
}

std::string formatted(openmpt_module* mod, int pattern, int row, int channel, int what)
{
    const char* s =
        openmpt_module_format_pattern_row_channel_command(mod, pattern, row, channel, what);
    std::string out = s ? s : "";
    openmpt_free_string(s);
    return out;
}

}  // namespace

MixFigures measureMix(const std::vector<int16_t>& stereo, int rate, size_t firstFrame,
                      size_t endFrame)
{
    MixFigures m;
    endFrame = std::min(endFrame, stereo.size() / 2);
    firstFrame = std::min(firstFrame, endFrame);
    m.seconds = double(endFrame - firstFrame) / rate;
    measureSpectrum(stereo, rate, firstFrame, endFrame, m);
    m.loudnessLufs = integratedLoudness(stereo, rate, firstFrame, endFrame);
    double samplePeak = 0;
    m.truePeakDbtp =
        20 * std::log10(std::max(truePeak(stereo, rate, firstFrame, endFrame, samplePeak), 1e-15));
    m.samplePeakDbfs = 20 * std::log10(std::max(samplePeak, 1e-15));
    return m;
}

bool measurePatterns(const std::vector<uint8_t>& xmBytes, PatternFigures& out, std::string& error)
{
    openmpt_module* mod =
        openmpt_module_create_from_memory2(xmBytes.data(), xmBytes.size(), nullptr, nullptr,
                                           nullptr, nullptr, nullptr, nullptr, nullptr);
    if (mod == nullptr) {
        error = "module does not load";
        return false;
    }
    out = PatternFigures{};
    std::set<std::string> effects, volumeEffects;
    const int channels = openmpt_module_get_num_channels(mod);
    // Each pattern counts as often as the order list plays it.
    for (int order = 0; order < openmpt_module_get_num_orders(mod); ++order) {
        const int pattern = openmpt_module_get_order_pattern(mod, order);
        for (int row = 0; row < openmpt_module_get_pattern_num_rows(mod, pattern); ++row)
            for (int ch = 0; ch < channels; ++ch) {
                const int note = openmpt_module_get_pattern_row_channel_command(
                    mod, pattern, row, ch, OPENMPT_MODULE_COMMAND_NOTE);
                if (note >= 1 && note <= 120)
                    ++out.notes;
                const std::string effect =
                    formatted(mod, pattern, row, ch, OPENMPT_MODULE_COMMAND_EFFECT);
                const std::string volume =
                    formatted(mod, pattern, row, ch, OPENMPT_MODULE_COMMAND_VOLUMEEFFECT);
                const int param = openmpt_module_get_pattern_row_channel_command(
                    mod, pattern, row, ch, OPENMPT_MODULE_COMMAND_PARAMETER);
                const char e = effect.empty() ? '.' : effect[0];
                const char v = volume.empty() ? '.' : volume[0];
                const bool fineSlide = e == 'E' && ((param >> 4) == 0xA || (param >> 4) == 0xB);
                if (isVolumeColumnSlide(v) || e == 'A' || e == '5' || e == '6' || fineSlide)
                    ++out.volumeSlides;
                if (v != '.' && v != ' ' && v != 'v')
                    volumeEffects.insert(std::string(1, v));
                if (e == '.' || e == ' ' || (e == '0' && param == 0) || e == 'F' || e == 'B' ||
                    e == 'D' || e == 'W')
                    continue;
                // The extended commands are effects of their own (EC note cut, ED delay...).
                std::string name(1, e);
                if (e == 'E')
                    name += "0123456789ABCDEF"[(param >> 4) & 15];
                effects.insert(name);
            }
    }
    openmpt_module_destroy(mod);
    for (const std::string& e : effects)
        out.effectTypes += (out.effectTypes.empty() ? "" : " ") + e;
    for (const std::string& v : volumeEffects)
        out.volumeColumnTypes += (out.volumeColumnTypes.empty() ? "" : " ") + v;
    out.effectTypeCount = static_cast<int>(effects.size());
    return true;
}

std::string formatMixFigures(const MixFigures& m)
{
    char line[512];
    std::snprintf(line, sizeof line,
                  "above 8 kHz %.2f %%, above 12 kHz %.3f %%, median level above 10 kHz %.1f dBFS, "
                  "500 Hz-4 kHz %.1f %%, below 250 Hz %.1f %%, median centroid %.0f Hz, "
                  "loudness %.1f LUFS, true peak %.2f dBTP (sample peak %.2f dBFS)",
                  100 * m.above8k, 100 * m.above12k, m.medianLevelAbove10kDb, 100 * m.mid500to4k,
                  100 * m.below250, m.medianCentroidHz, m.loudnessLufs, m.truePeakDbtp,
                  m.samplePeakDbfs);
    return line;
}
