// The face drawer: coverage, clipping, texture stepping, drawing modes and the packed fillers
// through the triangle setups.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <random>
#include <vector>

#include "assets/mesh.h"
#include "raster_test.h"
#include "render/draw.h"
#include "render/render.h"

namespace {

// A vertex placed at screen (sx, sy): camera-space z 0 projects at scale 1 around (160, 100).
// Its camera-space normal faces the eye, so its light-map coordinates are (128, 128).
MeshVertex screenVertex(float sx, float sy, float u, float v)
{
    MeshVertex m{};
    m.cx = sx - 160;
    m.cy = 100 - sy;
    m.cz = 0;
    m.u = u;
    m.v = v;
    m.cnz = -1;
    return m;
}

struct TestFace {
    MeshVertex v[3];
    MeshFace face{};
    TestFace(MeshVertex a, MeshVertex b, MeshVertex c, uint32_t* texture, DrawMode mode)
        : v{a, b, c}
    {
        face.a = &v[0];
        face.b = &v[1];
        face.c = &v[2];
        face.texture = texture;
        face.mode = mode;
    }
};

class FaceTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        resetProjection();
        buildLightMapsWith(nullptr);
    }
    void TearDown() override { resetLightMaps(); }
};

// Pixels of the buffer that differ from 0.
int drawnPixels(GuardedBuffer& b)
{
    int n = 0;
    for (int i = 0; i < viewPixels; i++)
        n += b.pixels()[i] != 0;
    return n;
}

// Texture whose texel (u, v) holds u in blue and v in green, 0x01 in red (never black).
std::vector<uint32_t> coordinateTexture()
{
    std::vector<uint32_t> t(256 * 256);
    for (int v = 0; v < 256; v++)
        for (int u = 0; u < 256; u++)
            t[v * 256 + u] = 0x00010000u | v << 8 | u;
    return t;
}

}  // namespace

TEST_F(FaceTest, SmallTriangleCoverageLeavesRightEndsOut)
{
    auto texture = coordinateTexture();
    GuardedBuffer buffer;
    TestFace f(screenVertex(20, 30, 0, 0), screenVertex(30, 30, 10, 0), screenVertex(20, 40, 0, 10),
               texture.data(), modeCopy);
    drawFace(f.face, buffer.pixels());
    // Row 30 + r holds columns 20 .. 29 − r: the pixel under the right end is not drawn.
    for (int y = 0; y < 200; y++)
        for (int x = 0; x < 320; x++) {
            const bool inside = y >= 30 && y < 40 && x >= 20 && x < 30 - (y - 30);
            ASSERT_EQ(buffer.at(x, y) != 0, inside) << x << "," << y;
            if (inside) {
                ASSERT_EQ(buffer.at(x, y), texture[(y - 30) * 256 + (x - 20)]);
            }
        }
}

TEST_F(FaceTest, EmptyAndRejectedFacesDrawNothing)
{
    auto texture = coordinateTexture();
    struct Case {
        MeshVertex a, b, c;
    };
    const Case cases[] = {
        {screenVertex(10, 50, 0, 0), screenVertex(200, 50, 9, 0),
         screenVertex(90, 50, 0, 9)},  // flat
        {screenVertex(-1, -50, 0, 0), screenVertex(-80, 100, 9, 0),
         screenVertex(-5, 300, 0, 9)},  // left
        {screenVertex(-50, -1, 0, 0), screenVertex(100, -80, 9, 0),
         screenVertex(300, -5, 0, 9)},  // above
        {screenVertex(320.5f, 0, 0, 0), screenVertex(400, 100, 9, 0), screenVertex(330, 199, 0, 9)},
        {screenVertex(0, 200.5f, 0, 0), screenVertex(100, 400, 9, 0), screenVertex(300, 201, 0, 9)},
        {screenVertex(0, 200, 0, 0), screenVertex(100, 300, 9, 0),
         screenVertex(300, 201, 0, 9)},  // row 200
    };
    for (const Case& c : cases)
        for (int mode = 0; mode < 12; mode++) {
            if (mode == 5)
                continue;  // wireframes are not rejected
            GuardedBuffer buffer;
            TestFace f(c.a, c.b, c.c, texture.data(), static_cast<DrawMode>(mode));
            drawFace(f.face, buffer.pixels());
            ASSERT_EQ(drawnPixels(buffer), 0) << mode;
        }
    // Mode 8 and 10 on, and a textured mode without a texture, draw nothing either.
    for (int mode : {1, 8, 10, 255}) {
        GuardedBuffer buffer;
        TestFace f(screenVertex(10, 10, 0, 0), screenVertex(100, 20, 9, 0),
                   screenVertex(50, 90, 0, 9), mode == 1 ? nullptr : texture.data(),
                   static_cast<DrawMode>(mode));
        drawFace(f.face, buffer.pixels());
        EXPECT_EQ(drawnPixels(buffer), 0) << mode;
    }
}

