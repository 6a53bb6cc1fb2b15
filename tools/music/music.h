// The show's soundtrack, composed in code: synthesised instruments, a score written section by
// section to the scenes' timing, and the tools that check that timing by playing the module.
// Everything here is deterministic: fixed seeds, no clocks, no threads.
#pragma once

#include "xm/xm_writer.h"

#include <cstdint>
#include <string>
#include <vector>

// ---- Instruments ----------------------------------------------------------------------------

// Instrument numbers as the pattern cells name them.
enum SoundtrackInstrument : uint8_t {
    insKick = 1,
    insSnare,
    insClap,
    insHatClosed,
    insHatOpen,
    insCrash,
    insTom,
    insBass,
    insPad,
    insLead,
    insPluck,
    insBell,
    insStab,
    insRiser,
    insReverseCrash,
    soundtrackInstrumentCount = insReverseCrash,
};

// Relative note and finetune that make note A-4 of a sample whose fundamental is f0 Hz at
// sampleRate frames per second sound at 440 Hz (drums: f0 = 440 plays them at their own rate
// on A-4; use drumTuning for C-4).
void tuneSample(XmSample& sample, double sampleRate, double f0);
// Relative note and finetune that play a sample at its own rate on note C-4.
void drumTuning(XmSample& sample, double sampleRate);

// Every instrument of the soundtrack, in SoundtrackInstrument order.
std::vector<XmInstrument> synthesiseInstruments();

// ---- Score ----------------------------------------------------------------------------------

// Channels of the score, one voice each. The two control channels carry only speed, tempo and
// sync commands.
enum ScoreChannel : int {
    chKick = 0,
    chSnare,
    chHat,
    chPerc,
    chBass,
    chPad0,
    chPad1,
    chPad2,
    chArp,
    chLead,
    chEcho,
    chBell,
    chFx,
    chStab,
    chControl0,
    chControl1,
    scoreChannels,
};

// The whole song as one long pattern: `rows` rows of scoreChannels cells each.
struct Score {
    int rows = 0;
    std::vector<XmCell> cells;
};

Score makeScore(int rows);
XmCell& scoreCell(Score& score, int row, int channel);

// A chord: its pitch classes (0 = C), root first.
struct Chord {
    int root = 0;
    std::vector<int> pitchClasses;
};

// Parses a chord name: root letter, optional # or b, then "", "m", "7", "m7", "maj7", "sus2",
// "sus4", "dim", "add9", "m9" or "6". False for anything else.
bool parseChord(const std::string& name, Chord& chord);
// MIDI-style note number (C4 = 60, A4 = 69) of a note name such as "A4", "C#5", "Bb3"; -1 if
// invalid.
int parseNoteName(const std::string& name);
// The cell note for a MIDI-style note number (A4 = 69 is XM A-4 = 58); xmNoNote outside XM's range.
uint8_t xmNoteFromMidi(int midi);
// Three notes of the chord in close position, chosen to move as little as possible from the
// previous voicing (empty: start near middle C), all within [low, high].
std::vector<int> voiceChord(const Chord& chord, const std::vector<int>& previous, int low,
                            int high);

// One section of the score: where it starts, how long it is in bars of 4/4, and how many rows
// a sixteenth note takes (1 at speed 6, 2 at speed 3).
struct Section {
    int startRow = 0;
    int bars = 0;
    int rowsPerStep = 1;
};
// Row of a sixteenth step (0..15) of a bar of the section.
int sectionRow(const Section& section, int bar, int step);

// Writes a note (volume 0..64, or -1 to leave the volume column empty) and an optional effect.
void putNote(Score& score, int row, int channel, int midi, int instrument, int volume,
             uint8_t effect = 0, uint8_t param = 0);
// Key off on a channel.
void putNoteOff(Score& score, int row, int channel);
// Speed, tempo or sync command on the first free control channel of a row (false if none is free).
bool putControl(Score& score, int row, uint8_t effect, uint8_t param);

// A drum line, one character per sixteenth step, repeated over the given bars:
// 'X' loud, 'x' normal, 'o' soft, 'g' ghost, 's' ghost without its attack (sample offset),
// 'r' soft and retriggered into two thirty-seconds (at speed 6), anything else silent.
void drumLine(Score& score, const Section& section, int firstBar, int bars, int channel,
              int instrument, const std::string& steps, int midi = 60, int volumeScale = 64);
