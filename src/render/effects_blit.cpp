// Additive sprites and rectangular block blits. Everything is clipped to the 320x200 buffer.
#include <cstring>

#include <emmintrin.h>

#include "render/draw.h"

namespace {

// The additive blend of sprites and addBlock, one byte: min(255, ((s·257 >> 1) + (d·257 >> 1)) >>
// 7).
unsigned blendAddByte(unsigned s, unsigned d)
{
    const unsigned r = (((s * 257) >> 1) + ((d * 257) >> 1)) >> 7;
    return r < 255 ? r : 255;
}

uint32_t blendAddPixel(uint32_t s, uint32_t d)
{
    uint32_t r = 0;
    for (int shift = 0; shift < 32; shift += 8)
        r |= blendAddByte((s >> shift) & 255, (d >> shift) & 255) << shift;
    return r;
}

// The same blend on eight 16-bit lanes holding the bytes of two pixels each doubled (x·257).
__m128i blendAddLanes(__m128i s257, __m128i d257)
{
    const __m128i sum = _mm_add_epi16(_mm_srli_epi16(s257, 1), _mm_srli_epi16(d257, 1));
    return _mm_srli_epi16(sum, 7);
}

// Four pixels: the blend of s onto d.
__m128i blendAddQuad(__m128i s, __m128i d)
{
    const __m128i lo = blendAddLanes(_mm_unpacklo_epi8(s, s), _mm_unpacklo_epi8(d, d));
    const __m128i hi = blendAddLanes(_mm_unpackhi_epi8(s, s), _mm_unpackhi_epi8(d, d));
    return _mm_packus_epi16(lo, hi);
}

// The visible part of a w x h block placed at (x, y) in a 320x200 buffer.
struct BlockClip {
    int x0, y0;         // first destination column and row
    int skipX, skipY;   // source columns and rows left out on the left and at the top
    int columns, rows;  // size of the visible part (both > 0 when anything is visible)
};

bool clipBlock(int x, int y, int w, int h, BlockClip& clip)
{
    const long long left = x < 0 ? 0 : x, top = y < 0 ? 0 : y;
    const long long right = static_cast<long long>(x) + w, bottom = static_cast<long long>(y) + h;
    const long long r = right > viewWidth ? viewWidth : right;
    const long long b = bottom > viewHeight ? viewHeight : bottom;
    if (r <= left || b <= top)
        return false;
    clip.x0 = static_cast<int>(left);
    clip.y0 = static_cast<int>(top);
    clip.skipX = static_cast<int>(left - x);
    clip.skipY = static_cast<int>(top - y);
    clip.columns = static_cast<int>(r - left);
    clip.rows = static_cast<int>(b - top);
    return true;
}

int blockSide(uint8_t n)
{
    return n == 0 ? 256 : n;
}

// Sprite placement after clipping: first pixel, 8.8 texel steps and start values, sizes.
struct SpriteClip {
    int x, y;         // first destination column and row
    uint32_t u0, v0;  // 8.8 texel position of the first pixel (wrapping)
    int32_t du, dv;   // 8.8 texels per pixel
    int count, rows;
};

bool clipSprite(int sw, int sh, int cx, int cy, int w, int h, SpriteClip& c)
{
    // A width or height of 0 draws nothing; so does a negative one, which leaves no columns.
    if (w <= 0 || h <= 0)
        return false;
    const long long x = static_cast<long long>(cx) - (w >> 1);
    const long long y = static_cast<long long>(cy) - (h >> 1);
    c.du = static_cast<int32_t>(static_cast<long long>(sw) * 256 / w);
    c.dv = static_cast<int32_t>(static_cast<long long>(sh) * 256 / h);
    c.u0 = c.v0 = 0;
    long long count = w, rows = h, firstX = x, firstY = y;
    if (x < 0) {
        c.u0 = static_cast<uint32_t>(c.du) * static_cast<uint32_t>(-x);
        count += x;
        firstX = 0;
    }
    if (x + w > viewWidth)
        count -= x + w - viewWidth;
    if (y < 0) {
        c.v0 = static_cast<uint32_t>(c.dv) * static_cast<uint32_t>(-y);
        rows += y;
        firstY = 0;
    }
    if (y + h > viewHeight)
        rows -= y + h - viewHeight;
    if (count <= 0 || rows <= 0)
        return false;
    c.x = static_cast<int>(firstX);
    c.y = static_cast<int>(firstY);
    c.count = static_cast<int>(count);
    c.rows = static_cast<int>(rows);
    return true;
}

}  // namespace

void drawSpriteScalar(uint32_t* buffer, int sw, int sh, const uint32_t* texture, int cx, int cy,
                      int w, int h)
{
    if (texture == nullptr)
        return;
    SpriteClip c;
    if (!clipSprite(sw, sh, cx, cy, w, h, c))
        return;
    uint32_t v = c.v0;
    for (int row = 0; row < c.rows; row++, v += static_cast<uint32_t>(c.dv)) {
        const uint32_t* texRow = texture + ((v >> 8) & 255) * textureSize;
        uint32_t* d = buffer + (c.y + row) * viewWidth + c.x;
        uint32_t u = c.u0;
        for (int i = 0; i < c.count; i++, u += static_cast<uint32_t>(c.du))
            d[i] = blendAddPixel(texRow[(u >> 8) & 255], d[i]);
    }
}

