// The soundtrack's layout: sections with their tempo, the patterns the score is cut into, and
// the finished module.
#include "music/arrange.h"

#include <numeric>

namespace {

// Bars and tempo per section. Each tempo is chosen so the section's bars fill the scene's
// length: for example Flames, 16 bars of 16 rows at speed 6 and 127 BPM, lasts
// 256 x 15 / 127 = 30.24 s against the scene's 15872 x 1.9 ms = 30.16 s.
constexpr SectionPlan plans[soundtrackSectionCount] = {
    {"intro", 1, 1, 6, 127},           {"Flames", 16, 1, 6, 127},
    {"opening picture", 2, 1, 6, 127}, {"Credits", 5, 1, 6, 123},
    {"Space flight", 8, 1, 6, 132},    {"Tunnel", 7, 1, 6, 133},
    {"Wave grid", 12, 2, 3, 129},      {"Cosmos cross-fade", 2, 1, 6, 99},
    {"Sun and code", 12, 1, 6, 129},   {"Disks", 12, 1, 6, 129},
    {"Greetings", 4, 1, 6, 123},       {"Rubber", 16, 1, 6, 123},
    {"Morph", 12, 1, 6, 129},          {"Computer", 15, 1, 6, 128},
    {"Mother", 15, 1, 6, 128},         {"interlude", 2, 1, 6, 128},
    {"Final flight", 16, 1, 6, 128},   {"ending", 3, 1, 6, 128},
};

int sectionRows(const SectionPlan& p)
{
    return p.bars * 16 * p.rowsPerStep;
}

// The mixing desk: each channel's note volumes scaled by a percentage (clamped at 64), so the
// composers write volumes relative to their part and the balance lives here.
constexpr int channelGain[scoreChannels] = {
    100,           // kick
    110,           // snare
    175,           // hats
    100,           // percussion
    110,           // bass
    85,  85,  85,  // pad voices
    130,           // arpeggio
    105,           // lead
    90,            // echo
    140,           // bell
    100,           // effects
    110,           // stab
    100, 100,      // control
};

void mixScore(Score& score)
{
    for (int row = 0; row < score.rows; ++row)
        for (int ch = 0; ch < scoreChannels; ++ch) {
            XmCell& c = scoreCell(score, row, ch);
            if (c.volume >= 0x10 && c.volume <= 0x50)
                c.volume = xmVolume((c.volume - 0x10) * channelGain[ch] / 100);
        }
}

}  // namespace

const SectionPlan& sectionPlan(SoundtrackSection section)
{
    return plans[section];
}

Section scoreSection(SoundtrackSection section)
{
    Section s;
    for (int i = 0; i < section; ++i)
        s.startRow += sectionRows(plans[i]);
    s.bars = plans[section].bars;
    s.rowsPerStep = plans[section].rowsPerStep;
    return s;
}

int scoreRows()
{
    int rows = 0;
    for (const SectionPlan& p : plans)
        rows += sectionRows(p);
    return rows;
}

std::vector<int> soundtrackPatternRows()
{
    // The show ends scenes at fixed orders: Credits from order 2 row 32, Space flight from
    // order 7, Tunnel from order 12 row 16, Wave grid from 17 (its flashes on rows 0 and 32 of
    // its 64-row patterns, one per bar), Cosmos 23, Sun and code 25, Disks 33, Greetings 41,
    // Rubber 44, Morph 55, Computer 63, Mother 73, the interlude 83 and Final flight 84.
    struct Run {
        int rows;
        int times;
    };
    // clang-format off
    static constexpr Run runs[] = {
        {16, 1},                                    // 0 intro
        {256, 1},                                   // 1 Flames
        {48, 1},                                    // 2 opening picture (32 rows), first Credits bar
        {16, 4},                                    // 3-6 Credits
        {32, 1}, {16, 1}, {32, 1}, {16, 1}, {16, 1},  // 7-11 Space flight
        {32, 1},                                    // 12 last Space flight bar, first Tunnel bar
        {32, 1}, {16, 1}, {32, 1}, {16, 1},         // 13-16 Tunnel
        {64, 6},                                    // 17-22 Wave grid
        {16, 2},                                    // 23-24 Cosmos cross-fade
        {32, 1}, {16, 1}, {32, 1}, {16, 1}, {32, 1}, {16, 1}, {32, 1}, {16, 1},  // 25-32 Sun and code
        {32, 1}, {16, 1}, {32, 1}, {16, 1}, {32, 1}, {16, 1}, {32, 1}, {16, 1},  // 33-40 Disks
        {32, 1}, {16, 2},                           // 41-43 Greetings
        {32, 2}, {16, 1}, {32, 1}, {16, 1}, {32, 1}, {16, 1}, {32, 1}, {16, 3},  // 44-54 Rubber
        {32, 1}, {16, 1}, {32, 1}, {16, 1}, {32, 1}, {16, 1}, {32, 1}, {16, 1},  // 55-62 Morph
        {32, 1}, {16, 1}, {32, 1}, {16, 1}, {32, 1}, {16, 1}, {32, 1}, {16, 1}, {32, 1}, {16, 1},  // 63-72 Computer
        {32, 1}, {16, 1}, {32, 1}, {16, 1}, {32, 1}, {16, 1}, {32, 1}, {16, 1}, {32, 1}, {16, 1},  // 73-82 Mother
        {32, 1},                                    // 83 interlude
        {32, 8},                                    // 84-91 Final flight
        {48, 1},                                    // 92 ending
    };
    // clang-format on
    std::vector<int> rows;
    for (const Run& run : runs)
        for (int t = 0; t < run.times; ++t)
            rows.push_back(run.rows);
    return rows;
}

XmModule composeSoundtrack()
{
    XmModule m;
    m.name = "v4n pelvadron";
    m.channels = scoreChannels;
    m.defaultSpeed = plans[secIntro].speed;
    m.defaultBpm = plans[secIntro].bpm;
    m.restartPosition = 0;
    m.instruments = synthesiseInstruments();
    Score score = composeScore();
    mixScore(score);
    const std::vector<int> rows = soundtrackPatternRows();
    int row = 0;
    for (int count : rows) {
        XmPattern p = makeXmPattern(count, scoreChannels);
        for (int r = 0; r < count && row + r < score.rows; ++r)
            for (int c = 0; c < scoreChannels; ++c)
                p.cells[static_cast<size_t>(r) * scoreChannels + c] =
                    score.cells[static_cast<size_t>(row + r) * scoreChannels + c];
        row += count;
        m.orders.push_back(static_cast<uint8_t>(m.patterns.size()));
        m.patterns.push_back(std::move(p));
    }
    return m;
}
