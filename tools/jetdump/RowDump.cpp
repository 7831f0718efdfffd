// Decoded table rows for the page dump.
#include "RowDump.h"

#include <algorithm>
#include <optional>

#include "DumpText.h"
#include "jet/Bytes.h"
#include "jet/DatabaseReader.h"
#include "jet/PageLayout.h"
#include "jet/PropertyBlob.h"
#include "jet/SystemCatalog.h"
#include "jet/TextCodec.h"

namespace ipmdb::jetdump {
namespace {

using jet::ColumnType;

constexpr size_t kTextPreviewChars = 80;
constexpr size_t kBytePreview = 16;
constexpr size_t kCatalogObjects = 0;  // index of MSysObjects among the header's catalog pages
constexpr char16_t kPropertiesColumn[] = u"LvProp";

std::string QuotedText(std::u16string_view text) {
  if (text.size() <= kTextPreviewChars) return "“" + Utf8(text) + "”";
  return "“" + Utf8(text.substr(0, kTextPreviewChars)) + "…”（共 " + std::to_string(text.size()) + " 个字符）";
}

std::string BytesText(std::span<const uint8_t> bytes) {
  return std::to_string(bytes.size()) + " 字节" + (bytes.empty() ? "" : "：" + HexBytes(bytes, kBytePreview));
}

const char* KnownSidName(std::span<const uint8_t> plain) {
  const std::pair<const char*, jet::catalog::Sid> accounts[] = {{"admin", jet::catalog::kAdminSid},
                                                                {"Users", jet::catalog::kUsersSid},
                                                                {"Engine", jet::catalog::kEngineSid},
                                                                {"Creator", jet::catalog::kCreatorSid}};
  for (const auto& [name, sid] : accounts)
    if (std::equal(plain.begin(), plain.end(), sid.begin(), sid.end())) return name;
  return nullptr;
}

const char* ObjectTypeName(int64_t type) {
  switch (type & jet::catalog::kTypeMask) {
    case jet::catalog::kTypeTable: return "表";
    case jet::catalog::kTypeDatabase: return "数据库";
    case jet::catalog::kTypeContainer: return "容器";
  }
  return nullptr;
}

std::string PropertyValueText(const jet::Property& p) {
  const auto& v = p.value;
  switch (p.type) {
    case ColumnType::Text:
    case ColumnType::Memo:
      return QuotedText(jet::DecodeText(v));
    case ColumnType::Boolean:
      if (v.size() == 1) return v[0] ? "是" : "否";
      break;
    case ColumnType::Byte:
      if (v.size() == 1) return std::to_string(v[0]);
      break;
    case ColumnType::Integer:
      if (v.size() == 2) return std::to_string(jet::GetI16(v.data()));
      break;
    case ColumnType::Long:
      if (v.size() == 4) return std::to_string(jet::GetI32(v.data()));
      break;
    default:
      break;
  }
  return BytesText(v);
}

// Some engines store numbers and dates in columns without the fixed-length flag; such a value
// comes back as bytes and is read here by its column's type when its size fits the type.
std::optional<std::string> NumberFromBytes(ColumnType type, std::span<const uint8_t> bytes) {
  if (!jet::IsFixedLengthType(type) || bytes.size() != jet::FixedLengthOf(type)) return std::nullopt;
  switch (type) {
    case ColumnType::Byte: return std::to_string(bytes[0]);
    case ColumnType::Integer: return std::to_string(jet::GetI16(bytes.data()));
    case ColumnType::Long: return std::to_string(jet::GetI32(bytes.data()));
    case ColumnType::Currency: return std::to_string(jet::GetI64(bytes.data())) + "（万分之一）";
    case ColumnType::Single: return NumberText(jet::GetFloat(bytes.data()));
    case ColumnType::Double: return NumberText(jet::GetDouble(bytes.data()));
    case ColumnType::DateTime: {
      const double date = jet::GetDouble(bytes.data());
      return NumberText(date) + "（" + OleDateText(date) + "）";
    }
    default: return std::nullopt;
  }
}

}  // namespace

RowPrinter::RowPrinter(DumpContext& context, const TableInfo& table, uint32_t definitionPage)
    : FContext(context),
      FTable(table),
      FLayout(*table.definition, table.name),
      FObjectsTable(context.IsCatalogTable(definitionPage, kCatalogObjects)) {
  for (const auto& c : table.definition->columns) FColumnsById.push_back(&c);
  std::stable_sort(FColumnsById.begin(), FColumnsById.end(),
                   [](const jet::ColumnDefinition* a, const jet::ColumnDefinition* b) { return a->id < b->id; });
}

void RowPrinter::Print(std::span<const uint8_t> row, uint32_t rowPointer, int indent) {
  const std::string pad(size_t(indent), ' ');
  std::vector<jet::StoredValue> values;
  try {
    const auto fetch = [this](uint32_t pointer) { return jet::ReadRowBytes(FContext.source, pointer); };
    values = jet::DecodeRow(FLayout, row, rowPointer, fetch);
  } catch (const std::exception& e) {
    ReportError(FContext, e, indent);
    FContext.out << pad << "原始字节：" << BytesText(row) << "\n";
    return;
  }
  for (const jet::ColumnDefinition* column : FColumnsById)
    if (values[column->id].kind != jet::CellValue::Kind::Null) PrintValue(*column, values[column->id], pad);
}

void RowPrinter::PrintValue(const jet::ColumnDefinition& column, const jet::StoredValue& value,
                            const std::string& pad) {
  auto& out = FContext.out;
  out << pad << Utf8(column.name) << " = ";
  switch (value.kind) {
    case jet::CellValue::Kind::Boolean:
      out << (value.boolean ? "是" : "否") << "\n";
      return;
    case jet::CellValue::Kind::Integer:
      out << IntegerText(column, value.integer) << "\n";
      return;
    case jet::CellValue::Kind::Real:
      out << NumberText(value.real);
      if (column.type == ColumnType::DateTime) out << "（" << OleDateText(value.real) << "）";
      out << "\n";
      return;
    case jet::CellValue::Kind::Text:
      out << QuotedText(value.text) << "\n";
      return;
    default:
      break;
  }
  if (column.flags & jet::tdef::kColumnSecurityId) {
    out << SidText(value.binary) << "\n";
  } else if (column.name == kPropertiesColumn && !value.binary.empty()) {
    out << value.binary.size() << " 字节的属性数据：\n";
    PrintProperties(value.binary, pad + "  ");
  } else if (const auto number = NumberFromBytes(column.type, value.binary)) {
    out << *number << "（存于变长区）\n";
  } else {
    out << BytesText(value.binary) << "\n";
  }
}

// Longs of the engine's own tables are ids, flags and access masks: shown in hex as well.
std::string RowPrinter::IntegerText(const jet::ColumnDefinition& column, int64_t value) const {
  std::string text = std::to_string(value);
  if (column.type == ColumnType::Long && (column.flags & jet::tdef::kColumnSystemCatalog))
    text += "（" + Hex32(uint32_t(value)) + "）";
  if (FObjectsTable && column.id == jet::catalog::objects::kType)
    if (const char* name = ObjectTypeName(value)) text += "（" + std::string(name) + "）";
  return text;
}

std::string RowPrinter::SidText(std::span<const uint8_t> stored) const {
  std::string text = "存储为 " + HexBytes(stored, kBytePreview);
  if (!FContext.header) return text + "（文件头无法解读，无法去掉掩码）";
  std::vector<uint8_t> plain(stored.begin(), stored.end());
  jet::ApplySidMask(FContext.sidKey, plain);
  text += "，去掉掩码为 " + HexBytes(plain, kBytePreview);
  const char* name = KnownSidName(plain);
  return text + "（" + (name ? std::string(name) : std::to_string(plain.size()) + " 字节，不是内置账户") + "）";
}

void RowPrinter::PrintProperties(std::span<const uint8_t> blob, const std::string& pad) {
  std::vector<jet::PropertyBlock> blocks;
  try {
    blocks = jet::DecodePropertyBlob(blob);
  } catch (const std::exception& e) {
    ReportError(FContext, e, int(pad.size()));
    FContext.out << pad << "原始字节：" << BytesText(blob) << "\n";
    return;
  }
  for (const auto& block : blocks) {
    FContext.out << pad << (block.owner.empty() ? std::string("对象本身") : "列 " + Utf8(block.owner)) << "：\n";
    for (const auto& p : block.properties)
      FContext.out << pad << "  " << Utf8(p.name) << " = " << PropertyValueText(p) << "（" << ColumnTypeName(p.type)
                   << (p.ddl ? "，DDL" : "") << "）\n";
  }
}

}  // namespace ipmdb::jetdump