TEST_F(FaceTest, ClippedSpansKeepTheirTextureCoordinates)
{
    auto texture = coordinateTexture();
    // u = sx + 100 and v = sy across a face much larger than the view: one texel per pixel.
    auto at = [](float sx, float sy) { return screenVertex(sx, sy, sx + 100, sy); };
    GuardedBuffer buffer;
    TestFace f(at(-60, -30.5f), at(420, 80), at(-40, 260), texture.data(), modeCopy);
    drawFace(f.face, buffer.pixels());
    EXPECT_TRUE(buffer.guardsIntact());
    // Rows 0 and 199 are drawn, from column 0; the left edge shows the coordinates advanced by the
    // clipped width; spans crossing the right edge end at column 319.
    for (int y : {0, 1, 50, 100, 150, 199}) {
        ASSERT_NE(buffer.at(0, y), 0u) << y;
        for (int x = 0; x < 320; x++) {
            const uint32_t p = buffer.at(x, y);
            if (p == 0)
                continue;
            const int u = p & 255, expected = (x + 100) & 255;
            const int du = (u - expected + 256) % 256;
            ASSERT_TRUE(du <= 1 || du == 255) << x << "," << y << " u " << u;
            const int v = (p >> 8) & 255, dv = (v - y + 256) % 256;
            ASSERT_TRUE(dv <= 1 || dv == 255) << x << "," << y << " v " << v;
        }
    }
    EXPECT_NE(buffer.at(319, 80), 0u);

    // Faces reaching thousands of rows above the view (one with its middle vertex up there too):
    // the rows stepped over still carry the coordinates down to row 0. Here v = sy everywhere,
    // and the middle vertex sits at a whole 1/256 of the height, so the gradients are exact.
    for (float middle : {-5000 + 26 * 39.0625f, -5000 + 130 * 39.0625f}) {
        GuardedBuffer tall;
        TestFace t(screenVertex(160, -5000, 0, -5000), screenVertex(-3000, middle, 0, middle),
                   screenVertex(600, 5000, 0, 5000), texture.data(), modeCopy);
        drawFace(t.face, tall.pixels());
        int checked = 0;
        for (int y = 0; y < 200; y++)
            for (int x = 0; x < 320; x++) {
                const uint32_t p = tall.at(x, y);
                if (p == 0)
                    continue;
                const int v = (p >> 8) & 255, dv = (v - (y & 255) + 256) % 256;
                ASSERT_TRUE(dv <= 1 || dv == 255) << middle << ": " << x << "," << y << " v " << v;
                checked++;
            }
        EXPECT_GT(checked, 60000);
        EXPECT_NE(tall.at(0, 0), 0u);
        EXPECT_NE(tall.at(300, 199), 0u);
    }
}

