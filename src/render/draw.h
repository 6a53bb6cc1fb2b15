// Rasterizers and screen effects: the face drawer with its drawing modes and span fillers, the
// per-frame draw list with its depth sort, the 2D blits and buffer combinations, the glow
// primitives, and the process-wide random source that effects and scenes draw from.
//
// Every buffer is 320 pixels wide with 4 bytes per pixel (blue, green, red, fourth byte); all
// per-pixel arithmetic treats the four bytes alike, with byte saturation. Each path that does
// arithmetic or sampling per pixel has a packed SSE2 version (the plain name) and a scalar
// reference written straight from the formula (the name with "Scalar"); both give identical bytes.
// Plain copies (copyBlock, copyBuffer, shrinkToQuarter) are block moves and have no reference.
//
// A source picture or texture that did not load (null) is never read: sprites, blocks and
// additions draw nothing, copyBuffer and remapTexture write black, and crossFade fades from or to
// black in its place.
#pragma once

#include <cstdint>

#include "render/maths.h"

struct MeshFace;

constexpr int viewWidth = 320;   // pixels per row of the FrameBuffer and every full-screen buffer
constexpr int viewHeight = 200;  // rows of the FrameBuffer
constexpr int viewPixels = viewWidth * viewHeight;
constexpr int textureSize = 256;  // textures, sprites and maps are addressed with byte coordinates

// Truncation toward zero to a 32-bit integer that holds out-of-range values at the nearest limit
// and maps NaN to 0, so that wild screen coordinates stay defined.
inline int32_t saturatingTrunc(double x)
{
    if (!(x == x))
        return 0;
    if (x >= 2147483647.0)
        return 2147483647;
    if (x <= -2147483648.0)
        return -2147483647 - 1;
    return static_cast<int32_t>(x);
}

// Random numbers

// The one process-wide random sequence: seed = seed · 1103515245 + 12345 (mod 2^32), result =
// bits 16 to 30 of the new seed (0..32767). It starts from seed 1.
struct RandomState {
    uint32_t seed = 1;
};
extern RandomState randomState;

// Next value of the sequence, 0..32767.
int nextRandom();
// Back to seed 1 (for tests and a fresh run).
void resetRandom();

// Draw list

// Entries per frame: faces plus lights that one frame may present (far above any scene's need).
constexpr int drawListCapacity = 16000;
// Payload tags: a payload is a face index, or a light index with this bit set.
constexpr int32_t drawListLightTag = 0x40000000;

// The per-frame depth list: a payload (tagged face or light index) and a float key per entry.
struct DrawList {
    int32_t payload[drawListCapacity];
    float key[drawListCapacity];
    int count;
};
extern DrawList drawList;

// Empties the list (start of every frame).
void resetDrawList();
// Appends a face or light with its depth key. Returns false, writing nothing, when the list is
// full.
bool addFaceToDrawList(int faceIndex, float key);
bool addLightToDrawList(int lightIndex, float key);
inline bool drawListIsLight(int32_t payload)
{
    return (payload & drawListLightTag) != 0;
}
inline int drawListIndex(int32_t payload)
{
    return payload & ~drawListLightTag;
}
// Sorts entries lo..hi (inclusive) by key, ascending, moving each payload with its key. The
// quicksort is fixed, so entries with equal keys always end in the same order.
void sortDrawList(int lo, int hi);

// Span fillers

// What a span filler needs: the 8.8 start values of the span's first pixel, their constant 8.8
// steps per pixel, the pixel count, and the maps it samples. Pixel j of the span uses U + j·dU,
// V + j·dV and so on (32-bit wrapping); a map or texture coordinate is bits 8..15 of its value.
struct SpanState {
    int32_t u, v, s, t;           // 8.8 start values (s carries the intensity in mode 7)
    int32_t du, dv, ds, dt;       // 8.8 steps per pixel
    int count;                    // pixels to fill
    const uint32_t* texture;      // 256x256 texels, texel (u, v) at v·256 + u
    const uint8_t* diffuseMap;    // 256x256 bytes [t][s] (light map plane 0)
    const uint8_t* highlightMap;  // 256x256 bytes [t][s] (light map plane 1)
    const uint32_t* environment;  // 256x256 texels [t][s] (environment picture)
};

