// Flames, the opening scene: "flames.3ds" through its camera track, its lights as red, green and
// blue glows, three glow lights circling above it, twenty flame sprites that rise, shrink and
// restart, a camera shake on cue 2, a lens flare on vertex 250 and the title growing in at the end.
// It ends on the music's cue 1 and has no closing fade of its own.
#include "scenes/scene.h"

#include "demo/demo.h"
#include "display/display.h"
#include "shell/shell.h"

#include <cmath>

namespace {

constexpr int flameCount = 20;
constexpr int circleLightCount = 3;
// The lens flare follows this vertex of the mesh.
constexpr int flareVertex = 250;

enum FlamesSlot : int {
    slotWork = 0,  // an 80 x 50 work picture, not drawn here
    slotRed = 1,
    slotGreen = 2,
    slotBlue = 3,
    slotFlame = 4,
    slotCircle = 5,
    slotTitle = 6,
    slotFlare = 7,
};

struct FlamesState {
    int circleLights = 0;    // circling lights the init could append (3 unless the table was full)
    bool drawFlare = false;  // the mesh has the flare's vertex
    int32_t firstFlameLight = 0;
    int32_t firstCircleLight = 0;
    int flameLights = 0;  // flame lights appended by the run
    int32_t flamePhase[flameCount] = {};
    uint8_t flameSize[flameCount] = {};
    float shake = 0;
    int32_t previousTime = 0;
};
FlamesState flames;

double angle(int32_t t, double n)
{
    return t * rendererPi / n;
}

// The twenty flames: four rows through the centre at 0, 1, 2 and 3 radians, rising from height 80
// faster and faster, shrinking while they rise, restarting at a random phase above height 160.
void moveFlames(int32_t dt)
{
    FlamesState& s = flames;
    for (int i = 0; i < flameCount; ++i) {
        const float g = static_cast<float>(i / 5);
        s.flamePhase[i] += dt;
        float h = static_cast<float>(s.flamePhase[i]) * 0.01f;
        const float r = static_cast<float>(35 * std::cos(static_cast<double>(i)));
        const float x = static_cast<float>(std::cos(static_cast<double>(g)) * r);
        const float z = static_cast<float>(std::sin(static_cast<double>(g)) * r);
        float y = 4.0f * h * h + 10.0f * h + 80.0f;
        if (y > 160.0f) {
            s.flamePhase[i] = nextRandom() >> 8;
            y = 80.0f;
            h = 0.0f;
        }
        s.flameSize[i] = static_cast<uint8_t>(saturatingTrunc(60.0f - 4.0f * h * h));
        if (i < s.flameLights) {
            MeshLight& light = mesh.lights[s.firstFlameLight + i];
            light.x = x;
            light.y = y;
            light.z = z;
        }
    }
}

// The three glow lights circling about a centre that itself wanders above the mesh.
void moveCircleLights(int32_t t)
{
    const FlamesState& s = flames;
    const float ax = static_cast<float>(100 * std::cos(angle(t, 720)));
    const float ay = static_cast<float>(50 * std::cos(angle(t, 420)) + 130);
    const float az = static_cast<float>(100 * std::sin(angle(t, 520)));
    const float place[circleLightCount][3] = {
        {static_cast<float>(ax + 20 * std::cos(angle(t, 720))),
         static_cast<float>(ay + 20 * std::cos(angle(t, 720))),
         static_cast<float>(az + 20 * std::sin(angle(t, 360)))},
        {static_cast<float>(ax + 20 * std::sin(angle(t, 360))),
         static_cast<float>(ay + 20 * std::sin(angle(t, 400))),
         static_cast<float>(az + 20 * std::cos(angle(t, 520)))},
        {static_cast<float>(ax + 20 * std::sin(angle(t, 760))),
         static_cast<float>(ay + 20 * std::sin(angle(t, 500))),
         static_cast<float>(az + 20 * std::sin(angle(t, 420)))},
    };
    for (int j = 0; j < s.circleLights; ++j) {
        MeshLight& light = mesh.lights[s.firstCircleLight + j];
        light.x = place[j][0];
        light.y = place[j][1];
        light.z = place[j][2];
    }
}

// Light-sprite sizes: a flame by its own size, every other light pulsing by its number.
void sizeLightSprites(int32_t t)
{
    const FlamesState& s = flames;
    for (int k = 0; k < mesh.lightCount && k < maxMeshLights; ++k) {
        if (k >= s.firstFlameLight && k - s.firstFlameLight < flameCount)
            scene.lightSpriteSize[k] = s.flameSize[k - s.firstFlameLight];
        else
            scene.lightSpriteSize[k] = static_cast<float>(50 + 48 * std::cos(angle(t, 210) + k));
    }
}

// The title grows in from 6 x 4 pixels once the time passes 0.9 of the length.
void drawTitle(int32_t t, int32_t length)
{
    const float start = 0.9f * static_cast<float>(length);
    if (!(static_cast<float>(t) > start))
        return;
    const float u = static_cast<float>(t) - start;
    const double c = std::cos(u * rendererPi / 1050);
    drawSlotSprite(slotTitle, 155, 68, saturatingTrunc(266 - 260 * c),
                   saturatingTrunc(84 - 80 * c));
}

}  // namespace

