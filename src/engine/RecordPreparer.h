// Turns lines of a text database into rows of table IP, exactly as executing the insert statements
// of their records would (InsertStatement.h), without building and parsing the statements: the
// statement's six values, its texts decoded from GBK, go straight to the engine's value
// conversion and row encoding (jet::RowPreparer). The database's verdict is the same: a line
// whose statement would be refused is refused with the same message.
//
// A line too long to hold (LineList::Line not Whole) is read in pieces; a field of it longer than
// kHeldFieldBytes is never held whole either: only its length counts, since no column can take it.
//
// Threads: one thread at a time; the schema must stay valid (its database open) meanwhile.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "engine/LineList.h"
#include "engine/ParseLine.h"
#include "jet/RowPreparer.h"

namespace ipmdb::engine {

class RecordPreparer {
 public:
  // Fields of long lines up to this many bytes are read into memory.
  static constexpr uint64_t kHeldFieldBytes = uint64_t(1) << 20;

  explicit RecordPreparer(const jet::TableSchema& table) : FTable(table) {}

  // The row of a whole line; valid until the next call. Throws jet::JetError as executing the
  // line's statement would.
  std::span<const uint8_t> Prepare(std::string_view line);
  // The same for a line handed out by `reader`, whole or not.
  std::span<const uint8_t> Prepare(LineList::Reader& reader, const LineList::Line& line);

 private:
  std::span<const uint8_t> PrepareFields(const RecordFields& fields, const jet::HeldBackText* heldBack);
  uint64_t CountUtf16Units(LineList::Reader& reader, uint64_t offset, uint64_t length);

  const jet::TableSchema& FTable;
  jet::RowPreparer FPreparer;
  std::array<jet::SqlLiteral, 6> FValues;
  std::u16string FTexts;                      // the decoded texts of the current line
  std::array<char16_t, 2 * 20> FDigits{};     // the two numbers as the statement writes them
  std::array<std::string, 4> FLongFields;     // fields of a long line read into memory
  std::string FJoined;                        // a piece with the byte held over from the one before
};

}  // namespace ipmdb::engine