// Fills span.count pixels from dst. p = texel byte, d = destination byte, per lane:
using SpanFiller = void (*)(uint32_t* dst, const SpanState& span);
// Mode 0: min(255, ((p·257 >> 1) · 4L) >> 16), L = diffuse map at (s, t).
void fillSpanLightMapped(uint32_t* dst, const SpanState& span);
void fillSpanLightMappedScalar(uint32_t* dst, const SpanState& span);
// Mode 1: p.
void fillSpanCopy(uint32_t* dst, const SpanState& span);
void fillSpanCopyScalar(uint32_t* dst, const SpanState& span);
// Mode 2: min(255, ((p·L) >> 7) + (d >> 1)).
void fillSpanLitHalf(uint32_t* dst, const SpanState& span);
void fillSpanLitHalfScalar(uint32_t* dst, const SpanState& span);
// Mode 3: (p >> 1) + (d >> 1).
void fillSpanHalfBlend(uint32_t* dst, const SpanState& span);
void fillSpanHalfBlendScalar(uint32_t* dst, const SpanState& span);
// Mode 4: min(255, (((p·257 >> 1) · 4L) >> 16) + H), H = highlight map at (s, t).
void fillSpanHighlight(uint32_t* dst, const SpanState& span);
void fillSpanHighlightScalar(uint32_t* dst, const SpanState& span);
// Mode 6: min(255, ((p·257 >> 1) · (e·257 >> 6)) >> 16), e = environment byte of the lane at (s,
// t).
void fillSpanEnvironment(uint32_t* dst, const SpanState& span);
void fillSpanEnvironmentScalar(uint32_t* dst, const SpanState& span);
// Mode 7: min(255, ((p·257 >> 1) · 2I) >> 16), I = s >> 8 (the intensity's integer part, held
// to 0..255 where interpolation rounding would leave that range).
void fillSpanIntensity(uint32_t* dst, const SpanState& span);
void fillSpanIntensityScalar(uint32_t* dst, const SpanState& span);
// Mode 9: min(255, p + d).
void fillSpanAdditive(uint32_t* dst, const SpanState& span);
void fillSpanAdditiveScalar(uint32_t* dst, const SpanState& span);

// Faces

// Projects the face's three vertices (writing their screen x, y, whatever the mode) and draws it
// into target (a 320x200 buffer) with the filler of its drawing mode: 0 light-mapped, 1 copy,
// 2 light-mapped over half background, 3 half blend, 4 light-mapped with highlight, 5 wireframe
// of glow lines, 6 environment-modulated, 7 lit by light 0, 9 additive; other modes draw nothing.
// A face that is off screen or covers no row draws nothing, as does a textured mode without a
// texture, or mode 6 before the environment picture is loaded.
void drawFace(MeshFace& face, uint32_t* target);
// The maps a lit setup's filler samples at the light-map coordinates s, t.
enum LitMaps : uint8_t {
    litLightMaps = 0,    // the diffuse and highlight maps (modes 0, 2, 4)
    litEnvironment = 1,  // the environment picture (mode 6): nothing is drawn before it is loaded
};
// The setups, usable with any filler; each projects the three vertices first. u, v plus
// light-map coordinates s, t (modes 0, 2, 4, 6), u, v only (modes 1, 3, 9), u, v plus light 0's
// intensity in s (mode 7). The span's texture is the face's; its maps are the renderer's light
// maps and environment picture.
void drawLitTriangle(MeshFace& face, SpanFiller filler, uint32_t* target,
                     LitMaps maps = litLightMaps);
void drawTexturedTriangle(MeshFace& face, SpanFiller filler, uint32_t* target);
void drawIntensityTriangle(MeshFace& face, SpanFiller filler, uint32_t* target);

// Sprites and blocks

// Additive sprite: the sw x sh texels of texture (rows of 256 texels) scaled to w x h pixels,
// centred at (cx, cy), per byte min(255, ((s·257 >> 1) + (d·257 >> 1)) >> 7); clipped to 320x200.
void drawSprite(uint32_t* buffer, int sw, int sh, const uint32_t* texture, int cx, int cy, int w,
                int h);
void drawSpriteScalar(uint32_t* buffer, int sw, int sh, const uint32_t* texture, int cx, int cy,
                      int w, int h);

