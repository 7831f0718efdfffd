// The table definition (TDEF) of a Jet 4 table: the model the engine works with, and its
// encoding into the definition bytes that fill the table's first TDEF page and, past 4096 bytes,
// continuation pages.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "jet/Format.h"

namespace ipmdb::jet {

struct ColumnDefinition {
  std::u16string name;
  ColumnType type = ColumnType::Long;
  uint16_t id = 0;           // position in the null mask
  uint16_t varIndex = 0;     // variable columns: slot; fixed: number of variable columns before it
  uint16_t ordinal = 0;
  uint16_t collation = 0;    // LCID for text; Decimal columns keep precision and scale here
  uint8_t sortId = 0;
  uint8_t sortVersion = 0;
  uint8_t flags = 0;
  uint8_t extFlags = 0;
  uint16_t fixedOffset = 0;  // within the row's fixed area (fixed-length columns only)
  uint16_t length = 0;       // bytes: Text = 2 x characters; Memo/OLE 0; Boolean 1

  bool IsFixedLength() const;
  bool IsLongValue() const { return type == ColumnType::Memo || type == ColumnType::Ole; }
  bool AllowsCompression() const;
};

struct IndexColumnRef {
  uint16_t columnId = 0;
  uint8_t order = 0x01;  // ascending
};

struct RealIndexDefinition {
  std::vector<IndexColumnRef> columns;  // at most 10
  uint32_t usageMap = 0;                // row pointer of the map listing the index's pages
  uint32_t rootPage = 0;
  uint16_t flags = 0;
  uint32_t uniqueCount = 0;             // distinct keys, kept up to date by every insert
};

struct LogicalIndexDefinition {
  std::u16string name;
  uint32_t number = 0;
  uint32_t realIndex = 0;
  uint8_t kind = 0;  // normal, primary key, foreign key
};

struct LongValueColumnMaps {
  uint16_t columnId = 0;
  uint32_t ownedMap = 0;  // row pointers of the column's LVAL page maps
  uint32_t freeMap = 0;
};

struct TableDefinition {
  uint8_t tableType = 0;
  uint32_t rowCount = 0;
  uint32_t autoNumber = 0;
  int32_t autoIncrement = 1;
  uint16_t maxColumns = 0;       // column id high-water mark
  uint16_t variableColumns = 0;  // variable column high-water mark
  std::vector<ColumnDefinition> columns;               // in stored (descriptor) order
  std::vector<RealIndexDefinition> realIndexes;
  std::vector<LogicalIndexDefinition> logicalIndexes;  // in stored order (by name)
  std::vector<LongValueColumnMaps> longValueMaps;      // in stored order
  uint32_t ownedMap = 0;  // row pointer: the table's data pages
  uint32_t freeMap = 0;   // row pointer: data pages with room

  // The column with this id, or nullptr.
  const ColumnDefinition* ColumnById(uint16_t id) const;
};

// What a new column is: the layout (ids, variable slots, fixed offsets) is computed for it.
struct ColumnSpec {
  std::u16string name;
  ColumnType type = ColumnType::Long;
  uint16_t length = 0;  // bytes for Text and Binary; ignored for fixed types, which have their own
  uint16_t collation = 0;
  bool compressedUnicode = false;
  uint8_t extraFlags = 0;  // e.g. kColumnSecurityId
};

// The byte length of a fixed-length column type (Boolean counts 1, taking no row space).
uint16_t FixedLengthOf(ColumnType type);
bool IsFixedLengthType(ColumnType type);

// Builds the column definitions of a new table from specs given in column-id order. The engine's
// own system tables store their descriptors sorted by name with ordinal 0 and the system flag;
// user tables store them in id order with ordinal = id, as Access does.
std::vector<ColumnDefinition> LayOutColumns(const std::vector<ColumnSpec>& specs, bool systemTable);

// The definition bytes: header from offset 0 through the FF FF terminator. Its length is the
// definition length stored at offset 8.
std::vector<uint8_t> EncodeTableDefinition(const TableDefinition& table);

// Splits definition bytes over the given pages (first page, then continuation pages) and returns
// the page images. `pages` must hold exactly TableDefinitionPageCount(bytes.size()) numbers.
std::vector<std::vector<uint8_t>> LayOutTableDefinitionPages(std::span<const uint8_t> definition,
                                                             std::span<const uint32_t> pages);
size_t TableDefinitionPageCount(size_t definitionLength);

// The longest definition a Jet table can have: 64 real and 64 logical indexes, 255 columns, every
// name at its limit of 64 UTF-16 units, a long-value map for every column. A definition length
// above it is damage, and a continuation chain is never followed further.
inline constexpr size_t kMaxNameBytes = 128;
inline constexpr size_t kMaxIndexes = 64;
inline constexpr size_t kMaxDefinitionLength =
    0x3F + kMaxIndexes * (12 + 52) + kMaxColumns * (25 + 2 + kMaxNameBytes) + kMaxIndexes * (28 + 2 + kMaxNameBytes) +
    kMaxColumns * 10 + 2;

// Parses definition bytes assembled from the TDEF pages (first page whole, then bytes 8.. of
// every continuation page). Throws ErrorKind::Corrupt naming the table's page when anything the
// rest of the engine relies on does not hold: every count and name lies inside the stated
// definition length, which ends right after the terminator; column ids are below 255 and unique,
// and so are the variable-column slots; no column id or slot reaches past the table's high-water
// marks; a fixed column lies inside the longest row; a logical index names an existing real index.
TableDefinition DecodeTableDefinition(std::span<const uint8_t> definition, uint32_t firstPage);

}  // namespace ipmdb::jet
