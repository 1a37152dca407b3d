#include "platform/unlha32/HuffmanCode.h"

#include <algorithm>
#include <vector>

namespace lha {

namespace {

// Depths of the leaves of a Huffman tree over counts sorted ascending (two-queue construction).
std::vector<int> LeafDepths(const std::vector<uint32_t>& sorted) {
    size_t m = sorted.size();
    std::vector<uint64_t> weight(2 * m - 1);
    std::vector<size_t> parent(2 * m - 1, 0);
    std::copy(sorted.begin(), sorted.end(), weight.begin());
    size_t leaf = 0, inner = m;
    auto takeSmallest = [&](size_t next) {
        if (leaf < m && (inner >= next || weight[leaf] <= weight[inner]))
            return leaf++;
        return inner++;
    };
    for (size_t next = m; next < 2 * m - 1; ++next) {
        size_t a = takeSmallest(next);
        size_t b = takeSmallest(next);
        weight[next] = weight[a] + weight[b];
        parent[a] = parent[b] = next;
    }
    std::vector<int> depth(2 * m - 1, 0);
    for (size_t i = 2 * m - 1; i-- > 0;)
        if (i != 2 * m - 2)
            depth[i] = depth[parent[i]] + 1;
    depth.resize(m);
    return depth;
}

}  // namespace

int BuildCodeLengths(const uint32_t* counts, size_t n, int maxLength, uint8_t* lengths) {
    std::fill(lengths, lengths + n, 0);
    std::vector<size_t> used;
    for (size_t i = 0; i < n; ++i)
        if (counts[i])
            used.push_back(i);
    if (used.size() < 2)
        return static_cast<int>(used.size());
    std::stable_sort(used.begin(), used.end(), [&](size_t a, size_t b) { return counts[a] < counts[b]; });
    std::vector<uint32_t> sorted;
    for (size_t s : used)
        sorted.push_back(counts[s]);
    std::vector<int> depth = LeafDepths(sorted);

    // Clip to maxLength, then trade leaves until the code is complete again (Kraft sum exactly 1).
    std::vector<uint32_t> perLength(static_cast<size_t>(maxLength) + 1, 0);
    for (int d : depth)
        ++perLength[static_cast<size_t>(std::min(d, maxLength))];
    uint64_t total = 0;
    for (int l = 1; l <= maxLength; ++l)
        total += static_cast<uint64_t>(perLength[l]) << (maxLength - l);
    while (total > (uint64_t{1} << maxLength)) {
        --perLength[maxLength];
        for (int l = maxLength - 1; l > 0; --l) {
            if (perLength[l]) {
                --perLength[l];
                perLength[l + 1] += 2;
                break;
            }
        }
        --total;
    }
    // Shortest codes to the most frequent symbols.
    size_t next = used.size();
    for (int l = 1; l <= maxLength; ++l)
        for (uint32_t k = 0; k < perLength[l]; ++k)
            lengths[used[--next]] = static_cast<uint8_t>(l);
    return static_cast<int>(used.size());
}

int OnlySymbol(const uint32_t* counts, size_t n) {
    for (size_t i = 0; i < n; ++i)
        if (counts[i])
            return static_cast<int>(i);
    return 0;
}

void MakeCanonicalCodes(const uint8_t* lengths, size_t n, uint16_t* codes) {
    uint32_t perLength[18] = {};
    for (size_t i = 0; i < n; ++i)
        ++perLength[lengths[i]];
    perLength[0] = 0;
    uint32_t next[18] = {};
    for (int l = 1; l <= 16; ++l)
        next[l + 1] = (next[l] + perLength[l]) << 1;
    for (size_t i = 0; i < n; ++i)
        codes[i] = lengths[i] ? static_cast<uint16_t>(next[lengths[i]]++) : 0;
}

}  // namespace lha
