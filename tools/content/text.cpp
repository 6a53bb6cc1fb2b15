// Text rendering with stb_truetype, and bevelled, outlined, glowing title text.
#define STBTT_STATIC
#define STB_TRUETYPE_IMPLEMENTATION
#include <stb_truetype.h>

#include "text.h"

#include "masks.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <iterator>

bool loadFont(Font& font, const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    font.data.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    stbtt_fontinfo info;
    return !font.data.empty() && stbtt_InitFont(&info, font.data.data(), 0) != 0;
}

std::string dejaVuPath(const std::string& fileName)
{
    return "/usr/share/fonts/truetype/dejavu/" + fileName;
}

bool loadDejaVuFont(Font& font, const std::string& fileName)
{
    const std::string path = dejaVuPath(fileName);
    if (loadFont(font, path))
        return true;
    std::fprintf(stderr, "v4npelva-content: cannot read font %s (install fonts-dejavu-core)\n",
                 path.c_str());
    return false;
}

// Pen advance of the text in pixels at the given scale (no padding).
static float measureText(const stbtt_fontinfo& info, const std::string& text, float scale,
                         float tracking)
{
    float pen = 0.0f;
    for (size_t i = 0; i < text.size(); ++i) {
        const int c = static_cast<unsigned char>(text[i]);
        int advance = 0, bearing = 0;
        stbtt_GetCodepointHMetrics(&info, c, &advance, &bearing);
        pen += advance * scale + tracking;
        if (i + 1 < text.size())
            pen += scale *
                   stbtt_GetCodepointKernAdvance(&info, c, static_cast<unsigned char>(text[i + 1]));
    }
    return pen - tracking;
}

Mask renderText(const Font& font, const std::string& text, float pixelHeight, float tracking,
                int pad)
{
    stbtt_fontinfo info;
    if (font.data.empty() || !stbtt_InitFont(&info, font.data.data(), 0))
        return makeMask(1, 1);
    const float scale = stbtt_ScaleForPixelHeight(&info, pixelHeight);
    int ascent = 0, descent = 0, gap = 0;
    stbtt_GetFontVMetrics(&info, &ascent, &descent, &gap);
    const int baseline = static_cast<int>(std::ceil(ascent * scale));
    const int textHeight = baseline + static_cast<int>(std::ceil(-descent * scale));
    const int textWidth = static_cast<int>(std::ceil(measureText(info, text, scale, tracking))) + 2;
    Mask mask = makeMask(textWidth + 2 * pad, textHeight + 2 * pad);

    float pen = 0.0f;
    for (size_t i = 0; i < text.size(); ++i) {
        const int c = static_cast<unsigned char>(text[i]);
        int advance = 0, bearing = 0;
        stbtt_GetCodepointHMetrics(&info, c, &advance, &bearing);
        const float shift = pen - std::floor(pen);
        int x0 = 0, y0 = 0, x1 = 0, y1 = 0;
        stbtt_GetCodepointBitmapBoxSubpixel(&info, c, scale, scale, shift, 0.0f, &x0, &y0, &x1,
                                            &y1);
        const int w = x1 - x0;
        const int h = y1 - y0;
        if (w > 0 && h > 0) {
            std::vector<unsigned char> glyph(static_cast<size_t>(w) * h);
            stbtt_MakeCodepointBitmapSubpixel(&info, glyph.data(), w, h, w, scale, scale, shift,
                                              0.0f, c);
            const int gx = pad + static_cast<int>(std::floor(pen)) + x0 + 1;
            const int gy = pad + baseline + y0;
            for (int y = 0; y < h; ++y) {
                for (int x = 0; x < w; ++x) {
                    const int tx = gx + x;
                    const int ty = gy + y;
                    if (tx < 0 || ty < 0 || tx >= mask.width || ty >= mask.height)
                        continue;
                    float& v = mask.values[static_cast<size_t>(ty) * mask.width + tx];
                    v = std::min(1.0f, v + glyph[static_cast<size_t>(y) * w + x] / 255.0f);
                }
            }
        }
        pen += advance * scale + tracking;
        if (i + 1 < text.size())
            pen += scale *
                   stbtt_GetCodepointKernAdvance(&info, c, static_cast<unsigned char>(text[i + 1]));
    }
    return mask;
}

float fitTextHeight(const Font& font, const std::string& text, float maxWidth, float maxHeight,
                    float tracking)
{
    stbtt_fontinfo info;
    if (font.data.empty() || !stbtt_InitFont(&info, font.data.data(), 0))
        return maxHeight;
    // Width grows linearly with the height apart from the tracking, so one correction suffices;
    // a second pass absorbs rounding of the scale.
    float height = maxHeight;
    for (int pass = 0; pass < 2; ++pass) {
        const float width =
            measureText(info, text, stbtt_ScaleForPixelHeight(&info, height), tracking);
        if (width <= maxWidth)
            break;
        height *= maxWidth / width;
    }
    return height;
}

TitleText makeTitleText(const Font& font, const std::string& text, float pixelHeight,
                        float tracking, int outlineWidth, int glowRadius, int bevelDepth)
{
    TitleText title;
    const int pad = outlineWidth + glowRadius * 2 + 2;
    title.letters = renderText(font, text, pixelHeight, tracking, pad);
    title.outline = outlineWidth > 0 ? dilateMask(title.letters, outlineWidth) : title.letters;
    title.glow = title.outline;
    blurMask(title.glow, glowRadius);
    title.light = bevelLight(title.letters, bevelDepth);
    title.inkTop = title.letters.height;
    title.inkBottom = 0;
    for (int y = 0; y < title.letters.height; ++y) {
        for (int x = 0; x < title.letters.width; ++x) {
            if (title.letters.values[static_cast<size_t>(y) * title.letters.width + x] > 0.5f) {
                title.inkTop = std::min(title.inkTop, y);
                title.inkBottom = std::max(title.inkBottom, y);
            }
        }
    }
    return title;
}

void paintTitleText(Canvas& canvas, const TitleText& title, int x, int y, bool gold,
                    Rgb outlineColour, Rgb glowColour, float glowStrength)
{
    addMask(canvas, title.glow, x, y, glowColour, glowStrength);
    // The letters' rows decide where the metal's horizon band falls.
    const int top = title.inkTop;
    const float span = std::max(1, title.inkBottom - title.inkTop);
    for (int my = 0; my < title.letters.height; ++my) {
        for (int mx = 0; mx < title.letters.width; ++mx) {
            const size_t i = static_cast<size_t>(my) * title.letters.width + mx;
            blendPixel(canvas, x + mx, y + my, outlineColour, title.outline.values[i]);
            const float cover = title.letters.values[i];
            if (cover <= 0.0f)
                continue;
            const float t = (my - top) / span;
            Rgb metal = gold ? goldColour(t) : chromeColour(t);
            const float l = title.light.values[i];
            // Lit slopes brighten towards white, shaded ones darken.
            metal = l >= 0.0f ? mixRgb(metal, {1.0f, 1.0f, 1.0f}, l * 0.8f)
                              : scaleRgb(metal, 1.0f + l * 0.75f);
            blendPixel(canvas, x + mx, y + my, metal, cover);
        }
    }
}
