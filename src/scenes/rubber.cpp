// Rubber, in two phases. A ribbed column that the init builds (16 rings of 17 vertices, textured
// with "rubbb1.jpg") twists like rubber. Phase 1 shows it from a fixed eye with instrument-like
// overlays and a panorama sliding across, presented without the trail; phase 2 restarts the demo
// clock and shows the column bending inside "rubber.3ds" through its camera track, with eight
// circling glow lights, sweeping glow lines and pulsing frames, presented with the trail.
#include "scenes/scene.h"

#include "render/draw.h"

#include "demo/demo.h"
#include "display/display.h"
#include "shell/shell.h"

#include <cmath>

namespace {

enum RubberSlot : int {
    slotMonitor = 0,   // 80 x 50 work picture: the last frame shrunk
    slotLight = 1,     // light sprites of phase 2
    slotPanorama = 2,  // wider than the screen, at most 150 rows
};

constexpr int columnRings = 16;
constexpr int columnRingVertices = 17;
constexpr int columnVertices = columnRings * columnRingVertices;               // 272
constexpr int columnFaces = (columnRings - 1) * (columnRingVertices - 1) * 2;  // 480
constexpr int monitorWidth = 80;
constexpr int monitorHeight = 50;
// The panorama covers the FrameBuffer from this row down.
constexpr int panoramaTop = 50;
constexpr int phaseTwoLights = 8;
constexpr int glowLineCount = 24;

struct RubberState {
    int32_t columnFirstVertex = 0;  // the loaded vertex count: the column's first vertex
    bool hasColumn = false;         // the tables had room for the column
    float columnRadius[columnRings][columnRingVertices] = {};
    bool drawPanorama = false;
    bool panoramaStarted = false;
    bool panoramaStopped = false;
    int32_t panoramaStart = 0;
};
RubberState rubber;

// The radius pattern of the ribs: amplitude 20 for the built column, 16 for the run.
float ribRadius(int i, int j, double amplitude)
{
    const double pi = rendererPi;
    return static_cast<float>(
        amplitude * floatCos(i * pi / 2 - j * pi / 4) * floatSin(j * pi / 2 + i * pi / 4) + 32);
}

MeshVertex& columnVertex(int i, int j)
{
    return mesh.vertices[rubber.columnFirstVertex + columnRingVertices * i + j];
}

// Appends the column's vertices and faces behind the loaded mesh.
void buildColumn(uint32_t* texture)
{
    const double pi = rendererPi;
    for (int i = 0; i < columnRings; ++i)
        for (int j = 0; j < columnRingVertices; ++j) {
            MeshVertex& v = columnVertex(i, j);
            v = MeshVertex{};
            const float r = ribRadius(i, j, 20);
            v.x = floatSin(j * pi / 8) * r;
            v.y = static_cast<float>((i - 8) * 24);
            v.z = floatCos(j * pi / 8) * r;
            v.u = static_cast<float>(16 * j);
            v.v = static_cast<float>(16 * i);
        }
    int f = mesh.faceCount;
    for (int i = 0; i + 1 < columnRings; ++i)
        for (int j = 0; j + 1 < columnRingVertices; ++j) {
            MeshVertex* corners[2][3] = {
                {&columnVertex(i, j), &columnVertex(i + 1, j), &columnVertex(i, j + 1)},
                {&columnVertex(i, j + 1), &columnVertex(i + 1, j), &columnVertex(i + 1, j + 1)}};
            for (auto& c : corners) {
                MeshFace& face = mesh.faces[f++];
                face = MeshFace{};
                face.a = c[0];
                face.b = c[1];
                face.c = c[2];
                face.texture = texture;
                face.mode = modeLightMapped;
            }
        }
    mesh.vertexCount += columnVertices;
    mesh.faceCount += columnFaces;
}

// The twist that begins step 1 of phase 1 and step 2 of phase 2: the column twists ring by ring
// with time; in phase 2 each ring is also pushed sideways, so the
// column bends.
void twistColumn(int32_t t, bool push)
{
    if (!rubber.hasColumn)
        return;
    const double pi = rendererPi;
    const float w = static_cast<float>(t) * 0.0066666668f;
    for (int i = 0; i < columnRings; ++i) {
        const float tw = 1.5f * floatCos(i * pi / 8 + w);
        const float ox = push ? 32.0f * floatCos(tw) : 0.0f;
        const float oz = push ? 32.0f * floatSin(tw) : 0.0f;
        for (int j = 0; j < columnRingVertices; ++j) {
            const double a = j * pi / 8 + tw;
            MeshVertex& v = columnVertex(i, j);
            v.x = floatSin(a) * rubber.columnRadius[i][j] + ox;
            v.z = floatCos(a) * rubber.columnRadius[i][j] + oz;
        }
    }
    updateMeshNormals();
}

// Step 2 of phase 1 and step 3 of phase 2: the previous frame shrunk to 80 x 50, jittered onto
// the screen (y drawn first).
void addMonitor(int x, int y)
{
    const int jy = y + (nextRandom() >> 12);
    const int jx = x + (nextRandom() >> 12);
    addBlock(frameBuffer.pixels, monitorWidth, monitorHeight,
             scene.textureSlots[slotMonitor].pixels, jx, jy);
}

// Step 3 of phase 1: two boxes breathing against each other and two glow circles round (72, 72).
void drawPhaseOneGauges(int32_t t)
{
    const double pi = rendererPi;
    const float a = 20.0f * floatCos(t * pi / 420);
    const float b = 10.0f * floatSin(t * pi / 210);
    drawJitterBox(frameBuffer.pixels, saturatingTrunc(48 - a), saturatingTrunc(48 - a),
                  saturatingTrunc(2 * a + 48), saturatingTrunc(2 * a + 48));
    drawJitterBox(frameBuffer.pixels, saturatingTrunc(48 + a), saturatingTrunc(48 + a),
                  saturatingTrunc(48 - 2 * a), saturatingTrunc(48 - 2 * a));
    for (float radius : {40 - b, b + 40}) {
        const int cy = 72 + (nextRandom() >> 12);
        const int cx = 72 + (nextRandom() >> 12);
        drawGlowCircle(frameBuffer.pixels, cx, cy, saturatingTrunc(radius));
    }
}

// Step 4 of phase 1: the panorama starts once after 0.04 of the length, slides 4 pixels every 2
// time units and stops for good when its window would pass its right edge. Only its rows that
// fit below row 50 are added.
void addPanorama(int32_t t, int32_t length)
{
    RubberState& s = rubber;
    if (!s.drawPanorama || s.panoramaStopped)
        return;
    if (!s.panoramaStarted) {
        if (!(static_cast<double>(t) > 0.04 * length))
            return;
        s.panoramaStarted = true;
        s.panoramaStart = t;
    }
    const Texture& panorama = scene.textureSlots[slotPanorama];
    const int32_t off = 4 * static_cast<int32_t>((t - s.panoramaStart) * 0.5);
    if (off > panorama.width - viewWidth) {
        s.panoramaStopped = true;
        return;
    }
    const int rows =
        panorama.height < viewHeight - panoramaTop ? panorama.height : viewHeight - panoramaTop;
    for (int row = 0; row < rows; ++row)
        addBuffer(
            frameBuffer.pixels + (panoramaTop + row) * viewWidth,
            panorama.pixels + static_cast<size_t>(row) * static_cast<size_t>(panorama.width) + off,
            viewWidth / 2);
}

// Step 1 of phase 2: eight lights circle the column at their own speeds, one above the other.
void moveLights(int32_t t)
{
    const double pi = rendererPi;
    for (int i = 0; i < phaseTwoLights; ++i) {
        const float r = 20.0f * floatCos(i * pi / 4) + 90.0f;
        const double angle = i * pi / 4 + t * pi / (640 - 40 * i);
        MeshLight& light = mesh.lights[i];
        light.x = floatCos(angle) * r;
        light.y = static_cast<float>((i - 4) * 20);
        light.z = floatSin(angle) * r;
        scene.lightSpriteSize[i] = static_cast<float>(8.0 * floatCos(t * pi / 210 + i) + 32.0);
    }
}

// Step 4 of phase 2: 24 glow lines sweeping down the left edge.
void drawGlowLines(int32_t t)
{
    const double pi = rendererPi;
    for (int i = 0; i < glowLineCount; ++i) {
        const float ga = 400.0f * floatCos((16 * i + t) * pi / 420);
        const float gb = 30.0f * floatCos((32 * i + ga) * pi / 420);
        const float gc = 10.0f * floatSin((32 * i + ga) * pi / 420);
        const float gd = 20.0f * floatCos((16 * i + t) * pi / 210) + 20.0f;
        const float ge = 5.0f * floatSin((16 * i + t) * pi / 420);
        const int r1 = nextRandom() >> 11;
        const int r2 = nextRandom() >> 11;
        const int r3 = nextRandom() >> 11;
        const int r4 = nextRandom() >> 11;
        const float row = static_cast<float>(8 * i);
        drawGlowLine(frameBuffer.pixels, saturatingTrunc(gd + gb + r4),
                     saturatingTrunc(row + gc + ge + r3), saturatingTrunc(gd - gb + r2),
                     saturatingTrunc(row - gc + ge + r1));
    }
}

// Step 6 of phase 2: four square frames breathing about (228, 120).
void drawPhaseTwoFrames(int32_t t)
{
    const double pi = rendererPi;
    const float a = 20.0f * floatCos(t * pi / 420);
    const float b = 10.0f * floatSin(t * pi / 210);
    for (float d : {a, b}) {
        drawJitterBox(frameBuffer.pixels, saturatingTrunc(228 - d), saturatingTrunc(120 - d),
                      saturatingTrunc(2 * d + 48), saturatingTrunc(2 * d + 48));
        drawJitterBox(frameBuffer.pixels, saturatingTrunc(228 + d), saturatingTrunc(120 + d),
                      saturatingTrunc(48 - 2 * d), saturatingTrunc(48 - 2 * d));
    }
}

// The rest of step 1 of phase 1 (faces only) and of step 2 of phase 2 (faces and lights): the
// mesh through the common pipeline.
void drawMesh(const Matrix4& view, bool lights)
{
    transformMesh(view);
    if (lights) {
        transformLights(view);
        fillDrawList();
    } else {
        resetDrawList();
        addVisibleFaces(0, mesh.faceCount - 1);
    }
    drawDrawList();
}

}  // namespace

