// The score notation: note and chord names, voicings, drum lines and melodies on the grid.
#include "music/arrange.h"
#include "music/compose_melodies.h"

#include <gtest/gtest.h>

#include <sstream>

namespace {

TEST(Notation, NoteAndChordNames)
{
    EXPECT_EQ(parseNoteName("A4"), 69);
    EXPECT_EQ(parseNoteName("C4"), 60);
    EXPECT_EQ(parseNoteName("C#5"), 73);
    EXPECT_EQ(parseNoteName("Bb3"), 58);
    EXPECT_EQ(parseNoteName("H4"), -1);
    EXPECT_EQ(parseNoteName("A"), -1);
    EXPECT_EQ(parseNoteName("A44"), -1);
    EXPECT_EQ(xmNoteFromMidi(69), xmNote(4, 9));
    EXPECT_EQ(xmNoteFromMidi(11), xmNoNote);
    EXPECT_EQ(xmNoteFromMidi(108), xmNoNote);

    Chord c;
    ASSERT_TRUE(parseChord("Am", c));
    EXPECT_EQ(c.root, 9);
    EXPECT_EQ(c.pitchClasses, (std::vector<int>{9, 0, 4}));
    ASSERT_TRUE(parseChord("Fmaj7", c));
    EXPECT_EQ(c.pitchClasses, (std::vector<int>{5, 9, 0, 4}));
    ASSERT_TRUE(parseChord("G#dim", c));
    EXPECT_EQ(c.pitchClasses, (std::vector<int>{8, 11, 2}));
    ASSERT_TRUE(parseChord("Esus4", c));
    EXPECT_EQ(c.pitchClasses, (std::vector<int>{4, 9, 11}));
    EXPECT_FALSE(parseChord("Xm", c));
    EXPECT_FALSE(parseChord("Amaj9", c));
}

TEST(Notation, VoicingsStayInRangeAndMoveLittle)
{
    Chord am, f, c, g, e;
    ASSERT_TRUE(parseChord("Am", am) && parseChord("F", f) && parseChord("C", c) &&
                parseChord("G", g) && parseChord("E", e));
    std::vector<int> v = voiceChord(am, {}, 50, 74);
    EXPECT_EQ(v, (std::vector<int>{57, 60, 64}));
    for (const Chord* next : {&f, &c, &g, &e, &am}) {
        const std::vector<int> w = voiceChord(*next, v, 50, 74);
        ASSERT_EQ(w.size(), 3u);
        int moved = 0;
        for (int k = 0; k < 3; ++k) {
            EXPECT_GE(w[k], 50);
            EXPECT_LE(w[k], 74);
            EXPECT_NE(std::find(next->pitchClasses.begin(), next->pitchClasses.end(), w[k] % 12),
                      next->pitchClasses.end());
            moved += std::abs(w[k] - v[k]);
        }
        // Neighbouring chords of the key share notes: no voice leaps far.
        EXPECT_LE(moved, 6);
        v = w;
    }
}

TEST(Notation, DrumLinesAndMelodiesLandOnTheirRows)
{
    Score s = makeScore(96);
    const Section half{0, 3, 1};
    const Section fine{48, 1, 2};
    drumLine(s, half, 1, 5, chKick, insKick, "X...x...o...g...", 60, 64);
    EXPECT_EQ(scoreCell(s, 15, chKick).note, xmNoNote) << "bar 0 left alone";
    EXPECT_EQ(scoreCell(s, 16, chKick).volume, xmVolume(64));
    EXPECT_EQ(scoreCell(s, 20, chKick).volume, xmVolume(48));
    EXPECT_EQ(scoreCell(s, 24, chKick).volume, xmVolume(32));
    EXPECT_EQ(scoreCell(s, 28, chKick).volume, xmVolume(18));
    EXPECT_EQ(scoreCell(s, 32, chKick).instrument, insKick) << "repeats in the next bar";
    EXPECT_EQ(scoreCell(s, 48, chKick).note, xmNoNote) << "stops at the section's end";

    // Two rows per step: the melody's steps fall on even rows of its section.
    const int steps = melodyLine(s, fine, 0, chLead, insLead, "A4 - . C5 _ B4", 40, 12, 90);
    EXPECT_EQ(steps, 6);
    EXPECT_EQ(scoreCell(s, 48, chLead).note, xmNoteFromMidi(81));
    EXPECT_EQ(scoreCell(s, 48, chLead).effect, xmEffect('8'));
    EXPECT_EQ(scoreCell(s, 48, chLead).param, 90);
    EXPECT_EQ(scoreCell(s, 52, chLead).note, xmNoteOff);
    EXPECT_EQ(scoreCell(s, 54, chLead).note, xmNoteFromMidi(84));
    EXPECT_EQ(scoreCell(s, 56, chLead).note, xmNoNote);
    EXPECT_EQ(scoreCell(s, 58, chLead).note, xmNoteFromMidi(83));

    // Control commands fill the two control channels, then the effect-free riser channel.
    EXPECT_TRUE(putControl(s, 0, xmEffectSetSpeed, 3));
    EXPECT_TRUE(putControl(s, 0, xmEffectSetSpeed, 129));
    EXPECT_TRUE(putControl(s, 0, xmEffectSync, 1));
    EXPECT_EQ(scoreCell(s, 0, chFx).effect, xmEffectSync);
    EXPECT_FALSE(putControl(s, 0, xmEffectSync, 2));
}

TEST(Notation, EveryTuneIsWholeBarsOfValidTokens)
{
    const char* tunes[] = {hookA,     hookB,     flightLine, tunnelLine, greetingsLine, motherLine,
                           motherEnd, finalHook, finalClose, morphTurn,  cosmosBells};
    for (const char* tune : tunes) {
        std::istringstream in(tune);
        std::string token;
        int count = 0;
        while (in >> token) {
            ++count;
            EXPECT_TRUE(token == "-" || token == "." || token == "_" || parseNoteName(token) >= 0)
                << "token '" << token << "' in " << tune;
        }
        EXPECT_EQ(count % 16, 0) << tune;
        EXPECT_GT(count, 0);
    }
    // Cutting bars out of a tune keeps whole bars.
    EXPECT_EQ(tuneBars(hookA, 1, 1), "C5 - - - A4 - - - - - - - G4 - A4 - ");
    EXPECT_EQ(tuneBars(hookA, 3, 4), tuneBars(hookA, 3, 1));
    EXPECT_EQ(tuneBars(hookA, 4, 1), "");
}

TEST(Notation, SectionsFillTheScoreAndThePatternsCutItAtTheShowsBoundaries)
{
    const std::vector<int> rows = soundtrackPatternRows();
    int total = 0;
    std::vector<int> orderStart;
    for (int r : rows) {
        orderStart.push_back(total);
        EXPECT_GE(r, 1);
        EXPECT_LE(r, 256);
        total += r;
    }
    EXPECT_EQ(total, scoreRows());
    // Each section starts at the order and row the show waits for.
    const struct {
        SoundtrackSection section;
        int order, row;
    } starts[] = {
        {secFlames, 1, 0},    {secOpening, 2, 0},    {secCredits, 2, 32},   {secSpace, 7, 0},
        {secTunnel, 12, 16},  {secWave, 17, 0},      {secCosmos, 23, 0},    {secSun, 25, 0},
        {secDisks, 33, 0},    {secGreetings, 41, 0}, {secRubber, 44, 0},    {secMorph, 55, 0},
        {secComputer, 63, 0}, {secMother, 73, 0},    {secInterlude, 83, 0}, {secFinal, 84, 0},
    };
    for (const auto& s : starts)
        EXPECT_EQ(scoreSection(s.section).startRow, orderStart.at(s.order) + s.row)
            << sectionPlan(s.section).name;
}

}  // namespace
