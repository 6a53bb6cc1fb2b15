// Greetings: a control-panel screen. A face flickers on its monitor, glow circles, lines and a
// box jitter over it, greeting cards change in a small window every eight music rows, the mesh
// "backobj.3ds" tumbles on three axes, and an additive polar warp of a drifting texture lies
// over everything.
#include "scenes/scene.h"

#include "render/draw.h"

#include "demo/demo.h"
#include "display/display.h"
#include "shell/shell.h"

#include <cmath>
#include <cstdlib>

namespace {

enum GreetingsSlot : int {
    slotFace = 0,   // slots 0 to 2: the three face pictures
    slotCards = 3,  // the strip of greeting cards, its height field set to one card
};

constexpr int faceCount = 3;
constexpr int cardRows = 28;
// The strip holds cards 0 to 16.
constexpr int cardCount = 17;
// A new card at every new group of this many music rows.
constexpr uint32_t rowsPerCard = 8;

struct GreetingsState {
    Texture warpSource = {};               // 256 x 256, read by the warp
    uint32_t* warpPicture = nullptr;       // 320 x 200, owned
    uint16_t warpTable[viewPixels] = {};   // entry (u, v) per pixel, built at the start of the run
    int faceCard = 0;                      // which face picture is drawn
    int greetzCard = 0;                    // the card shown, 0 to cards - 1
    int64_t greetzRowGroup = 0;            // the last row group seen
    const uint32_t* cardPixels = nullptr;  // the first pixel of the card shown
    int cards = 0;                         // whole cards in the strip (17 unless it is short)
    bool drawFaces = false;
    bool drawWarp = false;
};
GreetingsState greetings;

bool fitsBlock(const Texture& texture, int maxHeight)
{
    return texture.pixels != nullptr && texture.width >= 1 && texture.width <= 256 &&
           texture.height >= 1 && texture.height <= maxHeight;
}

// Entry (x, y) of the warp: the point's distance from (0, 250) sets the radius, twice its angle
// the direction; both coordinates kept as their low 8 bits, u in the low byte.
uint16_t greetingsWarpEntry(int x, int y)
{
    const float dy = static_cast<float>(250 - y);
    const float dx = static_cast<float>(x);
    const float r =
        static_cast<float>(std::sqrt(static_cast<double>(dy) * dy + static_cast<double>(dx) * dx)) *
            0.03125f +
        100.0f;
    const float a = 2.0f * floatAtan2(dy, dx);
    const int32_t u = static_cast<int32_t>(r * floatCos(a));
    const int32_t v = static_cast<int32_t>(r * floatSin(a));
    return static_cast<uint16_t>(((v & 0xFF) << 8) | (u & 0xFF));
}

void buildWarpTable()
{
    for (int y = 0; y < viewHeight; ++y)
        for (int x = 0; x < viewWidth; ++x)
            greetings.warpTable[y * viewWidth + x] = greetingsWarpEntry(x, y);
}

// Steps 1 and 2: the mesh tumbles on three axes in front of a fixed eye; its visible faces go into
// the DrawList, drawn later over the panel.
void tumbleMesh(int32_t t)
{
    const Vec3 eye{400, 100, 0};
    const Vec3 origin{0, 0, 0};
    Matrix4 view, step;
    orbitView(eye, origin, view);
    matTranslate(0, -60, 110, step);
    matMultiply(view, step, view);
    matRotate(static_cast<float>(t) / 300.0f, 0, step);
    matMultiply(view, step, view);
    matRotate(static_cast<float>(t) * 0.005f, 1, step);
    matMultiply(view, step, view);
    matRotate(static_cast<float>(t) * 0.0025f, 2, step);
    matMultiply(view, step, view);
    transformMesh(view);
    resetDrawList();
    addVisibleFaces(0, mesh.faceCount - 1);
}

// Step 3: the panel covers the whole screen.
void copyPanel()
{
    if (scene.pictureSlots[0] != nullptr)
        copyBuffer(frameBuffer.pixels, scene.pictureSlots[0], viewPixels / 2);
}

// Step 4: in the second half of every 100 time units a face is chosen anew each frame.
void flickerFace(int32_t t)
{
    GreetingsState& s = greetings;
    // 0 to 32767 divided by 12084 is 0, 1 or 2.
    if (t % 100 > 50)
        s.faceCard = nextRandom() / 12084;
    if (s.drawFaces) {
        const Texture& face = scene.textureSlots[slotFace + s.faceCard];
        copyBlock(frameBuffer.pixels, static_cast<uint8_t>(face.width),
                  static_cast<uint8_t>(face.height), face.pixels, 0, 0);
    }
}

// Step 5: two glow circles round the bottom left corner, each centre jittered (y drawn first).
void drawGlowCircles()
{
    for (int radius : {140, 160}) {
        const int cy = 200 + (nextRandom() >> 12);
        const int cx = nextRandom() >> 12;
        drawGlowCircle(frameBuffer.pixels, cx, cy, radius);
    }
}

// One glow line, each end jittered by 0 to 7 pixels, drawn in the order y1, x1, y0, x0.
void drawJitteredLine(int x0, int y0, int x1, int y1)
{
    const int jy1 = y1 + (nextRandom() >> 12);
    const int jx1 = x1 + (nextRandom() >> 12);
    const int jy0 = y0 + (nextRandom() >> 12);
    const int jx0 = x0 + (nextRandom() >> 12);
    drawGlowLine(frameBuffer.pixels, jx0, jy0, jx1, jy1);
}

// Step 6: a line across to the card's window and one down its right side.
void drawGlowLines()
{
    drawJitteredLine(120, 110, 230, 110);
    drawJitteredLine(230, 110, 230, 130);
}

// Step 8: the card shown, jittered inside its window (y drawn first).
void addCard()
{
    const GreetingsState& s = greetings;
    const Texture& strip = scene.textureSlots[slotCards];
    const int cardY = 141 + (nextRandom() >> 13);
    const int cardX = 180 + (nextRandom() >> 13);
    if (s.cards > 0)
        addBlock(frameBuffer.pixels, static_cast<uint8_t>(strip.width), cardRows, s.cardPixels,
                 cardX, cardY);
}

// Step 9: the next card at every new group of eight rows, card 0 again after the last.
void nextCard()
{
    GreetingsState& s = greetings;
    const Texture& strip = scene.textureSlots[slotCards];
    readMusicPosition();
    const int64_t group = musicPosition.row / rowsPerCard;
    if (group == s.greetzRowGroup)
        return;
    s.cardPixels += static_cast<size_t>(strip.width) * cardRows;
    ++s.greetzCard;
    if (s.greetzCard >= s.cards) {
        s.greetzCard = 0;
        s.cardPixels = strip.pixels;
    }
    s.greetzRowGroup = group;
}

// Steps 11 and 12: the warp, its source drifting with time, added over everything.
void addWarp(int32_t t)
{
    GreetingsState& s = greetings;
    if (!s.drawWarp)
        return;
    const double a = t * rendererPi / 1680;
    const uint8_t ou =
        static_cast<uint8_t>(saturatingTrunc(127.0f * floatSin(a) + static_cast<float>(t) * 0.1f));
    const uint8_t ov = static_cast<uint8_t>(saturatingTrunc(127.0f * floatCos(a)));
    remapTexture(s.warpPicture, s.warpSource.pixels, s.warpTable, ou, ov);
    addBuffer(frameBuffer.pixels, s.warpPicture, viewPixels / 2);
}

}  // namespace

