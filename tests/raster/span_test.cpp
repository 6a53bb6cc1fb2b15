// Span fillers: every packed filler against its scalar reference on random spans, and the
// per-lane formulas on chosen values.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "raster_test.h"
#include "render/draw.h"

namespace {

struct Maps {
    std::vector<uint32_t> texture, environment;
    std::vector<uint8_t> diffuse, highlight;
};

Maps randomMaps(std::mt19937& rng)
{
    Maps m;
    m.texture = edgyPixels(rng, 256 * 256);
    m.environment = edgyPixels(rng, 256 * 256);
    m.diffuse.resize(256 * 256);
    m.highlight.resize(256 * 256);
    for (auto& b : m.diffuse)
        b = edgyByte(rng);
    for (auto& b : m.highlight)
        b = edgyByte(rng);
    return m;
}

SpanState spanOver(const Maps& m)
{
    SpanState sp{};
    sp.texture = m.texture.data();
    sp.diffuseMap = m.diffuse.data();
    sp.highlightMap = m.highlight.data();
    sp.environment = m.environment.data();
    return sp;
}

// Start values near the 0xFFxx wrap, at zero, negative, or anywhere.
int32_t randomStart(std::mt19937& rng)
{
    switch (rng() % 5) {
    case 0: return static_cast<int32_t>(0xFF00 + rng() % 256);
    case 1: return static_cast<int32_t>(rng() % 512);
    case 2: return -static_cast<int32_t>(rng() % 100000);
    case 3: return 0x7FFFFF00 + static_cast<int32_t>(rng() % 256);  // wraps past the int range
    default: return static_cast<int32_t>(rng());
    }
}

int32_t randomStep(std::mt19937& rng)
{
    switch (rng() % 4) {
    case 0: return 0;
    case 1: return static_cast<int32_t>(rng() % 513) - 256;
    case 2: return static_cast<int32_t>(rng() % 8193) - 4096;
    default: return static_cast<int32_t>(rng());
    }
}

struct FillerPair {
    const char* name;
    SpanFiller packed, scalar;
};

const FillerPair fillers[] = {
    {"mode 0", fillSpanLightMapped, fillSpanLightMappedScalar},
    {"mode 1", fillSpanCopy, fillSpanCopyScalar},
    {"mode 2", fillSpanLitHalf, fillSpanLitHalfScalar},
    {"mode 3", fillSpanHalfBlend, fillSpanHalfBlendScalar},
    {"mode 4", fillSpanHighlight, fillSpanHighlightScalar},
    {"mode 6", fillSpanEnvironment, fillSpanEnvironmentScalar},
    {"mode 7", fillSpanIntensity, fillSpanIntensityScalar},
    {"mode 9", fillSpanAdditive, fillSpanAdditiveScalar},
};

// One pixel of a filler over a constant span (all steps 0) onto background d.
uint32_t onePixel(SpanFiller filler, SpanState sp, uint32_t d)
{
    sp.count = 1;
    filler(&d, sp);
    return d;
}

}  // namespace

TEST(SpanFillers, PackedMatchesScalarOnRandomSpans)
{
    std::mt19937 rng(21);
    const Maps maps = randomMaps(rng);
    for (const FillerPair& f : fillers) {
        for (int round = 0; round < 3000; round++) {
            SpanState sp = spanOver(maps);
            sp.u = randomStart(rng);
            sp.v = randomStart(rng);
            sp.s = randomStart(rng);
            sp.t = randomStart(rng);
            sp.du = randomStep(rng);
            sp.dv = randomStep(rng);
            sp.ds = randomStep(rng);
            sp.dt = randomStep(rng);
            if (round % 3 == 0)
                sp.s = static_cast<int32_t>(rng() % 70000) - 2000;  // intensities
            sp.count = round < 100 ? round % 9 : static_cast<int>(rng() % 70);
            auto packed = edgyPixels(rng, 72);
            auto scalar = packed;
            f.packed(packed.data(), sp);
            f.scalar(scalar.data(), sp);
            ASSERT_EQ(packed, scalar) << f.name << " round " << round;
        }
    }
}

