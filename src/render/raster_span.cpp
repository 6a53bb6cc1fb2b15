// Span fillers of the drawing modes: one row of a face, pixel j sampling its texture (and maps)
// at the span's start values plus j steps. The packed versions do four pixels per step with the
// texel and map lookups done per pixel and the arithmetic on 16-bit lanes; the scalar references
// follow the per-lane formulas.
#include <cstddef>

#include <emmintrin.h>

#include "render/draw.h"

namespace {

// Index of the texel (or map byte) at 8.8 coordinates (column a, row b): (b_int << 8) | a_int,
// both integer parts taken modulo 256.
inline uint32_t texelIndex(uint32_t a, uint32_t b)
{
    return (b & 0xFF00) | ((a >> 8) & 0xFF);
}

inline unsigned lane(uint32_t pixel, int k)
{
    return (pixel >> (8 * k)) & 255;
}
inline unsigned clamp255(unsigned x)
{
    return x < 255 ? x : 255;
}

// The per-pixel formulas, one lane at a time.
uint32_t lightMappedPixel(uint32_t p, unsigned l)
{
    uint32_t r = 0;
    for (int k = 0; k < 4; k++)
        r |= clamp255((((lane(p, k) * 257) >> 1) * (4 * l)) >> 16) << (8 * k);
    return r;
}

uint32_t litHalfPixel(uint32_t p, unsigned l, uint32_t d)
{
    uint32_t r = 0;
    for (int k = 0; k < 4; k++)
        r |= clamp255(((lane(p, k) * l) >> 7) + (lane(d, k) >> 1)) << (8 * k);
    return r;
}

uint32_t halfBlendPixel(uint32_t p, uint32_t d)
{
    uint32_t r = 0;
    for (int k = 0; k < 4; k++)
        r |= clamp255((lane(p, k) >> 1) + (lane(d, k) >> 1)) << (8 * k);
    return r;
}

uint32_t highlightPixel(uint32_t p, unsigned l, unsigned h)
{
    uint32_t r = 0;
    for (int k = 0; k < 4; k++)
        r |= clamp255(((((lane(p, k) * 257) >> 1) * (4 * l)) >> 16) + h) << (8 * k);
    return r;
}

uint32_t environmentPixel(uint32_t p, uint32_t e)
{
    uint32_t r = 0;
    for (int k = 0; k < 4; k++)
        r |= clamp255((((lane(p, k) * 257) >> 1) * ((lane(e, k) * 257) >> 6)) >> 16) << (8 * k);
    return r;
}

// The intensity's integer part, held to 0..255.
inline unsigned intensityOf(uint32_t s)
{
    const int32_t i = static_cast<int32_t>(s) >> 8;
    return i < 0 ? 0u : i > 255 ? 255u : static_cast<unsigned>(i);
}

uint32_t intensityPixel(uint32_t p, unsigned i)
{
    uint32_t r = 0;
    for (int k = 0; k < 4; k++)
        r |= clamp255((((lane(p, k) * 257) >> 1) * (2 * i)) >> 16) << (8 * k);
    return r;
}

uint32_t additivePixel(uint32_t p, uint32_t d)
{
    uint32_t r = 0;
    for (int k = 0; k < 4; k++)
        r |= clamp255(lane(p, k) + lane(d, k)) << (8 * k);
    return r;
}

// The accumulators of pixel j of a span (32-bit wrapping).
struct SpanAt {
    uint32_t u, v, s, t;
};
inline SpanAt spanAt(const SpanState& sp, int j)
{
    const uint32_t n = static_cast<uint32_t>(j);
    return {static_cast<uint32_t>(sp.u) + n * static_cast<uint32_t>(sp.du),
            static_cast<uint32_t>(sp.v) + n * static_cast<uint32_t>(sp.dv),
            static_cast<uint32_t>(sp.s) + n * static_cast<uint32_t>(sp.ds),
            static_cast<uint32_t>(sp.t) + n * static_cast<uint32_t>(sp.dt)};
}

// What the scalar formula of a pixel reads: its texel, the index of its map entry (at s, t), its
// s accumulator (the intensity of mode 7) and the destination pixel.
struct PixelInput {
    uint32_t p, m, s, d;
};

// The scalar loop of every mode: pixel(input) gives the new value of each pixel.
template <typename Pixel>
inline void scalarSpan(uint32_t* dst, const SpanState& sp, Pixel pixel)
{
    for (int j = 0; j < sp.count; j++) {
        const SpanAt a = spanAt(sp, j);
        dst[j] =
            pixel(PixelInput{sp.texture[texelIndex(a.u, a.v)], texelIndex(a.s, a.t), a.s, dst[j]});
    }
}

// Packed helpers: four consecutive pixels of a span.
inline __m128i quadIndex(__m128i a, __m128i b)
{
    return _mm_or_si128(_mm_and_si128(b, _mm_set1_epi32(0xFF00)),
                        _mm_and_si128(_mm_srli_epi32(a, 8), _mm_set1_epi32(0xFF)));
}

// The indices of four pixels, in memory for the scalar loads that follow.
struct QuadIndex {
    alignas(16) uint32_t i[4];
};
inline QuadIndex storeIndex(__m128i index)
{
    QuadIndex q;
    _mm_store_si128(reinterpret_cast<__m128i*>(q.i), index);
    return q;
}

// Two texels side by side in the low half of a register.
inline __m128i texelPair(const uint32_t* table, uint32_t i0, uint32_t i1)
{
    return _mm_unpacklo_epi32(_mm_cvtsi32_si128(static_cast<int>(table[i0])),
                              _mm_cvtsi32_si128(static_cast<int>(table[i1])));
}
inline __m128i texelQuad(const uint32_t* table, const QuadIndex& q)
{
    return _mm_unpacklo_epi64(texelPair(table, q.i[0], q.i[1]), texelPair(table, q.i[2], q.i[3]));
}

// laneSpread[x]: x in each of four 16-bit lanes, so a map byte becomes one pixel's multiplier
// with a single load instead of a chain of shuffles. 256 entries: every byte value.
constexpr int laneSpreadSize = 256;
struct LaneSpread {
    alignas(16) uint64_t value[laneSpreadSize];
};
constexpr LaneSpread makeLaneSpread()
{
    LaneSpread t{};
    for (int x = 0; x < laneSpreadSize; x++)
        t.value[x] = static_cast<uint64_t>(x) * 0x0001000100010001ull;
    return t;
}
constexpr LaneSpread laneSpread = makeLaneSpread();

// Map bytes of two pixels spread over their lanes: pixel a in lanes 0..3, pixel b in 4..7.
inline __m128i spreadPair(unsigned a, unsigned b)
{
    return _mm_unpacklo_epi64(
        _mm_loadl_epi64(reinterpret_cast<const __m128i*>(&laneSpread.value[a])),
        _mm_loadl_epi64(reinterpret_cast<const __m128i*>(&laneSpread.value[b])));
}

// Lanes of the two pixels in the low half of p as p·257 >> 1.
inline __m128i halfWide(__m128i p)
{
    return _mm_srli_epi16(_mm_unpacklo_epi8(p, p), 1);
}

inline void store4(uint32_t* dst, __m128i x)
{
    _mm_storeu_si128(reinterpret_cast<__m128i*>(dst), x);
}
inline __m128i load4(const uint32_t* src)
{
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(src));
}

