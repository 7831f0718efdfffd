// What the page dump knows before it prints any page: the decoded header and SID key, the
// catalog's table names, every table definition, and the roles that the header and the
// definitions give to pages and to usage-map rows. It is gathered once so that each page's
// section can say whose page it is. Nothing here trusts the file: what cannot be gathered is
// noted as a problem and the dump carries on without it.
#pragma once

#include <cstdint>
#include <exception>
#include <map>
#include <optional>
#include <ostream>
#include <set>
#include <string>
#include <vector>

#include "jet/DatabaseHeader.h"
#include "jet/PageSource.h"
#include "jet/TableDefinition.h"

namespace ipmdb::jetdump {

struct TableInfo {
  std::string name;                        // from the catalog, else "第 N 页上的表"
  std::vector<uint32_t> definitionPages;   // the first TDEF page, then its continuation pages
  std::optional<jet::TableDefinition> definition;
  std::string error;                       // why the definition could not be read
  std::optional<std::set<uint32_t>> ownedPages;  // the owned map's pages, when it could be read
};

struct DumpContext {
  DumpContext(jet::PageSource& pageSource, std::ostream& output) : source(pageSource), out(output) {}

  jet::PageSource& source;
  std::ostream& out;
  std::optional<jet::DatabaseHeader> header;
  std::string headerError;
  uint32_t sidKey = 0;                                      // valid when header is set
  std::map<uint32_t, TableInfo> tables;                     // by first TDEF page
  std::map<uint32_t, uint32_t> continuationOf;              // continuation TDEF page -> first page
  std::map<uint32_t, std::vector<std::string>> pageRoles;   // what the maps and definitions say a page is
  std::map<uint32_t, std::string> mapRowRoles;              // by row pointer of the usage-map row
  std::map<uint32_t, size_t> bitmapSlots;                   // bitmap page -> its slot in a reference map
  std::set<uint32_t> freePages;                             // listed as free by the global map
  std::vector<std::string> problems;                        // found while gathering
  size_t errors = 0;

  const TableInfo* TableAt(uint32_t definitionPage) const;
  // The catalog name of the table whose first TDEF page this is, or "第 N 页上的表".
  std::string TableName(uint32_t definitionPage) const;
  bool IsCatalogTable(uint32_t definitionPage, size_t which) const;  // which: index into header catalog pages
};

// Fills the context from the file; never throws for anything the file holds.
void GatherContext(DumpContext& context, const std::string& path);

// Prints "  错误：<message>" at the given indentation and counts it.
void ReportError(DumpContext& context, const std::exception& error, int indent = 2);

}  // namespace ipmdb::jetdump
