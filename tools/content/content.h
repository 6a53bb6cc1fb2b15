// Build-time content: a small painting toolkit, the painters of the show's pictures, and the
// generator that writes every picture (and later every mesh) into a staging folder for packing.
// Everything here is deterministic: fixed seeds, no clocks, no locale, no threads.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "writers/write3ds.h"

// ---- Colours and canvases -------------------------------------------------------------------

// A colour in display values, 0 black to 1 full; values above 1 saturate when finished.
struct Rgb {
    float r = 0.0f;
    float g = 0.0f;
    float b = 0.0f;
};

// A picture being painted: one Rgb per pixel, top row first.
struct Canvas {
    int width = 0;
    int height = 0;
    std::vector<Rgb> pixels;
};

// A coverage, height or intensity field: one float per pixel, top row first.
struct Mask {
    int width = 0;
    int height = 0;
    std::vector<float> values;
};

// A finished picture in the engine's byte order: blue, green, red, 0 per pixel, top row first.
struct Picture {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> bytes;
};

// One stop of a colour ramp; stops are given in increasing position order.
struct RampStop {
    float position = 0.0f;
    Rgb colour;
};

Canvas makeCanvas(int width, int height, Rgb fill = {});
Mask makeMask(int width, int height, float fill = 0.0f);

Rgb mixRgb(Rgb a, Rgb b, float t);
Rgb scaleRgb(Rgb c, float s);
Rgb addRgb(Rgb a, Rgb b);
// Linear interpolation between the stops; positions outside the ramp take the end colours.
Rgb sampleRamp(const std::vector<RampStop>& ramp, float t);
// A polished-metal ramp over t in 0..1 (top to bottom of a shape): bright sky, dark horizon
// band, warm ground, the classic chrome look.
Rgb chromeColour(float t);
// Gold variant of the same banding.
Rgb goldColour(float t);

// Adds colour scaled by weight to one pixel; positions outside the canvas are ignored.
void addToPixel(Canvas& canvas, int x, int y, Rgb colour, float weight);
// Blends colour over the pixel with coverage alpha (0 keeps, 1 replaces).
void blendPixel(Canvas& canvas, int x, int y, Rgb colour, float alpha);

// Multiplies every pixel by a window that is 1 inside radius inner and falls smoothly to exactly 0
// at radius outer (both as fractions of half the smaller side): keeps sprite borders black.
void applyRoundWindow(Canvas& canvas, float inner, float outer);
// Clears a frame of the given width at the picture's edges to black.
void clearBorder(Canvas& canvas, int border);
// Fades the picture smoothly to black over margin pixels at every edge, reaching exactly 0 at the
// outermost black pixels (black frame of width black, then a smooth ramp up to full at margin).
void applyEdgeFade(Canvas& canvas, int black, int margin);

// Quantises to bytes with a small triangular dither so that soft gradients do not band. Pixels
// that round to black stay exactly black (no dither speckle on sprite backgrounds).
Picture finishPicture(const Canvas& canvas, uint32_t ditherSeed);

// ---- Random numbers and noise -----------------------------------------------------------------

// A small deterministic generator (xorshift32); never seeded from the clock.
struct Random {
    uint32_t state = 0x9e3779b9u;
};
Random makeRandom(uint32_t seed);
uint32_t nextRandom(Random& random);
// Uniform in [0, 1).
float randomUnit(Random& random);

// Smooth value noise on an integer lattice hashed with the seed, range 0..1.
float valueNoise(float x, float y, uint32_t seed);
// Gradient (Perlin) noise, range about -1..1; seed selects one of 256 variations.
float gradientNoise(float x, float y, float z, int seed);
// Sum of octaves of gradient noise, each twice the frequency and gain times the amplitude of the
// last, normalised to about -1..1.
float fractalNoise(float x, float y, float z, int octaves, float gain, int seed);

// ---- Shapes (all additive)
// ------------------------------------------------------------------------

