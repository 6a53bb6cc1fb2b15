// The program's icon: 32 x 32 pixels, each an index into the 16 colours of iconPalette.
#pragma once

#include <cstdint>
#include <string>

constexpr int iconSize = 32;
extern const uint8_t iconPalette[16][3];  // red, green, blue
void paintIcon(uint8_t (&indices)[iconSize][iconSize]);
// Writes the icon as a 4-bit (16-colour) BMP file.
bool writeIcon(const std::string& path);
// Writes the icon as a 32 x 32 PNG with an alpha channel, for the desktop's icon theme.
bool writeIconPng(const std::string& path);