TEST_F(FaceTest, NeighboursShareNoPixel)
{
    std::vector<uint32_t> ones(256 * 256, 0x00010101);
    // Rectangles cut along either diagonal cover each of their pixels exactly once: the pixel
    // under the right end of a span belongs to the face on its right.
    struct Rect {
        int x0, y0, x1, y1;
    };
    for (Rect r : {Rect{40, 40, 80, 80}, Rect{10, 20, 47, 43}, Rect{-30, -20, 100, 60},
                   Rect{250, 150, 350, 230}, Rect{0, 0, 320, 200}, Rect{100, 100, 101, 113},
                   Rect{5, 7, 300, 9}})
        for (bool mainDiagonal : {true, false}) {
            const float x0 = float(r.x0), y0 = float(r.y0), x1 = float(r.x1), y1 = float(r.y1);
            GuardedBuffer buffer;
            TestFace a = mainDiagonal
                             ? TestFace(screenVertex(x0, y0, 0, 0), screenVertex(x1, y0, 0, 0),
                                        screenVertex(x1, y1, 0, 0), ones.data(), modeAdditive)
                             : TestFace(screenVertex(x0, y0, 0, 0), screenVertex(x1, y0, 0, 0),
                                        screenVertex(x0, y1, 0, 0), ones.data(), modeAdditive);
            TestFace b = mainDiagonal
                             ? TestFace(screenVertex(x0, y0, 0, 0), screenVertex(x1, y1, 0, 0),
                                        screenVertex(x0, y1, 0, 0), ones.data(), modeAdditive)
                             : TestFace(screenVertex(x1, y0, 0, 0), screenVertex(x1, y1, 0, 0),
                                        screenVertex(x0, y1, 0, 0), ones.data(), modeAdditive);
            drawFace(a.face, buffer.pixels());
            drawFace(b.face, buffer.pixels());
            for (int y = 0; y < 200; y++)
                for (int x = 0; x < 320; x++) {
                    const bool inside = x >= r.x0 && x < r.x1 && y >= r.y0 && y < r.y1;
                    ASSERT_EQ(buffer.at(x, y), inside ? 0x00010101u : 0u)
                        << r.x0 << "," << r.y0 << " " << mainDiagonal << " at " << x << "," << y;
                }
            EXPECT_TRUE(buffer.guardsIntact());
        }
}

TEST_F(FaceTest, WrappedCoordinatesAndFlatEdges)
{
    auto texture = coordinateTexture();
    // Every vertex at u = 256.5, v = 3.5: the whole face samples texel (0, 3).
    GuardedBuffer buffer;
    TestFace f(screenVertex(10, 10, 256.5f, 3.5f), screenVertex(90, 12, 256.5f, 3.5f),
               screenVertex(40, 70, 256.5f, 3.5f), texture.data(), modeCopy);
    drawFace(f.face, buffer.pixels());
    int drawn = 0;
    for (int i = 0; i < viewPixels; i++)
        if (buffer.pixels()[i]) {
            drawn++;
            ASSERT_EQ(buffer.pixels()[i], texture[3 * 256]);
        }
    EXPECT_GT(drawn, 1000);

    // Flat top and flat bottom: the edge whose ends share a row is never stepped.
    GuardedBuffer top, bottom;
    TestFace flatTop(screenVertex(10, 20, 0, 0), screenVertex(50, 20, 40, 0),
                     screenVertex(10, 60, 0, 40), texture.data(), modeCopy);
    TestFace flatBottom(screenVertex(10, 20, 0, 0), screenVertex(50, 60, 40, 40),
                        screenVertex(10, 60, 0, 40), texture.data(), modeCopy);
    drawFace(flatTop.face, top.pixels());
    drawFace(flatBottom.face, bottom.pixels());
    EXPECT_EQ(drawnPixels(top), 40 * 41 / 2 - 0);  // rows 20..59 of 40, 39, ... 1 pixels
    EXPECT_EQ(drawnPixels(bottom), 40 * 39 / 2);   // rows 20..59 of 0, 1, ... 39 pixels
}

