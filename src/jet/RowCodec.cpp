#include "jet/RowCodec.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "jet/Bytes.h"
#include "jet/Error.h"
#include "jet/LongValue.h"
#include "jet/PageLayout.h"
#include "jet/TextCodec.h"

namespace ipmdb::jet {
namespace {

// The Microsoft engine cannot read back a row without variable columns that is shorter than
// this; such rows are padded with zeros before the null mask, where no reader looks.
constexpr size_t kMinRowSize = 5;

void SetMaskBit(uint8_t* mask, uint16_t id) { mask[id / 8] |= uint8_t(1u << (id % 8)); }
bool MaskBit(const uint8_t* mask, uint16_t id) { return (mask[id / 8] >> (id % 8)) & 1; }

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
      std::memcpy(at, v.binary.data(), std::min<size_t>(v.binary.size(), slot.length));
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

}  // namespace

RowLayout::RowLayout(const TableDefinition& table, std::string tableName)
    : FTableName(std::move(tableName)), FColumnCount(table.maxColumns) {
  std::vector<std::pair<uint16_t, Slot>> variable;
  for (const auto& c : table.columns) {
    Slot slot{c.type, c.id, c.fixedOffset, c.length, c.AllowsCompression()};
    FColumnCount = std::max<uint16_t>(FColumnCount, uint16_t(c.id + 1));
    if (c.IsFixedLength()) {
      FFixed.push_back(slot);
      if (c.type != ColumnType::Boolean)
        FFixedAreaSize = std::max<size_t>(FFixedAreaSize, size_t(c.fixedOffset) + c.length);
    } else {
      variable.emplace_back(c.varIndex, slot);
    }
  }
  if (FColumnCount > kMaxColumns)
    throw JetError(ErrorKind::Unsupported, "表“" + FTableName + "”的列数超过了 " + std::to_string(kMaxColumns) + "。");
  std::sort(variable.begin(), variable.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
  for (const auto& [index, slot] : variable) FVariable.push_back(slot);
}

size_t EncodeRowInto(const RowLayout& layout, std::span<const CellValue> values, std::vector<uint8_t>& buffer) {
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
        std::memcpy(row + at, v.binary.data(), v.binary.size());
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
          std::memcpy(row + at, v.binary.data(), length);
        EncodeInlineLongValueDescriptor(uint32_t(length), descriptor);
        at += length;
      } else {
        std::memcpy(row + at, v.binary.data(), v.binary.size());
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

std::vector<StoredValue> DecodeRow(const RowLayout& layout, std::span<const uint8_t> row,
                                   const LongValueRowFetcher& fetch) {
  const size_t maskSize = layout.NullMaskSize();
  if (row.size() < 2 + maskSize)
    throw JetError(ErrorKind::Corrupt, "数据库文件已损坏：表“" + layout.TableName() + "”的一行过短。");
  const uint16_t storedColumns = GetU16(row.data());
  const size_t storedMaskSize = (size_t(storedColumns) + 7) / 8;
  if (storedMaskSize > row.size() - 2)
    throw JetError(ErrorKind::Corrupt, "数据库文件已损坏：表“" + layout.TableName() + "”的一行的列数不正确。");
  const uint8_t* mask = row.data() + row.size() - storedMaskSize;
  auto present = [&](uint16_t id) { return id < storedColumns && MaskBit(mask, id); };

  std::vector<StoredValue> values(layout.ColumnCount());
  for (const auto& slot : layout.FixedSlots()) {
    if (slot.type == ColumnType::Boolean) {
      values[slot.id].kind = CellValue::Kind::Boolean;
      values[slot.id].boolean = present(slot.id);
      continue;
    }
    if (!present(slot.id)) continue;
    // Numbers are read at their type's width, whatever length a damaged descriptor gives.
    const size_t width = std::max<size_t>(slot.length, FixedLengthOf(slot.type));
    if (2 + size_t(slot.fixedOffset) + width > row.size() - storedMaskSize)
      throw JetError(ErrorKind::Corrupt, "数据库文件已损坏：表“" + layout.TableName() + "”的定长列超出了行。");
    values[slot.id] = DecodeFixed(slot, row.data() + 2 + slot.fixedOffset);
  }

  const auto& variable = layout.VariableSlots();
  if (variable.empty()) return values;
  const size_t trailer = row.size() - storedMaskSize;  // the variable count sits just before the mask
  if (trailer < 4) throw JetError(ErrorKind::Corrupt, "数据库文件已损坏：表“" + layout.TableName() + "”的一行缺少变长列表。");
  const uint16_t storedVariable = GetU16(&row[trailer - 2]);
  if (size_t(storedVariable) * 2 + 4 > trailer)
    throw JetError(ErrorKind::Corrupt, "数据库文件已损坏：表“" + layout.TableName() + "”的变长列表不正确。");
  // Offsets run backwards from the count: variable column 0 first, the end offset last.
  auto offsetOf = [&](size_t index) { return GetU16(&row[trailer - 4 - 2 * index]); };
  for (size_t i = 0; i < variable.size() && i < storedVariable; ++i) {
    const auto& slot = variable[i];
    if (!present(slot.id)) continue;
    const size_t begin = offsetOf(i);
    const size_t end = offsetOf(i + 1);
    if (begin > end || end > trailer)
      throw JetError(ErrorKind::Corrupt, "数据库文件已损坏：表“" + layout.TableName() + "”的变长列超出了行。");
    const auto bytes = row.subspan(begin, end - begin);
    StoredValue& v = values[slot.id];
    switch (slot.type) {
      case ColumnType::Text:
        v.kind = CellValue::Kind::Text;
        v.text = DecodeText(bytes);
        break;
      case ColumnType::Memo:
        v.kind = CellValue::Kind::Text;
        v.text = DecodeText(ReadLongValue(bytes, fetch));
        break;
      case ColumnType::Ole:
        v.kind = CellValue::Kind::Binary;
        v.binary = ReadLongValue(bytes, fetch);
        break;
      default:
        v.kind = CellValue::Kind::Binary;
        v.binary.assign(bytes.begin(), bytes.end());
        break;
    }
  }
  return values;
}

}  // namespace ipmdb::jet
