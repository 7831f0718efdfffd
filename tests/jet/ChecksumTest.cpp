// The journal checksum: sensitive to every byte, to the length and to the seed, and stable
// across builds, because journals outlive the program that wrote them.
#include "jet/Checksum.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <vector>

#include "jet/Format.h"

namespace ipmdb::jet {
namespace {

std::vector<uint8_t> Pattern(size_t size) {
  std::vector<uint8_t> bytes(size);
  for (size_t i = 0; i < size; ++i) bytes[i] = uint8_t(i * 31 + 7);
  return bytes;
}

TEST(Checksum, ChangingAnyByteOfAPageChangesTheChecksum) {
  std::vector<uint8_t> page = Pattern(kPageSize);
  const uint64_t original = Checksum64(page, 42);
  for (size_t i = 0; i < page.size(); ++i) {
    for (uint8_t flip : {uint8_t(0x01), uint8_t(0x80), uint8_t(0xFF)}) {
      page[i] ^= flip;
      ASSERT_NE(Checksum64(page, 42), original) << "byte " << i;
      page[i] ^= flip;
    }
  }
}

TEST(Checksum, LengthsAndTailsGiveDistinctChecksums) {
  // Every prefix of a run of zeros, so that only the length tells them apart.
  const std::vector<uint8_t> zeros(80, 0);
  std::set<uint64_t> seen;
  for (size_t n = 0; n <= zeros.size(); ++n) seen.insert(Checksum64({zeros.data(), n}, 0));
  EXPECT_EQ(seen.size(), zeros.size() + 1);
}

TEST(Checksum, SeedsGiveUnrelatedChecksums) {
  const std::vector<uint8_t> page = Pattern(kPageSize);
  std::set<uint64_t> seen;
  for (uint64_t seed = 0; seed < 1000; ++seed) seen.insert(Checksum64(page, seed));
  EXPECT_EQ(seen.size(), 1000u);
}

TEST(Checksum, SwappedWordsAreNoticed) {
  std::vector<uint8_t> page = Pattern(kPageSize);
  const uint64_t original = Checksum64(page, 1);
  std::swap_ranges(page.begin(), page.begin() + 8, page.begin() + 32);
  EXPECT_NE(Checksum64(page, 1), original);
}

// Pinned so that a journal written by one build is read by the next.
TEST(Checksum, KnownValuesAreStable) {
  const std::vector<uint8_t> bytes = Pattern(100);
  EXPECT_EQ(Checksum64(bytes, 0x0123456789abcdefULL), 0x468d8c817538f321ULL);
}

}  // namespace
}  // namespace ipmdb::jet
