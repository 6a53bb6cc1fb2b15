// Per-pixel kernels of the presentation: the scalar references written from the formulas, and
// the packed SSE2 forms the presentation uses. Both give the same bytes for every input.
#include "display/display.h"

#include <emmintrin.h>
#include <tmmintrin.h>

#include <cstring>

namespace {

uint8_t byteOf(uint32_t pixel, int k)
{
    return static_cast<uint8_t>(pixel >> (8 * k));
}

}  // namespace

void blendFadeScalar(const uint32_t* frame, uint32_t* trail, uint32_t* out, int count, uint8_t fade,
                     int toWhite)
{
    for (int i = 0; i < count; ++i) {
        uint32_t blended = 0, shown = 0;
        for (int k = 0; k < 4; ++k) {
            int p = byteOf(frame[i], k);
            int t = byteOf(trail[i], k);
            int b = p * 257 / 512 + t * 257 / 512;
            int o = toWhite ? (b + fade > 255 ? 255 : b + fade) : (b - fade < 0 ? 0 : b - fade);
            blended |= uint32_t(b) << (8 * k);
            shown |= uint32_t(o) << (8 * k);
        }
        trail[i] = blended;
        out[i] = shown;
    }
}

void blendFadePacked(const uint32_t* frame, uint32_t* trail, uint32_t* out, int count, uint8_t fade,
                     int toWhite)
{
    // floor(x·257/512) is x >> 1 for every byte value, so each half is a byte-wise halving; the
    // sum is at most 254 and cannot carry into the next byte.
    const __m128i low7 = _mm_set1_epi8(0x7F);
    const __m128i f = _mm_set1_epi8(static_cast<char>(fade));
    auto blend = [&](int i) {
        __m128i p = _mm_loadu_si128(reinterpret_cast<const __m128i*>(frame + i));
        __m128i t = _mm_loadu_si128(reinterpret_cast<const __m128i*>(trail + i));
        __m128i b = _mm_add_epi8(_mm_and_si128(_mm_srli_epi16(p, 1), low7),
                                 _mm_and_si128(_mm_srli_epi16(t, 1), low7));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(trail + i), b);
        return b;
    };
    int i = 0;
    if (toWhite) {
        for (; i + 4 <= count; i += 4)
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), _mm_adds_epu8(blend(i), f));
    } else {
        for (; i + 4 <= count; i += 4)
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), _mm_subs_epu8(blend(i), f));
    }
    blendFadeScalar(frame + i, trail + i, out + i, count - i, fade, toWhite);
}

void fadeWhiteScalar(const uint32_t* frame, uint32_t* out, int count, uint8_t fade)
{
    for (int i = 0; i < count; ++i) {
        uint32_t shown = 0;
        for (int k = 0; k < 4; ++k) {
            int o = byteOf(frame[i], k) + fade;
            shown |= uint32_t(o > 255 ? 255 : o) << (8 * k);
        }
        out[i] = shown;
    }
}

void fadeWhitePacked(const uint32_t* frame, uint32_t* out, int count, uint8_t fade)
{
    const __m128i f = _mm_set1_epi8(static_cast<char>(fade));
    int i = 0;
    for (; i + 4 <= count; i += 4) {
        __m128i p = _mm_loadu_si128(reinterpret_cast<const __m128i*>(frame + i));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), _mm_adds_epu8(p, f));
    }
    fadeWhiteScalar(frame + i, out + i, count - i, fade);
}

void pack24Scalar(const uint32_t* source, uint8_t* out, int count)
{
    for (int i = 0; i < count; ++i) {
        out[3 * i] = byteOf(source[i], 0);      // blue
        out[3 * i + 1] = byteOf(source[i], 1);  // green
        out[3 * i + 2] = byteOf(source[i], 2);  // red
    }
}