// Accumulators of four pixels and their per-quad steps.
struct Quad {
    __m128i u, v, s, t, du, dv, ds, dt;
};
static_assert(offsetof(SpanState, v) == 4 && offsetof(SpanState, t) == 12 &&
                  offsetof(SpanState, du) == 16 && offsetof(SpanState, dt) == 28,
              "quadStart loads u, v, s, t and their steps as two vectors");
// The accumulators of pixels 0..3 for all four values at once: the values of each pixel, then
// a transpose into one register per value.
inline Quad quadStart(const SpanState& sp)
{
    const __m128i step = _mm_loadu_si128(reinterpret_cast<const __m128i*>(&sp.du));
    const __m128i p0 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(&sp.u));
    const __m128i p1 = _mm_add_epi32(p0, step), p2 = _mm_add_epi32(p1, step),
                  p3 = _mm_add_epi32(p2, step);
    const __m128i uv01 = _mm_unpacklo_epi32(p0, p1), uv23 = _mm_unpacklo_epi32(p2, p3);
    const __m128i st01 = _mm_unpackhi_epi32(p0, p1), st23 = _mm_unpackhi_epi32(p2, p3);
    const __m128i step4 = _mm_slli_epi32(step, 2);
    return {_mm_unpacklo_epi64(uv01, uv23), _mm_unpackhi_epi64(uv01, uv23),
            _mm_unpacklo_epi64(st01, st23), _mm_unpackhi_epi64(st01, st23),
            _mm_shuffle_epi32(step4, 0x00), _mm_shuffle_epi32(step4, 0x55),
            _mm_shuffle_epi32(step4, 0xAA), _mm_shuffle_epi32(step4, 0xFF)};
}
inline void quadAdvance(Quad& q)
{
    q.u = _mm_add_epi32(q.u, q.du);
    q.v = _mm_add_epi32(q.v, q.dv);
    q.s = _mm_add_epi32(q.s, q.ds);
    q.t = _mm_add_epi32(q.t, q.dt);
}

