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

// The fixed-size parts of a definition (its head, the index statistics, the column descriptors
// and the index definitions) are written and read field by field at the offsets PageLayout.h
// names; every field not set here is zero. Only the names and the long-value map list run on
// from where the part before them ended.

// A zeroed block of `size` bytes appended to the definition, to be filled at named offsets.
uint8_t* AppendBlock(std::vector<uint8_t>& out, size_t size) {
  out.resize(out.size() + size, 0);
  return out.data() + out.size() - size;
}

void WriteColumnDescriptor(std::vector<uint8_t>& out, const ColumnDefinition& c) {
  uint8_t* d = AppendBlock(out, tdef::kColumnDescriptorSize);
  d[tdef::kColumnTypeOffset] = uint8_t(c.type);
  PutU32(d + tdef::kColumnMarkerOffset, tdef::kMarker);
  PutU16(d + tdef::kColumnIdOffset, c.id);
  PutU16(d + tdef::kColumnVarIndexOffset, c.varIndex);
  PutU16(d + tdef::kColumnOrdinalOffset, c.ordinal);
  PutU16(d + tdef::kColumnCollationOffset, c.collation);
  d[tdef::kColumnSortIdOffset] = c.sortId;
  d[tdef::kColumnSortVersionOffset] = c.sortVersion;
  d[tdef::kColumnFlagsOffset] = c.flags;
  d[tdef::kColumnExtFlagsOffset] = c.extFlags;
  PutU16(d + tdef::kColumnFixedOffsetOffset, c.IsFixedLength() ? c.fixedOffset : 0);
  PutU16(d + tdef::kColumnLengthOffset, c.length);
}

ColumnDefinition ReadColumnDescriptor(ByteReader& r) {
  const uint8_t* d = r.Bytes(tdef::kColumnDescriptorSize).data();
  ColumnDefinition c;
  c.type = ColumnType(d[tdef::kColumnTypeOffset]);
  c.id = GetU16(d + tdef::kColumnIdOffset);
  c.varIndex = GetU16(d + tdef::kColumnVarIndexOffset);
  c.ordinal = GetU16(d + tdef::kColumnOrdinalOffset);
  c.collation = GetU16(d + tdef::kColumnCollationOffset);
  c.sortId = d[tdef::kColumnSortIdOffset];
  c.sortVersion = d[tdef::kColumnSortVersionOffset];
  c.flags = d[tdef::kColumnFlagsOffset];
  c.extFlags = d[tdef::kColumnExtFlagsOffset];
  c.fixedOffset = GetU16(d + tdef::kColumnFixedOffsetOffset);
  c.length = GetU16(d + tdef::kColumnLengthOffset);
  return c;
}

void WriteRealIndex(std::vector<uint8_t>& out, const RealIndexDefinition& index) {
  uint8_t* d = AppendBlock(out, tdef::kRealIndexSize);
  PutU32(d + tdef::kRealIndexMarkerOffset, tdef::kRealIndexMarker);
  for (size_t slot = 0; slot < tdef::kRealIndexColumnSlots; ++slot) {
    uint8_t* s = d + tdef::kRealIndexColumnsOffset + tdef::kRealIndexColumnSlotSize * slot;
    const bool used = slot < index.columns.size();
    PutU16(s, used ? index.columns[slot].columnId : tdef::kUnusedIndexColumn);
    s[2] = used ? index.columns[slot].order : 0;
  }
  PutU32(d + tdef::kRealIndexUsageMapOffset, index.usageMap);
  PutU32(d + tdef::kRealIndexRootOffset, index.rootPage);
  PutU16(d + tdef::kRealIndexFlagsOffset, index.flags);
}

RealIndexDefinition ReadRealIndex(ByteReader& r, uint32_t uniqueCount) {
  const uint8_t* d = r.Bytes(tdef::kRealIndexSize).data();
  RealIndexDefinition index;
  index.uniqueCount = uniqueCount;
  for (size_t slot = 0; slot < tdef::kRealIndexColumnSlots; ++slot) {
    const uint8_t* s = d + tdef::kRealIndexColumnsOffset + tdef::kRealIndexColumnSlotSize * slot;
    if (GetU16(s) != tdef::kUnusedIndexColumn) index.columns.push_back({GetU16(s), s[2]});
  }
  index.usageMap = GetU32(d + tdef::kRealIndexUsageMapOffset);
  index.rootPage = GetU32(d + tdef::kRealIndexRootOffset);
  index.flags = GetU16(d + tdef::kRealIndexFlagsOffset);
  return index;
}

void WriteLogicalIndex(std::vector<uint8_t>& out, const LogicalIndexDefinition& index) {
  uint8_t* d = AppendBlock(out, tdef::kLogicalIndexSize);
  PutU32(d + tdef::kLogicalIndexMarkerOffset, tdef::kMarker);
  PutU32(d + tdef::kLogicalIndexNumberOffset, index.number);
  PutU32(d + tdef::kLogicalIndexRealIndexOffset, index.realIndex);
  PutU32(d + tdef::kLogicalIndexOtherIndexOffset, tdef::kNoOtherIndex);
  d[tdef::kLogicalIndexCascadeUpdateOffset] = tdef::kNoCascade;
  d[tdef::kLogicalIndexCascadeDeleteOffset] = tdef::kNoCascade;
  d[tdef::kLogicalIndexKindOffset] = index.kind;
}

