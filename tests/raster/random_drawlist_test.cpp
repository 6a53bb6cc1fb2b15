// The process-wide random sequence and the draw list with its depth sort.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <random>
#include <utility>
#include <vector>

#include "render/draw.h"

TEST(Random, SequenceFromSeedOne)
{
    resetRandom();
    // seed·1103515245 + 12345, bits 16..30: the classic sequence of this generator.
    const int expected[] = {16838, 5758, 10113, 17515, 31051, 5627, 23010, 7419};
    for (int e : expected)
        EXPECT_EQ(nextRandom(), e);
    resetRandom();
    EXPECT_EQ(nextRandom(), 16838);
    for (int i = 0; i < 100000; i++) {
        const int r = nextRandom();
        ASSERT_GE(r, 0);
        ASSERT_LE(r, 32767);
    }
}

namespace {

void fillList(const std::vector<float>& keys)
{
    resetDrawList();
    for (size_t i = 0; i < keys.size(); i++)
        ASSERT_TRUE(addFaceToDrawList(static_cast<int>(i), keys[i]));
}

std::vector<int> payloads()
{
    return std::vector<int>(drawList.payload, drawList.payload + drawList.count);
}

}  // namespace

TEST(DrawList, SortMovesPayloadsWithKeys)
{
    fillList({3, 1, 2});
    sortDrawList(0, drawList.count - 1);
    EXPECT_EQ(payloads(), (std::vector<int>{1, 2, 0}));
    EXPECT_EQ(drawList.key[0], 1);
    EXPECT_EQ(drawList.key[2], 3);

    fillList({5});
    sortDrawList(0, 0);
    EXPECT_EQ(payloads(), std::vector<int>{0});
    sortDrawList(0, -1);  // empty list
    EXPECT_EQ(drawList.count, 1);

    // Equal keys end in the order this exact quicksort leaves them (traced step by step): all
    // equal, two keys interleaved, three keys, and a range inside the list.
    struct Case {
        std::vector<float> keys;
        int lo, hi;
        std::vector<int> order;
    };
    const Case cases[] = {
        {{1, 1, 1}, 0, 2, {1, 0, 2}},
        {{5, 5, 5, 5, 5, 5, 5}, 0, 6, {4, 3, 6, 1, 0, 5, 2}},
        {{2, 1, 2, 1, 2, 1}, 0, 5, {3, 1, 5, 2, 4, 0}},
        {{3, 1, 3, 2, 1, 3, 2, 2}, 0, 7, {4, 1, 7, 6, 3, 2, 5, 0}},
        {{0, 0, 1, 0, 0}, 0, 4, {4, 3, 0, 1, 2}},
        {{3, 1, 3, 2, 1, 3, 2, 2}, 1, 6, {0, 4, 1, 6, 3, 2, 5, 7}},
    };
    for (const Case& c : cases) {
        fillList(c.keys);
        sortDrawList(c.lo, c.hi);
        EXPECT_EQ(payloads(), c.order) << c.keys.size() << " keys, " << c.lo << ".." << c.hi;
    }
}

TEST(DrawList, RandomKeysSortedWithDuplicates)
{
    std::mt19937 rng(7);
    for (int round = 0; round < 50; round++) {
        const int n = 1 + static_cast<int>(rng() % 3000);
        std::vector<float> keys(n);
        for (auto& k : keys)
            k = static_cast<float>(static_cast<int>(rng() % 40) - 20) * 0.5f;
        fillList(keys);
        sortDrawList(0, n - 1);
        std::vector<std::pair<float, int>> before, after;
        for (int i = 0; i < n; i++) {
            before.emplace_back(keys[i], i);
            after.emplace_back(drawList.key[i], drawList.payload[i]);
        }
        ASSERT_TRUE(std::is_sorted(drawList.key, drawList.key + n));
        std::sort(before.begin(), before.end());
        std::sort(after.begin(), after.end());
        ASSERT_EQ(before, after);  // every payload still carries its own key
    }
    // A sorted and a reversed list of the full capacity.
    std::vector<float> keys(drawListCapacity);
    for (int i = 0; i < drawListCapacity; i++)
        keys[i] = static_cast<float>(drawListCapacity - i);
    fillList(keys);
    sortDrawList(0, drawListCapacity - 1);
    EXPECT_TRUE(std::is_sorted(drawList.key, drawList.key + drawListCapacity));
    EXPECT_EQ(drawList.payload[0], drawListCapacity - 1);
}

