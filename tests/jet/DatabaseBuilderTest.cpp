#include "jet/DatabaseBuilder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "jet/Bytes.h"
#include "jet/DataPage.h"
#include "jet/DatabaseReader.h"
#include "jet/Error.h"
#include "jet/IndexPage.h"
#include "jet/PageLayout.h"
#include "jet/SystemCatalog.h"
#include "jet/UsageMap.h"

namespace ipmdb::jet {
namespace {

NewDatabase TwoTables() {
  NewDatabase db;
  db.creationDate = 45000.5;
  db.databaseProperties = {Property::Text(u"AccessVersion", u"08.50", false)};
  NewTable items{u"Items", {{u"ID", ColumnType::Long, 0, 0, false, {}},
                            {u"Name", ColumnType::Text, 100, 2052, true, {Property::Boolean(u"AllowZeroLength", true, true)}},
                            {u"Notes", ColumnType::Memo, 0, 0, true, {}}}};
  NewTable other{u"Other_2", {{u"When", ColumnType::DateTime, 0, 0, false, {}}}};
  db.tables = {items, other};
  return db;
}

class BuiltDatabase : public ::testing::Test {
 protected:
  BuiltDatabase() : FSource(BuildDatabase(TwoTables())), FReader(FSource, "built.mdb") {}
  MemoryPageSource FSource;
  DatabaseReader FReader;
};

TEST_F(BuiltDatabase, IsDeterministic) { EXPECT_EQ(BuildDatabase(TwoTables()), BuildDatabase(TwoTables())); }

TEST_F(BuiltDatabase, CatalogListsTheEngineObjectsThenTheUserTablesOwnedByAdmin) {
  const auto& catalog = FReader.Catalog();
  ASSERT_EQ(catalog.size(), 10u);
  EXPECT_EQ(catalog[0].name, u"Tables");
  EXPECT_EQ(catalog[3].name, u"MSysDb");
  const CatalogEntry* items = FReader.FindTable(u"Items");
  ASSERT_NE(items, nullptr);
  EXPECT_EQ(items->id, 16);
  EXPECT_EQ(items->parentId, catalog::kTablesId);
  EXPECT_FALSE(items->IsSystemObject());
  EXPECT_EQ(items->owner, (std::vector<uint8_t>{0x03, 0x01}));
  EXPECT_EQ(catalog[4].owner, (std::vector<uint8_t>{0x02, 0x03}));  // MSysObjects: the engine
  EXPECT_TRUE(catalog[4].IsSystemObject());
  EXPECT_EQ(FReader.FindTable(u"items"), nullptr);  // exact names only
  EXPECT_DOUBLE_EQ(items->dateCreate, 45000.5);
}

TEST_F(BuiltDatabase, AccessControlEntriesGiveAdminAndUsersFullRightsOnUserTables) {
  const auto rows = FReader.ReadRows(catalog::kMSysACEsPage);
  ASSERT_EQ(rows.size(), 16u + 4u);
  std::vector<uint8_t> adminSid = {0x03, 0x01}, usersSid = {0x02, 0x01};
  ApplySidMask(FReader.SidKey(), adminSid);
  ApplySidMask(FReader.SidKey(), usersSid);
  EXPECT_EQ(rows[16][catalog::aces::kObjectId].integer, 16);
  EXPECT_EQ(rows[16][catalog::aces::kSid].binary, adminSid);
  EXPECT_EQ(rows[17][catalog::aces::kSid].binary, usersSid);
  EXPECT_EQ(rows[17][catalog::aces::kAcm].integer, catalog::kAcmUserTableFull);
  EXPECT_FALSE(rows[17][catalog::aces::kInheritable].boolean);
  EXPECT_TRUE(rows[4][catalog::aces::kInheritable].boolean);  // Creator on the Tables container
}

// Every index entry must point at a catalog row whose key it carries, and every row must be
// indexed: a table missing from the (ParentId, Name) index cannot be opened by name.
TEST_F(BuiltDatabase, CatalogIndexesMatchTheirRowsExactly) {
  const TableDefinition objects = FReader.ReadTableDefinition(catalog::kMSysObjectsPage);
  ASSERT_EQ(objects.realIndexes.size(), 2u);
  const auto parentIdName = DecodeLeafEntries(FSource.Page(objects.realIndexes[0].rootPage), 7);
  const auto byId = DecodeLeafEntries(FSource.Page(objects.realIndexes[1].rootPage), 8);
  const auto& catalog = FReader.Catalog();
  ASSERT_EQ(parentIdName.size(), catalog.size());
  ASSERT_EQ(byId.size(), catalog.size());
  EXPECT_TRUE(std::is_sorted(parentIdName.begin(), parentIdName.end()));
  EXPECT_TRUE(std::is_sorted(byId.begin(), byId.end()));
  for (const auto& entry : parentIdName) {
    const uint32_t page = GetU24BE(&entry[entry.size() - 4]);
    const uint8_t row = entry.back();
    auto it = std::find_if(catalog.begin(), catalog.end(),
                           [&](const CatalogEntry& c) { return c.rowPointer == MakeRowPointer(page, row); });
    ASSERT_NE(it, catalog.end());
    IndexEntry expected;
    AppendLongKey(it->parentId, expected);
    AppendTextKey(it->name, expected);
    AppendEntryRowPointer(page, row, expected);
    EXPECT_EQ(entry, expected);
  }
  EXPECT_EQ(objects.rowCount, catalog.size());
  EXPECT_EQ(objects.realIndexes[0].uniqueCount, catalog.size());
  const TableDefinition aces = FReader.ReadTableDefinition(catalog::kMSysACEsPage);
  EXPECT_EQ(aces.rowCount, 20u);
  EXPECT_EQ(aces.realIndexes[0].uniqueCount, 10u);  // 8 engine objects and two tables
  EXPECT_EQ(DecodeLeafEntries(FSource.Page(aces.realIndexes[0].rootPage), 9).size(), 20u);
}

TEST_F(BuiltDatabase, UserTablesHaveTheirColumnsNoRowsAndEmptyMaps) {
  const CatalogEntry* items = FReader.FindTable(u"Items");
  const TableDefinition t = FReader.ReadTableDefinition(items->DefinitionPage());
  EXPECT_EQ(t.tableType, tdef::kTableTypeUser);
  ASSERT_EQ(t.columns.size(), 3u);
  EXPECT_EQ(t.columns[1].name, u"Name");
  EXPECT_EQ(t.columns[1].collation, 2052);
  EXPECT_TRUE(t.columns[1].AllowsCompression());
  EXPECT_EQ(t.columns[1].ordinal, 1);
  EXPECT_EQ(t.columns[0].collation, 0x0409);
  ASSERT_EQ(t.longValueMaps.size(), 1u);
  EXPECT_EQ(t.longValueMaps[0].columnId, 2);
  EXPECT_TRUE(t.realIndexes.empty());
  EXPECT_TRUE(FReader.DataPages(items->DefinitionPage(), t).empty());
  EXPECT_TRUE(FReader.ReadRows(items->DefinitionPage()).empty());
  EXPECT_EQ(t.rowCount, 0u);
}

TEST_F(BuiltDatabase, PropertiesLiveOnAnLvalPageListedByTheLvPropMaps) {
  const auto& msysDb = FReader.Catalog()[3];
  const auto dbProps = PropertiesOf(msysDb);
  ASSERT_EQ(dbProps.size(), 1u);
  EXPECT_EQ(dbProps[0].properties[0].name, u"AccessVersion");
  const auto tableProps = PropertiesOf(*FReader.FindTable(u"Items"));
  ASSERT_EQ(tableProps.size(), 1u);
  EXPECT_EQ(tableProps[0].owner, u"Name");
  EXPECT_TRUE(PropertiesOf(*FReader.FindTable(u"Other_2")).empty());

  const TableDefinition objects = FReader.ReadTableDefinition(catalog::kMSysObjectsPage);
  const auto lvProp = std::find_if(objects.longValueMaps.begin(), objects.longValueMaps.end(),
                                   [](const auto& m) { return m.columnId == catalog::objects::kLvProp; });
  ASSERT_NE(lvProp, objects.longValueMaps.end());
  const auto lvalPages = ListUsageMapPages(FReader.RowBytes(lvProp->ownedMap), lvProp->ownedMap, FSource);
  ASSERT_EQ(lvalPages.size(), 1u);
  EXPECT_EQ(DataPageOwner(FSource.Page(lvalPages[0])), datapage::kOwnerLongValue);
}

TEST_F(BuiltDatabase, GlobalMapMarksExactlyThePagesPastTheEndAsFree) {
  const uint32_t pages = FSource.PageCount();
  EXPECT_EQ(pages, 16u + 2 + 2 + 1);  // two tables with their map pages, one LVAL page
  const auto freePages = ListUsageMapPages(FReader.RowBytes(FReader.Header().freeMapPointer), FReader.Header().freeMapPointer, FSource);
  ASSERT_FALSE(freePages.empty());
  EXPECT_EQ(freePages.front(), pages);
  EXPECT_EQ(freePages.back(), 511u);
  EXPECT_EQ(freePages.size(), 512u - pages);
  EXPECT_TRUE(ListUsageMapPages(FReader.RowBytes(FReader.Header().releasedMapPointer), FReader.Header().releasedMapPointer, FSource).empty());
  EXPECT_EQ(DataPageOwner(FSource.Page(1)), datapage::kOwnerGlobalMap);
}

TEST(DatabaseBuilder, RefusesNamesTheCatalogIndexCannotEncode) {
  NewDatabase db;
  db.creationDate = 45000.5;
  db.tables = {{u"表", {{u"a", ColumnType::Long, 0, 0, false, {}}}}};
  EXPECT_THROW(BuildDatabase(db), JetError);
}

TEST(DatabaseReader, RefusesTruncatedAndEmptyFiles) {
  auto bytes = BuildDatabase(TwoTables());
  bytes.resize(3 * kPageSize);  // the catalog's data pages are gone
  MemoryPageSource truncated(bytes);
  EXPECT_THROW(DatabaseReader(truncated, "t.mdb"), JetError);
  MemoryPageSource empty(std::vector<uint8_t>{});
  EXPECT_THROW(DatabaseReader(empty, "e.mdb"), JetError);
}

}  // namespace
}  // namespace ipmdb::jet
