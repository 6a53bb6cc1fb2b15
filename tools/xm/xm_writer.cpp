// FastTracker 2 XM encoder: header, packed patterns, instruments with delta-coded sample data.
#include "xm/xm_writer.h"

#include <cstdio>

namespace {

// Fixed header sizes of the format (version 0x0104), counted as FastTracker 2 counts them.
constexpr uint32_t moduleHeaderSize =
    276;  // from the size field itself to the end of the order table
constexpr uint32_t patternHeaderSize = 9;  // size field, packing type, row count, packed size
constexpr uint32_t instrumentHeaderSize =
    263;  // with samples: fields up to the fadeout plus 22 reserved bytes
constexpr uint32_t emptyInstrumentHeaderSize =
    29;  // without samples: size, name, type, sample count
constexpr uint32_t sampleHeaderSize = 40;

void put8(std::vector<uint8_t>& out, uint32_t v)
{
    out.push_back(static_cast<uint8_t>(v));
}
void put16(std::vector<uint8_t>& out, uint32_t v)
{
    put8(out, v);
    put8(out, v >> 8);
}
void put32(std::vector<uint8_t>& out, uint32_t v)
{
    put16(out, v);
    put16(out, v >> 16);
}
// A text field of fixed width, cut or padded with `pad`.
void putText(std::vector<uint8_t>& out, const std::string& text, size_t width, char pad = '\0')
{
    for (size_t i = 0; i < width; ++i)
        put8(out, static_cast<uint8_t>(i < text.size() ? text[i] : pad));
}

std::string envelopeError(const XmEnvelope& env, const char* what)
{
    if (env.points.size() > static_cast<size_t>(xmMaxEnvelopePoints))
        return std::string(what) + " envelope has more than 12 points";
    if (env.enabled && env.points.empty())
        return std::string(what) + " envelope is enabled without points";
    for (size_t i = 0; i < env.points.size(); ++i) {
        if (env.points[i].value > 64)
            return std::string(what) + " envelope value above 64";
        if (i > 0 && env.points[i].tick <= env.points[i - 1].tick)
            return std::string(what) + " envelope ticks do not rise";
    }
    if (env.sustain && env.sustainPoint >= env.points.size())
        return std::string(what) + " envelope sustain point outside its points";
    if (env.loop && (env.loopEnd >= env.points.size() || env.loopStart > env.loopEnd))
        return std::string(what) + " envelope loop outside its points";
    return {};
}

std::string sampleError(const XmSample& s)
{
    if (s.volume > 64)
        return "sample volume above 64";
    if (!s.sixteenBit)
        for (int16_t v : s.data)
            if (v < -128 || v > 127)
                return "8-bit sample value outside -128..127";
    const uint64_t bytes = uint64_t(s.data.size()) * (s.sixteenBit ? 2 : 1);
    if (bytes > 0x7fffffffu)
        return "sample too long";
    if (s.loop != XmLoop::none) {
        if (s.loopLength == 0)
            return "looped sample with a loop length of 0";
        if (uint64_t(s.loopStart) + s.loopLength > s.data.size())
            return "sample loop runs past the sample end";
    }
    return {};
}

void putEnvelopePoints(std::vector<uint8_t>& out, const XmEnvelope& env)
{
    for (int i = 0; i < xmMaxEnvelopePoints; ++i) {
        const bool used = i < static_cast<int>(env.points.size());
        put16(out, used ? env.points[i].tick : 0);
        put16(out, used ? env.points[i].value : 0);
    }
}

uint8_t envelopeFlags(const XmEnvelope& env)
{
    return static_cast<uint8_t>((env.enabled ? 1 : 0) | (env.sustain ? 2 : 0) | (env.loop ? 4 : 0));
}

void putPattern(std::vector<uint8_t>& out, const XmPattern& p)
{
    std::vector<uint8_t> packed;
    for (const XmCell& c : p.cells) {
        const uint8_t fields[5] = {c.note, c.instrument, c.volume, c.effect, c.param};
        uint8_t mask = 0;
        for (int i = 0; i < 5; ++i)
            if (fields[i] != 0)
                mask |= static_cast<uint8_t>(1 << i);
        if (mask == 0x1f) {
            // All five present: the unpacked form is as short and every reader takes it.
            packed.insert(packed.end(), fields, fields + 5);
            continue;
        }
        put8(packed, 0x80u | mask);
        for (int i = 0; i < 5; ++i)
            if (mask & (1 << i))
                put8(packed, fields[i]);
    }
    put32(out, patternHeaderSize);
    put8(out, 0);  // packing type
    put16(out, static_cast<uint32_t>(p.rows));
    put16(out, static_cast<uint32_t>(packed.size()));
    out.insert(out.end(), packed.begin(), packed.end());
}

void putInstrument(std::vector<uint8_t>& out, const XmInstrument& ins)
{
    const size_t start = out.size();
    put32(out, ins.samples.empty() ? emptyInstrumentHeaderSize : instrumentHeaderSize);
    putText(out, ins.name, 22);
    put8(out, 0);  // instrument type
    put16(out, static_cast<uint32_t>(ins.samples.size()));
    if (ins.samples.empty())
        return;
    put32(out, sampleHeaderSize);
    out.insert(out.end(), ins.keymap.begin(), ins.keymap.end());
    putEnvelopePoints(out, ins.volumeEnvelope);
    putEnvelopePoints(out, ins.panningEnvelope);
    put8(out, static_cast<uint32_t>(ins.volumeEnvelope.points.size()));
    put8(out, static_cast<uint32_t>(ins.panningEnvelope.points.size()));
    put8(out, ins.volumeEnvelope.sustainPoint);
    put8(out, ins.volumeEnvelope.loopStart);
    put8(out, ins.volumeEnvelope.loopEnd);
    put8(out, ins.panningEnvelope.sustainPoint);
    put8(out, ins.panningEnvelope.loopStart);
    put8(out, ins.panningEnvelope.loopEnd);
    put8(out, envelopeFlags(ins.volumeEnvelope));
    put8(out, envelopeFlags(ins.panningEnvelope));
    put8(out, ins.vibratoType);
    put8(out, ins.vibratoSweep);
    put8(out, ins.vibratoDepth);
    put8(out, ins.vibratoRate);
    put16(out, ins.fadeout);
    while (out.size() - start < instrumentHeaderSize)
        put8(out, 0);  // reserved

    for (const XmSample& s : ins.samples) {
        const uint32_t unit = s.sixteenBit ? 2 : 1;
        const bool looped = s.loop != XmLoop::none;
        put32(out, static_cast<uint32_t>(s.data.size()) * unit);
        put32(out, looped ? s.loopStart * unit : 0);
        put32(out, looped ? s.loopLength * unit : 0);
        put8(out, s.volume);
        put8(out, static_cast<uint8_t>(s.finetune));
        put8(out, static_cast<uint32_t>(s.loop) | (s.sixteenBit ? 0x10u : 0u));
        put8(out, s.panning);
        put8(out, static_cast<uint8_t>(s.relativeNote));
        put8(out, 0);  // delta-coded sample data
        putText(out, s.name, 22);
    }
    // Sample data follows all sample headers, each sample delta-coded from 0.
    for (const XmSample& s : ins.samples) {
        int previous = 0;
        for (int16_t v : s.data) {
            const int delta = v - previous;
            previous = v;
            if (s.sixteenBit)
                put16(out, static_cast<uint16_t>(delta));
            else
                put8(out, static_cast<uint8_t>(delta));
        }
    }
}

}  // namespace

