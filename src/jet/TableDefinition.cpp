#include "jet/TableDefinition.h"

#include <algorithm>
#include <array>
#include <string>

#include "jet/Bytes.h"
#include "jet/Error.h"
#include "jet/PageLayout.h"

namespace ipmdb::jet {
namespace {

char16_t FoldAscii(char16_t c) { return (c >= u'A' && c <= u'Z') ? char16_t(c + 32) : c; }

bool NameLess(const std::u16string& a, const std::u16string& b) {
  return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(),
                                      [](char16_t x, char16_t y) { return FoldAscii(x) < FoldAscii(y); });
}

void WriteName(ByteWriter& w, const std::u16string& name) {
  w.U16(uint16_t(2 * name.size()));
  w.Utf16(name);
}

std::u16string ReadName(ByteReader& r) {
  const uint16_t bytes = r.U16();
  auto raw = r.Bytes(bytes);
  std::u16string name;
  for (size_t i = 0; i + 1 < raw.size(); i += 2) name.push_back(char16_t(GetU16(&raw[i])));
  return name;
}

void WriteColumnDescriptor(ByteWriter& w, const ColumnDefinition& c) {
  w.U8(uint8_t(c.type));
  w.U32(tdef::kMarker);
  w.U16(c.id);
  w.U16(c.varIndex);
  w.U16(c.ordinal);
  w.U16(c.collation);
  w.U8(c.sortId);
  w.U8(c.sortVersion);
  w.U8(c.flags);
  w.U8(c.extFlags);
  w.U32(0);
  w.U16(c.IsFixedLength() ? c.fixedOffset : 0);
  w.U16(c.length);
}

ColumnDefinition ReadColumnDescriptor(ByteReader& r) {
  ColumnDefinition c;
  c.type = ColumnType(r.U8());
  r.Skip(4);
  c.id = r.U16();
  c.varIndex = r.U16();
  c.ordinal = r.U16();
  c.collation = r.U16();
  c.sortId = r.U8();
  c.sortVersion = r.U8();
  c.flags = r.U8();
  c.extFlags = r.U8();
  r.Skip(4);
  c.fixedOffset = r.U16();
  c.length = r.U16();
  return c;
}

void WriteRealIndex(ByteWriter& w, const RealIndexDefinition& index) {
  w.U32(tdef::kRealIndexMarker);
  for (size_t slot = 0; slot < tdef::kRealIndexColumnSlots; ++slot) {
    if (slot < index.columns.size()) {
      w.U16(index.columns[slot].columnId);
      w.U8(index.columns[slot].order);
    } else {
      w.U16(tdef::kUnusedIndexColumn);
      w.U8(0);
    }
  }
  w.U32(index.usageMap);
  w.U32(index.rootPage);
  w.U32(0);
  w.U16(index.flags);
  w.U32(0);
}

void WriteLogicalIndex(ByteWriter& w, const LogicalIndexDefinition& index) {
  w.U32(tdef::kMarker);
  w.U32(index.number);
  w.U32(index.realIndex);
  w.U8(0);
  w.U32(tdef::kNoOtherIndex);
  w.U32(0);
  w.U8(tdef::kNoCascade);
  w.U8(tdef::kNoCascade);
  w.U8(index.kind);
  w.U32(0);
}

}  // namespace

bool IsFixedLengthType(ColumnType type) {
  switch (type) {
    case ColumnType::Boolean:
    case ColumnType::Byte:
    case ColumnType::Integer:
    case ColumnType::Long:
    case ColumnType::Currency:
    case ColumnType::Single:
    case ColumnType::Double:
    case ColumnType::DateTime:
    case ColumnType::Guid:
    case ColumnType::Decimal:
      return true;
    default:
      return false;
  }
}