void rubberInit()
{
    scene.scenePicture = loadScenePicture("rubbb1.jpg");
    allocateTextureSlot(slotMonitor, monitorWidth, monitorHeight);
    loadTextureSlot(slotLight, "light_rs.jpg");
    loadTextureSlot(slotPanorama, "cc000.jpg");
    loadSceneMesh("rubber.3ds");
    rubber = RubberState{};
    rubber.columnFirstVertex = mesh.vertexCount;
    rubber.hasColumn =
        checkSceneData(mesh.vertexCount + columnVertices <= maxMeshVertices &&
                           mesh.faceCount + columnFaces <= maxMeshFaces,
                       "rubber", "rubber.3ds leaves no room for the column: no column");
    if (rubber.hasColumn)
        buildColumn(scene.scenePicture);
    const Texture& panorama = scene.textureSlots[slotPanorama];
    rubber.drawPanorama =
        checkSceneData(panorama.pixels != nullptr && panorama.width > viewWidth, "rubber",
                       "cc000.jpg is not wider than 320 pixels: no panorama");
    if (rubber.drawPanorama)
        checkSceneData(panorama.height <= viewHeight - panoramaTop, "rubber",
                       "cc000.jpg is higher than 150 rows: only its top 150 rows are shown");
    prepareMeshNormals();
}

