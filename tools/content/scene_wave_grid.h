// Wave grid: four tiling face textures ("rubbb1.jpg" is also the Rubber column's) and the keyed
// panel over the grid (256 x 200, black where the grid shows).
#pragma once

#include "canvas.h"

Picture paintWaveCircuit();
Picture paintWavePlasma();
Picture paintWaveTiles();
Picture paintWaveFire();
// false (with a message) when the fonts are missing.
bool paintWavePanel(Picture& picture);
