#include "jet/UsageMap.h"

#include <gtest/gtest.h>

#include "jet/Error.h"
#include "jet/PageSource.h"

namespace ipmdb::jet {
namespace {

TEST(UsageMap, InlineBitsCountFromTheStartPage) {
  UsageMap map = UsageMap::MakeInline(512);
  EXPECT_FALSE(map.Covers(511));
  EXPECT_TRUE(map.Covers(512));
  EXPECT_TRUE(map.Covers(1023));
  EXPECT_FALSE(map.Covers(1024));
  map.Set(512, true);
  map.Set(520, true);
  map.Set(1023, true);
  const auto row = map.Encode();
  ASSERT_EQ(row.size(), usagemap::kRowSize);
  EXPECT_EQ(row[usagemap::kBitmapOffset], 0x01);
  EXPECT_EQ(row[usagemap::kBitmapOffset + 1], 0x01);
  EXPECT_EQ(row[usagemap::kRowSize - 1], 0x80);
  const UsageMap back = UsageMap::Decode(row, 0);
  EXPECT_EQ(back.InlinePages(), (std::vector<uint32_t>{512, 520, 1023}));
  EXPECT_THROW(map.Set(1024, true), JetError);
  map.Set(520, false);
  EXPECT_FALSE(map.Contains(520));
}

// Slot k of a reference map covers pages k x 32736 .. (k + 1) x 32736 - 1.
TEST(UsageMap, ReferenceSlotsSplitPagesAtBitmapPageBoundaries) {
  EXPECT_EQ(UsageMap::SlotOf(32735), 0u);
  EXPECT_EQ(UsageMap::BitOf(32735), 32735u);
  EXPECT_EQ(UsageMap::SlotOf(32736), 1u);
  EXPECT_EQ(UsageMap::BitOf(32736), 0u);
  EXPECT_EQ(UsageMap::SlotOf(100000), 3u);
  EXPECT_EQ(UsageMap::BitOf(100000), 100000u - 3 * 32736);
}

TEST(UsageMap, ReferenceMapsListPagesFromTheirBitmapPages) {
  const std::vector<uint32_t> listed = {18, 511, 512, 32735, 32736, 40000};
  // A file of four pages whose pages 2 and 3 are the bitmap pages of slots 0 and 1.
  std::vector<uint8_t> file(4 * kPageSize, 0);
  const auto slot0 = EncodeBitmapPage(0, listed);
  const auto slot1 = EncodeBitmapPage(1, listed);
  std::copy(slot0.begin(), slot0.end(), file.begin() + 2 * kPageSize);
  std::copy(slot1.begin(), slot1.end(), file.begin() + 3 * kPageSize);
  MemoryPageSource source(file);
  UsageMap map = UsageMap::MakeReference();
  map.SetBitmapPage(0, 2);
  map.SetBitmapPage(1, 3);
  const auto row = map.Encode();
  ASSERT_EQ(row.size(), usagemap::kRowSize);
  EXPECT_EQ(ListUsageMapPages(row, 0, source), listed);
  EXPECT_TRUE(BitmapPageBit(source.Page(3), 40000));
  EXPECT_FALSE(BitmapPageBit(source.Page(3), 40001));

  UsageMap wrong = UsageMap::MakeReference();
  wrong.SetBitmapPage(0, 1);  // a zero page, not a bitmap page
  EXPECT_THROW(ListUsageMapPages(wrong.Encode(), 0, source), JetError);
}

TEST(UsageMap, UnknownMapTypeIsCorruption) {
  std::vector<uint8_t> row(usagemap::kRowSize, 0);
  row[0] = 7;
  EXPECT_THROW(UsageMap::Decode(row, 0), JetError);
}

}  // namespace
}  // namespace ipmdb::jet