uint16_t FixedLengthOf(ColumnType type) {
  switch (type) {
    case ColumnType::Boolean:
    case ColumnType::Byte:
      return 1;
    case ColumnType::Integer:
      return 2;
    case ColumnType::Long:
    case ColumnType::Single:
      return 4;
    case ColumnType::Currency:
    case ColumnType::Double:
    case ColumnType::DateTime:
      return 8;
    case ColumnType::Guid:
      return 16;
    case ColumnType::Decimal:
      return 17;
    default:
      return 0;
  }
}

bool ColumnDefinition::IsFixedLength() const { return (flags & tdef::kColumnFixedLength) != 0; }

bool ColumnDefinition::AllowsCompression() const {
  return (extFlags & tdef::kColumnExtCompressedUnicode) != 0 &&
         (type == ColumnType::Text || type == ColumnType::Memo);
}

const ColumnDefinition* TableDefinition::ColumnById(uint16_t id) const {
  for (const auto& c : columns)
    if (c.id == id) return &c;
  return nullptr;
}

std::vector<ColumnDefinition> LayOutColumns(const std::vector<ColumnSpec>& specs, bool systemTable) {
  std::vector<ColumnDefinition> columns;
  uint16_t fixedOffset = 0;
  uint16_t variableCount = 0;
  for (size_t i = 0; i < specs.size(); ++i) {
    const ColumnSpec& wanted = specs[i];
    ColumnDefinition c;
    c.name = wanted.name;
    c.type = wanted.type;
    c.id = uint16_t(i);
    c.ordinal = systemTable ? 0 : c.id;
    c.collation = wanted.collation;
    c.flags = uint8_t(tdef::kColumnUpdatable | wanted.extraFlags | (systemTable ? tdef::kColumnSystemCatalog : 0));
    if (wanted.compressedUnicode) c.extFlags = tdef::kColumnExtCompressedUnicode;
    if (IsFixedLengthType(wanted.type)) {
      c.flags |= tdef::kColumnFixedLength;
      c.varIndex = variableCount;
      c.length = FixedLengthOf(wanted.type);
      // A Boolean lives in the null mask and takes no room in the fixed area.
      if (wanted.type != ColumnType::Boolean) {
        c.fixedOffset = fixedOffset;
        fixedOffset = uint16_t(fixedOffset + c.length);
      }
    } else {
      c.varIndex = variableCount++;
      c.length = c.IsLongValue() ? 0 : wanted.length;
    }
    columns.push_back(std::move(c));
  }
  if (systemTable)
    std::stable_sort(columns.begin(), columns.end(),
                     [](const ColumnDefinition& a, const ColumnDefinition& b) { return NameLess(a.name, b.name); });
  return columns;
}

std::vector<uint8_t> EncodeTableDefinition(const TableDefinition& t) {
  std::vector<uint8_t> out;
  ByteWriter w(out);
  w.U8(uint8_t(PageType::TableDefinition));
  w.U8(0x01);
  w.U16(0);  // free space: set per page
  w.U32(0);  // next page: set per page
  w.U32(0);  // definition length: set below
  w.U32(tdef::kMarker);
  w.U32(t.rowCount);
  w.U32(t.autoNumber);
  w.U32(uint32_t(t.autoIncrement));
  w.U32(0);
  w.Zeros(8);
  w.U8(t.tableType);
  w.U16(t.maxColumns);
  w.U16(t.variableColumns);
  w.U16(uint16_t(t.columns.size()));
  w.U32(uint32_t(t.logicalIndexes.size()));
  w.U32(uint32_t(t.realIndexes.size()));
  w.U32(t.ownedMap);
  w.U32(t.freeMap);
  for (const auto& index : t.realIndexes) {
    w.U32(0);
    w.U32(index.uniqueCount);
    w.U32(0);
  }
  for (const auto& c : t.columns) WriteColumnDescriptor(w, c);
  for (const auto& c : t.columns) WriteName(w, c.name);
  for (const auto& index : t.realIndexes) WriteRealIndex(w, index);
  for (const auto& index : t.logicalIndexes) WriteLogicalIndex(w, index);
  for (const auto& index : t.logicalIndexes) WriteName(w, index.name);
  for (const auto& maps : t.longValueMaps) {
    w.U16(maps.columnId);
    w.U32(maps.ownedMap);
    w.U32(maps.freeMap);
  }
  w.U16(tdef::kTerminator);
  PutU32(&out[tdef::kDefinitionLengthOffset], uint32_t(out.size()));
  return out;
}

