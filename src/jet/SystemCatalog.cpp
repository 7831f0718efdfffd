#include "jet/SystemCatalog.h"

#include <algorithm>
#include <iterator>

#include "jet/PageLayout.h"

namespace ipmdb::jet::catalog {
namespace {

using CT = ColumnType;
constexpr uint16_t kGeneral = header::kCollationGeneral;
constexpr uint16_t kNameBytes = 2 * kMaxTextChars;  // 510: Text(255) and Binary(510) columns

ColumnSpec Col(const char16_t* name, ColumnType type, uint16_t length = 0, uint8_t extra = 0) {
  return ColumnSpec{name, type, length, kGeneral, false, extra};
}

RealIndexDefinition RealIndex(std::vector<uint16_t> columnIds, uint32_t usageMap, uint32_t root, uint16_t flags) {
  RealIndexDefinition index;
  for (uint16_t id : columnIds) index.columns.push_back({id, tdef::kIndexColumnAscending});
  index.usageMap = usageMap;
  index.rootPage = root;
  index.flags = flags;
  return index;
}

TableDefinition SystemTable(std::vector<ColumnSpec> specs, uint32_t holder, uint32_t ownedRow, uint32_t freeRow) {
  TableDefinition t;
  t.tableType = tdef::kTableTypeSystem;
  t.columns = LayOutColumns(specs, true);
  t.maxColumns = uint16_t(specs.size());
  for (const auto& c : t.columns)
    if (!c.IsFixedLength()) ++t.variableColumns;
  t.ownedMap = MakeRowPointer(holder, ownedRow);
  t.freeMap = MakeRowPointer(holder, freeRow);
  return t;
}

constexpr uint16_t kPrimaryIndexFlags = tdef::kIndexUnique | tdef::kIndexAlwaysSet;            // 0x81
constexpr uint16_t kRequiredIndexFlags = tdef::kIndexRequired | tdef::kIndexAlwaysSet;         // 0x88
constexpr uint16_t kIgnoreNullsIndexFlags = tdef::kIndexIgnoreNulls | tdef::kIndexAlwaysSet;   // 0x82

}  // namespace

std::vector<ObjectRow> EngineObjectRows() {
  const uint32_t system = kFlagEngineSystemObject;
  return {
      {kTablesId, kRootId, u"Tables", kTypeContainer, system, kEngineSid},
      {kDatabasesId, kRootId, u"Databases", kTypeContainer, system, kEngineSid},
      {kRelationshipsId, kRootId, u"Relationships", kTypeContainer, system, kEngineSid},
      {kMSysDbId, kDatabasesId, u"MSysDb", kTypeDatabase, system, kAdminSid},
      {int32_t(kMSysObjectsPage), kTablesId, kSystemTableNames[0], kTypeTable, system, kEngineSid},
      {int32_t(kMSysACEsPage), kTablesId, kSystemTableNames[1], kTypeTable, system, kEngineSid},
      {int32_t(kMSysQueriesPage), kTablesId, kSystemTableNames[2], kTypeTable, system, kEngineSid},
      {int32_t(kMSysRelationshipsPage), kTablesId, kSystemTableNames[3], kTypeTable, system, kEngineSid},
  };
}

std::vector<AceRow> EngineAceRows() {
  const auto objects = int32_t(kMSysObjectsPage), aces = int32_t(kMSysACEsPage);
  const auto queries = int32_t(kMSysQueriesPage), relationships = int32_t(kMSysRelationshipsPage);
  return {
      {objects, kAdminSid, 0x00060000, false},       {aces, kAdminSid, 0x00060000, false},
      {queries, kAdminSid, 0x00060000, false},       {relationships, kAdminSid, 0x000E0000, false},
      {kTablesId, kCreatorSid, 0x000F00FE, true},    {kTablesId, kAdminSid, 0x00060001, false},
      {kRelationshipsId, kCreatorSid, 0x000F00FE, true}, {kRelationshipsId, kAdminSid, 0x00060001, false},
      {kDatabasesId, kAdminSid, 0x00060000, false},  {kMSysDbId, kAdminSid, 0x0006000E, false},
      {kMSysDbId, kUsersSid, 0x0000000E, false},     {queries, kUsersSid, 0x00000014, false},
      {relationships, kUsersSid, 0x00000014, false}, {objects, kUsersSid, 0x00000014, false},
      {kTablesId, kUsersSid, 0x000FFEFF, true},      {kRelationshipsId, kUsersSid, 0x000FFFFF, true},
  };
}

std::vector<ColumnSpec> MSysObjectsColumns() {
  return {Col(u"Id", CT::Long),
          Col(u"ParentId", CT::Long),
          Col(u"Name", CT::Text, kNameBytes),
          Col(u"Type", CT::Integer),
          Col(u"DateCreate", CT::DateTime),
          Col(u"DateUpdate", CT::DateTime),
          Col(u"Owner", CT::Binary, kNameBytes, tdef::kColumnSecurityId),
          Col(u"Flags", CT::Long),
          Col(u"Database", CT::Memo),
          Col(u"Connect", CT::Memo),
          Col(u"ForeignName", CT::Text, kNameBytes),
          Col(u"RmtInfoShort", CT::Binary, kNameBytes),
          Col(u"RmtInfoLong", CT::Ole),
          Col(u"Lv", CT::Ole),
          Col(u"LvProp", CT::Ole),
          Col(u"LvModule", CT::Ole),
          Col(u"LvExtra", CT::Ole)};
}

std::vector<ColumnSpec> MSysACEsColumns() {
  return {Col(u"ObjectId", CT::Long), Col(u"SID", CT::Binary, kNameBytes, tdef::kColumnSecurityId),
          Col(u"ACM", CT::Long), Col(u"FInheritable", CT::Boolean)};
}

std::vector<ColumnSpec> MSysQueriesColumns() {
  return {Col(u"ObjectId", CT::Long),           Col(u"Attribute", CT::Byte),
          Col(u"Order", CT::Binary, kNameBytes), Col(u"Name1", CT::Text, kNameBytes),
          Col(u"Name2", CT::Text, kNameBytes),   Col(u"Expression", CT::Memo),
          Col(u"Flag", CT::Integer),             Col(u"LvExtra", CT::Long)};
}

std::vector<ColumnSpec> MSysRelationshipsColumns() {
  return {Col(u"szRelationship", CT::Text, kNameBytes), Col(u"grbit", CT::Long),
          Col(u"ccolumn", CT::Long),                    Col(u"icolumn", CT::Long),
          Col(u"szObject", CT::Text, kNameBytes),       Col(u"szColumn", CT::Text, kNameBytes),
          Col(u"szReferencedObject", CT::Text, kNameBytes), Col(u"szReferencedColumn", CT::Text, kNameBytes)};
}

TableDefinition MSysObjectsDefinition(const SystemPagePlan& plan) {
  const uint32_t h = plan.mapHolderPage;
  TableDefinition t = SystemTable(MSysObjectsColumns(), h, kObjectsOwnedMapRow, kObjectsFreeMapRow);
  t.realIndexes = {RealIndex({objects::kParentId, objects::kName},
                             MakeRowPointer(h, kIndexMapRows.objectsByParentIdName),
                             plan.indexRoots.objectsByParentIdName, kPrimaryIndexFlags),
                   RealIndex({objects::kId}, MakeRowPointer(h, kIndexMapRows.objectsById), plan.indexRoots.objectsById,
                             kPrimaryIndexFlags)};
  t.logicalIndexes = {{u"Id", 1, 1, tdef::kIndexKindPrimaryKey}, {u"ParentIdName", 0, 0, tdef::kIndexKindNormal}};
  // Long-value columns get map-row pairs in column-id order; the list itself is stored in
  // descriptor (name) order.
  const uint16_t longValueColumns[] = {8, 9, 12, 13, objects::kLvProp, 15, 16};
  for (const auto& c : t.columns) {
    const auto* found = std::find(std::begin(longValueColumns), std::end(longValueColumns), c.id);
    if (found == std::end(longValueColumns)) continue;
    const uint32_t row = kFirstLongValueMapRow + 2 * uint32_t(found - std::begin(longValueColumns));
    t.longValueMaps.push_back({c.id, MakeRowPointer(h, row), MakeRowPointer(h, row + 1)});
  }
  return t;
}

TableDefinition MSysACEsDefinition(const SystemPagePlan& plan) {
  const uint32_t h = plan.mapHolderPage;
  TableDefinition t = SystemTable(MSysACEsColumns(), h, kAcesOwnedMapRow, kAcesFreeMapRow);
  t.realIndexes = {RealIndex({aces::kObjectId}, MakeRowPointer(h, kIndexMapRows.acesByObjectId),
                             plan.indexRoots.acesByObjectId, kRequiredIndexFlags)};
  t.logicalIndexes = {{u"ObjectId", 0, 0, tdef::kIndexKindNormal}};
  return t;
}

TableDefinition MSysQueriesDefinition(const SystemPagePlan& plan) {
  const uint32_t h = plan.mapHolderPage;
  TableDefinition t = SystemTable(MSysQueriesColumns(), h, kQueriesOwnedMapRow, kQueriesFreeMapRow);
  t.realIndexes = {RealIndex({0, 1, 2}, MakeRowPointer(h, kIndexMapRows.queriesByObjectIdAttribute),
                             plan.indexRoots.queriesByObjectIdAttribute, kPrimaryIndexFlags)};
  t.logicalIndexes = {{u"ObjectIdAttribute", 0, 0, tdef::kIndexKindPrimaryKey}};
  t.longValueMaps = {{5, MakeRowPointer(h, kQueriesExpressionMapRow), MakeRowPointer(h, kQueriesExpressionMapRow + 1)}};
  return t;
}

TableDefinition MSysRelationshipsDefinition(const SystemPagePlan& plan) {
  const uint32_t h = plan.mapHolderPage;
  TableDefinition t = SystemTable(MSysRelationshipsColumns(), h, kRelationshipsOwnedMapRow, kRelationshipsFreeMapRow);
  t.realIndexes = {
      RealIndex({0}, MakeRowPointer(h, kIndexMapRows.relationshipsByName), plan.indexRoots.relationshipsByName,
                kIgnoreNullsIndexFlags),
      RealIndex({4}, MakeRowPointer(h, kIndexMapRows.relationshipsByObject), plan.indexRoots.relationshipsByObject,
                kIgnoreNullsIndexFlags),
      RealIndex({6}, MakeRowPointer(h, kIndexMapRows.relationshipsByReferencedObject),
                plan.indexRoots.relationshipsByReferencedObject, kIgnoreNullsIndexFlags)};
  t.logicalIndexes = {{u"szObject", 1, 1, tdef::kIndexKindNormal},
                      {u"szReferencedObject", 2, 2, tdef::kIndexKindNormal},
                      {u"szRelationship", 0, 0, tdef::kIndexKindNormal}};
  return t;
}

}  // namespace ipmdb::jet::catalog
