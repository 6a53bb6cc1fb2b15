// Disks: the mirrors' mesh (an encoded 3DS file), the two backdrops and the word sprites.
#pragma once

#include "canvas.h"

#include <cstdint>
#include <string>
#include <vector>

std::vector<uint8_t> buildDisksMesh();
Picture paintDisksBackdropCool();
Picture paintDisksBackdropWarm();
// One word as metal letters with a coloured glow; false (with a message) without the fonts.
bool paintDisksWord(Picture& picture, const std::string& word, bool gold, Rgb glow);
