// Tunnel: the camera glides and rolls round the inside of the ring-shaped tunnel "zemtun3.3ds",
// eight lights circle its axis as glow sprites, a small monitor with a shaking frame floats in the
// lower half showing the previous frame, and "tunback.jpg" is added over everything for a glow.
// The screen is not cleared: the tunnel covers it.
#include "scenes/scene.h"

#include "demo/demo.h"
#include "display/display.h"
#include "render/draw.h"
#include "shell/shell.h"

#include <cmath>

namespace {

enum TunnelSlot : int {
    slotMonitor = 0,  // 80 x 50 work picture: the monitor image
    slotSprite = 1,   // light sprites
};

constexpr int monitorWidth = 80;
constexpr int monitorHeight = 50;
// The run moves and draws exactly this many lights, whatever the file holds.
constexpr int tunnelLights = 8;
// Objects 1 to 3 are the tunnel's shiny parts.
constexpr int firstShinyObject = 1;
constexpr int lastShinyObject = 3;

double angle(int32_t t, double n)
{
    return t * rendererPi / n;
}

// Step 1: light i circles the vertical axis at its own radius, height and speed; light 7 is the
// fastest.
void moveLights(int32_t t)
{
    for (int i = 0; i < tunnelLights; ++i) {
        const double a = i * rendererPi / 4;
        const float r = static_cast<float>(20 * floatCos(a) + 120);
        const float w = static_cast<float>(t * rendererPi / (640 - 40 * i));
        MeshLight& light = mesh.lights[i];
        light.x = static_cast<float>(r * floatCos(a + w));
        light.y = static_cast<float>(10 * floatSin(a));
        light.z = static_cast<float>(r * floatSin(a + w));
    }
}

// Step 2: the eye at radius 105 looks along the circle toward radius 130, swinging to and fro, and
// the view rolls by pi · cos(t·pi/1680).
void tunnelView(int32_t t, Matrix4& view)
{
    const float a = static_cast<float>(0.3 * floatCos(angle(t, 1680)));
    const float tau = static_cast<float>(angle(t, 1500));
    const Vec3 eye{static_cast<float>(105 * floatCos(tau + a)), 0,
                   static_cast<float>(105 * floatSin(tau + a))};
    const Vec3 target{static_cast<float>(130 * floatCos(tau - a)), 0,
                      static_cast<float>(130 * floatSin(tau - a))};
    Matrix4 orbit, roll;
    orbitView(eye, target, orbit);
    matRotate(static_cast<float>(rendererPi * floatCos(angle(t, 1680))), 2, roll);
    matMultiply(roll, orbit, view);
}

// Steps 6 and 7: the monitor, the last frame's shrunk picture added at a jittered place that slides
// left and right, framed by a jittering glow box; then the frame, monitor included, is shrunk for
// the next.
void drawMonitor(int32_t t)
{
    Texture& monitor = scene.textureSlots[slotMonitor];
    const float s = static_cast<float>(40 * floatCos(angle(t, 420)) + 50);
    const int jitterY = nextRandom() >> 13;
    const int jitterX = nextRandom() >> 13;
    addBlock(frameBuffer.pixels, monitorWidth, monitorHeight, monitor.pixels,
             saturatingTrunc(static_cast<float>(jitterX) + 64 + s), 144 + jitterY);
    drawJitterBox(frameBuffer.pixels, saturatingTrunc(s + 64), 144, monitorWidth, monitorHeight);
    shrinkToQuarter(monitor.pixels, frameBuffer.pixels);
}

// Step 5: the light sprites pulse, each a radian of phase after the one before.
void sizeLightSprites(int32_t t)
{
    for (int k = 0; k < tunnelLights; ++k)
        scene.lightSpriteSize[k] = static_cast<float>(8 * floatCos(angle(t, 210) + k) + 32);
}

}  // namespace

void tunnelInit()
{
    scene.scenePicture = loadScenePicture("tunback.jpg");
    allocateTextureSlot(slotMonitor, monitorWidth, monitorHeight);
    loadTextureSlot(slotSprite, "light_rs.jpg");
    loadSceneMesh("zemtun3.3ds");
    checkSceneData(mesh.objectCount > lastShinyObject, "tunnel",
                   "zemtun3.3ds has fewer than 4 objects: only those it has are shiny");
    checkSceneData(mesh.lightCount >= tunnelLights, "tunnel",
                   "zemtun3.3ds has fewer than 8 lights: the scene places all eight itself");
    if (mesh.objectCount > firstShinyObject) {
        const int last =
            mesh.objectCount > lastShinyObject ? lastShinyObject : mesh.objectCount - 1;
        for (int f = mesh.objects[firstShinyObject].firstFace; f <= mesh.objects[last].lastFace;
             ++f)
            if (f >= 0 && f < mesh.faceCount)
                mesh.faces[f].mode = modeHighlight;
    }
    for (int i = 0; i < tunnelLights; ++i)
        mesh.lights[i].spriteSlot = slotSprite;
    prepareMeshNormals();
}

void tunnelRun(int32_t length, uint32_t endPosition, uint32_t endRow)
{
    const int32_t loadedLights = mesh.lightCount;
    mesh.lightCount = tunnelLights;
    beginSceneRun();
    while (runContinues(endPosition, endRow)) {
        readMusicPosition();
        const int32_t t = scene.sceneTime;
        moveLights(t);
        Matrix4 view;
        tunnelView(t, view);
        const float f = static_cast<float>(t) / 30.0f;
        placeObjects(view, f);
        transformLights(view);
        fillDrawList();
        sizeLightSprites(t);
        drawDrawList();
        drawMonitor(t);
        addBuffer(frameBuffer.pixels, scene.scenePicture, viewPixels / 2);
        finishSceneFrame(length, 0.96f);
    }
    mesh.lightCount = loadedLights;
}

void tunnelFree()
{
    freeBuffer(scene.scenePicture);
    freeTextureSlots(slotMonitor, slotSprite);
    free3ds();
}
