// Screen effects: packed buffer operations against their scalar references, blend values,
// clipping of blits, sprites and glow patterns.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "raster_test.h"
#include "render/draw.h"

namespace {

// Two whole buffers holding every pair of bytes (a, b) once, in the lanes of 16384 pixels,
// followed by edge-biased random pixels.
void allBytePairs(std::vector<uint32_t>& a, std::vector<uint32_t>& b)
{
    std::mt19937 rng(11);
    a = edgyPixels(rng, viewPixels);
    b = edgyPixels(rng, viewPixels);
    for (int pair = 0; pair < 65536; pair++) {
        const int pixel = pair / 4, shift = 8 * (pair % 4);
        a[pixel] = (a[pixel] & ~(0xFFu << shift)) | uint32_t(pair & 255) << shift;
        b[pixel] = (b[pixel] & ~(0xFFu << shift)) | uint32_t(pair >> 8) << shift;
    }
}

unsigned byteOf(uint32_t p, int k)
{
    return (p >> (8 * k)) & 255;
}

}  // namespace

TEST(BufferOps, AddAndDimmedAddMatchReferenceOnAllBytePairs)
{
    std::vector<uint32_t> a, b;
    allBytePairs(a, b);
    for (int pairs : {32000, 1, 2, 3, 0}) {
        std::vector<uint32_t> packed = a, scalar = a;
        addBuffer(packed.data(), b.data(), pairs);
        addBufferScalar(scalar.data(), b.data(), pairs);
        ASSERT_EQ(packed, scalar) << pairs;
        for (int amount : {0, 1, 64, 128, 255}) {
            packed = a;
            scalar = a;
            addBufferDimmed(packed.data(), b.data(), pairs, static_cast<uint8_t>(amount));
            addBufferDimmedScalar(scalar.data(), b.data(), pairs, static_cast<uint8_t>(amount));
            ASSERT_EQ(packed, scalar) << pairs << " " << amount;
        }
    }
    // The formulas on a few bytes: saturation and the dimming floor.
    uint32_t d = 0x00FF8001, s = 0x0001FF02;
    addBuffer(&d, &s, 0);  // nothing for a zero length
    EXPECT_EQ(d, 0x00FF8001u);
    uint32_t pair[2] = {0x00FF8001, 0}, src[2] = {0x0001FF02, 0};
    addBuffer(pair, src, 1);
    EXPECT_EQ(pair[0], 0x00FFFF03u);
    pair[0] = 0x10101010;
    src[0] = 0x05FF2010;
    addBufferDimmed(pair, src, 1, 0x10);
    EXPECT_EQ(pair[0], 0x10FF2010u);
}

TEST(BufferOps, CrossFadeMatchesReferenceForEveryAlpha)
{
    std::vector<uint32_t> a, b;
    allBytePairs(a, b);
    std::vector<uint32_t> packed(viewPixels), sse2(viewPixels), scalar(viewPixels);
    for (int alpha = 0; alpha < 256; alpha++) {
        crossFade(packed.data(), a.data(), b.data(), static_cast<uint8_t>(alpha));
        crossFadeSse2(sse2.data(), a.data(), b.data(), static_cast<uint8_t>(alpha));
        crossFadeScalar(scalar.data(), a.data(), b.data(), static_cast<uint8_t>(alpha));
        ASSERT_EQ(packed, scalar) << alpha;
        ASSERT_EQ(sse2, scalar) << alpha;
    }
    // alpha 255 gives (a·255) >> 8, one below a for every a >= 1; alpha 0 gives (b·255) >> 8.
    crossFade(packed.data(), a.data(), b.data(), 255);
    for (int pair = 0; pair < 65536; pair++) {
        const unsigned av = pair & 255;
        ASSERT_EQ(byteOf(packed[pair / 4], pair % 4), av == 0 ? 0 : av - 1);
    }
    crossFade(packed.data(), a.data(), b.data(), 0);
    for (int pair = 0; pair < 65536; pair++) {
        const unsigned bv = pair >> 8;
        ASSERT_EQ(byteOf(packed[pair / 4], pair % 4), (bv * 255) >> 8);
    }
}

