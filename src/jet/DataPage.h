// Data pages (type 0x01): rows packed from the end of the page downwards, a table of 16-bit row
// offsets after the 14-byte header. A row's length is implied by its neighbour: row 0 ends at the
// page end, row i at the start of row i - 1.
#pragma once

#include <cstdint>
#include <cstddef>
#include <optional>
#include <span>
#include <string>

#include "jet/Format.h"
#include "jet/PageLayout.h"

namespace ipmdb::jet {

// Fills a page image as an empty data page owned by `owner` (a TDEF page, or one of the special
// owners: usage-map holder, global map, long values).
void InitDataPage(uint8_t* page, uint32_t owner);

uint16_t DataPageRowCount(const uint8_t* page);
uint16_t DataPageFreeSpace(const uint8_t* page);
uint32_t DataPageOwner(const uint8_t* page);

// The room really left on the page: the gap between the end of the offset table and the lowest
// row. REQUIRES an offset table that fits the page (DataPageFault finds none).
size_t MeasuredDataPageFreeSpace(const uint8_t* page);

// What is wrong with a data page's header and offset table, or nothing. Sound means: the row
// count is at most kMaxRowsPerPage, every row lies between the end of the offset table and the
// page end, each row ends where the row before it begins (rows are packed downwards, deleted
// slots keep their place), and the free-space field equals the measured room. The text follows
// the page number in a message ("的可用空间…").
std::optional<std::string> DataPageFault(const uint8_t* page);

// True when a row of `length` bytes may go onto this page: it fits the free space with its
// offset entry, the page holds fewer than kMaxRowsPerPage rows and the row is within kMaxRowSize.
bool DataPageFits(const uint8_t* page, size_t length);

// Where slot `row` of the offset table lies in the page; the table of `count` slots ends at
// RowSlotOffset(count).
inline size_t RowSlotOffset(size_t row) { return datapage::kRowTableOffset + datapage::kRowTableEntrySize * row; }

// One slot of the offset table: the entry as stored, and what it says.
struct RowSlot {
  uint16_t entry;
  uint16_t offset;  // where the row starts
  bool deleted;     // the row was deleted, or is the new place of a row moved here (see DataPageRow)
  bool overflow;    // the row's first 4 bytes point to where the row really lives
};
// Slot `row` as it stands. REQUIRES row < kMaxRowsPerPage, so that the slot lies in the page; the
// offset is not checked against the page.
RowSlot DataPageSlot(const uint8_t* page, uint16_t row);

// Appends a row and returns its row index. REQUIRES DataPageFits and a sound page (no
// DataPageFault): the new row goes right below the lowest one.
uint16_t AppendDataPageRow(uint8_t* page, std::span<const uint8_t> row);

// Where a live row lies; nothing for a deleted slot. A row that Access moved to another page
// leaves an overflow pointer behind, and its new slot carries the deleted flag so that page
// scans do not meet the row twice: `relocationTarget` (set when following such a pointer)
// ignores that flag. Throws ErrorKind::Corrupt naming the page when the offset table does not
// describe rows inside the page.
struct RowExtent {
  uint16_t offset;
  uint16_t length;
  bool overflow;  // the row's first 4 bytes point to where the row really lives
};
std::optional<RowExtent> DataPageRow(const uint8_t* page, uint32_t pageNumber, uint16_t row,
                                     bool relocationTarget = false);

}  // namespace ipmdb::jet
