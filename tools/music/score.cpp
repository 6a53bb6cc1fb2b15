// The score grid and the small notation used to write it: chord and note names, voicings,
// drum lines and melodies written as one token per sixteenth note.
#include "music/music.h"

#include <algorithm>
#include <cstdlib>
#include <sstream>

namespace {

// Semitone of a note letter above C, or -1.
int letterSemitone(char c)
{
    switch (c) {
    case 'C': return 0;
    case 'D': return 2;
    case 'E': return 4;
    case 'F': return 5;
    case 'G': return 7;
    case 'A': return 9;
    case 'B': return 11;
    default: return -1;
    }
}

int drumVolume(char c)
{
    switch (c) {
    case 'X': return 64;
    case 'x': return 48;
    case 'o': return 32;
    case 'g': return 18;
    case 's': return 18;
    case 'r': return 32;
    default: return -1;
    }
}

}  // namespace

Score makeScore(int rows)
{
    Score s;
    s.rows = rows;
    s.cells.assign(static_cast<size_t>(rows) * scoreChannels, XmCell{});
    return s;
}

XmCell& scoreCell(Score& score, int row, int channel)
{
    return score.cells.at(static_cast<size_t>(row) * scoreChannels + static_cast<size_t>(channel));
}

bool parseChord(const std::string& name, Chord& chord)
{
    if (name.empty() || letterSemitone(name[0]) < 0)
        return false;
    int root = letterSemitone(name[0]);
    size_t i = 1;
    if (i < name.size() && (name[i] == '#' || name[i] == 'b')) {
        root += name[i] == '#' ? 1 : -1;
        ++i;
    }
    root = (root + 12) % 12;
    const std::string quality = name.substr(i);
    static const struct {
        const char* name;
        std::vector<int> intervals;
    } qualities[] = {
        {"", {0, 4, 7}},          {"m", {0, 3, 7}},        {"7", {0, 4, 7, 10}},
        {"m7", {0, 3, 7, 10}},    {"maj7", {0, 4, 7, 11}}, {"sus2", {0, 2, 7}},
        {"sus4", {0, 5, 7}},      {"dim", {0, 3, 6}},      {"add9", {0, 4, 7, 2}},
        {"m9", {0, 3, 7, 10, 2}}, {"6", {0, 4, 7, 9}},
    };
    for (const auto& q : qualities) {
        if (quality == q.name) {
            chord.root = root;
            chord.pitchClasses.clear();
            for (int iv : q.intervals)
                chord.pitchClasses.push_back((root + iv) % 12);
            return true;
        }
    }
    return false;
}

int parseNoteName(const std::string& name)
{
    if (name.size() < 2 || letterSemitone(name[0]) < 0)
        return -1;
    int semitone = letterSemitone(name[0]);
    size_t i = 1;
    if (name[i] == '#' || name[i] == 'b') {
        semitone += name[i] == '#' ? 1 : -1;
        ++i;
    }
    if (i + 1 != name.size() || name[i] < '0' || name[i] > '8')
        return -1;
    return (name[i] - '0' + 1) * 12 + semitone;
}

uint8_t xmNoteFromMidi(int midi)
{
    const int note = midi - 11;
    return note >= 1 && note <= 96 ? static_cast<uint8_t>(note) : xmNoNote;
}

