// Glow primitives (dots, points, lines, circles, jittered boxes) and the random point cloud.
#include <emmintrin.h>

#include "assets/mesh.h"
#include "render/draw.h"
#include "render/render.h"

PointCloudState pointCloud;

void resetPointCloud()
{
    pointCloud = PointCloudState{};
}

namespace {

constexpr int glowMaxX = viewWidth - 4;   // 316: the 3-pixel-wide pattern and its right neighbour
constexpr int glowMaxY = viewHeight - 4;  // 196: the 3-row pattern stays inside the buffer

void addSaturated(uint32_t& pixel, uint32_t value)
{
    const __m128i sum = _mm_adds_epu8(_mm_cvtsi32_si128(static_cast<int>(pixel)),
                                      _mm_cvtsi32_si128(static_cast<int>(value)));
    pixel = static_cast<uint32_t>(_mm_cvtsi128_si32(sum));
}

// The cross of a dot or point at the pixel p (top-left of its 3x3 box): centre and arms.
void addCross(uint32_t* p, uint32_t arm, uint32_t centre, uint32_t left)
{
    addSaturated(p[1], arm);
    addSaturated(p[viewWidth], left);
    addSaturated(p[viewWidth + 1], centre);
    addSaturated(p[viewWidth + 2], arm);
    addSaturated(p[2 * viewWidth + 1], arm);
}

void glowDotAt(uint32_t* buffer, long long x, long long y)
{
    if (x < 0 || x > glowMaxX || y < 0 || y > glowMaxY)
        return;
    glowDot(buffer, static_cast<int>(x), static_cast<int>(y));
}

}  // namespace

void glowDot(uint32_t* buffer, int x, int y)
{
    if (x < 0 || x > glowMaxX || y < 0 || y > glowMaxY)
        return;
    addCross(buffer + y * viewWidth + x, 0x00202020, 0x00404040, 0x00202020);
}

void glowPoint(uint32_t* buffer, int x, int rowOffset)
{
    if (x < 0 || x > glowMaxX || rowOffset < 0 || rowOffset > glowMaxY * viewWidth)
        return;
    // Bytes blue, green, red: the arms carry no red, the left arm and the centre are white.
    addCross(buffer + rowOffset + x, 0x00004040, 0x00808080, 0x00404040);
}

// Steps along the major axis, one dot per step, with an error term for the minor axis. Steps
// whose dot cannot be visible are skipped in one jump (to where the line enters the view) or end
// the line (once it has left the view for good); the dots drawn are exactly those of plain
// stepping.
void drawGlowLine(uint32_t* buffer, int x0, int y0, int x1, int y1)
{
    long long adx = static_cast<long long>(x1) - x0, ady = static_cast<long long>(y1) - y0;
    if (adx < 0)
        adx = -adx;
    if (ady < 0)
        ady = -ady;
    const int sx = x1 > x0 ? 1 : -1, sy = y1 > y0 ? 1 : -1;
    // Major axis a (length la, position pa, step sa), minor axis b.
    const bool xMajor = adx > ady;
    const long long la = xMajor ? adx : ady, lb = xMajor ? ady : adx;
    const int sa = xMajor ? sx : sy, sb = xMajor ? sy : sx;
    const long long maxA = xMajor ? glowMaxX : glowMaxY, maxB = xMajor ? glowMaxY : glowMaxX;
    long long pa = xMajor ? x0 : y0, pb = xMajor ? y0 : x0;
    long long e = la;
    long long n = 0;  // steps taken
    // Jump to the first step at which the major coordinate is inside the view.
    long long skip = 0;
    if (sa > 0 && pa < 0)
        skip = -pa;
    if (sa < 0 && pa > maxA)
        skip = pa - maxA;
    if (skip > la)
        skip = la;
    if (skip > 0) {
        // After k steps the minor axis has moved floor(k·lb / la) times and e = la·(moves + 1) −
        // k·lb.
        const unsigned __int128 travelled = static_cast<unsigned __int128>(skip) * lb;
        const long long moves =
            static_cast<long long>(travelled / static_cast<unsigned long long>(la));
        e = static_cast<long long>(static_cast<unsigned __int128>(la) * (moves + 1) - travelled);
        pa += sa * skip;
        pb += sb * moves;
        n = skip;
    }
    for (; n < la; n++) {
        if ((sa > 0 && pa > maxA) || (sa < 0 && pa < 0))
            break;  // left the view along a
        if ((sb > 0 && pb > maxB) || (sb < 0 && pb < 0))
            break;  // left the view along b
        if (xMajor)
            glowDotAt(buffer, pa, pb);
        else
            glowDotAt(buffer, pb, pa);
        pa += sa;
        e -= lb;
        if (e <= 0) {
            e += la;
            pb += sb;
        }
    }
}

