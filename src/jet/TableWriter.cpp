#include "jet/TableWriter.h"

#include <string>

#include "jet/Bytes.h"
#include "jet/DataPage.h"
#include "jet/Error.h"
#include "jet/MapRows.h"
#include "jet/PageLayout.h"

namespace ipmdb::jet {
namespace {

constexpr uint32_t kNoPage = 0;  // page 0 is the header, never a data page

}  // namespace

TableWriter::TableWriter(Pager& pager, uint32_t definitionPage, const TableDefinition& table, std::string tableName)
    : FPager(pager),
      FDefinitionPage(definitionPage),
      FTableName(std::move(tableName)),
      FOwner("表“" + FTableName + "”"),
      FOwnedMap(pager, table.ownedMap, FOwner, FOwner + "的数据页表"),
      FFreeMap(pager, table.freeMap, FOwner, FOwner + "的有空闲空间的数据页表"),
      FOwnedMapPointer(table.ownedMap) {
  // Everything an append may change is checked now, before the first transaction: the
  // definition page, both map rows with the owned map's bitmap pages, and the last data page.
  if (FDefinitionPage >= FPager.PageCount() || FPager.Read(FDefinitionPage)[0] != uint8_t(PageType::TableDefinition))
    throw CorruptPage(FDefinitionPage, "不是" + FOwner + "的表定义页。");
  FOwnedMap.Check();
  ReadMapRow(FPager, table.freeMap, FOwner);
  FindLastDataPage();
}

uint32_t TableWriter::FindLastDataPage() {
  const uint32_t last = FOwnedMap.LastPage();
  if (last == kNoPage) return last;
  // New rows go right below the last row of this page: its offsets and free space must be true.
  if (last >= FPager.PageCount())
    throw CorruptRow(RowPointerPage(FOwnedMapPointer), RowPointerRow(FOwnedMapPointer),
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

// A new page at the end of the file: listed in the table's owned map, and the only page the
// free-space map lists, in the window that holds it, as the Microsoft engine keeps that map. A
// free-space map of the reference form is left as it is: readers ignore it.
uint8_t* TableWriter::AddPage() {
  const uint32_t number = FPager.Append();
  uint8_t* bytes = FPager.Modify(number);
  InitDataPage(bytes, FDefinitionPage);
  FOwnedMap.Add(number);
  if (const uint32_t window = FFreeMap.WindowPages()) FFreeMap.MoveWindow(number / window * window, number, number + 1);
  FCurrentPage = number;
  FCurrentBytes = bytes;
  return bytes;
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