TEST_F(FaceTest, ModesGiveTheirValues)
{
    std::vector<uint32_t> grey(256 * 256, 0x00646464);  // 100
    buildLightMapsWith(ownedPicture(std::vector<uint32_t>(256 * 256, 0x00FF4000)));
    // Light 0 ten units in front of the face: intensity 255 at every vertex.
    mesh.lights[0].cx = 0;
    mesh.lights[0].cy = 0;
    mesh.lights[0].cz = -10;
    struct Case {
        DrawMode mode;
        uint32_t background, expected;
    };
    const Case cases[] = {
        {modeLightMapped, 0, 0x00C7C7C7},  // diffuse 255 at (128, 128): ((100·257 >> 1)·1020) >> 16
        {modeCopy, 0x00FFFFFF, 0x00646464},       // copy
        {modeLitHalf, 0x00C8C8C8, 0x00FFFFFF},    // (100·255 >> 7) + 100
        {modeLitHalf, 0x00000002, 0x00C7C7C8},    // 199 + (d >> 1)
        {modeHalfBlend, 0x00646464, 0x00646464},  // half blend of equal even values
        {modeHighlight, 0, 0xC0FFFFFF},    // 199 + highlight 192 (the fourth byte gets 192 too)
        {modeEnvironment, 0, 0x00C83200},  // environment 0, 64, 255: (12850·(e·257 >> 6)) >> 16
        {modePointLit, 0, 0x00636363},     // intensity 255: 99
        {modeAdditive, 0x00FFFFFF, 0x00FFFFFF},  // additive on white
        {modeAdditive, 0x00101010, 0x00747474},
    };
    for (const Case& c : cases) {
        GuardedBuffer buffer;
        std::fill(buffer.pixels(), buffer.pixels() + viewPixels, c.background);
        TestFace f(screenVertex(140, 80, 0, 0), screenVertex(180, 80, 40, 0),
                   screenVertex(160, 120, 0, 40), grey.data(), c.mode);
        drawFace(f.face, buffer.pixels());
        EXPECT_EQ(buffer.at(160, 90), c.expected) << int(c.mode);
        EXPECT_EQ(buffer.at(100, 90), c.background) << int(c.mode);
    }
    buildLightMapsWith(nullptr);  // mode 6 before the environment picture exists
    GuardedBuffer none;
    TestFace f6(screenVertex(140, 80, 0, 0), screenVertex(180, 80, 40, 0),
                screenVertex(160, 120, 0, 40), grey.data(), modeEnvironment);
    drawFace(f6.face, none.pixels());
    EXPECT_EQ(drawnPixels(none), 0);

    // Mode 5: glow lines from vertex 0 to 1, 1 to 2 and 0 to 2, from truncated screen positions.
    GuardedBuffer wire, expected;
    TestFace f5(screenVertex(10.9f, 20.5f, 0, 0), screenVertex(60, 20, 0, 0),
                screenVertex(30, 70.7f, 0, 0), nullptr, modeWireframe);
    drawFace(f5.face, wire.pixels());
    drawGlowLine(expected.pixels(), 10, 20, 60, 20);
    drawGlowLine(expected.pixels(), 60, 20, 30, 70);
    drawGlowLine(expected.pixels(), 10, 20, 30, 70);
    EXPECT_EQ(wire.storage, expected.storage);
}

TEST_F(FaceTest, PackedAndScalarFillersAgreeThroughTheSetups)
{
    std::mt19937 rng(31);
    const auto texture = edgyPixels(rng, 256 * 256);
    buildLightMapsWith(ownedPicture(edgyPixels(rng, 256 * 256)));
    mesh.lights[0].cx = 20;
    mesh.lights[0].cy = -30;
    mesh.lights[0].cz = -40;
    const std::vector<uint32_t> background = edgyPixels(rng, viewPixels);
    using Setup = void (*)(MeshFace&, SpanFiller, uint32_t*);
    struct Pair {
        Setup setup;
        SpanFiller packed, scalar;
    };
    const Setup lit = [](MeshFace& f, SpanFiller filler, uint32_t* target) {
        drawLitTriangle(f, filler, target);
    };
    const Setup environment = [](MeshFace& f, SpanFiller filler, uint32_t* target) {
        drawLitTriangle(f, filler, target, litEnvironment);
    };
    const Pair pairs[] = {
        {lit, fillSpanLightMapped, fillSpanLightMappedScalar},
        {drawTexturedTriangle, fillSpanCopy, fillSpanCopyScalar},
        {lit, fillSpanLitHalf, fillSpanLitHalfScalar},
        {drawTexturedTriangle, fillSpanHalfBlend, fillSpanHalfBlendScalar},
        {lit, fillSpanHighlight, fillSpanHighlightScalar},
        {environment, fillSpanEnvironment, fillSpanEnvironmentScalar},
        {drawIntensityTriangle, fillSpanIntensity, fillSpanIntensityScalar},
        {drawTexturedTriangle, fillSpanAdditive, fillSpanAdditiveScalar},
    };
    auto randomVertex = [&] {
        auto r = [&](float lo, float hi) {
            return lo + (hi - lo) * static_cast<float>(rng() % 10001) / 10000;
        };
        MeshVertex v = screenVertex(r(-100, 420), r(-80, 280), r(-300, 600), r(-300, 600));
        v.cz = r(-100, 300);
        v.cnx = r(-1, 1);
        v.cny = r(-1, 1);
        v.cnz = r(-1, 0);
        return v;
    };
    for (int round = 0; round < 60; round++)
        for (const Pair& p : pairs) {
            TestFace f(randomVertex(), randomVertex(), randomVertex(),
                       const_cast<uint32_t*>(texture.data()), modeLightMapped);
            GuardedBuffer packed, scalar;
            std::copy(background.begin(), background.end(), packed.pixels());
            std::copy(background.begin(), background.end(), scalar.pixels());
            p.setup(f.face, p.packed, packed.pixels());
            p.setup(f.face, p.scalar, scalar.pixels());
            ASSERT_EQ(packed.storage, scalar.storage) << round;
        }
}

