// Greetings: the panel, the animated face frames, the greeting cards, the warp's veins and the
// knot's mesh (an encoded 3DS file). Painters that need the fonts return false (with a message)
// without them.
#pragma once

#include "canvas.h"

#include <cstdint>
#include <vector>

bool paintGreetingsPanel(Picture& picture);
Picture paintGreetingsFace(int frame);
bool paintGreetingCards(Picture& picture);
Picture paintWarpVeins();
std::vector<uint8_t> buildGreetingsMesh();