XmPattern makeXmPattern(int rows, int channels)
{
    XmPattern p;
    p.rows = rows;
    p.cells.assign(
        static_cast<size_t>(rows > 0 ? rows : 0) * static_cast<size_t>(channels > 0 ? channels : 0),
        XmCell{});
    return p;
}

XmCell& xmCell(XmPattern& pattern, int channels, int row, int channel)
{
    return pattern.cells.at(static_cast<size_t>(row) * static_cast<size_t>(channels) +
                            static_cast<size_t>(channel));
}

std::string xmModuleError(const XmModule& m)
{
    if (m.channels < 1 || m.channels > xmMaxChannels)
        return "channel count outside 1..32";
    if (m.defaultSpeed < 1 || m.defaultSpeed > 31)
        return "default speed outside 1..31";
    if (m.defaultBpm < 32 || m.defaultBpm > 255)
        return "default BPM outside 32..255";
    if (m.orders.empty() || m.orders.size() > static_cast<size_t>(xmMaxOrders))
        return "order list empty or longer than 256";
    if (m.restartPosition < 0 || m.restartPosition >= static_cast<int>(m.orders.size()))
        return "restart position outside the order list";
    if (m.patterns.empty() || m.patterns.size() > static_cast<size_t>(xmMaxPatterns))
        return "pattern count outside 1..256";
    for (uint8_t o : m.orders)
        if (o >= m.patterns.size())
            return "order list names a missing pattern";
    if (m.instruments.size() > static_cast<size_t>(xmMaxInstruments))
        return "more than 128 instruments";
    for (size_t i = 0; i < m.patterns.size(); ++i) {
        const XmPattern& p = m.patterns[i];
        if (p.rows < 1 || p.rows > xmMaxRows)
            return "pattern " + std::to_string(i) + " row count outside 1..256";
        if (p.cells.size() != static_cast<size_t>(p.rows) * static_cast<size_t>(m.channels))
            return "pattern " + std::to_string(i) + " cell count is not rows x channels";
        for (const XmCell& c : p.cells) {
            if (c.note > xmNoteOff)
                return "pattern " + std::to_string(i) + " has a note above key off";
            if (c.instrument > m.instruments.size())
                return "pattern " + std::to_string(i) + " names a missing instrument";
            if (c.effect > 35)
                return "pattern " + std::to_string(i) + " has an effect number above 35";
        }
    }
    for (size_t i = 0; i < m.instruments.size(); ++i) {
        const XmInstrument& ins = m.instruments[i];
        const std::string where = "instrument " + std::to_string(i + 1) + ": ";
        if (ins.samples.size() > static_cast<size_t>(xmMaxSamples))
            return where + "more than 16 samples";
        for (uint8_t k : ins.keymap)
            if (!ins.samples.empty() && k >= ins.samples.size())
                return where + "keymap names a missing sample";
        std::string e = envelopeError(ins.volumeEnvelope, "volume");
        if (e.empty())
            e = envelopeError(ins.panningEnvelope, "panning");
        for (size_t s = 0; e.empty() && s < ins.samples.size(); ++s)
            e = sampleError(ins.samples[s]);
        if (!e.empty())
            return where + e;
        if (ins.fadeout > 4095)
            return where + "fadeout above 4095";
    }
    return {};
}

