#include "jet/TableWriter.h"

#include <algorithm>
#include <string>
#include <vector>

#include "jet/Bytes.h"
#include "jet/DataPage.h"
#include "jet/Error.h"
#include "jet/MapRows.h"
#include "jet/PageLayout.h"
#include "jet/UsageMap.h"

namespace ipmdb::jet {
namespace {

constexpr uint32_t kNoPage = 0;  // page 0 is the header, never a data page

uint32_t HighestPageOfBitmapPage(const uint8_t* bitmap, size_t slot) {
  for (size_t byte = kPageSize - usagemap::kBitmapPageHeaderSize; byte-- > 0;) {
    const uint8_t bits = bitmap[usagemap::kBitmapPageHeaderSize + byte];
    if (bits == 0) continue;
    for (int bit = 7; bit >= 0; --bit)
      if ((bits >> bit) & 1) return uint32_t(slot) * usagemap::kPagesPerBitmapPage + uint32_t(byte * 8 + bit);
  }
  return kNoPage;
}

}  // namespace

TableWriter::TableWriter(Pager& pager, uint32_t definitionPage, const TableDefinition& table, std::string tableName)
    : FPager(pager),
      FDefinitionPage(definitionPage),
      FOwnedMap(table.ownedMap),
      FFreeMap(table.freeMap),
      FTableName(std::move(tableName)),
      FOwner("表“" + FTableName + "”") {
  // Everything an append may change is checked now, before the first transaction: the
  // definition page, both map rows with the owned map's bitmap pages, and the last data page.
  if (FDefinitionPage >= FPager.PageCount() || FPager.Read(FDefinitionPage)[0] != uint8_t(PageType::TableDefinition))
    throw CorruptPage(FDefinitionPage, "不是" + FOwner + "的表定义页。");
  const UsageMap owned = UsageMap::Decode(ReadMapRow(FPager, FOwnedMap, FOwner), FOwnedMap);
  if (owned.GetForm() == UsageMap::Form::Reference)
    for (uint32_t bitmap : owned.BitmapPages())
      if (bitmap != 0) BitmapPage(bitmap);
  ReadMapRow(FPager, FFreeMap, FOwner);
  FindLastDataPage();
}

const uint8_t* TableWriter::BitmapPage(uint32_t page) {
  if (page >= FPager.PageCount() || FPager.Read(page)[0] != uint8_t(PageType::UsageBitmap))
    throw CorruptRow(RowPointerPage(FOwnedMap), RowPointerRow(FOwnedMap),
                     "（" + FOwner + "的数据页表）指向第 " + std::to_string(page) + " 页作为位图页，它不是位图页。");
  return FPager.Read(page);
}

uint32_t TableWriter::FindLastDataPage() {
  const UsageMap map = UsageMap::Decode(ReadMapRow(FPager, FOwnedMap, FOwner), FOwnedMap);
  uint32_t last = kNoPage;
  if (map.GetForm() == UsageMap::Form::Inline) {
    const auto pages = map.InlinePages();
    if (!pages.empty()) last = pages.back();
  } else {
    const auto& bitmapPages = map.BitmapPages();
    for (size_t slot = bitmapPages.size(); slot-- > 0 && last == kNoPage;)
      if (bitmapPages[slot] != 0) last = HighestPageOfBitmapPage(BitmapPage(bitmapPages[slot]), slot);
  }
  if (last == kNoPage) return last;
  // New rows go right below the last row of this page: its offsets and free space must be true.
  if (last >= FPager.PageCount())
    throw CorruptRow(RowPointerPage(FOwnedMap), RowPointerRow(FOwnedMap),
                     "（" + FOwner + "的数据页表）列出了第 " + std::to_string(last) + " 页，而文件只有 " +
                         std::to_string(FPager.PageCount()) + " 页。");
  const uint8_t* bytes = FPager.Read(last);
  if (bytes[0] != uint8_t(PageType::Data) || DataPageOwner(bytes) != FDefinitionPage)
    throw CorruptPage(last, "列在" + FOwner + "的数据页表中，却不是该表的数据页。");
  if (const auto fault = DataPageFault(bytes)) throw CorruptPage(last, *fault);
  return last;
}

uint8_t* TableWriter::CurrentPage() {
  if (FCurrentPage == kNoPage) {
    FCurrentPage = FindLastDataPage();
    FCurrentBytes = FCurrentPage == kNoPage ? nullptr : FPager.Modify(FCurrentPage);
  }
  return FCurrentBytes;
}

void TableWriter::Append(std::span<const uint8_t> row) {
  uint8_t* page = CurrentPage();
  if (page == nullptr || !DataPageFits(page, row.size())) page = AddPage();
  AppendDataPageRow(page, row);
  ++FPendingRows;
}

uint8_t* TableWriter::AddPage() {
  const uint32_t number = FPager.Append();
  uint8_t* bytes = FPager.Modify(number);
  InitDataPage(bytes, FDefinitionPage);
  AddToOwnedMap(number);
  MoveFreeMapTo(number);
  FCurrentPage = number;
  FCurrentBytes = bytes;
  return bytes;
}

void TableWriter::AddToOwnedMap(uint32_t page) {
  std::span<uint8_t> row = ModifyMapRow(FPager, FOwnedMap, FOwner);
  UsageMap map = UsageMap::Decode(row, FOwnedMap);
  if (map.GetForm() == UsageMap::Form::Inline) {
    if (map.Covers(page)) {
      const uint32_t bit = page - map.StartPage();
      row[usagemap::kBitmapOffset + bit / 8] |= uint8_t(1u << (bit % 8));
      return;
    }
    ConvertOwnedMapToReference(page, row.data(), row.size());
    return;
  }
  const size_t slot = UsageMap::SlotOf(page);
  if (slot >= usagemap::kReferenceSlots)
    throw JetError(ErrorKind::DiskFull, "表“" + FTableName + "”已达到 Jet 数据库文件的最大容量。");
  if (map.BitmapPages()[slot] != 0) {
    BitmapPage(map.BitmapPages()[slot]);
    SetBitmapPageBit(FPager.Modify(map.BitmapPages()[slot]), page, true);
    return;
  }
  const uint32_t pages[] = {page};
  const uint32_t bitmap = AddBitmapPage(slot, pages);
  // AddBitmapPage appended a page; the row pointer of the map is unchanged, re-fetch its bytes.
  PutU32(ModifyMapRow(FPager, FOwnedMap, FOwner).data() + usagemap::kReferencePagesOffset + 4 * slot, bitmap);
}

// The inline map cannot reach this page: every page it lists, and the new one, move to bitmap
// pages, and the same row becomes a reference map pointing at them.
void TableWriter::ConvertOwnedMapToReference(uint32_t page, uint8_t* row, size_t length) {
  if (length < usagemap::kRowSize)
    throw JetError(ErrorKind::Unsupported, "表“" + FTableName + "”的用量表过短，无法改为引用形式。");
  std::vector<uint32_t> pages = UsageMap::Decode({row, length}, FOwnedMap).InlinePages();
  pages.push_back(page);
  UsageMap reference = UsageMap::MakeReference();
  std::vector<size_t> slots;
  for (uint32_t p : pages)
    if (slots.empty() || slots.back() != UsageMap::SlotOf(p)) slots.push_back(UsageMap::SlotOf(p));
  for (size_t slot : slots) {
    if (slot >= usagemap::kReferenceSlots)
      throw JetError(ErrorKind::DiskFull, "表“" + FTableName + "”已达到 Jet 数据库文件的最大容量。");
    reference.SetBitmapPage(slot, AddBitmapPage(slot, pages));
  }
  const auto encoded = reference.Encode();
  std::span<uint8_t> target = ModifyMapRow(FPager, FOwnedMap, FOwner);
  std::fill(target.begin(), target.end(), 0);
  std::copy(encoded.begin(), encoded.end(), target.begin());
}

uint32_t TableWriter::AddBitmapPage(size_t slot, std::span<const uint32_t> pages) {
  const uint32_t number = FPager.Append();
  const auto image = EncodeBitmapPage(slot, pages);
  std::copy(image.begin(), image.end(), FPager.Modify(number));
  return number;
}

void TableWriter::MoveFreeMapTo(uint32_t page) {
  std::span<uint8_t> row = ModifyMapRow(FPager, FFreeMap, FOwner);
  if (row.empty() || row[usagemap::kTypeOffset] != usagemap::kInline) return;  // readers ignore it; keep it
  const size_t bitmapBytes = row.size() - usagemap::kBitmapOffset;
  const uint32_t window = uint32_t(bitmapBytes * 8);
  if (window == 0) return;
  UsageMap map = UsageMap::MakeInline(page / window * window, bitmapBytes);
  map.Set(page, true);
  const auto encoded = map.Encode();
  std::copy(encoded.begin(), encoded.end(), row.begin());
}

void TableWriter::FlushRowCount() {
  if (FPendingRows == 0) return;
  uint8_t* definition = FPager.Modify(FDefinitionPage);
  PutU32(definition + tdef::kRowCountOffset, GetU32(definition + tdef::kRowCountOffset) + FPendingRows);
  FPendingRows = 0;
}

void TableWriter::EndTransaction() {
  FCurrentPage = kNoPage;
  FCurrentBytes = nullptr;
  FPendingRows = 0;
}

}  // namespace ipmdb::jet