void drawGlowCircle(uint32_t* buffer, int cx, int cy, int r)
{
    long long i = 0, y = r, e1 = r, e2 = r;
    const long long n = saturatingTrunc(r * 0.7071067811865476 + 1);
    const long long x = cx, c = cy;
    for (long long k = 0; k < n + 1; k++) {
        glowDotAt(buffer, x + i + 1, c + y + 1);
        glowDotAt(buffer, x - i, c + y + 1);
        glowDotAt(buffer, x + i + 1, c - y);
        glowDotAt(buffer, x - i, c - y);
        glowDotAt(buffer, x + y + 1, c + i + 1);
        glowDotAt(buffer, x - y, c + i + 1);
        glowDotAt(buffer, x + y + 1, c - i);
        glowDotAt(buffer, x - y, c - i);
        e1 -= i;
        if (e1 <= 0) {
            e1 += y;
            y -= 1;
            const long long swap = e1;
            e1 = e2;
            e2 = swap;
        }
        i += 1;
    }
}

namespace {

// One side of the jitter box; the four jitters are drawn end y, end x, start y, start x.
void jitterLine(uint32_t* buffer, int x0, int y0, int x1, int y1)
{
    const int endY = nextRandom() >> 12;
    const int endX = nextRandom() >> 12;
    const int startY = nextRandom() >> 12;
    const int startX = nextRandom() >> 12;
    drawGlowLine(buffer, x0 + startX, y0 + startY, x1 + endX, y1 + endY);
}

}  // namespace

void drawJitterBox(uint32_t* buffer, int x, int y, int w, int h)
{
    jitterLine(buffer, x, y, x + w, y);
    jitterLine(buffer, x, y + h, x + w, y + h);
    jitterLine(buffer, x, y, x, y + h);
    jitterLine(buffer, x + w, y, x + w, y + h);
}

void addPointCloud()
{
    int first = mesh.vertexCount;
    if (first < 0)
        first = 0;
    if (first > maxMeshVertices)
        first = maxMeshVertices;
    pointCloud.first = first;
    pointCloud.count =
        maxMeshVertices - first < pointCloudSize ? maxMeshVertices - first : pointCloudSize;
    for (int k = 0; k < pointCloud.count; k++) {
        MeshVertex& p = mesh.vertices[first + k];
        p.x = static_cast<float>(140 - nextRandom() / 100);
        p.y = static_cast<float>(140 - nextRandom() / 100);
        p.z = static_cast<float>(140 - nextRandom() / 100);
    }
}

void transformPointCloud(const Matrix4& m)
{
    for (int k = 0; k < pointCloud.count; k++)
        transformPoint(mesh.vertices[pointCloud.first + k], m);
}

void drawPointCloud(uint32_t* buffer)
{
    for (int k = 0; k < pointCloud.count; k++) {
        MeshVertex& p = mesh.vertices[pointCloud.first + k];
        projectPoint(p);
        const int x = saturatingTrunc(p.sx), y = saturatingTrunc(p.sy);
        if (y < 0 || y > glowMaxY)
            continue;
        glowPoint(buffer, x, y * viewWidth);
    }
}
