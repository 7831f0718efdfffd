#include "jet/Database.h"

#include <algorithm>
#include <string>

#include "jet/DatabaseReader.h"
#include "jet/Error.h"
#include "jet/MapRows.h"
#include "jet/PageSource.h"
#include "jet/Utf8.h"

namespace ipmdb::jet {
namespace {

// The catalog is read through the pager, so that it sees the file after recovery.
class PagerPageSource : public PageSource {
 public:
  explicit PagerPageSource(Pager& pager) : FPager(pager) {}
  uint32_t PageCount() override { return FPager.PageCount(); }
  const uint8_t* Page(uint32_t page) override { return FPager.Read(page); }

 private:
  Pager& FPager;
};

char16_t FoldCase(char16_t c) { return (c >= u'a' && c <= u'z') ? char16_t(c - 32) : c; }

// Jet names compare without regard to case.
bool SameName(std::u16string_view a, std::u16string_view b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [](char16_t x, char16_t y) { return FoldCase(x) == FoldCase(y); });
}

std::string Quoted(std::u16string_view name) { return "“" + Utf16ToUtf8(name) + "”"; }

}  // namespace

struct Database::Table {
  Table(Pager& pager, const CatalogEntry& entry, TableDefinition table)
      : name(entry.name),
        nameUtf8(Utf16ToUtf8(entry.name)),
        definition(std::move(table)),
        layout(definition, nameUtf8),
        writer(pager, entry.DefinitionPage(), definition, nameUtf8) {
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

  std::u16string name;
  std::string nameUtf8;
  TableDefinition definition;
  RowLayout layout;
  TableWriter writer;
  std::vector<uint16_t> positional;   // column ids in the order a statement without a list fills them
  std::vector<ColumnTarget> targets;  // by column id
  bool written = false;
};

Database::Database(const std::string& path, Vfs& vfs, const DatabaseOptions& options)
    : FPath(path), FPager(std::make_unique<Pager>(vfs, path, options)) {
  PagerPageSource source(*FPager);
  DatabaseReader reader(source, FPath);
  FHeader = reader.Header();
  if (!FHeader.password.empty())
    throw JetError(ErrorKind::Unsupported, "数据库“" + FPath + "”设有密码，无法打开。");
  // Every commit rewrites the global map, and each table's writer checks its own pages: a
  // damaged file is refused here, before any transaction could change it.
  ReadGlobalFreeMap(*FPager, FHeader.freeMapPointer);
  for (const CatalogEntry& entry : reader.Catalog()) {
    if (!entry.IsTable() || entry.IsSystemObject()) continue;
    FTables.push_back(std::make_unique<Table>(*FPager, entry, reader.ReadTableDefinition(entry.DefinitionPage())));
  }
}

Database::~Database() = default;

bool Database::InTransaction() const { return FPager->InTransaction(); }

void Database::Begin() {
  if (InTransaction()) throw JetError(ErrorKind::Misuse, "事务已经开始，不能再次开始。");
  FPager->Begin();
}

void Database::Commit() {
  if (!InTransaction()) throw JetError(ErrorKind::Misuse, "没有进行中的事务，无法提交。");
  if (!FSpoiled.empty()) {
    const std::string reason = FSpoiled;
    Rollback();
    throw JetError(ErrorKind::Misuse, "事务中有一条语句未能完成，事务已回滚：" + reason);
  }
  try {
    for (Table* table : FWritten) table->writer.FlushRowCount();
    UpdateGlobalFreeMap(*FPager, FHeader.freeMapPointer);
  } catch (...) {
    Rollback();
    throw;
  }
  try {
    FPager->Commit();
  } catch (...) {
    EndTransaction();  // the pager has already put the file back to the last commit
    throw;
  }
  EndTransaction();
}

void Database::Rollback() {
  if (!InTransaction()) throw JetError(ErrorKind::Misuse, "没有进行中的事务，无法回滚。");
  FPager->Rollback();
  EndTransaction();
}

void Database::EndTransaction() {
  for (Table* table : FWritten) {
    table->writer.EndTransaction();
    table->written = false;
  }
  FWritten.clear();
  FSpoiled.clear();
}

Database::Table& Database::FindTable(std::u16string_view name) {
  if (FLastTable && SameName(FLastTable->name, name)) return *FLastTable;
  for (auto& table : FTables)
    if (SameName(table->name, name)) return *(FLastTable = table.get());
  if (SameName(name.substr(0, std::min<size_t>(name.size(), 4)), u"MSys"))
    throw JetError(ErrorKind::NotFound, "不能向系统表" + Quoted(name) + "插入数据。");
  throw JetError(ErrorKind::NotFound, "数据库中没有表" + Quoted(name) + "。");
}

void Database::AssignValues(Table& table, const InsertStatement& statement) {
  FValues.resize(table.layout.ColumnCount());
  FConverter.Reset();
  if (statement.columns.empty()) {
    if (statement.values.size() != table.positional.size())
      throw JetError(ErrorKind::BadSql, "INSERT 语句给出了 " + std::to_string(statement.values.size()) + " 个值，而表" +
                                            Quoted(table.name) + "有 " + std::to_string(table.positional.size()) + " 列。");
    for (size_t i = 0; i < statement.values.size(); ++i) {
      const uint16_t id = table.positional[i];
      FValues[id] = FConverter.Convert(statement.values[i], table.targets[id]);
    }
    return;
  }
  // A statement that names its columns leaves the others NULL.
  std::fill(FValues.begin(), FValues.end(), CellValue::Null());
  FAssigned.assign(table.layout.ColumnCount(), false);
  for (size_t i = 0; i < statement.columns.size(); ++i) {
    const auto& name = statement.columns[i];
    const auto column = std::find_if(table.definition.columns.begin(), table.definition.columns.end(),
                                     [&](const ColumnDefinition& c) { return SameName(c.name, name); });
    if (column == table.definition.columns.end())
      throw JetError(ErrorKind::NotFound, "表" + Quoted(table.name) + "中没有列" + Quoted(name) + "。");
    if (FAssigned[column->id])
      throw JetError(ErrorKind::BadSql, "列" + Quoted(name) + "在 INSERT 语句中出现了不止一次。");
    FAssigned[column->id] = true;
    FValues[column->id] = FConverter.Convert(statement.values[i], table.targets[column->id]);
  }
}

void Database::Execute(std::u16string_view sql) {
  const InsertStatement& statement = FParser.Parse(sql);
  Table& table = FindTable(statement.table);
  AssignValues(table, statement);
  const size_t rowLength = EncodeRowInto(table.layout, FValues, FRow);

  // Everything that can refuse the statement has run; from here on pages change.
  const bool ownTransaction = !InTransaction();
  if (ownTransaction) Begin();
  if (!table.written) {
    table.written = true;
    FWritten.push_back(&table);
  }
  try {
    table.writer.Append({FRow.data(), rowLength});
  } catch (const std::exception& e) {
    if (ownTransaction) {
      Rollback();
    } else if (FSpoiled.empty()) {
      FSpoiled = e.what();
    }
    throw;
  }
  if (ownTransaction) Commit();
}

}  // namespace ipmdb::jet
