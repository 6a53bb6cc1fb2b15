// The soundtrack's instruments, synthesised: drums from shaped noise and swept sines, tonal
// instruments by additive synthesis over loops that hold a whole number of cycles of every
// partial, so they loop without a click.
#include "music/music.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double pi = 3.14159265358979323846;
// Playback rate of note C-4 with relative note 0 and finetune 0 in a FastTracker 2 module.
constexpr double xmC4Rate = 8363.0;

// State of a deterministic white-noise source (xorshift32).
struct Noise {
    uint32_t state = 0x9e3779b9u;
};

// Next noise value in -1..1.
double nextNoise(Noise& n)
{
    n.state ^= n.state << 13;
    n.state ^= n.state >> 17;
    n.state ^= n.state << 5;
    return (n.state / 2147483648.0) - 1.0;
}

// State and last outputs of a zero-delay-feedback state-variable filter.
struct Svf {
    double ic1 = 0, ic2 = 0;
    double low = 0, band = 0, high = 0;
};

// Filters one sample; stable at every cutoff below Nyquist.
void runSvf(Svf& f, double in, double cutoff, double q, double rate)
{
    const double g = std::tan(pi * std::min(cutoff, rate * 0.49) / rate);
    const double k = 1.0 / q;
    const double v1 = (f.ic1 + g * (in - f.ic2)) / (1.0 + g * (g + k));
    const double v2 = f.ic2 + g * v1;
    f.ic1 = 2 * v1 - f.ic1;
    f.ic2 = 2 * v2 - f.ic2;
    f.low = v2;
    f.band = v1;
    f.high = in - k * v1 - v2;
}

// Two-pole low-pass magnitude at f for cutoff fc.
double lowpass2(double f, double fc)
{
    return 1.0 / std::sqrt(1.0 + std::pow(f / fc, 4.0));
}
double lowpass1(double f, double fc)
{
    return 1.0 / std::sqrt(1.0 + (f / fc) * (f / fc));
}

// Fades the last `seconds` of a one-shot to zero so it never stops with a click.
void closeTail(std::vector<double>& signal, double rate, double seconds = 0.025)
{
    const size_t n = std::min(signal.size(), static_cast<size_t>(rate * seconds));
    for (size_t i = 0; i < n; ++i)
        signal[signal.size() - 1 - i] *= double(i) / n;
}

// Scales the signal to the given peak of full scale and quantises it.
XmSample quantise(const std::vector<double>& signal, bool sixteenBit, double peak = 0.92)
{
    double maxAbs = 1e-9;
    for (double v : signal)
        maxAbs = std::max(maxAbs, std::fabs(v));
    const double full = sixteenBit ? 32767.0 : 127.0;
    XmSample s;
    s.sixteenBit = sixteenBit;
    s.data.reserve(signal.size());
    for (double v : signal)
        s.data.push_back(static_cast<int16_t>(std::lround(v / maxAbs * peak * full)));
    return s;
}

// The six inharmonic square oscillators of a metallic cymbal tone, summed.
double metallic(double t, double scale)
{
    static const double freqs[6] = {205.3, 304.4, 369.6, 522.7, 540.0, 800.0};
    double sum = 0;
    for (double f : freqs)
        sum += std::sin(2 * pi * f * scale * t) >= 0 ? 1.0 : -1.0;
    return sum / 6.0;
}

// Band-passed mix of noise and metallic tone with an exponential decay: hats and cymbals. The
// four-pole low-pass keeps the top from hissing: real cymbal samples of the era have little
// above 10 kHz.
std::vector<double> cymbal(double rate, double seconds, double decay, double highpass,
                           double lowpass, double metalScale, double metalMix, uint32_t seed)
{
    Noise noise;
    noise.state = seed;
    Svf hp1, hp2, lp1, lp2;
    const int n = static_cast<int>(rate * seconds);
    std::vector<double> out(n);
    for (int i = 0; i < n; ++i) {
        const double t = i / rate;
        const double src = nextNoise(noise) * (1.0 - metalMix) + metallic(t, metalScale) * metalMix;
        runSvf(hp1, src, highpass, 0.7, rate);
        runSvf(hp2, hp1.high, highpass, 0.7, rate);
        runSvf(lp1, hp2.high, lowpass, 0.7, rate);
        runSvf(lp2, lp1.low, lowpass, 0.7, rate);
        const double attack = std::min(1.0, t / 0.002);
        out[i] = lp2.low * attack * std::exp(-t / decay);
    }
    closeTail(out, rate);
    return out;
}

