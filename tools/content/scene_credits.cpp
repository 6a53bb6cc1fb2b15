// The credits scene's data: "&logo.3ds", the group's name "-ZEM-" as a solid bevelled chrome object
// turning in front of the opening picture, and the credit cards added at the right of the screen.
//
// What the scene relies on: object 0 is the logo (all its faces are drawn highlighted with texture
// coordinates from environment mapping, so its material names the chrome map "enver1.jpg"), its
// position and rotation tracks span 128 frames (sceneTime / 40), and it is framed for the fixed eye
// (0, 25, 50) looking at the origin with a 90 degree field of view (about 2.9 pixels per unit).
#include "scene_credits.h"

#include "masks.h"
#include "model.h"
#include "text.h"

#include <algorithm>
#include <cmath>

namespace {
// Letter height and stroke width in scene units before scaling; the logo is about 78 units wide
// before and 70 after.
constexpr float logoScale = 0.9f;
constexpr float letterHeight = 20.0f;
constexpr float stroke = 5.0f;
constexpr float depth = 5.0f;
constexpr float bevel = 1.2f;

// One convex quad of a letter in the letter plane (x right, y up), corners counter-clockwise.
struct Piece {
    float x[4], y[4];
};

Piece box(float x0, float y0, float x1, float y1)
{
    return {{x0, x1, x1, x0}, {y0, y0, y1, y1}};
}

// A slanted bar from the bottom edge (bx0..bx1 at y0) to the top edge (tx0..tx1 at y1).
Piece slant(float bx0, float bx1, float y0, float tx0, float tx1, float y1)
{
    return {{bx0, bx1, tx1, tx0}, {y0, y0, y1, y1}};
}

// Extrudes a piece toward the viewer (front at z = -depth / 2, the eye looks along +z) with a
// bevel around the front face: the front is inset by `bevel` and set back by the same amount.
void extrudePiece(Model& mesh, const Piece& p, float offsetX)
{
    float cx = 0, cy = 0;
    for (int k = 0; k < 4; ++k) {
        cx += p.x[k] / 4;
        cy += p.y[k] / 4;
    }
    int front[4], rim[4], back[4];
    for (int k = 0; k < 4; ++k) {
        // Letters are modelled standing on y = 0; the logo's middle is the object's origin.
        const float x = (p.x[k] + offsetX) * logoScale, y = (p.y[k] - letterHeight / 2) * logoScale;
        const float dx = (cx - p.x[k]) * logoScale, dy = (cy - p.y[k]) * logoScale;
        const float len = std::max(0.001f, std::hypot(dx, dy));
        const float ix = x + dx / len * bevel * 1.41f, iy = y + dy / len * bevel * 1.41f;
        front[k] = addVertex(mesh, ix, iy, -depth / 2 - bevel, (ix + 40) * 3, (24 - iy) * 3);
        rim[k] = addVertex(mesh, x, y, -depth / 2, (x + 40) * 3, (24 - y) * 3);
        back[k] = addVertex(mesh, x, y, depth / 2, (x + 40) * 3, (24 - y) * 3);
    }
    // Seen from the eye (at -z) the corners run counter-clockwise: the front as given.
    addQuad(mesh, front[0], front[1], front[2], front[3]);
    addQuad(mesh, back[3], back[2], back[1], back[0]);
    for (int k = 0; k < 4; ++k) {
        const int n = (k + 1) % 4;
        addQuad(mesh, rim[k], rim[n], front[n], front[k]);
        addQuad(mesh, back[k], back[n], rim[n], rim[k]);
    }
}

// The pieces of "-ZEM-", left to right, with the advance of each character.
void addLogoPieces(Model& mesh)
{
    const float h = letterHeight, s = stroke;
    float x = -39.0f;
    auto dash = [&] {
        extrudePiece(mesh, box(0, h / 2 - s / 2 + 1, 7, h / 2 + s / 2 - 1), x);
        x += 10.0f;
    };
    dash();
    // Z: top bar, bottom bar, the diagonal between them.
    extrudePiece(mesh, box(0, h - s, 15, h), x);
    extrudePiece(mesh, box(0, 0, 15, s), x);
    extrudePiece(mesh, slant(0, s * 1.3f, s, 15 - s * 1.3f, 15, h - s), x);
    x += 18.0f;
    // E: the upright and three arms.
    extrudePiece(mesh, box(0, 0, s, h), x);
    extrudePiece(mesh, box(s, h - s, 14, h), x);
    extrudePiece(mesh, box(s, h / 2 - s / 2 + 0.5f, 12, h / 2 + s / 2 - 0.5f), x);
    extrudePiece(mesh, box(s, 0, 14, s), x);
    x += 17.0f;
    // M: two uprights and the two strokes meeting in the middle.
    extrudePiece(mesh, box(0, 0, s, h), x);
    extrudePiece(mesh, box(20 - s, 0, 20, h), x);
    extrudePiece(mesh, slant(8.0f, 12.0f, h * 0.3f, s, s + 3.0f, h), x);
    extrudePiece(mesh, slant(8.0f, 12.0f, h * 0.3f, 20 - s - 3.0f, 20 - s, h), x);
    x += 23.0f;
    dash();
}

}  // namespace