TEST_F(FaceTest, WildVerticesStayInsideTheBuffer)
{
    // Huge, infinite and NaN screen positions, faces near the eye plane, and coordinates in the
    // millions: every mode draws only inside the picture and returns.
    auto texture = coordinateTexture();
    buildLightMapsWith(ownedPicture(std::vector<uint32_t>(256 * 256, 0x00808080)));
    const float wild[] = {0,
                          1e-30f,
                          150,
                          -150,
                          1e4f,
                          -1e4f,
                          3e9f,
                          -3e9f,
                          1e30f,
                          -1e30f,
                          std::numeric_limits<float>::infinity(),
                          -std::numeric_limits<float>::infinity(),
                          std::numeric_limits<float>::quiet_NaN()};
    std::mt19937 rng(9);
    auto pick = [&] { return wild[rng() % (sizeof wild / sizeof wild[0])]; };
    GuardedBuffer buffer;
    for (int round = 0; round < 3000; round++) {
        MeshVertex v[3];
        for (MeshVertex& m : v) {
            m = screenVertex(0, 0, pick(), pick());
            m.cx = rng() % 2 ? pick() : static_cast<float>(rng() % 400) - 200;
            m.cy = rng() % 2 ? pick() : static_cast<float>(rng() % 300) - 150;
            m.cz = rng() % 4 ? static_cast<float>(rng() % 800) - 390 : pick();
            m.cnx = rng() % 3 ? 0.5f : pick();
        }
        TestFace f(v[0], v[1], v[2], texture.data(), static_cast<DrawMode>(round % 10));
        drawFace(f.face, buffer.pixels());
        ASSERT_TRUE(buffer.guardsIntact()) << round;
    }
}

namespace {

// A filler that draws nothing and records every span the setup hands it, with the offset of its
// first pixel in the target.
struct RecordedSpan {
    long long offset;
    SpanState span;
};
std::vector<RecordedSpan> recordedSpans;
const uint32_t* recordingTarget = nullptr;
void recordSpan(uint32_t* dst, const SpanState& span)
{
    recordedSpans.push_back({dst - recordingTarget, span});
}

// One edge of the setup in 8.8, written from the rule: steps trunc((b − a)·256 · (1 / height))
// for x and each value.
struct FormulaEdge {
    long long x, dx, w[4], dw[4];
};
FormulaEdge formulaSteps(const double a[6], const double b[6])
{
    FormulaEdge e{};
    const double inverse = 1 / (b[1] - a[1]);
    e.dx = static_cast<long long>((b[0] - a[0]) * 256 * inverse);
    for (int i = 0; i < 4; i++)
        e.dw[i] = static_cast<long long>((b[2 + i] - a[2 + i]) * 256 * inverse);
    return e;
}

}  // namespace