TEST(BufferOps, CopyShrinkAndRemap)
{
    std::mt19937 rng(3);
    const auto src = edgyPixels(rng, viewPixels);
    std::vector<uint32_t> dst(viewPixels + 2, 7);
    copyBuffer(dst.data(), src.data(), 32000);
    EXPECT_TRUE(std::equal(src.begin(), src.end(), dst.begin()));
    EXPECT_EQ(dst[viewPixels], 7u);

    std::vector<uint32_t> quarter(80 * 50 + 1, 7);
    shrinkToQuarter(quarter.data(), src.data());
    EXPECT_EQ(quarter[0], src[0]);
    EXPECT_EQ(quarter[1], src[4]);
    EXPECT_EQ(quarter[80], src[4 * 320]);
    EXPECT_EQ(quarter[80 * 50 - 1], src[196 * 320 + 316]);
    EXPECT_EQ(quarter[80 * 50], 7u);

    const auto texture = edgyPixels(rng, 256 * 256);
    std::vector<uint16_t> table(viewPixels);
    for (auto& e : table)
        e = static_cast<uint16_t>(rng());
    table[0] = 0xFFFF;
    table[1] = 0x0102;
    std::vector<uint32_t> packed(viewPixels), scalar(viewPixels);
    for (auto [ox, oy] :
         {std::pair{0, 0}, std::pair{1, 1}, std::pair{255, 3}, std::pair{128, 255}}) {
        remapTexture(packed.data(), texture.data(), table.data(), uint8_t(ox), uint8_t(oy));
        remapTextureScalar(scalar.data(), texture.data(), table.data(), uint8_t(ox), uint8_t(oy));
        ASSERT_EQ(packed, scalar);
        // Row and column wrap separately: 0xFFFF moved by (1, 1) is texel (0, 0).
        EXPECT_EQ(packed[0], texture[((255 + oy) % 256) * 256 + (255 + ox) % 256]);
        EXPECT_EQ(packed[1], texture[((1 + oy) % 256) * 256 + (2 + ox) % 256]);
    }
}

// A picture that did not load is null: nothing reads it. Additions, blocks and sprites leave the
// buffer as it was, a copy and a remap write black, the cross-fade fades against black.
TEST(BufferOps, NullSourcesAreNeverRead)
{
    std::mt19937 rng(5);
    const std::vector<uint32_t> before = edgyPixels(rng, viewPixels);
    std::vector<uint32_t> buffer = before;
    addBuffer(buffer.data(), nullptr, 32000);
    addBufferScalar(buffer.data(), nullptr, 32000);
    addBufferDimmed(buffer.data(), nullptr, 32000, 9);
    addBufferDimmedScalar(buffer.data(), nullptr, 32000, 9);
    addBlock(buffer.data(), 0, 0, nullptr, 10, 10);
    addBlockScalar(buffer.data(), 0, 0, nullptr, 10, 10);
    copyBlock(buffer.data(), 16, 16, nullptr, 10, 10);
    keyedCopyBlock(buffer.data(), 16, 16, nullptr, 10, 10);
    keyedCopyBlockScalar(buffer.data(), 16, 16, nullptr, 10, 10);
    drawSprite(buffer.data(), 256, 256, nullptr, 160, 100, 64, 64);
    drawSpriteScalar(buffer.data(), 256, 256, nullptr, 160, 100, 64, 64);
    EXPECT_EQ(buffer, before);

    const std::vector<uint32_t> black(viewPixels, 0);
    copyBuffer(buffer.data(), nullptr, 32000);
    EXPECT_EQ(buffer, black);
    buffer = before;
    const std::vector<uint16_t> table(viewPixels, 0x1234);
    remapTexture(buffer.data(), nullptr, table.data(), 1, 2);
    EXPECT_EQ(buffer, black);
    buffer = before;
    remapTextureScalar(buffer.data(), nullptr, table.data(), 1, 2);
    EXPECT_EQ(buffer, black);

    std::vector<uint32_t> faded(viewPixels), reference(viewPixels);
    for (uint8_t alpha : {0, 100, 255}) {
        crossFade(faded.data(), before.data(), nullptr, alpha);
        crossFadeScalar(reference.data(), before.data(), black.data(), alpha);
        EXPECT_EQ(faded, reference) << int(alpha);
        crossFade(faded.data(), nullptr, before.data(), alpha);
        crossFadeScalar(reference.data(), black.data(), before.data(), alpha);
        EXPECT_EQ(faded, reference) << int(alpha);
        crossFadeSse2(faded.data(), nullptr, nullptr, alpha);
        EXPECT_EQ(faded, black);
    }
}