void drawSprite(uint32_t* buffer, int sw, int sh, const uint32_t* texture, int cx, int cy, int w,
                int h)
{
    if (texture == nullptr)
        return;
    SpriteClip c;
    if (!clipSprite(sw, sh, cx, cy, w, h, c))
        return;
    const uint32_t du = static_cast<uint32_t>(c.du);
    uint32_t v = c.v0;
    for (int row = 0; row < c.rows; row++, v += static_cast<uint32_t>(c.dv)) {
        const uint32_t* texRow = texture + ((v >> 8) & 255) * textureSize;
        uint32_t* d = buffer + (c.y + row) * viewWidth + c.x;
        uint32_t u = c.u0;
        int i = 0;
        for (; i + 4 <= c.count; i += 4, u += 4 * du) {
            const __m128i s = _mm_set_epi32(static_cast<int>(texRow[((u + 3 * du) >> 8) & 255]),
                                            static_cast<int>(texRow[((u + 2 * du) >> 8) & 255]),
                                            static_cast<int>(texRow[((u + du) >> 8) & 255]),
                                            static_cast<int>(texRow[(u >> 8) & 255]));
            const __m128i dst = _mm_loadu_si128(reinterpret_cast<const __m128i*>(d + i));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(d + i), blendAddQuad(s, dst));
        }
        for (; i < c.count; i++, u += du)
            d[i] = blendAddPixel(texRow[(u >> 8) & 255], d[i]);
    }
}

void addBlockScalar(uint32_t* buffer, uint8_t w, uint8_t h, const uint32_t* source, int x, int y)
{
    if (source == nullptr)
        return;
    const int width = blockSide(w);
    BlockClip c;
    if (!clipBlock(x, y, width, blockSide(h), c))
        return;
    for (int row = 0; row < c.rows; row++) {
        const uint32_t* s = source + (c.skipY + row) * width + c.skipX;
        uint32_t* d = buffer + (c.y0 + row) * viewWidth + c.x0;
        for (int i = 0; i < c.columns; i++)
            d[i] = blendAddPixel(s[i], d[i]);
    }
}

void addBlock(uint32_t* buffer, uint8_t w, uint8_t h, const uint32_t* source, int x, int y)
{
    if (source == nullptr)
        return;
    const int width = blockSide(w);
    BlockClip c;
    if (!clipBlock(x, y, width, blockSide(h), c))
        return;
    for (int row = 0; row < c.rows; row++) {
        const uint32_t* s = source + (c.skipY + row) * width + c.skipX;
        uint32_t* d = buffer + (c.y0 + row) * viewWidth + c.x0;
        int i = 0;
        for (; i + 4 <= c.columns; i += 4) {
            const __m128i sp = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i));
            const __m128i dp = _mm_loadu_si128(reinterpret_cast<const __m128i*>(d + i));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(d + i), blendAddQuad(sp, dp));
        }
        for (; i < c.columns; i++)
            d[i] = blendAddPixel(s[i], d[i]);
    }
}

void copyBlock(uint32_t* buffer, uint8_t w, uint8_t h, const uint32_t* source, int x, int y)
{
    if (source == nullptr)
        return;
    const int width = blockSide(w);
    BlockClip c;
    if (!clipBlock(x, y, width, blockSide(h), c))
        return;
    for (int row = 0; row < c.rows; row++)
        std::memmove(buffer + (c.y0 + row) * viewWidth + c.x0,
                     source + (c.skipY + row) * width + c.skipX,
                     static_cast<size_t>(c.columns) * 4);
}

void keyedCopyBlockScalar(uint32_t* buffer, uint8_t w, uint8_t h, const uint32_t* source, int x,
                          int y)
{
    if (source == nullptr)
        return;
    const int width = blockSide(w);
    BlockClip c;
    if (!clipBlock(x, y, width, blockSide(h), c))
        return;
    for (int row = 0; row < c.rows; row++) {
        const uint32_t* s = source + (c.skipY + row) * width + c.skipX;
        uint32_t* d = buffer + (c.y0 + row) * viewWidth + c.x0;
        for (int i = 0; i < c.columns; i++)
            if (s[i] != 0)
                d[i] = s[i];
    }
}

void keyedCopyBlock(uint32_t* buffer, uint8_t w, uint8_t h, const uint32_t* source, int x, int y)
{
    if (source == nullptr)
        return;
    const int width = blockSide(w);
    BlockClip c;
    if (!clipBlock(x, y, width, blockSide(h), c))
        return;
    const __m128i zero = _mm_setzero_si128();
    for (int row = 0; row < c.rows; row++) {
        const uint32_t* s = source + (c.skipY + row) * width + c.skipX;
        uint32_t* d = buffer + (c.y0 + row) * viewWidth + c.x0;
        int i = 0;
        for (; i + 4 <= c.columns; i += 4) {
            const __m128i sp = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i));
            const __m128i dp = _mm_loadu_si128(reinterpret_cast<const __m128i*>(d + i));
            const __m128i keep = _mm_cmpeq_epi32(sp, zero);  // all ones where the source is 0
            _mm_storeu_si128(reinterpret_cast<__m128i*>(d + i),
                             _mm_or_si128(_mm_and_si128(keep, dp), _mm_andnot_si128(keep, sp)));
        }
        for (; i < c.columns; i++)
            if (s[i] != 0)
                d[i] = s[i];
    }
}