void greetingsInit()
{
    loadTextureSlot(slotFace + 0, "gretf1.jpg");
    loadTextureSlot(slotFace + 1, "gretf2.jpg");
    loadTextureSlot(slotFace + 2, "gretf3.jpg");
    loadTextureSlot(slotCards, "greetz2.jpg");
    loadPictureSlot(0, "06pet06.jpg");
    greetings = GreetingsState{};
    greetings.warpSource = loadTexture("greplas.jpg", 32);
    greetings.warpPicture = allocateWorkBuffer(viewPixels);
    loadSceneMesh("backobj.3ds");
    if (checkSceneData(mesh.objectCount >= 1, "greetings", "backobj.3ds has no object"))
        for (int i = mesh.objects[0].firstFace; i <= mesh.objects[0].lastFace && i < mesh.faceCount;
             ++i)
            mesh.faces[i].mode = modeEnvironment;
    prepareMeshNormals();

    checkSceneData(scene.pictureSlots[0] != nullptr, "greetings",
                   "06pet06.jpg could not be read: no panel");
    greetings.drawFaces = true;
    for (int i = 0; i < faceCount; ++i)
        greetings.drawFaces &= fitsBlock(scene.textureSlots[slotFace + i], viewHeight);
    checkSceneData(greetings.drawFaces, "greetings",
                   "a face picture is not at most 256 x 200: no faces");
    Texture& strip = scene.textureSlots[slotCards];
    greetings.cards = strip.pixels != nullptr && strip.width >= 1 && strip.width <= 256
                          ? strip.height / cardRows
                          : 0;
    if (greetings.cards > cardCount)
        greetings.cards = cardCount;
    checkSceneData(greetings.cards == cardCount, "greetings",
                   "greetz2.jpg is not 1 to 256 wide with 17 cards of 28 rows: only its whole "
                   "cards are shown");
    strip.height = cardRows;
    const Texture& source = greetings.warpSource;
    greetings.drawWarp = checkSceneData(
        source.pixels != nullptr && source.width == textureSize && source.height >= textureSize,
        "greetings", "greplas.jpg is not 256 x 256: no warp");
}

void greetingsRun(int32_t length, uint32_t endPosition, uint32_t endRow)
{
    GreetingsState& s = greetings;
    buildWarpTable();
    s.cardPixels = scene.textureSlots[slotCards].pixels;
    s.greetzCard = 0;
    s.faceCard = 0;
    timing.sceneDim = 0;
    beginSceneRun();
    s.greetzRowGroup = scene.sceneTime;
    while (runContinues(endPosition, endRow)) {
        readMusicPosition();
        const int32_t t = scene.sceneTime;
        tumbleMesh(t);
        copyPanel();
        flickerFace(t);
        drawGlowCircles();
        drawGlowLines();
        drawJitterBox(frameBuffer.pixels, 174, 130, 132, 40);
        addCard();
        nextCard();
        drawDrawList();
        addWarp(t);
        finishSceneFrame(length, 0.94f);
    }
}

void greetingsFree()
{
    freeTextureSlots(slotFace, slotCards);
    freePictureSlot(0);
    std::free(greetings.warpSource.pixels);
    greetings.warpSource = Texture{};
    freeBuffer(greetings.warpPicture);
    free3ds();
}
