// Builds a complete new Jet 4 database in memory: the skeleton the Jet engine itself writes for
// an empty database (header, global map, the four system tables with their maps, indexes and
// catalog rows, access-control entries), plus user tables without rows and the property blobs of
// the database and of those tables. Pages 0 to 15 keep the engine's own layout.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "jet/Format.h"
#include "jet/PropertyBlob.h"

namespace ipmdb::jet {

struct NewColumn {
  std::u16string name;
  ColumnType type = ColumnType::Long;
  uint16_t length = 0;              // bytes for Text (2 x characters) and Binary
  uint16_t collation = 0;           // 0: the database's collation
  bool compressedUnicode = false;   // Text and Memo
  std::vector<Property> properties; // stored in the table's property blob under the column's name
};

struct NewTable {
  std::u16string name;  // printable ASCII without ' and -: it goes into the catalog's name index
  std::vector<NewColumn> columns;
};

struct NewDatabase {
  double creationDate = 0;       // OLE automation date; catalog rows get it in whole seconds
  uint32_t engineBuild = 0x261C; // build number of a Jet 4 engine
  uint16_t codePage = 1252;
  uint16_t collation = 0x0409;   // General (legacy): the catalog's index keys use its codes
  std::vector<Property> databaseProperties;  // MSysDb's property blob; none when empty
  std::vector<NewTable> tables;
};

// The whole file. Deterministic: the same description gives the same bytes. Throws
// ErrorKind::Unsupported when the description does not fit the single-page catalog layout.
std::vector<uint8_t> BuildDatabase(const NewDatabase& database);

}  // namespace ipmdb::jet
