// Huffman lengths by the classic merge of the two lightest nodes; when the tree comes out deeper
// than allowed, the frequencies are halved (keeping every used symbol at 1 or more) and the tree
// is built again, which flattens it until it fits.
#include "packer/huffman_code_builder.h"

#include <algorithm>
#include <vector>

namespace vorlax {

namespace {

constexpr uint32_t kMaxLengths = 17;

struct Node {
  uint64_t weight;
  int left;   // -1 for a leaf
  int right;
  uint32_t symbol;
};

// Depth of every used symbol in a Huffman tree of the given weights; the maximum depth returned.
uint32_t TreeDepths(const std::vector<uint32_t>& used, const std::vector<uint64_t>& weights,
                    std::vector<uint32_t>* depths) {
  std::vector<Node> nodes;
  nodes.reserve(used.size() * 2);
  for (std::size_t i = 0; i < used.size(); ++i) nodes.push_back(Node{weights[i], -1, -1, used[i]});
  auto heavier = [&nodes](int a, int b) {
    if (nodes[a].weight != nodes[b].weight) return nodes[a].weight > nodes[b].weight;
    return a > b;
  };
  std::vector<int> heap;
  for (std::size_t i = 0; i < nodes.size(); ++i) heap.push_back(static_cast<int>(i));
  std::make_heap(heap.begin(), heap.end(), heavier);
  while (heap.size() > 1) {
    std::pop_heap(heap.begin(), heap.end(), heavier);
    const int a = heap.back();
    heap.pop_back();
    std::pop_heap(heap.begin(), heap.end(), heavier);
    const int b = heap.back();
    heap.pop_back();
    nodes.push_back(Node{nodes[a].weight + nodes[b].weight, a, b, 0});
    heap.push_back(static_cast<int>(nodes.size() - 1));
    std::push_heap(heap.begin(), heap.end(), heavier);
  }
  // Depths by walking from the root; node indices of children are always below their parent's.
  std::vector<uint32_t> nodeDepth(nodes.size(), 0);
  uint32_t maxDepth = 0;
  for (int i = static_cast<int>(nodes.size()) - 1; i >= 0; --i) {
    if (nodes[i].left < 0) {
      (*depths)[i] = nodeDepth[i];
      maxDepth = std::max(maxDepth, nodeDepth[i]);
      continue;
    }
    nodeDepth[nodes[i].left] = nodeDepth[i] + 1;
    nodeDepth[nodes[i].right] = nodeDepth[i] + 1;
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
  while (TreeDepths(used, weights, &depths) > maxLength) {
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