TEST_F(FaceTest, TiltedTriangleGradientsAndPrestepFollowTheFormula)
{
    // Faces with no edge along a row or column, corners between pixel centres and the middle
    // corner on the left or on the right, given out of order. Every span the lit setup hands its
    // filler is compared with the 8.8 values worked out here from the rule: per-pixel gradients
    // from the widest span, edges prestepped to the first row centre below each corner.
    auto texture = coordinateTexture();
    struct Corner {
        float sx, sy, u, v, nx, ny;
    };
    const Corner faces[][3] = {
        {{201.7f, 150.35f, 30.5f, 200.25f, 0.25f, -0.5f},
         {60.2f, 20.6f, 10.75f, 5.5f, -0.5f, 0.125f},
         {40.9f, 95.15f, 250.0f, 60.125f, 0.75f, 0.5f}},
        {{30.45f, 180.8f, 3.0f, 70.5f, -0.75f, 0.25f},
         {280.3f, 99.7f, 190.25f, 12.0f, 0.5f, -0.25f},
         {110.6f, 10.1f, 64.5f, 240.75f, 0.125f, 0.75f}},
    };
    for (const auto& face : faces) {
        MeshVertex v[3];
        for (int k = 0; k < 3; k++) {
            v[k] = screenVertex(face[k].sx, face[k].sy, face[k].u, face[k].v);
            v[k].cnx = face[k].nx;
            v[k].cny = face[k].ny;
        }
        GuardedBuffer buffer;
        TestFace f(v[0], v[1], v[2], texture.data(), modeLightMapped);
        recordedSpans.clear();
        recordingTarget = buffer.pixels();
        drawLitTriangle(f.face, recordSpan, buffer.pixels());

        // Corners (sx, sy, u, v, s, t) from the projected vertices, sorted by sy.
        double c[3][6];
        for (int k = 0; k < 3; k++) {
            const MeshVertex& m = f.v[k];
            const double row[6] = {
                m.sx, m.sy, m.u, m.v, (1 + m.cnx) * 128.0f, (1 + m.cny) * 128.0f};
            std::copy(row, row + 6, c[k]);
        }
        auto order = [&](int a, int b) {
            if (c[a][1] > c[b][1])
                std::swap(c[a], c[b]);
        };
        order(0, 1);
        order(0, 2);
        order(1, 2);

        // Gradients: k in 1/256 of the long edge, the long edge's x and values at the middle
        // corner's height, against the middle corner's.
        const long long k = static_cast<long long>((c[1][1] - c[0][1]) * 256 / (c[2][1] - c[0][1]));
        const long long xw = static_cast<long long>((c[2][0] - c[0][0]) * k + c[0][0] * 256);
        const long long xm = static_cast<long long>(c[1][0] * 256);
        ASSERT_NE(xw, xm);
        long long gradient[4];
        for (int i = 0; i < 4; i++) {
            const long long ww =
                static_cast<long long>((c[2][2 + i] - c[0][2 + i]) * k + c[0][2 + i] * 256);
            const long long wm = static_cast<long long>(c[1][2 + i] * 256);
            gradient[i] = (ww - wm) * 256 / (xw - xm);
        }

        // Edges: the long one starts at trunc(((d·p0) >> 8) + a·256), a short one at
        // trunc(a·256) + ((d·p) >> 8), p the distance in 1/256 from the corner to its first row.
        const long long y0 = static_cast<long long>(std::ceil(c[0][1]));
        const long long y1 = static_cast<long long>(std::ceil(c[1][1]));
        const long long y2 = static_cast<long long>(std::ceil(c[2][1]));
        const long long p0 = static_cast<long long>((y0 - c[0][1]) * 256);
        const long long p1 = static_cast<long long>((y1 - c[1][1]) * 256);
        FormulaEdge longEdge = formulaSteps(c[0], c[2]);
        longEdge.x =
            static_cast<long long>(static_cast<double>((longEdge.dx * p0) >> 8) + c[0][0] * 256);
        for (int i = 0; i < 4; i++)
            longEdge.w[i] = static_cast<long long>(static_cast<double>((longEdge.dw[i] * p0) >> 8) +
                                                   c[0][2 + i] * 256);
        auto shortEdge = [&](const double* a, const double* b, long long p) {
            FormulaEdge e = formulaSteps(a, b);
            e.x = static_cast<long long>(a[0] * 256) + ((e.dx * p) >> 8);
            for (int i = 0; i < 4; i++)
                e.w[i] = static_cast<long long>(a[2 + i] * 256) + ((e.dw[i] * p) >> 8);
            return e;
        };

        std::vector<RecordedSpan> expected;
        FormulaEdge upper = shortEdge(c[0], c[1], p0), lower = shortEdge(c[1], c[2], p1);
        for (long long y = y0; y < y2; y++) {
            FormulaEdge& other = y < y1 ? upper : lower;
            const FormulaEdge& left = longEdge.x > other.x ? other : longEdge;
            const FormulaEdge& right = longEdge.x > other.x ? longEdge : other;
            const long long count = (right.x >> 8) - (left.x >> 8);
            if (count > 0) {
                SpanState s{};
                s.u = int32_t(left.w[0]), s.v = int32_t(left.w[1]);
                s.s = int32_t(left.w[2]), s.t = int32_t(left.w[3]);
                s.du = int32_t(gradient[0]), s.dv = int32_t(gradient[1]);
                s.ds = int32_t(gradient[2]), s.dt = int32_t(gradient[3]);
                s.count = int(count);
                expected.push_back({y * viewWidth + (left.x >> 8), s});
            }
            for (FormulaEdge* e : {&longEdge, &other}) {
                e->x += e->dx;
                for (int i = 0; i < 4; i++)
                    e->w[i] += e->dw[i];
            }
        }
        ASSERT_GT(expected.size(), 80u);
        ASSERT_EQ(recordedSpans.size(), expected.size());
        for (size_t n = 0; n < expected.size(); n++) {
            const SpanState &got = recordedSpans[n].span, &want = expected[n].span;
            ASSERT_EQ(recordedSpans[n].offset, expected[n].offset) << n;
            ASSERT_EQ(got.count, want.count) << n;
            ASSERT_EQ((std::vector<int32_t>{got.u, got.v, got.s, got.t}),
                      (std::vector<int32_t>{want.u, want.v, want.s, want.t}))
                << "row " << expected[n].offset / viewWidth;
            ASSERT_EQ((std::vector<int32_t>{got.du, got.dv, got.ds, got.dt}),
                      (std::vector<int32_t>{want.du, want.dv, want.ds, want.dt}));
            EXPECT_EQ(got.texture, texture.data());
            EXPECT_EQ(got.diffuseMap, &lightMap[0][0]);
        }
    }
}

