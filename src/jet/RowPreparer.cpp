#include "jet/RowPreparer.h"

#include <algorithm>

#include "jet/Database.h"
#include "jet/Error.h"
#include "jet/SqlChars.h"
#include "jet/Utf8.h"

namespace ipmdb::jet {

TableSchema::TableSchema(std::u16string tableName, TableDefinition table)
    : name(std::move(tableName)), nameUtf8(Utf16ToUtf8(name)), definition(std::move(table)), layout(definition, nameUtf8) {
  std::vector<const ColumnDefinition*> ordered;
  for (const auto& c : definition.columns) ordered.push_back(&c);
  std::sort(ordered.begin(), ordered.end(),
            [](const ColumnDefinition* a, const ColumnDefinition* b) { return a->id < b->id; });
  targets.resize(layout.ColumnCount());
  for (const ColumnDefinition* c : ordered) {
    positional.push_back(c->id);
    targets[c->id] = ColumnTarget{nameUtf8, Utf16ToUtf8(c->name), c->type, c->length};
  }
}

std::span<const uint8_t> RowPreparer::PreparePositional(const TableSchema& table, std::span<const SqlLiteral> values,
                                                        const HeldBackText* heldBack) {
  if (values.size() != table.positional.size())
    throw JetError(ErrorKind::BadSql, "INSERT 语句给出了 " + std::to_string(values.size()) + " 个值，而表" +
                                          QuotedName(table.name) + "有 " + std::to_string(table.positional.size()) +
                                          " 列。");
  FValues.resize(table.layout.ColumnCount());
  FConverter.Reset();
  for (size_t i = 0; i < values.size(); ++i) {
    const ColumnTarget& column = table.targets[table.positional[i]];
    if (heldBack != nullptr && heldBack->position == i) FConverter.RefuseHeldBackText(heldBack->characters, column);
    FValues[table.positional[i]] = FConverter.Convert(values[i], column);
  }
  return Encode(table);
}

std::span<const uint8_t> RowPreparer::Prepare(const TableSchema& table, const InsertStatement& statement,
                                              const HeldBackText* heldBack) {
  if (statement.columns.empty()) return PreparePositional(table, statement.values, heldBack);
  if (heldBack != nullptr) throw JetError(ErrorKind::Misuse, "省略的值只能用于按位置给出值的 INSERT 语句。");
  // A statement that names its columns leaves the others NULL.
  FValues.assign(table.layout.ColumnCount(), CellValue::Null());
  FAssigned.assign(table.layout.ColumnCount(), false);
  FConverter.Reset();
  for (size_t i = 0; i < statement.columns.size(); ++i) {
    const auto& name = statement.columns[i];
    const auto column = std::find_if(table.definition.columns.begin(), table.definition.columns.end(),
                                     [&](const ColumnDefinition& c) { return SameSqlName(c.name, name); });
    if (column == table.definition.columns.end())
      throw JetError(ErrorKind::NotFound, "表" + QuotedName(table.name) + "中没有列" + QuotedName(name) + "。");
    if (FAssigned[column->id])
      throw JetError(ErrorKind::BadSql, "列" + QuotedName(name) + "在 INSERT 语句中出现了不止一次。");
    FAssigned[column->id] = true;
    FValues[column->id] = FConverter.Convert(statement.values[i], table.targets[column->id]);
  }
  return Encode(table);
}

std::span<const uint8_t> RowPreparer::Encode(const TableSchema& table) {
  const size_t length = EncodeRowInto(table.layout, FValues, FRow);
  return {FRow.data(), length};
}

PreparedRow StatementPreparer::Prepare(std::u16string_view statement, const HeldBackText* heldBack) {
  const InsertStatement& parsed = FParser.Parse(statement);
  const TableSchema& table = FDatabase.Schema(parsed.table);
  return {&table, FRows.Prepare(table, parsed, heldBack)};
}

}  // namespace ipmdb::jet
