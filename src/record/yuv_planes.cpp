// The shown picture as the encoder's 4:2:0 planes, enlarged with sharp pixels: the scalar
// reference written from the formulas, and the packed SSE2 form the recorder uses.
#include "record/record.h"

#include "platform/platform.h"

#include <emmintrin.h>

#include <cstring>

namespace {

// BT.709 in the limited range, in units of 1/32768: Y = 16 + (yr R + yg G + yb B), Cb = 128 +
// (ur R + ug G + ub B), Cr = 128 + (vr R + vg G + vb B). The chroma rows sum to 0 so that greys
// keep 128; the luma row sums to 219/255 so that white is 235.
constexpr int yr = 5983, yg = 20127, yb = 2032;
constexpr int ur = -3298, ug = -11094, ub = 14392;
constexpr int vr = 14392, vg = -13072, vb = -1320;
static_assert(ur + ug + ub == 0 && vr + vg + vb == 0);

constexpr int width = platformTargetWidth;
constexpr int height = platformTargetHeight;

int red(uint32_t p)
{
    return int(p >> 16 & 0xFF);
}
int green(uint32_t p)
{
    return int(p >> 8 & 0xFF);
}
int blue(uint32_t p)
{
    return int(p & 0xFF);
}

uint8_t lumaOf(uint32_t p)
{
    return uint8_t((16 * 32768 + yr * red(p) + yg * green(p) + yb * blue(p) + 16384) >> 15);
}

// Chroma of the four pixels under one 2 x 2 block of the enlarged picture, rounded once.
void chromaOf4(uint32_t a, uint32_t b, uint32_t c, uint32_t d, uint8_t& u, uint8_t& v)
{
    const int r = red(a) + red(b) + red(c) + red(d);
    const int g = green(a) + green(b) + green(c) + green(d);
    const int bl = blue(a) + blue(b) + blue(c) + blue(d);
    u = uint8_t((128 * 131072 + ur * r + ug * g + ub * bl + 65536) >> 17);
    v = uint8_t((128 * 131072 + vr * r + vg * g + vb * bl + 65536) >> 17);
}

// The chroma planes at any factor: sample (cx, cy) covers enlarged pixels 2cx, 2cx + 1 and rows
// 2cy, 2cy + 1, which lie on one, two or four pixels of the picture.
void chromaAnyScale(const uint32_t* shown, int scale, const YuvPlanes& out)
{
    const int chromaWidth = width * scale / 2, chromaHeight = height * scale / 2;
    for (int cy = 0; cy < chromaHeight; ++cy) {
        const uint32_t* top = shown + size_t(2 * cy / scale) * width;
        const uint32_t* bottom = shown + size_t((2 * cy + 1) / scale) * width;
        uint8_t* u = out.u + size_t(cy) * out.strideU;
        uint8_t* v = out.v + size_t(cy) * out.strideV;
        for (int cx = 0; cx < chromaWidth; ++cx) {
            const int left = 2 * cx / scale, right = (2 * cx + 1) / scale;
            chromaOf4(top[left], top[right], bottom[left], bottom[right], u[cx], v[cx]);
        }
    }
}

// Each of count bytes becomes factor bytes.
void widenScalar(const uint8_t* in, int count, int factor, uint8_t* out)
{
    for (int i = 0; i < count; ++i)
        for (int k = 0; k < factor; ++k)
            out[i * factor + k] = in[i];
}

void widenPacked(const uint8_t* in, int count, int factor, uint8_t* out)
{
    int i = 0;
    if (factor == 1) {
        std::memcpy(out, in, size_t(count));
        return;
    }
    if (factor == 2) {
        for (; i + 16 <= count; i += 16) {
            const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + i));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 2 * i), _mm_unpacklo_epi8(b, b));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 2 * i + 16), _mm_unpackhi_epi8(b, b));
        }
    } else if (factor == 4) {
        for (; i + 16 <= count; i += 16) {
            const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + i));
            const __m128i lo = _mm_unpacklo_epi8(b, b), hi = _mm_unpackhi_epi8(b, b);
            auto* o = reinterpret_cast<__m128i*>(out + 4 * i);
            _mm_storeu_si128(o, _mm_unpacklo_epi16(lo, lo));
            _mm_storeu_si128(o + 1, _mm_unpackhi_epi16(lo, lo));
            _mm_storeu_si128(o + 2, _mm_unpacklo_epi16(hi, hi));
            _mm_storeu_si128(o + 3, _mm_unpackhi_epi16(hi, hi));
        }
    }
    widenScalar(in + i, count - i, factor, out + size_t(i) * factor);
}

// One row of the picture widened into a plane's row, then copied to the rows below it.
void fillRows(const uint8_t* row, int count, int factor, int rows, uint8_t* out, int stride,
              bool packed)
{
    if (packed)
        widenPacked(row, count, factor, out);
    else
        widenScalar(row, count, factor, out);
    for (int k = 1; k < rows; ++k)
        std::memcpy(out + size_t(k) * stride, out, size_t(count) * factor);
}

