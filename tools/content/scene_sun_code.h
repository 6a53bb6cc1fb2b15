// Sun and code: the planetary system's mesh (an encoded 3DS file), its textures and the scrolling
// code strip.
#pragma once

#include "canvas.h"

#include <cstdint>
#include <vector>

std::vector<uint8_t> buildSunCodeMesh();
Picture paintSunSurface();
Picture paintPlanetBands();
Picture paintSpaceSky();
Picture paintCornerSun();
// false (with a message) when the fonts are missing.
bool paintCodeStrip(Picture& picture);
