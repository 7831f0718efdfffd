// Usage-map rows as the writing side of the engine reaches them: through the pager, located by
// their row pointer on a holder page, checked before use, and changed by a UsageMapEditor.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "jet/Pager.h"

namespace ipmdb::jet {

// The row's bytes, checked before any use: a live, not relocated row of a sound data page that
// holds usage maps (owner 0, or 1 for the global maps), of a known form and long enough for it
// (a reference map has all 17 slots). ErrorKind::Corrupt naming the row and `owner` otherwise.
std::span<const uint8_t> ReadMapRow(Pager& pager, uint32_t rowPointer, const std::string& owner);

// The same bytes for change (REQUIRES an open transaction): the holder page joins it.
std::span<uint8_t> ModifyMapRow(Pager& pager, uint32_t rowPointer, const std::string& owner);

// One usage-map row, edited in place through the pager: the one place that adds a page to a map,
// finds the last page it lists, moves an inline map's window, and turns an inline map into the
// reference form once a page falls outside its window. The bits themselves change through
// PageBitsEditor. Every call reads the row afresh, so an editor stays valid across transactions.
class UsageMapEditor {
 public:
  // owner: who owns the map, as messages name it ("表“IP”"); name: the map itself, for messages
  // about its bitmap pages ("表“IP”的数据页表").
  UsageMapEditor(Pager& pager, uint32_t rowPointer, std::string owner, std::string name);

  // Checks the row (ReadMapRow) and, for a reference map, that every slot points at a bitmap
  // page of the file; ErrorKind::Corrupt otherwise.
  void Check();
  // The highest page the map lists, or 0 (the header page, which no map lists) for none.
  uint32_t LastPage();
  // REQUIRES an open transaction. Lists the page: its bit in the inline window or on its slot's
  // bitmap page, which is appended to the file when the slot has none. An inline map whose window
  // does not reach the page first becomes a reference map, its pages moved to bitmap pages.
  // ErrorKind::DiskFull past the last slot; ErrorKind::Unsupported for an inline row too short
  // to hold the reference form.
  void Add(uint32_t page);
  // The number of pages an inline map's window covers; 0 for a reference map.
  uint32_t WindowPages();
  // REQUIRES an open transaction and an inline map. Moves the window to start at `start` and lists
  // exactly the pages [first, end) of it; the row changes only when this changes it.
  void MoveWindow(uint32_t start, uint32_t first, uint32_t end);

 private:
  const uint8_t* BitmapPage(uint32_t page);
  void MakeReference(uint32_t page, std::span<uint8_t> row);
  uint32_t AddBitmapPage(size_t slot, std::span<const uint32_t> pages);
  [[noreturn]] void Full() const;

  Pager& FPager;
  const uint32_t FRowPointer;
  const std::string FOwner;
  const std::string FName;
};

// The global free-pages map row, checked as ReadMapRow does and to be of the inline form, the
// only one the engine updates (ErrorKind::Unsupported for the reference form).
std::span<const uint8_t> ReadGlobalFreeMap(Pager& pager, uint32_t freeMapPointer);

// Rewrites the global free-pages map for the file's current page count: pages past the end are
// free, every existing page is in use. The map keeps its size; once the file outgrows its window,
// the window moves up to the end of the file and the pages below it count as in use.
void UpdateGlobalFreeMap(Pager& pager, uint32_t freeMapPointer);

}  // namespace ipmdb::jet