// A melody: whitespace-separated tokens, one per sixteenth step from the given bar on: a note
// name starts a note, "-" holds, "." sends key off, "_" leaves the channel alone. Notes are
// transposed by `transpose` semitones. Returns the number of steps written.
int melodyLine(Score& score, const Section& section, int firstBar, int channel, int instrument,
               const std::string& tokens, int volume, int transpose = 0, uint8_t pan = 0);

// The whole score: every section of the show in order, with tempo and sync commands.
Score composeScore();

// ---- Song layout and module -------------------------------------------------------------------

// The pattern row counts in order: pattern i plays at order i.
std::vector<int> soundtrackPatternRows();
// The finished module: instruments, patterns cut from the score, one order per pattern.
XmModule composeSoundtrack();

// ---- Timing check ---------------------------------------------------------------------------

// A row with a sync command as it was heard.
struct SyncHeard {
    int order = 0;
    int row = 0;
    int value = 0;
    double seconds = 0;  // time from the start of the song at which the row became audible
    std::string section;
};

// One section of the show measured against its target.
struct SectionHeard {
    std::string name;
    std::string from, to;  // boundary descriptions, e.g. "1,0" or "sync 1"
    double start = 0, end = 0;
    double minSeconds = 0, maxSeconds = 0;  // allowed length
    double targetSeconds = 0;               // 0 for sections given only a range
    bool ok = false;
};

struct SectionMap {
    std::vector<SyncHeard> syncs;
    std::vector<SectionHeard> sections;
    double songSeconds = 0;             // until the song wraps back to its restart position
    std::vector<std::string> problems;  // empty when every boundary and sync holds
};

// Plays the module through the music player's offline output and measures every section
// boundary and every sync command against the show's timing.
SectionMap measureSectionMap(const std::vector<uint8_t>& xmBytes);
// The map as printable lines.
std::string formatSectionMap(const SectionMap& map);

// ---- Rendering ------------------------------------------------------------------------------

struct RenderStats {
    double seconds = 0;
    int peak = 0;                 // largest absolute 16-bit sample
    double rmsDb = 0;             // RMS of the whole song relative to full scale
    double quietestSecondDb = 0;  // RMS of the quietest whole second after the intro
    double quietestSecondAt = 0;  // its start time
};

// Renders one pass of the song (no loop) through the offline output at 44.1 kHz, 16-bit stereo,
// with high-quality mixing. `introSeconds` is skipped when looking for the quietest second.
// When wavPath is not empty the samples are written there as a WAV file.
bool renderSoundtrack(const std::vector<uint8_t>& xmBytes, const std::string& wavPath,
                      double introSeconds, RenderStats& stats, std::vector<int16_t>* samples,
                      std::string& error, int rate = 44100);

// ---- Mix figures ----------------------------------------------------------------------------

// Where a render's energy lies and how loud it is. Band shares and levels come from 2048-point
// Hann spectra of the mono sum (L + R) / 2, hop 1024; levels read a full-scale sine as 0 dBFS.
struct MixFigures {
    double seconds = 0;
    double above8k = 0, above12k = 0;  // shares of the whole energy, 0..1
    double mid500to4k = 0;             // 500 Hz up to 4 kHz
    double below250 = 0;
    double medianLevelAbove10kDb = 0;  // median over non-silent frames of the level above 10 kHz
    double medianCentroidHz = 0;       // median over non-silent frames of the spectral centroid
    double loudnessLufs = 0;           // integrated loudness, gated (-300 when all is silent)
    double truePeakDbtp = 0;           // oversampled peak of either channel
    double samplePeakDbfs = 0;
};

// Figures of frames [firstFrame, endFrame) of an interleaved stereo render at `rate` Hz.
MixFigures measureMix(const std::vector<int16_t>& stereo, int rate, size_t firstFrame,
                      size_t endFrame);
std::string formatMixFigures(const MixFigures& figures);

// What the patterns ask of the player, counted over the order list (a pattern played twice
// counts twice).
struct PatternFigures {
    int notes = 0;
    int volumeSlides = 0;  // cells with A, 5, 6, EA, EB or a volume-column slide
    int effectTypeCount = 0;
    std::string effectTypes;        // effect-column types besides F, B, D and W; E by sub-command
    std::string volumeColumnTypes;  // volume-column effects other than set volume
};
bool measurePatterns(const std::vector<uint8_t>& xmBytes, PatternFigures& figures,
                     std::string& error);