size_t TableDefinitionPageCount(size_t definitionLength) {
  if (definitionLength + tdef::kReservedTail <= kPageSize) return 1;
  const size_t perContinuation = kPageSize - tdef::kContinuationHeaderSize;
  const size_t rest = definitionLength - kPageSize;
  return 1 + (rest + perContinuation - 1) / perContinuation;
}

std::vector<std::vector<uint8_t>> LayOutTableDefinitionPages(std::span<const uint8_t> definition,
                                                             std::span<const uint32_t> pages) {
  std::vector<std::vector<uint8_t>> images;
  const bool single = pages.size() == 1;
  size_t consumed = 0;
  for (size_t i = 0; i < pages.size(); ++i) {
    std::vector<uint8_t> page(kPageSize, 0);
    const size_t headerSize = i == 0 ? 0 : tdef::kContinuationHeaderSize;
    const size_t chunk = std::min(definition.size() - consumed, kPageSize - headerSize);
    std::copy_n(definition.begin() + consumed, chunk, page.begin() + headerSize);
    consumed += chunk;
    page[0] = uint8_t(PageType::TableDefinition);
    page[1] = 0x01;
    const uint32_t next = i + 1 < pages.size() ? pages[i + 1] : 0;
    PutU32(&page[tdef::kNextPageOffset], next);
    uint16_t freeSpace = 0;
    if (single)
      freeSpace = uint16_t(kPageSize - definition.size() - tdef::kReservedTail);
    else if (i > 0)
      freeSpace = uint16_t(kPageSize - headerSize - chunk);
    PutU16(&page[tdef::kFreeSpaceOffset], freeSpace);
    images.push_back(std::move(page));
  }
  if (consumed != definition.size())
    throw JetError(ErrorKind::Misuse, "表定义的页数不足以容纳其全部内容。");
  return images;
}

namespace {

// The checks of a decoded definition that the row codec and the writer rely on.
void CheckColumns(const TableDefinition& t, const std::string& what) {
  auto fail = [&](const std::string& why) { return JetError(ErrorKind::Corrupt, "数据库文件已损坏：" + what + why); };
  if (t.maxColumns > kMaxColumns || t.variableColumns > kMaxColumns)
    throw fail("的列数上限超过了 " + std::to_string(kMaxColumns) + "。");
  std::array<bool, kMaxColumns> ids{}, slots{};
  for (const auto& c : t.columns) {
    const std::string column = "的列 id " + std::to_string(c.id);
    if (c.id >= t.maxColumns) throw fail(column + " 不小于列数上限 " + std::to_string(t.maxColumns) + "。");
    if (ids[c.id]) throw fail(column + " 出现了不止一次。");
    ids[c.id] = true;
    if (c.IsFixedLength()) {
      const size_t width = std::max<size_t>(c.length, FixedLengthOf(c.type));
      if (size_t(c.fixedOffset) + width > kMaxRowSize)
        throw fail(column + " 的定长偏移 " + std::to_string(c.fixedOffset) + " 超出了行的最大长度。");
      continue;
    }
    if (c.varIndex >= t.variableColumns)
      throw fail(column + " 的变长序号 " + std::to_string(c.varIndex) + " 不小于变长列数上限 " +
                 std::to_string(t.variableColumns) + "。");
    if (slots[c.varIndex]) throw fail(column + " 的变长序号 " + std::to_string(c.varIndex) + " 与另一列相同。");
    slots[c.varIndex] = true;
  }
  for (const auto& index : t.logicalIndexes)
    if (index.realIndex >= t.realIndexes.size())
      throw fail("的逻辑索引指向不存在的实际索引 #" + std::to_string(index.realIndex) + "。");
}

}  // namespace

