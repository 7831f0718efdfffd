// Usage maps: the rows that list a set of pages (a table's data pages, the pages that still have
// room, an index's pages, the file's free pages). Two forms share one 69-byte row: inline, a
// start page and a bitmap covering 512 pages from it; reference, 17 pointers to bitmap pages of
// type 0x05, slot k covering pages k x 32736 to (k + 1) x 32736 - 1.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "jet/PageLayout.h"

namespace ipmdb::jet {

class PageSource;

// The bits of a usage map wherever they lie, in an inline row's bitmap or on a bitmap page: bit k
// of the bytes, the least significant bit of each byte first, stands for page first + k. The one
// place that does the bit arithmetic of both forms.
class PageBits {
 public:
  PageBits(std::span<const uint8_t> bits, uint32_t first) : FBits(bits), FFirst(first) {}
  // The bits of a bitmap page image of slot `slot`.
  static PageBits OfBitmapPage(const uint8_t* page, size_t slot);

  bool Covers(uint32_t page) const { return page >= FFirst && size_t(page - FFirst) < FBits.size() * 8; }
  bool Contains(uint32_t page) const {
    return Covers(page) && (FBits[(page - FFirst) / 8] >> ((page - FFirst) % 8)) & 1;
  }
  // The highest page set, if any.
  std::optional<uint32_t> Last() const;
  // Calls `visit` for every page set, ascending, until it returns false; returns whether it did not.
  template <typename Visit>
  bool ForEach(Visit&& visit) const;

 protected:
  std::span<const uint8_t> FBits;
  uint32_t FFirst;
};

// The same bits, for change.
class PageBitsEditor : public PageBits {
 public:
  PageBitsEditor(std::span<uint8_t> bits, uint32_t first) : PageBits(bits, first), FWritable(bits.data()) {}
  static PageBitsEditor OfBitmapPage(uint8_t* page, size_t slot);
  // REQUIRES Covers(page).
  void Set(uint32_t page, bool inMap);

 private:
  uint8_t* FWritable;
};

class UsageMap {
 public:
  enum class Form { Inline, Reference };

  static UsageMap MakeInline(uint32_t startPage, size_t bitmapBytes = usagemap::kInlineBitmapBytes);
  static UsageMap MakeReference();
  // Parses a map row. Throws ErrorKind::Corrupt naming the row (`rowPointer`, where the row
  // lives) for an unknown type or a row too short.
  static UsageMap Decode(std::span<const uint8_t> row, uint32_t rowPointer);

  Form GetForm() const { return FForm; }

  // Inline form.
  uint32_t StartPage() const { return FStartPage; }
  size_t BitmapBytes() const { return FBitmap.size(); }
  std::span<const uint8_t> Bitmap() const { return FBitmap; }
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
// Whether one page's bit is set on a bitmap page image.
bool BitmapPageBit(const uint8_t* bitmapPage, uint32_t page);

// A map row of a file read for many questions: which pages it lists, in order, and whether it
// lists a given page, without copying its bitmap pages. The constructor throws ErrorKind::Corrupt
// naming the row (`rowPointer`) when the row cannot be decoded or a bitmap page of a reference
// map lies past the end of the file or is not a bitmap page. Borrows the source's pages.
class UsageMapView {
 public:
  UsageMapView(std::span<const uint8_t> row, uint32_t rowPointer, PageSource& source);

  const UsageMap& Map() const { return FMap; }
  bool Lists(uint32_t page) const;
  // Calls `visit` for every listed page, ascending; stops early when `visit` returns false.
  template <typename Visit>
  void ForEachPage(Visit&& visit) const;

 private:
  UsageMap FMap;
  std::array<const uint8_t*, usagemap::kReferenceSlots> FBitmaps{};  // reference form, by slot
};

// Every page a map row lists, ascending (see UsageMapView).
std::vector<uint32_t> ListUsageMapPages(std::span<const uint8_t> row, uint32_t rowPointer, PageSource& source);

template <typename Visit>
bool PageBits::ForEach(Visit&& visit) const {
  for (size_t byte = 0; byte < FBits.size(); ++byte) {
    if (FBits[byte] == 0) continue;
    for (uint32_t bit = 0; bit < 8; ++bit)
      if (((FBits[byte] >> bit) & 1) && !visit(FFirst + uint32_t(byte * 8 + bit))) return false;
  }
  return true;
}

template <typename Visit>
void UsageMapView::ForEachPage(Visit&& visit) const {
  if (FMap.GetForm() == UsageMap::Form::Inline) {
    PageBits(FMap.Bitmap(), FMap.StartPage()).ForEach(visit);
    return;
  }
  for (size_t slot = 0; slot < FBitmaps.size(); ++slot)
    if (FBitmaps[slot] && !PageBits::OfBitmapPage(FBitmaps[slot], slot).ForEach(visit)) return;
}

}  // namespace ipmdb::jet
