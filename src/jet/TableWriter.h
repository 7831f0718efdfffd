// Appends rows to one table of an open database, through the pager. A row goes onto the table's
// last data page when it fits there (free space, fewer than 255 rows), otherwise onto a new page
// added at the end of the file. Each new page is entered in the table's owned-pages map, which
// starts inline (512 pages from page 0) and turns into the reference form, with bitmap pages of
// its own, once a page falls outside that window; the free-space map lists just the page being
// filled, in a 512-page window around it, as the Microsoft engine keeps it. The row count in the
// table definition is written once per transaction, before the commit.
//
// Threads and lifetime: used by the thread that owns the database; the pager must outlive it.
// Page pointers are cached only inside one transaction: EndTransaction() forgets them.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "jet/MapRows.h"
#include "jet/Pager.h"
#include "jet/TableDefinition.h"

namespace ipmdb::jet {

class TableWriter {
 public:
  // Checks, through the pager and before anything changes, every page that appending will touch:
  // the definition page, both map rows and the owned map's bitmap pages, and the last data page
  // with its offsets and free space. Throws ErrorKind::Corrupt naming the page that fails.
  TableWriter(Pager& pager, uint32_t definitionPage, const TableDefinition& table, std::string tableName);

  // REQUIRES an open transaction and a row of at most kMaxRowSize bytes. Throws only for a damaged
  // file or a failing read; the pages it changed then belong to the open transaction, which the
  // caller must roll back.
  void Append(std::span<const uint8_t> row);

  // Writes the row count of this transaction's appends into the table definition page.
  void FlushRowCount();
  // After a commit or a rollback: forget cached pages and pending counts.
  void EndTransaction();

  uint32_t DefinitionPage() const { return FDefinitionPage; }

 private:
  uint8_t* CurrentPage();
  // The last data page of the owned map, checked as the constructor says; 0 without one.
  uint32_t FindLastDataPage();
  uint8_t* AddPage();

  Pager& FPager;
  const uint32_t FDefinitionPage;
  const std::string FTableName;
  const std::string FOwner;  // "表“name”", for messages
  UsageMapEditor FOwnedMap;  // the table's data pages
  UsageMapEditor FFreeMap;   // its data pages with room
  const uint32_t FOwnedMapPointer;

  uint32_t FCurrentPage = 0;          // 0: not looked up in this transaction
  uint8_t* FCurrentBytes = nullptr;   // writable, valid until the transaction ends
  uint32_t FPendingRows = 0;
};

}  // namespace ipmdb::jet
