#include "jet/DatabaseBuilder.h"

#include <cmath>
#include <set>
#include <string>

#include "jet/Bytes.h"
#include "jet/DataPage.h"
#include "jet/DatabaseHeader.h"
#include "jet/Error.h"
#include "jet/IndexPage.h"
#include "jet/LongValue.h"
#include "jet/PageLayout.h"
#include "jet/RowCodec.h"
#include "jet/SystemCatalog.h"
#include "jet/TableDefinition.h"
#include "jet/UsageMap.h"

namespace ipmdb::jet {
namespace {

// The page plan of the Jet engine's own empty database; user tables and long values follow.
constexpr uint32_t kGlobalMapPage = 1;
constexpr uint32_t kSystemMapHolderPage = 6;
constexpr catalog::SystemPagePlan kSystemPlan{kSystemMapHolderPage, {7, 8, 9, 10, 11, 12, 13}};
constexpr uint32_t kObjectsDataPage = 14;
constexpr uint32_t kAcesDataPage = 15;
constexpr uint32_t kFirstFreePage = 16;
constexpr uint32_t kFreeMapRow = 0;      // on page 1
constexpr uint32_t kReleasedMapRow = 1;  // on page 1
constexpr uint32_t kUserOwnedMapRow = 0;  // on a user table's holder page
constexpr uint32_t kUserFreeMapRow = 1;
constexpr uint32_t kSecondsPerDay = 86400;

[[noreturn]] void DoesNotFit(const std::string& what) {
  throw JetError(ErrorKind::Unsupported, "新数据库的" + what + "超出了一页的容量。");
}

class PageSet {
 public:
  std::vector<uint8_t>& Page(uint32_t number) {
    if (number >= FPages.size()) FPages.resize(number + 1);
    if (FPages[number].empty()) FPages[number].assign(kPageSize, 0);
    return FPages[number];
  }
  uint32_t Count() const { return uint32_t(FPages.size()); }
  std::vector<uint8_t> File() const {
    std::vector<uint8_t> file;
    file.reserve(FPages.size() * kPageSize);
    for (uint32_t i = 0; i < FPages.size(); ++i) {
      if (FPages[i].size() != kPageSize) throw JetError(ErrorKind::Misuse, "新数据库的第 " + std::to_string(i) + " 页未写入。");
      file.insert(file.end(), FPages[i].begin(), FPages[i].end());
    }
    return file;
  }

 private:
  std::vector<std::vector<uint8_t>> FPages;
};

void PutDataPage(PageSet& pages, uint32_t number, uint32_t owner, const std::vector<std::vector<uint8_t>>& rows,
                 const std::string& what) {
  uint8_t* page = pages.Page(number).data();
  InitDataPage(page, owner);
  for (const auto& row : rows) {
    if (!DataPageFits(page, row.size())) DoesNotFit(what);
    AppendDataPageRow(page, row);
  }
}

std::vector<uint8_t> InlineMapOf(std::initializer_list<uint32_t> listed) {
  UsageMap map = UsageMap::MakeInline(0);
  for (uint32_t page : listed) map.Set(page, true);
  return map.Encode();
}

struct PlannedTable {
  const NewTable* source;
  TableDefinition definition;
  std::vector<uint32_t> definitionPages;
  uint32_t holderPage;
  std::vector<uint8_t> properties;  // blob, empty when no column has properties
  uint32_t propertiesPointer = 0;
};

PlannedTable PlanUserTable(const NewTable& table, uint16_t databaseCollation, uint32_t& nextPage) {
  PlannedTable planned{&table, {}, {}, 0, {}, 0};
  std::vector<ColumnSpec> specs;
  std::vector<PropertyBlock> blocks;
  for (const auto& c : table.columns) {
    specs.push_back({c.name, c.type, c.length, c.collation ? c.collation : databaseCollation, c.compressedUnicode, 0});
    if (!c.properties.empty()) blocks.push_back({c.name, c.properties});
  }
  TableDefinition& t = planned.definition;
  t.tableType = tdef::kTableTypeUser;
  t.columns = LayOutColumns(specs, false);
  t.maxColumns = uint16_t(specs.size());
  uint32_t mapRow = kUserFreeMapRow + 1;
  for (const auto& c : t.columns) {
    if (!c.IsFixedLength()) ++t.variableColumns;
    if (c.IsLongValue()) {
      t.longValueMaps.push_back({c.id, mapRow, mapRow + 1});  // page filled in below
      mapRow += 2;
    }
  }
  const size_t definitionPages = TableDefinitionPageCount(EncodeTableDefinition(t).size());
  for (size_t i = 0; i < definitionPages; ++i) planned.definitionPages.push_back(nextPage++);
  planned.holderPage = nextPage++;
  t.ownedMap = MakeRowPointer(planned.holderPage, kUserOwnedMapRow);
  t.freeMap = MakeRowPointer(planned.holderPage, kUserFreeMapRow);
  for (auto& maps : t.longValueMaps) {
    maps.ownedMap = MakeRowPointer(planned.holderPage, maps.ownedMap);
    maps.freeMap = MakeRowPointer(planned.holderPage, maps.freeMap);
  }
  if (!blocks.empty()) planned.properties = EncodePropertyBlob(blocks);
  return planned;
}

// Long values that the catalog rows point to, packed one per row onto LVAL pages.
struct LongValueStore {
  std::vector<uint32_t> pages;
  std::vector<std::vector<std::vector<uint8_t>>> rows;  // per page