// 1 at x = 0 falling smoothly to exactly 0 at x >= 1, with zero slope at both ends.
float smoothFalloff(float x);
// Radial glow: colour × falloff(distance / radius)^sharpness; sharpness 1 is soft, 4 is tight.
void addGlow(Canvas& canvas, float cx, float cy, float radius, Rgb colour, float sharpness);
// Gaussian core: colour × exp(-(d / sigma)^2 / 2), cut to zero beyond 3.5 sigma.
void addCore(Canvas& canvas, float cx, float cy, float sigma, Rgb colour);
// Ring of the given radius with a Gaussian cross-section of the given thickness (sigma).
void addRing(Canvas& canvas, float cx, float cy, float radius, float thickness, Rgb colour);
// A ray from (cx, cy) in the direction angle (radians, 0 = right, counter-clockwise on screen),
// fading to 0 at length, with a Gaussian cross-section of thickness (sigma) that tapers.
void addStreak(Canvas& canvas, float cx, float cy, float angle, float length, float thickness,
               Rgb colour);
// count stars at random places: mostly faint points, a few brighter ones with a small glow.
void addStarfield(Canvas& canvas, Random& random, int count, float brightness);

// ---- Masks --------------------------------------------------------------------------------------

// Gaussian-like blur by three box passes of the given radius in each direction.
void blurMask(Mask& mask, int radius);
// Grows the covered area by radius pixels (maximum over a disc).
Mask dilateMask(const Mask& mask, int radius);
// Places a smaller mask into a larger one at (x, y), keeping the maximum.
void stampMask(Mask& target, const Mask& source, int x, int y);
// Shading of a bevelled shape from its coverage: the coverage blurred by depth pixels is read as a
// height field, lit from the upper left; returns the lighting term, about -1..1, per pixel.
Mask bevelLight(const Mask& coverage, int depth);
// Adds colour × mask value (times strength) at offset (x, y).
void addMask(Canvas& canvas, const Mask& mask, int x, int y, Rgb colour, float strength);

// ---- Text ---------------------------------------------------------------------------------------

// A TrueType font file held in memory.
struct Font {
    std::vector<uint8_t> data;
};
// Reads a font file; false when it cannot be read or parsed.
bool loadFont(Font& font, const std::string& path);
// Debian's DejaVu fonts (fonts-dejavu-core), the only fonts the pictures use.
std::string dejaVuPath(const std::string& fileName);
// Renders text into a coverage mask with pad empty pixels on every side; pixelHeight is the
// font's ascent-to-descent height, tracking extra pixels between letters.
Mask renderText(const Font& font, const std::string& text, float pixelHeight, float tracking,
                int pad);
// The pixel height at which text is at most maxWidth wide (ignoring padding).
float fitTextHeight(const Font& font, const std::string& text, float maxWidth, float maxHeight,
                    float tracking);

// A finished title text: coverage of the letters, of their outline and of the glow around them,
// all the same size, with the bevel lighting of the letters.
struct TitleText {
    Mask letters;
    Mask outline;
    Mask glow;
    Mask light;
    // First and last rows of the masks that hold letter ink (coverage above one half).
    int inkTop = 0;
    int inkBottom = 0;
};
// Renders text with room for an outline of outlineWidth pixels and a glow of glowRadius pixels.
TitleText makeTitleText(const Font& font, const std::string& text, float pixelHeight,
                        float tracking, int outlineWidth, int glowRadius, int bevelDepth);
// Paints a title text at (x, y): the glow added in glowColour, the outline blended in
// outlineColour, the letters filled by metal (chrome or gold by rows) lit by the bevel.
void paintTitleText(Canvas& canvas, const TitleText& title, int x, int y, bool gold,
                    Rgb outlineColour, Rgb glowColour, float glowStrength);

// ---- The show's pictures ----------------------------------------------------------------------