std::vector<uint8_t> buildLogoMesh()
{
    Scene3ds scene;
    scene.materials = {{"Chrome", "enver1.jpg", 0xA200}};
    Model logo;
    addLogoPieces(logo);
    scene.objects.push_back(modelObject("Logo", logo, "Chrome"));

    // The logo swings and tilts in front of the picture, drifting a little, over 128 frames. Keys
    // of the rotation track are relative to the key before them.
    Node3ds node;
    node.kind = chunkObjectNode;
    node.nodeId = 0;
    node.name = "Logo";
    node.hasPivot = true;
    node.position.present = true;
    node.rotation.present = true;
    const float swing[] = {0.0f, 0.55f, -0.95f, 0.85f, -0.6f, 0.45f, -0.3f, 0.2f, -0.2f};
    const float axes[][3] = {{0, 1, 0},     {0.3f, 1, 0},    {0, 1, 0.25f},
                             {-0.3f, 1, 0}, {0, 1, -0.2f},   {0.25f, 1, 0},
                             {0, 1, 0},     {0.2f, 1, 0.1f}, {0, 1, 0}};
    for (int k = 0; k <= 8; ++k) {
        const uint32_t frame = static_cast<uint32_t>(k * 16);
        node.position.keys.push_back(positionKey(frame, -10.0f + 3.0f * std::sin(k * 0.9f),
                                                 2.0f * std::sin(k * 1.3f) - 13.0f,
                                                 3.0f * std::cos(k * 0.7f)));
        Key3ds rotation;
        rotation.frame = frame;
        const float len = std::hypot(axes[k][0], axes[k][1], axes[k][2]);
        const auto axis = fileAxes({axes[k][0] / len, axes[k][1] / len, axes[k][2] / len});
        rotation.value = {swing[k], axis[0], axis[1], axis[2]};
        node.rotation.keys.push_back(rotation);
    }
    scene.nodes = {node};
    return encode3ds(scene);
}

bool paintCreditCard(Picture& picture, const std::string& title, const std::string& names, Rgb tint)
{
    Font bold, plain;
    if (!loadDejaVuFont(bold, "DejaVuSans-Bold.ttf") || !loadDejaVuFont(plain, "DejaVuSans.ttf"))
        return false;
    Canvas canvas = makeCanvas(256, 128);
    // Drawn at half size and added to the screen, the two cards of a cue overlap by half their
    // height: everything stays in the middle rows 30 to 98, big letters with a bright outline and a
    // coloured glow, the names in a line below.
    const float titleSize = fitTextHeight(bold, title, 236.0f, names.empty() ? 52.0f : 40.0f, 2.0f);
    const TitleText big = makeTitleText(bold, title, titleSize, 2.0f, 2, 4, 3);
    const int titleCentre = names.empty() ? 64 : 54;
    const int titleY = titleCentre - (big.inkTop + big.inkBottom) / 2;
    paintTitleText(canvas, big, 128 - big.letters.width / 2, titleY, false, scaleRgb(tint, 0.7f),
                   tint, 0.9f);
    if (!names.empty()) {
        const float nameSize = fitTextHeight(plain, names, 230.0f, 20.0f, 1.0f);
        const TitleText small = makeTitleText(plain, names, nameSize, 1.0f, 1, 2, 1);
        const int y = 88 - (small.inkTop + small.inkBottom) / 2;
        addMask(canvas, small.glow, 128 - small.letters.width / 2, y, tint, 0.6f);
        addMask(canvas, small.letters, 128 - small.letters.width / 2, y, {0.95f, 0.95f, 1.0f},
                1.0f);
    }
    applyEdgeFade(canvas, 2, 6);
    picture = finishPicture(canvas, 300 + static_cast<uint32_t>(title.size()));
    return true;
}