TEST(Blocks, AddBlockValuesAndReference)
{
    GuardedBuffer buffer;
    std::vector<uint32_t> grey(4, 0x80804040);
    std::fill(buffer.pixels(), buffer.pixels() + viewPixels, 0x80804040u);
    addBlock(buffer.pixels(), 2, 2, grey.data(), 10, 10);
    // 128 + 128 gives 257, held at 255; 64 + 64 gives 128.
    EXPECT_EQ(buffer.at(10, 10), 0xFFFF8080u);
    EXPECT_EQ(buffer.at(11, 11), 0xFFFF8080u);
    EXPECT_EQ(buffer.at(12, 10), 0x80804040u);

    std::mt19937 rng(5);
    const auto source = edgyPixels(rng, 256 * 256);
    const auto background = edgyPixels(rng, viewPixels);
    struct Case {
        int w, h, x, y;
    };
    for (Case c : {Case{1, 1, 0, 0}, Case{7, 3, 5, 9}, Case{0, 0, 32, 0}, Case{255, 200, 64, 0},
                   Case{33, 17, -10, -5}, Case{40, 40, 300, 180}, Case{13, 9, 319, 199}}) {
        GuardedBuffer packed, scalar;
        std::copy(background.begin(), background.end(), packed.pixels());
        std::copy(background.begin(), background.end(), scalar.pixels());
        addBlock(packed.pixels(), uint8_t(c.w), uint8_t(c.h), source.data(), c.x, c.y);
        addBlockScalar(scalar.pixels(), uint8_t(c.w), uint8_t(c.h), source.data(), c.x, c.y);
        EXPECT_EQ(packed.storage, scalar.storage)
            << c.w << "x" << c.h << " at " << c.x << "," << c.y;
        EXPECT_TRUE(packed.guardsIntact());
    }
}

TEST(Blocks, CopiesClipAndKeyOnZero)
{
    std::mt19937 rng(6);
    auto source = edgyPixels(rng, 256 * 256);
    for (size_t i = 0; i < source.size(); i += 3)
        source[i] = 0;  // colour key
    const auto background = edgyPixels(rng, viewPixels);
    for (auto [x, y] :
         {std::pair{0, 0}, std::pair{-100, -100}, std::pair{200, 100}, std::pair{319, 0},
          std::pair{-255, 199}, std::pair{320, 0}, std::pair{0, 200}}) {
        GuardedBuffer copied, packed, scalar;
        std::copy(background.begin(), background.end(), packed.pixels());
        std::copy(background.begin(), background.end(), scalar.pixels());
        keyedCopyBlock(packed.pixels(), 0, 0, source.data(), x, y);
        keyedCopyBlockScalar(scalar.pixels(), 0, 0, source.data(), x, y);
        EXPECT_EQ(packed.storage, scalar.storage);
        copyBlock(copied.pixels(), 0, 0, source.data(), x, y);
        EXPECT_TRUE(copied.guardsIntact() && packed.guardsIntact());
        // Check every visible pixel against the 256x256 source (w = h = 0 stands for 256).
        for (int row = 0; row < 256; row++)
            for (int col = 0; col < 256; col++) {
                const int dx = x + col, dy = y + row;
                if (dx < 0 || dx >= 320 || dy < 0 || dy >= 200)
                    continue;
                const uint32_t s = source[row * 256 + col];
                ASSERT_EQ(copied.at(dx, dy), s);
                ASSERT_EQ(packed.at(dx, dy), s == 0 ? background[dy * 320 + dx] : s);
            }
    }
}

