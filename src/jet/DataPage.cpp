#include "jet/DataPage.h"

#include <cstring>
#include <string>

#include "jet/Bytes.h"
#include "jet/Error.h"
#include "jet/PageLayout.h"

namespace ipmdb::jet {

void InitDataPage(uint8_t* page, uint32_t owner) {
  std::memset(page, 0, kPageSize);
  StartPage(page, PageType::Data);
  PutU16(page + datapage::kFreeSpaceOffset, uint16_t(datapage::kEmptyFreeSpace));
  PutU32(page + datapage::kOwnerOffset, owner);
}

uint16_t DataPageRowCount(const uint8_t* page) { return GetU16(page + datapage::kRowCountOffset); }
uint16_t DataPageFreeSpace(const uint8_t* page) { return GetU16(page + datapage::kFreeSpaceOffset); }
uint32_t DataPageOwner(const uint8_t* page) { return GetU32(page + datapage::kOwnerOffset); }

RowSlot DataPageSlot(const uint8_t* page, uint16_t row) {
  const uint16_t entry = GetU16(page + RowSlotOffset(row));
  return {entry, uint16_t(entry & datapage::kRowOffsetMask), (entry & datapage::kRowDeletedFlag) != 0,
          (entry & datapage::kRowOverflowFlag) != 0};
}

namespace {

size_t RowTableEnd(uint16_t count) { return RowSlotOffset(count); }
uint16_t RowStart(const uint8_t* page, uint16_t row) { return DataPageSlot(page, row).offset; }

}  // namespace

size_t MeasuredDataPageFreeSpace(const uint8_t* page) {
  const uint16_t count = DataPageRowCount(page);
  const size_t lowest = count == 0 ? kPageSize : RowStart(page, uint16_t(count - 1));
  return lowest - RowTableEnd(count);
}

std::optional<std::string> DataPageFault(const uint8_t* page) {
  const uint16_t count = DataPageRowCount(page);
  if (count > kMaxRowsPerPage) return "的行数 " + std::to_string(count) + " 超过了每页 255 行。";
  size_t end = kPageSize;
  for (uint16_t r = 0; r < count; ++r) {
    const size_t start = RowStart(page, r);
    if (start < RowTableEnd(count) || start > end)
      return "的第 " + std::to_string(r) + " 行的偏移 " + std::to_string(start) + " 不在偏移表末尾（" +
             std::to_string(RowTableEnd(count)) + "）与上一行的起点（" + std::to_string(end) + "）之间。";
    end = start;
  }
  const size_t measured = MeasuredDataPageFreeSpace(page);
  if (DataPageFreeSpace(page) != measured)
    return "的可用空间字段为 " + std::to_string(DataPageFreeSpace(page)) + " 字节，而偏移表与最低一行之间实有 " +
           std::to_string(measured) + " 字节。";
  return std::nullopt;
}

bool DataPageFits(const uint8_t* page, size_t length) {
  return length <= kMaxRowSize && DataPageRowCount(page) < kMaxRowsPerPage &&
         length + datapage::kRowTableEntrySize <= DataPageFreeSpace(page);
}

uint16_t AppendDataPageRow(uint8_t* page, std::span<const uint8_t> row) {
  const uint16_t count = DataPageRowCount(page);
  const uint16_t top = count == 0 ? uint16_t(kPageSize) : RowStart(page, uint16_t(count - 1));
  const uint16_t offset = uint16_t(top - row.size());
  std::memcpy(page + offset, row.data(), row.size());
  PutU16(page + RowSlotOffset(count), offset);
  PutU16(page + datapage::kRowCountOffset, uint16_t(count + 1));
  PutU16(page + datapage::kFreeSpaceOffset,
         uint16_t(DataPageFreeSpace(page) - row.size() - datapage::kRowTableEntrySize));
  return count;
}

std::optional<RowExtent> DataPageRow(const uint8_t* page, uint32_t pageNumber, uint16_t row, bool relocationTarget) {
  const uint16_t count = DataPageRowCount(page);
  const size_t tableEnd = RowTableEnd(count);
  if (row >= count || tableEnd > kPageSize)
    throw CorruptRow(pageNumber, row, "不存在（该页有 " + std::to_string(count) + " 行）。");
  const RowSlot slot = DataPageSlot(page, row);
  if (slot.deleted && !relocationTarget) return std::nullopt;
  const uint16_t start = slot.offset;
  // The row ends where the previous slot's row begins (deleted slots keep their offsets).
  const uint16_t end = row == 0 ? uint16_t(kPageSize) : RowStart(page, uint16_t(row - 1));
  if (start < tableEnd || start > end || end > kPageSize) throw CorruptRow(pageNumber, row, "的位置超出了页面。");
  return RowExtent{start, uint16_t(end - start), slot.overflow};
}

}  // namespace ipmdb::jet
