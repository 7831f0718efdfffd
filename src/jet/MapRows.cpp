#include "jet/MapRows.h"

#include <algorithm>
#include <array>
#include <string>
#include <vector>

#include "jet/Bytes.h"
#include "jet/DataPage.h"
#include "jet/Error.h"
#include "jet/PageLayout.h"
#include "jet/UsageMap.h"

namespace ipmdb::jet {

std::span<const uint8_t> ReadMapRow(Pager& pager, uint32_t rowPointer, const std::string& owner) {
  const uint32_t page = RowPointerPage(rowPointer), row = RowPointerRow(rowPointer);
  auto fail = [&](const std::string& why) { return CorruptRow(page, row, "（" + owner + "的用量表）" + why); };
  if (page == 0 || page >= pager.PageCount())
    throw fail("不在文件中（文件共 " + std::to_string(pager.PageCount()) + " 页）。");
  const uint8_t* bytes = pager.Read(page);
  if (bytes[0] != uint8_t(PageType::Data)) throw fail("不存在：该页不是数据页。");
  const uint32_t holder = DataPageOwner(bytes);
  if (holder != datapage::kOwnerUsageMapHolder && holder != datapage::kOwnerGlobalMap)
    throw fail("不存在：该页不是存放用量表的页。");
  if (const auto fault = DataPageFault(bytes)) throw CorruptPage(page, *fault);
  const auto extent = DataPageRow(bytes, page, uint16_t(row));
  if (!extent || extent->overflow) throw fail("已删除或是溢出行。");
  const std::span<const uint8_t> map{bytes + extent->offset, extent->length};
  const uint8_t type = map.empty() ? 0xFF : map[usagemap::kTypeOffset];
  if ((type == usagemap::kInline && map.size() <= usagemap::kBitmapOffset) ||
      (type == usagemap::kReference && map.size() < usagemap::kRowSize) ||
      (type != usagemap::kInline && type != usagemap::kReference))
    throw fail("的类型或长度不正确。");
  return map;
}

std::span<uint8_t> ModifyMapRow(Pager& pager, uint32_t rowPointer, const std::string& owner) {
  const auto row = ReadMapRow(pager, rowPointer, owner);
  // Read and Modify hand out the same block, so the row's place in it carries over.
  uint8_t* page = pager.Modify(RowPointerPage(rowPointer));
  return {page + (row.data() - page), row.size()};
}

namespace {
constexpr char kGlobalMapOwner[] = "全局页面表";
}  // namespace

std::span<const uint8_t> ReadGlobalFreeMap(Pager& pager, uint32_t freeMapPointer) {
  const auto current = ReadMapRow(pager, freeMapPointer, kGlobalMapOwner);
  if (current[usagemap::kTypeOffset] != usagemap::kInline)
    throw JetError(ErrorKind::Unsupported, "数据库的全局页面表是引用形式，本程序无法更新。");
  return current;
}

void UpdateGlobalFreeMap(Pager& pager, uint32_t freeMapPointer) {
  ReadGlobalFreeMap(pager, freeMapPointer);
  UsageMapEditor map(pager, freeMapPointer, kGlobalMapOwner, kGlobalMapOwner);
  const uint32_t window = map.WindowPages();
  const uint32_t pageCount = pager.PageCount();
  const uint32_t start = pageCount < window ? 0 : pageCount / 8 * 8;
  map.MoveWindow(start, std::max(start, pageCount), start + window);
}

UsageMapEditor::UsageMapEditor(Pager& pager, uint32_t rowPointer, std::string owner, std::string name)
    : FPager(pager), FRowPointer(rowPointer), FOwner(std::move(owner)), FName(std::move(name)) {}

void UsageMapEditor::Check() {
  const auto row = ReadMapRow(FPager, FRowPointer, FOwner);
  if (row[usagemap::kTypeOffset] != usagemap::kReference) return;
  for (size_t slot = 0; slot < usagemap::kReferenceSlots; ++slot)
    if (const uint32_t bitmap = GetU32(&row[usagemap::kReferencePagesOffset + 4 * slot])) BitmapPage(bitmap);
}

const uint8_t* UsageMapEditor::BitmapPage(uint32_t page) {
  if (page >= FPager.PageCount() || FPager.Read(page)[0] != uint8_t(PageType::UsageBitmap))
    throw CorruptRow(RowPointerPage(FRowPointer), RowPointerRow(FRowPointer),
                     "（" + FName + "）指向第 " + std::to_string(page) + " 页作为位图页，它不是位图页。");
  return FPager.Read(page);
}

uint32_t UsageMapEditor::LastPage() {
  const auto row = ReadMapRow(FPager, FRowPointer, FOwner);
  if (row[usagemap::kTypeOffset] == usagemap::kInline)
    return PageBits(row.subspan(usagemap::kBitmapOffset), GetU32(&row[usagemap::kStartPageOffset])).Last().value_or(0);
  for (size_t slot = usagemap::kReferenceSlots; slot-- > 0;) {
    const uint32_t bitmap = GetU32(&row[usagemap::kReferencePagesOffset + 4 * slot]);
    if (bitmap == 0) continue;
    if (const auto last = PageBits::OfBitmapPage(BitmapPage(bitmap), slot).Last()) return *last;
  }
  return 0;
}

void UsageMapEditor::Add(uint32_t page) {
  const std::span<uint8_t> row = ModifyMapRow(FPager, FRowPointer, FOwner);
  if (row[usagemap::kTypeOffset] == usagemap::kInline) {
    PageBitsEditor bits(row.subspan(usagemap::kBitmapOffset), GetU32(&row[usagemap::kStartPageOffset]));
    if (bits.Covers(page))
      bits.Set(page, true);
    else
      MakeReference(page, row);
    return;
  }
  const size_t slot = UsageMap::SlotOf(page);
  if (slot >= usagemap::kReferenceSlots) Full();
  if (const uint32_t bitmap = GetU32(&row[usagemap::kReferencePagesOffset + 4 * slot])) {
    BitmapPage(bitmap);
    PageBitsEditor::OfBitmapPage(FPager.Modify(bitmap), slot).Set(page, true);
    return;
  }
  const uint32_t pages[] = {page};
  const uint32_t bitmap = AddBitmapPage(slot, pages);
  // AddBitmapPage appended a page; the row pointer of the map is unchanged, re-fetch its bytes.
  PutU32(ModifyMapRow(FPager, FRowPointer, FOwner).data() + usagemap::kReferencePagesOffset + 4 * slot, bitmap);
}

// The inline window cannot reach this page: every page it lists, and the new one, move to bitmap
// pages, and the same row becomes a reference map pointing at them.
void UsageMapEditor::MakeReference(uint32_t page, std::span<uint8_t> row) {
  if (row.size() < usagemap::kRowSize)
    throw JetError(ErrorKind::Unsupported, FOwner + "的用量表过短，无法改为引用形式。");
  std::vector<uint32_t> pages;
  PageBits(row.subspan(usagemap::kBitmapOffset), GetU32(&row[usagemap::kStartPageOffset])).ForEach([&pages](uint32_t p) {
    pages.push_back(p);
    return true;
  });
  pages.push_back(page);
  std::array<uint32_t, usagemap::kReferenceSlots> bitmaps{};
  for (size_t i = 0; i < pages.size(); ++i) {
    const size_t slot = UsageMap::SlotOf(pages[i]);
    if (i > 0 && slot == UsageMap::SlotOf(pages[i - 1])) continue;
    if (slot >= usagemap::kReferenceSlots) Full();
    bitmaps[slot] = AddBitmapPage(slot, pages);
  }
  const std::span<uint8_t> target = ModifyMapRow(FPager, FRowPointer, FOwner);
  std::fill(target.begin(), target.end(), 0);
  target[usagemap::kTypeOffset] = usagemap::kReference;
  for (size_t slot = 0; slot < bitmaps.size(); ++slot)
    PutU32(&target[usagemap::kReferencePagesOffset + 4 * slot], bitmaps[slot]);
}

uint32_t UsageMapEditor::AddBitmapPage(size_t slot, std::span<const uint32_t> pages) {
  const uint32_t number = FPager.Append();
  const auto image = EncodeBitmapPage(slot, pages);
  std::copy(image.begin(), image.end(), FPager.Modify(number));
  return number;
}

uint32_t UsageMapEditor::WindowPages() {
  const auto row = ReadMapRow(FPager, FRowPointer, FOwner);
  return row[usagemap::kTypeOffset] == usagemap::kInline ? uint32_t((row.size() - usagemap::kBitmapOffset) * 8) : 0;
}

void UsageMapEditor::MoveWindow(uint32_t start, uint32_t first, uint32_t end) {
  const auto current = ReadMapRow(FPager, FRowPointer, FOwner);
  UsageMap map = UsageMap::MakeInline(start, current.size() - usagemap::kBitmapOffset);
  for (uint32_t page = first; page < end; ++page) map.Set(page, true);
  const auto encoded = map.Encode();
  if (std::equal(encoded.begin(), encoded.end(), current.begin(), current.end())) return;
  const auto row = ModifyMapRow(FPager, FRowPointer, FOwner);
  std::copy(encoded.begin(), encoded.end(), row.begin());
}

void UsageMapEditor::Full() const {
  throw JetError(ErrorKind::DiskFull, FOwner + "已达到 Jet 数据库文件的最大容量。");
}

}  // namespace ipmdb::jet
