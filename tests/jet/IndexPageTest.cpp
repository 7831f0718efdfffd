#include "jet/IndexPage.h"

#include <gtest/gtest.h>

#include "jet/Bytes.h"
#include "jet/Error.h"
#include "jet/PageLayout.h"

namespace ipmdb::jet {
namespace {

IndexEntry ParentIdName(int32_t parent, std::u16string_view name, uint32_t page, uint8_t row) {
  IndexEntry e;
  AppendLongKey(parent, e);
  AppendTextKey(name, e);
  AppendEntryRowPointer(page, row, e);
  return e;
}

TEST(IndexKey, LongKeysSortAsSignedNumbers) {
  IndexEntry e;
  AppendLongKey(0x0F000001, e);
  EXPECT_EQ(e, (IndexEntry{0x7F, 0x8F, 0x00, 0x00, 0x01}));
  IndexEntry negative, zero, positive;
  AppendLongKey(-5, negative);
  AppendLongKey(0, zero);
  AppendLongKey(5, positive);
  EXPECT_LT(negative, zero);
  EXPECT_LT(zero, positive);
  IndexEntry minimum;
  AppendLongKey(int32_t(0x80000000), minimum);
  EXPECT_EQ(minimum, (IndexEntry{0x7F, 0, 0, 0, 0}));
}

TEST(IndexKey, TextKeysUseGeneralLegacyCodesCaseInsensitively) {
  IndexEntry tables, upper;
  AppendTextKey(u"Tables", tables);
  EXPECT_EQ(tables, (IndexEntry{0x7F, 0x6D, 0x4A, 0x4C, 0x5E, 0x51, 0x6B, 0x01, 0x00}));
  AppendTextKey(u"TABLES  ", upper);  // trailing blanks do not count
  EXPECT_EQ(upper, tables);
  IndexEntry ip, digits, underscore;
  AppendTextKey(u"IP", ip);
  EXPECT_EQ(ip, (IndexEntry{0x7F, 0x59, 0x66, 0x01, 0x00}));
  AppendTextKey(u"Table1", digits);
  EXPECT_EQ(digits, (IndexEntry{0x7F, 0x6D, 0x4A, 0x4C, 0x5E, 0x51, 0x38, 0x01, 0x00}));
  AppendTextKey(u"a_b", underscore);
  EXPECT_EQ(underscore, (IndexEntry{0x7F, 0x4A, 0x2B, 0x03, 0x4C, 0x01, 0x00}));
  IndexEntry bad;
  EXPECT_THROW(AppendTextKey(u"O'Hare", bad), JetError);
  EXPECT_THROW(AppendTextKey(u"表", bad), JetError);
}

// The catalog's (ParentId, Name) index of an empty database, in the order the engine keeps it:
// names under the root before names under Tables, and IP before the MSys tables.
TEST(IndexLeaf, CatalogEntriesSortByParentThenName) {
  std::vector<IndexEntry> entries = {
      ParentIdName(0x0F000000, u"Tables", 14, 0),      ParentIdName(0x0F000000, u"Databases", 14, 1),
      ParentIdName(0x0F000000, u"Relationships", 14, 2), ParentIdName(0x0F000002, u"MSysDb", 14, 3),
      ParentIdName(0x0F000001, u"MSysObjects", 14, 4), ParentIdName(0x0F000001, u"MSysACEs", 14, 5),
      ParentIdName(0x0F000001, u"IP", 14, 8),
  };
  const auto page = EncodeLeafPage(2, entries);
  const auto stored = DecodeLeafEntries(page.data(), 7);
  ASSERT_EQ(stored.size(), entries.size());
  auto nameOf = [&](const IndexEntry& e) { return e.back(); };  // row index identifies the name
  std::vector<uint8_t> order;
  for (const auto& e : stored) order.push_back(nameOf(e));
  EXPECT_EQ(order, (std::vector<uint8_t>{1, 2, 0, 8, 5, 4, 3}));
  size_t used = 0;
  for (const auto& e : entries) used += e.size();
  EXPECT_EQ(GetU16(&page[indexpage::kFreeSpaceOffset]), indexpage::kEntrySpace - used);
  EXPECT_EQ(GetU32(&page[indexpage::kOwnerOffset]), 2u);
  EXPECT_EQ(page[0], 0x04);
}

TEST(IndexLeaf, EqualKeysAreOrderedByRowPointer) {
  std::vector<IndexEntry> entries(3);
  for (auto& e : entries) AppendLongKey(16, e);
  AppendEntryRowPointer(15, 17, entries[0]);
  AppendEntryRowPointer(15, 16, entries[1]);
  AppendEntryRowPointer(14, 200, entries[2]);
  const auto stored = DecodeLeafEntries(EncodeLeafPage(3, entries).data(), 9);
  EXPECT_EQ(stored[0], entries[2]);
  EXPECT_EQ(stored[1], entries[1]);
  EXPECT_EQ(stored[2], entries[0]);
}

TEST(IndexLeaf, EmptyLeafAndOverflowingLeaf) {
  const auto empty = EncodeLeafPage(4, {});
  EXPECT_EQ(GetU16(&empty[indexpage::kFreeSpaceOffset]), 3616);
  EXPECT_TRUE(DecodeLeafEntries(empty.data(), 10).empty());
  std::vector<IndexEntry> tooMany(500, IndexEntry(9, 0x7F));
  EXPECT_THROW(EncodeLeafPage(3, tooMany), JetError);
}

}  // namespace
}  // namespace ipmdb::jet