  uint32_t Add(std::vector<uint8_t> value, uint32_t& nextPage) {
    const size_t rowCost = value.size() + datapage::kRowTableEntrySize;
    size_t used = 0;
    if (!rows.empty())
      for (const auto& row : rows.back()) used += row.size() + datapage::kRowTableEntrySize;
    if (rows.empty() || used + rowCost > datapage::kEmptyFreeSpace || rows.back().size() >= kMaxRowsPerPage) {
      if (rowCost > datapage::kEmptyFreeSpace) DoesNotFit("属性数据");
      pages.push_back(nextPage++);
      rows.emplace_back();
    }
    rows.back().push_back(std::move(value));
    return MakeRowPointer(pages.back(), uint32_t(rows.back().size() - 1));
  }
};

std::vector<uint8_t> SingleRowDescriptor(size_t length, uint32_t pointer) {
  std::vector<uint8_t> descriptor;
  AppendSingleRowLongValue(uint32_t(length), pointer, descriptor);
  return descriptor;
}

// Where everything of the new database goes: the header, the user tables and the long values
// (the property blobs), page by page from the first free one.
struct FilePlan {
  DatabaseHeader header;
  std::vector<PlannedTable> tables;
  LongValueStore longValues;
  std::vector<uint8_t> databaseProperties;  // blob, empty when there are none
  uint32_t databasePropertiesPointer = 0;
  uint32_t pageCount = kFirstFreePage;
};

FilePlan PlanFile(const NewDatabase& db) {
  FilePlan plan;
  DatabaseHeader& header = plan.header;
  header.freeMapPointer = MakeRowPointer(kGlobalMapPage, kFreeMapRow);
  header.releasedMapPointer = MakeRowPointer(kGlobalMapPage, kReleasedMapRow);
  header.catalogPages = {catalog::kMSysObjectsPage, catalog::kMSysACEsPage, catalog::kMSysQueriesPage,
                         catalog::kMSysRelationshipsPage};
  header.codePage = db.codePage;
  header.engineBuild = db.engineBuild;
  header.collation = db.collation;
  header.creationDate = db.creationDate;

  uint32_t& nextPage = plan.pageCount;
  for (const auto& table : db.tables) plan.tables.push_back(PlanUserTable(table, db.collation, nextPage));
  if (!db.databaseProperties.empty()) {
    plan.databaseProperties = EncodePropertyBlob({{u"", db.databaseProperties}});
    plan.databasePropertiesPointer = plan.longValues.Add(plan.databaseProperties, nextPage);
  }
  for (auto& t : plan.tables)
    if (!t.properties.empty()) t.propertiesPointer = plan.longValues.Add(t.properties, nextPage);
  return plan;
}

// The rows of one catalog table as its data page holds them, with the entries of its indexes.
struct CatalogRows {
  std::vector<std::vector<uint8_t>> rows;
  std::vector<IndexEntry> firstIndex;
  std::vector<IndexEntry> secondIndex;  // MSysObjects only
  uint32_t uniqueKeys = 0;              // MSysACEs only: the object ids its rows name
};

// The property blob's descriptor for a catalog row, empty when the object has no properties.
std::vector<uint8_t> PropertiesOf(const catalog::ObjectRow& object, const FilePlan& plan) {
  if (object.id == catalog::kMSysDbId && plan.databasePropertiesPointer)
    return SingleRowDescriptor(plan.databaseProperties.size(), plan.databasePropertiesPointer);
  for (const auto& t : plan.tables)
    if (object.id == int32_t(t.definitionPages.front()) && t.propertiesPointer)
      return SingleRowDescriptor(t.properties.size(), t.propertiesPointer);
  return {};
}

// MSysObjects: the engine's own rows, then one per user table; indexed by (ParentId, Name) and by Id.
CatalogRows ObjectRows(const TableDefinition& msysObjects, const FilePlan& plan, uint32_t sidKey, double date) {
  std::vector<catalog::ObjectRow> objects = catalog::EngineObjectRows();
  for (const auto& t : plan.tables) {
    objects.push_back({int32_t(t.definitionPages.front()), catalog::kTablesId, t.source->name, catalog::kTypeTable, 0,
                       catalog::kAdminSid});
  }
  const RowLayout layout(msysObjects, "MSysObjects");
  CatalogRows result;
  for (size_t r = 0; r < objects.size(); ++r) {
    const auto& o = objects[r];
    catalog::Sid owner = o.owner;
    ApplySidMask(sidKey, owner);
    std::vector<CellValue> values(layout.ColumnCount());
    values[catalog::objects::kId] = CellValue::OfInteger(o.id);
    values[catalog::objects::kParentId] = CellValue::OfInteger(o.parentId);
    values[catalog::objects::kName] = CellValue::OfText(o.name);
    values[catalog::objects::kType] = CellValue::OfInteger(o.type);
    values[catalog::objects::kDateCreate] = CellValue::OfReal(date);
    values[catalog::objects::kDateUpdate] = CellValue::OfReal(date);
    values[catalog::objects::kOwner] = CellValue::OfBinary(owner);
    values[catalog::objects::kFlags] = CellValue::OfInteger(int32_t(o.flags));
    const std::vector<uint8_t> properties = PropertiesOf(o, plan);
    if (!properties.empty()) {
      values[catalog::objects::kLvProp] = CellValue::OfBinary(properties);
      values[catalog::objects::kLvProp].longValueDescriptor = true;
    }
    EncodeRow(layout, values, result.rows.emplace_back());

    IndexEntry byName, byId;
    AppendLongKey(o.parentId, byName);
    AppendTextKey(o.name, byName);
    AppendEntryRowPointer(kObjectsDataPage, uint8_t(r), byName);
    AppendLongKey(o.id, byId);
    AppendEntryRowPointer(kObjectsDataPage, uint8_t(r), byId);
    result.firstIndex.push_back(std::move(byName));
    result.secondIndex.push_back(std::move(byId));
  }
  return result;
}

// MSysACEs: the engine's own entries, then two per user table; indexed by ObjectId.
CatalogRows AceRows(const TableDefinition& msysAces, const FilePlan& plan, uint32_t sidKey) {
  std::vector<catalog::AceRow> aces = catalog::EngineAceRows();
  for (const auto& t : plan.tables) {
    const auto id = int32_t(t.definitionPages.front());
    aces.push_back({id, catalog::kAdminSid, catalog::kAcmUserTableFull, false});
    aces.push_back({id, catalog::kUsersSid, catalog::kAcmUserTableFull, false});
  }
  const RowLayout layout(msysAces, "MSysACEs");
  CatalogRows result;
  std::set<int32_t> objects;
  for (size_t r = 0; r < aces.size(); ++r) {
    const auto& a = aces[r];
    catalog::Sid sid = a.sid;
    ApplySidMask(sidKey, sid);
    std::vector<CellValue> values(layout.ColumnCount());
    values[catalog::aces::kObjectId] = CellValue::OfInteger(a.objectId);
    values[catalog::aces::kSid] = CellValue::OfBinary(sid);
    values[catalog::aces::kAcm] = CellValue::OfInteger(a.acm);
    values[catalog::aces::kInheritable] = CellValue::OfBoolean(a.inheritable);
    EncodeRow(layout, values, result.rows.emplace_back());
    IndexEntry entry;
    AppendLongKey(a.objectId, entry);
    AppendEntryRowPointer(kAcesDataPage, uint8_t(r), entry);
    result.firstIndex.push_back(std::move(entry));
    objects.insert(a.objectId);
  }
  result.uniqueKeys = uint32_t(objects.size());
  return result;
}

// The four system tables: their definitions, each on its one page, their rows, and the single
// leaf of each of their indexes.
void PutSystemTables(PageSet& pages, const FilePlan& plan) {
  const uint32_t sidKey = SidMaskKey(plan.header);
  const double catalogDate = std::round(plan.header.creationDate * kSecondsPerDay) / kSecondsPerDay;
  TableDefinition msysObjects = catalog::MSysObjectsDefinition(kSystemPlan);
  TableDefinition msysAces = catalog::MSysACEsDefinition(kSystemPlan);
  TableDefinition msysQueries = catalog::MSysQueriesDefinition(kSystemPlan);
  TableDefinition msysRelationships = catalog::MSysRelationshipsDefinition(kSystemPlan);
  const CatalogRows objects = ObjectRows(msysObjects, plan, sidKey, catalogDate);
  const CatalogRows aces = AceRows(msysAces, plan, sidKey);

  msysObjects.rowCount = uint32_t(objects.rows.size());
  for (auto& index : msysObjects.realIndexes) index.uniqueCount = uint32_t(objects.rows.size());
  msysAces.rowCount = uint32_t(aces.rows.size());
  msysAces.realIndexes[0].uniqueCount = aces.uniqueKeys;
  const std::pair<TableDefinition*, uint32_t> systemTables[] = {{&msysObjects, catalog::kMSysObjectsPage},
                                                               {&msysAces, catalog::kMSysACEsPage},
                                                               {&msysQueries, catalog::kMSysQueriesPage},
                                                               {&msysRelationships, catalog::kMSysRelationshipsPage}};
  for (const auto& [definition, page] : systemTables) {
    const auto bytes = EncodeTableDefinition(*definition);
    if (TableDefinitionPageCount(bytes.size()) != 1) DoesNotFit("系统表定义");
    const uint32_t only[] = {page};
    pages.Page(page) = LayOutTableDefinitionPages(bytes, only).front();
  }

  const catalog::SystemIndexes& roots = kSystemPlan.indexRoots;
  pages.Page(roots.objectsByParentIdName) = EncodeLeafPage(catalog::kMSysObjectsPage, objects.firstIndex);
  pages.Page(roots.objectsById) = EncodeLeafPage(catalog::kMSysObjectsPage, objects.secondIndex);
  pages.Page(roots.acesByObjectId) = EncodeLeafPage(catalog::kMSysACEsPage, aces.firstIndex);
  pages.Page(roots.queriesByObjectIdAttribute) = EncodeLeafPage(catalog::kMSysQueriesPage, {});
  for (uint32_t root : {roots.relationshipsByName, roots.relationshipsByObject, roots.relationshipsByReferencedObject})
    pages.Page(root) = EncodeLeafPage(catalog::kMSysRelationshipsPage, {});
  PutDataPage(pages, kObjectsDataPage, catalog::kMSysObjectsPage, objects.rows, "系统对象表（MSysObjects）");
  PutDataPage(pages, kAcesDataPage, catalog::kMSysACEsPage, aces.rows, "权限表（MSysACEs）");
}

// The system tables' usage maps, all rows of one holder page: each data map lists its table's
// one data page, each index map its one leaf, and LvProp's maps the pages of the long values.
void PutSystemMaps(PageSet& pages, const FilePlan& plan) {
  std::vector<std::vector<uint8_t>> systemMaps(catalog::kSystemMapRows, InlineMapOf({}));
  systemMaps[catalog::kObjectsOwnedMapRow] = systemMaps[catalog::kObjectsFreeMapRow] = InlineMapOf({kObjectsDataPage});
  systemMaps[catalog::kAcesOwnedMapRow] = systemMaps[catalog::kAcesFreeMapRow] = InlineMapOf({kAcesDataPage});
  for (const auto index : catalog::kEverySystemIndex)
    systemMaps[catalog::kIndexMapRows.*index] = InlineMapOf({kSystemPlan.indexRoots.*index});
  UsageMap lvalPages = UsageMap::MakeInline(0);
  for (uint32_t page : plan.longValues.pages) lvalPages.Set(page, true);
  systemMaps[catalog::kLvPropOwnedMapRow] = systemMaps[catalog::kLvPropFreeMapRow] = lvalPages.Encode();
  PutDataPage(pages, kSystemMapHolderPage, datapage::kOwnerUsageMapHolder, systemMaps, "用量表页");
}

// The user tables' definitions and their map holders, and the pages of the long values.
void PutUserTables(PageSet& pages, const FilePlan& plan) {
  for (const auto& t : plan.tables) {
    const auto bytes = EncodeTableDefinition(t.definition);
    const auto images = LayOutTableDefinitionPages(bytes, t.definitionPages);
    for (size_t i = 0; i < images.size(); ++i) pages.Page(t.definitionPages[i]) = images[i];
    // A table without rows owns no pages: every one of its maps starts empty.
    const size_t mapCount = 2 + 2 * t.definition.longValueMaps.size();
    PutDataPage(pages, t.holderPage, datapage::kOwnerUsageMapHolder,
                std::vector<std::vector<uint8_t>>(mapCount, InlineMapOf({})), "用量表页");
  }
  const LongValueStore& longValues = plan.longValues;
  for (size_t i = 0; i < longValues.pages.size(); ++i)
    PutDataPage(pages, longValues.pages[i], datapage::kOwnerLongValue, longValues.rows[i], "属性数据页");
}

// Page 1: the global maps. Pages that do not exist yet count as free; none is released.
void PutGlobalMaps(PageSet& pages, uint32_t pageCount) {
  UsageMap freePages = UsageMap::MakeInline(0);
  if (pageCount > freePages.BitmapBytes() * 8) DoesNotFit("全局页面表");
  for (uint32_t page = pageCount; page < freePages.BitmapBytes() * 8; ++page) freePages.Set(page, true);
  PutDataPage(pages, kGlobalMapPage, datapage::kOwnerGlobalMap, {freePages.Encode(), InlineMapOf({})}, "全局页面表");
}

}  // namespace

std::vector<uint8_t> BuildDatabase(const NewDatabase& db) {
  const FilePlan plan = PlanFile(db);
  PageSet pages;
  const PageBytes headerPage = EncodeHeaderPage(plan.header);
  pages.Page(0).assign(headerPage.begin(), headerPage.end());
  PutSystemTables(pages, plan);
  PutSystemMaps(pages, plan);
  PutUserTables(pages, plan);
  PutGlobalMaps(pages, plan.pageCount);
  if (pages.Count() != plan.pageCount) throw JetError(ErrorKind::Misuse, "新数据库的页数与页面计划不符。");
  return pages.File();
}

}  // namespace ipmdb::jet
