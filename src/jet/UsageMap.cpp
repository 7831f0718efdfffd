#include "jet/UsageMap.h"

#include <algorithm>
#include <string>

#include "jet/Bytes.h"
#include "jet/Error.h"
#include "jet/PageSource.h"

namespace ipmdb::jet {

namespace {

std::span<const uint8_t> BitmapPageBits(const uint8_t* page) {
  return {page + usagemap::kBitmapPageHeaderSize, kPageSize - usagemap::kBitmapPageHeaderSize};
}

uint32_t FirstPageOfSlot(size_t slot) { return uint32_t(slot) * usagemap::kPagesPerBitmapPage; }

}  // namespace

PageBits PageBits::OfBitmapPage(const uint8_t* page, size_t slot) {
  return PageBits(BitmapPageBits(page), FirstPageOfSlot(slot));
}

std::optional<uint32_t> PageBits::Last() const {
  for (size_t byte = FBits.size(); byte-- > 0;) {
    if (FBits[byte] == 0) continue;
    for (int bit = 7; bit >= 0; --bit)
      if ((FBits[byte] >> bit) & 1) return FFirst + uint32_t(byte * 8 + size_t(bit));
  }
  return std::nullopt;
}

PageBitsEditor PageBitsEditor::OfBitmapPage(uint8_t* page, size_t slot) {
  return PageBitsEditor({page + usagemap::kBitmapPageHeaderSize, kPageSize - usagemap::kBitmapPageHeaderSize},
                        FirstPageOfSlot(slot));
}

void PageBitsEditor::Set(uint32_t page, bool inMap) {
  const uint32_t bit = page - FFirst;
  if (inMap)
    FWritable[bit / 8] |= uint8_t(1u << (bit % 8));
  else
    FWritable[bit / 8] &= uint8_t(~(1u << (bit % 8)));
}

UsageMap UsageMap::MakeInline(uint32_t startPage, size_t bitmapBytes) {
  UsageMap map;
  map.FForm = Form::Inline;
  map.FStartPage = startPage;
  map.FBitmap.assign(bitmapBytes, 0);
  return map;
}

UsageMap UsageMap::MakeReference() {
  UsageMap map;
  map.FForm = Form::Reference;
  return map;
}

UsageMap UsageMap::Decode(std::span<const uint8_t> row, uint32_t rowPointer) {
  const ErrorPlace place{RowPointerPage(rowPointer), RowPointerRow(rowPointer)};
  const std::string what = PlaceText(place) + "的用量表";
  ByteReader r(row, what.c_str(), place);
  const uint8_t type = r.U8();
  UsageMap map;
  if (type == usagemap::kInline) {
    map.FForm = Form::Inline;
    map.FStartPage = r.U32();
    auto bitmap = r.Bytes(r.Remaining());
    map.FBitmap.assign(bitmap.begin(), bitmap.end());
  } else if (type == usagemap::kReference) {
    map.FForm = Form::Reference;
    for (size_t slot = 0; slot < usagemap::kReferenceSlots && r.Remaining() >= 4; ++slot)
      map.FBitmapPages[slot] = r.U32();
  } else {
    throw CorruptRow(RowPointerPage(rowPointer), RowPointerRow(rowPointer),
                     "的用量表的类型 " + std::to_string(type) + " 无法识别。");
  }
  return map;
}

bool UsageMap::Covers(uint32_t page) const { return PageBits(FBitmap, FStartPage).Covers(page); }

bool UsageMap::Contains(uint32_t page) const { return PageBits(FBitmap, FStartPage).Contains(page); }

void UsageMap::Set(uint32_t page, bool inMap) {
  if (!Covers(page)) throw JetError(ErrorKind::Misuse, "第 " + std::to_string(page) + " 页不在用量表的范围内。");
  PageBitsEditor(FBitmap, FStartPage).Set(page, inMap);
}

std::vector<uint32_t> UsageMap::InlinePages() const {
  std::vector<uint32_t> pages;
  PageBits(FBitmap, FStartPage).ForEach([&pages](uint32_t page) {
    pages.push_back(page);
    return true;
  });
  return pages;
}

std::vector<uint8_t> UsageMap::Encode() const {
  if (FForm == Form::Inline) {
    std::vector<uint8_t> row(usagemap::kBitmapOffset + FBitmap.size());
    row[usagemap::kTypeOffset] = usagemap::kInline;
    PutU32(&row[usagemap::kStartPageOffset], FStartPage);
    std::copy(FBitmap.begin(), FBitmap.end(), row.begin() + usagemap::kBitmapOffset);
    return row;
  }
  std::vector<uint8_t> row(usagemap::kRowSize);
  row[usagemap::kTypeOffset] = usagemap::kReference;
  for (size_t slot = 0; slot < FBitmapPages.size(); ++slot)
    PutU32(&row[usagemap::kReferencePagesOffset + 4 * slot], FBitmapPages[slot]);
  return row;
}

std::vector<uint8_t> EncodeBitmapPage(size_t slot, std::span<const uint32_t> pages) {
  std::vector<uint8_t> page(kPageSize, 0);
  StartPage(page.data(), PageType::UsageBitmap);
  PageBitsEditor bits = PageBitsEditor::OfBitmapPage(page.data(), slot);
  for (uint32_t p : pages)
    if (bits.Covers(p)) bits.Set(p, true);
  return page;
}

bool BitmapPageBit(const uint8_t* bitmapPage, uint32_t page) {
  return PageBits::OfBitmapPage(bitmapPage, UsageMap::SlotOf(page)).Contains(page);
}

UsageMapView::UsageMapView(std::span<const uint8_t> row, uint32_t rowPointer, PageSource& source)
    : FMap(UsageMap::Decode(row, rowPointer)) {
  if (FMap.GetForm() == UsageMap::Form::Inline) return;
  const auto& bitmapPages = FMap.BitmapPages();
  for (size_t slot = 0; slot < bitmapPages.size(); ++slot) {
    const uint32_t page = bitmapPages[slot];
    if (page == 0) continue;
    auto fail = [&](const std::string& why) {
      return CorruptRow(RowPointerPage(rowPointer), RowPointerRow(rowPointer),
                        "的用量表的槽 " + std::to_string(slot) + " 指向第 " + std::to_string(page) + " 页，" + why);
    };
    if (page >= source.PageCount()) throw fail("而文件只有 " + std::to_string(source.PageCount()) + " 页。");
    const uint8_t* bitmap = source.Page(page);
    if (bitmap[0] != uint8_t(PageType::UsageBitmap)) throw fail("它不是用量位图页。");
    FBitmaps[slot] = bitmap;
  }
}

bool UsageMapView::Lists(uint32_t page) const {
  if (FMap.GetForm() == UsageMap::Form::Inline) return FMap.Contains(page);
  const size_t slot = UsageMap::SlotOf(page);
  return slot < FBitmaps.size() && FBitmaps[slot] && BitmapPageBit(FBitmaps[slot], page);
}

std::vector<uint32_t> ListUsageMapPages(std::span<const uint8_t> row, uint32_t rowPointer, PageSource& source) {
  std::vector<uint32_t> pages;
  UsageMapView(row, rowPointer, source).ForEachPage([&](uint32_t page) {
    pages.push_back(page);
    return true;
  });
  return pages;
}

}  // namespace ipmdb::jet
