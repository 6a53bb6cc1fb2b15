// Whole-buffer combinations: copy, saturating add, dimmed add, cross-fade, quarter reduction and
// the table-driven texture remap. The packed versions work on four pixels per step; each has a
// scalar reference beside it that follows the per-byte formula.
#include <cstring>

#include <emmintrin.h>
#include <immintrin.h>

#include "render/draw.h"

namespace {

// Applies f to each of the four bytes of a and b and packs the results.
template <typename F>
uint32_t perByte(uint32_t a, uint32_t b, F f)
{
    uint32_t r = 0;
    for (int shift = 0; shift < 32; shift += 8) {
        const unsigned x = (a >> shift) & 255, y = (b >> shift) & 255;
        r |= static_cast<uint32_t>(f(x, y) & 255) << shift;
    }
    return r;
}

unsigned min255(unsigned x)
{
    return x < 255 ? x : 255;
}

// Stands in for a picture that did not load: the cross-fade and the remap read black from it.
const uint32_t blackPicture[viewPixels] = {};

const uint32_t* orBlack(const uint32_t* picture)
{
    return picture != nullptr ? picture : blackPicture;
}

}  // namespace

void copyBuffer(uint32_t* dst, const uint32_t* src, int pairs)
{
    if (pairs <= 0)
        return;
    if (src == nullptr) {  // a picture that did not load copies as black
        std::memset(dst, 0, static_cast<size_t>(pairs) * 8);
        return;
    }
    std::memmove(dst, src, static_cast<size_t>(pairs) * 8);
}

void addBufferScalar(uint32_t* dst, const uint32_t* src, int pairs)
{
    if (src == nullptr)
        return;
    for (int i = 0; i < pairs * 2; i++)
        dst[i] = perByte(dst[i], src[i], [](unsigned d, unsigned s) { return min255(d + s); });
}

void addBuffer(uint32_t* dst, const uint32_t* src, int pairs)
{
    if (pairs <= 0 || src == nullptr)
        return;
    const int n = pairs * 2;
    int i = 0;
    for (; i + 4 <= n; i += 4) {
        const __m128i d = _mm_loadu_si128(reinterpret_cast<const __m128i*>(dst + i));
        const __m128i s = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + i));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + i), _mm_adds_epu8(d, s));
    }
    if (i < n) {  // one pair left
        const __m128i d = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(dst + i));
        const __m128i s = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(src + i));
        _mm_storel_epi64(reinterpret_cast<__m128i*>(dst + i), _mm_adds_epu8(d, s));
    }
}

void addBufferDimmedScalar(uint32_t* dst, const uint32_t* src, int pairs, uint8_t amount)
{
    if (src == nullptr)
        return;
    for (int i = 0; i < pairs * 2; i++)
        dst[i] = perByte(dst[i], src[i], [amount](unsigned d, unsigned s) {
            return min255(d + (s > amount ? s - amount : 0));
        });
}

void addBufferDimmed(uint32_t* dst, const uint32_t* src, int pairs, uint8_t amount)
{
    if (pairs <= 0 || src == nullptr)
        return;
    const int n = pairs * 2;
    const __m128i dim = _mm_set1_epi8(static_cast<char>(amount));
    int i = 0;
    for (; i + 4 <= n; i += 4) {
        const __m128i d = _mm_loadu_si128(reinterpret_cast<const __m128i*>(dst + i));
        const __m128i s = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + i));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + i),
                         _mm_adds_epu8(d, _mm_subs_epu8(s, dim)));
    }
    if (i < n) {
        const __m128i d = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(dst + i));
        const __m128i s = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(src + i));
        _mm_storel_epi64(reinterpret_cast<__m128i*>(dst + i),
                         _mm_adds_epu8(d, _mm_subs_epu8(s, dim)));
    }
}

void crossFadeScalar(uint32_t* dst, const uint32_t* a, const uint32_t* b, uint8_t alpha)
{
    a = orBlack(a);
    b = orBlack(b);
    const unsigned beta = 255u - alpha;
    for (int i = 0; i < viewPixels; i++)
        dst[i] = perByte(a[i], b[i], [alpha, beta](unsigned x, unsigned y) {
            return min255(((x * alpha) >> 8) + ((y * beta) >> 8));
        });
}