TableDefinition DecodeTableDefinition(std::span<const uint8_t> definition, uint32_t firstPage) {
  const std::string what = PageText(firstPage) + "上的表定义";
  ByteReader r(definition, what.c_str());
  TableDefinition t;
  if (r.U8() != uint8_t(PageType::TableDefinition)) throw CorruptPage(firstPage, "不是表定义页。");
  r.Seek(tdef::kDefinitionLengthOffset);
  const uint32_t length = r.U32();
  if (length > definition.size() || length < tdef::kBodyOffset || length > kMaxDefinitionLength)
    throw CorruptPage(firstPage, "上的表定义的长度 " + std::to_string(length) + " 不正确。");
  ByteReader body(definition.first(length), what.c_str());
  body.Seek(tdef::kRowCountOffset);
  t.rowCount = body.U32();
  t.autoNumber = body.U32();
  t.autoIncrement = int32_t(body.U32());
  body.Seek(tdef::kTableTypeOffset);
  t.tableType = body.U8();
  t.maxColumns = body.U16();
  t.variableColumns = body.U16();
  const uint16_t columnCount = body.U16();
  const uint32_t logicalCount = body.U32();
  const uint32_t realCount = body.U32();
  t.ownedMap = body.U32();
  t.freeMap = body.U32();
  if (realCount > kMaxIndexes || logicalCount > kMaxIndexes)
    throw CorruptPage(firstPage, "上的表定义的索引数目不正确。");
  if (columnCount > kMaxColumns)
    throw CorruptPage(firstPage, "上的表定义的列数 " + std::to_string(columnCount) + " 超过了 255。");
  t.realIndexes.resize(realCount);
  for (auto& index : t.realIndexes) {
    body.Skip(tdef::kStatisticsUniqueCountOffset);
    index.uniqueCount = body.U32();
    body.Skip(tdef::kIndexStatisticsSize - tdef::kStatisticsUniqueCountOffset - 4);
  }
  for (uint16_t i = 0; i < columnCount; ++i) t.columns.push_back(ReadColumnDescriptor(body));
  for (auto& c : t.columns) c.name = ReadName(body);
  for (auto& index : t.realIndexes) {
    body.Skip(4);
    for (size_t slot = 0; slot < tdef::kRealIndexColumnSlots; ++slot) {
      const uint16_t id = body.U16();
      const uint8_t order = body.U8();
      if (id != tdef::kUnusedIndexColumn) index.columns.push_back({id, order});
    }
    index.usageMap = body.U32();
    index.rootPage = body.U32();
    body.Skip(4);
    index.flags = body.U16();
    body.Skip(4);
  }
  t.logicalIndexes.resize(logicalCount);
  for (auto& index : t.logicalIndexes) {
    body.Skip(4);
    index.number = body.U32();
    index.realIndex = body.U32();
    body.Skip(tdef::kLogicalIndexKindOffset - tdef::kLogicalIndexRelationTypeOffset);
    index.kind = body.U8();
    body.Skip(tdef::kLogicalIndexSize - tdef::kLogicalIndexKindOffset - 1);
  }
  for (auto& index : t.logicalIndexes) index.name = ReadName(body);
  for (;;) {
    const uint16_t id = body.U16();
    if (id == tdef::kTerminator) break;
    LongValueColumnMaps maps;
    maps.columnId = id;
    maps.ownedMap = body.U32();
    maps.freeMap = body.U32();
    t.longValueMaps.push_back(maps);
  }
  if (body.Remaining() != 0)
    throw CorruptPage(firstPage, "上的表定义在结束标记之后还有 " + std::to_string(body.Remaining()) + " 字节，与其长度不符。");
  CheckColumns(t, what);
  return t;
}

}  // namespace ipmdb::jet