void rubberRun(int32_t length, uint32_t endPosition, uint32_t endRow)
{
    RubberState& s = rubber;
    const int32_t loadedLights = mesh.lightCount;
    for (int i = 0; i < columnRings; ++i)
        for (int j = 0; j < columnRingVertices; ++j)
            s.columnRadius[i][j] = ribRadius(i, j, 16);
    s.panoramaStarted = false;
    s.panoramaStopped = false;
    beginSceneRun();

    // Phase 1: on time alone, seen from a fixed eye, presented without the trail.
    const int32_t phaseOneLength = length / 8;
    Matrix4 fixedView;
    orbitView(Vec3{250, 0, 0}, Vec3{0, 0, 0}, fixedView);
    while (scene.sceneTime < phaseOneLength && !quitRequested()) {
        readMusicPosition();
        const int32_t t = scene.sceneTime;
        twistColumn(t, false);
        drawMesh(fixedView, false);
        addMonitor(228, 140);
        drawJitterBox(frameBuffer.pixels, 228, 140, monitorWidth, monitorHeight);
        drawPhaseOneGauges(t);
        addPanorama(t, length);
        shrinkToQuarter(scene.textureSlots[slotMonitor].pixels, frameBuffer.pixels);
        finishSceneFrameDirect(phaseOneLength, 0.8f);
    }
    if (quitRequested()) {
        mesh.lightCount = loadedLights;
        return;
    }

    // Between the phases: eight lights, the clock from 0 again, seven eighths of the length.
    mesh.lightCount = phaseTwoLights;
    for (int i = 0; i < phaseTwoLights; ++i)
        mesh.lights[i].spriteSlot = slotLight;
    timing.demoClock = 0;
    takeSceneTime();
    const int32_t phaseTwoLength = static_cast<int32_t>(length * 0.875);
    startFadeIn();

    // Phase 2: the music's end position, the camera track, the trail.
    while (runContinues(endPosition, endRow)) {
        readMusicPosition();
        const int32_t t = scene.sceneTime;
        moveLights(t);
        twistColumn(t, true);
        Matrix4 view;
        evalCameraView(static_cast<float>(t) * (1.0f / 35.0f), view);
        drawMesh(view, true);
        addMonitor(228, 5);
        drawGlowLines(t);
        drawJitterBox(frameBuffer.pixels, 228, 5, monitorWidth, monitorHeight);
        drawPhaseTwoFrames(t);
        shrinkToQuarter(scene.textureSlots[slotMonitor].pixels, frameBuffer.pixels);
        finishSceneFrame(phaseTwoLength, 0.96f);
    }
    mesh.lightCount = loadedLights;
}

void rubberFree()
{
    freeBuffer(scene.scenePicture);
    freeTextureSlots(slotMonitor, slotPanorama);
    free3ds();
}