XmInstrument instrument(const char* name, XmSample sample)
{
    XmInstrument ins;
    ins.name = name;
    sample.name = name;
    ins.samples.push_back(std::move(sample));
    return ins;
}

void setEnvelope(XmInstrument& ins, std::vector<XmEnvelopePoint> points, int sustainPoint,
                 uint16_t fadeout)
{
    ins.volumeEnvelope.enabled = true;
    ins.volumeEnvelope.points = std::move(points);
    ins.volumeEnvelope.sustain = sustainPoint >= 0;
    ins.volumeEnvelope.sustainPoint = static_cast<uint8_t>(std::max(0, sustainPoint));
    ins.fadeout = fadeout;
}

XmInstrument makeKick()
{
    const double rate = 22050;
    Noise noise;
    std::vector<double> out(static_cast<int>(rate * 0.7));
    double phase = 0;
    Svf lp;
    for (size_t i = 0; i < out.size(); ++i) {
        const double t = i / rate;
        const double f = 45.0 + 120.0 * std::exp(-t / 0.03);
        phase += 2 * pi * f / rate;
        // A long low body carries the weight; the click is dulled so it knocks rather than ticks.
        const double body = std::sin(phase) * std::exp(-t / 0.3);
        runSvf(lp, nextNoise(noise), 3000, 0.7, rate);
        const double click = lp.low * std::exp(-t / 0.0025) * 0.5;
        const double tail = std::min(1.0, (out.size() - 1 - i) / (rate * 0.08));
        out[i] = std::tanh(1.8 * (body + click)) * tail;
    }
    XmSample s = quantise(out, true);
    drumTuning(s, rate);
    return instrument("kick", s);
}

XmInstrument makeSnare()
{
    const double rate = 22050;
    Noise noise;
    noise.state = 12345;
    Svf hp, lp1, lp2;
    std::vector<double> out(static_cast<int>(rate * 0.2));
    for (size_t i = 0; i < out.size(); ++i) {
        const double t = i / rate;
        const double tone =
            (std::sin(2 * pi * 187 * t) + 0.45 * std::sin(2 * pi * 331 * t)) * std::exp(-t / 0.06);
        // The rattle: noise between 1.4 and 7 kHz that dies within a sixteenth, so the gap to the
        // next beat stays open.
        runSvf(hp, nextNoise(noise), 1400, 0.7, rate);
        runSvf(lp1, hp.high, 7000, 0.7, rate);
        runSvf(lp2, lp1.low, 7000, 0.7, rate);
        const double rattle = 1.3 * lp2.low * std::exp(-t / 0.055);
        out[i] = std::tanh(2.4 * (0.75 * tone + rattle));
    }
    closeTail(out, rate);
    XmSample s = quantise(out, true);
    drumTuning(s, rate);
    return instrument("snare", s);
}

XmInstrument makeClap()
{
    const double rate = 22050;
    Noise noise;
    noise.state = 777;
    Svf bp;
    std::vector<double> out(static_cast<int>(rate * 0.35));
    for (size_t i = 0; i < out.size(); ++i) {
        const double t = i / rate;
        double env = 0;
        for (int k = 0; k < 3; ++k)
            if (t >= k * 0.011)
                env = std::max(env, std::exp(-(t - k * 0.011) / 0.0045));
        if (t >= 0.022)
            env = std::max(env, 0.75 * std::exp(-(t - 0.022) / 0.09));
        runSvf(bp, nextNoise(noise), 1250, 1.4, rate);
        out[i] = std::tanh(2.0 * bp.band * env);
    }
    closeTail(out, rate);
    XmSample s = quantise(out, true);
    drumTuning(s, rate);
    return instrument("clap", s);
}