// The packed loop of every mode: quad(q, t, m, out) writes the four pixels at out from the
// accumulators q, the indices t of their texels and m of their map entries. The last count % 4
// pixels go through one more quad on a copy of them: every index is below 65536, so the unused
// lanes read inside the tables, and only the span's own pixels are copied back.
template <typename QuadPixels>
inline void packedSpan(uint32_t* dst, const SpanState& sp, QuadPixels quad)
{
    Quad q = quadStart(sp);
    int j = 0;
    for (; j + 4 <= sp.count; j += 4, quadAdvance(q))
        quad(q, storeIndex(quadIndex(q.u, q.v)), storeIndex(quadIndex(q.s, q.t)), dst + j);
    const int rest = sp.count - j;
    if (rest <= 0)
        return;
    // One to three pixels, copied one by one: a loop here becomes a call to memcpy per span.
    alignas(16)
        uint32_t tail[4] = {dst[j], rest > 1 ? dst[j + 1] : 0u, rest > 2 ? dst[j + 2] : 0u, 0u};
    quad(q, storeIndex(quadIndex(q.u, q.v)), storeIndex(quadIndex(q.s, q.t)), tail);
    dst[j] = tail[0];
    if (rest > 1)
        dst[j + 1] = tail[1];
    if (rest > 2)
        dst[j + 2] = tail[2];
}

// The 16-bit lanes of a quad's four pixels: pixels 0 and 1 in lo, 2 and 3 in hi.
struct QuadLanes {
    __m128i lo, hi;
};

inline void storeLanes(uint32_t* out, const QuadLanes& x)
{
    store4(out, _mm_packus_epi16(x.lo, x.hi));
}

// The quad's texels modulated by the multipliers in x: per lane ((p·257 >> 1) · x) >> 16.
inline QuadLanes modulate(const uint32_t* texture, const QuadIndex& t, const QuadLanes& x)
{
    return {_mm_mulhi_epi16(halfWide(texelPair(texture, t.i[0], t.i[1])), x.lo),
            _mm_mulhi_epi16(halfWide(texelPair(texture, t.i[2], t.i[3])), x.hi)};
}

// A byte map's entries at the quad's four pixels, each spread over its pixel's lanes.
inline QuadLanes mapLanes(const uint8_t* map, const QuadIndex& m)
{
    return {spreadPair(map[m.i[0]], map[m.i[1]]), spreadPair(map[m.i[2]], map[m.i[3]])};
}

// The diffuse multiplier 4L of modes 0 and 4.
inline QuadLanes diffuseLanes(const uint8_t* map, const QuadIndex& m)
{
    const QuadLanes l = mapLanes(map, m);
    return {_mm_slli_epi16(l.lo, 2), _mm_slli_epi16(l.hi, 2)};
}

}  // namespace

// The scalar references, straight from the per-lane formulas.

void fillSpanLightMappedScalar(uint32_t* dst, const SpanState& sp)
{
    scalarSpan(dst, sp, [&](PixelInput x) { return lightMappedPixel(x.p, sp.diffuseMap[x.m]); });
}

void fillSpanCopyScalar(uint32_t* dst, const SpanState& sp)
{
    scalarSpan(dst, sp, [](PixelInput x) { return x.p; });
}

void fillSpanLitHalfScalar(uint32_t* dst, const SpanState& sp)
{
    scalarSpan(dst, sp, [&](PixelInput x) { return litHalfPixel(x.p, sp.diffuseMap[x.m], x.d); });
}

void fillSpanHalfBlendScalar(uint32_t* dst, const SpanState& sp)
{
    scalarSpan(dst, sp, [](PixelInput x) { return halfBlendPixel(x.p, x.d); });
}

void fillSpanHighlightScalar(uint32_t* dst, const SpanState& sp)
{
    scalarSpan(dst, sp, [&](PixelInput x) {
        return highlightPixel(x.p, sp.diffuseMap[x.m], sp.highlightMap[x.m]);
    });
}

void fillSpanEnvironmentScalar(uint32_t* dst, const SpanState& sp)
{
    scalarSpan(dst, sp, [&](PixelInput x) { return environmentPixel(x.p, sp.environment[x.m]); });
}

void fillSpanIntensityScalar(uint32_t* dst, const SpanState& sp)
{
    scalarSpan(dst, sp, [](PixelInput x) { return intensityPixel(x.p, intensityOf(x.s)); });
}

void fillSpanAdditiveScalar(uint32_t* dst, const SpanState& sp)
{
    scalarSpan(dst, sp, [](PixelInput x) { return additivePixel(x.p, x.d); });
}

// The packed versions, four pixels at a time.

void fillSpanLightMapped(uint32_t* dst, const SpanState& sp)
{
    packedSpan(dst, sp, [&](const Quad&, const QuadIndex& t, const QuadIndex& m, uint32_t* out) {
        storeLanes(out, modulate(sp.texture, t, diffuseLanes(sp.diffuseMap, m)));
    });
}

