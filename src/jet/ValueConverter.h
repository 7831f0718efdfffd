// Conversion of the literals of an INSERT statement to the types of their columns, as the row
// encoder takes them. Jet's own behaviour is the guide: what Jet converts silently is converted
// here the same way, what Jet refuses is refused, and nothing is ever shortened to fit.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "jet/Format.h"
#include "jet/InsertParser.h"
#include "jet/Value.h"

namespace ipmdb::jet {

// What the converter needs to know of a column.
struct ColumnTarget {
  std::string tableName;   // UTF-8, for messages
  std::string columnName;  // UTF-8, for messages
  ColumnType type = ColumnType::Text;
  uint16_t byteLength = 0;  // from the table definition: Text = 2 x characters, Binary = bytes
};

// One converter per connection; not for use by two threads at once.
class ValueConverter {
 public:
  // Converts the literal to a value of the column's type or throws JetError(ErrorKind::BadValue)
  // naming the table, the column, the value (shortened) and the reason. Views in the result
  // point into the literal's text or into this converter's scratch storage, which stays put
  // until Reset().
  CellValue Convert(const SqlLiteral& literal, const ColumnTarget& column);

  // Refuses a text of `characters` UTF-16 units (more than kMaxRowSize) that its caller could not
  // hold, with the message a text that long gets from Convert: a Text column's or a Binary
  // column's "too long", with the column's limit and the value's length. No other column could
  // take such a text either; it is refused as too long for the column, with its length.
  [[noreturn]] void RefuseHeldBackText(uint64_t characters, const ColumnTarget& column);

  // Releases the scratch storage of the previous statement for reuse; called once per statement.
  void Reset();

 private:
  CellValue ToBoolean(const SqlLiteral& literal, const ColumnTarget& column);
  CellValue ToInteger(const SqlLiteral& literal, const ColumnTarget& column, int64_t min, int64_t max);
  CellValue ToCurrency(const SqlLiteral& literal, const ColumnTarget& column);
  CellValue ToSingle(const SqlLiteral& literal, const ColumnTarget& column);
  CellValue ToDouble(const SqlLiteral& literal, const ColumnTarget& column);
  CellValue ToDateTime(const SqlLiteral& literal, const ColumnTarget& column);
  CellValue ToText(const SqlLiteral& literal, const ColumnTarget& column, bool limited);
  CellValue ToBinary(const SqlLiteral& literal, const ColumnTarget& column, bool limited);
  CellValue ToGuid(const SqlLiteral& literal, const ColumnTarget& column);
  uint8_t* Allocate(size_t size);

  struct ScratchBlock {
    std::unique_ptr<uint8_t[]> data;
    size_t size = 0;
  };
  // Blocks are never moved or freed before the converter goes, so handed-out views stay valid;
  // Reset() only rewinds to the first block, and a steady stream of statements allocates nothing.
  std::vector<ScratchBlock> FBlocks;
  size_t FBlock = 0;
  size_t FBlockUsed = 0;
  // Narrow copy of a number's text for std::from_chars, reused across calls.
  std::string FNarrow;
};

}  // namespace ipmdb::jet
