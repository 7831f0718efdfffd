#include "jet/MapRows.h"

#include <algorithm>
#include <string>

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
  const auto current = ReadGlobalFreeMap(pager, freeMapPointer);
  const size_t bitmapBytes = current.size() - usagemap::kBitmapOffset;
  const uint32_t window = uint32_t(bitmapBytes * 8);
  const uint32_t pageCount = pager.PageCount();
  const uint32_t start = pageCount < window ? 0 : pageCount / 8 * 8;
  UsageMap map = UsageMap::MakeInline(start, bitmapBytes);
  for (uint32_t page = std::max(start, pageCount); page < start + window; ++page) map.Set(page, true);
  const auto encoded = map.Encode();
  if (std::equal(encoded.begin(), encoded.end(), current.begin(), current.end())) return;
  const auto row = ModifyMapRow(pager, freeMapPointer, kGlobalMapOwner);
  std::copy(encoded.begin(), encoded.end(), row.begin());
}

}  // namespace ipmdb::jet
