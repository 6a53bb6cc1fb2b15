// Writes FastTracker 2 extended modules (.xm, version 0x0104) from plain records.
// The writer checks the module first and returns no bytes for one it cannot encode faithfully;
// xmModuleError says why.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

// Limits of the XM format as FastTracker 2 defines them.
constexpr int xmMaxChannels = 32;      // channel count is even, 2..32
constexpr int xmMaxOrders = 256;       // the order table in the header has 256 bytes
constexpr int xmMaxPatterns = 256;     // pattern numbers are stored in one byte of the order table
constexpr int xmMaxRows = 256;         // rows per pattern, 1..256
constexpr int xmMaxInstruments = 128;  // instrument numbers 1..128 in the pattern cells
constexpr int xmMaxSamples = 16;       // samples per instrument
constexpr int xmMaxEnvelopePoints =
    12;                           // each envelope has room for 12 points in the instrument header
constexpr int xmKeymapSize = 96;  // one sample number per note C-0..B-7

// Note values of a pattern cell: 0 is empty, 1..96 are C-0..B-7, 97 is key off.
constexpr uint8_t xmNoNote = 0;
constexpr uint8_t xmNoteOff = 97;
// Note number of the semitone (0 = C) in the given octave (0..7).
constexpr uint8_t xmNote(int octave, int semitone)
{
    return static_cast<uint8_t>(octave * 12 + semitone + 1);
}

// Effect numbers of the effect column. 0-9 and A-Z are numbered 0..35 in the file:
// xmEffect('F') is the speed/tempo command, xmEffect('W') (32) the sync command.
constexpr uint8_t xmEffect(char letter)
{
    return static_cast<uint8_t>(letter <= '9' ? letter - '0' : letter - 'A' + 10);
}
constexpr uint8_t xmEffectSetSpeed = xmEffect('F');  // parameter < 32: ticks per row; >= 32: BPM
constexpr uint8_t xmEffectSync = xmEffect('W');
static_assert(xmEffectSync == 32);

// Volume column: 0 is empty, 0x10..0x50 set volume 0..64, higher values are volume-column effects.
constexpr uint8_t xmVolume(int volume)
{
    return static_cast<uint8_t>(0x10 + (volume < 0 ? 0 : volume > 64 ? 64 : volume));
}

struct XmCell {
    uint8_t note = xmNoNote;
    uint8_t instrument = 0;  // 0 none, 1..128
    uint8_t volume = 0;      // volume column byte
    uint8_t effect = 0;      // effect number (0..35); effect 0 with parameter 0 is empty
    uint8_t param = 0;
};

// A pattern of `rows` rows; cells are stored row after row, `channels` cells per row,
// with the module's channel count.
struct XmPattern {
    int rows = 64;
    std::vector<XmCell> cells;
};

enum class XmLoop : uint8_t { none = 0, forward = 1, pingpong = 2 };

struct XmSample {
    std::string name;
    bool sixteenBit = true;
    std::vector<int16_t> data;  // one value per frame; 8-bit samples use -128..127
    XmLoop loop = XmLoop::none;
    uint32_t loopStart = 0;   // in frames
    uint32_t loopLength = 0;  // in frames
    uint8_t volume = 64;      // 0..64
    int8_t finetune = 0;      // -128..127, 1/128 semitone
    uint8_t panning = 128;    // 0 left .. 255 right
    int8_t relativeNote = 0;  // semitones added to the played note
};

struct XmEnvelopePoint {
    uint16_t tick = 0;   // ticks from the note start, rising from point to point
    uint16_t value = 0;  // 0..64
};

struct XmEnvelope {
    bool enabled = false;
    std::vector<XmEnvelopePoint> points;  // up to xmMaxEnvelopePoints
    bool sustain = false;
    uint8_t sustainPoint = 0;
    bool loop = false;
    uint8_t loopStart = 0;
    uint8_t loopEnd = 0;
};

struct XmInstrument {
    std::string name;
    std::vector<XmSample> samples;               // up to xmMaxSamples
    std::array<uint8_t, xmKeymapSize> keymap{};  // sample index per note
    XmEnvelope volumeEnvelope;
    XmEnvelope panningEnvelope;
    uint8_t vibratoType = 0, vibratoSweep = 0, vibratoDepth = 0, vibratoRate = 0;
    uint16_t fadeout = 0;  // volume fade per tick after key off (0..4095)
};

struct XmModule {
    std::string name;  // up to 20 characters are stored
    int channels = 8;
    int defaultSpeed = 6;  // ticks per row, 1..31
    int defaultBpm = 125;  // 32..255
    int restartPosition = 0;
    bool linearFrequencies = true;
    std::vector<uint8_t> orders;  // pattern numbers
    std::vector<XmPattern> patterns;
    std::vector<XmInstrument> instruments;
};

// A pattern of `rows` empty rows for a module with `channels` channels.
XmPattern makeXmPattern(int rows, int channels);
// The cell at (row, channel) of a pattern of a module with `channels` channels.
XmCell& xmCell(XmPattern& pattern, int channels, int row, int channel);

// Empty when the module can be encoded; otherwise a sentence naming the first problem.
std::string xmModuleError(const XmModule& module);
// The file bytes of the module, or an empty vector when xmModuleError reports a problem.
std::vector<uint8_t> encodeXm(const XmModule& module);
// Writes encodeXm's bytes to a file; false (with a reason) when the module is invalid or the write
// fails.
bool writeXmFile(const XmModule& module, const std::string& path, std::string& error);
