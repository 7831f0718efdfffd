// Usage maps: the rows that list a set of pages (a table's data pages, the pages that still have
// room, an index's pages, the file's free pages). Two forms share one 69-byte row: inline, a
// start page and a bitmap covering 512 pages from it; reference, 17 pointers to bitmap pages of
// type 0x05, slot k covering pages k x 32736 to (k + 1) x 32736 - 1.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <vector>

#include "jet/PageLayout.h"

namespace ipmdb::jet {

class PageSource;

class UsageMap {
 public:
  enum class Form { Inline, Reference };

  static UsageMap MakeInline(uint32_t startPage, size_t bitmapBytes = usagemap::kInlineBitmapBytes);
  static UsageMap MakeReference();
  // Parses a map row. Throws ErrorKind::Corrupt for an unknown type or a row too short.
  static UsageMap Decode(std::span<const uint8_t> row);

  Form GetForm() const { return FForm; }

  // Inline form.
  uint32_t StartPage() const { return FStartPage; }
  size_t BitmapBytes() const { return FBitmap.size(); }
  bool Covers(uint32_t page) const;   // the page falls inside the bitmap's window
  bool Contains(uint32_t page) const;  // covered and its bit set
  void Set(uint32_t page, bool inMap);  // requires Covers(page)
  std::vector<uint32_t> InlinePages() const;

  // Reference form: the bitmap page of each slot, 0 where the slot has none.
  const std::array<uint32_t, usagemap::kReferenceSlots>& BitmapPages() const { return FBitmapPages; }
  void SetBitmapPage(size_t slot, uint32_t page) { FBitmapPages[slot] = page; }
  static size_t SlotOf(uint32_t page) { return page / usagemap::kPagesPerBitmapPage; }
  static uint32_t BitOf(uint32_t page) { return page % usagemap::kPagesPerBitmapPage; }

  std::vector<uint8_t> Encode() const;

 private:
  Form FForm = Form::Inline;
  uint32_t FStartPage = 0;
  std::vector<uint8_t> FBitmap;
  std::array<uint32_t, usagemap::kReferenceSlots> FBitmapPages{};
};

// A fresh bitmap page (type 0x05) with the given pages of its slot set.
std::vector<uint8_t> EncodeBitmapPage(size_t slot, std::span<const uint32_t> pages);
// Sets or clears one page's bit on a bitmap page image.
void SetBitmapPageBit(uint8_t* bitmapPage, uint32_t page, bool inMap);
bool BitmapPageBit(const uint8_t* bitmapPage, uint32_t page);

// Every page a map row lists, ascending; reference maps read their bitmap pages from `source`.
// Throws ErrorKind::Corrupt when a bitmap page is missing or of the wrong type.
std::vector<uint32_t> ListUsageMapPages(std::span<const uint8_t> row, PageSource& source);

}  // namespace ipmdb::jet
