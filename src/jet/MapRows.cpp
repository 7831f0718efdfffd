#include "jet/MapRows.h"

#include <algorithm>
#include <string>

#include "jet/DataPage.h"
#include "jet/Error.h"
#include "jet/PageLayout.h"
#include "jet/UsageMap.h"

namespace ipmdb::jet {

std::span<const uint8_t> ReadMapRow(Pager& pager, uint32_t rowPointer, const std::string& owner) {
  const uint32_t page = RowPointerPage(rowPointer);
  const uint8_t* bytes = pager.Read(page);
  const auto extent =
      bytes[0] == uint8_t(PageType::Data) ? DataPageRow(bytes, page, uint16_t(RowPointerRow(rowPointer))) : std::nullopt;
  if (!extent || extent->overflow || extent->length <= usagemap::kBitmapOffset)
    throw JetError(ErrorKind::Corrupt, "数据库文件已损坏：" + owner + "的用量表（第 " + std::to_string(page) + " 页）不存在。");
  return {bytes + extent->offset, extent->length};
}

std::span<uint8_t> ModifyMapRow(Pager& pager, uint32_t rowPointer, const std::string& owner) {
  const auto row = ReadMapRow(pager, rowPointer, owner);
  // Read and Modify hand out the same block, so the row's place in it carries over.
  uint8_t* page = pager.Modify(RowPointerPage(rowPointer));
  return {page + (row.data() - page), row.size()};
}

void UpdateGlobalFreeMap(Pager& pager, uint32_t freeMapPointer) {
  const std::string owner = "全局页面表";
  const auto current = ReadMapRow(pager, freeMapPointer, owner);
  if (current[usagemap::kTypeOffset] != usagemap::kInline)
    throw JetError(ErrorKind::Unsupported, "数据库的全局页面表是引用形式，本程序无法更新。");
  const size_t bitmapBytes = current.size() - usagemap::kBitmapOffset;
  const uint32_t window = uint32_t(bitmapBytes * 8);
  const uint32_t pageCount = pager.PageCount();
  const uint32_t start = pageCount < window ? 0 : pageCount / 8 * 8;
  UsageMap map = UsageMap::MakeInline(start, bitmapBytes);
  for (uint32_t page = std::max(start, pageCount); page < start + window; ++page) map.Set(page, true);
  const auto encoded = map.Encode();
  if (std::equal(encoded.begin(), encoded.end(), current.begin(), current.end())) return;
  const auto row = ModifyMapRow(pager, freeMapPointer, owner);
  std::copy(encoded.begin(), encoded.end(), row.begin());
}

}  // namespace ipmdb::jet
