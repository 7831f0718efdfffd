#include "jet/DatabaseReader.h"

#include <algorithm>
#include <string>

#include "jet/Bytes.h"
#include "jet/DataPage.h"
#include "jet/Error.h"
#include "jet/PageLayout.h"
#include "jet/SystemCatalog.h"
#include "jet/UsageMap.h"
#include "jet/Utf8.h"

namespace ipmdb::jet {
bool CatalogEntry::IsTable() const { return (type & catalog::kTypeMask) == catalog::kTypeTable; }
bool CatalogEntry::IsSystemObject() const { return (flags & catalog::kSystemObjectMask) != 0; }

DatabaseReader::DatabaseReader(PageSource& source, std::string path) : FSource(source), FPath(std::move(path)) {
  if (FSource.PageCount() == 0) throw JetError(ErrorKind::NotJet4, "文件“" + FPath + "”不是 Jet 4.0 数据库：文件为空。");
  FHeader = DecodeHeaderPage({FSource.Page(0), kPageSize}, FPath);
  if (FHeader.databaseKey != 0)
    throw JetError(ErrorKind::Unsupported, "数据库“" + FPath + "”已加密，无法打开。");
  FSidKey = SidMaskKey(FHeader);
  LoadCatalog();
}

const CatalogEntry* DatabaseReader::FindTable(std::u16string_view name) const {
  for (const auto& entry : FCatalog)
    if (entry.IsTable() && entry.name == name) return &entry;
  return nullptr;
}

TableDefinition DatabaseReader::ReadTableDefinition(uint32_t firstPage) {
  DefinitionChain chain;
  ReadDefinitionChain(FSource, firstPage, chain);
  return DecodeTableDefinition(chain.bytes, firstPage);
}

void ReadDefinitionChain(PageSource& source, uint32_t firstPage, DefinitionChain& chain) {
  chain = {};
  uint32_t page = firstPage;
  size_t wanted = 0;  // the stated length, as far as the chain must reach for it
  while (page != 0) {
    const uint32_t previous = chain.pages.empty() ? firstPage : chain.pages.back();
    if (page >= source.PageCount())
      throw CorruptPage(previous, "的表定义续页是第 " + std::to_string(page) + " 页，而文件只有 " +
                                      std::to_string(source.PageCount()) + " 页。");
    if (std::find(chain.pages.begin(), chain.pages.end(), page) != chain.pages.end())
      throw CorruptPage(previous, "的表定义续页又回到了" + PageText(page) + "，形成了环。");
    if (!chain.pages.empty() && chain.bytes.size() >= wanted)
      throw CorruptPage(previous, "上的表定义已经完整，却还有续页" + PageText(page) + "。");
    const uint8_t* bytes = source.Page(page);
    if (bytes[0] != uint8_t(PageType::TableDefinition))
      throw CorruptPage(page, chain.pages.empty() ? "不是表定义页。"
                                                  : "是" + PageText(firstPage) + "上的表定义的续页，却不是表定义页。");
    const size_t skip = chain.pages.empty() ? 0 : tdef::kContinuationHeaderSize;
    if (chain.pages.empty()) wanted = std::min<size_t>(GetU32(bytes + tdef::kDefinitionLengthOffset), kMaxDefinitionLength);
    chain.pages.push_back(page);
    chain.bytes.insert(chain.bytes.end(), bytes + skip, bytes + kPageSize);
    page = GetU32(bytes + tdef::kNextPageOffset);
  }
}

std::vector<uint8_t> DatabaseReader::RowBytes(uint32_t rowPointer) { return ReadRowBytes(FSource, rowPointer); }

std::vector<uint8_t> ReadRowBytes(PageSource& source, uint32_t rowPointer) {
  for (bool relocated = false;; relocated = true) {
    const uint32_t page = RowPointerPage(rowPointer), row = RowPointerRow(rowPointer);
    const uint8_t* bytes = source.Page(page);
    if (bytes[0] != uint8_t(PageType::Data)) throw CorruptRow(page, row, "被引用，而该页不是数据页。");
    const auto extent = DataPageRow(bytes, page, uint16_t(row), relocated);
    if (!extent) throw CorruptRow(page, row, "已删除，却仍被引用。");
    if (!extent->overflow) return {bytes + extent->offset, bytes + extent->offset + extent->length};
    if (relocated) throw CorruptRow(page, row, "是溢出行指向的位置，却又是溢出行。");
    if (extent->length < 4) throw CorruptRow(page, row, "是溢出行，却放不下指向新位置的指针。");
    rowPointer = GetU32(bytes + extent->offset);
  }
}

std::vector<uint32_t> DatabaseReader::DataPages(uint32_t definitionPage, const TableDefinition& table) {
  const std::vector<uint32_t> pages = ListUsageMapPages(RowBytes(table.ownedMap), table.ownedMap, FSource);
  const uint32_t mapPage = RowPointerPage(table.ownedMap), mapRow = RowPointerRow(table.ownedMap);
  const std::string map = "（" + PageText(definitionPage) + "上的表的数据页表）列出了第 ";
  for (uint32_t page : pages) {
    if (page >= FSource.PageCount())
      throw CorruptRow(mapPage, mapRow, map + std::to_string(page) + " 页，而文件只有 " +
                                            std::to_string(FSource.PageCount()) + " 页。");
    const uint8_t* bytes = FSource.Page(page);
    if (bytes[0] != uint8_t(PageType::Data) || DataPageOwner(bytes) != definitionPage)
      throw CorruptRow(mapPage, mapRow, map + std::to_string(page) + " 页，它不是该表的数据页。");
    if (const auto fault = DataPageFault(bytes)) throw CorruptPage(page, *fault);
  }
  return pages;
}

void DatabaseReader::ForEachRow(uint32_t definitionPage, const RowVisitor& visit) {
  const TableDefinition table = ReadTableDefinition(definitionPage);
  const RowLayout layout(table, PageText(definitionPage) + "上的表");
  const LongValueRowFetcher fetch = [this](uint32_t pointer) { return RowBytes(pointer); };
  for (uint32_t page : DataPages(definitionPage, table)) {
    const uint8_t* bytes = FSource.Page(page);
    const uint16_t rows = DataPageRowCount(bytes);
    for (uint16_t r = 0; r < rows; ++r) {
      const auto extent = DataPageRow(bytes, page, r);
      if (!extent) continue;
      if (extent->overflow) {
        visit(DecodeRow(layout, RowBytes(MakeRowPointer(page, r)), MakeRowPointer(page, r), fetch));
      } else {
        visit(DecodeRow(layout, {bytes + extent->offset, extent->length}, MakeRowPointer(page, r), fetch));
      }
    }
  }
}

std::vector<std::vector<StoredValue>> DatabaseReader::ReadRows(uint32_t definitionPage) {
  std::vector<std::vector<StoredValue>> rows;
  ForEachRow(definitionPage, [&](const std::vector<StoredValue>& row) { rows.push_back(row); });
  return rows;
}

void DatabaseReader::LoadCatalog() {
  const uint32_t page = catalog::kMSysObjectsPage;
  const TableDefinition objects = ReadTableDefinition(page);
  const CatalogColumns columns(objects, page);
  const RowLayout layout(objects, "MSysObjects");
  const LongValueRowFetcher fetch = [this](uint32_t pointer) { return RowBytes(pointer); };
  for (uint32_t dataPage : DataPages(page, objects)) {
    const uint8_t* bytes = FSource.Page(dataPage);
    for (uint16_t r = 0; r < DataPageRowCount(bytes); ++r) {
      if (!DataPageRow(bytes, dataPage, r)) continue;
      const auto rowPointer = MakeRowPointer(dataPage, r);
      FCatalog.push_back(columns.Entry(DecodeRow(layout, RowBytes(rowPointer), rowPointer, fetch), rowPointer, FSidKey));
    }
  }
}

CatalogColumns::CatalogColumns(const TableDefinition& objects, uint32_t definitionPage) {
  // Each column by name with the type it must have; the first four are required.
  const struct {
    const char16_t* name;
    ColumnType type;
    int& id;
  } wanted[] = {{u"Id", ColumnType::Long, FId},           {u"Name", ColumnType::Text, FName},
                {u"Type", ColumnType::Integer, FType},     {u"Flags", ColumnType::Long, FFlags},
                {u"ParentId", ColumnType::Long, FParentId}, {u"Owner", ColumnType::Binary, FOwner},
                {u"LvProp", ColumnType::Ole, FLvProp},     {u"DateCreate", ColumnType::DateTime, FCreated},
                {u"DateUpdate", ColumnType::DateTime, FUpdated}};
  for (size_t i = 0; i < std::size(wanted); ++i) {
    const auto& w = wanted[i];
    const auto column = std::find_if(objects.columns.begin(), objects.columns.end(),
                                     [&](const ColumnDefinition& c) { return c.name == w.name; });
    const std::string name = Utf16ToUtf8(w.name);
    if (column == objects.columns.end()) {
      if (i < 4) throw CorruptPage(definitionPage, "上的系统对象表（MSysObjects）缺少必需的列 " + name + "。");
      continue;
    }
    if (column->type != w.type)
      throw CorruptPage(definitionPage, "上的系统对象表（MSysObjects）的列 " + name + " 的类型不正确。");
    w.id = column->id;
  }
}

CatalogEntry CatalogColumns::Entry(const std::vector<StoredValue>& values, uint32_t rowPointer, uint32_t sidKey) const {
  CatalogEntry entry;
  entry.rowPointer = rowPointer;
  entry.id = int32_t(values[FId].integer);
  entry.name = values[FName].text;
  entry.type = int16_t(values[FType].integer);
  entry.flags = uint32_t(values[FFlags].integer);
  if (FParentId >= 0) entry.parentId = int32_t(values[FParentId].integer);
  if (FCreated >= 0) entry.dateCreate = values[FCreated].real;
  if (FUpdated >= 0) entry.dateUpdate = values[FUpdated].real;
  if (FOwner >= 0) {
    entry.owner = values[FOwner].binary;
    ApplySidMask(sidKey, entry.owner);
  }
  if (FLvProp >= 0) entry.properties = values[FLvProp].binary;
  return entry;
}

std::vector<PropertyBlock> PropertiesOf(const CatalogEntry& entry) {
  if (entry.properties.empty()) return {};
  return DecodePropertyBlob(entry.properties,
                            ErrorPlace{RowPointerPage(entry.rowPointer), RowPointerRow(entry.rowPointer)});
}

}  // namespace ipmdb::jet