void fillSpanCopy(uint32_t* dst, const SpanState& sp)
{
    // Texels go straight to the destination: the copy needs no arithmetic on them.
    packedSpan(dst, sp, [&](const Quad&, const QuadIndex& t, const QuadIndex&, uint32_t* out) {
        for (int k = 0; k < 4; k++)
            out[k] = sp.texture[t.i[k]];
    });
}

void fillSpanLitHalf(uint32_t* dst, const SpanState& sp)
{
    const __m128i zero = _mm_setzero_si128();
    packedSpan(dst, sp, [&](const Quad&, const QuadIndex& t, const QuadIndex& m, uint32_t* out) {
        const __m128i d = load4(out);
        const QuadLanes l = mapLanes(sp.diffuseMap, m);
        const __m128i p01 = texelPair(sp.texture, t.i[0], t.i[1]),
                      p23 = texelPair(sp.texture, t.i[2], t.i[3]);
        // p·L reaches 65025: the low half of the product is exact, shifted as unsigned.
        storeLanes(
            out,
            {_mm_add_epi16(_mm_srli_epi16(_mm_mullo_epi16(_mm_unpacklo_epi8(p01, zero), l.lo), 7),
                           _mm_srli_epi16(_mm_unpacklo_epi8(d, zero), 1)),
             _mm_add_epi16(_mm_srli_epi16(_mm_mullo_epi16(_mm_unpacklo_epi8(p23, zero), l.hi), 7),
                           _mm_srli_epi16(_mm_unpackhi_epi8(d, zero), 1))});
    });
}

void fillSpanHalfBlend(uint32_t* dst, const SpanState& sp)
{
    const __m128i low7 = _mm_set1_epi8(0x7F);
    packedSpan(dst, sp, [&](const Quad&, const QuadIndex& t, const QuadIndex&, uint32_t* out) {
        const __m128i p = texelQuad(sp.texture, t), d = load4(out);
        // Halves of two bytes sum to at most 254: no saturation needed.
        store4(out, _mm_add_epi8(_mm_and_si128(_mm_srli_epi16(p, 1), low7),
                                 _mm_and_si128(_mm_srli_epi16(d, 1), low7)));
    });
}

void fillSpanHighlight(uint32_t* dst, const SpanState& sp)
{
    packedSpan(dst, sp, [&](const Quad&, const QuadIndex& t, const QuadIndex& m, uint32_t* out) {
        const QuadLanes lit = modulate(sp.texture, t, diffuseLanes(sp.diffuseMap, m));
        const QuadLanes h = mapLanes(sp.highlightMap, m);
        storeLanes(out, {_mm_add_epi16(lit.lo, h.lo), _mm_add_epi16(lit.hi, h.hi)});
    });
}

void fillSpanEnvironment(uint32_t* dst, const SpanState& sp)
{
    packedSpan(dst, sp, [&](const Quad&, const QuadIndex& t, const QuadIndex& m, uint32_t* out) {
        // Each environment byte e of a lane as e·257 >> 6.
        const __m128i e01 = texelPair(sp.environment, m.i[0], m.i[1]);
        const __m128i e23 = texelPair(sp.environment, m.i[2], m.i[3]);
        storeLanes(out, modulate(sp.texture, t,
                                 {_mm_srli_epi16(_mm_unpacklo_epi8(e01, e01), 6),
                                  _mm_srli_epi16(_mm_unpacklo_epi8(e23, e23), 6)}));
    });
}

void fillSpanIntensity(uint32_t* dst, const SpanState& sp)
{
    const __m128i zero = _mm_setzero_si128(), top = _mm_set1_epi16(255);
    packedSpan(dst, sp, [&](const Quad& q, const QuadIndex& t, const QuadIndex&, uint32_t* out) {
        // Integer parts of the four intensities, held to 0..255, doubled, spread per
        // pixel.
        __m128i i = _mm_packs_epi32(_mm_srai_epi32(q.s, 8), zero);
        i = _mm_slli_epi16(_mm_min_epi16(_mm_max_epi16(i, zero), top), 1);
        const __m128i pairs = _mm_unpacklo_epi16(i, i);
        storeLanes(out,
                   modulate(sp.texture, t,
                            {_mm_unpacklo_epi32(pairs, pairs), _mm_unpackhi_epi32(pairs, pairs)}));
    });
}

void fillSpanAdditive(uint32_t* dst, const SpanState& sp)
{
    packedSpan(dst, sp, [&](const Quad&, const QuadIndex& t, const QuadIndex&, uint32_t* out) {
        store4(out, _mm_adds_epu8(texelQuad(sp.texture, t), load4(out)));
    });
}