namespace {

// The depth sort as a plain recursive quicksort over copies: the order every sort of the list must
// reproduce, ties included.
void referenceQuickSort(std::vector<float>& key, std::vector<int>& payload, int lo, int hi)
{
    const float pivot = key[(lo + hi) >> 1];
    int i = lo, j = hi;
    while (i < j) {
        while (key[i] < pivot)
            i++;
        while (pivot < key[j])
            j--;
        if (i <= j) {
            std::swap(key[i], key[j]);
            std::swap(payload[i], payload[j]);
            i++;
            j--;
        }
    }
    if (lo < j)
        referenceQuickSort(key, payload, lo, j);
    if (i < hi)
        referenceQuickSort(key, payload, i, hi);
}

std::vector<uint32_t> keyBits(const float* key, int n)
{
    std::vector<uint32_t> bits(n);
    std::memcpy(bits.data(), key, sizeof(float) * n);
    return bits;
}

}  // namespace

TEST(DrawList, LongListsEndInTheQuicksortOrder)
{
    // Distinct keys of every sign and size, then the same lists with a tie, with -0 beside +0, with
    // a NaN, and sorted over an inner range.
    std::mt19937 rng(11);
    for (int round = 0; round < 120; round++) {
        const int n = 200 + static_cast<int>(rng() % 5000);
        std::vector<float> keys(n);
        for (int i = 0; i < n; i++) {
            const float magnitude = std::ldexp(static_cast<float>(rng() % 100000 + 1),
                                               static_cast<int>(rng() % 60) - 30);
            keys[i] = (rng() & 1) ? -magnitude : magnitude;
        }
        const int variant = round % 5;
        if (variant == 1)
            keys[rng() % n] = keys[rng() % n];
        if (variant == 2) {
            keys[rng() % n] = 0.0f;
            keys[rng() % n] = -0.0f;
        }
        if (variant == 3)
            keys[rng() % n] = std::nanf("");
        int lo = 0, hi = n - 1;
        if (variant == 4) {
            lo = static_cast<int>(rng() % 50);
            hi = n - 1 - static_cast<int>(rng() % 50);
        }
        fillList(keys);
        std::vector<float> expectKey = keys;
        std::vector<int> expectPayload = payloads();
        referenceQuickSort(expectKey, expectPayload, lo, hi);
        sortDrawList(lo, hi);
        ASSERT_EQ(payloads(), expectPayload) << "round " << round << " variant " << variant;
        ASSERT_EQ(keyBits(drawList.key, n), keyBits(expectKey.data(), n)) << "round " << round;
    }
}

TEST(DrawList, TagsAndCapacity)
{
    resetDrawList();
    ASSERT_TRUE(addFaceToDrawList(7999, 1.5f));
    ASSERT_TRUE(addLightToDrawList(99, -2.0f));
    EXPECT_FALSE(drawListIsLight(drawList.payload[0]));
    EXPECT_EQ(drawListIndex(drawList.payload[0]), 7999);
    EXPECT_TRUE(drawListIsLight(drawList.payload[1]));
    EXPECT_EQ(drawListIndex(drawList.payload[1]), 99);

    for (int i = 2; i < drawListCapacity; i++)
        ASSERT_TRUE(addFaceToDrawList(i, 0));
    EXPECT_FALSE(addFaceToDrawList(1, 0));
    EXPECT_FALSE(addLightToDrawList(1, 0));
    EXPECT_EQ(drawList.count, drawListCapacity);
    resetDrawList();
    EXPECT_EQ(drawList.count, 0);
}
