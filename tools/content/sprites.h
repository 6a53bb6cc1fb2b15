// The light sprites, the lens-flare ring and the environment map that several scenes share.
#pragma once

#include "canvas.h"

// The environment map is addressed by 8-bit texture coordinates in both directions.
constexpr int envMapSize = 256;

Picture paintLightRed();
Picture paintLightGreen();
Picture paintLightBlue();
Picture paintLightFlame();
Picture paintLightStar();
Picture paintLightSmallRed();
Picture paintLightSmallBlue();
Picture paintFlareRing();
Picture paintEnvironmentMap();
