// Small modules of known timing for the music tests, made with the XM writer.
#pragma once

#include "xm/xm_writer.h"

#include <cmath>
#include <cstdint>
#include <vector>

// Frames per tick at 44.1 kHz: 2.5 s / BPM, an integer for the tempos used here.
constexpr uint64_t framesPerTick(int bpm)
{
    return 44100 * 5 / (2 * uint64_t(bpm));
}

// A two-channel module with one instrument, a looped square wave that sounds all the time.
// Channel 0 starts the note on row 0 of every pattern; effects go in as the tests need.
inline XmModule makeTestModule(int patterns, int rows, std::vector<uint8_t> orders)
{
    XmModule module;
    module.name = "timing test";
    module.channels = 2;
    module.defaultSpeed = 6;
    module.defaultBpm = 125;
    module.orders = std::move(orders);
    XmInstrument instrument;
    instrument.name = "square";
    XmSample sample;
    sample.name = "square";
    for (int i = 0; i < 64; ++i)
        sample.data.push_back(i < 32 ? 12000 : -12000);
    sample.loop = XmLoop::forward;
    sample.loopStart = 0;
    sample.loopLength = 64;
    sample.volume = 48;
    instrument.samples.push_back(sample);
    module.instruments.push_back(instrument);
    for (int p = 0; p < patterns; ++p) {
        XmPattern pattern = makeXmPattern(rows, module.channels);
        XmCell& cell = xmCell(pattern, module.channels, 0, 0);
        cell.note = xmNote(4, p % 12);
        cell.instrument = 1;
        module.patterns.push_back(pattern);
    }
    return module;
}

inline void setEffect(XmModule& module, int pattern, int row, int channel, char letter,
                      uint8_t param)
{
    XmCell& cell = xmCell(module.patterns[size_t(pattern)], module.channels, row, channel);
    cell.effect = xmEffect(letter);
    cell.param = param;
}

// Orders 0, 1, 2 play patterns 0, 1, 2 of 8 rows: speed 6 at 125 BPM, then speed 3, then speed 3
// at 150 BPM; the song restarts at order 1. Sync commands: pattern 0 row 2 W11, row 5 W00,
// pattern 1 row 4 W07 (channel 0) and W08 (channel 1), pattern 2 row 3 W42.
inline XmModule makeTimingModule()
{
    XmModule module = makeTestModule(3, 8, {0, 1, 2});
    module.restartPosition = 1;
    setEffect(module, 0, 0, 0, 'F', 6);
    setEffect(module, 0, 0, 1, 'F', 125);
    setEffect(module, 1, 0, 0, 'F', 3);
    setEffect(module, 1, 0, 1, 'F', 125);
    setEffect(module, 2, 0, 1, 'F', 150);
    setEffect(module, 0, 2, 1, 'W', 0x11);
    setEffect(module, 0, 5, 1, 'W', 0x00);
    setEffect(module, 1, 4, 0, 'W', 0x07);
    setEffect(module, 1, 4, 1, 'W', 0x08);
    setEffect(module, 2, 3, 1, 'W', 0x42);
    return module;
}

// Where each row of makeTimingModule starts, for its first pass and the first loop.
struct RowStart {
    uint64_t frame;
    uint32_t order;
    uint32_t row;
    uint32_t loops;
    uint64_t length;
};

inline std::vector<RowStart> timingModuleRows()
{
    std::vector<RowStart> rows;
    uint64_t frame = 0;
    auto addOrder = [&](uint32_t order, uint64_t rowLength, uint32_t loops) {
        for (uint32_t r = 0; r < 8; ++r) {
            rows.push_back(RowStart{frame, order, r, loops, rowLength});
            frame += rowLength;
        }
    };
    addOrder(0, 6 * framesPerTick(125), 0);
    addOrder(1, 3 * framesPerTick(125), 0);
    addOrder(2, 3 * framesPerTick(150), 0);
    addOrder(1, 3 * framesPerTick(125), 1);
    addOrder(2, 3 * framesPerTick(150), 1);
    return rows;
}
