// The score, section by section, in A minor throughout. Each composer writes its section's
// tempo, its parts and its sync commands; the pad's voicing carries across sections.
#include "music/arrange.h"
#include "music/compose_melodies.h"

namespace {

// Sync command values the scenes react to.
constexpr uint8_t syncEnd =
    1;  // ends the opening scene; in the credits also the first card and a flash
constexpr uint8_t syncShake = 2;  // camera shake in the opening scene

// Volume-column fine slides (one step per row) and the falling toms' portamento.
constexpr uint8_t fineSlideDown1 = 0x81, fineSlideDown2 = 0x82, fineSlideUp1 = 0x91;
constexpr uint8_t tomDrop = 0x06;
// Vibrato on held lead notes: speed 5, depth 6 (about a fifth of a semitone either way).
constexpr uint8_t leadVibrato = 0x56;

void sync(Score& s, const Section& sec, int bar, int step, uint8_t value)
{
    putControl(s, sectionRow(sec, bar, step), xmEffectSync, value);
}

double stepSeconds(SoundtrackSection section)
{
    return 15.0 / sectionPlan(section).bpm;
}

void tempo(Score& s, Arranger& a, SoundtrackSection section)
{
    const SectionPlan& p = sectionPlan(section);
    setTempo(s, a, scoreSection(section), p.speed, p.bpm);
}

// Key off on the melodic channels at a section start, so nothing rings on by accident.
void silenceMelody(Score& s, int row)
{
    for (int ch : {chLead, chEcho, chArp, chBass})
        putNoteOff(s, row, ch);
}

void composeIntro(Score& s, Arranger& a)
{
    const Section sec = scoreSection(secIntro);
    // The song may come round again from its end: set speed and tempo explicitly.
    a.speed = a.bpm = 0;
    tempo(s, a, secIntro);
    padPart(s, a, sec, {"Am"}, 0, 1, 30);
    putNote(s, sectionRow(sec, 0, 0), chBell, 81, insBell, 26);
    putNote(s, sectionRow(sec, 0, 8), chBell, 76, insBell, 16);
    putNote(s, sectionRow(sec, 0, 3), chFx, 60, insReverseCrash, 30);
}

// A warm opening: pad and bells, then bass and a half-time beat, then the hook; camera shakes on
// the big downbeats and the end cue on the first row of the next section.
void composeFlames(Score& s, Arranger& a)
{
    const Section sec = scoreSection(secFlames);
    tempo(s, a, secFlames);
    const BarChords chords = {"Am", "Fmaj7", "C", "G", "Am", "Fmaj7", "C", "G",
                              "Am", "F",     "C", "G", "Am", "F",     "C", "E"};
    padPart(s, a, sec, chords, 0, 4, 32);
    padPart(s, a, sec, chords, 4, 8, 36);
    padPart(s, a, sec, chords, 12, 4, 40);
    // Bells on chord tones, a slow figure every bar.
    motifPart(s, sec, chords, 0, 8, {{0, 2, 1, 0}, {6, 1, 1, 0}, {12, 0, 2, 0}}, chBell, insBell,
              22, 64);
    arpPart(s, a, sec, chords, 2, 6, "0121", 2, 18);
    arpPart(s, a, sec, chords, 8, 8, "01232101", 1, 20);
    bassPart(s, sec, chords, 4, 4, "r...............", 40);
    bassPart(s, sec, chords, 8, 8, "r.....r.r...o...", 42);
    drumLine(s, sec, 4, 4, chKick, insKick, "X.......x.......", 60, 56);
    drumLine(s, sec, 8, 8, chKick, insKick, "X.....x.X.......", 60, 58);
    drumLine(s, sec, 8, 7, chSnare, insSnare, "........X.......", 60, 44);
    drumLine(s, sec, 8, 4, chHat, insHatClosed, "..x...x...x...x.", 60, 22);
    drumLine(s, sec, 12, 4, chHat, insHatClosed, "xgogxgogxgogxgrg", 60, 22);
    snareRoll(s, sec, 15, 8, 20, 48);
    melodyLine(s, sec, 8, chLead, insLead, hookA, 30, 0, 100);
    melodyLine(s, sec, 12, chLead, insLead, hookB, 34, 0, 100);
    echoPart(s, sec, chLead, chEcho, 3, 40, 190);
    for (int bar : {4, 8, 12, 14}) {
        accent(s, sec, bar, bar == 4 ? 34 : 40, true);
        putNote(s, sectionRow(sec, bar, 0), chStab, 45 + (bar == 14 ? 12 : 0), insTom, 54);
        sync(s, sec, bar, 0, syncShake);
    }
    addEffect(s, sec, chStab, insTom, xmEffect('2'), tomDrop);
    riserInto(s, sec, 16, stepSeconds(secFlames), 30);
}

// The opening picture: the end cue lands with a full hit, then a suspended bar into the credits.
void composeOpening(Score& s, Arranger& a)
{
    const Section sec = scoreSection(secOpening);
    tempo(s, a, secOpening);
    sync(s, sec, 0, 0, syncEnd);
    const BarChords chords = {"Am", "F E"};
    accent(s, sec, 0, 48, true);
    putNote(s, sectionRow(sec, 0, 0), chBass, 33, insBass, 48);
    putNote(s, sectionRow(sec, 0, 0), chStab, 69, insStab, 40);
    putNoteOff(s, sectionRow(sec, 0, 0), chLead);
    padPart(s, a, sec, chords, 0, 2, 40);
    melodyLine(s, sec, 0, chBell, insBell,
               "A5 - - - E5 - - - C6 - - - B5 - - - A5 - - - C6 - - - B5 - - - G#5 - - - ", 24);
    arpPart(s, a, sec, chords, 0, 2, "0123", 2, 16);
    putNote(s, sectionRow(sec, 1, 8), chBass, 40, insBass, 40);
    for (int i = 0; i < 4; ++i)
        putNote(s, sectionRow(sec, 1, 12 + i), chPerc, 52 - 3 * i, insTom, 36 + 6 * i);
    addEffect(s, sec, chPerc, insTom, xmEffect('2'), tomDrop);
}

// Credits: the hook's first full statement over a light beat; cues 1 to 4 on bars 2 to 5.
void composeCredits(Score& s, Arranger& a)
{
    const Section sec = scoreSection(secCredits);
    tempo(s, a, secCredits);
    const BarChords chords = {"Am", "F", "C", "G", "E"};
    padPart(s, a, sec, chords, 0, 5, 30);
    drumLine(s, sec, 0, 5, chKick, insKick, "X...x...x...x...", 60, 56);
    drumLine(s, sec, 0, 5, chSnare, insClap, "....x.......x...", 60, 44);
    drumLine(s, sec, 0, 5, chHat, insHatClosed, "..x...x...x...x.", 60, 26);
    bassPart(s, sec, chords, 0, 5, "r.r.r.o.r.r.r.o.", 40);
    arpPart(s, a, sec, chords, 0, 5, "01232101", 1, 18);
    melodyLine(s, sec, 0, chLead, insLead, hookA, 34, 0, 100);
    melodyLine(s, sec, 4, chLead, insLead, "B4 - - - G#4 - - - E4 - - - G#4 - B4 - ", 32, 0, 100);
    echoPart(s, sec, chLead, chEcho, 3, 40, 190);
    for (int bar = 1; bar <= 4; ++bar) {
        accent(s, sec, bar, bar == 1 ? 46 : 32, false);
        sync(s, sec, bar, 0, static_cast<uint8_t>(bar));
    }
    snareRoll(s, sec, 4, 4, 24, 44);
}

// Space flight: four on the floor, octave bass, a running arpeggio, then the soaring line.
void composeSpace(Score& s, Arranger& a)
{
    const Section sec = scoreSection(secSpace);
    tempo(s, a, secSpace);
    const BarChords chords = {"Am", "F", "G", "Em", "Am", "F", "G", "E"};
    padPart(s, a, sec, chords, 0, 8, 28);
    drumLine(s, sec, 0, 8, chKick, insKick, "X...x...x...x...", 60, 60);
    drumLine(s, sec, 0, 7, chSnare, insSnare, "....X.....s.X..s", 60, 44);
    drumLine(s, sec, 0, 8, chHat, insHatClosed, "xgogxgogxgogxgrg", 60, 24);
    drumLine(s, sec, 0, 8, chPerc, insHatOpen, "..x...x...x...x.", 60, 22);
    bassPart(s, sec, chords, 0, 8, "r.ror.ror.ror.ro", 42);
    arpPart(s, a, sec, chords, 0, 8, "01234321", 1, 20);
    melodyLine(s, sec, 4, chLead, insLead, flightLine, 34, 0, 100);
    echoPart(s, sec, chLead, chEcho, 3, 40, 190);
    accent(s, sec, 0, 44, true);
    accent(s, sec, 4, 38, true);
    snareRoll(s, sec, 7, 4, 26, 50);
}

// Tunnel: darker, a sixteenth-note bass pedal, offbeat stabs and the tunnel line.
void composeTunnel(Score& s, Arranger& a)
{
    const Section sec = scoreSection(secTunnel);
    tempo(s, a, secTunnel);
    const BarChords chords = {"Am", "Am", "F", "E", "Dm", "F", "E"};
    padPart(s, a, sec, chords, 0, 7, 24);
    drumLine(s, sec, 0, 7, chKick, insKick, "X...x...x...x.x.", 60, 60);
    drumLine(s, sec, 0, 6, chSnare, insSnare, "..s.X..s....X.s.", 60, 46);
    drumLine(s, sec, 0, 7, chHat, insHatClosed, "x.xgx.xgx.xgx.rg", 60, 28);
    bassPart(s, sec, chords, 0, 7, "r.rrr.rrr.rrr.ro", 40);
    motifPart(s, sec, chords, 0, 7, {{2, 1, 0, 1}, {6, 2, 0, 1}, {10, 1, 0, 1}, {14, 2, 0, 1}},
              chStab, insStab, 26, 60);
    melodyLine(s, sec, 0, chLead, insLead, tunnelLine, 34, 0, 100);
    echoPart(s, sec, chLead, chEcho, 3, 36, 190);
    accent(s, sec, 0, 44, true);
    accent(s, sec, 4, 36, true);
    for (int i = 0; i < 4; ++i)
        putNote(s, sectionRow(sec, 3, 12 + i), chPerc, 55 - 3 * i, insTom, 40 + 4 * i);
    snareRoll(s, sec, 6, 8, 20, 52);
    addEffect(s, sec, chPerc, insTom, xmEffect('2'), tomDrop);
    riserInto(s, sec, 7, stepSeconds(secTunnel), 28);
}

// Wave grid: the full hook; every bar's downbeat (every 32nd row, where the screen flashes)
// is an accent with a crash, a loud kick and a stab.
void composeWave(Score& s, Arranger& a)
{
    const Section sec = scoreSection(secWave);
    tempo(s, a, secWave);
    const BarChords chords = {"Am", "F", "C", "G", "Am", "F", "C", "G", "Am", "F", "C", "E"};
    padPart(s, a, sec, chords, 0, 12, 30);
    drumLine(s, sec, 0, 12, chKick, insKick, "X...x...x...x...", 60, 60);
    drumLine(s, sec, 0, 11, chSnare, insClap, "....x.......x...", 60, 46);
    drumLine(s, sec, 0, 12, chHat, insHatClosed, "xgogxgogxgogxgog", 60, 24);
    drumLine(s, sec, 0, 12, chPerc, insHatOpen, "..x...x...x...x.", 60, 20);
    bassPart(s, sec, chords, 0, 12, "r.ror.ror.ror.ro", 42);
    arpPart(s, a, sec, chords, 0, 12, "01230123", 1, 18);
    melodyLine(s, sec, 0, chLead, insLead, hookA, 34, 0, 100);
    melodyLine(s, sec, 4, chLead, insLead, hookA, 30, 12, 100);
    melodyLine(s, sec, 8, chLead, insLead, hookB, 34, 0, 100);
    echoPart(s, sec, chLead, chEcho, 3, 40, 190);
    for (int bar = 0; bar < 12; ++bar) {
        accent(s, sec, bar, bar % 4 == 0 ? 44 : 30, true);
        const Chord c = chordAt(chords, bar, 0);
        putNote(s, sectionRow(sec, bar, 0), chStab, 57 + (c.root - 9 + 12) % 12, insStab, 30);
    }
    snareRoll(s, sec, 11, 4, 24, 44);
}

// Cosmos: a breath. No drums, the pad opens up and two bell phrases float over it.
void composeCosmos(Score& s, Arranger& a)
{
    const Section sec = scoreSection(secCosmos);
    tempo(s, a, secCosmos);
    silenceMelody(s, sec.startRow);
    const BarChords chords = {"Fmaj7", "Esus4 E"};
    // The pad opens up: it starts below its level and swells over the first bar.
    padPart(s, a, sec, chords, 0, 2, 30);
    for (int k = 0; k < 3; ++k)
        swell(s, sec.startRow + 1, 15, chPad0 + k, fineSlideUp1);
    melodyLine(s, sec, 0, chBell, insBell, cosmosBells, 30);
    arpPart(s, a, sec, chords, 0, 2, "0135", 4, 14);
    putNote(s, sectionRow(sec, 1, 6), chFx, 60, insReverseCrash, 30);
}

// Sun and code: a groove through the circle of fifths, a sequence on the lead, bells answering.
void composeSun(Score& s, Arranger& a)
{
    const Section sec = scoreSection(secSun);
    tempo(s, a, secSun);
    const BarChords chords = {"Am", "Dm", "G", "C", "F", "Dm", "E", "E", "Am", "F", "C", "E"};
    padPart(s, a, sec, chords, 0, 12, 28);
    drumLine(s, sec, 0, 12, chKick, insKick, "X.....x.X.....x.", 60, 58);
    drumLine(s, sec, 0, 11, chSnare, insSnare, "....X..s....X.s.", 60, 42);
    drumLine(s, sec, 4, 8, chPerc, insClap, "....x.......x...", 60, 30);
    drumLine(s, sec, 0, 12, chHat, insHatClosed, "x.o.x.o.x.o.x.rg", 60, 26);
    bassPart(s, sec, chords, 0, 12, "r..r..o.r..f..o.", 42);
    arpPart(s, a, sec, chords, 0, 12, "0213", 2, 18);
    motifPart(
        s, sec, chords, 0, 8,
        {{0, 2, 1, 0}, {3, 1, 1, 0}, {6, 0, 1, 0}, {8, 1, 1, 0}, {10, 2, 1, 0}, {12, 0, 2, 3}},
        chLead, insLead, 30, 60);
    melodyLine(s, sec, 8, chLead, insLead, hookB, 34, 0, 100);
    echoPart(s, sec, chLead, chEcho, 3, 36, 190);
    motifPart(s, sec, chords, 4, 8, {{0, 2, 1, 0}, {8, 0, 2, 0}}, chBell, insBell, 20, 64);
    accent(s, sec, 0, 44, true);
    accent(s, sec, 4, 34, false);
    accent(s, sec, 8, 40, true);
    snareRoll(s, sec, 11, 4, 24, 44);
}

// Disks: the backdrop changes every 8 rows, so every half bar starts with a kick and a pluck
// chord; a cross-rhythm on the arpeggio and a call and answer between bell and lead.
void composeDisks(Score& s, Arranger& a)
{
    const Section sec = scoreSection(secDisks);
    tempo(s, a, secDisks);
    const BarChords chords = {"F", "G", "Am", "Am", "F", "G", "E", "E", "Dm", "F", "E", "E"};
    padPart(s, a, sec, chords, 0, 12, 26);
    drumLine(s, sec, 0, 12, chKick, insKick, "X.....x.X.....x.", 60, 60);
    drumLine(s, sec, 0, 11, chSnare, insClap, "....x.......x..g", 60, 44);
    drumLine(s, sec, 0, 12, chHat, insHatClosed, "xoooxoooxoooxooo", 60, 24);
    drumLine(s, sec, 0, 12, chPerc, insHatOpen, "..........x.....", 60, 18);
    bassPart(s, sec, chords, 0, 12, "r.....r.r..r.o..", 44);
    arpPart(s, a, sec, chords, 0, 12, "012", 2, 20);
    motifPart(s, sec, chords, 0, 12, {{0, 0, 1, 2}, {8, 1, 1, 2}}, chStab, insStab, 22, 60);
    motifPart(s, sec, chords, 0, 4, {{0, 2, 1, 0}, {4, 1, 1, 0}, {8, 0, 2, 0}, {10, 2, 1, 0}},
              chBell, insBell, 24, 64);
    motifPart(
        s, sec, chords, 4, 8,
        {{0, 2, 1, 0}, {2, 1, 1, 0}, {4, 0, 1, 0}, {8, 1, 1, 0}, {11, 2, 1, 0}, {14, 0, 2, 0}},
        chLead, insLead, 30, 60);
    echoPart(s, sec, chLead, chEcho, 3, 36, 190);
    accent(s, sec, 0, 42, true);
    accent(s, sec, 4, 34, false);
    accent(s, sec, 8, 40, true);
    snareRoll(s, sec, 11, 4, 20, 40);
}

// Greetings: playful; a bell marks every new card (every 8 rows).
void composeGreetings(Score& s, Arranger& a)
{
    const Section sec = scoreSection(secGreetings);
    tempo(s, a, secGreetings);
    const BarChords chords = {"C", "G", "Am", "F"};
    padPart(s, a, sec, chords, 0, 4, 28);
    drumLine(s, sec, 0, 4, chKick, insKick, "X...x...x...x...", 60, 52);
    drumLine(s, sec, 0, 4, chSnare, insClap, "....x.......x...", 60, 40);
    drumLine(s, sec, 0, 4, chHat, insHatClosed, "x.x.x.x.x.x.x.xx", 60, 24);
    bassPart(s, sec, chords, 0, 4, "r..ro..rr..ro..r", 40);
    motifPart(s, sec, chords, 0, 4, {{0, 0, 2, 0}, {8, 2, 1, 0}}, chBell, insBell, 26, 64);
    arpPart(s, a, sec, chords, 0, 4, "0123", 2, 16);
    melodyLine(s, sec, 0, chLead, insLead, greetingsLine, 32, 0, 100);
    echoPart(s, sec, chLead, chEcho, 3, 36, 190);
    accent(s, sec, 0, 40, true);
}

// Rubber: two calm bars, then a build layer by layer into the release of Morph.
void composeRubber(Score& s, Arranger& a)
{
    const Section sec = scoreSection(secRubber);
    tempo(s, a, secRubber);
    silenceMelody(s, sec.startRow);
    const BarChords chords = {"Am", "Am", "F",  "C", "G", "G", "Am", "F",
                              "C",  "G",  "Am", "F", "C", "G", "F",  "E"};
    padPart(s, a, sec, chords, 0, 2, 34);
    padPart(s, a, sec, chords, 2, 14, 30);
    motifPart(s, sec, chords, 0, 2, {{0, 2, 1, 0}, {6, 1, 1, 0}, {12, 0, 2, 0}}, chBell, insBell,
              24, 64);
    drumLine(s, sec, 2, 4, chKick, insKick, "X.......X.......", 60, 54);
    drumLine(s, sec, 6, 10, chKick, insKick, "X...x...x...x...", 60, 58);
    drumLine(s, sec, 6, 8, chHat, insHatClosed, "..x...x...x...x.", 60, 24);
    drumLine(s, sec, 14, 2, chHat, insHatClosed, "xgogxgogxgrgxrxr", 60, 26);
    drumLine(s, sec, 10, 4, chSnare, insClap, "....x.......x...", 60, 42);
    bassPart(s, sec, chords, 2, 4, "r.......r.......", 40);
    bassPart(s, sec, chords, 6, 10, "r.r.r.o.r.r.r.o.", 42);
    arpPart(s, a, sec, chords, 2, 4, "0123", 2, 16);
    arpPart(s, a, sec, chords, 6, 10, "01232101", 1, 18);
    melodyLine(s, sec, 10, chLead, insLead, hookA, 32, 0, 100);
    melodyLine(s, sec, 14, chLead, insLead,
               "C5 - - - - - - - A4 - - - C5 - - - D5 - - - - - - - B4 - - - D5 - E5 - ", 34, 0,
               100);
    echoPart(s, sec, chLead, chEcho, 3, 36, 190);
    accent(s, sec, 6, 36, true);
    accent(s, sec, 10, 42, true);
    // The build: eighths, then sixteenths, getting louder over the last two bars.
    drumLine(s, sec, 14, 1, chSnare, insSnare, "x.x.x.x.x.x.x.x.", 60, 34);
    snareRoll(s, sec, 15, 16, 30, 56);
    for (int i = 0; i < 4; ++i)
        putNote(s, sectionRow(sec, 15, 12 + i), chPerc, 57 - 3 * i, insTom, 44 + 5 * i);
    addEffect(s, sec, chPerc, insTom, xmEffect('2'), tomDrop);
    riserInto(s, sec, 16, stepSeconds(secRubber), 34);
}

// Morph: the release, the hook at full strength and a turn towards the computer rooms.
void composeMorph(Score& s, Arranger& a)
{
    const Section sec = scoreSection(secMorph);
    tempo(s, a, secMorph);
    const BarChords chords = {"Am", "F", "C", "G", "Am", "F", "C", "G", "F", "G", "E", "E"};
    padPart(s, a, sec, chords, 0, 12, 32);
    drumLine(s, sec, 0, 12, chKick, insKick, "X...x...x...x...", 60, 60);
    drumLine(s, sec, 0, 11, chSnare, insSnare, "....X......sX..s", 60, 42);
    drumLine(s, sec, 0, 11, chPerc, insClap, "....x.......x...", 60, 28);
    drumLine(s, sec, 0, 12, chHat, insHatClosed, "xgogxgogxgogxgrg", 60, 24);
    bassPart(s, sec, chords, 0, 12, "r.ror.ror.ror.ro", 44);
    arpPart(s, a, sec, chords, 0, 12, "01234321", 1, 18);
    melodyLine(s, sec, 0, chLead, insLead, hookA, 34, 0, 100);
    melodyLine(s, sec, 4, chLead, insLead, hookA, 30, 12, 100);
    melodyLine(s, sec, 8, chLead, insLead, morphTurn, 32, 0, 100);
    echoPart(s, sec, chLead, chEcho, 3, 40, 190);
    accent(s, sec, 0, 52, true);
    putNote(s, sectionRow(sec, 0, 0), chStab, 69, insStab, 40);
    accent(s, sec, 4, 40, true);
    accent(s, sec, 8, 40, true);
    snareRoll(s, sec, 11, 4, 24, 44);
}

// Computer: a techno pulse, offbeat stabs and a clipped robotic figure.
void composeComputer(Score& s, Arranger& a)
{
    const Section sec = scoreSection(secComputer);
    tempo(s, a, secComputer);
    const BarChords chords = {"Am", "Am", "F", "G", "Am", "Am", "F", "E",
                              "Dm", "Dm", "F", "G", "Am", "F",  "E"};
    padPart(s, a, sec, chords, 0, 15, 22);
    drumLine(s, sec, 0, 15, chKick, insKick, "X...x...x...x...", 60, 62);
    drumLine(s, sec, 0, 14, chSnare, insClap, "....x.......x...", 60, 44);
    drumLine(s, sec, 0, 15, chHat, insHatClosed, "xgoxxgoxxgoxxror", 60, 22);
    drumLine(s, sec, 0, 15, chPerc, insHatOpen, "..x...x...x...x.", 60, 20);
    bassPart(s, sec, chords, 0, 15, "r.rrr.rrr.rro.rr", 40);
    motifPart(s, sec, chords, 0, 15, {{2, 0, 1, 1}, {6, 1, 1, 1}, {10, 0, 1, 1}, {14, 2, 1, 1}},
              chStab, insStab, 24, 60);
    arpPart(s, a, sec, chords, 4, 11, "02130213", 1, 16);
    motifPart(
        s, sec, chords, 8, 7,
        {{0, 3, 0, 2}, {3, 3, 0, 2}, {6, 2, 0, 2}, {8, 3, 0, 2}, {11, 1, 0, 2}, {14, 2, 0, 2}},
        chLead, insLead, 28, 60);
    // The robot's voice: the stabs flutter an octave up within each note.
    addEffect(s, sec, chStab, insStab, xmEffect('0'), 0x0c);
    echoPart(s, sec, chLead, chEcho, 3, 36, 190);
    for (int bar : {0, 4, 8, 12})
        accent(s, sec, bar, bar == 0 ? 44 : 36, true);
    snareRoll(s, sec, 14, 4, 24, 44);
}

// Mother: wide and dark, half-time drums, toms, the long line doubled by bells.
void composeMother(Score& s, Arranger& a)
{
    const Section sec = scoreSection(secMother);
    tempo(s, a, secMother);
    const BarChords chords = {"Dm", "Am", "E", "Am", "F", "C", "E", "Am",
                              "Dm", "Am", "E", "F",  "G", "E", "E"};
    padPart(s, a, sec, chords, 0, 15, 36);
    drumLine(s, sec, 0, 15, chKick, insKick, "X.....x...x.....", 60, 60);
    drumLine(s, sec, 0, 15, chSnare, insSnare, "........X.......", 60, 50);
    drumLine(s, sec, 0, 15, chHat, insHatClosed, "x.x.x.x.x.x.x.x.", 60, 24);
    bassPart(s, sec, chords, 0, 15, "r.......o...r...", 44);
    arpPart(s, a, sec, chords, 0, 15, "012345", 2, 16);
    melodyLine(s, sec, 0, chLead, insLead, motherLine, 34, 0, 100);
    melodyLine(s, sec, 8, chLead, insLead, tuneBars(motherLine, 0, 4), 32, 0, 100);
    melodyLine(s, sec, 8, chBell, insBell, tuneBars(motherLine, 0, 4), 18, 12);
    melodyLine(s, sec, 12, chLead, insLead, motherEnd, 34, 0, 100);
    echoPart(s, sec, chLead, chEcho, 3, 36, 190);
    for (int bar : {0, 4, 8, 12})
        accent(s, sec, bar, 40, true);
    for (int bar : {3, 7, 11, 14})
        for (int i = 0; i < 4; ++i)
            putNote(s, sectionRow(sec, bar, 12 + i), chPerc, 57 - 3 * i, insTom, 40 + 5 * i);
    addEffect(s, sec, chPerc, insTom, xmEffect('2'), tomDrop);
}

// The interlude: a hit on every beat, each with a sync so the black screen flashes white.
void composeInterlude(Score& s, Arranger& a)
{
    const Section sec = scoreSection(secInterlude);
    tempo(s, a, secInterlude);
    padRelease(s, a, sec.startRow);
    silenceMelody(s, sec.startRow);
    static const int roots[8] = {57, 57, 53, 53, 55, 55, 52, 52};  // A A F F G G E E
    for (int beat = 0; beat < 8; ++beat) {
        const int bar = beat / 4, step = (beat % 4) * 4;
        const int volume = 40 + beat * 3;
        putNote(s, sectionRow(sec, bar, step), chKick, 60, insKick, 64);
        putNote(s, sectionRow(sec, bar, step), chPerc, 60, insCrash, 26 + beat * 2);
        putNote(s, sectionRow(sec, bar, step), chStab, roots[beat] + 12, insStab, volume);
        putNote(s, sectionRow(sec, bar, step), chBass, roots[beat] - 24, insBass, volume);
        putNote(s, sectionRow(sec, bar, step), chSnare, 60, insTom, volume);
        sync(s, sec, bar, step, 3);
    }
    riserInto(s, sec, 2, stepSeconds(secInterlude), 30);
}

// Final flight: the release, a new hook over a lifted progression, and a last build.
void composeFinal(Score& s, Arranger& a)
{
    const Section sec = scoreSection(secFinal);
    tempo(s, a, secFinal);
    const BarChords chords = {"F", "G", "Am", "C", "F", "G", "E", "Am",
                              "F", "G", "Am", "C", "F", "G", "E", "E"};
    padPart(s, a, sec, chords, 0, 16, 34);
    drumLine(s, sec, 0, 16, chKick, insKick, "X...x...x...x...", 60, 60);
    drumLine(s, sec, 0, 14, chSnare, insSnare, "....X..s....X..s", 60, 42);
    drumLine(s, sec, 0, 14, chPerc, insClap, "....x.......x...", 60, 28);
    drumLine(s, sec, 0, 16, chHat, insHatClosed, "xgogxgogxgogxgrg", 60, 24);
    bassPart(s, sec, chords, 0, 16, "r.ror.ror.ror.ro", 44);
    arpPart(s, a, sec, chords, 0, 16, "01234321", 1, 18);
    melodyLine(s, sec, 0, chLead, insLead, finalHook, 32, 0, 100);
    melodyLine(s, sec, 8, chLead, insLead, tuneBars(finalHook, 0, 4), 34, 0, 100);
    melodyLine(s, sec, 12, chLead, insLead, finalClose, 36, 0, 100);
    echoPart(s, sec, chLead, chEcho, 3, 40, 190);
    motifPart(s, sec, chords, 8, 8, {{0, 0, 2, 0}, {8, 2, 1, 0}}, chBell, insBell, 18, 64);
    for (int bar : {0, 4, 8, 12})
        accent(s, sec, bar, bar == 0 ? 52 : 40, true);
    drumLine(s, sec, 14, 1, chSnare, insSnare, "x.x.x.x.x.x.x.x.", 60, 36);
    snareRoll(s, sec, 15, 16, 30, 56);
    riserInto(s, sec, 16, stepSeconds(secFinal), 34);
}

// The ending: one A major chord, held and left to fade; the song then starts over quietly.
void composeEnding(Score& s, Arranger& a)
{
    const Section sec = scoreSection(secEnding);
    tempo(s, a, secEnding);
    silenceMelody(s, sec.startRow);
    accent(s, sec, 0, 56, true);
    putNote(s, sectionRow(sec, 0, 0), chBass, 33, insBass, 50);
    putNote(s, sectionRow(sec, 0, 0), chStab, 69, insStab, 44);
    putNote(s, sectionRow(sec, 0, 0), chLead, 73, insLead, 30, xmEffect('8'), 100);
    putNote(s, sectionRow(sec, 0, 0), chEcho, 76, insLead, 20, xmEffect('8'), 190);
    putNote(s, sectionRow(sec, 0, 4), chBell, 81, insBell, 30);
    putNote(s, sectionRow(sec, 1, 0), chBell, 85, insBell, 22);
    putNote(s, sectionRow(sec, 1, 8), chBell, 88, insBell, 16);
    putNote(s, sectionRow(sec, 2, 0), chBell, 93, insBell, 12);
    padPart(s, a, sec, {"A"}, 0, 1, 40);
    for (int k = 0; k < 3; ++k)
        swell(s, sectionRow(sec, 0, 8), 24, chPad0 + k, fineSlideDown1);
    putNoteOff(s, sectionRow(sec, 1, 0), chBass);
    putNoteOff(s, sectionRow(sec, 1, 0), chLead);
    putNoteOff(s, sectionRow(sec, 1, 0), chEcho);
    padRelease(s, a, sectionRow(sec, 1, 8));
}

}  // namespace

Score composeScore()
{
    Score s = makeScore(scoreRows());
    Arranger a;
    composeIntro(s, a);
    composeFlames(s, a);
    composeOpening(s, a);
    composeCredits(s, a);
    composeSpace(s, a);
    composeTunnel(s, a);
    composeWave(s, a);
    composeCosmos(s, a);
    composeSun(s, a);
    composeDisks(s, a);
    composeGreetings(s, a);
    composeRubber(s, a);
    composeMorph(s, a);
    composeComputer(s, a);
    composeMother(s, a);
    composeInterlude(s, a);
    composeFinal(s, a);
    composeEnding(s, a);
    // Held lead notes and their echoes sing: a delayed vibrato and a tail that falls away.
    for (int i = 0; i < soundtrackSectionCount; ++i) {
        const Section sec = scoreSection(static_cast<SoundtrackSection>(i));
        for (int ch : {chLead, chEcho}) {
            shapeHeldNotes(s, sec, ch, 6, leadVibrato, 0);
            shapeHeldNotes(s, sec, ch, 4, 0, fineSlideDown2);
        }
    }
    return s;
}