// A byte unpacked into the high half of a lane is x·256, so the high half of its product with
// the factor is (x·factor) >> 8. The two terms sum to at most 254: no saturation is needed.
void crossFadeSse2(uint32_t* dst, const uint32_t* a, const uint32_t* b, uint8_t alpha)
{
    a = orBlack(a);
    b = orBlack(b);
    const __m128i zero = _mm_setzero_si128();
    const __m128i fa = _mm_set1_epi16(static_cast<short>(alpha));
    const __m128i fb = _mm_set1_epi16(static_cast<short>(255 - alpha));
    for (int i = 0; i < viewPixels; i += 4) {
        const __m128i pa = _mm_loadu_si128(reinterpret_cast<const __m128i*>(a + i));
        const __m128i pb = _mm_loadu_si128(reinterpret_cast<const __m128i*>(b + i));
        const __m128i lo = _mm_add_epi16(_mm_mulhi_epu16(_mm_unpacklo_epi8(zero, pa), fa),
                                         _mm_mulhi_epu16(_mm_unpacklo_epi8(zero, pb), fb));
        const __m128i hi = _mm_add_epi16(_mm_mulhi_epu16(_mm_unpackhi_epi8(zero, pa), fa),
                                         _mm_mulhi_epu16(_mm_unpackhi_epi8(zero, pb), fb));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + i), _mm_packus_epi16(lo, hi));
    }
}

namespace {

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define V4N_HAVE_AVX2_PATH 1
// The same lane arithmetic on eight pixels at a time (unpack and pack work within each
// 128-bit half, so the pixel order is kept).
__attribute__((target("avx2"))) void crossFadeAvx2(uint32_t* dst, const uint32_t* a,
                                                   const uint32_t* b, uint8_t alpha)
{
    const __m256i zero = _mm256_setzero_si256();
    const __m256i fa = _mm256_set1_epi16(static_cast<short>(alpha));
    const __m256i fb = _mm256_set1_epi16(static_cast<short>(255 - alpha));
    for (int i = 0; i < viewPixels; i += 8) {
        const __m256i pa = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(a + i));
        const __m256i pb = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(b + i));
        const __m256i lo = _mm256_add_epi16(_mm256_mulhi_epu16(_mm256_unpacklo_epi8(zero, pa), fa),
                                            _mm256_mulhi_epu16(_mm256_unpacklo_epi8(zero, pb), fb));
        const __m256i hi = _mm256_add_epi16(_mm256_mulhi_epu16(_mm256_unpackhi_epi8(zero, pa), fa),
                                            _mm256_mulhi_epu16(_mm256_unpackhi_epi8(zero, pb), fb));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(dst + i), _mm256_packus_epi16(lo, hi));
    }
}
#endif

}  // namespace

void crossFade(uint32_t* dst, const uint32_t* a, const uint32_t* b, uint8_t alpha)
{
    a = orBlack(a);
    b = orBlack(b);
#ifdef V4N_HAVE_AVX2_PATH
    static const bool avx2 = __builtin_cpu_supports("avx2");
    if (avx2) {
        crossFadeAvx2(dst, a, b, alpha);
        return;
    }
#endif
    crossFadeSse2(dst, a, b, alpha);
}

void shrinkToQuarter(uint32_t* dst, const uint32_t* src)
{
    constexpr int quarterWidth = viewWidth / 4, quarterHeight = viewHeight / 4;
    for (int j = 0; j < quarterHeight; j++)
        for (int i = 0; i < quarterWidth; i++)
            dst[j * quarterWidth + i] = src[(4 * j) * viewWidth + 4 * i];
}

void remapTextureScalar(uint32_t* dst, const uint32_t* texture, const uint16_t* table, uint8_t ox,
                        uint8_t oy)
{
    if (texture == nullptr) {
        std::memset(dst, 0, sizeof(uint32_t) * viewPixels);
        return;
    }
    for (int k = 0; k < viewPixels; k++) {
        const unsigned e = table[k];
        const unsigned row = ((e >> 8) + oy) % 256, column = ((e & 255) + ox) % 256;
        dst[k] = texture[row * textureSize + column];
    }
}

void remapTexture(uint32_t* dst, const uint32_t* texture, const uint16_t* table, uint8_t ox,
                  uint8_t oy)
{
    if (texture == nullptr) {
        std::memset(dst, 0, sizeof(uint32_t) * viewPixels);
        return;
    }
    // Adding the offsets bytewise wraps row and column separately: the sum is the texel index.
    const __m128i offset = _mm_set1_epi16(static_cast<short>(oy << 8 | ox));
    for (int k = 0; k < viewPixels; k += 8) {
        const __m128i e = _mm_loadu_si128(reinterpret_cast<const __m128i*>(table + k));
        alignas(16) uint16_t index[8];
        _mm_store_si128(reinterpret_cast<__m128i*>(index), _mm_add_epi8(e, offset));
        const __m128i lo =
            _mm_set_epi32(static_cast<int>(texture[index[3]]), static_cast<int>(texture[index[2]]),
                          static_cast<int>(texture[index[1]]), static_cast<int>(texture[index[0]]));
        const __m128i hi =
            _mm_set_epi32(static_cast<int>(texture[index[7]]), static_cast<int>(texture[index[6]]),
                          static_cast<int>(texture[index[5]]), static_cast<int>(texture[index[4]]));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + k), lo);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + k + 4), hi);
    }
}
