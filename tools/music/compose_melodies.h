// The soundtrack's tunes, one token per sixteenth note (see melodyLine), four bars a line.
#pragma once

// The main hook over Am | F | C | G.
constexpr const char* hookA =
    "A4 - C5 - E5 - - - D5 - C5 - D5 - - - "
    "C5 - - - A4 - - - - - - - G4 - A4 - "
    "E5 - G5 - E5 - D5 - C5 - - - D5 - E5 - "
    "D5 - - - - - B4 - G4 - - - - - - . ";
// Its answer over Am | F | C | E, ending on the leading tone.
constexpr const char* hookB =
    "A4 - C5 - E5 - - - A5 - G5 - E5 - - - "
    "F5 - - - E5 - C5 - - - A4 - C5 - - - "
    "E5 - - - D5 - C5 - G4 - - - C5 - D5 - "
    "B4 - - - - - - - G#4 - - - B4 - - . ";
// Long soaring notes for the flight over Am | F | G | E.
constexpr const char* flightLine =
    "E5 - - - - - - - D5 - - - C5 - - - "
    "C5 - - - - - - - A4 - - - C5 - - - "
    "D5 - - - - - - - B4 - - - D5 - - - "
    "E5 - - - - - - - - - - - G#5 - - - ";
// The tunnel's dark line over Am | Am | F | E | Dm | F | E.
constexpr const char* tunnelLine =
    "A4 - - - - - - - C5 - B4 - A4 - - - "
    "E5 - - - - - - - F5 - E5 - D5 - - - "
    "C5 - - - - - - - A4 - - - F4 - A4 - "
    "G#4 - - - - - - - B4 - - - E5 - - - "
    "F5 - - - - - - - E5 - D5 - A4 - - - "
    "C5 - - - - - - - D5 - - - E5 - F5 - "
    "G#5 - - - - - - - E5 - - - B4 - - . ";
// Greetings: a playful line over C | G | Am | F.
constexpr const char* greetingsLine =
    "E5 - G5 - C6 - - - G5 - E5 - G5 - - - "
    "D5 - G5 - B5 - - - G5 - D5 - B4 - - - "
    "C5 - E5 - A5 - - - E5 - C5 - E5 - - - "
    "F5 - - - E5 - - - D5 - - - C5 - - . ";
// Mother: slow and wide over Dm | Am | E | Am | F | C | E | Am.
constexpr const char* motherLine =
    "F5 - - - - - - - E5 - - - D5 - - - "
    "E5 - - - - - - - C5 - - - A4 - - - "
    "B4 - - - - - - - G#4 - - - B4 - - - "
    "A4 - - - - - - - - - - - C5 - E5 - "
    "A5 - - - - - - - G5 - - - F5 - - - "
    "E5 - - - - - - - G5 - - - C6 - - - "
    "B5 - - - - - - - G#5 - - - E5 - - - "
    "A5 - - - - - - - - - - - - - - . ";
// Mother's close over G | E | E.
constexpr const char* motherEnd =
    "D6 - - - B5 - - - G5 - - - D5 - - - "
    "E5 - - - - - - - - - - - - - - - "
    "G#5 - - - - - - - B5 - - - E6 - - . ";
// The finale's hook over F | G | Am | C, then F | G | E | Am.
constexpr const char* finalHook =
    "C6 - - - A5 - - - C6 - D6 - C6 - A5 - "
    "B5 - - - G5 - - - D5 - - - G5 - B5 - "
    "C6 - - - B5 - A5 - E5 - - - A5 - B5 - "
    "C6 - - - - - - - E6 - - - D6 - C6 - "
    "A5 - - - C6 - - - F5 - - - A5 - C6 - "
    "D6 - - - B5 - - - G5 - - - B5 - D6 - "
    "E6 - - - D6 - B5 - G#5 - - - B5 - - - "
    "A5 - - - - - - - E5 - - - A5 - C6 - ";
// The finale's last phrase over F | G | E | E, rising to the final chord.
constexpr const char* finalClose =
    "A5 - - - C6 - - - F5 - - - A5 - C6 - "
    "D6 - - - B5 - - - G5 - - - B5 - D6 - "
    "E6 - - - - - - - D6 - - - B5 - - - "
    "G#5 - - - - - - - B5 - - - D6 - E6 - ";
// Morph's turn over F | G | E | E.
constexpr const char* morphTurn =
    "A5 - - - G5 - F5 - E5 - - - C5 - - - "
    "D5 - - - E5 - - - G5 - - - B5 - - - "
    "G#5 - - - - - - - E5 - - - B4 - - - "
    "E5 - - - - - - - - - - - - - - . ";
// Cosmos: two slow bell phrases over Fmaj7 | Esus4 E.
constexpr const char* cosmosBells =
    "C6 - - - - - - - A5 - - - - - - - "
    "B5 - - - - - - - G#5 - - - E5 - - - ";
