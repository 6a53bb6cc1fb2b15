// The neon rooms, Computer and Mother: two rooms of the same build. The camera follows the mesh's
// camera track, coloured glow lights hang in the room and a neon sign blinks by exchanging its two
// pictures. Computer adds a monitor that shows the screen itself with a black refresh band, and a
// tall picture scrolled over the room with a pulsing threshold; Mother plays the objects' tracks
// and adds a small copy of the frame and a panel at the top.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <utility>

#include "demo/demo.h"
#include "display/display.h"
#include "render/draw.h"
#include "scenes/scene.h"

namespace {

// Light i takes the sprite of texture slot i + 1; slots 1 to 3 hold the red, green and blue lights.
constexpr int firstLightSlot = 1;
constexpr int lightSlots = 3;
constexpr int monitorSize = 256;               // the monitor's texture, 256 x 256 texels
constexpr int refreshBandRows = 64;            // rows of the monitor's black refresh band
constexpr int overlayRowsNeeded = 500;         // the overlay scrolls up to 300 rows over 200 shown
constexpr int panelColumn = 176;               // Mother's panel: its left column, at the top
constexpr int panelWidthLimit = 144;           // ... so at most 144 wide
constexpr int miniCopyX = 236, miniCopyY = 4;  // Mother's small copy of the frame
constexpr int32_t blinkInterval = 50;  // time units between exchanges of the sign's pictures

// Which of the two rooms is played.
enum NeonRoom : int {
    roomComputer,
    roomMother,
};

// The run and data state of the room being played.
struct NeonRoomState {
    int32_t swapTime = 0;        // sceneTime at the last exchange of the sign's pictures
    int32_t firstBlinkFace = 0;  // the sign's faces, inclusive; none when first > last
    int32_t lastBlinkFace = -1;
    int32_t lightsDrawn = 0;  // lights with a loaded sprite slot
    bool overlay = false;     // Computer: picture 2 is 320 wide and tall enough to scroll
    bool panel = false;       // Mother: the panel fits beside the top right corner
    uint32_t* monitorTexture = nullptr;  // Computer's screen picture, owned by the scene
};
NeonRoomState room;

// Loads what both rooms share: the light sprites, the sign's pictures and the mesh, with every
// face copied from its texture.
void loadNeonRoom(const char* sceneName, const char* meshName)
{
    room = NeonRoomState{};
    loadTextureSlot(1, "light_r.jpg");
    loadTextureSlot(2, "light_g.jpg");
    loadTextureSlot(3, "light_b.jpg");
    loadPictureSlot(0, "neonlamp.jpg");
    loadPictureSlot(1, "neonlam2.jpg");
    loadSceneMesh(meshName);
    for (int32_t i = 0; i < mesh.faceCount; ++i)
        mesh.faces[i].mode = modeCopy;
    for (int32_t i = 0; i < mesh.lightCount; ++i)
        mesh.lights[i].spriteSlot = uint32_t(firstLightSlot + i);
    room.lightsDrawn = mesh.lightCount < lightSlots ? mesh.lightCount : lightSlots;
    checkSceneData(mesh.lightCount <= lightSlots, sceneName,
                   "the mesh has more than three lights: only the first three are drawn");
}

// The sign's faces: objects first to last of the mesh.
void setBlinkFaces(int firstObject, int lastObject, const char* sceneName)
{
    if (checkSceneData(mesh.objectCount > lastObject, sceneName,
                       "the sign's objects are missing: no blink")) {
        room.firstBlinkFace = mesh.objects[firstObject].firstFace;
        room.lastBlinkFace = mesh.objects[lastObject].lastFace;
    }
}

// Step 1: the camera track's view at f; Computer transforms every vertex with it, Mother places
// every object by its tracks. Each room keeps its own way of computing f (a multiply by the float
// 1/30 or a divide by 30), since the two can differ in the last bit.
void placeRoom(NeonRoom which, int32_t t, Matrix4& view, float& frame)
{
    if (which == roomComputer) {
        frame = float(t) * (1.0f / 30.0f);
        evalCameraView(frame, view);
        transformMesh(view);
    } else {
        frame = float(t) / 30.0f;
        evalCameraView(frame, view);
        placeObjects(view, frame);
    }
}

// Steps 2 and 3: lights along their tracks, faces and lights into the DrawList, drawn far to near.
void drawRoom(const Matrix4& view, float frame)
{
    evalLightTracks(frame);
    transformLights(view);
    resetDrawList();
    addVisibleFaces(0, mesh.faceCount - 1);
    addLightsToDrawList(0, room.lightsDrawn);
    drawDrawList();
}

// Step 4: every 50 units or so the sign's pictures change places; its faces take the one that
// was picture 0 before the exchange.
void blinkSign(int32_t t)
{
    if (t - room.swapTime <= blinkInterval)
        return;
    uint32_t* shown = scene.pictureSlots[0];
    std::swap(scene.pictureSlots[0], scene.pictureSlots[1]);
    for (int32_t i = room.firstBlinkFace; i <= room.lastBlinkFace; ++i)
        mesh.faces[i].texture = shown;
    room.swapTime = 2 * t - room.swapTime - blinkInterval;
}

// Steps 5.1 and 5.2, Computer only: the previous frame's 128 x 128 centre, enlarged twice, with a
// black band of 64 rows running down it.
void refreshMonitor(int32_t t)
{
    uint32_t* texture = room.monitorTexture;
    for (int i = 0; i < monitorSize; ++i)
        for (int j = 0; j < monitorSize; ++j)
            texture[i * monitorSize + j] =
                trailBuffer.pixels[(36 + i / 2) * frameWidth + 96 + j / 2];
    // The band's first row is at most 190, so its 64 rows end by row 253, inside the texture.
    const int32_t band = (2 * t) % 191;
    for (int i = 0; i < refreshBandRows * monitorSize; ++i)
        texture[band * monitorSize + i] = 0;
}

// Step 5.3, Computer only: the overlay from its row r, what is brighter than the pulsing threshold
// b.
void addOverlay(int32_t t)
{
    const double pi = rendererPi;
    const uint8_t b = uint8_t(int32_t(std::fabs(127 * floatCos(t * pi / 420)) + 100));
    const int32_t r = int32_t(150 * floatCos(t * pi / 8000) + 150);
    addBufferDimmed(frameBuffer.pixels, scene.pictureSlots[2] + r * frameWidth, viewPixels / 2, b);
}

// Step 6, Mother only: a small copy of the frame and the panel at the top right.
void addMiniCopyAndPanel()
{
    const Texture& mini = scene.textureSlots[0];
    shrinkToQuarter(mini.pixels, frameBuffer.pixels);
    copyBlock(frameBuffer.pixels, 80, 50, mini.pixels, miniCopyX, miniCopyY);
    if (room.panel) {
        const Texture& panel = scene.textureSlots[4];
        addBlock(frameBuffer.pixels, uint8_t(panel.width), uint8_t(panel.height), panel.pixels,
                 panelColumn, 0);
    }
}

// The run of either room: the frame's steps in order, each room adding its own overlays.
void runNeonRoom(NeonRoom which, int32_t length, uint32_t endPosition, uint32_t endRow,
                 float fadeFraction)
{
    timing.sceneDim = 0;
    beginSceneRun();
    room.swapTime = scene.sceneTime;
    while (runContinues(endPosition, endRow)) {
        readMusicPosition();
        const int32_t t = scene.sceneTime;
        Matrix4 view;
        float frame = 0;
        placeRoom(which, t, view, frame);
        drawRoom(view, frame);
        blinkSign(t);
        if (which == roomComputer) {
            refreshMonitor(t);
            if (room.overlay)
                addOverlay(t);
        } else {
            addMiniCopyAndPanel();
        }
        finishSceneFrame(length, fadeFraction);
    }
}

}  // namespace

