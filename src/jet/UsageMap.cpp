#include "jet/UsageMap.h"

#include <algorithm>

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

UsageMap UsageMap::Decode(std::span<const uint8_t> row) {
  ByteReader r(row, "用量表");
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
    throw JetError(ErrorKind::Corrupt, "数据库文件已损坏：用量表的类型 " + std::to_string(type) + " 无法识别。");
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

std::vector<uint32_t> ListUsageMapPages(std::span<const uint8_t> row, PageSource& source) {
  const UsageMap map = UsageMap::Decode(row);
  if (map.GetForm() == UsageMap::Form::Inline) return map.InlinePages();
  std::vector<uint32_t> pages;
  const auto& bitmapPages = map.BitmapPages();
  for (size_t slot = 0; slot < bitmapPages.size(); ++slot) {
    if (bitmapPages[slot] == 0) continue;
    const uint8_t* bitmap = source.Page(bitmapPages[slot]);
    if (bitmap[0] != uint8_t(PageType::UsageBitmap))
      throw JetError(ErrorKind::Corrupt, "数据库文件已损坏：第 " + std::to_string(bitmapPages[slot]) + " 页不是用量位图页。");
    const uint32_t base = uint32_t(slot) * usagemap::kPagesPerBitmapPage;
    for (uint32_t byte = 0; byte < kPageSize - usagemap::kBitmapPageHeaderSize; ++byte) {
      const uint8_t bits = bitmap[usagemap::kBitmapPageHeaderSize + byte];
      if (bits == 0) continue;
      for (uint32_t bit = 0; bit < 8; ++bit)
        if ((bits >> bit) & 1) pages.push_back(base + byte * 8 + bit);
    }
  }
  return pages;
}

}  // namespace ipmdb::jet