TEST(Sprites, ClippingAndReference)
{
    std::vector<uint32_t> texture(256 * 256, 0x00404040);
    GuardedBuffer buffer;
    drawSprite(buffer.pixels(), 16, 16, texture.data(), 0, 0, 16, 16);
    // Centred at (0, 0): only the lower-right quarter, 8x8 pixels, is drawn.
    int changed = 0;
    for (int y = 0; y < 200; y++)
        for (int x = 0; x < 320; x++)
            if (buffer.at(x, y) != 0) {
                changed++;
                EXPECT_LT(x, 8);
                EXPECT_LT(y, 8);
                EXPECT_EQ(buffer.at(x, y), 0x00404040u);  // ((64·257 >> 1) + 0) >> 7
            }
    EXPECT_EQ(changed, 64);
    drawSprite(buffer.pixels(), 16, 16, texture.data(), 100, 100, 0, 16);
    drawSprite(buffer.pixels(), 16, 16, texture.data(), 100, 100, 16, 0);
    drawSprite(buffer.pixels(), 16, 16, texture.data(), 100, 100, -16, 16);
    EXPECT_EQ(buffer.at(100, 100), 0u);

    std::mt19937 rng(8);
    const auto sprite = edgyPixels(rng, 256 * 256);
    const auto background = edgyPixels(rng, viewPixels);
    struct Case {
        int sw, sh, cx, cy, w, h;
    };
    for (Case c : {Case{64, 64, 160, 100, 64, 64}, Case{64, 64, 0, 0, 37, 23},
                   Case{256, 256, 160, 100, 500, 300}, Case{32, 32, 318, 198, 9, 13},
                   Case{128, 64, -30, 50, 61, 61}, Case{200, 200, 10, 190, 3, 1},
                   Case{16, 16, 400, 100, 64, 64}, Case{16, 16, 100, -40, 64, 64}}) {
        GuardedBuffer packed, scalar;
        std::copy(background.begin(), background.end(), packed.pixels());
        std::copy(background.begin(), background.end(), scalar.pixels());
        drawSprite(packed.pixels(), c.sw, c.sh, sprite.data(), c.cx, c.cy, c.w, c.h);
        drawSpriteScalar(scalar.pixels(), c.sw, c.sh, sprite.data(), c.cx, c.cy, c.w, c.h);
        EXPECT_EQ(packed.storage, scalar.storage)
            << c.cx << "," << c.cy << " " << c.w << "x" << c.h;
        EXPECT_TRUE(packed.guardsIntact());
    }
    // A sprite left of the view starts its texels at the clipped width: column 0 of the picture
    // shows source column (−x·dU) >> 8.
    std::vector<uint32_t> ramp(256 * 256);
    for (int i = 0; i < 256 * 256; i++)
        ramp[i] = i % 256;
    GuardedBuffer clipped;
    drawSprite(clipped.pixels(), 64, 64, ramp.data(), 0, 50, 32, 32);  // x = −16, dU = 512
    EXPECT_EQ(clipped.at(0, 50), (32u * 257 >> 1) >> 7);               // texel column 32
}