// Y = (16·32768 + yr R + yg G + yb B + 16384) >> 15 for 16 pixels at a time (count a multiple of
// 16); with chroma, Cb and Cr of each pixel the same way. The pixel's bytes as 16-bit lanes pair
// blue with red and green with the unused top byte, so one multiply-add per pair and one add give
// each pixel's sum.
void convertRowPacked(const uint32_t* in, int count, uint8_t* y, uint8_t* u, uint8_t* v)
{
    const __m128i low = _mm_set1_epi32(0x00FF00FF);
    const __m128i yBr = _mm_set1_epi32(yr << 16 | yb), yG = _mm_set1_epi32(yg);
    const __m128i uBr = _mm_set1_epi32(int(uint32_t(ur) << 16 | uint16_t(ub)));
    const __m128i uG = _mm_set1_epi32(uint16_t(ug));
    const __m128i vBr = _mm_set1_epi32(int(uint32_t(vr) << 16 | uint16_t(vb)));
    const __m128i vG = _mm_set1_epi32(uint16_t(vg));
    const __m128i yBias = _mm_set1_epi32(16 * 32768 + 16384);
    const __m128i cBias = _mm_set1_epi32(128 * 32768 + 16384);
    for (int i = 0; i < count; i += 16) {
        __m128i ys[4], us[4], vs[4];
        for (int k = 0; k < 4; ++k) {
            const __m128i p = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + i + 4 * k));
            const __m128i br = _mm_and_si128(p, low);
            const __m128i gx = _mm_and_si128(_mm_srli_epi32(p, 8), low);
            ys[k] = _mm_srai_epi32(
                _mm_add_epi32(_mm_add_epi32(_mm_madd_epi16(br, yBr), _mm_madd_epi16(gx, yG)),
                              yBias),
                15);
            if (u != nullptr) {
                us[k] = _mm_srai_epi32(
                    _mm_add_epi32(_mm_add_epi32(_mm_madd_epi16(br, uBr), _mm_madd_epi16(gx, uG)),
                                  cBias),
                    15);
                vs[k] = _mm_srai_epi32(
                    _mm_add_epi32(_mm_add_epi32(_mm_madd_epi16(br, vBr), _mm_madd_epi16(gx, vG)),
                                  cBias),
                    15);
            }
        }
        auto bytes = [](const __m128i* s) {
            return _mm_packus_epi16(_mm_packs_epi32(s[0], s[1]), _mm_packs_epi32(s[2], s[3]));
        };
        _mm_storeu_si128(reinterpret_cast<__m128i*>(y + i), bytes(ys));
        if (u != nullptr) {
            _mm_storeu_si128(reinterpret_cast<__m128i*>(u + i), bytes(us));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(v + i), bytes(vs));
        }
    }
}

static_assert(width % 16 == 0);

}  // namespace

void yuvFromShownScalar(const uint32_t* shown, int scale, const YuvPlanes& out)
{
    uint8_t row[width];
    for (int sy = 0; sy < height; ++sy) {
        for (int x = 0; x < width; ++x)
            row[x] = lumaOf(shown[size_t(sy) * width + x]);
        fillRows(row, width, scale, scale, out.y + size_t(sy) * scale * out.strideY, out.strideY,
                 false);
    }
    chromaAnyScale(shown, scale, out);
}

void yuvFromShownPacked(const uint32_t* shown, int scale, const YuvPlanes& out)
{
    // An even factor puts every chroma sample on one pixel: its chroma widened by scale / 2.
    // An odd one mixes neighbours along the block edges and takes the general path.
    const bool even = scale % 2 == 0;
    uint8_t y[width], u[width], v[width];
    const int half = scale / 2;
    for (int sy = 0; sy < height; ++sy) {
        const uint32_t* in = shown + size_t(sy) * width;
        convertRowPacked(in, width, y, even ? u : nullptr, v);
        fillRows(y, width, scale, scale, out.y + size_t(sy) * scale * out.strideY, out.strideY,
                 true);
        if (even) {
            fillRows(u, width, half, half, out.u + size_t(sy) * half * out.strideU, out.strideU,
                     true);
            fillRows(v, width, half, half, out.v + size_t(sy) * half * out.strideV, out.strideV,
                     true);
        }
    }
    if (!even)
        chromaAnyScale(shown, scale, out);
}

void bgr0FromShown(const uint32_t* shown, int scale, uint8_t* out, int stride)
{
    for (int sy = 0; sy < height; ++sy) {
        auto* row = reinterpret_cast<uint32_t*>(out + size_t(sy) * scale * stride);
        const uint32_t* in = shown + size_t(sy) * width;
        for (int x = 0; x < width; ++x)
            for (int k = 0; k < scale; ++k)
                row[x * scale + k] = in[x] & 0x00FFFFFF;
        for (int k = 1; k < scale; ++k)
            std::memcpy(out + (size_t(sy) * scale + k) * stride, row, size_t(width) * scale * 4);
    }
}
