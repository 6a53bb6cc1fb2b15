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
    bool endCueTaken = false;  // the frame's take of the cues returned 1
};
FlamesState flames;

double angle(int32_t t, double n)
{
    return t * rendererPi / n;
}

// Step 2: the twenty flames: four rows through the centre at 0, 1, 2 and 3 radians, rising from
// height 80 faster and faster, shrinking while they rise, restarting at a random phase above height
// 160.
void moveFlames(int32_t dt)
{
    FlamesState& s = flames;
    for (int i = 0; i < flameCount; ++i) {
        const float g = static_cast<float>(i / 5);
        s.flamePhase[i] += dt;
        float h = static_cast<float>(s.flamePhase[i]) * 0.01f;
        const float r = static_cast<float>(35 * floatCos(static_cast<double>(i)));
        const float x = static_cast<float>(floatCos(static_cast<double>(g)) * r);
        const float z = static_cast<float>(floatSin(static_cast<double>(g)) * r);
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

// Step 3: the shake dies out linearly, by 1/128 a time unit.
void decayShake(int32_t dt)
{
    flames.shake -= static_cast<float>(dt) * 0.0078125f;
    if (flames.shake < 0)
        flames.shake = 0;
}

// Step 4: the three glow lights circling about a centre that itself wanders above the mesh.
void moveCircleLights(int32_t t)
{
    const FlamesState& s = flames;
    const float ax = static_cast<float>(100 * floatCos(angle(t, 720)));
    const float ay = static_cast<float>(50 * floatCos(angle(t, 420)) + 130);
    const float az = static_cast<float>(100 * floatSin(angle(t, 520)));
    const float place[circleLightCount][3] = {
        {static_cast<float>(ax + 20 * floatCos(angle(t, 720))),
         static_cast<float>(ay + 20 * floatCos(angle(t, 720))),
         static_cast<float>(az + 20 * floatSin(angle(t, 360)))},
        {static_cast<float>(ax + 20 * floatSin(angle(t, 360))),
         static_cast<float>(ay + 20 * floatSin(angle(t, 400))),
         static_cast<float>(az + 20 * floatCos(angle(t, 520)))},
        {static_cast<float>(ax + 20 * floatSin(angle(t, 760))),
         static_cast<float>(ay + 20 * floatSin(angle(t, 500))),
         static_cast<float>(az + 20 * floatSin(angle(t, 420)))},
    };
    for (int j = 0; j < s.circleLights; ++j) {
        MeshLight& light = mesh.lights[s.firstCircleLight + j];
        light.x = place[j][0];
        light.y = place[j][1];
        light.z = place[j][2];
    }
}

// Step 7: the light sprites' sizes, a flame by its own size, every other light pulsing by its
// number.
void sizeLightSprites(int32_t t)
{
    const FlamesState& s = flames;
    for (int k = 0; k < mesh.lightCount && k < maxMeshLights; ++k) {
        if (k >= s.firstFlameLight && k - s.firstFlameLight < flameCount)
            scene.lightSpriteSize[k] = s.flameSize[k - s.firstFlameLight];
        else
            scene.lightSpriteSize[k] = static_cast<float>(50 + 48 * floatCos(angle(t, 210) + k));
    }
}

// Step 8: the title grows in from 6 x 4 pixels once the time passes 0.9 of the length.
void drawTitle(int32_t t, int32_t length)
{
    const float start = 0.9f * static_cast<float>(length);
    if (!(static_cast<float>(t) > start))
        return;
    const float u = static_cast<float>(t) - start;
    const float c = floatCos(u * rendererPi / 1050);
    drawSlotSprite(slotTitle, 155, 68, saturatingTrunc(266 - 260 * c),
                   saturatingTrunc(84 - 80 * c));
}

// Steps 5 and 6: the camera track's view, shaken downward by up to 31 steps of the shake. The
// frame takes the cues once: a 2 restarts the shake at 3, a 1 ends the run at the next top of
// frame. One random number is drawn every frame, shaken or not.
void shakenView(int32_t t, Matrix4& view)
{
    FlamesState& s = flames;
    Matrix4 cameraMatrix;
    evalCameraView(static_cast<float>(t) * (1.0f / 35.0f), cameraMatrix);
    const int cue = syncEvent.exchange(0);
    if (cue == 2)
        s.shake = 3;
    if (cue == 1)
        s.endCueTaken = true;
    Matrix4 shakeMatrix;
    matTranslate(0, -static_cast<float>(nextRandom() >> 10) * s.shake, 0, shakeMatrix);
    matMultiply(cameraMatrix, shakeMatrix, view);
}

// Step 7: the mesh and every light through the common pipeline.
void drawScene(const Matrix4& view, int32_t t)
{
    transformMesh(view);
    transformLights(view);
    fillDrawList();
    sizeLightSprites(t);
    drawDrawList();
}

// Step 9: the lens flare on vertex 250 where it was last drawn.
void drawFlare()
{
    if (flames.drawFlare)
        drawLensFlare(slotFlare, mesh.vertices[flareVertex].sx, mesh.vertices[flareVertex].sy,
                      1.0f);
}

// The run's end rule, tested at the top of every frame: music cue 1, whether it is waiting in
// syncEvent or was taken by the last frame, or the quit flag; a module that never gives the cue
// ends the wait with a line once the music has wrapped twice or stopped moving.
bool flamesContinue()
{
    return !flames.endCueTaken && syncEvent.load() != 1 && !quitRequested() &&
           !musicCueOverdue("flames", 1);
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
    s.endCueTaken = false;
    for (int i = 0; i < flameCount; ++i) {
        if (appendLight(0, 0, 0, slotFlame) >= 0)
            ++s.flameLights;
        s.flamePhase[i] = nextRandom() >> 5;
    }
    s.previousTime = takeSceneTime();
    startFadeIn();
    watchSceneMusic();
    while (flamesContinue()) {
        readMusicPosition();
        const int32_t t = scene.sceneTime;
        const int32_t dt = t - s.previousTime;
        moveFlames(dt);
        decayShake(dt);
        s.previousTime = t;
        moveCircleLights(t);
        Matrix4 view;
        shakenView(t, view);
        drawScene(view, t);
        drawTitle(t, length);
        drawFlare();
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
