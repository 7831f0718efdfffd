// The half of an INSERT that needs no pager: the statement parsed, its values converted to the
// types of their columns and encoded as the row that goes onto a data page. Database::Execute
// runs it and then inserts the row; a thread that prepares rows while another inserts and commits
// them runs a StatementPreparer of its own (Database::Insert).
//
// Threads and lifetime: a TableSchema belongs to its open Database, which must outlive every use
// of it; it does not change while the database is open, so any number of threads may read it at
// once. A RowPreparer or StatementPreparer is used by one thread at a time.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "jet/InsertParser.h"
#include "jet/RowCodec.h"
#include "jet/TableDefinition.h"
#include "jet/Value.h"
#include "jet/ValueConverter.h"

namespace ipmdb::jet {

// What an INSERT needs to know of one user table.
struct TableSchema {
  TableSchema(std::u16string tableName, TableDefinition table);

  std::u16string name;
  std::string nameUtf8;
  TableDefinition definition;
  RowLayout layout;
  std::vector<uint16_t> positional;   // column ids in the order a statement without a list fills them
  std::vector<ColumnTarget> targets;  // by column id
};

// A text value too long for its caller to hold, left out of the statement: its literal's text is
// not looked at, and the value is refused as any text of `characters` UTF-16 units would be (see
// ValueConverter::RefuseHeldBackText) when its turn comes. REQUIRES a statement that gives its
// values by position, and characters > kMaxRowSize, so that no column could have taken it.
struct HeldBackText {
  size_t position = 0;  // of the value, in the statement's order
  uint64_t characters = 0;
};

class RowPreparer {
 public:
  // The row of an INSERT statement into `table` (its own table name is not looked at). The
  // returned bytes stay valid until the next Prepare. Throws JetError: BadSql when the number of
  // values does not match, NotFound for an unknown column, BadValue for a value that does not
  // convert or fit, or a row too long; the statement's first failing value decides.
  std::span<const uint8_t> Prepare(const TableSchema& table, const InsertStatement& statement,
                                   const HeldBackText* heldBack = nullptr);

 private:
  std::span<const uint8_t> PreparePositional(const TableSchema& table, std::span<const SqlLiteral> values,
                                             const HeldBackText* heldBack);
  std::span<const uint8_t> Encode(const TableSchema& table);

  ValueConverter FConverter;
  std::vector<CellValue> FValues;  // by column id, reused; a positional statement sets every one
  std::vector<bool> FAssigned;
  std::vector<uint8_t> FRow;
};

class Database;

// A parsed statement's row, for the table the statement names.
struct PreparedRow {
  const TableSchema* table = nullptr;
  std::span<const uint8_t> row;  // valid until the next Prepare
};

// Parses INSERT statements into rows of the tables of one open database, which must outlive it.
class StatementPreparer {
 public:
  explicit StatementPreparer(const Database& database) : FDatabase(database) {}
  // Throws JetError as Database::Execute does for a statement it refuses (BadSql, NotFound,
  // BadValue).
  PreparedRow Prepare(std::u16string_view statement, const HeldBackText* heldBack = nullptr);

 private:
  const Database& FDatabase;
  InsertParser FParser;
  RowPreparer FRows;
};

}  // namespace ipmdb::jet
