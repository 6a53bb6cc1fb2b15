// Cosmos cross-fade, the shortest scene: two pictures of one view in two lights pulse into each
// other, shown without the trail of the previous frame. The sequencer starts it faded to white.
#include "scenes/scene.h"

#include "demo/demo.h"
#include "display/display.h"
#include "render/draw.h"

#include <cmath>

namespace {

// Steps 1 and 2: picture 0 alone at t = 0, picture 1 alone at t = 410, and back every 820.
void crossFadePictures(int32_t t)
{
    const float pulse = std::fabs(floatCos(t * rendererPi / 820));
    const auto weight = static_cast<uint8_t>(static_cast<int32_t>(pulse * 255));
    crossFade(frameBuffer.pixels, scene.pictureSlots[0], scene.pictureSlots[1], weight);
}

}  // namespace

void cosmosInit()
{
    loadPictureSlot(0, "cosmo2.jpg");
    loadPictureSlot(1, "cosmo24.jpg");
}

void cosmosRun(int32_t length, uint32_t endPosition, uint32_t endRow)
{
    timing.sceneDim = 0;
    beginSceneRun();
    while (runContinues(endPosition, endRow)) {
        readMusicPosition();
        crossFadePictures(scene.sceneTime);
        finishSceneFrameDirect(length, 0.97f);
    }
}

void cosmosFree()
{
    freePictureSlot(0);
    freePictureSlot(1);
}
