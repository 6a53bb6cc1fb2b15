// Parts that follow a chord list: pad, bass, arpeggio, motifs, echo and the drum accents.
#include "music/arrange.h"

#include <algorithm>
#include <cmath>
#include <sstream>

namespace {

std::vector<std::string> splitWords(const std::string& text)
{
    std::istringstream in(text);
    std::vector<std::string> words;
    std::string w;
    while (in >> w)
        words.push_back(w);
    return words;
}

// Bass note of a chord root: A1 (33) up to G#2 (44).
int bassRoot(const Chord& c)
{
    return 33 + (c.root - 9 + 12) % 12;
}

// The chord changes inside bars [firstBar, firstBar + bars): (bar, step, chord).
struct Change {
    int bar;
    int step;
    Chord chord;
};
std::vector<Change> changesOf(const BarChords& chords, int firstBar, int bars)
{
    std::vector<Change> out;
    for (int bar = firstBar; bar < firstBar + bars && bar < static_cast<int>(chords.size());
         ++bar) {
        const std::vector<std::string> names = splitWords(chords[bar]);
        for (size_t k = 0; k < names.size(); ++k) {
            Chord c;
            if (parseChord(names[k], c))
                out.push_back({bar, static_cast<int>(k * 16 / names.size()), c});
        }
    }
    return out;
}

}  // namespace

Chord chordAt(const BarChords& chords, int bar, int step)
{
    Chord c;
    if (chords.empty())
        return c;
    const std::vector<std::string> names =
        splitWords(chords[std::min<size_t>(bar, chords.size() - 1)]);
    if (names.empty())
        return c;
    const size_t k = std::min(names.size() - 1, static_cast<size_t>(step) * names.size() / 16);
    parseChord(names[k], c);
    return c;
}

void padPart(Score& score, Arranger& arr, const Section& sec, const BarChords& chords, int firstBar,
             int bars, int volume)
{
    static const uint8_t pans[3] = {72, 128, 184};
    bool first = true;
    for (const Change& ch : changesOf(chords, firstBar, bars)) {
        const std::vector<int> v = voiceChord(ch.chord, arr.padVoicing, 50, 74);
        const int row = sectionRow(sec, ch.bar, ch.step);
        for (int k = 0; k < 3; ++k) {
            const int channel = chPad0 + k;
            if (!arr.padSounding) {
                putNote(score, row, channel, v[k], insPad, volume, xmEffect('8'), pans[k]);
            } else if (arr.padVoicing.size() != 3 || v[k] != arr.padVoicing[k]) {
                putNote(score, row, channel, v[k], 0, first ? volume : -1, xmEffect('3'), 0xff);
            } else if (first) {
                scoreCell(score, row, channel).volume = xmVolume(volume);
            }
        }
        arr.padVoicing = v;
        arr.padSounding = true;
        first = false;
    }
}

void padRelease(Score& score, Arranger& arr, int row)
{
    for (int k = 0; k < 3; ++k)
        putNoteOff(score, row, chPad0 + k);
    arr.padSounding = false;
}

void bassPart(Score& score, const Section& sec, const BarChords& chords, int firstBar, int bars,
              const std::string& steps, int volume)
{
    for (int bar = firstBar; bar < firstBar + bars && bar < sec.bars; ++bar) {
        for (int step = 0; step < 16 && step < static_cast<int>(steps.size()); ++step) {
            const char c = steps[step];
            const int row = sectionRow(sec, bar, step);
            const int root = bassRoot(chordAt(chords, bar, step));
            if (c == 'r')
                putNote(score, row, chBass, root, insBass, volume);
            else if (c == 'o')
                putNote(score, row, chBass, root + 12, insBass, volume * 7 / 8);
            else if (c == 'f')
                putNote(score, row, chBass, root + 7, insBass, volume * 7 / 8);
            else if (c == '^')
                putNoteOff(score, row, chBass);
        }
    }
}

void arpPart(Score& score, Arranger& arr, const Section& sec, const BarChords& chords, int firstBar,
             int bars, const std::string& order, int every, int volume, int instrument, int channel)
{
    if (order.empty() || every < 1)
        return;
    size_t index = 0;
    for (int bar = firstBar; bar < firstBar + bars && bar < sec.bars; ++bar) {
        for (int step = 0; step < 16; step += every) {
            const Chord c = chordAt(chords, bar, step);
            arr.arpVoicing = voiceChord(c, arr.arpVoicing, 60, 76);
            const int k = order[index % order.size()] - '0';
            ++index;
            if (k < 0 || k > 5)
                continue;
            const int midi = arr.arpVoicing[k % 3] + 12 * (k / 3);
            const uint8_t pan = (index % 2) ? 70 : 186;
            putNote(score, sectionRow(sec, bar, step), channel, midi, instrument, volume,
                    xmEffect('8'), pan);
        }
    }
}

void motifPart(Score& score, const Section& sec, const BarChords& chords, int firstBar, int bars,
               const std::vector<MotifNote>& motif, int channel, int instrument, int volume,
               int low)
{
    for (int bar = firstBar; bar < firstBar + bars && bar < sec.bars; ++bar) {
        for (const MotifNote& m : motif) {
            const Chord c = chordAt(chords, bar, m.step);
            const std::vector<int> v = voiceChord(c, {low + 2, low + 5, low + 9}, low, low + 16);
            const int midi = v[m.tone % 3] + 12 * (m.tone / 3 + m.octave);
            putNote(score, sectionRow(sec, bar, m.step), channel, midi, instrument, volume);
            if (m.length > 0 && m.step + m.length < 16)
                putNoteOff(score, sectionRow(sec, bar, m.step + m.length), channel);
        }
    }
}

