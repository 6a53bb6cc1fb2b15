// Rubber: the hall's mesh (an encoded 3DS file), its panels and the panorama behind it.
#pragma once

#include "canvas.h"

#include <cstdint>
#include <vector>

std::vector<uint8_t> buildRubberMesh();
Picture paintRubberPanels();
Picture paintRubberPanorama();
