// One typed value on its way into a row: what a literal of an INSERT statement becomes once it
// has been converted to its column's type, and what the row encoder takes.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

namespace ipmdb::jet {

struct CellValue {
  enum class Kind : uint8_t {
    Null,
    Boolean,  // Yes/No columns
    Integer,  // Byte, Integer, Long; Currency as the value times 10000
    Real,     // Single, Double, Date/Time (OLE day number)
    Text,     // Text and Memo columns, UTF-16 code units
    Binary,   // Binary and OLE columns
  };

  Kind kind = Kind::Null;
  bool boolean = false;
  int64_t integer = 0;
  double real = 0;
  // Views into storage owned by whoever produced the value (the statement text or the
  // parser's scratch buffer); valid until that owner handles the next statement.
  std::u16string_view text;
  std::span<const uint8_t> binary;
  // Memo and OLE only: `binary` is a complete long-value descriptor that points outside the row
  // (written as it is), rather than a payload to keep inside the row.
  bool longValueDescriptor = false;

  static CellValue Null() { return {}; }
  static CellValue OfBoolean(bool v) {
    CellValue c;
    c.kind = Kind::Boolean;
    c.boolean = v;
    return c;
  }
  static CellValue OfInteger(int64_t v) {
    CellValue c;
    c.kind = Kind::Integer;
    c.integer = v;
    return c;
  }
  static CellValue OfReal(double v) {
    CellValue c;
    c.kind = Kind::Real;
    c.real = v;
    return c;
  }
  static CellValue OfText(std::u16string_view v) {
    CellValue c;
    c.kind = Kind::Text;
    c.text = v;
    return c;
  }
  static CellValue OfBinary(std::span<const uint8_t> v) {
    CellValue c;
    c.kind = Kind::Binary;
    c.binary = v;
    return c;
  }
};

}  // namespace ipmdb::jet
