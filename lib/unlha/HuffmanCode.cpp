#include "HuffmanCode.h"

#include <algorithm>

namespace unlha {

void HuffmanCode::build(const uint32_t* freq, int symbols, int maxLength) {
    m_lengths.assign(static_cast<size_t>(symbols), 0);
    m_codes.assign(static_cast<size_t>(symbols), 0);
    std::vector<int> used;
    for (int i = 0; i < symbols; ++i)
        if (freq[i])
            used.push_back(i);
    m_used = static_cast<int>(used.size());
    m_only = used.empty() ? 0 : used.front();
    if (m_used < 2)
        return;

    // Two-queue Huffman over symbols sorted by frequency; when the tree is too deep the
    // frequencies are flattened and the tree built again, which costs little in size.
    std::vector<uint64_t> f(static_cast<size_t>(symbols));
    for (int i = 0; i < symbols; ++i)
        f[i] = freq[i];
    for (;;) {
        std::vector<int> order = used;
        std::stable_sort(order.begin(), order.end(), [&](int a, int b) { return f[a] < f[b]; });
        size_t n = order.size();
        std::vector<uint64_t> weight(2 * n);
        std::vector<int> parent(2 * n, -1);
        for (size_t i = 0; i < n; ++i)
            weight[i] = f[order[i]];
        size_t leaf = 0, inner = n, innerEnd = n;
        auto take = [&]() -> size_t {
            if (leaf < n && (inner == innerEnd || weight[leaf] <= weight[inner]))
                return leaf++;
            return inner++;
        };
        for (size_t k = 0; k + 1 < n; ++k) {
            size_t a = take();
            size_t b = take();
            weight[innerEnd] = weight[a] + weight[b];
            parent[a] = parent[b] = static_cast<int>(innerEnd);
            ++innerEnd;
        }
        // Depths from the root (the last inner node) downwards.
        std::vector<int> depth(2 * n, 0);
        int deepest = 0;
        for (size_t k = innerEnd - 1; k-- > 0;) {
            depth[k] = depth[static_cast<size_t>(parent[k])] + 1;
            if (k < n)
                deepest = std::max(deepest, depth[k]);
        }
        if (deepest <= maxLength) {
            for (size_t i = 0; i < n; ++i)
                m_lengths[order[i]] = static_cast<uint8_t>(depth[i]);
            break;
        }
        for (int s : used)
            f[s] = (f[s] + 1) / 2;
    }
    assignCodes();
}

void HuffmanCode::assignCodes() {
    int maxLen = 0;
    for (uint8_t l : m_lengths)
        maxLen = std::max<int>(maxLen, l);
    std::vector<uint32_t> count(static_cast<size_t>(maxLen) + 2, 0);
    for (uint8_t l : m_lengths)
        if (l)
            ++count[l];
    std::vector<uint32_t> next(static_cast<size_t>(maxLen) + 2, 0);
    uint32_t code = 0;
    for (int len = 1; len <= maxLen; ++len) {
        next[len] = code;
        code = (code + count[len]) << 1;
    }
    for (size_t s = 0; s < m_lengths.size(); ++s)
        if (m_lengths[s])
            m_codes[s] = static_cast<uint16_t>(next[m_lengths[s]]++);
}

uint64_t HuffmanCode::cost(const uint32_t* freq) const {
    uint64_t bits = 0;
    for (size_t i = 0; i < m_lengths.size(); ++i)
        bits += static_cast<uint64_t>(freq[i]) * m_lengths[i];
    return bits;
}

} // namespace unlha
