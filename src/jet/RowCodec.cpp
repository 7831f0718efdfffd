#include "jet/RowCodec.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "jet/Bytes.h"
#include "jet/Error.h"
#include "jet/LongValue.h"
#include "jet/PageLayout.h"
#include "jet/TextCodec.h"
#include "jet/Utf8.h"

namespace ipmdb::jet {
namespace {

// The Microsoft engine cannot read back a row without variable columns that is shorter than
// this; such rows are padded with zeros before the null mask, where no reader looks.
constexpr size_t kMinRowSize = 5;

void SetMaskBit(uint8_t* mask, uint16_t id) { mask[id / 8] |= uint8_t(1u << (id % 8)); }

void EncodeFixed(const RowLayout::Slot& slot, const CellValue& v, uint8_t* at) {
  switch (slot.type) {
    case ColumnType::Byte:
      PutU8(at, uint8_t(v.integer));
      break;
    case ColumnType::Integer:
      PutU16(at, uint16_t(int16_t(v.integer)));
      break;
    case ColumnType::Long:
      PutU32(at, uint32_t(int32_t(v.integer)));
      break;
    case ColumnType::Currency:
      PutU64(at, uint64_t(v.integer));
      break;
    case ColumnType::Single:
      PutFloat(at, float(v.real));
      break;
    case ColumnType::Double:
    case ColumnType::DateTime:
      PutDouble(at, v.real);
      break;
    default:  // GUID and Decimal: raw bytes
      std::copy_n(v.binary.data(), std::min<size_t>(v.binary.size(), slot.length), at);
      break;
  }
}

[[noreturn]] void RowTooLong(const RowLayout& layout, size_t size) {
  throw JetError(ErrorKind::BadValue, "表“" + layout.TableName() + "”的行长 " + std::to_string(size) +
                                          " 字节，超过了每行 " + std::to_string(kMaxRowSize) + " 字节的上限。");
}

StoredValue DecodeFixed(const RowLayout::Slot& slot, const uint8_t* at) {
  StoredValue v;
  switch (slot.type) {
    case ColumnType::Byte:
      v.kind = CellValue::Kind::Integer;
      v.integer = GetU8(at);
      break;
    case ColumnType::Integer:
      v.kind = CellValue::Kind::Integer;
      v.integer = GetI16(at);
      break;
    case ColumnType::Long:
      v.kind = CellValue::Kind::Integer;
      v.integer = GetI32(at);
      break;
    case ColumnType::Currency:
      v.kind = CellValue::Kind::Integer;
      v.integer = GetI64(at);
      break;
    case ColumnType::Single:
      v.kind = CellValue::Kind::Real;
      v.real = GetFloat(at);
      break;
    case ColumnType::Double:
    case ColumnType::DateTime:
      v.kind = CellValue::Kind::Real;
      v.real = GetDouble(at);
      break;
    default:
      v.kind = CellValue::Kind::Binary;
      v.binary.assign(at, at + slot.length);
      break;
  }
  return v;
}

// The row encoder writes a fixed column at its type's own width and a variable one as text, bytes
// or a long value: other combinations (a fixed text, a number stored variable, a width unlike its
// type's, an unknown type) it can read but not write.
bool IsWritable(const ColumnDefinition& c) {
  if (c.IsFixedLength()) return IsFixedLengthType(c.type) && c.length == FixedLengthOf(c.type);
  return c.type == ColumnType::Text || c.type == ColumnType::Binary || c.IsLongValue();
}

}  // namespace

RowLayout::RowLayout(const TableDefinition& table, std::string tableName) : FTableName(std::move(tableName)) {
  std::vector<std::pair<uint16_t, Slot>> variable;
  size_t columnCount = table.maxColumns;  // values are indexed by id: every id must be below it
  for (const auto& c : table.columns) {
    Slot slot{c.type, c.id, c.fixedOffset, c.length, c.AllowsCompression()};
    columnCount = std::max(columnCount, size_t(c.id) + 1);
    if (FUnwritable.empty() && !IsWritable(c)) FUnwritable = Utf16ToUtf8(c.name);
    if (c.IsFixedLength()) {
      FFixed.push_back(slot);
      if (c.type != ColumnType::Boolean)
        FFixedAreaSize = std::max<size_t>(FFixedAreaSize, size_t(c.fixedOffset) + c.length);
    } else {
      variable.emplace_back(c.varIndex, slot);
    }
  }
  if (columnCount > kMaxColumns)
    throw JetError(ErrorKind::Unsupported, "表“" + FTableName + "”的列数超过了 " + std::to_string(kMaxColumns) + "。");
  FColumnCount = uint16_t(columnCount);
  std::sort(variable.begin(), variable.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
  for (const auto& [index, slot] : variable) FVariable.push_back(slot);
}

size_t EncodeRowInto(const RowLayout& layout, std::span<const CellValue> values, std::vector<uint8_t>& buffer) {
  if (!layout.UnwritableColumn().empty())
    throw JetError(ErrorKind::Unsupported, "表“" + layout.TableName() + "”的列“" + layout.UnwritableColumn() +
                                               "”的类型与存储方式不是本程序能写入的组合，不能向该表插入记录。");
  if (values.size() < layout.ColumnCount())
    throw JetError(ErrorKind::Misuse, "表“" + layout.TableName() + "”的一行缺少列值。");
  const auto& variable = layout.VariableSlots();
  const size_t maskSize = layout.NullMaskSize();
  const size_t fixedEnd = 2 + layout.FixedAreaSize();

  // The most the row can take, so that it is written through one pointer without regrowing.
  size_t bound = fixedEnd + 2 * (variable.size() + 2) + maskSize + kMinRowSize;
  for (const auto& slot : variable) {
    const CellValue& v = values[slot.id];
    if (v.kind == CellValue::Kind::Null) continue;
    bound += v.kind == CellValue::Kind::Text ? longvalue::kDescriptorSize + MaxEncodedTextSize(v.text)
                                             : longvalue::kDescriptorSize + v.binary.size();
  }
  if (buffer.size() < bound) buffer.resize(bound);
  uint8_t* const row = buffer.data();
  std::memset(row, 0, fixedEnd);
  PutU16(row, layout.ColumnCount());
  uint8_t mask[(kMaxColumns + 7) / 8] = {};

  for (const auto& slot : layout.FixedSlots()) {
    const CellValue& v = values[slot.id];
    if (slot.type == ColumnType::Boolean) {
      if (v.kind != CellValue::Kind::Null && v.boolean) SetMaskBit(mask, slot.id);
      continue;
    }
    if (v.kind == CellValue::Kind::Null) continue;
    SetMaskBit(mask, slot.id);
    EncodeFixed(slot, v, row + 2 + slot.fixedOffset);
  }

  size_t at = fixedEnd;
  if (!variable.empty()) {
    uint16_t offsets[kMaxColumns];
    for (size_t i = 0; i < variable.size(); ++i) {
      const auto& slot = variable[i];
      offsets[i] = uint16_t(std::min<size_t>(at, 0xFFFF));
      const CellValue& v = values[slot.id];
      if (v.kind == CellValue::Kind::Null) continue;
      SetMaskBit(mask, slot.id);
      if (v.longValueDescriptor) {
        std::copy_n(v.binary.data(), v.binary.size(), row + at);
        at += v.binary.size();
      } else if (slot.type == ColumnType::Text) {
        at += EncodeText(v.text, slot.compress, row + at);
      } else if (slot.type == ColumnType::Memo || slot.type == ColumnType::Ole) {
        uint8_t* descriptor = row + at;
        at += longvalue::kDescriptorSize;
        size_t length = v.binary.size();
        if (slot.type == ColumnType::Memo)
          length = EncodeText(v.text, slot.compress, row + at);
        else
          std::copy_n(v.binary.data(), length, row + at);
        EncodeInlineLongValueDescriptor(uint32_t(length), descriptor);
        at += length;
      } else {
        std::copy_n(v.binary.data(), v.binary.size(), row + at);
        at += v.binary.size();
      }
      if (at > kMaxRowSize) RowTooLong(layout, at);
    }
    PutU16(row + at, uint16_t(at));
    at += 2;
    for (size_t i = variable.size(); i-- > 0; at += 2) PutU16(row + at, offsets[i]);
    PutU16(row + at, uint16_t(variable.size()));
    at += 2;
  } else if (at + maskSize < kMinRowSize) {
    std::memset(row + at, 0, kMinRowSize - maskSize - at);
    at = kMinRowSize - maskSize;
  }
  std::memcpy(row + at, mask, maskSize);
  at += maskSize;
  if (at > kMaxRowSize) RowTooLong(layout, at);
  return at;
}

void EncodeRow(const RowLayout& layout, std::span<const CellValue> values, std::vector<uint8_t>& out) {
  out.resize(EncodeRowInto(layout, values, out));
}

RowView::RowView(const RowLayout& layout, std::span<const uint8_t> row, uint32_t rowPointer)
    : FLayout(layout), FRow(row), FRowPointer(rowPointer) {
  if (row.size() < 2) Fail("过短。");
  FStoredColumns = GetU16(row.data());
  if (FStoredColumns > layout.ColumnCount())
    Fail("的列数 " + std::to_string(FStoredColumns) + " 大于表的列数 " + std::to_string(layout.ColumnCount()) + "。");
  const size_t maskSize = (size_t(FStoredColumns) + 7) / 8;
  if (maskSize > row.size() - 2) Fail("的列数 " + std::to_string(FStoredColumns) + " 与行长不符。");
  FTrailer = row.size() - maskSize;
  FMask = row.data() + FTrailer;

  for (const auto& slot : layout.FixedSlots()) {
    if (slot.type == ColumnType::Boolean || !Present(slot.id)) continue;
    // Numbers are read at their type's width, whatever length a damaged descriptor gives.
    const size_t width = std::max<size_t>(slot.length, FixedLengthOf(slot.type));
    if (2 + size_t(slot.fixedOffset) + width > FTrailer) Fail("的定长列（列 id " + std::to_string(slot.id) + "）超出了行。");
  }

  if (layout.VariableSlots().empty()) return;
  // From the end: the null mask, the variable count, the offset of each variable column (column
  // 0 first), the end of the variable data.
  if (FTrailer < 4) Fail("缺少变长列表。");
  FStoredVariable = GetU16(&row[FTrailer - 2]);
  if (size_t(FStoredVariable) * 2 + 4 > FTrailer) Fail("的变长列数 " + std::to_string(FStoredVariable) + " 与行长不符。");
  const size_t endField = FTrailer - 4 - 2 * size_t(FStoredVariable);
  size_t previous = 2;
  for (size_t i = 0; i <= FStoredVariable; ++i) {
    const size_t offset = OffsetOf(i);
    if (offset < previous || offset > endField)
      Fail("的变长列偏移 " + std::to_string(offset) + "（第 " + std::to_string(i) + " 项）超出了变长数据区。");
    previous = offset;
  }
}

uint16_t RowView::OffsetOf(size_t index) const { return GetU16(&FRow[FTrailer - 4 - 2 * index]); }

std::optional<std::span<const uint8_t>> RowView::Variable(size_t index) const {
  if (index >= FStoredVariable || !Present(FLayout.VariableSlots()[index].id)) return std::nullopt;
  const size_t begin = OffsetOf(index);
  return FRow.subspan(begin, OffsetOf(index + 1) - begin);
}

void RowView::Fail(const std::string& why) const {
  throw CorruptRow(RowPointerPage(FRowPointer), RowPointerRow(FRowPointer), "（表“" + FLayout.TableName() + "”的行）" + why);
}

std::vector<StoredValue> DecodeRow(const RowLayout& layout, std::span<const uint8_t> row, uint32_t rowPointer,
                                   const LongValueRowFetcher& fetch) {
  const RowView view(layout, row, rowPointer);
  std::vector<StoredValue> values(layout.ColumnCount());
  for (const auto& slot : layout.FixedSlots()) {
    if (slot.type == ColumnType::Boolean) {
      values[slot.id].kind = CellValue::Kind::Boolean;
      values[slot.id].boolean = view.Present(slot.id);
    } else if (view.Present(slot.id)) {
      values[slot.id] = DecodeFixed(slot, view.Fixed(slot));
    }
  }
  const auto& variable = layout.VariableSlots();
  for (size_t i = 0; i < variable.size(); ++i) {
    const auto bytes = view.Variable(i);
    if (!bytes) continue;
    const auto& slot = variable[i];
    StoredValue& v = values[slot.id];
    switch (slot.type) {
      case ColumnType::Text:
        v.kind = CellValue::Kind::Text;
        v.text = DecodeText(*bytes);
        break;
      case ColumnType::Memo:
        v.kind = CellValue::Kind::Text;
        v.text = DecodeText(ReadLongValue(*bytes, rowPointer, fetch));
        break;
      case ColumnType::Ole:
        v.kind = CellValue::Kind::Binary;
        v.binary = ReadLongValue(*bytes, rowPointer, fetch);
        break;
      default:
        v.kind = CellValue::Kind::Binary;
        v.binary.assign(bytes->begin(), bytes->end());
        break;
    }
  }
  return values;
}

}  // namespace ipmdb::jet
