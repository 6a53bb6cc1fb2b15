// The two space flights: keyframed 3D flights through "space1.3ds" and "space2.3ds" with camera,
// objects and lights on their tracks and every light drawn as a glow. Space flight (scene 3) adds
// a lens flare while the scene is young and a picture-in-picture monitor of the previous frame;
// Final flight (scene 14, the last) scrolls the end credits strip over the right side. Neither
// clears the screen: the mesh covers it and the trail blends in the previous frame.
#include "scenes/scene.h"

#include "demo/demo.h"
#include "display/display.h"
#include "render/draw.h"
#include "shell/shell.h"

#include <algorithm>

namespace {

enum FlightSlot : int {
    slotMonitor = 0,  // 80 x 50 work picture: the monitor image (allocated, unused in Final flight)
    slotSprite = 1,   // light sprites
    slotOverlay = 2,  // the lens flare, or the end credits strip
};

constexpr int monitorWidth = 80;
constexpr int monitorHeight = 50;
// The flights' objects: Space flight draws its sky and gate (0, 1) and its planet (5) as plain
// copies, the station and rocks (2 to 4) light-mapped; Final flight its sky, planet and ship
// (0 to 2) as plain copies, exhaust, veils and rings (3 to 5) additively.
constexpr int flightObjects = 6;
constexpr DrawMode spaceFlightModes[flightObjects] = {
    modeCopy, modeCopy, modeLightMapped, modeLightMapped, modeLightMapped, modeCopy};
constexpr DrawMode finalFlightModes[flightObjects] = {modeCopy,     modeCopy,     modeCopy,
                                                      modeAdditive, modeAdditive, modeAdditive};
// The credits strip scrolls up one row every 21 time units.
constexpr float stripRowsPerTime = 1.0f / 21.0f;
// The widest strip an 8-bit block width can copy (0 standing for 256).
constexpr int widestStrip = 256;

struct FlightState {
    bool drawFlare = false;           // the mesh has light 0
    uint32_t* stripPixels = nullptr;  // the strip as loaded
    int32_t stripHeight = 0;          // its real height (the slot's height is set to 200)
    bool drawStrip = false;           // the strip's width fits a block blit
};
FlightState flight;

// Sets the drawing mode of every face of objects 0 to 5 that the mesh has.
void setObjectModes(const DrawMode (&modes)[flightObjects], const char* sceneName,
                    const char* fewObjects)
{
    checkSceneData(mesh.objectCount >= flightObjects, sceneName, fewObjects);
    for (int k = 0; k < flightObjects && k < mesh.objectCount; ++k)
        for (int f = mesh.objects[k].firstFace; f <= mesh.objects[k].lastFace && f < mesh.faceCount;
             ++f)
            if (f >= 0)
                mesh.faces[f].mode = modes[k];
}

// What both inits share, in this order: the monitor buffer, the sprites, the overlay picture, the
// mesh with every light drawn from the sprite slot, and the drawing modes of the objects.
void initFlight(const char* sprite, const char* overlay, const char* meshName,
                const DrawMode (&modes)[flightObjects], const char* sceneName,
                const char* fewObjects)
{
    allocateTextureSlot(slotMonitor, monitorWidth, monitorHeight);
    loadTextureSlot(slotSprite, sprite);
    loadTextureSlot(slotOverlay, overlay);
    loadSceneMesh(meshName);
    for (int i = 0; i < mesh.lightCount; ++i)
        mesh.lights[i].spriteSlot = slotSprite;
    setObjectModes(modes, sceneName, fewObjects);
    prepareMeshNormals();
}

// Step 5.2 of Space flight: the lower right shows the previous frame small, with the current one
// added on top of it five pixels lower and to the right.
void drawMonitor()
{
    Texture& monitor = scene.textureSlots[slotMonitor];
    copyBlock(frameBuffer.pixels, monitorWidth, monitorHeight, monitor.pixels, 230, 140);
    shrinkToQuarter(monitor.pixels, frameBuffer.pixels);
    addBlock(frameBuffer.pixels, monitorWidth, monitorHeight, monitor.pixels, 235, 145);
}

// Step 5 of Final flight: the credits strip from row trunc(t / 21) on, added at the right edge;
// only rows the strip has are drawn.
void drawCreditsStrip(int32_t t)
{
    Texture& strip = scene.textureSlots[slotOverlay];
    if (!flight.drawStrip)
        return;
    const int32_t row = saturatingTrunc(static_cast<float>(t) * stripRowsPerTime);
    const int32_t rows = std::min<int32_t>(strip.height, flight.stripHeight - row);
    if (row < 0 || rows <= 0)
        return;
    strip.pixels = flight.stripPixels + static_cast<size_t>(row) * static_cast<size_t>(strip.width);
    addBlock(frameBuffer.pixels, static_cast<uint8_t>(strip.width), static_cast<uint8_t>(rows),
             strip.pixels, viewWidth - strip.width, 0);
}

// Step 5.1 of Space flight: the lens flare on light 0 while the time is below a fifth of the
// length (in 32-bit floats).
void drawYoungFlare(int32_t t, int32_t length)
{
    const float flareEnd = 0.2f * static_cast<float>(length);
    if (flight.drawFlare && static_cast<float>(t) < flareEnd)
        drawLensFlare(slotOverlay, mesh.lights[0].sx, mesh.lights[0].sy, -1.0f);
}

}  // namespace