TEST(Glow, DotAndPointPatternsAndClipping)
{
    GuardedBuffer buffer;
    glowDot(buffer.pixels(), 316, 196);
    EXPECT_EQ(buffer.at(317, 196), 0x00202020u);
    EXPECT_EQ(buffer.at(316, 197), 0x00202020u);
    EXPECT_EQ(buffer.at(317, 197), 0x00404040u);
    EXPECT_EQ(buffer.at(318, 197), 0x00202020u);
    EXPECT_EQ(buffer.at(317, 198), 0x00202020u);
    EXPECT_EQ(buffer.at(316, 196), 0u);
    EXPECT_EQ(buffer.at(319, 197), 0u);
    for (auto [x, y] : {std::pair{317, 0}, std::pair{0, 197}, std::pair{-1, 5}, std::pair{5, -1}}) {
        GuardedBuffer untouched;
        glowDot(untouched.pixels(), x, y);
        glowPoint(untouched.pixels(), x, y * 320);
        EXPECT_TRUE(std::all_of(untouched.pixels(), untouched.pixels() + viewPixels,
                                [](uint32_t p) { return p == 0; }));
    }
    // Saturation over repeated dots; the fourth byte stays.
    for (int i = 0; i < 5; i++)
        glowDot(buffer.pixels(), 10, 10);
    EXPECT_EQ(buffer.at(11, 11), 0x00FFFFFFu);
    EXPECT_EQ(buffer.at(11, 10), 0x00A0A0A0u);

    GuardedBuffer points;
    glowPoint(points.pixels(), 0, 0);
    EXPECT_EQ(points.at(1, 0), 0x00004040u);
    EXPECT_EQ(points.at(0, 1), 0x00404040u);
    EXPECT_EQ(points.at(1, 1), 0x00808080u);
    EXPECT_EQ(points.at(2, 1), 0x00004040u);
    EXPECT_EQ(points.at(1, 2), 0x00004040u);
    glowPoint(points.pixels(), 316, 196 * 320);
    EXPECT_EQ(points.at(317, 197), 0x00808080u);
    EXPECT_TRUE(points.guardsIntact());
}

namespace {

// Plain stepping of a glow line, dot by dot, as the line algorithm describes it.
void plainGlowLine(uint32_t* buffer, long long x0, long long y0, long long x1, long long y1)
{
    long long adx = x1 > x0 ? x1 - x0 : x0 - x1, ady = y1 > y0 ? y1 - y0 : y0 - y1;
    const int sx = x1 > x0 ? 1 : -1, sy = y1 > y0 ? 1 : -1;
    auto dot = [&](long long x, long long y) {
        if (x >= 0 && x <= 316 && y >= 0 && y <= 196)
            glowDot(buffer, int(x), int(y));
    };
    if (adx > ady) {
        long long e = adx;
        for (long long n = 0; n < adx; n++) {
            dot(x0, y0);
            x0 += sx;
            e -= ady;
            if (e <= 0)
                e += adx, y0 += sy;
        }
    } else {
        long long e = ady;
        for (long long n = 0; n < ady; n++) {
            dot(x0, y0);
            y0 += sy;
            e -= adx;
            if (e <= 0)
                e += ady, x0 += sx;
        }
    }
}

// A buffer with glowDots at the given positions, in order.
GuardedBuffer dotsAt(const std::vector<std::pair<int, int>>& dots)
{
    GuardedBuffer b;
    for (auto [x, y] : dots)
        glowDot(b.pixels(), x, y);
    return b;
}

bool blank(GuardedBuffer& b)
{
    return std::all_of(b.pixels(), b.pixels() + viewPixels, [](uint32_t p) { return p == 0; });
}

}  // namespace

