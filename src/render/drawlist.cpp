// The per-frame depth list of faces and lights, and its sort.
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

// Hoare's quicksort with the middle key as pivot. The loop runs while i < j, so the two ranges
// sorted next may share one entry; the result is still sorted, and the order of equal keys is
// whatever this exact sequence of swaps produces.
void sortDrawList(int lo, int hi)
{
    if (lo < 0 || hi >= drawListCapacity)
        return;
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
        sortDrawList(lo, j);
    if (i < hi)
        sortDrawList(i, hi);
}