LogicalIndexDefinition ReadLogicalIndex(ByteReader& r) {
  const uint8_t* d = r.Bytes(tdef::kLogicalIndexSize).data();
  LogicalIndexDefinition index;
  index.number = GetU32(d + tdef::kLogicalIndexNumberOffset);
  index.realIndex = GetU32(d + tdef::kLogicalIndexRealIndexOffset);
  index.kind = d[tdef::kLogicalIndexKindOffset];
  return index;
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
  // The free space and the next page are set per page (LayOutTableDefinitionPages), the
  // definition's length once it is complete.
  std::vector<uint8_t> out(tdef::kBodyOffset, 0);
  uint8_t* head = out.data();
  StartPage(head, PageType::TableDefinition);
  PutU32(head + tdef::kMarkerOffset, tdef::kMarker);
  PutU32(head + tdef::kRowCountOffset, t.rowCount);
  PutU32(head + tdef::kAutoNumberOffset, t.autoNumber);
  PutU32(head + tdef::kAutoIncrementOffset, uint32_t(t.autoIncrement));
  head[tdef::kTableTypeOffset] = t.tableType;
  PutU16(head + tdef::kMaxColumnsOffset, t.maxColumns);
  PutU16(head + tdef::kVariableColumnsOffset, t.variableColumns);
  PutU16(head + tdef::kColumnCountOffset, uint16_t(t.columns.size()));
  PutU32(head + tdef::kLogicalIndexCountOffset, uint32_t(t.logicalIndexes.size()));
  PutU32(head + tdef::kRealIndexCountOffset, uint32_t(t.realIndexes.size()));
  PutU32(head + tdef::kOwnedMapOffset, t.ownedMap);
  PutU32(head + tdef::kFreeMapOffset, t.freeMap);
  for (const auto& index : t.realIndexes)
    PutU32(AppendBlock(out, tdef::kIndexStatisticsSize) + tdef::kStatisticsUniqueCountOffset, index.uniqueCount);
  for (const auto& c : t.columns) WriteColumnDescriptor(out, c);
  ByteWriter w(out);
  for (const auto& c : t.columns) WriteName(w, c.name);
  for (const auto& index : t.realIndexes) WriteRealIndex(out, index);
  for (const auto& index : t.logicalIndexes) WriteLogicalIndex(out, index);
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
    StartPage(page.data(), PageType::TableDefinition);
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
void CheckColumns(const TableDefinition& t, uint32_t firstPage) {
  auto fail = [&](const std::string& why) { return CorruptPage(firstPage, "上的表定义" + why); };
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
  const ErrorPlace place{firstPage, std::nullopt};
  ByteReader r(definition, what.c_str(), place);
  TableDefinition t;
  if (r.U8() != uint8_t(PageType::TableDefinition)) throw CorruptPage(firstPage, "不是表定义页。");
  r.Seek(tdef::kDefinitionLengthOffset);
  const uint32_t length = r.U32();
  if (length > definition.size() || length < tdef::kBodyOffset || length > kMaxDefinitionLength)
    throw CorruptPage(firstPage, "上的表定义的长度 " + std::to_string(length) + " 不正确。");
  // The whole head lies within the definition's length, checked above.
  const uint8_t* head = definition.data();
  t.rowCount = GetU32(head + tdef::kRowCountOffset);
  t.autoNumber = GetU32(head + tdef::kAutoNumberOffset);
  t.autoIncrement = int32_t(GetU32(head + tdef::kAutoIncrementOffset));
  t.tableType = head[tdef::kTableTypeOffset];
  t.maxColumns = GetU16(head + tdef::kMaxColumnsOffset);
  t.variableColumns = GetU16(head + tdef::kVariableColumnsOffset);
  const uint16_t columnCount = GetU16(head + tdef::kColumnCountOffset);
  const uint32_t logicalCount = GetU32(head + tdef::kLogicalIndexCountOffset);
  const uint32_t realCount = GetU32(head + tdef::kRealIndexCountOffset);
  t.ownedMap = GetU32(head + tdef::kOwnedMapOffset);
  t.freeMap = GetU32(head + tdef::kFreeMapOffset);
  ByteReader body(definition.first(length), what.c_str(), place);
  body.Seek(tdef::kBodyOffset);
  if (realCount > kMaxIndexes || logicalCount > kMaxIndexes)
    throw CorruptPage(firstPage, "上的表定义的索引数目不正确。");
  if (columnCount > kMaxColumns)
    throw CorruptPage(firstPage, "上的表定义的列数 " + std::to_string(columnCount) + " 超过了 255。");
  std::vector<uint32_t> uniqueCounts;
  for (uint32_t i = 0; i < realCount; ++i) {
    const uint8_t* statistics = body.Bytes(tdef::kIndexStatisticsSize).data();
    uniqueCounts.push_back(GetU32(statistics + tdef::kStatisticsUniqueCountOffset));
  }
  for (uint16_t i = 0; i < columnCount; ++i) t.columns.push_back(ReadColumnDescriptor(body));
  for (auto& c : t.columns) c.name = ReadName(body);
  for (const uint32_t uniqueCount : uniqueCounts) t.realIndexes.push_back(ReadRealIndex(body, uniqueCount));
  for (uint32_t i = 0; i < logicalCount; ++i) t.logicalIndexes.push_back(ReadLogicalIndex(body));
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
  CheckColumns(t, firstPage);
  return t;
}

}  // namespace ipmdb::jet
