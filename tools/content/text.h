// Text in Debian's DejaVu fonts: coverage masks of lines, fitted sizes, and titles with outline,
// glow and bevelled metal letters.
#pragma once

#include "canvas.h"

#include <cstdint>
#include <string>
#include <vector>

// A TrueType font file held in memory.
struct Font {
    std::vector<uint8_t> data;
};
// Reads a font file; false when it cannot be read or parsed.
bool loadFont(Font& font, const std::string& path);
// Debian's DejaVu fonts (fonts-dejavu-core), the only fonts the pictures use.
std::string dejaVuPath(const std::string& fileName);
// Reads the DejaVu font of that file name; false, with a message on standard error that names
// the package to install, when it is missing.
bool loadDejaVuFont(Font& font, const std::string& fileName);
// Renders text into a coverage mask with pad empty pixels on every side; pixelHeight is the
// font's ascent-to-descent height, tracking extra pixels between letters.
Mask renderText(const Font& font, const std::string& text, float pixelHeight, float tracking,
                int pad);
// The pixel height at which text is at most maxWidth wide (ignoring padding).
float fitTextHeight(const Font& font, const std::string& text, float maxWidth, float maxHeight,
                    float tracking);

// A finished title text: coverage of the letters, of their outline and of the glow around them,
// all the same size, with the bevel lighting of the letters.
struct TitleText {
    Mask letters;
    Mask outline;
    Mask glow;
    Mask light;
    // First and last rows of the masks that hold letter ink (coverage above one half).
    int inkTop = 0;
    int inkBottom = 0;
};
// Renders text with room for an outline of outlineWidth pixels and a glow of glowRadius pixels.
TitleText makeTitleText(const Font& font, const std::string& text, float pixelHeight,
                        float tracking, int outlineWidth, int glowRadius, int bevelDepth);
// Paints a title text at (x, y): the glow added in glowColour, the outline blended in
// outlineColour, the letters filled by metal (chrome or gold by rows) lit by the bevel.
void paintTitleText(Canvas& canvas, const TitleText& title, int x, int y, bool gold,
                    Rgb outlineColour, Rgb glowColour, float glowStrength);
