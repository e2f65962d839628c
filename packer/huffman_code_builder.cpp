// Huffman lengths by the classic merge of the two lightest nodes (two queues over the sorted
// leaves); when the tree comes out deeper than allowed, the frequencies are halved (keeping every
// used symbol at 1 or more) and the tree is built again, which flattens it until it fits.
#include "packer/huffman_code_builder.h"

#include <algorithm>
#include <vector>

namespace vorlax {

namespace {

constexpr uint32_t kMaxLengths = 17;

// Depth of every used symbol in a Huffman tree of the given weights; the maximum depth returned.
// The leaves are sorted once by weight (ties by position); merged nodes come out in order of
// weight, so the two lightest are always at the front of the leaves or of the merged nodes.
uint32_t TreeDepths(const std::vector<uint64_t>& weights, std::vector<uint32_t>* depths) {
  const std::size_t n = weights.size();
  std::vector<uint32_t> order(n);
  for (std::size_t i = 0; i < n; ++i) order[i] = static_cast<uint32_t>(i);
  std::sort(order.begin(), order.end(), [&weights](uint32_t a, uint32_t b) {
    return weights[a] != weights[b] ? weights[a] < weights[b] : a < b;
  });
  // Merged node k has weight merged[k] and children child[2k], child[2k + 1]: below n a leaf
  // (an index into order), from n on the merged node (index - n).
  std::vector<uint64_t> merged(n - 1);
  std::vector<uint32_t> child(2 * (n - 1));
  std::size_t leaf = 0;
  std::size_t front = 0;
  auto takeLightest = [&](std::size_t k) {
    if (leaf < n && (front >= k || weights[order[leaf]] <= merged[front])) return static_cast<uint32_t>(leaf++);
    return static_cast<uint32_t>(n + front++);
  };
  auto weightOf = [&](uint32_t node) { return node < n ? weights[order[node]] : merged[node - n]; };
  for (std::size_t k = 0; k + 1 < n; ++k) {
    const uint32_t a = takeLightest(k);
    const uint32_t b = takeLightest(k);
    child[2 * k] = a;
    child[2 * k + 1] = b;
    merged[k] = weightOf(a) + weightOf(b);
  }
  // Depths from the root (the last merged node) down; children are always merged earlier.
  std::vector<uint32_t> mergedDepth(n - 1, 0);
  uint32_t maxDepth = 0;
  for (std::size_t k = n - 1; k-- > 0;) {
    for (uint32_t c : {child[2 * k], child[2 * k + 1]}) {
      if (c >= n) {
        mergedDepth[c - n] = mergedDepth[k] + 1;
      } else {
        (*depths)[order[c]] = mergedDepth[k] + 1;
        maxDepth = std::max(maxDepth, mergedDepth[k] + 1);
      }
    }
  }
  return maxDepth;
}

}  // namespace

void BuildHuffmanLengths(const uint32_t* freq, uint32_t count, uint32_t maxLength, uint8_t* lengths) {
  std::vector<uint32_t> used;
  std::vector<uint64_t> weights;
  for (uint32_t i = 0; i < count; ++i) {
    lengths[i] = 0;
    if (freq[i] != 0) {
      used.push_back(i);
      weights.push_back(freq[i]);
    }
  }
  if (used.empty()) return;
  if (used.size() == 1) {
    lengths[used[0]] = 1;
    lengths[used[0] == 0 ? 1 : used[0] - 1] = 1;
    return;
  }
  std::vector<uint32_t> depths(used.size(), 0);
  while (TreeDepths(weights, &depths) > maxLength) {
    for (uint64_t& w : weights) w = (w >> 1) | 1;
  }
  for (std::size_t i = 0; i < used.size(); ++i) lengths[used[i]] = static_cast<uint8_t>(depths[i]);
}

void BuildCanonicalCodes(const uint8_t* lengths, uint32_t count, uint16_t* codes) {
  uint32_t perLength[kMaxLengths] = {};
  for (uint32_t i = 0; i < count; ++i) ++perLength[lengths[i]];
  perLength[0] = 0;
  uint32_t next[kMaxLengths] = {};
  uint32_t code = 0;
  for (uint32_t len = 1; len < kMaxLengths; ++len) {
    code = (code + perLength[len - 1]) << 1;
    next[len] = code;
  }
  for (uint32_t i = 0; i < count; ++i) {
    codes[i] = lengths[i] == 0 ? 0 : static_cast<uint16_t>(next[lengths[i]]++);
  }
}

}  // namespace vorlax
