#include "jet/DatabaseReader.h"

#include <string>

#include "jet/Bytes.h"
#include "jet/DataPage.h"
#include "jet/Error.h"
#include "jet/PageLayout.h"
#include "jet/SystemCatalog.h"
#include "jet/UsageMap.h"

namespace ipmdb::jet {
namespace {

std::string PageText(uint32_t page) { return "第 " + std::to_string(page) + " 页"; }

int ColumnIdByName(const TableDefinition& t, std::u16string_view name) {
  for (const auto& c : t.columns)
    if (c.name == name) return c.id;
  return -1;
}

}  // namespace

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
  std::vector<uint8_t> definition;
  uint32_t page = firstPage;
  for (uint32_t pages = 0; page != 0; ++pages) {
    if (pages > FSource.PageCount())
      throw JetError(ErrorKind::Corrupt, "数据库文件已损坏：" + PageText(firstPage) + "上的表定义的续页形成了环。");
    const uint8_t* bytes = FSource.Page(page);
    if (bytes[0] != uint8_t(PageType::TableDefinition))
      throw JetError(ErrorKind::Corrupt, "数据库文件已损坏：" + PageText(page) + "不是表定义页。");
    const size_t skip = pages == 0 ? 0 : tdef::kContinuationHeaderSize;
    definition.insert(definition.end(), bytes + skip, bytes + kPageSize);
    page = GetU32(bytes + tdef::kNextPageOffset);
  }
  return DecodeTableDefinition(definition, firstPage);
}

std::vector<uint8_t> DatabaseReader::RowBytes(uint32_t rowPointer) { return ReadRowBytes(FSource, rowPointer); }

std::vector<uint8_t> ReadRowBytes(PageSource& source, uint32_t rowPointer) {
  for (int hop = 0; hop < 2; ++hop) {
    const uint32_t page = RowPointerPage(rowPointer);
    const uint8_t* bytes = source.Page(page);
    if (bytes[0] != uint8_t(PageType::Data))
      throw JetError(ErrorKind::Corrupt, "数据库文件已损坏：" + PageText(page) + "不是数据页。");
    const auto extent = DataPageRow(bytes, page, uint16_t(RowPointerRow(rowPointer)), hop > 0);
    if (!extent) throw JetError(ErrorKind::Corrupt, "数据库文件已损坏：引用了" + PageText(page) + "上已删除的行。");
    if (!extent->overflow) return {bytes + extent->offset, bytes + extent->offset + extent->length};
    if (extent->length < 4) throw JetError(ErrorKind::Corrupt, "数据库文件已损坏：" + PageText(page) + "上的溢出行不完整。");
    rowPointer = GetU32(bytes + extent->offset);
  }
  throw JetError(ErrorKind::Corrupt, "数据库文件已损坏：溢出行又指向了溢出行。");
}

std::vector<uint32_t> DatabaseReader::DataPages(uint32_t definitionPage, const TableDefinition& table) {
  const std::vector<uint32_t> pages = ListUsageMapPages(RowBytes(table.ownedMap), FSource);
  for (uint32_t page : pages) {
    const uint8_t* bytes = FSource.Page(page);
    if (bytes[0] != uint8_t(PageType::Data) || DataPageOwner(bytes) != definitionPage)
      throw JetError(ErrorKind::Corrupt, "数据库文件已损坏：" + PageText(page) + "列在" + PageText(definitionPage) +
                                             "上的表的用量表中，却不是该表的数据页。");
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
        visit(DecodeRow(layout, RowBytes(MakeRowPointer(page, r)), fetch));
      } else {
        visit(DecodeRow(layout, {bytes + extent->offset, extent->length}, fetch));
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
  const int id = ColumnIdByName(objects, u"Id"), parentId = ColumnIdByName(objects, u"ParentId");
  const int name = ColumnIdByName(objects, u"Name"), type = ColumnIdByName(objects, u"Type");
  const int flags = ColumnIdByName(objects, u"Flags"), owner = ColumnIdByName(objects, u"Owner");
  const int lvProp = ColumnIdByName(objects, u"LvProp"), created = ColumnIdByName(objects, u"DateCreate");
  const int updated = ColumnIdByName(objects, u"DateUpdate");
  if (id < 0 || name < 0 || type < 0 || flags < 0)
    throw JetError(ErrorKind::Corrupt, "数据库文件“" + FPath + "”已损坏：系统对象表（MSysObjects）缺少必需的列。");
  const RowLayout layout(objects, "MSysObjects");
  const LongValueRowFetcher fetch = [this](uint32_t pointer) { return RowBytes(pointer); };
  for (uint32_t dataPage : DataPages(page, objects)) {
    const uint8_t* bytes = FSource.Page(dataPage);
    for (uint16_t r = 0; r < DataPageRowCount(bytes); ++r) {
      const auto extent = DataPageRow(bytes, dataPage, r);
      if (!extent) continue;
      const auto rowPointer = MakeRowPointer(dataPage, r);
      const auto values = DecodeRow(layout, RowBytes(rowPointer), fetch);
      CatalogEntry entry;
      entry.rowPointer = rowPointer;
      entry.id = int32_t(values[id].integer);
      if (parentId >= 0) entry.parentId = int32_t(values[parentId].integer);
      entry.name = values[name].text;
      entry.type = int16_t(values[type].integer);
      entry.flags = uint32_t(values[flags].integer);
      if (created >= 0) entry.dateCreate = values[created].real;
      if (updated >= 0) entry.dateUpdate = values[updated].real;
      if (owner >= 0) {
        entry.owner = values[owner].binary;
        ApplySidMask(FSidKey, entry.owner);
      }
      if (lvProp >= 0) entry.properties = values[lvProp].binary;
      FCatalog.push_back(std::move(entry));
    }
  }
}

std::vector<PropertyBlock> PropertiesOf(const CatalogEntry& entry) {
  if (entry.properties.empty()) return {};
  return DecodePropertyBlob(entry.properties);
}

}  // namespace ipmdb::jet
