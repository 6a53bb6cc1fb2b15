// Sun and code: the keyframed star system "x2.3ds" with twenty extra glow lights winding round
// the sun on a sphere-like path, the sun emblem added into the top-right corner and the tall
// strip of program code scrolling up the left side.
#include "scenes/scene.h"

#include "render/draw.h"

#include "demo/demo.h"
#include "display/display.h"
#include "shell/shell.h"

#include <cmath>

namespace {

enum SunCodeSlot : int {
    slotStar = 0,    // sprite of light 0
    slotSpiral = 1,  // sprite of the twenty spiral lights
    slotGlow = 2,    // sprite of lights 1 to 3
    slotCorner = 3,  // the corner sun
    slotCode = 4,    // the code strip, its height field set to the rows shown
};

constexpr int spiralLightCount = 20;
constexpr float frameDivisor = 23.0f;
constexpr float lightSpriteK = 25.0f;
// The strip shows 200 rows at a time and scrolls through 499 rows before it starts over, so it
// needs 498 + 200 rows.
constexpr int codeShownRows = 200;
constexpr int codeScrollRows = 499;
constexpr int codeNeededRows = codeScrollRows - 1 + codeShownRows;

struct SunCodeState {
    int32_t firstSpiralLight = 0;    // the light count at run start
    int spiralLights = 0;            // spiral lights the run could append
    uint32_t* codePixels = nullptr;  // the strip's loaded pixels, put back on leaving
    int32_t codeRows = 0;            // the strip's loaded height
    int32_t codeLastRow = 0;         // the farthest first row the strip can show
    bool drawCorner = false;
    bool drawCode = false;
};
SunCodeState sunCode;

void setFaceModes(int firstFace, int lastFace, DrawMode mode)
{
    for (int i = firstFace; i <= lastFace && i < mesh.faceCount; ++i)
        mesh.faces[i].mode = mode;
}

// Step 1: the twenty extra lights wind round height 80 at 20 to 60 units from the centre.
void moveSpiralLights(int32_t t)
{
    const float s = static_cast<float>(t) * 0.01f;
    for (int i = 0; i < sunCode.spiralLights; ++i) {
        const float a = static_cast<float>(4 * i) + s;
        const float b = s * 0.5f + static_cast<float>(i);
        const float r = 20.0f * floatCos(a) + 40.0f;
        MeshLight& light = mesh.lights[sunCode.firstSpiralLight + i];
        light.x = floatCos(b) * floatCos(a) * r;
        light.z = floatSin(b) * floatCos(a) * r;
        light.y = floatSin(a) * r + 80.0f;
    }
}

// Step 5: the corner sun at the top right and the strip from its current row at the top left.
void addOverlays()
{
    const Texture& corner = scene.textureSlots[slotCorner];
    if (sunCode.drawCorner)
        addBlock(frameBuffer.pixels, static_cast<uint8_t>(corner.width),
                 static_cast<uint8_t>(corner.height), corner.pixels, viewWidth - corner.width, 0);
    const Texture& code = scene.textureSlots[slotCode];
    if (sunCode.drawCode)
        addBlock(frameBuffer.pixels, static_cast<uint8_t>(code.width),
                 static_cast<uint8_t>(codeShownRows), code.pixels, 0, 0);
}

}  // namespace

// The third is the float nearest to 0.33333333 (0.3333333432...) and the product is a float, so
// for t = 3n the product rounds to n itself, never a hair below: at t = 1497 the row is 499,
// which starts over at 0.
int32_t codeStripRow(int32_t t)
{
    return saturatingTrunc(static_cast<float>(t) * 0.33333333f) % codeScrollRows;
}

namespace {

// Step 6: the strip scrolls up one row every 3 time units and starts over after 499 rows; a
// strip shorter than that stops at its last full window.
void scrollCode(int32_t t)
{
    if (!sunCode.drawCode)
        return;
    int32_t row = codeStripRow(t);
    if (row > sunCode.codeLastRow)
        row = sunCode.codeLastRow;
    Texture& code = scene.textureSlots[slotCode];
    code.pixels = sunCode.codePixels + static_cast<size_t>(row) * static_cast<size_t>(code.width);
}

}  // namespace

void sunCodeInit()
{
    loadTextureSlot(slotStar, "light_s.jpg");
    loadTextureSlot(slotSpiral, "light_bs.jpg");
    loadTextureSlot(slotGlow, "light_rs.jpg");
    loadTextureSlot(slotCorner, "nsun.jpg");
    loadTextureSlot(slotCode, "mmxcode.jpg");
    sunCode = SunCodeState{};
    Texture& code = scene.textureSlots[slotCode];
    sunCode.codeRows = code.height;
    code.height = codeShownRows;
    loadSceneMesh("x2.3ds");

    const Texture& corner = scene.textureSlots[slotCorner];
    // The block blits take their sizes as bytes (0 meaning 256).
    sunCode.drawCorner =
        checkSceneData(corner.pixels != nullptr && corner.width >= 1 && corner.width <= 256 &&
                           corner.height >= 1 && corner.height <= viewHeight,
                       "sun-code", "nsun.jpg is not at most 256 x 200: no corner sun");
    sunCode.drawCode = checkSceneData(
        code.pixels != nullptr && code.width >= 1 && code.width <= 256 &&
            sunCode.codeRows >= codeShownRows,
        "sun-code", "mmxcode.jpg is not 1 to 256 wide and 200 rows high: no code strip");
    if (sunCode.drawCode)
        checkSceneData(sunCode.codeRows >= codeNeededRows, "sun-code",
                       "mmxcode.jpg has fewer than 698 rows: its scroll stops at the last rows");
    sunCode.codeLastRow = sunCode.drawCode ? sunCode.codeRows - codeShownRows : 0;

    if (checkSceneData(mesh.lightCount >= 4, "sun-code", "x2.3ds has fewer than 4 lights"))
        for (int i = 0; i < 4; ++i)
            mesh.lights[i].spriteSlot = i == 0 ? slotStar : slotGlow;
    else if (mesh.lightCount >= 1)
        mesh.lights[0].spriteSlot = slotStar;
    if (checkSceneData(mesh.objectCount >= 2, "sun-code", "x2.3ds has fewer than 2 objects")) {
        setFaceModes(mesh.objects[0].firstFace, mesh.objects[0].lastFace, modePointLit);
        setFaceModes(mesh.objects[1].firstFace, mesh.objects[1].lastFace, modeCopy);
    }
    prepareMeshNormals();
}

void sunCodeRun(int32_t length, uint32_t endPosition, uint32_t endRow)
{
    SunCodeState& s = sunCode;
    s.firstSpiralLight = mesh.lightCount;
    s.spiralLights = 0;
    for (int i = 0; i < spiralLightCount; ++i)
        if (appendLight(0, 0, 0, slotSpiral) >= 0)
            ++s.spiralLights;
    s.codePixels = scene.textureSlots[slotCode].pixels;
    timing.sceneDim = 0;
    beginSceneRun();

    while (runContinues(endPosition, endRow)) {
        readMusicPosition();
        const int32_t t = scene.sceneTime;
        moveSpiralLights(t);

        const float f = static_cast<float>(t) / frameDivisor;
        drawKeyframedFrame(f, lightSpriteK);
        addOverlays();
        scrollCode(t);
        finishSceneFrame(length, 0.96f);
    }
    mesh.lightCount = s.firstSpiralLight;
    scene.textureSlots[slotCode].pixels = s.codePixels;
}

void sunCodeFree()
{
    freeTextureSlots(slotStar, slotCode);
    free3ds();
}
