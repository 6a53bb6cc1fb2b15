// Credits, the second scene: the keyframed, environment-mapped logo "&logo.3ds" turns in front of
// the opening picture while music cues choose the pair of credit cards pulsing at the right; the
// first cue 1 also fires a white flash.
#include "scenes/scene.h"

#include "demo/demo.h"
#include "display/display.h"
#include "shell/shell.h"

#include <cmath>
#include <cstring>

namespace {

enum CreditsSlot : int {
    slotGroup = 0,
    slotCode = 1,
    slotGraphics = 2,
    slotMusic = 3,
    slotName = 4,
};

// Logo faces are drawn light-mapped with the highlight added, their texture coordinates taken from
// the environment mapping.
constexpr DrawMode logoMode = modeHighlight;
constexpr float frameDivisor = 40.0f;
constexpr float lightSpriteSize = 150.0f;
constexpr float fadeFraction = 0.95f;

struct CreditsState {
    int32_t creditCue = 0;
    int flashPending = 1;
};
CreditsState credits;

// The two cards of a cue: lower and upper texture slots, -1 for none.
struct CardPair {
    int lower, upper;
};
CardPair cardsForCue(int32_t cue)
{
    switch (cue) {
    case 1: return {slotGroup, slotCode};
    case 2: return {slotGroup, slotGraphics};
    case 3: return {slotName, slotGraphics};
    case 4: return {slotGroup, slotMusic};
    default: return {-1, -1};
    }
}

// Step 1: the opening picture behind everything.
void copyBackground()
{
    if (scene.backgroundPicture != nullptr)
        copyBuffer(frameBuffer.pixels, scene.backgroundPicture, viewPixels / 2);
    else
        std::memset(frameBuffer.pixels, 0, sizeof frameBuffer.pixels);
}

// Steps 2 to 5: the logo placed by its tracks in front of a fixed eye, environment-mapped, with
// the lights on their tracks, through the common pipeline.
void drawLogo(int32_t t)
{
    const Vec3 eye{0, 25, 50};
    const Vec3 target{0, 0, 0};
    Matrix4 view;
    orbitView(eye, target, view);
    const float f = static_cast<float>(t) / frameDivisor;
    for (int k = 0; k < mesh.objectCount && k < maxMeshObjects; ++k) {
        MeshObject& object = mesh.objects[k];
        Matrix4 m;
        placeObject(object, view, f, m);
        transformVertices(object.firstVertex, object.lastVertex, m);
        environmentMap(object.firstVertex, object.lastVertex);
        transformFaceNormals(object.firstFace, object.lastFace, m);
    }
    evalLightTracks(f);
    transformLights(view);
    fillDrawList();
    drawDrawList();
}

// Step 6: the cue is read, not taken, so its cards stay until the next one; the first cue 1
// flashes the picture 63 steps toward white and the scene's own fade-out goes to black.
void readCreditCue()
{
    CreditsState& s = credits;
    s.creditCue = syncEvent.load();
    if (s.creditCue == 1 && s.flashPending == 1) {
        s.flashPending = 0;
        timing.endFadeToWhite = 0;
        timing.fadeLevel = 63;
        timing.fadeToWhite = 1;
        timing.fadeState = fadeIn;
    }
}

// Step 7: the cue's two cards pulsing at the right.
void drawCards(int32_t t, int32_t cue)
{
    const CardPair pair = cardsForCue(cue);
    if (pair.lower < 0)
        return;
    const double a140 = t * rendererPi / 140;
    drawSlotSprite(pair.lower, 270, 180, saturatingTrunc(128 - 32 * floatCos(a140)),
                   saturatingTrunc(64 - 16 * floatCos(t * rendererPi / 280)));
    drawSlotSprite(pair.upper, 270, 150, saturatingTrunc(128 - 32 * floatSin(a140)),
                   saturatingTrunc(64 - 16 * floatSin(t * rendererPi / 180)));
}

}  // namespace

void creditsInit()
{
    loadTextureSlot(slotGroup, "t_zem.jpg");
    loadTextureSlot(slotCode, "t_code.jpg");
    loadTextureSlot(slotGraphics, "t_gfx.jpg");
    loadTextureSlot(slotMusic, "t_music.jpg");
    loadTextureSlot(slotName, "t_kfr.jpg");
    loadSceneMesh("&logo.3ds");
    if (checkSceneData(mesh.objectCount > 0, "credits",
                       "&logo.3ds has no object: no logo is drawn")) {
        const MeshObject& logo = mesh.objects[0];
        for (int i = logo.firstFace; i <= logo.lastFace && i < mesh.faceCount; ++i)
            if (i >= 0)
                mesh.faces[i].mode = logoMode;
    }
    for (int i = 0; i < mesh.lightCount && i < maxMeshLights; ++i)
        mesh.lights[i].spriteSlot = slotCode;
    prepareMeshNormals();
}

void creditsRun(int32_t length, uint32_t endPosition, uint32_t endRow)
{
    credits = CreditsState{};
    syncEvent.store(0);
    timing.sceneDim = 0;
    setLightSpriteSizes(lightSpriteSize);
    beginSceneRun();
    while (runContinues(endPosition, endRow)) {
        readMusicPosition();
        const int32_t t = scene.sceneTime;
        copyBackground();
        drawLogo(t);
        readCreditCue();
        drawCards(t, credits.creditCue);
        finishSceneFrame(length, fadeFraction);
    }
}

void creditsFree()
{
    freeTextureSlots(slotGroup, slotName);
    free3ds();
}
