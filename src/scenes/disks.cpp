// Disks: the keyframed disks of "disks.3ds" wobble in front of a camera that flies one path
// forward through the first half of the scene and back along it through the second. The disks
// show the screen itself: every frame the top-left corner of the previous frame, enlarged and
// turned, becomes their texture. Two additive backdrops alternate every eight music rows and
// three words pulse on the left.
#include "scenes/scene.h"

#include "render/draw.h"

#include "demo/demo.h"
#include "display/display.h"
#include "shell/shell.h"

#include <cmath>

namespace {

enum DisksSlot : int {
    slotMotion = 0,  // the three words
    slotIs = 1,
    slotLife = 2,
};

// Objects 0 to 17 are the disks that show the screen.
constexpr int diskObjectCount = 18;
constexpr int wordCount = 3;

struct DisksState {
    uint32_t* feedbackTexture = nullptr;  // 256 x 256, owned: the previous frame's corner
    int32_t turnTime = 0;                 // sceneTime of the first frame of the second half
    bool turned = false;                  // the second half has begun
};
DisksState disks;

// Step 1: the camera's time runs forward to the middle of the scene, then back from there. It is
// an unsigned number as the path takes it: past twice the turn time it would wrap to a large
// value, which only moves the camera (the path is made of sines, no table is read with it).
uint32_t cameraTime(int32_t t, int32_t length)
{
    if (static_cast<double>(t) < 0.5 * length)
        return static_cast<uint32_t>(t);
    if (!disks.turned) {
        disks.turned = true;
        disks.turnTime = t;
    }
    return static_cast<uint32_t>(2 * disks.turnTime - t);
}

// Step 2: an orbit about a target swinging along x, scaled by a slow pulse.
void buildView(uint32_t tau, Matrix4& view)
{
    const double pi = rendererPi;
    const double swing = 150.0 * floatCos(tau * pi / 840) + static_cast<double>(tau / 8);
    const Vec3 eye{100.0f * floatCos(swing * pi / 1680), 150.0f * floatSin(tau * pi / 1680),
                   125.0f * floatSin(tau * pi / 840)};
    const Vec3 target{30.0f * floatSin(tau * pi / 840), 0, 0};
    Matrix4 orbit;
    orbitView(eye, target, orbit);
    const float sc = 0.2f * floatCos(tau * pi / 210) + 1.2f;
    Matrix4 scale;
    matScale(sc, sc, sc, scale);
    matMultiply(orbit, scale, view);
}

// Step 3: the keyframed placement of object k with its track position pushed along a small
// wobble of its own (in the track's axes, before y and z are exchanged).
void placeWobblingObject(int k, const Matrix4& view, int32_t t, float frame, Matrix4& out)
{
    MeshObject& object = mesh.objects[k];
    const double pi = rendererPi;
    Vec3 p = evalPositionTrack(object, frame);
    p.x += 10.0f * floatCos(t * pi / 210 + k);
    p.y += 10.0f * floatCos(t * pi / 315 + k);
    p.z += 10.0f * floatSin(t * pi / 420 + k);
    placeObjectAt(object, view, p, frame, out);
}

// Steps 3 and 4: every disk placed with its wobble, then the faces (no lights) far to near.
void drawDisks(const Matrix4& view, int32_t t)
{
    const float f = static_cast<float>(t) * 0.05f;
    for (int k = 0; k < mesh.objectCount; ++k) {
        Matrix4 m;
        placeWobblingObject(k, view, t, f, m);
        transformObject(mesh.objects[k], m);
    }
    resetDrawList();
    addVisibleFaces(0, mesh.faceCount - 1);
    drawDrawList();
}

// Step 5: texel (j, i) = pixel (i / 2, j / 2) of the previous frame: its top-left 128 x 128
// pixels enlarged twice with rows and columns exchanged.
void takeFeedback()
{
    uint32_t* texel = disks.feedbackTexture;
    for (int i = 0; i < textureSize; ++i)
        for (int j = 0; j < textureSize; ++j)
            *texel++ = trailBuffer.pixels[(j >> 1) * viewWidth + (i >> 1)];
}

// Step 6: the backdrop added over the frame, picture 0 on the first eight rows of every sixteen
// and picture 1 on the others, by the music's position read again.
void addBackdrop()
{
    readMusicPosition();
    const uint32_t* backdrop = scene.pictureSlots[musicPosition.row % 16 < 8 ? 0 : 1];
    if (backdrop != nullptr)
        addBuffer(frameBuffer.pixels, backdrop, viewPixels / 2);
}

// Step 7: the three words pulse in turn, a third of a period apart.
void drawWords(int32_t t)
{
    // A third and two thirds of a turn, 2 pi / 3 and 4 pi / 3 with pi = 3.1415926.
    static const double phases[wordCount] = {0, 2.094395066666667, 4.188790133333334};
    static const int centres[wordCount][2] = {{70, 100}, {100, 130}, {130, 160}};
    for (int n = 0; n < wordCount; ++n) {
        const float a = 16.0f * floatCos(t * rendererPi / 210 + phases[n]);
        drawSlotSprite(slotMotion + n, centres[n][0], centres[n][1], saturatingTrunc(128.0f + a),
                       saturatingTrunc(48.0f - a));
    }
}

}  // namespace

void disksInit()
{
    loadPictureSlot(0, "q1.jpg");
    loadPictureSlot(1, "q2.jpg");
    loadTextureSlot(slotMotion, "!motion.jpg");
    loadTextureSlot(slotIs, "!is.jpg");
    loadTextureSlot(slotLife, "!life.jpg");
    disks = DisksState{};
    disks.feedbackTexture = allocateWorkBuffer(textureSize * textureSize);
    checkSceneData(scene.pictureSlots[0] != nullptr && scene.pictureSlots[1] != nullptr, "disks",
                   "q1.jpg or q2.jpg could not be read: no backdrop on its rows");
    loadSceneMesh("disks.3ds");
    prepareMeshNormals();

    // The disks are the faces up to the end of object 17; a mesh with fewer objects gives all of
    // its faces to the screen.
    int faces = mesh.faceCount;
    if (checkSceneData(mesh.objectCount >= diskObjectCount, "disks",
                       "disks.3ds has fewer than 18 objects: all of its faces show the screen"))
        faces = mesh.objectFaceTotal[diskObjectCount - 1];
    for (int i = 0; i < faces && i < mesh.faceCount; ++i) {
        mesh.faces[i].mode = modeCopy;
        mesh.faces[i].texture = disks.feedbackTexture;
    }
}

void disksRun(int32_t length, uint32_t endPosition, uint32_t endRow)
{
    disks.turnTime = 0;
    disks.turned = false;
    beginSceneRun();
    while (runContinues(endPosition, endRow)) {
        readMusicPosition();
        const int32_t t = scene.sceneTime;
        Matrix4 view;
        buildView(cameraTime(t, length), view);
        drawDisks(view, t);
        takeFeedback();
        addBackdrop();
        drawWords(t);
        finishSceneFrame(length, 0.96f);
    }
}

void disksFree()
{
    freePictureSlot(0);
    freePictureSlot(1);
    freeTextureSlots(slotMotion, slotLife);
    freeBuffer(disks.feedbackTexture);
    free3ds();
}
