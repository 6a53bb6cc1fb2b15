// The per-frame depth list of faces and lights, and its sort.
#include <cstring>

#include "render/draw.h"

DrawList drawList;

void resetDrawList()
{
    drawList.count = 0;
}

static bool appendDrawList(int32_t payload, float key)
{
    if (drawList.count < 0 || drawList.count >= drawListCapacity)
        return false;
    drawList.payload[drawList.count] = payload;
    drawList.key[drawList.count] = key;
    drawList.count++;
    return true;
}

bool addFaceToDrawList(int faceIndex, float key)
{
    return appendDrawList(faceIndex & ~drawListLightTag, key);
}

bool addLightToDrawList(int lightIndex, float key)
{
    return appendDrawList((lightIndex & ~drawListLightTag) | drawListLightTag, key);
}

namespace {

// Hoare's quicksort with the middle key as pivot. The loop runs while i < j, so the two ranges
// sorted next may share one entry; the result is still sorted, and the order of equal keys is
// whatever this exact sequence of swaps produces.
void quickSortDrawList(int lo, int hi)
{
    float* key = drawList.key;
    int32_t* payload = drawList.payload;
    const float pivot = key[(lo + hi) >> 1];
    int i = lo;
    int j = hi;
    while (i < j) {
        while (key[i] < pivot)
            i++;
        while (pivot < key[j])
            j--;
        if (i <= j) {
            const float k = key[i];
            key[i] = key[j];
            key[j] = k;
            const int32_t p = payload[i];
            payload[i] = payload[j];
            payload[j] = p;
            i++;
            j--;
        }
    }
    if (lo < j)
        quickSortDrawList(lo, j);
    if (i < hi)
        quickSortDrawList(i, hi);
}

// A float's bits turned so that unsigned order is the float order (for all but NaN), and back.
inline uint32_t orderedBits(float f)
{
    uint32_t b;
    std::memcpy(&b, &f, sizeof b);
    return (b & 0x80000000u) ? ~b : b | 0x80000000u;
}
inline float fromOrderedBits(uint32_t m)
{
    const uint32_t b = (m & 0x80000000u) ? m & 0x7FFFFFFFu : ~m;
    float f;
    std::memcpy(&f, &b, sizeof f);
    return f;
}

// Radix sort by 11-bit digits: three counting passes between two buffers.
constexpr int radixBits = 11;
constexpr int radixSize = 1 << radixBits;
constexpr int radixPasses = 3;
struct RadixScratch {
    uint32_t key[2][drawListCapacity];
    int32_t payload[2][drawListCapacity];
    int32_t start[radixPasses][radixSize];
};
RadixScratch radix;

inline unsigned digitOf(uint32_t m, int pass)
{
    return (m >> (pass * radixBits)) & (radixSize - 1);
}

// Sorts lo..hi by radix when no two keys compare equal and none is NaN: then only one order is
// sorted, and it is the one the quicksort reaches. Returns false, leaving the list as it was,
// when some keys tie (the quicksort alone decides their order).
bool radixSortDistinct(int lo, int hi)
{
    const int n = hi - lo + 1;
    std::memset(radix.start, 0, sizeof radix.start);
    for (int k = 0; k < n; k++) {
        const float f = drawList.key[lo + k];
        if (f != f)
            return false;
        const uint32_t m = orderedBits(f);
        radix.key[1][k] = m;
        for (int pass = 0; pass < radixPasses; pass++)
            radix.start[pass][digitOf(m, pass)]++;
    }
    for (int pass = 0; pass < radixPasses; pass++) {
        int32_t sum = 0;
        for (int d = 0; d < radixSize; d++) {
            const int32_t c = radix.start[pass][d];
            radix.start[pass][d] = sum;
            sum += c;
        }
    }
    // Pass 0 reads the keys from buffer 1 with the list's payloads; passes alternate after it.
    for (int pass = 0; pass < radixPasses; pass++) {
        const int from = (pass + 1) & 1, to = pass & 1;
        const int32_t* payloadFrom = pass == 0 ? drawList.payload + lo : radix.payload[from];
        int32_t* start = radix.start[pass];
        for (int k = 0; k < n; k++) {
            const uint32_t m = radix.key[from][k];
            const int32_t at = start[digitOf(m, pass)]++;
            radix.key[to][at] = m;
            radix.payload[to][at] = payloadFrom[k];
        }
    }
    const uint32_t* sorted = radix.key[(radixPasses - 1) & 1];
    const int32_t* payload = radix.payload[(radixPasses - 1) & 1];
    for (int k = 1; k < n; k++) {
        // Equal bits, or -0 next to +0.
        if (sorted[k] == sorted[k - 1] ||
            (sorted[k - 1] == 0x7FFFFFFFu && sorted[k] == 0x80000000u))
            return false;
    }
    for (int k = 0; k < n; k++) {
        drawList.key[lo + k] = fromOrderedBits(sorted[k]);
        drawList.payload[lo + k] = payload[k];
    }
    return true;
}

// Below this many entries the quicksort is as quick as the radix passes.
constexpr int radixMinimum = 256;

}  // namespace

void sortDrawList(int lo, int hi)
{
    if (lo < 0 || hi >= drawListCapacity || lo >= hi)
        return;
    if (hi - lo + 1 >= radixMinimum && radixSortDistinct(lo, hi))
        return;
    quickSortDrawList(lo, hi);
}
