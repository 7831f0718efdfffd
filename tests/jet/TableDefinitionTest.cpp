#include "jet/TableDefinition.h"

#include <gtest/gtest.h>

#include "jet/Bytes.h"
#include "jet/Error.h"
#include "jet/PageLayout.h"
#include "jet/SystemCatalog.h"

namespace ipmdb::jet {
namespace {

TEST(TableDefinition, ColumnLayoutPacksFixedColumnsAndCountsVariableOnes) {
  const auto columns = LayOutColumns(catalog::MSysObjectsColumns(), true);
  auto find = [&](std::u16string_view name) -> const ColumnDefinition& {
    for (const auto& c : columns)
      if (c.name == name) return c;
    throw std::runtime_error("missing");
  };
  // Descriptors of the engine's tables are sorted by name; ids keep creation order.
  EXPECT_EQ(columns.front().name, u"Connect");
  EXPECT_EQ(columns.back().name, u"Type");
  EXPECT_EQ(find(u"Flags").id, 7);
  EXPECT_EQ(find(u"Flags").fixedOffset, 26);
  EXPECT_EQ(find(u"Flags").varIndex, 2);  // Name and Owner come before it
  EXPECT_EQ(find(u"Owner").flags, 0x32);  // security id, system, updatable
  EXPECT_EQ(find(u"Name").flags, 0x12);
  EXPECT_EQ(find(u"Id").flags, 0x13);
  EXPECT_EQ(find(u"LvExtra").varIndex, 10);

  const auto aces = LayOutColumns(catalog::MSysACEsColumns(), true);
  for (const auto& c : aces)
    if (c.name == u"FInheritable") {
      EXPECT_EQ(c.fixedOffset, 0);  // a Boolean takes no room in the fixed area
      EXPECT_EQ(c.length, 1);
    } else if (c.name == u"ACM") {
      EXPECT_EQ(c.fixedOffset, 4);
    }
}

TEST(TableDefinition, SystemTableDefinitionsHaveTheEngineLengths) {
  const catalog::SystemPagePlan plan{6, {7, 8, 9, 10, 11, 12, 13}};
  EXPECT_EQ(EncodeTableDefinition(catalog::MSysObjectsDefinition(plan)).size(), 1050u);
  EXPECT_EQ(EncodeTableDefinition(catalog::MSysACEsDefinition(plan)).size(), 335u);
  EXPECT_EQ(EncodeTableDefinition(catalog::MSysQueriesDefinition(plan)).size(), 525u);
  EXPECT_EQ(EncodeTableDefinition(catalog::MSysRelationshipsDefinition(plan)).size(), 813u);
}

TEST(TableDefinition, EncodeDecodeRoundTripsAndFreeSpaceKeepsTheTailReserve) {
  const catalog::SystemPagePlan plan{6, {7, 8, 9, 10, 11, 12, 13}};
  TableDefinition t = catalog::MSysObjectsDefinition(plan);
  t.rowCount = 9;
  t.realIndexes[0].uniqueCount = 9;
  const auto bytes = EncodeTableDefinition(t);
  const uint32_t pages[] = {2};
  const auto images = LayOutTableDefinitionPages(bytes, pages);
  ASSERT_EQ(images.size(), 1u);
  EXPECT_EQ(GetU16(&images[0][tdef::kFreeSpaceOffset]), kPageSize - 1050 - 8);
  const TableDefinition back = DecodeTableDefinition(images[0], 2);
  EXPECT_EQ(back.rowCount, 9u);
  EXPECT_EQ(back.columns.size(), 17u);
  EXPECT_EQ(back.realIndexes.size(), 2u);
  EXPECT_EQ(back.realIndexes[0].uniqueCount, 9u);
  EXPECT_EQ(back.realIndexes[0].columns.size(), 2u);
  EXPECT_EQ(back.logicalIndexes[1].name, u"ParentIdName");
  EXPECT_EQ(back.longValueMaps.size(), 7u);
  EXPECT_EQ(back.ownedMap, MakeRowPointer(6, 0));
}

TEST(TableDefinition, LongDefinitionsContinueOnFurtherPages) {
  std::vector<ColumnSpec> specs;
  for (int i = 0; i < 200; ++i)
    specs.push_back({std::u16string(u"column_with_a_long_name_") + std::u16string(1, char16_t(u'A' + i % 26)) +
                         std::u16string(1, char16_t(u'a' + i / 26)),
                     ColumnType::Text, 100, 0x0409, true, 0});
  TableDefinition t;
  t.tableType = tdef::kTableTypeUser;
  t.columns = LayOutColumns(specs, false);
  t.maxColumns = 200;
  t.variableColumns = 200;
  const auto bytes = EncodeTableDefinition(t);
  ASSERT_GT(bytes.size(), kPageSize);
  const size_t count = TableDefinitionPageCount(bytes.size());
  ASSERT_EQ(count, 4u);
  const std::vector<uint32_t> pages = {20, 31, 32, 40};
  const auto images = LayOutTableDefinitionPages(bytes, pages);
  EXPECT_EQ(GetU32(&images[0][tdef::kNextPageOffset]), 31u);
  EXPECT_EQ(GetU32(&images[2][tdef::kNextPageOffset]), 40u);
  EXPECT_EQ(GetU32(&images[3][tdef::kNextPageOffset]), 0u);
  EXPECT_EQ(GetU16(&images[0][tdef::kFreeSpaceOffset]), 0u);
  std::vector<uint8_t> assembled(images[0].begin(), images[0].end());
  for (size_t i = 1; i < images.size(); ++i)
    assembled.insert(assembled.end(), images[i].begin() + tdef::kContinuationHeaderSize, images[i].end());
  const TableDefinition back = DecodeTableDefinition(assembled, 20);
  ASSERT_EQ(back.columns.size(), 200u);
  EXPECT_EQ(back.columns[199].name, t.columns[199].name);
  EXPECT_EQ(back.columns[199].varIndex, 199);
}

TEST(TableDefinition, DamagedDefinitionsAreReported) {
  const catalog::SystemPagePlan plan{6, {7, 8, 9, 10, 11, 12, 13}};
  auto bytes = EncodeTableDefinition(catalog::MSysACEsDefinition(plan));
  auto truncated = bytes;
  truncated.resize(100);
  auto manyColumns = bytes;
  PutU16(&manyColumns[tdef::kColumnCountOffset], 1000);
  auto notTdef = bytes;
  notTdef[0] = 0x01;
  auto shortLength = bytes;  // the descriptors run past the length the definition gives
  PutU32(&shortLength[tdef::kDefinitionLengthOffset], uint32_t(tdef::kBodyOffset + 10));
  auto columnLimit = bytes;  // decodes whole; the column checks after decoding refuse it
  PutU16(&columnLimit[tdef::kMaxColumnsOffset], kMaxColumns + 1);
  for (const auto* damaged : {&truncated, &manyColumns, &notTdef, &shortLength, &columnLimit}) {
    try {
      DecodeTableDefinition(*damaged, 3);
      ADD_FAILURE() << "a damaged definition was decoded";
    } catch (const JetError& e) {
      SCOPED_TRACE(e.what());
      ASSERT_TRUE(e.Place());
      EXPECT_EQ(e.Place()->page, 3u);
      EXPECT_FALSE(e.Place()->row);
    }
  }
}

}  // namespace
}  // namespace ipmdb::jet
