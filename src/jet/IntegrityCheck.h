// The integrity check of a Jet 4 database, read-only: the header, every page, every table of the
// catalog (definition chain, columns, owned and free-space maps, row count, every row against
// its definition, long values), every table's indexes (order, uniqueness, one entry a row; the
// four system tables' entries also against their rows' keys), the global page map and the catalog
// itself. Every inconsistency is reported on its own line, beginning with the
// page (and row) where it lies; damage never stops the check, which reports what it cannot follow
// and goes on with the rest, and no damaged chain can make it loop.
//
// Memory does not grow with the file: pages are visited once in file order and given back to
// the system as the check goes, usage maps are asked about pages instead of being copied, and
// only the catalog, the table definitions and the rows of the four system tables are kept.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "jet/PageSource.h"

namespace ipmdb::jet {

struct CheckSummary {
  uint32_t pages = 0;     // whole pages of the file
  size_t tables = 0;      // tables the catalog lists, the system tables included
  uint64_t rows = 0;      // rows found in them
  uint64_t problems = 0;  // lines reported
};

// Receives each problem as one line, e.g. "第 16 页（表“IP”的定义）：行数为 1001，而数据页上有 1000 行。"
using ProblemReport = std::function<void(const std::string& problem)>;

// Checks the database whose pages `source` gives; `fileSize` is the file's length in bytes, so
// that a tail shorter than a page is reported. Throws ErrorKind::NotJet4 when there is no page or
// page 0 is not a Jet 4 header, and ErrorKind::Unsupported for an encrypted database: such a file
// cannot be checked at all. `path` only names the file in those messages.
CheckSummary CheckDatabase(PageSource& source, uint64_t fileSize, const std::string& path, const ProblemReport& report);

// The same for a file on disk, mapped read-only; ErrorKind::Io when it cannot be read.
CheckSummary CheckDatabaseFile(const std::string& path, const ProblemReport& report);

}  // namespace ipmdb::jet
