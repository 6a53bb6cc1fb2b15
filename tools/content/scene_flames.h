// Flames: the temple's mesh (an encoded 3DS file) and the face textures it names.
#pragma once

#include "canvas.h"

#include <cstdint>
#include <vector>

std::vector<uint8_t> buildFlamesMesh();
Picture paintFlamesStone();
Picture paintFlamesFloor();
Picture paintFlamesDome();
Picture paintFlamesGold();