// Sprite and face texture width: the engine reads them with a row length of 256 texels.
constexpr int spriteWidth = 256;
// Light sprites are drawn square, so their pictures are square too.
constexpr int lightSpriteHeight = 256;
// The title grows to about 526 x 164 pixels on screen: 256 wide keeps that aspect at 80 rows.
constexpr int titleHeight = 80;
// Full-screen pictures fill the 320x200 FrameBuffer byte for byte.
constexpr int screenWidth = 320;
constexpr int screenHeight = 200;
// The environment map is addressed by 8-bit texture coordinates in both directions.
constexpr int envMapSize = 256;

Picture paintLightRed();
Picture paintLightGreen();
Picture paintLightBlue();
Picture paintLightFlame();
Picture paintLightStar();
Picture paintLightSmallRed();
Picture paintLightSmallBlue();
Picture paintFlareRing();
Picture paintEnvironmentMap();
// The title logo needs the fonts; false (with a message on standard error) when they are missing.
bool paintTitleLogo(Picture& picture);
bool paintOpeningPicture(Picture& picture);

// Space flight and Final flight: face textures of "space1.3ds" and "space2.3ds", the meshes, and
// the end credits strip, which scrolls 804 rows plus a screen over the right side.
constexpr int endCreditsWidth = 160;
constexpr int endCreditsHeight = 1024;
Picture paintFlightSky();
Picture paintStationHull();
Picture paintStationWindows();
Picture paintGateRing();
Picture paintAsteroidRock();
Picture paintHomePlanet();
Picture paintFarSky();
Picture paintShipHull();
Picture paintEngineExhaust();
Picture paintNebulaVeil();
Picture paintPlanetRings();
std::vector<uint8_t> encodeSpaceFlightMesh();
std::vector<uint8_t> encodeFinalFlightMesh();
bool paintEndCredits(Picture& picture);
// Tunnel: "zemtun3.3ds" (a ring-shaped tube round the vertical axis), its textures and the glow
// added over every frame.
Picture paintTunnelWall();
Picture paintTunnelChrome();
Picture paintTunnelLamps();
Picture paintTunnelGlow();
std::vector<uint8_t> encodeTunnelMesh();
// Wave grid: four tiling face textures ("rubbb1.jpg" is also the Rubber column's) and the keyed
// panel over the grid (256 x 200, black where the grid shows).
Picture paintWaveCircuit();
Picture paintWavePlasma();
Picture paintWaveTiles();
Picture paintWaveFire();
bool paintWavePanel(Picture& picture);
// Cosmos cross-fade: one nebula and planet in two lights.
Picture paintCosmosWarm();
Picture paintCosmosCool();

// Sun and code, Disks, Greetings and Rubber (tools/content/scene_*.cpp); the meshes come back as
// encoded 3DS files. Painters that need the fonts return false (with a message) without them.
std::vector<uint8_t> buildSunCodeMesh();
Picture paintSunSurface();
Picture paintPlanetBands();
Picture paintSpaceSky();
Picture paintCornerSun();
bool paintCodeStrip(Picture& picture);
std::vector<uint8_t> buildDisksMesh();
Picture paintDisksBackdropCool();
Picture paintDisksBackdropWarm();
bool paintDisksWord(Picture& picture, const std::string& word, bool gold, Rgb glow);
bool paintGreetingsPanel(Picture& picture);
Picture paintGreetingsFace(int frame);
bool paintGreetingCards(Picture& picture);
Picture paintWarpVeins();
std::vector<uint8_t> buildGreetingsMesh();
std::vector<uint8_t> buildRubberMesh();
Picture paintRubberPanels();
Picture paintRubberPanorama();
// Morph and the neon rooms: their meshes (written with encode3ds) and pictures.

// Morph: the floor, the morphing object, its mirror and fifteen key shapes.
Scene3ds modelMorph();
Picture paintMorphFloor();
Picture paintMorphSkin();

