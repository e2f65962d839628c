// LZX match finder tests, hash chains and binary trees alike: every match reported is real (its
// bytes equal its source's), lies within the window, and keeps distance plus length within the
// window size (decoders that copy from a window-sized ring in pieces need that); the longest
// repeat is found; only trees report 2-byte matches, and only near ones.
#include "packer/lzx_match_finder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "cabinet/lzx_test_data.h"

namespace vorlax {
namespace {

using namespace lzx_test;

constexpr uint32_t kWindow = 1u << 15;
constexpr uint32_t kMaxDistance = kWindow - 3;

// Appends data in frames, asking for the matches of every position in order.
template <typename Check>
void WalkEveryPosition(LzxMatchFinder* finder, const std::string& data, Check check) {
  for (std::size_t at = 0; at < data.size(); at += kLzxFrameSize) {
    const uint32_t n = static_cast<uint32_t>(std::min<std::size_t>(kLzxFrameSize, data.size() - at));
    finder->AppendFrame(reinterpret_cast<const uint8_t*>(data.data() + at), n);
    for (uint64_t p = at; p < at + n; ++p) {
      LzxMatch found[kLzxMaxMatchesPerPosition];
      const uint32_t count = finder->FindAllAndInsert(p, finder->End(), found);
      check(p, found, count);
    }
  }
}

TEST(LzxMatchFinder, MatchesAreRealAndStayWithinOneWindowOfTheirSource) {
  // The data again at the greatest distance allowed, then text repeated 1,000 bytes later.
  const std::string random = RandomBytes(kMaxDistance, 3);
  const std::string text = Text(1000, 4);
  const std::string data = random + random + text + text + text;
  for (bool tree : {false, true}) {
    SCOPED_TRACE(tree ? "tree" : "chain");
    LzxMatchFinder finder(kWindow, kMaxDistance, LzxSearchLimits{32, kLzxMaxMatch, tree});
    uint32_t farthest = 0;
    uint32_t longest = 0;
    uint32_t pairs = 0;
    WalkEveryPosition(&finder, data, [&](uint64_t p, const LzxMatch* found, uint32_t count) {
      for (uint32_t i = 0; i < count; ++i) {
        const LzxMatch& m = found[i];
        ASSERT_GE(m.length, tree ? 2u : 3u);
        if (m.length == 2) {
          ASSERT_LE(m.distance, kLzxMaxPairDistance) << "at " << p;
          ++pairs;
        }
        ASSERT_LE(m.distance, kMaxDistance);
        ASSERT_LE(m.distance + m.length, kWindow) << "at " << p;
        ASSERT_EQ(data.compare(p, m.length, data, p - m.distance, m.length), 0) << "at " << p;
        if (i > 0) {
          ASSERT_GT(m.length, found[i - 1].length);
        }
        farthest = std::max(farthest, m.distance);
        longest = std::max(longest, m.length);
      }
      EXPECT_LE(finder.MatchLength(p, kMaxDistance, finder.End()), kWindow - kMaxDistance);
    });
    EXPECT_EQ(farthest, kMaxDistance);
    EXPECT_EQ(longest, kLzxMaxMatch);
    // Random bytes repeat many a pair within 2 KiB: trees report them, chains do not.
    EXPECT_EQ(pairs != 0, tree);
  }
}

}  // namespace
}  // namespace vorlax
