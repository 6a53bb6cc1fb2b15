// Parsing the input into literals and matches: hash chains over the 4096-byte window, a lazy
// parse, and an optimal parse that finds the cheapest path under the code lengths of the
// previous parse.
#include "packer/parse.h"

#include "archive/archive.h"

#include <algorithm>
#include <cstring>

namespace {

// Hash table size: 2^16 heads for large inputs, fewer for small ones (cheaper to clear).
constexpr int maxHashBits = 16;
constexpr int minHashBits = 8;
// Chain steps per position: longer chains find slightly better matches at a linear cost.
constexpr int lazyChain = 4096;
constexpr int optimalChain = 1024;
// Rounds of optimal parsing, each priced with the code lengths of the round before.
constexpr int optimalRounds = 3;

struct MatchFinder {
    const uint8_t* data;
    size_t size;
    std::vector<int32_t> head;  // most recent position of each hash, -1 when none
    std::vector<int32_t> prev;  // previous position with the same hash, per position
    size_t inserted = 0;        // positions below this are in the chains
    int hashBits;

    static int hashBitsFor(size_t n)
    {
        int bits = minHashBits;
        while (bits < maxHashBits && (size_t(1) << bits) < n)
            ++bits;
        return bits;
    }

    MatchFinder(const uint8_t* d, size_t n)
        : data(d),
          size(n),
          head(size_t(1) << hashBitsFor(n), -1),
          prev(n, -1),
          hashBits(hashBitsFor(n))
    {
    }

    uint32_t hashAt(size_t pos) const
    {
        uint32_t v =
            uint32_t(data[pos]) | uint32_t(data[pos + 1]) << 8 | uint32_t(data[pos + 2]) << 16;
        return (v * 2654435761u) >> (32 - hashBits);
    }

    // Puts every position below `end` into the chains.
    void insertUpTo(size_t end)
    {
        for (; inserted < end; ++inserted) {
            if (inserted + packMinMatch > size)
                continue;
            uint32_t h = hashAt(inserted);
            prev[inserted] = head[h];
            head[h] = int32_t(inserted);
        }
    }

    size_t matchLength(size_t a, size_t b, size_t limit) const
    {
        size_t n = 0;
        while (n + 8 <= limit) {
            uint64_t x, y;
            std::memcpy(&x, data + a + n, 8);
            std::memcpy(&y, data + b + n, 8);
            if (x != y)
                return n + size_t(__builtin_ctzll(x ^ y) >> 3);
            n += 8;
        }
        while (n < limit && data[a + n] == data[b + n])
            ++n;
        return n;
    }

