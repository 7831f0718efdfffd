// An INSERT statement of any UTF-16 text (the input's bytes as little-endian code units) into a
// table with a column of every type the engine writes: whatever it holds, the parser and the
// converter either refuse it with an error or hand on values that the row encoder writes and the
// row decoder reads back unchanged. The statement runs twice through the same parser and
// converter, as a connection runs many, and must give the same row both times.
#include <cstring>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "jet/Error.h"
#include "jet/InsertParser.h"
#include "jet/RowCodec.h"
#include "jet/ValueConverter.h"

using namespace ipmdb::jet;
using ipmdb::fuzz::Require;

namespace {

struct Table {
  TableDefinition definition;
  RowLayout layout;
  std::vector<ColumnTarget> targets;  // by column id
};

Table MakeTable() {
  const std::vector<ColumnSpec> specs = {
      {u"yes", ColumnType::Boolean, 0, 0, false, 0},     {u"byte", ColumnType::Byte, 0, 0, false, 0},
      {u"short", ColumnType::Integer, 0, 0, false, 0},   {u"long", ColumnType::Long, 0, 0, false, 0},
      {u"money", ColumnType::Currency, 0, 0, false, 0},  {u"single", ColumnType::Single, 0, 0, false, 0},
      {u"double", ColumnType::Double, 0, 0, false, 0},   {u"date", ColumnType::DateTime, 0, 0, false, 0},
      {u"bytes", ColumnType::Binary, 16, 0, false, 0},   {u"text", ColumnType::Text, 510, 0x0804, true, 0},
      {u"short_text", ColumnType::Text, 8, 0x0409, false, 0}, {u"ole", ColumnType::Ole, 0, 0, false, 0},
      {u"memo", ColumnType::Memo, 0, 0x0804, true, 0},   {u"guid", ColumnType::Guid, 0, 0, false, 0},
  };
  TableDefinition definition;
  definition.columns = LayOutColumns(specs, false);
  definition.maxColumns = uint16_t(specs.size());
  for (const ColumnDefinition& c : definition.columns) {
    if (!c.IsFixedLength()) ++definition.variableColumns;
  }
  RowLayout layout(definition, "T");
  std::vector<ColumnTarget> targets(specs.size());
  for (const ColumnDefinition& c : definition.columns) {
    targets[c.id] = ColumnTarget{"T", std::string(c.name.begin(), c.name.end()), c.type, c.length};
  }
  return {std::move(definition), std::move(layout), std::move(targets)};
}

const Table& TheTable() {
  static const Table table = MakeTable();
  return table;
}

// The column of that name (ASCII names, compared without case), or -1.
int ColumnNamed(std::u16string_view name) {
  for (const ColumnDefinition& c : TheTable().definition.columns) {
    if (c.name.size() == name.size() &&
        std::equal(name.begin(), name.end(), c.name.begin(), [](char16_t a, char16_t b) {
          return (a >= u'A' && a <= u'Z' ? a + 32 : a) == b;
        })) {
      return c.id;
    }
  }
  return -1;
}

// The values of the statement by column id, or false when it is refused.
bool Convert(const InsertStatement& statement, ValueConverter& converter, std::vector<CellValue>& values) {
  const Table& table = TheTable();
  values.assign(table.targets.size(), CellValue::Null());
  converter.Reset();
  const bool positional = statement.columns.empty();
  if (positional ? statement.values.size() != values.size() : statement.columns.size() != statement.values.size()) {
    return false;
  }
  std::vector<bool> assigned(values.size());
  for (size_t i = 0; i < statement.values.size(); ++i) {
    const int id = positional ? int(i) : ColumnNamed(statement.columns[i]);
    if (id < 0 || assigned[id]) return false;
    assigned[id] = true;
    values[id] = converter.Convert(statement.values[i], table.targets[id]);
  }
  return true;
}

bool SameBits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

void RequireReadBack(const CellValue& in, const StoredValue& out, ColumnType type) {
  using Kind = CellValue::Kind;
  if (type == ColumnType::Boolean) {
    Require(out.kind == Kind::Boolean && out.boolean == (in.kind == Kind::Boolean && in.boolean),
            "a Yes/No value does not read back");
    return;
  }
  Require(out.kind == in.kind, "a value reads back as another kind");
  switch (in.kind) {
    case Kind::Integer: Require(out.integer == in.integer, "an integer does not read back"); break;
    case Kind::Real:
      Require(SameBits(out.real, type == ColumnType::Single ? double(float(in.real)) : in.real),
              "a number does not read back");
      break;
    case Kind::Text: Require(out.text == in.text, "a text does not read back"); break;
    case Kind::Binary:
      Require(std::equal(in.binary.begin(), in.binary.end(), out.binary.begin(), out.binary.end()),
              "binary bytes do not read back");
      break;
    default: break;
  }
}

// The encoded row, empty when the statement is refused.
std::vector<uint8_t> Run(std::u16string_view sql, InsertParser& parser, ValueConverter& converter) {
  const Table& table = TheTable();
  std::vector<CellValue> values;
  std::vector<uint8_t> row;
  try {
    if (!Convert(parser.Parse(sql), converter, values)) return {};
    EncodeRow(table.layout, values, row);
  } catch (const JetError& e) {
    Require(e.Kind() == ErrorKind::BadSql || e.Kind() == ErrorKind::BadValue, "a statement is refused as other than bad SQL or a bad value");
    return {};
  }
  const std::vector<StoredValue> back = DecodeRow(table.layout, row, 0, nullptr);
  for (const ColumnDefinition& c : table.definition.columns) RequireReadBack(values[c.id], back[c.id], c.type);
  return row;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::u16string sql(size / 2, u'\0');
  std::memcpy(sql.data(), data, sql.size() * 2);
  InsertParser parser;
  ValueConverter converter;
  const std::vector<uint8_t> first = Run(sql, parser, converter);
  Require(Run(sql, parser, converter) == first, "a statement gives another row the second time");
  return 0;
}