void flamesInit()
{
    allocateTextureSlot(slotWork, 80, 50);
    loadTextureSlot(slotRed, "light_r.jpg");
    loadTextureSlot(slotGreen, "light_g.jpg");
    loadTextureSlot(slotBlue, "light_b.jpg");
    loadTextureSlot(slotFlame, "light_f.jpg");
    loadTextureSlot(slotCircle, "light_s.jpg");
    loadTextureSlot(slotTitle, "pelvad2.jpg");
    loadTextureSlot(slotFlare, "blik.jpg");
    loadSceneMesh("flames.3ds");

    flames = FlamesState{};
    // The loaded lights in file order, in three equal runs of red, green and blue glows.
    const int n = mesh.lightCount;
    for (int i = 0; i < n; ++i)
        mesh.lights[i].spriteSlot = static_cast<uint32_t>(3 * i / n + slotRed);
    for (int j = 0; j < circleLightCount; ++j)
        if (appendLight(0, static_cast<float>(100 + 10 * j), 0, slotCircle) >= 0)
            ++flames.circleLights;
    checkSceneData(flames.circleLights == circleLightCount, "flames",
                   "flames.3ds has too many lights: not every circling light is drawn");
    checkSceneData(mesh.lightCount + flameCount <= maxMeshLights, "flames",
                   "flames.3ds has too many lights: not every flame is drawn");
    flames.drawFlare = checkSceneData(mesh.vertexCount > flareVertex, "flames",
                                      "flames.3ds has fewer than 251 vertices: no lens flare");
    prepareMeshNormals();
}

void flamesRun(int32_t length, uint32_t /*endPosition*/, uint32_t /*endRow*/)
{
    FlamesState& s = flames;
    s.firstFlameLight = mesh.lightCount;
    s.firstCircleLight = mesh.lightCount - s.circleLights;
    s.flameLights = 0;
    s.shake = 0;
    for (int i = 0; i < flameCount; ++i) {
        if (appendLight(0, 0, 0, slotFlame) >= 0)
            ++s.flameLights;
        s.flamePhase[i] = nextRandom() >> 5;
    }
    s.previousTime = takeSceneTime();
    startFadeIn();
    watchSceneMusic();

    // A cue 1 taken with the shake's take ends the run at the next top of frame.
    bool cueTaken = false;
    while (!cueTaken && syncEvent.load() != 1 && !quitRequested() &&
           !musicCueOverdue("flames", 1)) {
        readMusicPosition();
        const int32_t t = scene.sceneTime;
        moveFlames(t - s.previousTime);
        s.shake -= static_cast<float>(t - s.previousTime) * 0.0078125f;
        if (s.shake < 0)
            s.shake = 0;
        s.previousTime = t;
        moveCircleLights(t);

        Matrix4 cameraMatrix;
        evalCameraView(static_cast<float>(t) * (1.0f / 35.0f), cameraMatrix);
        const int cue = syncEvent.exchange(0);
        if (cue == 2)
            s.shake = 3;
        if (cue == 1)
            cueTaken = true;
        Matrix4 shakeMatrix;
        matTranslate(0, -static_cast<float>(nextRandom() >> 10) * s.shake, 0, shakeMatrix);
        Matrix4 view;
        matMultiply(cameraMatrix, shakeMatrix, view);

        transformMesh(view);
        transformLights(view);
        fillDrawList();
        sizeLightSprites(t);
        drawDrawList();
        drawTitle(t, length);
        if (s.drawFlare)
            drawLensFlare(slotFlare, mesh.vertices[flareVertex].sx, mesh.vertices[flareVertex].sy,
                          1.0f);
        presentFrame();
        takeSceneTime();
    }
    syncEvent.store(0);
    mesh.lightCount = s.firstFlameLight;
}

void flamesFree()
{
    freeTextureSlots(slotWork, slotFlare);
    free3ds();
}
