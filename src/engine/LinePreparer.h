// The half of a batch's execution that needs no pager: each line's insert statement is built
// (ParseLine, BuildInsertStatement) and prepared into the row it inserts (decoded from GBK, parsed,
// converted and encoded by a jet::StatementPreparer), so that the worker's thread only has to
// insert the rows and commit.
//
// A line too long to hold (LineList::Line not Whole) is read in pieces: its fields come from a
// FieldSplitter, and a field longer than kHeldFieldBytes is never held whole either. Its statement
// is built without it, and it is refused by its length when its value's turn comes, with the
// message the whole statement would get, since no column can take it.
//
// Threads: one thread at a time; the database the preparer was made from must stay open.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "engine/Batch.h"
#include "engine/LineList.h"
#include "engine/ParseLine.h"
#include "jet/RowPreparer.h"

namespace ipmdb::engine {

class LinePreparer {
 public:
  // Fields of long lines up to this many bytes are read into memory.
  static constexpr uint64_t kHeldFieldBytes = uint64_t(1) << 20;

  explicit LinePreparer(jet::StatementPreparer statements) : FStatements(std::move(statements)) {}

  // Builds the insert statement of a line handed out by `reader` into `statement` (replacing what
  // it held) and adds its row to `rows`. Throws jet::JetError when the statement is refused, and
  // EngineError when the line cannot be read; `rows` is then unchanged.
  void Prepare(LineList::Reader& reader, const LineList::Line& line, std::string& statement, PreparedRows& rows);

  // Adds the row of a GBK statement to `rows`: none for a statement of nothing but bytes of 32 or
  // less. Throws jet::JetError when the statement is refused.
  void PrepareStatement(std::string_view statement, PreparedRows& rows, const jet::HeldBackText* heldBack = nullptr);

 private:
  uint64_t CountUtf16Units(LineList::Reader& reader, uint64_t offset, uint64_t length);

  jet::StatementPreparer FStatements;
  std::u16string FStatement16;
  std::array<std::string, kFieldCount> FLongFields;  // fields of a long line read into memory
  std::string FJoined;                     // a piece with the byte held over from the one before
};

}  // namespace ipmdb::engine
