#include "jet/UsageMap.h"

#include <algorithm>
#include <string>

#include "jet/Bytes.h"
#include "jet/Error.h"
#include "jet/PageSource.h"

namespace ipmdb::jet {

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
  const std::string what = RowText(RowPointerPage(rowPointer), RowPointerRow(rowPointer)) + "的用量表";
  ByteReader r(row, what.c_str());
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

bool UsageMap::Covers(uint32_t page) const {
  return page >= FStartPage && size_t(page - FStartPage) < FBitmap.size() * 8;
}

bool UsageMap::Contains(uint32_t page) const {
  if (!Covers(page)) return false;
  const uint32_t bit = page - FStartPage;
  return (FBitmap[bit / 8] >> (bit % 8)) & 1;
}

void UsageMap::Set(uint32_t page, bool inMap) {
  if (!Covers(page)) throw JetError(ErrorKind::Misuse, "第 " + std::to_string(page) + " 页不在用量表的范围内。");
  const uint32_t bit = page - FStartPage;
  if (inMap)
    FBitmap[bit / 8] |= uint8_t(1u << (bit % 8));
  else
    FBitmap[bit / 8] &= uint8_t(~(1u << (bit % 8)));
}

std::vector<uint32_t> UsageMap::InlinePages() const {
  std::vector<uint32_t> pages;
  for (size_t byte = 0; byte < FBitmap.size(); ++byte)
    for (uint32_t bit = 0; bit < 8; ++bit)
      if ((FBitmap[byte] >> bit) & 1) pages.push_back(FStartPage + uint32_t(byte * 8 + bit));
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
  page[0] = uint8_t(PageType::UsageBitmap);
  page[1] = 0x01;
  for (uint32_t p : pages)
    if (UsageMap::SlotOf(p) == slot) SetBitmapPageBit(page.data(), p, true);
  return page;
}

void SetBitmapPageBit(uint8_t* bitmapPage, uint32_t page, bool inMap) {
  const uint32_t bit = UsageMap::BitOf(page);
  uint8_t& byte = bitmapPage[usagemap::kBitmapPageHeaderSize + bit / 8];
  if (inMap)
    byte |= uint8_t(1u << (bit % 8));
  else
    byte &= uint8_t(~(1u << (bit % 8)));
}

bool BitmapPageBit(const uint8_t* bitmapPage, uint32_t page) {
  const uint32_t bit = UsageMap::BitOf(page);
  return (bitmapPage[usagemap::kBitmapPageHeaderSize + bit / 8] >> (bit % 8)) & 1;
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
