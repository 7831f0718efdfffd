// An open Jet 4 database for writing: the pager with its lock and journal, the catalog's user
// tables, and the one statement the engine executes, INSERT INTO ... VALUES (...).
//
// Transactions: Begin() ... Commit() is atomic and durable; Rollback() restores the last commit.
// A statement executed outside a transaction commits on its own. A refused statement (bad SQL, a
// value that does not convert or fit, an unknown table or column, a table with indexes) is
// checked in full before any page changes, so it leaves no trace and the transaction stays
// usable. A statement that fails while changing pages (a damaged file, a failing read) spoils the
// transaction: Commit() then rolls back and refuses.
//
// Threads: one thread at a time; the thread may change between calls (the connection is opened
// on one thread and used by another). Schema() and the TableSchemas it hands out may be used by
// any thread while the database is open, so that a StatementPreparer on another thread can
// prepare the rows that Insert then inserts (RowPreparer.h).
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "jet/DatabaseHeader.h"
#include "jet/DatabaseOptions.h"
#include "jet/File.h"
#include "jet/InsertParser.h"
#include "jet/Pager.h"
#include "jet/RowPreparer.h"
#include "jet/TableWriter.h"

namespace ipmdb::jet {

class Database {
 public:
  // Opens and locks the file (ErrorKind::Locked when another connection holds it), rolls back a
  // journal left by a crash, and loads the catalog. A file that is not a Jet 4 database is refused
  // with ErrorKind::NotJet4 and left untouched; so is a database with a password or encryption
  // (ErrorKind::Unsupported). options: see DatabaseOptions.h.
  explicit Database(const std::string& path, Vfs& vfs = Vfs::Posix(), const DatabaseOptions& options = {});
  ~Database();
  Database(const Database&) = delete;
  Database& operator=(const Database&) = delete;

  void Begin();      // ErrorKind::Misuse when a transaction is open
  void Commit();     // ErrorKind::Misuse without one
  void Rollback();   // ErrorKind::Misuse without one
  bool InTransaction() const;

  // Executes one INSERT statement: prepares its row (RowPreparer.h), then inserts it.
  void Execute(std::u16string_view statement);

  // The schema of a user table; ErrorKind::NotFound for an unknown table or a system table,
  // ErrorKind::Unsupported for a table with indexes, which the engine does not maintain.
  const TableSchema& Schema(std::u16string_view table) const;
  // Inserts a row that a StatementPreparer made for this database, as Execute inserts the row of
  // a statement: within the open transaction, or in a transaction of its own.
  void Insert(const TableSchema& table, std::span<const uint8_t> row);

  const std::string& Path() const { return FPath; }

 private:
  struct Table;
  void EndTransaction();

  std::string FPath;
  std::unique_ptr<Pager> FPager;
  DatabaseHeader FHeader;
  std::vector<std::unique_ptr<Table>> FTables;
  std::vector<Table*> FWritten;    // tables appended to in the open transaction
  std::string FSpoiled;            // why the open transaction can only be rolled back
  StatementPreparer FPreparer{*this};
};

}  // namespace ipmdb::jet