// Neon rooms: the computer room, the machine room, the textures both share, the sign's two states
// (256 x 256 face textures), the Computer's overlay (320 x 520) and the Mother's panel (144 x 64).
Scene3ds modelComputerRoom();
Scene3ds modelMotherRoom();
Picture paintRoomFloor();
Picture paintRoomWall();
Picture paintRoomCeiling();
Picture paintRoomObjects();
Picture paintMotherOrb();
bool paintNeonSignLit(Picture& picture);
bool paintNeonSignDark(Picture& picture);
bool paintComputerOverlay(Picture& picture);
bool paintMotherPanel(Picture& picture);

// ---- Generator
// -----------------------------------------------------------------------------------

// Writes one file of the archive into the staging folder; reports failures on standard error.
bool writeAsset(const std::string& folder, const std::string& name,
                const std::vector<uint8_t>& bytes);
// Encodes and writes one picture into the staging folder: JPEG with the given quality, or BMP
// when the name ends in ".bmp". Reports failures on standard error.
bool writePicture(const std::string& folder, const std::string& name, const Picture& picture,
                  int quality);
// Writes every asset of the show into folder (which must exist); false after the first failure.
bool generateContent(const std::string& folder);

// Decodes every picture file in folder and writes a PNG contact sheet with each picture at its
// own size times scale (1 to 8), labelled with its name and size. false (with a message) on
// failure.
bool writeContactSheet(const std::string& pngPath, const std::string& folder, int scale);

// ---- Meshes -------------------------------------------------------------------------------------

// A mesh object being modelled in the engine's axes (x right, y up, z away from the default eye),
// with texture coordinates in texels of a 256x256 texture. A triangle is the front of a face when
// its corners run counter-clockwise as seen from in front of it.
struct MeshBuilder {
    std::vector<std::array<float, 3>> positions;
    std::vector<std::array<float, 2>> texels;
    std::vector<std::array<uint16_t, 3>> triangles;
};
// One point of a lathe profile: radius from the axis, height, texel row.
struct ProfilePoint {
    float radius = 0.0f;
    float height = 0.0f;
    float v = 0.0f;
};

int addMeshVertex(MeshBuilder& mesh, float x, float y, float z, float u, float v);
void addMeshTriangle(MeshBuilder& mesh, int a, int b, int c);
// Two triangles a b c and a c d of a quad whose corners run counter-clockwise from the front.
void addMeshQuad(MeshBuilder& mesh, int a, int b, int c, int d);
// A surface of revolution about the vertical axis through (cx, cz): segments steps around (one
// more column of vertices closes the seam), the texture repeated uRepeat times around. The front
// lies to the right of the profile's direction in the (radius, height) plane: a profile that goes
// up at the outside and inward over the top faces outward.
void addLathe(MeshBuilder& mesh, const std::vector<ProfilePoint>& profile, int segments,
              float uRepeat, float cx = 0.0f, float cz = 0.0f, float startAngle = 0.0f);
// The 3D Studio object of a builder, every face in one material; positions go to the file's axes.
Object3ds finishMeshObject(const MeshBuilder& mesh, const std::string& name,
                           const std::string& material);
// A file position (z up) from engine axes.
std::array<float, 4> fileAxes(float x, float y, float z);

// The data of the opening scenes: the meshes with the face textures they name, and the credit
// cards.
std::vector<uint8_t> buildFlamesMesh();
std::vector<uint8_t> buildLogoMesh();
Picture paintFlamesStone();
Picture paintFlamesFloor();
Picture paintFlamesDome();
Picture paintFlamesGold();
// A 256 x 128 credit card: title above, names below; false when the fonts are missing.
bool paintCreditCard(Picture& picture, const std::string& title, const std::string& names,
                     Rgb tint);

// The program's icon: 32 x 32 pixels, each an index into the 16 colours of iconPalette.
constexpr int iconSize = 32;
extern const uint8_t iconPalette[16][3];  // red, green, blue
void paintIcon(uint8_t (&indices)[iconSize][iconSize]);
// Writes the icon as a 4-bit (16-colour) BMP file.
bool writeIcon(const std::string& path);
// Writes the icon as a 32 x 32 PNG with an alpha channel, for the desktop's icon theme.
bool writeIconPng(const std::string& path);
