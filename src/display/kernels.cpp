// Per-pixel kernels of the presentation: the scalar references written from the formulas, and
// the packed SSE2 forms the presentation uses. Both give the same bytes for every input.
#include "display/display.h"

#include <emmintrin.h>

#include <cstring>

namespace {

uint8_t byteOf(uint32_t pixel, int k)
{
    return static_cast<uint8_t>(pixel >> (8 * k));
}

}  // namespace

void blendFadeScalar(const uint32_t* frame, uint32_t* trail, uint32_t* out, int count,
                     uint8_t fade, int toWhite)
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

void blendFadePacked(const uint32_t* frame, uint32_t* trail, uint32_t* out, int count,
                     uint8_t fade, int toWhite)
{
    // floor(x·257/512) is x >> 1 for every byte value, so each half is a byte-wise halving; the
    // sum is at most 254 and cannot carry into the next byte.
    const __m128i low7 = _mm_set1_epi8(0x7F);
    const __m128i f = _mm_set1_epi8(static_cast<char>(fade));
    int i = 0;
    for (; i + 4 <= count; i += 4) {
        __m128i p = _mm_loadu_si128(reinterpret_cast<const __m128i*>(frame + i));
        __m128i t = _mm_loadu_si128(reinterpret_cast<const __m128i*>(trail + i));
        __m128i b = _mm_add_epi8(_mm_and_si128(_mm_srli_epi16(p, 1), low7),
                                 _mm_and_si128(_mm_srli_epi16(t, 1), low7));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(trail + i), b);
        __m128i o = toWhite ? _mm_adds_epu8(b, f) : _mm_subs_epu8(b, f);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), o);
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

// Four pixels into their twelve colour bytes, in the low 12 bytes of the result.
inline __m128i packFour24(__m128i v)
{
    // Within each 64-bit lane (two pixels) pull the second pixel's colour down by one byte, so
    // the lane holds six colour bytes; then move the upper lane's six bytes next to the lower's.
    const __m128i first = _mm_set1_epi64x(0x0000000000FFFFFFll);
    const __m128i second = _mm_set1_epi64x(0x0000FFFFFF000000ll);
    const __m128i lowLane = _mm_set_epi64x(0, -1);
    __m128i lanes = _mm_or_si128(_mm_and_si128(v, first), _mm_and_si128(_mm_srli_epi64(v, 8), second));
    __m128i upper = _mm_srli_si128(lanes, 8);
    return _mm_or_si128(_mm_and_si128(lanes, lowLane), _mm_slli_si128(upper, 6));
}

}  // namespace

void pack24Packed(const uint32_t* source, uint8_t* out, int count)
{
    // Eight pixels make 24 bytes per step: one 16-byte and one 8-byte store.
    int i = 0;
    for (; i + 8 <= count; i += 8) {
        __m128i a = packFour24(_mm_loadu_si128(reinterpret_cast<const __m128i*>(source + i)));
        __m128i b = packFour24(_mm_loadu_si128(reinterpret_cast<const __m128i*>(source + i + 4)));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 3 * i), _mm_or_si128(a, _mm_slli_si128(b, 12)));
        _mm_storel_epi64(reinterpret_cast<__m128i*>(out + 3 * i + 16), _mm_srli_si128(b, 4));
    }
    pack24Scalar(source + i, out + 3 * i, count - i);
}

void pack16Scalar(const uint32_t* source, uint16_t* out, int count, int layout)
{
    if (layout != 1 && layout != 2) return;
    for (int i = 0; i < count; ++i) {
        uint32_t red = byteOf(source[i], 2), green = byteOf(source[i], 1), blue = byteOf(source[i], 0);
        uint32_t v = layout == 1 ? (red >> 3) << 10 | (green >> 3) << 5 | (blue >> 3)
                                 : (red >> 3) << 11 | (green >> 2) << 5 | (blue >> 3);
        std::memcpy(out + i, &v, 2);  // the low 16 bits, little-endian
    }
}

void pack16Packed(const uint32_t* source, uint16_t* out, int count, int layout)
{
    if (layout != 1 && layout != 2) return;
    const bool fiveFive = layout == 1;
    const __m128i redMask = _mm_set1_epi32(fiveFive ? 0x7C00 : 0xF800);
    const __m128i greenMask = _mm_set1_epi32(fiveFive ? 0x03E0 : 0x07E0);
    const __m128i blueMask = _mm_set1_epi32(0x001F);
    const __m128i bias = _mm_set1_epi32(0x8000);
    const __m128i unbias = _mm_set1_epi16(static_cast<short>(0x8000));
    auto toWords = [&](__m128i v) {
        __m128i r = fiveFive ? _mm_srli_epi32(v, 9) : _mm_srli_epi32(v, 8);
        __m128i g = fiveFive ? _mm_srli_epi32(v, 6) : _mm_srli_epi32(v, 5);
        __m128i w = _mm_or_si128(_mm_or_si128(_mm_and_si128(r, redMask), _mm_and_si128(g, greenMask)),
                                 _mm_and_si128(_mm_srli_epi32(v, 3), blueMask));
        // Shifted into the signed range so the saturating pack keeps every value exactly.
        return _mm_sub_epi32(w, bias);
    };
    int i = 0;
    for (; i + 8 <= count; i += 8) {
        __m128i a = toWords(_mm_loadu_si128(reinterpret_cast<const __m128i*>(source + i)));
        __m128i b = toWords(_mm_loadu_si128(reinterpret_cast<const __m128i*>(source + i + 4)));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), _mm_xor_si128(_mm_packs_epi32(a, b), unbias));
    }
    pack16Scalar(source + i, out + i, count - i, layout);
}