namespace {

// Two pixels per 64-bit lane: the second pixel's colour is pulled down one byte, so each lane
// holds six colour bytes followed by two zero bytes.
inline __m128i packLanes24(__m128i v)
{
    const __m128i first = _mm_set1_epi64x(0x0000000000FFFFFFll);
    const __m128i second = _mm_set1_epi64x(0x0000FFFFFF000000ll);
    return _mm_or_si128(_mm_and_si128(v, first), _mm_and_si128(_mm_srli_epi64(v, 8), second));
}

// Sixteen pixels make 48 bytes: each group of four is shuffled into 12 bytes, and four groups are
// merged into three full 16-byte stores. Needs SSSE3's byte shuffle; chosen at run time.
__attribute__((target("ssse3"))) int pack24Ssse3(const uint32_t* source, uint8_t* out, int count)
{
    const __m128i squeeze = _mm_setr_epi8(0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -1, -1, -1, -1);
    int i = 0;
    for (; i + 16 <= count; i += 16) {
        const __m128i* in = reinterpret_cast<const __m128i*>(source + i);
        __m128i a = _mm_shuffle_epi8(_mm_loadu_si128(in), squeeze);
        __m128i b = _mm_shuffle_epi8(_mm_loadu_si128(in + 1), squeeze);
        __m128i c = _mm_shuffle_epi8(_mm_loadu_si128(in + 2), squeeze);
        __m128i d = _mm_shuffle_epi8(_mm_loadu_si128(in + 3), squeeze);
        __m128i* o = reinterpret_cast<__m128i*>(out + 3 * i);
        _mm_storeu_si128(o, _mm_or_si128(a, _mm_slli_si128(b, 12)));
        _mm_storeu_si128(o + 1, _mm_or_si128(_mm_srli_si128(b, 4), _mm_slli_si128(c, 8)));
        _mm_storeu_si128(o + 2, _mm_or_si128(_mm_srli_si128(c, 8), _mm_slli_si128(d, 4)));
    }
    return i;
}

}  // namespace

void pack24Packed(const uint32_t* source, uint8_t* out, int count)
{
    static const bool ssse3 = __builtin_cpu_supports("ssse3");
    int i = ssse3 ? pack24Ssse3(source, out, count) : 0;
    // SSE2, four at a time: each 64-bit lane is stored as 8 bytes, 6 bytes after the previous one,
    // so its two zero bytes are overwritten by the next store. The loop stops while pixels remain
    // after the group, so the zero bytes of the last store fall on bytes still to be written.
    for (; i + 4 < count; i += 4) {
        __m128i lanes = packLanes24(_mm_loadu_si128(reinterpret_cast<const __m128i*>(source + i)));
        _mm_storel_epi64(reinterpret_cast<__m128i*>(out + 3 * i), lanes);
        _mm_storel_epi64(reinterpret_cast<__m128i*>(out + 3 * i + 6), _mm_srli_si128(lanes, 8));
    }
    pack24Scalar(source + i, out + 3 * i, count - i);
}

void pack16Scalar(const uint32_t* source, uint16_t* out, int count, int layout)
{
    if (layout != 1 && layout != 2)
        return;
    for (int i = 0; i < count; ++i) {
        uint32_t red = byteOf(source[i], 2), green = byteOf(source[i], 1),
                 blue = byteOf(source[i], 0);
        uint32_t v = layout == 1 ? (red >> 3) << 10 | (green >> 3) << 5 | (blue >> 3)
                                 : (red >> 3) << 11 | (green >> 2) << 5 | (blue >> 3);
        std::memcpy(out + i, &v, 2);  // the low 16 bits, little-endian
    }
}

void pack16Packed(const uint32_t* source, uint16_t* out, int count, int layout)
{
    if (layout != 1 && layout != 2)
        return;
    const bool fiveFive = layout == 1;
    // Per pixel, three bits above the result: blue and red come from one multiply-add of their
    // masked bytes (blue × 1, red × 1024 or 2048), green from a mask and a shift. 5-6-5 values
    // reach 0xFFFF, so they are brought down sign-extended (shift left, arithmetic shift right)
    // for the signed saturating pack to keep them exactly; 5-5-5 values stay below 0x8000.
    const __m128i blueRedMask = _mm_set1_epi32(0x00F800F8);
    const __m128i weights = _mm_set1_epi32(fiveFive ? 0x04000001 : 0x08000001);
    const __m128i greenMask = _mm_set1_epi32(fiveFive ? 0xF800 : 0xFC00);
    auto toWords = [&](__m128i v) {
        __m128i blueRed = _mm_madd_epi16(_mm_and_si128(v, blueRedMask), weights);
        __m128i green = fiveFive ? _mm_srli_epi32(_mm_and_si128(v, greenMask), 3)
                                 : _mm_srli_epi32(_mm_and_si128(v, greenMask), 2);
        __m128i scaled = _mm_or_si128(blueRed, green);
        return fiveFive ? _mm_srli_epi32(scaled, 3)
                        : _mm_srai_epi32(_mm_slli_epi32(scaled, 13), 16);
    };
    int i = 0;
    for (; i + 8 <= count; i += 8) {
        __m128i a = toWords(_mm_loadu_si128(reinterpret_cast<const __m128i*>(source + i)));
        __m128i b = toWords(_mm_loadu_si128(reinterpret_cast<const __m128i*>(source + i + 4)));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), _mm_packs_epi32(a, b));
    }
    pack16Scalar(source + i, out + i, count - i, layout);
}
