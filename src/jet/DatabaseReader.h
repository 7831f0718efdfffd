// Reads a Jet 4 database: checks the header, loads the catalog (MSysObjects), finds tables by
// name and reads their definitions and rows. Used by the engine to load its catalog, by the dump
// tool and by tests; it trusts nothing it reads and reports damage as ErrorKind::Corrupt.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "jet/DatabaseHeader.h"
#include "jet/PageSource.h"
#include "jet/PropertyBlob.h"
#include "jet/RowCodec.h"
#include "jet/TableDefinition.h"

namespace ipmdb::jet {

struct CatalogEntry {
  int32_t id = 0;
  int32_t parentId = 0;
  std::u16string name;
  int16_t type = 0;
  uint32_t flags = 0;
  double dateCreate = 0;
  double dateUpdate = 0;
  std::vector<uint8_t> owner;       // security id, unmasked
  std::vector<uint8_t> properties;  // raw property blob (LvProp), empty when none
  uint32_t rowPointer = 0;          // where the catalog row itself lives

  bool IsTable() const;
  bool IsSystemObject() const;
  uint32_t DefinitionPage() const { return uint32_t(id) & 0x00FFFFFF; }
};

// The columns of MSysObjects that catalog entries are read from, found by name.
class CatalogColumns {
 public:
  // Throws ErrorKind::Corrupt naming the definition page when Id, Name, Type or Flags is missing
  // or a column of a known name has another type.
  CatalogColumns(const TableDefinition& objects, uint32_t definitionPage);
  // The entry of one decoded MSysObjects row (values by column id), its owner SID unmasked.
  CatalogEntry Entry(const std::vector<StoredValue>& values, uint32_t rowPointer, uint32_t sidKey) const;

 private:
  int FId = -1, FName = -1, FType = -1, FFlags = -1;
  int FParentId = -1, FOwner = -1, FLvProp = -1, FCreated = -1, FUpdated = -1;
};

class DatabaseReader {
 public:
  // Reads the header and the catalog. `path` only names the file in messages. The source must
  // outlive the reader.
  DatabaseReader(PageSource& source, std::string path);

  const DatabaseHeader& Header() const { return FHeader; }
  uint32_t SidKey() const { return FSidKey; }
  const std::vector<CatalogEntry>& Catalog() const { return FCatalog; }

  // The table of this exact name (case-sensitive, as most readers match), or nullptr.
  const CatalogEntry* FindTable(std::u16string_view name) const;

  // Throws ErrorKind::Corrupt when the page is not a table definition or the definition is damaged.
  TableDefinition ReadTableDefinition(uint32_t firstPage);

  // The table's data pages from its owned map, each checked to be a sound data page of this
  // table (DataPageFault).
  std::vector<uint32_t> DataPages(uint32_t definitionPage, const TableDefinition& table);

  // Calls `visit` for every live row of the table, in page order and then slot order (which for a
  // table filled by appending is insertion order).
  using RowVisitor = std::function<void(const std::vector<StoredValue>&)>;
  void ForEachRow(uint32_t definitionPage, const RowVisitor& visit);
  std::vector<std::vector<StoredValue>> ReadRows(uint32_t definitionPage);

  // The bytes of one row of a data page (following an overflow pointer once).
  std::vector<uint8_t> RowBytes(uint32_t rowPointer);

  PageSource& Source() { return FSource; }

 private:
  void LoadCatalog();

  PageSource& FSource;
  std::string FPath;
  DatabaseHeader FHeader;
  uint32_t FSidKey = 0;
  std::vector<CatalogEntry> FCatalog;
};

// The bytes of the data-page row a row pointer names, following an overflow pointer once (to a
// slot that may carry the deleted flag, as relocated rows do). Needs no catalog, so the page
// dump uses it on damaged files too. Throws ErrorKind::Corrupt when the pointer does not lead
// to a row of a data page.
std::vector<uint8_t> ReadRowBytes(PageSource& source, uint32_t rowPointer);

// A table definition as stored: its pages (the first, then the continuation pages) and its bytes
// as DecodeTableDefinition takes them, the first page whole and then bytes 8.. of each
// continuation page.
struct DefinitionChain {
  std::vector<uint32_t> pages;
  std::vector<uint8_t> bytes;
};

// Follows a definition from its first page. Throws ErrorKind::Corrupt naming the page where the
// chain goes wrong: a page that is not a table definition or lies past the end of the file, a
// page met twice, or a continuation page after the stated length is complete. `chain` then holds
// the pages followed so far.
void ReadDefinitionChain(PageSource& source, uint32_t firstPage, DefinitionChain& chain);

// Decodes the property blob of a catalog entry (empty when it has none).
std::vector<PropertyBlock> PropertiesOf(const CatalogEntry& entry);

}  // namespace ipmdb::jet