void echoPart(Score& score, const Section& sec, int from, int to, int delay, int percent,
              uint8_t pan)
{
    const int first = sec.startRow;
    const int last = sectionRow(sec, sec.bars, 0);
    for (int row = last - 1; row >= first; --row) {
        const XmCell src = scoreCell(score, row, from);
        const int target = row + delay * sec.rowsPerStep;
        if (target >= last || src.note == xmNoNote)
            continue;
        XmCell& dst = scoreCell(score, target, to);
        if (src.note == xmNoteOff) {
            dst = XmCell{};
            dst.note = xmNoteOff;
            continue;
        }
        const int volume = src.volume >= 0x10 && src.volume <= 0x50 ? src.volume - 0x10 : 64;
        dst.note = src.note;
        dst.instrument = src.instrument;
        dst.volume = xmVolume(volume * percent / 100);
        dst.effect = xmEffect('8');
        dst.param = pan;
    }
}

void accent(Score& score, const Section& sec, int bar, int volume, bool kick)
{
    const int row = sectionRow(sec, bar, 0);
    putNote(score, row, chPerc, 60, insCrash, volume);
    if (kick)
        putNote(score, row, chKick, 60, insKick, 64);
}

void snareRoll(Score& score, const Section& sec, int bar, int steps, int fromVolume, int toVolume)
{
    const int start = 16 - steps;
    const int hits = steps * sec.rowsPerStep;
    for (int i = 0; i < hits; ++i) {
        const int row = sectionRow(sec, bar, start) + i;
        const int volume = fromVolume + (toVolume - fromVolume) * i / std::max(1, hits - 1);
        putNote(score, row, chSnare, 60, insSnare, volume);
    }
}

void riserInto(Score& score, const Section& sec, int endBar, double secondsPerStep, int volume)
{
    // The riser lasts 3 seconds.
    const int steps = static_cast<int>(std::lround(3.0 / secondsPerStep));
    const int endStep = endBar * 16;
    const int startStep = std::max(0, endStep - steps);
    putNote(score, sectionRow(sec, startStep / 16, startStep % 16), chFx, 60, insRiser, volume);
}

std::string tuneBars(const std::string& tune, int first, int count)
{
    const std::vector<std::string> tokens = splitWords(tune);
    std::string out;
    for (size_t i = static_cast<size_t>(first) * 16;
         i < tokens.size() && i < static_cast<size_t>(first + count) * 16; ++i)
        out += tokens[i] + " ";
    return out;
}

void setTempo(Score& score, Arranger& arr, const Section& sec, int speed, int bpm)
{
    if (speed != arr.speed)
        putControl(score, sec.startRow, xmEffectSetSpeed, static_cast<uint8_t>(speed));
    if (bpm != arr.bpm)
        putControl(score, sec.startRow, xmEffectSetSpeed, static_cast<uint8_t>(bpm));
    arr.speed = speed;
    arr.bpm = bpm;
}

void shapeHeldNotes(Score& score, const Section& sec, int channel, int minSteps, uint8_t vibrato,
                    uint8_t tail)
{
    const int first = sec.startRow;
    const int last = sectionRow(sec, sec.bars, 0);
    for (int row = first; row < last; ++row) {
        const XmCell start = scoreCell(score, row, channel);
        if (start.note == xmNoNote || start.note == xmNoteOff)
            continue;
        int end = row + 1;
        while (end < last && scoreCell(score, end, channel).note == xmNoNote)
            ++end;
        const int length = end - row;
        if (length < minSteps * sec.rowsPerStep)
            continue;
        // Vibrato from the fourth step on, a fading tail over the second half.
        for (int r = row + 3 * sec.rowsPerStep; vibrato != 0 && r < end; ++r) {
            XmCell& c = scoreCell(score, r, channel);
            if (c.effect == 0 && c.param == 0) {
                c.effect = xmEffect('4');
                c.param = vibrato;
            }
        }
        for (int r = row + length / 2; tail != 0 && r < end; ++r) {
            XmCell& c = scoreCell(score, r, channel);
            if (c.volume == 0)
                c.volume = tail;
        }
    }
}

void swell(Score& score, int row, int rows, int channel, uint8_t slide)
{
    for (int r = row; r < row + rows && r < score.rows; ++r) {
        XmCell& c = scoreCell(score, r, channel);
        if (c.volume == 0 && c.note != xmNoteOff)
            c.volume = slide;
    }
}

void addEffect(Score& score, const Section& sec, int channel, int instrument, uint8_t effect,
               uint8_t param)
{
    for (int row = sec.startRow; row < sectionRow(sec, sec.bars, 0); ++row) {
        XmCell& c = scoreCell(score, row, channel);
        if (c.instrument == instrument && c.note != xmNoNote && c.note != xmNoteOff &&
            c.effect == 0 && c.param == 0) {
            c.effect = effect;
            c.param = param;
        }
    }
}