TEST_F(FaceTest, EveryModeWritesTheScreenPositions)
{
    // The screen positions are written before any mode returns: modes that draw nothing, a
    // textured mode without a texture, mode 6 before the environment picture, a face off screen.
    auto texture = coordinateTexture();
    MeshVertex corners[3] = {screenVertex(0, 0, 0, 0), screenVertex(0, 0, 9, 0),
                             screenVertex(0, 0, 0, 9)};
    const float camera[3][3] = {{-40, 30, 100}, {55, 12, -50}, {10, -60, 300}};
    for (int k = 0; k < 3; k++) {
        corners[k].cx = camera[k][0];
        corners[k].cy = camera[k][1];
        corners[k].cz = camera[k][2];
    }
    for (int mode = 0; mode < 12; mode++)
        for (bool textured : {true, false})
            for (float shift : {0.0f, 5000.0f}) {
                TestFace f(corners[0], corners[1], corners[2], textured ? texture.data() : nullptr,
                           static_cast<DrawMode>(mode));
                for (MeshVertex& v : f.v) {
                    v.cx += shift;  // far right of the view: rejected
                    v.sx = v.sy = -12345;
                }
                GuardedBuffer buffer;
                drawFace(f.face, buffer.pixels());
                for (MeshVertex& v : f.v) {
                    float sx, sy;
                    projectPoint(Vec3{v.cx, v.cy, v.cz}, sx, sy);
                    ASSERT_EQ(v.sx, sx)
                        << "mode " << mode << " textured " << textured << " shift " << shift;
                    ASSERT_EQ(v.sy, sy)
                        << "mode " << mode << " textured " << textured << " shift " << shift;
                }
            }
}