TEST(Glow, LinesPlotEveryStepButTheEnd)
{
    GuardedBuffer buffer;
    drawGlowLine(buffer.pixels(), 0, 0, 3, 0);
    EXPECT_EQ(buffer.storage, dotsAt({{0, 0}, {1, 0}, {2, 0}}).storage);
    GuardedBuffer empty;
    drawGlowLine(empty.pixels(), 50, 50, 50, 50);
    EXPECT_TRUE(blank(empty));
    GuardedBuffer steep;
    drawGlowLine(steep.pixels(), 20, 30, 21, 10);  // upward from row 30 to row 11
    std::vector<std::pair<int, int>> dots;
    for (int y = 30; y > 10; y--)
        dots.emplace_back(20, y);  // x moves only after the last step
    EXPECT_EQ(steep.storage, dotsAt(dots).storage);

    // Lines that start or end far outside the view draw exactly the dots of plain stepping.
    std::mt19937 rng(12);
    auto coordinate = [&](int span) { return static_cast<int>(rng() % (2 * span)) - span / 2; };
    for (int i = 0; i < 300; i++) {
        const int span = i < 200 ? 700 : 20000;
        const int x0 = coordinate(span), y0 = coordinate(span), x1 = coordinate(span),
                  y1 = coordinate(span);
        GuardedBuffer fast, plain;
        drawGlowLine(fast.pixels(), x0, y0, x1, y1);
        plainGlowLine(plain.pixels(), x0, y0, x1, y1);
        ASSERT_EQ(fast.storage, plain.storage) << x0 << "," << y0 << " -> " << x1 << "," << y1;
    }
    // Extreme coordinates end promptly and stay defined.
    GuardedBuffer extreme;
    drawGlowLine(extreme.pixels(), -2147483647 - 1, -5, 2147483647, 150);
    drawGlowLine(extreme.pixels(), 100, -2147483647 - 1, 101, 2147483647);
    EXPECT_TRUE(extreme.guardsIntact());
    EXPECT_FALSE(blank(extreme));
}

TEST(Glow, CircleIsSymmetricAndBoxJittersInOrder)
{
    // Radius 10, traced by hand: the octant's (i, y) steps, y dropping when the error term runs
    // out (the two error terms trade places at each drop); each step plots its eight mirror
    // images.
    const std::pair<int, int> octant[] = {{0, 10}, {1, 10}, {2, 10}, {3, 10}, {4, 10},
                                          {5, 9},  {6, 9},  {7, 8},  {8, 8}};
    std::vector<std::pair<int, int>> dots;
    const int cx = 60, cy = 50;
    for (auto [i, y] : octant)
        for (auto dot : {std::pair{cx + i + 1, cy + y + 1}, std::pair{cx - i, cy + y + 1},
                         std::pair{cx + i + 1, cy - y}, std::pair{cx - i, cy - y},
                         std::pair{cx + y + 1, cy + i + 1}, std::pair{cx - y, cy + i + 1},
                         std::pair{cx + y + 1, cy - i}, std::pair{cx - y, cy - i}})
            dots.push_back(dot);
    GuardedBuffer small;
    drawGlowCircle(small.pixels(), cx, cy, 10);
    EXPECT_EQ(small.storage, dotsAt(dots).storage);

    GuardedBuffer circle;
    drawGlowCircle(circle.pixels(), 100, 80, 30);
    int lit = 0;
    // Dot centres at cx + i + 1 and cx − i + 1 mirror about x = cx + 1.5, likewise for y.
    for (int y = 0; y <= 163; y++)
        for (int x = 0; x <= 203; x++) {
            const uint32_t p = circle.at(x, y);
            if (p)
                lit++;
            const int mx = 2 * 100 + 3 - x, my = 2 * 80 + 3 - y;
            ASSERT_EQ(p, circle.at(mx, y)) << x << "," << y;
            ASSERT_EQ(p, circle.at(x, my)) << x << "," << y;
        }
    EXPECT_GT(lit, 100);
    EXPECT_NE(circle.at(101 + 1, 80 + 30 + 1 + 1), 0u);  // the dot at (cx + 1, cy + r + 1)

    GuardedBuffer box, expected;
    resetRandom();
    drawJitterBox(box.pixels(), 50, 40, 100, 60);
    resetRandom();
    auto side = [&](int x0, int y0, int x1, int y1) {
        const int ey = nextRandom() >> 12, ex = nextRandom() >> 12;
        const int sy = nextRandom() >> 12, sx = nextRandom() >> 12;
        drawGlowLine(expected.pixels(), x0 + sx, y0 + sy, x1 + ex, y1 + ey);
    };
    side(50, 40, 150, 40);
    side(50, 100, 150, 100);
    side(50, 40, 50, 100);
    side(150, 40, 150, 100);
    EXPECT_EQ(box.storage, expected.storage);
}
