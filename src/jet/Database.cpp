#include "jet/Database.h"

#include <algorithm>
#include <string>

#include "jet/DatabaseReader.h"
#include "jet/Error.h"
#include "jet/MapRows.h"
#include "jet/PageSource.h"
#include "jet/SqlChars.h"
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

}  // namespace

struct Database::Table {
  Table(Pager& pager, const CatalogEntry& entry, TableDefinition table)
      : schema(entry.name, std::move(table)), writer(pager, entry.DefinitionPage(), schema.definition, schema.nameUtf8) {}

  TableSchema schema;
  TableWriter writer;
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

const TableSchema& Database::Schema(std::u16string_view name) const {
  for (const auto& table : FTables) {
    if (!SameSqlName(table->schema.name, name)) continue;
    // Appending a row leaves every index of the table without its entry: a later reader that
    // goes by the index misses the row, and a unique key is no longer guarded.
    if (!table->schema.definition.realIndexes.empty())
      throw JetError(ErrorKind::Unsupported,
                     "不能向表" + QuotedName(name) + "插入数据：该表有索引，本程序插入行时不维护索引。");
    return table->schema;
  }
  if (SameSqlName(name.substr(0, std::min<size_t>(name.size(), 4)), u"MSys"))
    throw JetError(ErrorKind::NotFound, "不能向系统表" + QuotedName(name) + "插入数据。");
  throw JetError(ErrorKind::NotFound, "数据库中没有表" + QuotedName(name) + "。");
}

void Database::Execute(std::u16string_view sql) {
  const PreparedRow prepared = FPreparer.Prepare(sql);
  Insert(*prepared.table, prepared.row);
}

void Database::Insert(const TableSchema& schema, std::span<const uint8_t> row) {
  const auto found = std::find_if(FTables.begin(), FTables.end(), [&](const auto& t) { return &t->schema == &schema; });
  if (found == FTables.end()) throw JetError(ErrorKind::Misuse, "该行不是为本数据库的表准备的。");
  Table& table = **found;
  // Everything that can refuse the row has run; from here on pages change.
  const bool ownTransaction = !InTransaction();
  if (ownTransaction) Begin();
  if (!table.written) {
    table.written = true;
    FWritten.push_back(&table);
  }
  try {
    table.writer.Append(row);
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