TEST(SpanFillers, LaneFormulas)
{
    Maps m;
    m.texture.assign(256 * 256, 0);
    m.environment.assign(256 * 256, 0);
    m.diffuse.assign(256 * 256, 0);
    m.highlight.assign(256 * 256, 0);
    SpanState sp = spanOver(m);
    // Texel (0, 3) with u = 256.5 (wrapped to column 0) and v = 3.
    sp.u = static_cast<int32_t>(256.5 * 256);
    sp.v = 3 * 256 + 200;
    sp.s = 10 * 256;
    sp.t = 20 * 256;
    uint32_t& texel = m.texture[3 * 256 + 0];
    uint8_t& light = m.diffuse[20 * 256 + 10];
    uint8_t& high = m.highlight[20 * 256 + 10];
    for (unsigned p = 0; p < 256; p++) {
        texel = p * 0x01010101u;
        const unsigned odd = p | 1;
        for (auto filler : {fillSpanLightMapped, fillSpanLightMappedScalar}) {
            light = 128;  // reproduces the texel within one level
            const unsigned half = onePixel(filler, sp, 0) & 255;
            ASSERT_LE(half <= p ? p - half : half - p, 1u) << p;
            light = 255;  // roughly doubles it, held at 255
            const unsigned twice = onePixel(filler, sp, 0) & 255;
            ASSERT_EQ(twice, std::min(255u, ((p * 257 >> 1) * 1020) >> 16));
            ASSERT_GE(twice + 2, std::min(255u, 2 * p));
        }
        for (auto filler : {fillSpanIntensity, fillSpanIntensityScalar}) {
            SpanState lit = sp;
            lit.s = 255 * 256 + 255;  // intensity 255: the texel minus at most one level
            const unsigned v = onePixel(filler, lit, 0) & 255;
            ASSERT_TRUE(v == p || v + 1 == p) << p;
            lit.s = 300 * 256;  // beyond 255 (interpolation rounding) counts as 255
            ASSERT_EQ(onePixel(filler, lit, 0) & 255, v);
            lit.s = -256;  // below 0 counts as 0
            ASSERT_EQ(onePixel(filler, lit, 0), 0u);
        }
        for (auto filler : {fillSpanAdditive, fillSpanAdditiveScalar})
            ASSERT_EQ(onePixel(filler, sp, 0xFFFFFFFF), 0xFFFFFFFFu);  // white stays white
        for (auto filler : {fillSpanHalfBlend, fillSpanHalfBlendScalar}) {
            const uint32_t even = (p & ~1u) * 0x01010101u;
            texel = even;
            ASSERT_EQ(onePixel(filler, sp, even), even);
            texel = odd * 0x01010101u;
            ASSERT_EQ(onePixel(filler, sp, odd * 0x01010101u), (odd - 1) * 0x01010101u);
            texel = p * 0x01010101u;
        }
    }
    texel = 0x00FF6400;  // bytes 0, 100, 255, 0
    light = 64;
    high = 192;
    for (auto filler : {fillSpanLitHalf, fillSpanLitHalfScalar})
        // (p·L) >> 7 + d >> 1: 0 + 100, 50 + 100, 127 + 100, 0 + 127.
        EXPECT_EQ(onePixel(filler, sp, 0xFFC8C8C8), 0x7FE39664u);
    for (auto filler : {fillSpanHighlight, fillSpanHighlightScalar})
        // ((p·257 >> 1)·256) >> 16 + 192: 192, 242, 255, 192.
        EXPECT_EQ(onePixel(filler, sp, 0), 0xC0FFF2C0u);
    m.environment[20 * 256 + 10] = 0x00FF4000;  // e = 0, 64, 255, 0
    texel = 0x80808080;
    for (auto filler : {fillSpanEnvironment, fillSpanEnvironmentScalar})
        // (16448 · (e·257 >> 6)) >> 16: 0, 64, 255 (held), 0.
        EXPECT_EQ(onePixel(filler, sp, 0x12345678), 0x00FF4000u);
    for (auto filler : {fillSpanCopy, fillSpanCopyScalar})
        EXPECT_EQ(onePixel(filler, sp, 5), 0x80808080u);
}

TEST(SpanFillers, StepsAndWrapAlongTheSpan)
{
    Maps m;
    m.texture.resize(256 * 256);
    for (int i = 0; i < 256 * 256; i++)
        m.texture[i] = static_cast<uint32_t>(i);  // texel = its index
    SpanState sp = spanOver(m);
    sp.u = 250 * 256 + 128;
    sp.du = 384;  // 1.5 texels per pixel
    sp.v = 255 * 256;
    sp.dv = 128;  // half a row per pixel: wraps from row 255 to row 0
    sp.count = 9;
    for (auto filler : {fillSpanCopy, fillSpanCopyScalar}) {
        std::vector<uint32_t> row(10, 0xDEADBEEF);
        filler(row.data(), sp);
        for (int j = 0; j < 9; j++) {
            const unsigned u = ((250 * 256 + 128 + 384 * j) >> 8) & 255;
            const unsigned v = ((255 * 256 + 128 * j) >> 8) & 255;
            EXPECT_EQ(row[j], v * 256 + u) << j;
        }
        EXPECT_EQ(row[9], 0xDEADBEEFu);  // count pixels exactly
    }
}
