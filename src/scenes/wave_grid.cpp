// Wave grid: a flat grid of 18 x 14 vertices that the scene builds itself, textured with a
// picture and rippled by one of four wave formulas. On every 32nd music row the screen flashes and
// the picture and the formula change together; five sliding squares, the keyed panel and twenty
// jittering glow lines are drawn on top.
#include "scenes/scene.h"

#include "demo/demo.h"
#include "display/display.h"
#include "render/draw.h"
#include "shell/shell.h"

#include <cmath>

namespace {

enum WaveGridSlot : int {
    slotPanel = 0,   // "cosmback.bmp": pixels equal to 0 let the grid show through
    slotSquare = 1,  // 32 x 32 pixels of bytes 32: added, it lightens a square
};

constexpr int gridColumns = 18;
constexpr int gridRows = 14;
constexpr int gridVertices = gridColumns * gridRows;
constexpr int gridFaces = 2 * (gridColumns - 1) * (gridRows - 1);  // 442
static_assert(gridFaces == 442);
constexpr int squareSide = 32;
constexpr uint32_t squareFill = 0x20202020u;  // every byte 32
constexpr int pictureCount = 4;
// A flash comes on every 32nd row of the music (64 rows to a pattern).
constexpr uint32_t rowsPerPattern = 64;
constexpr uint32_t rowsPerBeat = 32;
// The widest and tallest block a byte-sized blit side can copy (0 standing for 256).
constexpr int widestBlock = 256;
// The wave's phase is computed in 32-bit floats, so its pi is rendererPi narrowed to a float:
// 3.1415926 has no float of its own and rounds to 3.14159250..., the float written 3.1415925f.
constexpr float wavePi = 3.1415925f;
static_assert(wavePi == static_cast<float>(rendererPi));
// The float nearest to 1/3.
constexpr float floatThird = 0.33333334f;

struct WaveGridState {
    int waveMode = 1;          // formula 0 to 3
    uint32_t lastBeat = 1;     // the last beat that flashed
    int32_t previousTime = 0;  // sceneTime of the previous frame
    bool drawPanel = false;    // the panel fits a block blit
};
WaveGridState waveGrid;

MeshVertex& gridVertex(int column, int row)
{
    return mesh.vertices[row * gridColumns + column];
}

void addGridFace(MeshVertex& a, MeshVertex& b, MeshVertex& c)
{
    MeshFace& face = mesh.faces[mesh.faceCount++];
    face = MeshFace{};
    face.a = &a;
    face.b = &b;
    face.c = &c;
    face.texture = scene.pictureSlots[0];
}

// The height of the vertex at (c, r) in wave formula `mode` at phase w.
float waveHeight(int mode, int c, int r, float w)
{
    const double pi = rendererPi;
    switch (mode) {
    case 0: return static_cast<float>(30 * floatCos(c * pi / 6 + w) * floatSin(r * pi / 6 + w));
    case 1: return static_cast<float>(30 * floatCos(c * pi / 3 + 2 * w) * floatSin(r * pi / 6 + w));
    case 2:
        return static_cast<float>(30 * floatCos(c * pi / 6 + w) + 20 * floatSin(r * pi / 6 + w));
    default:
        return static_cast<float>(20 * floatCos((c + r - w) * pi / 6) +
                                  20 * floatCos((r + w) * pi / 6 + w));
    }
}

// Steps 1 and 2: every vertex's height by the formula in use, then the normals anew.
void rippleGrid(int32_t t)
{
    const float w = static_cast<float>(t) * wavePi * 0.002f;
    for (int r = 0; r < gridRows; ++r)
        for (int c = 0; c < gridColumns; ++c)
            gridVertex(c, r).z = waveHeight(waveGrid.waveMode, c, r, w);
    updateMeshNormals();
}

// Step 3: the eye circles above the grid and looks at a point swinging along x. The view is the
// orbit times a scale of 1 on every axis: the scale changes no value (a -0 entry becomes +0), but
// the view is defined as that product, so it is formed as that product.
void gridView(int32_t t, Matrix4& view)
{
    const double swing = t * rendererPi / 720;
    const Vec3 eye{static_cast<float>(30 * floatCos(swing) + 3),
                   static_cast<float>(30 * floatSin(swing)), 80};
    const Vec3 target{static_cast<float>(30 * floatSin(swing)), 0, 0};
    Matrix4 orbit, unit;
    orbitView(eye, target, orbit);
    matScale(1, 1, 1, unit);
    matMultiply(orbit, unit, view);
}

// Step 4: every face far to near, light-mapped whatever its mode byte; no near or facing test.
void drawGrid()
{
    resetDrawList();
    for (int i = 0; i < mesh.faceCount; ++i) {
        const MeshFace& f = mesh.faces[i];
        addFaceToDrawList(i, (f.a->cz + f.b->cz + f.c->cz) * floatThird);
    }
    if (drawList.count > 1)
        sortDrawList(0, drawList.count - 1);
    for (int i = drawList.count - 1; i >= 0; --i)
        drawLitTriangle(mesh.faces[drawListIndex(drawList.payload[i])], fillSpanLightMapped,
                        frameBuffer.pixels);
}

// Step 5: five lightened squares sliding right along the top, 4 pixels every 16 time units.
void addSquares(int32_t t)
{
    const int k = saturatingTrunc(static_cast<float>(t) * 0.25f) % 64;
    for (int i = 0; i < 5; ++i)
        addBlock(frameBuffer.pixels, squareSide, squareSide, scene.textureSlots[slotSquare].pixels,
                 64 * i + k, 8);
}

// Step 6: the panel over everything but its black pixels.
void copyPanel()
{
    const Texture& panel = scene.textureSlots[slotPanel];
    if (waveGrid.drawPanel)
        keyedCopyBlock(frameBuffer.pixels, static_cast<uint8_t>(panel.width),
                       static_cast<uint8_t>(panel.height), panel.pixels, 0, 0);
}

// Step 7: ten vertical and ten horizontal glow lines swaying together, each jittered by up to 31
// pixels.
void drawLines(int32_t t)
{
    for (int i = 0; i < 10; ++i) {
        const float a = static_cast<float>(10 * floatCos(t * rendererPi / 420 + i * floatThird));
        const int ry = nextRandom() >> 10;
        const int rx = nextRandom() >> 10;
        const int x = saturatingTrunc(220 + 8 * i + a);
        drawGlowLine(frameBuffer.pixels, x, saturatingTrunc(120.0f + ry + 40), x,
                     saturatingTrunc(120.0f + ry - 40));
        const int y = saturatingTrunc(100 + 8 * i + a);
        drawGlowLine(frameBuffer.pixels, saturatingTrunc(240.0f + rx + 40), y,
                     saturatingTrunc(240.0f + rx - 40), y);
    }
}

// Step 8: on a new beat the screen flashes and the faces take the picture of the formula in use,
// which then moves on; between beats the flash fades by the frame's time plus 10.
void beatFlash(int32_t t)
{
    WaveGridState& s = waveGrid;
    const uint32_t beat = musicPosition.order * rowsPerPattern + musicPosition.row;
    if (beat % rowsPerBeat == 0 && beat != s.lastBeat) {
        timing.sceneDim = 255;
        s.lastBeat = beat;
        for (int i = 0; i < mesh.faceCount; ++i)
            mesh.faces[i].texture = scene.pictureSlots[s.waveMode];
        s.waveMode = (s.waveMode + 1) % pictureCount;
    } else {
        const int32_t dim = timing.sceneDim - (t - s.previousTime + 10);
        timing.sceneDim = static_cast<uint8_t>(dim > 0 ? dim : 0);
    }
    s.previousTime = t;
}

}  // namespace