void computerInit()
{
    loadNeonRoom("computer", "comp2.3ds");
    loadPictureSlot(2, "zorvex1.jpg");
    room.overlay = checkSceneData(scene.pictureSlots[2] != nullptr &&
                                      pictureState.lastPictureWidth == frameWidth &&
                                      pictureState.lastPictureHeight >= overlayRowsNeeded,
                                  "computer", "zorvex1.jpg is not 320 x 500 or more: no overlay");
    room.monitorTexture = allocateWorkBuffer(monitorSize * monitorSize);
    if (checkSceneData(mesh.objectCount > 4, "computer",
                       "object 4, the monitor's screen, is missing"))
        for (int32_t i = mesh.objects[4].firstFace; i <= mesh.objects[4].lastFace; ++i)
            mesh.faces[i].texture = room.monitorTexture;
    setBlinkFaces(6, 8, "computer");
    setLightSpriteSizes(1000.0f);
    prepareMeshNormals();
}

void computerRun(int32_t length, uint32_t endPosition, uint32_t endRow)
{
    runNeonRoom(roomComputer, length, endPosition, endRow, 0.96f);
}

void computerFree()
{
    freeTextureSlots(1, 3);
    freePictureSlot(0);
    freePictureSlot(1);
    freePictureSlot(2);
    freeBuffer(room.monitorTexture);
    free3ds();
}

void motherInit()
{
    loadNeonRoom("mother", "mother.3ds");
    allocateTextureSlot(0, 80, 50);
    loadTextureSlot(4, "bksheme.jpg");
    const Texture& panel = scene.textureSlots[4];
    room.panel = checkSceneData(panel.width >= 1 && panel.width <= panelWidthLimit &&
                                    panel.height >= 1 && panel.height <= frameHeight,
                                "mother", "bksheme.jpg is not at most 144 x 200: no panel");
    if (mesh.objectCount > 4)
        for (int32_t i = mesh.objects[4].firstFace; i <= mesh.objects[4].lastFace; ++i)
            mesh.faces[i].mode = modeHighlight;
    setBlinkFaces(0, 0, "mother");
    for (int32_t i = room.firstBlinkFace; i <= room.lastBlinkFace; ++i)
        mesh.faces[i].texture = scene.pictureSlots[0];
    setLightSpriteSizes(50.0f);
    prepareMeshNormals();
}

void motherRun(int32_t length, uint32_t endPosition, uint32_t endRow)
{
    runNeonRoom(roomMother, length, endPosition, endRow, 0.97f);
}

void motherFree()
{
    freeTextureSlots(0, 4);
    freePictureSlot(0);
    freePictureSlot(1);
    free3ds();
}