std::vector<int> voiceChord(const Chord& chord, const std::vector<int>& previous, int low, int high)
{
    // Candidate triads: three of the chord's pitch classes (the root's triad first), each note
    // placed in every octave within range, sorted, spanning at most an octave and a fifth.
    std::vector<int> pcs = chord.pitchClasses;
    std::vector<std::vector<int>> choices;
    for (size_t a = 0; a < pcs.size(); ++a)
        for (size_t b = a + 1; b < pcs.size(); ++b)
            for (size_t c = b + 1; c < pcs.size(); ++c)
                choices.push_back({pcs[a], pcs[b], pcs[c]});
    const std::vector<int> reference =
        previous.size() == 3 ? previous : std::vector<int>{57, 60, 64};
    std::vector<int> best;
    int bestCost = 1 << 30;
    for (size_t choice = 0; choice < choices.size(); ++choice) {
        const std::vector<int>& set = choices[choice];
        for (int n0 = low; n0 <= high; ++n0) {
            if ((n0 % 12) != set[0])
                continue;
            for (int n1 = low; n1 <= high; ++n1) {
                if ((n1 % 12) != set[1])
                    continue;
                for (int n2 = low; n2 <= high; ++n2) {
                    if ((n2 % 12) != set[2])
                        continue;
                    std::vector<int> v = {n0, n1, n2};
                    std::sort(v.begin(), v.end());
                    if (v[0] == v[1] || v[1] == v[2] || v[2] - v[0] > 19)
                        continue;
                    int cost = 0;
                    for (int k = 0; k < 3; ++k)
                        cost += std::abs(v[k] - reference[k]);
                    // Prefer the chord's own triad (first choice) over other three-note subsets.
                    cost += choice == 0 ? 0 : 2;
                    if (cost < bestCost) {
                        bestCost = cost;
                        best = v;
                    }
                }
            }
        }
    }
    return best;
}

int sectionRow(const Section& section, int bar, int step)
{
    return section.startRow + (bar * 16 + step) * section.rowsPerStep;
}

void putNote(Score& score, int row, int channel, int midi, int instrument, int volume,
             uint8_t effect, uint8_t param)
{
    if (row < 0 || row >= score.rows)
        return;
    XmCell& c = scoreCell(score, row, channel);
    c.note = xmNoteFromMidi(midi);
    c.instrument = static_cast<uint8_t>(instrument);
    c.volume = volume >= 0 ? xmVolume(volume) : 0;
    if (effect != 0 || param != 0) {
        c.effect = effect;
        c.param = param;
    }
}

void putNoteOff(Score& score, int row, int channel)
{
    if (row < 0 || row >= score.rows)
        return;
    XmCell& c = scoreCell(score, row, channel);
    c = XmCell{};
    c.note = xmNoteOff;
}

bool putControl(Score& score, int row, uint8_t effect, uint8_t param)
{
    if (row < 0 || row >= score.rows)
        return false;
    // The effect-free riser channel takes a third command if both control channels are busy.
    for (int ch : {chControl0, chControl1, chFx}) {
        XmCell& c = scoreCell(score, row, ch);
        if (c.effect == 0 && c.param == 0) {
            c.effect = effect;
            c.param = param;
            return true;
        }
    }
    return false;
}

void drumLine(Score& score, const Section& section, int firstBar, int bars, int channel,
              int instrument, const std::string& steps, int midi, int volumeScale)
{
    if (steps.empty())
        return;
    const int length = static_cast<int>(steps.size());
    for (int bar = firstBar; bar < firstBar + bars && bar < section.bars; ++bar) {
        for (int step = 0; step < 16; ++step) {
            // A line longer than a bar continues into the next bars.
            const int index = ((bar - firstBar) * 16 + step) % length;
            const char c = steps[index];
            const int v = drumVolume(c);
            // 's': a ghost started past its attack (sample offset 512 frames); 'r': retriggered
            // halfway through the row, two thirty-seconds at speed 6.
            const uint8_t effect = c == 's' ? xmEffect('9') : c == 'r' ? xmEffect('E') : 0;
            const uint8_t param = c == 's' ? 0x02 : c == 'r' ? 0x93 : 0;
            if (v >= 0)
                putNote(score, sectionRow(section, bar, step), channel, midi, instrument,
                        v * volumeScale / 64, effect, param);
        }
    }
}

int melodyLine(Score& score, const Section& section, int firstBar, int channel, int instrument,
               const std::string& tokens, int volume, int transpose, uint8_t pan)
{
    std::istringstream in(tokens);
    std::string token;
    int step = 0;
    while (in >> token) {
        const int bar = firstBar + step / 16;
        if (bar >= section.bars)
            break;
        const int row = sectionRow(section, bar, step % 16);
        if (token == ".") {
            putNoteOff(score, row, channel);
        } else if (token != "-" && token != "_") {
            const int midi = parseNoteName(token);
            if (midi >= 0)
                putNote(score, row, channel, midi + transpose, instrument, volume,
                        pan ? xmEffect('8') : 0, pan);
        }
        ++step;
    }
    return step;
}
