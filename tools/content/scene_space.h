// Space flight and Final flight: face textures of "space1.3ds" and "space2.3ds", the meshes, and
// the end credits strip, which scrolls 804 rows plus a screen over the right side.
#pragma once

#include "canvas.h"

#include <cstdint>
#include <vector>

constexpr int endCreditsWidth = 160;
constexpr int endCreditsHeight = 1024;

Picture paintFlightSky();
Picture paintStationHull();
Picture paintStationWindows();
Picture paintGateRing();
Picture paintAsteroidRock();
Picture paintHomePlanet();
Picture paintFarSky();
Picture paintShipHull();
Picture paintEngineExhaust();
Picture paintNebulaVeil();
Picture paintPlanetRings();
std::vector<uint8_t> encodeSpaceFlightMesh();
std::vector<uint8_t> encodeFinalFlightMesh();
// false (with a message) when the fonts are missing.
bool paintEndCredits(Picture& picture);
