// Length-limited Huffman code lengths.
#include "packer/packer.h"

#include <algorithm>
#include <vector>

namespace {

// Plain Huffman code lengths of the used symbols (at least two); returns the longest.
int huffmanLengths(const std::vector<uint64_t>& weights, const std::vector<int>& symbols,
                   uint8_t* lengths)
{
    // Nodes 0..m-1 are leaves; internal nodes follow. Two sorted queues avoid a heap.
    size_t m = symbols.size();
    std::vector<int> order(m);
    for (size_t i = 0; i < m; ++i)
        order[i] = int(i);
    std::stable_sort(order.begin(), order.end(),
                     [&](int a, int b) { return weights[a] < weights[b]; });
    std::vector<uint64_t> weight(2 * m);
    std::vector<int> parent(2 * m, -1);
    for (size_t i = 0; i < m; ++i)
        weight[i] = weights[i];
    size_t leafNext = 0, nodeNext = m, nodeEnd = m;
    auto takeSmallest = [&]() {
        if (leafNext < m && (nodeNext == nodeEnd || weight[order[leafNext]] <= weight[nodeNext]))
            return order[leafNext++];
        return int(nodeNext++);
    };
    for (size_t k = 0; k + 1 < m; ++k) {
        int a = takeSmallest();
        int b = takeSmallest();
        weight[nodeEnd] = weight[a] + weight[b];
        parent[a] = parent[b] = int(nodeEnd);
        ++nodeEnd;
    }
    // Depths: parents always have higher indices, so walk down from the root.
    std::vector<int> depth(nodeEnd, 0);
    for (size_t i = nodeEnd - 1; i-- > 0;)
        depth[i] = depth[size_t(parent[i])] + 1;
    int longest = 0;
    for (size_t i = 0; i < m; ++i) {
        lengths[symbols[i]] = uint8_t(depth[i]);
        longest = std::max(longest, depth[i]);
    }
    return longest;
}

}  // namespace

void buildCodeLengths(const uint32_t* frequencies, int symbolCount, int maxLength, uint8_t* lengths)
{
    std::vector<int> symbols;
    std::vector<uint64_t> weights;
    for (int s = 0; s < symbolCount; ++s) {
        lengths[s] = 0;
        if (frequencies[s] != 0) {
            symbols.push_back(s);
            weights.push_back(frequencies[s]);
        }
    }
    // A code needs two symbols to be complete: top up with unused ones of weight 1.
    for (int s = 0; symbols.size() < 2 && s < symbolCount; ++s) {
        if (frequencies[s] == 0) {
            symbols.push_back(s);
            weights.push_back(1);
        }
    }
    // Keep the symbol list in symbol order (the top-up may have added a smaller symbol).
    std::vector<std::pair<int, uint64_t>> pairs;
    for (size_t i = 0; i < symbols.size(); ++i)
        pairs.push_back({symbols[i], weights[i]});
    std::sort(pairs.begin(), pairs.end());
    for (size_t i = 0; i < pairs.size(); ++i) {
        symbols[i] = pairs[i].first;
        weights[i] = pairs[i].second;
    }
    // Flatten the weights until the longest code fits; each halving keeps every symbol present.
    while (huffmanLengths(weights, symbols, lengths) > maxLength) {
        for (uint64_t& w : weights)
            w = (w >> 1) | 1;
    }
}
