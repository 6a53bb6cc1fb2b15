// Arranging helpers shared by the section composers: parts that follow a chord list.
#pragma once

#include "music/music.h"

#include <string>
#include <vector>

// What carries over from one section to the next: the pad's voicing and whether it sounds.
struct Arranger {
    std::vector<int> padVoicing;
    bool padSounding = false;
    std::vector<int> arpVoicing;
    int speed = 0;  // speed and tempo in force (0 before the first section)
    int bpm = 0;
};

// Chords of a section, one entry per bar; an entry with two names ("F E") splits the bar in halves.
using BarChords = std::vector<std::string>;

// The chord sounding at a sixteenth step of a bar.
Chord chordAt(const BarChords& chords, int bar, int step);

// Pad chords for bars [firstBar, firstBar + bars): notes glide (tone portamento) from chord to
// chord while the pad sounds, so it never restarts its attack. volume applies from the first bar.
void padPart(Score& score, Arranger& arr, const Section& sec, const BarChords& chords, int firstBar,
             int bars, int volume);
// Key off on the pad voices.
void padRelease(Score& score, Arranger& arr, int row);
// Bass line from a 16-step pattern: 'r' root, 'o' root an octave up, 'f' fifth, '^' key off.
void bassPart(Score& score, const Section& sec, const BarChords& chords, int firstBar, int bars,
              const std::string& steps, int volume);
// Arpeggio on the pluck: `order` lists voicing indices (0..2 the triad, 3..5 an octave up), one
// per note, `every` steps apart; pans alternate left and right.
void arpPart(Score& score, Arranger& arr, const Section& sec, const BarChords& chords, int firstBar,
             int bars, const std::string& order, int every, int volume, int instrument = insPluck,
             int channel = chArp);
// A motif that follows the chords: per note (step, voicing index, octave shift) over a voicing
// placed above `low`.
struct MotifNote {
    int step;
    int tone;
    int octave;
    int length;  // steps before a key off; 0 holds until the next note
};
void motifPart(Score& score, const Section& sec, const BarChords& chords, int firstBar, int bars,
               const std::vector<MotifNote>& motif, int channel, int instrument, int volume,
               int low);
// Copies the notes of `from` to `to` `delay` steps later at volume percent, panned.
void echoPart(Score& score, const Section& sec, int from, int to, int delay, int percent,
              uint8_t pan);
// Expression on a melodic channel: every note held at least `minSteps` sixteenths gets the
// vibrato effect with parameter `vibrato` from its fourth step on (0: none), and the volume-column
// byte `tail` (a slide) on every row of its second half (0: none).
void shapeHeldNotes(Score& score, const Section& sec, int channel, int minSteps, uint8_t vibrato,
                    uint8_t tail);
// Writes the volume-column byte `slide` on `rows` rows of a channel from `row` on, where the
// volume column is free: a swell or a fade under a held note.
void swell(Score& score, int row, int rows, int channel, uint8_t slide);
// Puts an effect on every note of `instrument` on a channel in the section whose effect column is
// free.
void addEffect(Score& score, const Section& sec, int channel, int instrument, uint8_t effect,
               uint8_t param);
// Crash cymbal (and optionally a loud kick) on a bar's first step.
void accent(Score& score, const Section& sec, int bar, int volume, bool kick);
// Snare roll over the last `steps` sixteenths of a bar, getting louder (in 32nds when the
// section has two rows per step).
void snareRoll(Score& score, const Section& sec, int bar, int steps, int fromVolume, int toVolume);
// Riser timed to end at the start of bar `endBar`, given the section's seconds per step.
void riserInto(Score& score, const Section& sec, int endBar, double secondsPerStep, int volume);
// `count` bars of a tune (16 tokens a bar) from bar `first` on.
std::string tuneBars(const std::string& tune, int first, int count);
// Sets the section's speed and tempo on its first row, writing only what changes.
void setTempo(Score& score, Arranger& arr, const Section& sec, int speed, int bpm);

// The sections of the soundtrack in playing order.
enum SoundtrackSection : int {
    secIntro,
    secFlames,
    secOpening,
    secCredits,
    secSpace,
    secTunnel,
    secWave,
    secCosmos,
    secSun,
    secDisks,
    secGreetings,
    secRubber,
    secMorph,
    secComputer,
    secMother,
    secInterlude,
    secFinal,
    secEnding,
    soundtrackSectionCount,
};

// Length and tempo of a section. A bar of 4/4 lasts 16 steps of 15 / bpm seconds at both
// speed 6 with one row per step and speed 3 with two.
struct SectionPlan {
    const char* name;
    int bars;
    int rowsPerStep;
    int speed;
    int bpm;
};
const SectionPlan& sectionPlan(SoundtrackSection section);
// Where the section lies in the score.
Section scoreSection(SoundtrackSection section);
// Rows of the whole score.
int scoreRows();