XmInstrument makeHat(bool open)
{
    // Sampled at 22050 Hz and low-passed at 8 kHz: nothing above 11 kHz at all.
    const double rate = 22050;
    XmSample s = quantise(
        cymbal(rate, open ? 0.45 : 0.1, open ? 0.12 : 0.028, 3500, 8000, 1.0, 0.5, open ? 99 : 98),
        true);
    drumTuning(s, rate);
    return instrument(open ? "open hat" : "closed hat", s);
}

std::vector<double> crashSignal(double rate)
{
    std::vector<double> out = cymbal(rate, 2.0, 0.55, 3500, 8000, 1.7, 0.35, 4242);
    // A darker body under the sizzle.
    Noise noise;
    noise.state = 31337;
    Svf bp;
    for (size_t i = 0; i < out.size(); ++i) {
        const double t = i / rate;
        runSvf(bp, nextNoise(noise), 2500, 0.8, rate);
        out[i] += 0.35 * bp.band * std::exp(-t / 0.35);
    }
    return out;
}

XmInstrument makeCrash()
{
    const double rate = 22050;
    XmSample s = quantise(crashSignal(rate), true);
    drumTuning(s, rate);
    return instrument("crash", s);
}

XmInstrument makeReverseCrash()
{
    const double rate = 22050;
    std::vector<double> crash = crashSignal(rate);
    crash.resize(static_cast<size_t>(rate * 1.5));
    std::reverse(crash.begin(), crash.end());
    // Fade the reversed tail in so the swell starts from nothing, and close the last 10 ms so the
    // swell stops on the downbeat without a click.
    for (size_t i = 0; i < crash.size(); ++i)
        crash[i] *=
            std::min(1.0, i / (rate * 0.3)) * std::min(1.0, (crash.size() - 1 - i) / (rate * 0.02));
    XmSample s = quantise(crash, true);
    drumTuning(s, rate);
    return instrument("reverse crash", s);
}

XmInstrument makeTom()
{
    const double rate = 22050, f0 = 110;
    Noise noise;
    noise.state = 4711;
    std::vector<double> out(static_cast<int>(rate * 0.6));
    double phase = 0;
    for (size_t i = 0; i < out.size(); ++i) {
        const double t = i / rate;
        phase += 2 * pi * f0 * (1.0 + 0.55 * std::exp(-t / 0.05)) / rate;
        out[i] = std::tanh(1.3 * (std::sin(phase) * std::exp(-t / 0.22) +
                                  0.2 * nextNoise(noise) * std::exp(-t / 0.004)));
    }
    closeTail(out, rate);
    XmSample s = quantise(out, true);
    tuneSample(s, rate, f0);
    return instrument("tom", s);
}

// Bass: a sawtooth with a sub sine whose brightness falls during a short unlooped attack and
// then stays, looped over four cycles.
XmInstrument makeBass()
{
    const double rate = 22050;
    const int period = 200;  // samples per cycle: 110.25 Hz
    const int attackCycles = 22, loopCycles = 4;
    const double f0 = rate / period;
    const double attackSeconds = attackCycles * period / rate;
    std::vector<double> out((attackCycles + loopCycles) * period);
    for (size_t i = 0; i < out.size(); ++i) {
        const double t = std::min(i / rate, attackSeconds);
        const double fc = 400 + 2000 * (std::exp(-t / 0.05) - std::exp(-attackSeconds / 0.05));
        double sum = 0;
        for (int h = 1; h * f0 < 8000; ++h) {
            double a = (1.0 / h) * lowpass2(h * f0, fc);
            if (h == 1)
                a += 1.4;
            sum += a * std::sin(2 * pi * h * double(i % period) / period);
        }
        out[i] = sum;
    }
    XmSample s = quantise(out, true);
    s.loop = XmLoop::forward;
    s.loopStart = attackCycles * period;
    s.loopLength = loopCycles * period;
    tuneSample(s, rate, f0);
    XmInstrument ins = instrument("bass", s);
    setEnvelope(ins, {{0, 64}, {5, 52}, {30, 42}}, 2, 3000);
    return ins;
}