// Block blits of a w x h source (rows w pixels apart; w, h 1..255, 0 meaning 256) to (x, y) of a
// 320x200 buffer; the parts outside the buffer are left out.
// Per byte min(255, ((s·257 >> 1) + (d·257 >> 1)) >> 7).
void addBlock(uint32_t* buffer, uint8_t w, uint8_t h, const uint32_t* source, int x, int y);
void addBlockScalar(uint32_t* buffer, uint8_t w, uint8_t h, const uint32_t* source, int x, int y);
void copyBlock(uint32_t* buffer, uint8_t w, uint8_t h, const uint32_t* source, int x, int y);
// As copyBlock, keeping the destination where the source pixel is 0 (all four bytes).
void keyedCopyBlock(uint32_t* buffer, uint8_t w, uint8_t h, const uint32_t* source, int x, int y);
void keyedCopyBlockScalar(uint32_t* buffer, uint8_t w, uint8_t h, const uint32_t* source, int x,
                          int y);

// Whole-buffer operations (lengths in pixel pairs: 32000 for a whole 320x200 buffer)

void copyBuffer(uint32_t* dst, const uint32_t* src, int pairs);
// d = min(255, d + s) per byte.
void addBuffer(uint32_t* dst, const uint32_t* src, int pairs);
void addBufferScalar(uint32_t* dst, const uint32_t* src, int pairs);
// d = min(255, d + max(0, s − amount)) per byte.
void addBufferDimmed(uint32_t* dst, const uint32_t* src, int pairs, uint8_t amount);
void addBufferDimmedScalar(uint32_t* dst, const uint32_t* src, int pairs, uint8_t amount);
// Over 64000 pixels: d = min(255, ((a·alpha) >> 8) + ((b·(255 − alpha)) >> 8)) per byte.
void crossFade(uint32_t* dst, const uint32_t* a, const uint32_t* b, uint8_t alpha);
void crossFadeScalar(uint32_t* dst, const uint32_t* a, const uint32_t* b, uint8_t alpha);
// The SSE2 path; crossFade takes an AVX2 path with the same results where the processor has it.
void crossFadeSse2(uint32_t* dst, const uint32_t* a, const uint32_t* b, uint8_t alpha);
// 80x50 destination: pixel (i, j) = source pixel (4i, 4j) of a 320x200 source.
void shrinkToQuarter(uint32_t* dst, const uint32_t* src);
// 64000 destination pixels: pixel k = texel at row ((e >> 8) + oy) & 255, column
// ((e & 255) + ox) & 255 of a 256x256 texture, e = table[k].
void remapTexture(uint32_t* dst, const uint32_t* texture, const uint16_t* table, uint8_t ox,
                  uint8_t oy);
void remapTextureScalar(uint32_t* dst, const uint32_t* texture, const uint16_t* table, uint8_t ox,
                        uint8_t oy);

// Glow primitives (added with byte saturation to a 320x200 buffer)

// The 3x3 cross of glowDot at (x, y)..(x + 2, y + 2); nothing unless 0 <= x <= 316, 0 <= y <= 196.
void glowDot(uint32_t* buffer, int x, int y);
// The brighter cross with cyan arms (no red) and a white centre and left arm; the row comes
// premultiplied (y·320). Same clipping as glowDot.
void glowPoint(uint32_t* buffer, int x, int rowOffset);
// Line of glowDots from (x0, y0) toward (x1, y1); the end point itself is not plotted.
void drawGlowLine(uint32_t* buffer, int x0, int y0, int x1, int y1);
// Circle of glowDots of radius r around (cx, cy), eight octants.
void drawGlowCircle(uint32_t* buffer, int cx, int cy, int r);
// Rectangle of four glow lines whose end points each get a random jitter of 0..7.
void drawJitterBox(uint32_t* buffer, int x, int y, int w, int h);

// Point cloud: 100 random points kept in the vertex records after the mesh's last vertex.

constexpr int pointCloudSize = 100;  // points of the cloud
struct PointCloudState {
    int first = 0;  // vertex index of the first point
    int count = 0;  // points placed (fewer than 100 only when the vertex table is nearly full)
};
extern PointCloudState pointCloud;
void resetPointCloud();

// Places the points at the mesh's vertex count (the count is not changed): x, y, z each
// 140 − (nextRandom() / 100), from −187 to 140.
void addPointCloud();
// Camera-space positions of the points with m (the caller ran prepareFastTransform(m)).
void transformPointCloud(const Matrix4& m);
// Projects each point and adds a glowPoint at its truncated screen position.
void drawPointCloud(uint32_t* buffer);