void waveGridInit()
{
    waveGrid = WaveGridState{};
    loadTextureSlot(slotPanel, "cosmback.bmp");
    const Texture& panel = scene.textureSlots[slotPanel];
    // A panel that did not load keeps the size of the picture before it: say which it is.
    waveGrid.drawPanel =
        checkSceneData(panel.pixels != nullptr, "wave-grid",
                       "cosmback.bmp did not load: no panel") &&
        checkSceneData(panel.width >= 1 && panel.width <= widestBlock && panel.height >= 1 &&
                           panel.height <= widestBlock,
                       "wave-grid", "cosmback.bmp is larger than 256 x 256: no panel");
    loadPictureSlot(0, "freetun8.jpg");
    loadPictureSlot(1, "rubbb1.jpg");
    loadPictureSlot(2, "freetun7.jpg");
    loadPictureSlot(3, "freetun3.jpg");
    allocateTextureSlot(slotSquare, squareSide, squareSide);
    Texture& square = scene.textureSlots[slotSquare];
    for (int i = 0; i < squareSide * squareSide; ++i)
        square.pixels[i] = squareFill;

    // The grid is light-mapped but loads no mesh, and the maps are built by the first mesh load:
    // played on its own, the scene makes sure they exist.
    makeHighlightMaps();
    mesh.faceCount = 0;
    mesh.vertexCount = 0;
    for (int r = 0; r < gridRows; ++r)
        for (int c = 0; c < gridColumns; ++c) {
            MeshVertex& v = mesh.vertices[mesh.vertexCount++];
            v = MeshVertex{};
            v.x = static_cast<float>((c - 9) * 10 + 10);
            v.y = static_cast<float>((r - 7) * 10);
            v.u = static_cast<float>(c * 256);
            v.v = static_cast<float>(r * 256);
        }
    for (int r = 0; r < gridRows - 1; ++r)
        for (int c = 0; c < gridColumns - 1; ++c) {
            addGridFace(gridVertex(c + 1, r), gridVertex(c, r + 1), gridVertex(c, r));
            addGridFace(gridVertex(c + 1, r), gridVertex(c + 1, r + 1), gridVertex(c, r + 1));
        }
}

void waveGridRun(int32_t length, uint32_t endPosition, uint32_t endRow)
{
    beginSceneRun();
    while (runContinues(endPosition, endRow)) {
        readMusicPosition();
        const int32_t t = scene.sceneTime;
        rippleGrid(t);
        Matrix4 view;
        gridView(t, view);
        transformMesh(view);
        drawGrid();
        addSquares(t);
        copyPanel();
        drawLines(t);
        beatFlash(t);
        finishSceneFrame(length, 0.96f);
    }
    timing.sceneDim = 0;
}

void waveGridFree()
{
    freeTextureSlots(slotPanel, slotSquare);
    for (int i = 0; i < pictureCount; ++i)
        freePictureSlot(i);
}