void spaceFlightInit()
{
    flight = FlightState{};
    initFlight("light_f.jpg", "blik.jpg", "space1.3ds", spaceFlightModes, "space-flight",
               "space1.3ds has fewer than 6 objects");
    flight.drawFlare = checkSceneData(mesh.lightCount >= 1, "space-flight",
                                      "space1.3ds has no light 0: no lens flare");
}

void spaceFlightRun(int32_t length, uint32_t endPosition, uint32_t endRow)
{
    timing.sceneDim = 0;
    beginSceneRun();
    while (runContinues(endPosition, endRow)) {
        readMusicPosition();
        const int32_t t = scene.sceneTime;
        drawKeyframedFrame(static_cast<float>(t) * (1.0f / 30.0f), 1000.0f);
        drawYoungFlare(t, length);
        drawMonitor();
        finishSceneFrame(length, 0.95f);
    }
}

void spaceFlightFree()
{
    freeTextureSlots(slotMonitor, slotOverlay);
    free3ds();
}

void finalFlightInit()
{
    flight = FlightState{};
    initFlight("light_rs.jpg", "titry2.jpg", "space2.3ds", finalFlightModes, "final-flight",
               "space2.3ds has fewer than 6 objects");
    // The strip's height field becomes 200, the rows one screen shows; its real height is kept.
    Texture& strip = scene.textureSlots[slotOverlay];
    flight.stripPixels = strip.pixels;
    flight.stripHeight = strip.height;
    flight.drawStrip =
        checkSceneData(strip.pixels != nullptr && strip.width >= 1 && strip.width <= widestStrip,
                       "final-flight", "titry2.jpg is not 1 to 256 pixels wide: no credits");
    strip.height = viewHeight;
}

void finalFlightRun(int32_t length, uint32_t /*endPosition*/, uint32_t /*endRow*/)
{
    timing.sceneDim = 0;
    beginSceneRun();
    while (scene.sceneTime < length && !quitRequested()) {
        const int32_t t = scene.sceneTime;
        drawKeyframedFrame(static_cast<float>(t) / 33.0f, 150.0f);
        drawCreditsStrip(t);
        finishSceneFrame(length, 0.95f);
    }
    scene.textureSlots[slotOverlay].pixels = flight.stripPixels;
}

void finalFlightFree()
{
    freeTextureSlots(slotMonitor, slotOverlay);
    free3ds();
}