// A loop of `length` samples summing detuned sawtooth-like oscillators; each oscillator is
// {cycles in the loop, level}; harmonics above maxFrequency are left out; partial phases are
// spread by a fixed random sequence so the wave is smooth rather than spiky.
std::vector<double> additiveLoop(double rate, int length,
                                 const std::vector<std::pair<int, double>>& oscillators,
                                 double cutoff, bool oddHeavy, double maxFrequency,
                                 bool randomPhase)
{
    std::vector<double> out(length, 0.0);
    Noise noise;
    noise.state = 2024;
    for (const auto& [cycles, level] : oscillators) {
        const double f = cycles * rate / length;
        for (int h = 1; h * f < maxFrequency; ++h) {
            double a = level / h;
            if (oddHeavy && h % 2 == 0)
                a *= 0.4;
            a *= oddHeavy ? lowpass2(h * f, cutoff) : lowpass1(h * f, cutoff);
            const double phase = randomPhase ? (nextNoise(noise) + 1.0) * pi : 0.0;
            const double step = 2 * pi * double(h) * cycles / length;
            for (int i = 0; i < length; ++i)
                out[i] += a * std::sin(step * i + phase);
        }
    }
    return out;
}

XmInstrument makePad()
{
    const double rate = 22050;
    const int length = 16384;
    const double f0 = 96 * rate / length;  // 129.2 Hz
    const std::vector<double> wave =
        additiveLoop(rate, length, {{96, 1.0}, {95, 0.8}, {97, 0.8}, {192, 0.35}, {193, 0.3}}, 900,
                     false, 4000, true);
    XmSample s = quantise(wave, true);
    s.loop = XmLoop::forward;
    s.loopStart = 0;
    s.loopLength = length;
    tuneSample(s, rate, f0);
    XmInstrument ins = instrument("pad", s);
    setEnvelope(ins, {{0, 0}, {18, 64}, {60, 54}}, 2, 420);
    return ins;
}

XmInstrument makeLead()
{
    const double rate = 22050;
    const int length = 11025;
    const double f0 = 110 * rate / length;  // 220 Hz
    const std::vector<double> wave =
        additiveLoop(rate, length, {{110, 1.0}, {111, 0.6}}, 2000, true, 6000, false);
    XmSample s = quantise(wave, true);
    s.loop = XmLoop::forward;
    s.loopStart = 0;
    s.loopLength = length;
    tuneSample(s, rate, f0);
    XmInstrument ins = instrument("lead", s);
    setEnvelope(ins, {{0, 0}, {1, 64}, {8, 50}, {30, 44}}, 3, 1400);
    ins.vibratoType = 0;
    ins.vibratoSweep = 40;
    ins.vibratoDepth = 3;
    ins.vibratoRate = 10;
    return ins;
}

// Plucked string (Karplus-Strong): a burst of filtered noise circulating in a damped delay line.
XmInstrument makePluck()
{
    const double rate = 22050;
    const int period = 100;
    Noise noise;
    noise.state = 55555;
    std::vector<double> line(period);
    double lp = 0;
    for (double& v : line) {
        lp += 0.2 * (nextNoise(noise) - lp);
        v = lp;
    }
    std::vector<double> out(static_cast<int>(rate * 1.1));
    for (size_t i = 0; i < out.size(); ++i) {
        const size_t k = i % period;
        const double v = line[k];
        const double nextV = line[(k + 1) % period];
        line[k] = 0.4985 * (v + nextV);
        // A 1.5 ms attack: the burst would otherwise start on a step, a click on every note.
        out[i] = v * std::min(1.0, i / (rate * 0.0015));
    }
    // Fade the very end so the one-shot stops without a click.
    const size_t fade = static_cast<size_t>(rate * 0.05);
    for (size_t i = 0; i < fade; ++i)
        out[out.size() - 1 - i] *= double(i) / fade;
    XmSample s = quantise(out, true);
    // Each pass averages a sample with the one after it, still unchanged from the previous pass,
    // which shortens the loop by half a sample.
    tuneSample(s, rate, rate / (period - 0.5));
    return instrument("pluck", s);
}

