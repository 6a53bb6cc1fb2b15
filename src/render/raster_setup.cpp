// The face drawer: projection, rejection, the triangle setups with their 8.8 edge stepping and
// per-face gradients, row and column clipping, and the choice of span filler by drawing mode.
#include <cmath>

#include "assets/mesh.h"
#include "render/draw.h"
#include "render/render.h"

namespace {

// What a setup interpolates and hands its filler: u, v only; u, v and the light-map coordinates
// s, t with the light maps or with the environment picture; u, v and light 0's intensity in s.
enum class Setup { textured, lightMapped, environment, intensity };

constexpr int maxValues = 4;  // u, v, s, t

// One projected corner of the triangle with the values interpolated over it.
struct Corner {
    double sx, sy;
    double w[maxValues];
};

// An 8.8 edge accumulator for x and every value, with its per-row steps.
struct Edge {
    int32_t x, dx;
    int32_t w[maxValues], dw[maxValues];
};

inline int32_t wrapAdd(int32_t a, int32_t b)
{
    return static_cast<int32_t>(static_cast<uint32_t>(a) + static_cast<uint32_t>(b));
}
inline int32_t wrapMul(long long n, int32_t step)
{
    return static_cast<int32_t>(static_cast<uint32_t>(n) * static_cast<uint32_t>(step));
}
// (step·p) >> 8 with an arithmetic shift, computed without overflow.
inline int32_t prestepOf(int32_t step, long long p)
{
    return static_cast<int32_t>((static_cast<long long>(step) * p) >> 8);
}

// Steps of an edge from a to b over (b.sy − a.sy): value·256 · (1 / height). An edge whose ends
// share a row covers no row; its steps are never used and are left 0 instead of dividing by 0.
void edgeSteps(const Corner& a, const Corner& b, int values, Edge& e)
{
    const double height = b.sy - a.sy;
    e.dx = 0;
    for (int i = 0; i < values; i++)
        e.dw[i] = 0;
    if (height == 0)
        return;
    const double inverse = 1 / height;
    e.dx = saturatingTrunc((b.sx - a.sx) * 256 * inverse);
    for (int i = 0; i < values; i++)
        e.dw[i] = saturatingTrunc((b.w[i] - a.w[i]) * 256 * inverse);
}

// Start of a short edge at corner a: trunc(a·256) + ((step·prestep) >> 8).
void shortEdgeStart(const Corner& a, int values, long long prestep, Edge& e)
{
    e.x = wrapAdd(saturatingTrunc(a.sx * 256), prestepOf(e.dx, prestep));
    for (int i = 0; i < values; i++)
        e.w[i] = wrapAdd(saturatingTrunc(a.w[i] * 256), prestepOf(e.dw[i], prestep));
}

void advance(Edge& e, int values, long long rows)
{
    e.x = wrapAdd(e.x, wrapMul(rows, e.dx));
    for (int i = 0; i < values; i++)
        e.w[i] = wrapAdd(e.w[i], wrapMul(rows, e.dw[i]));
}

struct Triangle {
    Corner c[3];  // sorted by sy: top, middle, bottom
    int values;
    int32_t gradient[maxValues];  // 8.8 steps per pixel of every value
    SpanState span;
    SpanFiller filler;
    uint32_t* target;
};

// Per-pixel gradients from the widest span, the one at the middle vertex's height.
void computeGradients(Triangle& tri)
{
    const Corner &c0 = tri.c[0], &c1 = tri.c[1], &c2 = tri.c[2];
    const int32_t k = saturatingTrunc((c1.sy - c0.sy) * 256 / (c2.sy - c0.sy));
    const long long xw = saturatingTrunc((c2.sx - c0.sx) * k + c0.sx * 256);
    const long long xm = saturatingTrunc(c1.sx * 256);
    for (int i = 0; i < tri.values; i++) {
        tri.gradient[i] = 0;
        if (xw == xm)
            continue;
        const long long ww = saturatingTrunc((c2.w[i] - c0.w[i]) * k + c0.w[i] * 256);
        const long long wm = saturatingTrunc(c1.w[i] * 256);
        tri.gradient[i] = static_cast<int32_t>((ww - wm) * 256 / (xw - xm));
    }
}

// Draws rows y..end−1 between the long edge and the short edge. Returns false once a row at or
// below the view's bottom is reached (the face is finished).
bool drawRows(Triangle& tri, Edge& longEdge, Edge& shortEdge, long long y, long long end)
{
    if (y < 0 && end > y) {  // rows above the view are stepped over in one go
        const long long rows = (end < 0 ? end : 0) - y;
        advance(longEdge, tri.values, rows);
        advance(shortEdge, tri.values, rows);
        y += rows;
    }
    for (; y < end; y++) {
        if (y >= viewHeight)
            return false;
        const bool longOnRight = longEdge.x > shortEdge.x;
        const Edge& left = longOnRight ? shortEdge : longEdge;
        const Edge& right = longOnRight ? longEdge : shortEdge;
        long long start = left.x;
        long long count = static_cast<long long>(right.x >> 8) - (left.x >> 8);
        SpanState& sp = tri.span;
        int32_t w[maxValues] = {};
        for (int i = 0; i < tri.values; i++)
            w[i] = left.w[i];
        if (start < 0) {
            const long long a = -start;
            for (int i = 0; i < tri.values; i++)
                w[i] = wrapAdd(w[i], static_cast<int32_t>((a * tri.gradient[i]) >> 8));
            count -= (a + 255) >> 8;
            start = 0;
        }
        const long long x = start >> 8;
        if (x + count >= viewWidth)
            count = viewWidth - x;
        if (x < viewWidth && count > 0) {
            sp.u = w[0];
            sp.v = w[1];
            sp.s = w[2];
            sp.t = w[3];
            sp.count = static_cast<int>(count);
            tri.filler(tri.target + y * viewWidth + x, sp);
        }
        advance(longEdge, tri.values, 1);
        advance(shortEdge, tri.values, 1);
    }
    return true;
}

// Whether the face's three vertices exist; a face without them is neither projected nor drawn.
bool hasVertices(const MeshFace& face)
{
    return face.a && face.b && face.c;
}

void projectVertices(MeshFace& face)
{
    projectPoint(*face.a);
    projectPoint(*face.b);
    projectPoint(*face.c);
}

// Draws a face whose vertices are projected. One whose setup needs the environment picture
// before it is loaded draws nothing.
void drawTriangle(MeshFace& face, SpanFiller filler, uint32_t* target, Setup setup)
{
    MeshVertex* vertex[3] = {face.a, face.b, face.c};
    if (!face.texture || !filler || !target)
        return;
    if (setup == Setup::environment && !envMapTexture)
        return;

    // Rejection: wholly left, above, right of or below the view.
    auto all = [&](auto test) { return test(*vertex[0]) && test(*vertex[1]) && test(*vertex[2]); };
    if (all([](const MeshVertex& v) { return v.sx < 0; }))
        return;
    if (all([](const MeshVertex& v) { return v.sy < 0; }))
        return;
    if (all([](const MeshVertex& v) { return v.sx > viewWidth; }))
        return;
    if (all([](const MeshVertex& v) { return v.sy > viewHeight; }))
        return;

    // Sort the vertices by screen y with three compare-and-swaps (strictly greater moves down).
    auto order = [&](int a, int b) {
        if (vertex[a]->sy > vertex[b]->sy) {
            MeshVertex* swap = vertex[a];
            vertex[a] = vertex[b];
            vertex[b] = swap;
        }
    };
    order(0, 1);
    order(0, 2);
    order(1, 2);
    // The rows the face covers: none, or none inside the view, means nothing to set up.
    const long long top = saturatingTrunc(std::ceil(double(vertex[0]->sy)));
    const long long bottom = saturatingTrunc(std::ceil(double(vertex[2]->sy)));
    if (top >= bottom || bottom <= 0 || top >= viewHeight)
        return;

    Triangle tri;
    const bool lit = setup == Setup::lightMapped || setup == Setup::environment;
    tri.values = setup == Setup::textured ? 2 : lit ? 4 : 3;
    for (int k = 0; k < 3; k++) {
        const MeshVertex& v = *vertex[k];
        Corner& c = tri.c[k];
        c.sx = v.sx;
        c.sy = v.sy;
        c.w[0] = v.u;
        c.w[1] = v.v;
        c.w[2] = c.w[3] = 0;
        if (lit) {
            float s, t;
            lightMapCoords(v, s, t);
            c.w[2] = s;
            c.w[3] = t;
        } else if (setup == Setup::intensity) {
            c.w[2] = pointLightIntensity(v);
        }
    }
    const Corner &c0 = tri.c[0], &c1 = tri.c[1], &c2 = tri.c[2];
    const long long y0 = top;
    const long long y1 = saturatingTrunc(std::ceil(c1.sy));
    const long long y2 = bottom;

    computeGradients(tri);
    SpanState& sp = tri.span;
    sp = SpanState{};
    sp.du = tri.gradient[0];
    sp.dv = tri.gradient[1];
    sp.ds = tri.values > 2 ? tri.gradient[2] : 0;
    sp.dt = tri.values > 3 ? tri.gradient[3] : 0;
    sp.texture = face.texture;
    sp.diffuseMap = &lightMap[0][0];
    sp.highlightMap = &specularMap[0][0];
    sp.environment = envMapTexture;
    tri.filler = filler;
    tri.target = target;

    // Long edge, top to bottom: start trunc(((step·p0) >> 8) + value·256).
    const long long p0 = saturatingTrunc((static_cast<double>(y0) - c0.sy) * 256);
    Edge longEdge, shortEdge;
    edgeSteps(c0, c2, tri.values, longEdge);
    longEdge.x = saturatingTrunc(prestepOf(longEdge.dx, p0) + c0.sx * 256);
    for (int i = 0; i < tri.values; i++)
        longEdge.w[i] = saturatingTrunc(prestepOf(longEdge.dw[i], p0) + c0.w[i] * 256);

    edgeSteps(c0, c1, tri.values, shortEdge);
    shortEdgeStart(c0, tri.values, p0, shortEdge);
    if (!drawRows(tri, longEdge, shortEdge, y0, y1))
        return;

    const long long p1 = saturatingTrunc((static_cast<double>(y1) - c1.sy) * 256);
    edgeSteps(c1, c2, tri.values, shortEdge);
    shortEdgeStart(c1, tri.values, p1, shortEdge);
    drawRows(tri, longEdge, shortEdge, y1, y2);
}

// Mode 5: the three edges as glow lines between the truncated screen positions (the vertices are
// projected), in the order of the face's own vertex references; no sort and no rejection.
void drawWireframe(const MeshFace& face, uint32_t* target)
{
    const MeshVertex* vertex[3] = {face.a, face.b, face.c};
    if (!target)
        return;
    int x[3], y[3];
    for (int k = 0; k < 3; k++) {
        x[k] = saturatingTrunc(vertex[k]->sx);
        y[k] = saturatingTrunc(vertex[k]->sy);
    }
    drawGlowLine(target, x[0], y[0], x[1], y[1]);
    drawGlowLine(target, x[1], y[1], x[2], y[2]);
    drawGlowLine(target, x[0], y[0], x[2], y[2]);
}

// The public setups: project the vertices, then draw.
void projectAndDraw(MeshFace& face, SpanFiller filler, uint32_t* target, Setup setup)
{
    if (!hasVertices(face))
        return;
    projectVertices(face);
    drawTriangle(face, filler, target, setup);
}

}  // namespace

