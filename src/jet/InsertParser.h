// Parser of the one statement the engine executes:
//   INSERT INTO table [(column, ...)] VALUES (value, ...) [;]
// Keywords in any case, blanks (space, tab, CR, LF) allowed between any two tokens and needed
// only between words. Names are plain (letters of any script, digits and '_', not starting with
// a digit) or in [brackets] (anything but ']'). Values are 'text' with '' for a quote, "text"
// with "" for a quote, numbers (-1, +2.5, .5, 1e3), NULL, TRUE/FALSE/YES/NO/ON/OFF, dates
// between #s (#2024-01-31#, #2024-01-31 13:45:00#, #1/31/2024#) and hex binary (0x0A1B).
//
// The parser runs once per inserted row, so a steady stream of statements costs no allocation:
// the statement's vectors and the scratch buffer are reused, and the scratch buffer is sized to
// the statement before parsing starts, so views into it never move while the statement grows.
//
// Positions count characters from 1: a surrogate pair is one character.
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

namespace ipmdb::jet {

struct SqlLiteral {
  enum class Kind : uint8_t { Null, Text, Number, Boolean, Date, Binary };
  Kind kind = Kind::Null;
  // Text: the content with doubled quotes made single; Number, Null and Boolean: as written;
  // Date: what stands between the #s; Binary: the hex digits after 0x.
  std::u16string_view text;
  bool boolean = false;
  uint32_t position = 0;  // of the literal's first character
};

struct InsertStatement {
  std::u16string_view table;                 // without brackets
  std::vector<std::u16string_view> columns;  // without brackets; empty when the statement names none
  std::vector<SqlLiteral> values;
};

// One parser per connection; not for use by two threads at once.
class InsertParser {
 public:
  // Parses one statement or throws JetError(ErrorKind::BadSql) saying what was expected at
  // which position and quoting the text found there. The result and every view in it point into
  // `sql` or into this parser's scratch buffer: they stay valid until the next Parse and while
  // `sql` lives.
  const InsertStatement& Parse(std::u16string_view sql);

 private:
  void Begin(std::u16string_view sql);
  void SkipBlanks();
  bool AtEnd() const { return FPos == FEnd; }
  std::u16string_view ReadWord();
  std::u16string_view ReadName(const char* what);
  std::u16string_view ReadBracketedName(const char* what);
  void ReadColumnList();
  void ReadValueList();
  // Each fills a literal already in place in FStatement.values, so that no literal is copied.
  void ReadValue(SqlLiteral& literal);
  void ReadQuotedText(SqlLiteral& literal);
  void ReadNumberOrBinary(SqlLiteral& literal);
  void ReadDate(SqlLiteral& literal);
  void ReadWordValue(SqlLiteral& literal);
  void ExpectChar(char16_t c, const char* expected);
  // Position of FPos, from the running count of low surrogates.
  uint32_t CurrentPosition() const { return uint32_t(FPos - FBegin) + 1 - FLowSurrogates; }
  // Position of any point, by counting; for messages only.
  uint32_t PositionOf(const char16_t* at) const;

  [[noreturn]] void FailExpected(const char16_t* at, const char* expected) const;
  [[noreturn]] void FailUnterminated(const char16_t* at, const char* what) const;
  [[noreturn]] void FailMalformed(const char16_t* at, const char* what, const char16_t* end) const;
  [[noreturn]] void FailCountMismatch() const;

  InsertStatement FStatement;
  const char16_t* FBegin = nullptr;
  const char16_t* FPos = nullptr;
  const char16_t* FEnd = nullptr;
  // Low surrogates passed so far; subtracting them from a code-unit offset gives a character
  // position without rescanning the statement for every literal.
  uint32_t FLowSurrogates = 0;
  const char16_t* FValuesStart = nullptr;
  std::unique_ptr<char16_t[]> FScratch;
  size_t FScratchCapacity = 0;
  size_t FScratchUsed = 0;
};

}  // namespace ipmdb::jet