    // Walks the chain of pos (which must not be inserted yet) nearest first and calls found(length,
    // distance) for each match longer than all before it. Returns the longest length.
    template <typename Found>
    size_t search(size_t pos, int maxChain, Found found)
    {
        insertUpTo(pos);
        size_t limit = std::min<size_t>(packMaxMatch, size - pos);
        if (limit < packMinMatch)
            return 0;
        size_t best = packMinMatch - 1;
        int32_t candidate = head[hashAt(pos)];
        for (int steps = 0; candidate >= 0 && steps < maxChain; ++steps) {
            size_t distance = pos - size_t(candidate);
            if (distance > size_t(packWindowSize))
                break;
            if (data[size_t(candidate) + best] == data[pos + best]) {
                size_t length = matchLength(size_t(candidate), pos, limit);
                if (length > best) {
                    best = length;
                    found(length, distance);
                    if (length == limit)
                        break;
                }
            }
            candidate = prev[size_t(candidate)];
        }
        return best >= packMinMatch ? best : 0;
    }
};

struct Match {
    size_t length = 0;  // 0: none
    size_t distance = 0;
};

// Bits each symbol costs under the code lengths a parse would get (every symbol priced, unused
// ones as if seen once).
struct Prices {
    uint32_t literal[packLiteralSymbols];
    uint32_t length[packLengthSymbols];
};

// The prices under a parse's codes.
Prices pricesUnder(const PackCodes& codes)
{
    Prices prices;
    for (int s = 0; s < packLiteralSymbols; ++s)
        prices.literal[s] = codes.literalLengths[s] + (s >= 256 ? packDistanceExtra[s - 256] : 0);
    for (int t = 0; t < packLengthSymbols; ++t)
        prices.length[t] = codes.lengthLengths[t] + packLengthExtra[t];
    return prices;
}

Prices pricesOf(const std::vector<PackToken>& tokens)
{
    return pricesUnder(packCodesOf(tokens, 1));
}

// Every position's improving matches, nearest first: (length, distance) pairs.
struct MatchTable {
    std::vector<uint32_t>
        first;  // index into pairs of each position's first pair; size + 1 entries
    std::vector<uint8_t> lengths;
    std::vector<uint16_t> distances;
};

MatchTable findAllMatches(const uint8_t* data, size_t size)
{
    MatchTable table;
    table.first.resize(size + 1);
    MatchFinder finder(data, size);
    for (size_t pos = 0; pos < size; ++pos) {
        table.first[pos] = uint32_t(table.lengths.size());
        finder.search(pos, optimalChain, [&](size_t length, size_t distance) {
            table.lengths.push_back(uint8_t(length));
            table.distances.push_back(uint16_t(distance));
        });
    }
    table.first[size] = uint32_t(table.lengths.size());
    return table;
}

std::vector<PackToken> cheapestPath(const uint8_t* data, size_t size, const MatchTable& table,
                                    const Prices& prices)
{
    constexpr uint64_t unreached = ~uint64_t(0);
    std::vector<uint64_t> cost(size + 1, unreached);
    std::vector<uint8_t> stepLength(size + 1,
                                    0);  // token ending here: 0 literal, else match length
    std::vector<uint16_t> stepDistance(size + 1, 0);
    cost[0] = 0;
    uint32_t lengthPrice[packMaxMatch + 1] = {};
    for (int l = packMinMatch; l <= packMaxMatch; ++l)
        lengthPrice[l] = prices.length[packLengthCode(l)];
    for (size_t pos = 0; pos < size; ++pos) {
        uint64_t here = cost[pos];
        uint64_t literal = here + prices.literal[data[pos]];
        if (literal < cost[pos + 1]) {
            cost[pos + 1] = literal;
            stepLength[pos + 1] = 0;
        }
        size_t shorter = packMinMatch - 1;
        for (uint32_t i = table.first[pos]; i < table.first[pos + 1]; ++i) {
            size_t length = table.lengths[i];
            uint16_t distance = table.distances[i];
            uint64_t base = here + prices.literal[256 + packDistanceCode(distance)];
            for (size_t l = shorter + 1; l <= length; ++l) {
                uint64_t c = base + lengthPrice[l];
                if (c < cost[pos + l]) {
                    cost[pos + l] = c;
                    stepLength[pos + l] = uint8_t(l);
                    stepDistance[pos + l] = distance;
                }
            }
            shorter = length;
        }
    }
    std::vector<PackToken> tokens;
    for (size_t pos = size; pos > 0;) {
        if (stepLength[pos] == 0) {
            tokens.push_back({data[pos - 1], 0});
            pos -= 1;
        } else {
            tokens.push_back({stepDistance[pos], stepLength[pos]});
            pos -= stepLength[pos];
        }
    }
    std::reverse(tokens.begin(), tokens.end());
    return tokens;
}

// Stream size in bits that a parse encodes to (the symbols only).
uint64_t encodedBits(const std::vector<PackToken>& tokens)
{
    const PackCodes codes = packCodesOf(tokens);
    const Prices prices = pricesUnder(codes);
    uint64_t bits = 0;
    for (int s = 0; s < packLiteralSymbols; ++s)
        bits += uint64_t(codes.literalFrequencies[s]) * prices.literal[s];
    for (int t = 0; t < packLengthSymbols; ++t)
        bits += uint64_t(codes.lengthFrequencies[t]) * prices.length[t];
    return bits;
}

}  // namespace

std::vector<PackToken> parseLazy(const uint8_t* data, size_t size)
{
    std::vector<PackToken> tokens;
    tokens.reserve(size / 2 + 16);
    MatchFinder finder(data, size);
    auto longest = [&](size_t pos) {
        Match m;
        m.length = finder.search(pos, lazyChain, [&](size_t length, size_t distance) {
            m.length = length;
            m.distance = distance;
        });
        return m;
    };
    size_t pos = 0;
    Match current = size > 0 ? longest(0) : Match{};
    while (pos < size) {
        if (current.length == 0) {
            tokens.push_back({data[pos], 0});
            ++pos;
            if (pos < size)
                current = longest(pos);
            continue;
        }
        // One step of lookahead: a longer match at the next byte is worth a literal first.
        if (current.length < size_t(packMaxMatch) && pos + 1 < size) {
            Match next = longest(pos + 1);
            if (next.length > current.length) {
                tokens.push_back({data[pos], 0});
                ++pos;
                current = next;
                continue;
            }
        }
        tokens.push_back({uint16_t(current.distance), uint8_t(current.length)});
        pos += current.length;
        if (pos < size)
            current = longest(pos);
    }
    return tokens;
}

std::vector<PackToken> parseOptimal(const uint8_t* data, size_t size)
{
    MatchTable table = findAllMatches(data, size);
    // First prices from a greedy parse of the longest matches.
    std::vector<PackToken> tokens;
    for (size_t pos = 0; pos < size;) {
        uint32_t last = table.first[pos + 1];
        if (last > table.first[pos]) {
            tokens.push_back({table.distances[last - 1], table.lengths[last - 1]});
            pos += table.lengths[last - 1];
        } else {
            tokens.push_back({data[pos], 0});
            ++pos;
        }
    }
    std::vector<PackToken> best = tokens;
    uint64_t bestBits = encodedBits(best);
    for (int round = 0; round < optimalRounds; ++round) {
        tokens = cheapestPath(data, size, table, pricesOf(tokens));
        uint64_t bits = encodedBits(tokens);
        if (bits < bestBits) {
            best = tokens;
            bestBits = bits;
        }
    }
    return best;
}