std::vector<uint8_t> encodeXm(const XmModule& m)
{
    if (!xmModuleError(m).empty())
        return {};
    std::vector<uint8_t> out;
    putText(out, "Extended Module: ", 17);
    putText(out, m.name, 20);
    put8(out, 0x1a);
    putText(out, "v4n xm writer", 20, ' ');
    put16(out, 0x0104);
    put32(out, moduleHeaderSize);
    put16(out, static_cast<uint32_t>(m.orders.size()));
    put16(out, static_cast<uint32_t>(m.restartPosition));
    put16(out, static_cast<uint32_t>(m.channels));
    put16(out, static_cast<uint32_t>(m.patterns.size()));
    put16(out, static_cast<uint32_t>(m.instruments.size()));
    put16(out, m.linearFrequencies ? 1 : 0);
    put16(out, static_cast<uint32_t>(m.defaultSpeed));
    put16(out, static_cast<uint32_t>(m.defaultBpm));
    for (int i = 0; i < xmMaxOrders; ++i)
        put8(out, i < static_cast<int>(m.orders.size()) ? m.orders[i] : 0);
    for (const XmPattern& p : m.patterns)
        putPattern(out, p);
    for (const XmInstrument& ins : m.instruments)
        putInstrument(out, ins);
    return out;
}

bool writeXmFile(const XmModule& module, const std::string& path, std::string& error)
{
    error = xmModuleError(module);
    if (!error.empty())
        return false;
    const std::vector<uint8_t> bytes = encodeXm(module);
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) {
        error = "cannot create " + path;
        return false;
    }
    const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    if (std::fclose(f) != 0 || !ok) {
        error = "cannot write " + path;
        return false;
    }
    return true;
}
