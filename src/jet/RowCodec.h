// Jet 4 rows: [column count][fixed area][variable data][end offset][variable offsets, last
// first][variable count][null mask]. The layout of a table is worked out once from its
// definition; encoding a row then costs no allocation beyond the output buffer's growth.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "jet/Format.h"
#include "jet/TableDefinition.h"
#include "jet/Value.h"

namespace ipmdb::jet {

class RowLayout {
 public:
  struct Slot {
    ColumnType type;
    uint16_t id;
    uint16_t fixedOffset;
    uint16_t length;
    bool compress;
  };

  RowLayout(const TableDefinition& table, std::string tableName);

  uint16_t ColumnCount() const { return FColumnCount; }  // values are passed indexed by column id
  const std::string& TableName() const { return FTableName; }
  const std::vector<Slot>& FixedSlots() const { return FFixed; }
  const std::vector<Slot>& VariableSlots() const { return FVariable; }  // in variable-index order
  size_t FixedAreaSize() const { return FFixedAreaSize; }
  size_t NullMaskSize() const { return (FColumnCount + 7) / 8; }
  // The name of the first column whose type and storage the encoder cannot write (a fixed-length
  // text, a number not stored at its width...), as files from elsewhere may hold; empty when
  // every column can be written.
  const std::string& UnwritableColumn() const { return FUnwritable; }

 private:
  std::string FTableName;
  std::string FUnwritable;
  uint16_t FColumnCount = 0;
  std::vector<Slot> FFixed;
  std::vector<Slot> FVariable;
  size_t FFixedAreaSize = 0;
};

// Encodes one row into `out` (replacing its content). `values` is indexed by column id and its
// kinds match the columns' types (the value converter guarantees that); a Boolean NULL is stored
// as False. Memo and OLE values are stored inline in the row. Throws ErrorKind::BadValue naming
// the table when the row would exceed kMaxRowSize, ErrorKind::Unsupported when the layout has an
// unwritable column.
void EncodeRow(const RowLayout& layout, std::span<const CellValue> values, std::vector<uint8_t>& out);
// The same into a reused buffer, which only ever grows: returns the row's length, the row being
// the buffer's first bytes. This is the form for the insert path.
size_t EncodeRowInto(const RowLayout& layout, std::span<const CellValue> values, std::vector<uint8_t>& buffer);

// A value read back from a row, owning its bytes.
struct StoredValue {
  CellValue::Kind kind = CellValue::Kind::Null;
  bool boolean = false;
  int64_t integer = 0;
  double real = 0;
  std::u16string text;
  std::vector<uint8_t> binary;  // Binary, OLE, GUID and Decimal bytes
};

// Returns the bytes of the data-page row a long-value pointer names.
using LongValueRowFetcher = std::function<std::vector<uint8_t>(uint32_t rowPointer)>;

// A stored row checked against its table's layout without decoding a value: its column count is
// at most the table's, the null mask and every fixed column it holds lie inside the row, and the
// variable offsets run in order from the fixed area to the end of the variable data. The
// constructor throws ErrorKind::Corrupt naming the row (`rowPointer`, for the message) when any
// of that fails; afterwards every span the view hands out lies inside the row. The view borrows
// the row's bytes and the layout.
class RowView {
 public:
  RowView(const RowLayout& layout, std::span<const uint8_t> row, uint32_t rowPointer);

  // A column id beyond the row's own column count is absent (NULL, or False for a Boolean).
  bool Present(uint16_t id) const { return id < FStoredColumns && ((FMask[id / 8] >> (id % 8)) & 1); }
  // The bytes of a present fixed column of the layout, at least its type's width.
  const uint8_t* Fixed(const RowLayout::Slot& slot) const { return FRow.data() + 2 + slot.fixedOffset; }
  // The bytes of variable column `index` (in variable-index order) when the row holds it.
  std::optional<std::span<const uint8_t>> Variable(size_t index) const;
  uint32_t RowPointer() const { return FRowPointer; }

 private:
  uint16_t OffsetOf(size_t index) const;
  [[noreturn]] void Fail(const std::string& why) const;

  const RowLayout& FLayout;
  std::span<const uint8_t> FRow;
  uint32_t FRowPointer;
  uint16_t FStoredColumns = 0;
  const uint8_t* FMask = nullptr;
  size_t FTrailer = 0;           // where the variable count ends (the null mask follows)
  uint16_t FStoredVariable = 0;  // variable columns the row holds offsets for
};

// Decodes one stored row into values indexed by column id (size = layout.ColumnCount()). Long
// values stored outside the row are fetched through `fetch`. Throws ErrorKind::Corrupt naming
// the row (`rowPointer`) when it does not fit its layout or a long value cannot be read.
std::vector<StoredValue> DecodeRow(const RowLayout& layout, std::span<const uint8_t> row, uint32_t rowPointer,
                                   const LongValueRowFetcher& fetch);

}  // namespace ipmdb::jet
