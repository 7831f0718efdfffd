#include "jet/DataPage.h"

#include <cstring>
#include <string>

#include "jet/Bytes.h"
#include "jet/Error.h"
#include "jet/PageLayout.h"

namespace ipmdb::jet {

void InitDataPage(uint8_t* page, uint32_t owner) {
  std::memset(page, 0, kPageSize);
  page[0] = uint8_t(PageType::Data);
  page[1] = 0x01;
  PutU16(page + datapage::kFreeSpaceOffset, uint16_t(datapage::kEmptyFreeSpace));
  PutU32(page + datapage::kOwnerOffset, owner);
}

uint16_t DataPageRowCount(const uint8_t* page) { return GetU16(page + datapage::kRowCountOffset); }
uint16_t DataPageFreeSpace(const uint8_t* page) { return GetU16(page + datapage::kFreeSpaceOffset); }
uint32_t DataPageOwner(const uint8_t* page) { return GetU32(page + datapage::kOwnerOffset); }

bool DataPageFits(const uint8_t* page, size_t length) {
  return length <= kMaxRowSize && DataPageRowCount(page) < kMaxRowsPerPage &&
         length + datapage::kRowTableEntrySize <= DataPageFreeSpace(page);
}

uint16_t AppendDataPageRow(uint8_t* page, std::span<const uint8_t> row) {
  const uint16_t count = DataPageRowCount(page);
  const uint16_t top = count == 0 ? uint16_t(kPageSize)
                                  : uint16_t(GetU16(page + datapage::kRowTableOffset + 2 * (count - 1)) &
                                             datapage::kRowOffsetMask);
  const uint16_t offset = uint16_t(top - row.size());
  std::memcpy(page + offset, row.data(), row.size());
  PutU16(page + datapage::kRowTableOffset + 2 * count, offset);
  PutU16(page + datapage::kRowCountOffset, uint16_t(count + 1));
  PutU16(page + datapage::kFreeSpaceOffset,
         uint16_t(DataPageFreeSpace(page) - row.size() - datapage::kRowTableEntrySize));
  return count;
}

std::optional<RowExtent> DataPageRow(const uint8_t* page, uint32_t pageNumber, uint16_t row, bool relocationTarget) {
  const uint16_t count = DataPageRowCount(page);
  const size_t tableEnd = datapage::kRowTableOffset + datapage::kRowTableEntrySize * size_t(count);
  auto corrupt = [&](const char* why) {
    return JetError(ErrorKind::Corrupt, "数据库文件已损坏：第 " + std::to_string(pageNumber) + " 页的第 " +
                                            std::to_string(row) + " 行" + why);
  };
  if (row >= count || tableEnd > kPageSize) throw corrupt("不存在。");
  const uint16_t entry = GetU16(page + datapage::kRowTableOffset + 2 * row);
  if ((entry & datapage::kRowDeletedFlag) && !relocationTarget) return std::nullopt;
  const uint16_t start = entry & datapage::kRowOffsetMask;
  // The row ends where the previous slot's row begins (deleted slots keep their offsets).
  const uint16_t end = row == 0 ? uint16_t(kPageSize)
                                : uint16_t(GetU16(page + datapage::kRowTableOffset + 2 * (row - 1)) &
                                           datapage::kRowOffsetMask);
  if (start < tableEnd || start > end || end > kPageSize) throw corrupt("的位置超出了页面。");
  return RowExtent{start, uint16_t(end - start), (entry & datapage::kRowOverflowFlag) != 0};
}

}  // namespace ipmdb::jet
