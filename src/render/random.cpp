// The process-wide random sequence shared by the effects and the scenes.
#include "render/draw.h"

RandomState randomState;

int nextRandom()
{
    randomState.seed = randomState.seed * 1103515245u + 12345u;
    return static_cast<int>((randomState.seed >> 16) & 0x7FFF);
}

void resetRandom()
{
    randomState = RandomState{};
}
