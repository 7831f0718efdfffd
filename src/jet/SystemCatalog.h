// The engine's own catalog: the four system tables every Jet 4 database holds (MSysObjects,
// MSysACEs, MSysQueries, MSysRelationships) with their exact column layout and indexes, the
// well-known object ids, types and flags of catalog rows, and the default-workgroup security
// identifiers with the access masks the engine grants them.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "jet/TableDefinition.h"

namespace ipmdb::jet::catalog {

// MSysObjects.Id of the containers and of the database object.
inline constexpr int32_t kRootId = 0x0F000000;  // parent of the containers; has no row of its own
inline constexpr int32_t kTablesId = 0x0F000001;
inline constexpr int32_t kDatabasesId = 0x0F000002;
inline constexpr int32_t kRelationshipsId = 0x0F000003;
inline constexpr int32_t kMSysDbId = 0x10000000;

// MSysObjects.Type; readers compare Type & kTypeMask.
inline constexpr int16_t kTypeTable = 1;
inline constexpr int16_t kTypeDatabase = 2;
inline constexpr int16_t kTypeContainer = 3;
inline constexpr int16_t kTypeMask = 0x7F;

// MSysObjects.Flags.
inline constexpr uint32_t kFlagEngineSystemObject = 0x80000000;
inline constexpr uint32_t kFlagAccessSystemObject = 0x00000002;
inline constexpr uint32_t kSystemObjectMask = kFlagEngineSystemObject | kFlagAccessSystemObject;

// Security identifiers of the default workgroup, in plain form (they are stored masked).
using Sid = std::array<uint8_t, 2>;
inline constexpr Sid kAdminSid{0x03, 0x01};    // the admin user: owner of MSysDb and of user objects
inline constexpr Sid kUsersSid{0x02, 0x01};    // the Users group: everyone
inline constexpr Sid kEngineSid{0x02, 0x03};   // owner of the containers and the system tables
inline constexpr Sid kCreatorSid{0x02, 0x04};  // pseudo-account of inheritable container entries

// Access masks (DAO permission bits).
inline constexpr int32_t kAcmUserTableFull = 0x000FFEFF;  // admin and Users on a new user table

// TDEF pages of the four system tables (page 0 points at them; readers assume page 2 for
// MSysObjects).
inline constexpr uint32_t kMSysObjectsPage = 2;
inline constexpr uint32_t kMSysACEsPage = 3;
inline constexpr uint32_t kMSysQueriesPage = 4;
inline constexpr uint32_t kMSysRelationshipsPage = 5;

// Their names, in the same order as the header's four catalog page pointers.
inline constexpr std::array<const char16_t*, 4> kSystemTableNames = {u"MSysObjects", u"MSysACEs", u"MSysQueries",
                                                                     u"MSysRelationships"};

// Column ids of MSysObjects and MSysACEs.
namespace objects {
inline constexpr uint16_t kId = 0, kParentId = 1, kName = 2, kType = 3, kDateCreate = 4, kDateUpdate = 5,
                          kOwner = 6, kFlags = 7, kLvProp = 14, kColumnCount = 17;
}
namespace aces {
inline constexpr uint16_t kObjectId = 0, kSid = 1, kAcm = 2, kInheritable = 3, kColumnCount = 4;
}

// One MSysObjects row as the builder writes it (plain SID).
struct ObjectRow {
  int32_t id;
  int32_t parentId;
  std::u16string name;
  int16_t type;
  uint32_t flags;
  Sid owner;
};

// One MSysACEs row (plain SID).
struct AceRow {
  int32_t objectId;
  Sid sid;
  int32_t acm;
  bool inheritable;
};

// The catalog rows the Jet engine writes into every new database, in its stored order.
std::vector<ObjectRow> EngineObjectRows();
std::vector<AceRow> EngineAceRows();

// Column specs of the system tables, in column-id order.
std::vector<ColumnSpec> MSysObjectsColumns();
std::vector<ColumnSpec> MSysACEsColumns();
std::vector<ColumnSpec> MSysQueriesColumns();
std::vector<ColumnSpec> MSysRelationshipsColumns();

// Where the system tables keep their usage maps and index roots: all maps are rows of one holder
// page, all indexes single leaves, in the layout the Jet engine gives a new database.
// A number for each of the system tables' seven indexes: the page of its root, or the row of its
// map on the holder page.
struct SystemIndexes {
  uint32_t objectsByParentIdName;    // MSysObjects (ParentId, Name)
  uint32_t objectsById;              // MSysObjects (Id)
  uint32_t acesByObjectId;           // MSysACEs (ObjectId)
  uint32_t queriesByObjectIdAttribute;  // MSysQueries (ObjectId, Attribute, Order)
  uint32_t relationshipsByName;      // MSysRelationships (szRelationship)
  uint32_t relationshipsByObject;    // MSysRelationships (szObject)
  uint32_t relationshipsByReferencedObject;  // MSysRelationships (szReferencedObject)
};
// Every index, to go through them all.
inline constexpr std::array<uint32_t SystemIndexes::*, 7> kEverySystemIndex{
    &SystemIndexes::objectsByParentIdName, &SystemIndexes::objectsById,
    &SystemIndexes::acesByObjectId,        &SystemIndexes::queriesByObjectIdAttribute,
    &SystemIndexes::relationshipsByName,   &SystemIndexes::relationshipsByObject,
    &SystemIndexes::relationshipsByReferencedObject};

struct SystemPagePlan {
  uint32_t mapHolderPage;
  SystemIndexes indexRoots;
};

// The four system table definitions (row counts and unique counts zero; the builder fills them).
TableDefinition MSysObjectsDefinition(const SystemPagePlan& plan);
TableDefinition MSysACEsDefinition(const SystemPagePlan& plan);
TableDefinition MSysQueriesDefinition(const SystemPagePlan& plan);
TableDefinition MSysRelationshipsDefinition(const SystemPagePlan& plan);

// Map rows on the holder page, by row index, in the order the Jet engine lays them out.
inline constexpr uint32_t kSystemMapRows = 31;
inline constexpr uint32_t kObjectsOwnedMapRow = 0, kObjectsFreeMapRow = 1;
inline constexpr uint32_t kLvPropOwnedMapRow = 10, kLvPropFreeMapRow = 11;
inline constexpr uint32_t kAcesOwnedMapRow = 18, kAcesFreeMapRow = 19;
inline constexpr uint32_t kQueriesOwnedMapRow = 21, kQueriesFreeMapRow = 22;
inline constexpr uint32_t kQueriesExpressionMapRow = 23;  // and 24: its LVAL pages
inline constexpr uint32_t kRelationshipsOwnedMapRow = 26, kRelationshipsFreeMapRow = 27;
// The owned/free LVAL maps of MSysObjects' long-value columns, by column id: pairs from row 2 on,
// in column-id order (Database, Connect, RmtInfoLong, Lv, LvProp, LvModule, LvExtra).
inline constexpr uint32_t kFirstLongValueMapRow = 2;
inline constexpr SystemIndexes kIndexMapRows{16, 17, 20, 25, 28, 29, 30};

}  // namespace ipmdb::jet::catalog