// Bell: two-operator FM with an inharmonic ratio and a decaying index.
XmInstrument makeBell()
{
    const double rate = 16000, f0 = 440;
    std::vector<double> out(static_cast<int>(rate * 2.4));
    for (size_t i = 0; i < out.size(); ++i) {
        const double t = i / rate;
        const double index = 2.2 * std::exp(-t / 0.35) + 0.3;
        const double mod = std::sin(2 * pi * f0 * 3.5 * t);
        const double body = std::sin(2 * pi * f0 * t + index * mod) * std::exp(-t / 0.8);
        const double shimmer = 0.25 * std::sin(2 * pi * f0 * 2.76 * t) * std::exp(-t / 0.25);
        const double attack = std::min(1.0, t / 0.002);
        const double tail = std::min(1.0, (out.size() - 1 - i) / (rate * 0.05));
        out[i] = (body + shimmer) * attack * tail;
    }
    XmSample s = quantise(out, true);
    tuneSample(s, rate, f0);
    return instrument("bell", s);
}

// Brass-like stab: two detuned sawtooths with a quickly closing filter.
XmInstrument makeStab()
{
    const double rate = 22050, f0 = 220.5;
    std::vector<double> out(static_cast<int>(rate * 0.6));
    for (size_t i = 0; i < out.size(); ++i) {
        const double t = i / rate;
        const double fc = 550 + 2800 * std::exp(-t / 0.07);
        double sum = 0;
        for (double detune : {1.0, 1.007}) {
            const double f = f0 * detune;
            for (int h = 1; h * f < 6000; ++h)
                sum += (1.0 / h) * lowpass2(h * f, fc) * std::sin(2 * pi * h * f * t);
        }
        const double attack = std::min(1.0, t / 0.004);
        const double tail = std::min(1.0, (out.size() - 1 - i) / (rate * 0.04));
        out[i] = sum * attack * std::exp(-t / 0.3) * tail;
    }
    XmSample s = quantise(out, true);
    tuneSample(s, rate, f0);
    return instrument("stab", s);
}

// Riser: noise through a band-pass sweeping up over three seconds, growing louder.
XmInstrument makeRiser()
{
    const double rate = 22050, seconds = 3.0;
    Noise noise;
    noise.state = 8080;
    Svf bp;
    std::vector<double> out(static_cast<int>(rate * seconds));
    for (size_t i = 0; i < out.size(); ++i) {
        const double t = i / rate;
        const double u = t / seconds;
        runSvf(bp, nextNoise(noise), 300 * std::pow(25.0, u), 2.0, rate);
        const double tail = std::min(1.0, (out.size() - 1 - i) / (rate * 0.05));
        out[i] = bp.band * std::pow(u, 1.5) * tail;
    }
    XmSample s = quantise(out, false);
    drumTuning(s, rate);
    return instrument("riser", s);
}

}  // namespace

void tuneSample(XmSample& sample, double sampleRate, double f0)
{
    // Note A-4 (C-4 + 9 semitones) must play the sample at 440 / f0 times its own rate.
    const double x = 12.0 * std::log2(440.0 * sampleRate / (xmC4Rate * f0)) - 9.0;
    const double rel = std::round(x);
    sample.relativeNote = static_cast<int8_t>(rel);
    sample.finetune = static_cast<int8_t>(std::clamp(std::lround((x - rel) * 128.0), -128L, 127L));
}

void drumTuning(XmSample& sample, double sampleRate)
{
    const double x = 12.0 * std::log2(sampleRate / xmC4Rate);
    const double rel = std::round(x);
    sample.relativeNote = static_cast<int8_t>(rel);
    sample.finetune = static_cast<int8_t>(std::clamp(std::lround((x - rel) * 128.0), -128L, 127L));
}

std::vector<XmInstrument> synthesiseInstruments()
{
    std::vector<XmInstrument> list;
    list.push_back(makeKick());
    list.push_back(makeSnare());
    list.push_back(makeClap());
    list.push_back(makeHat(false));
    list.push_back(makeHat(true));
    list.push_back(makeCrash());
    list.push_back(makeTom());
    list.push_back(makeBass());
    list.push_back(makePad());
    list.push_back(makeLead());
    list.push_back(makePluck());
    list.push_back(makeBell());
    list.push_back(makeStab());
    list.push_back(makeRiser());
    list.push_back(makeReverseCrash());
    // Default panning: drums near the centre, the rest spread a little.
    const uint8_t panning[] = {128, 136, 120, 150, 150, 110, 128, 128,
                               128, 112, 128, 150, 128, 128, 128};
    for (size_t i = 0; i < list.size(); ++i)
        list[i].samples[0].panning = panning[i];
    return list;
}