void drawLitTriangle(MeshFace& face, SpanFiller filler, uint32_t* target, LitMaps maps)
{
    projectAndDraw(face, filler, target,
                   maps == litEnvironment ? Setup::environment : Setup::lightMapped);
}

void drawTexturedTriangle(MeshFace& face, SpanFiller filler, uint32_t* target)
{
    projectAndDraw(face, filler, target, Setup::textured);
}

void drawIntensityTriangle(MeshFace& face, SpanFiller filler, uint32_t* target)
{
    projectAndDraw(face, filler, target, Setup::intensity);
}

void drawFace(MeshFace& face, uint32_t* target)
{
    // Every mode writes the screen positions, even one that then draws nothing: scenes follow
    // projected vertices of faces they do not see.
    if (!hasVertices(face))
        return;
    projectVertices(face);
    const Setup lit = Setup::lightMapped, textured = Setup::textured;
    switch (face.mode) {
    case modeLightMapped: drawTriangle(face, fillSpanLightMapped, target, lit); break;
    case modeCopy: drawTriangle(face, fillSpanCopy, target, textured); break;
    case modeLitHalf: drawTriangle(face, fillSpanLitHalf, target, lit); break;
    case modeHalfBlend: drawTriangle(face, fillSpanHalfBlend, target, textured); break;
    case modeHighlight: drawTriangle(face, fillSpanHighlight, target, lit); break;
    case modeWireframe: drawWireframe(face, target); break;
    case modeEnvironment:
        drawTriangle(face, fillSpanEnvironment, target, Setup::environment);
        break;
    case modePointLit: drawTriangle(face, fillSpanIntensity, target, Setup::intensity); break;
    case modeAdditive: drawTriangle(face, fillSpanAdditive, target, textured); break;
    default: break;  // 8, and 10 on, draw nothing
    }
}
