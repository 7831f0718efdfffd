// Splitting one line of a text database into its four fields: start address, end address,
// country and area.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace ipmdb::engine {

enum FieldIndex : size_t { kStartAddress = 0, kEndAddress = 1, kCountry = 2, kArea = 3 };
// How many fields a line has.
inline constexpr size_t kFieldCount = kArea + 1;

// The four fields of one line, each a view of one contiguous run of the line's bytes (so valid
// only while the line is); a missing field is an empty view.
using RecordFields = std::array<std::string_view, kFieldCount>;

// Separators are LF, CR and space; every other byte, tabs and GBK bytes included, belongs to a
// field. A run of separators makes one boundary; leading separators make one too, so a line
// that starts with a space has an empty start address. The area begins at the fourth token and
// runs to the end of the line, keeping its inner and trailing spaces. A line holding only bytes
// of 32 or less gives four empty fields. Never fails; allocates nothing.
RecordFields ParseLine(std::string_view line);

// Where a field lies in its line.
struct FieldPlace {
  uint64_t offset = 0;
  uint64_t length = 0;
};

// ParseLine for a line that comes in consecutive pieces, because it is too long to hold: the same
// four fields, given by their places in the line.
class FieldSplitter {
 public:
  void Feed(std::string_view piece);
  // After the last piece.
  std::array<FieldPlace, kFieldCount> Finish() const;

 private:
  std::array<FieldPlace, kFieldCount> FPlaces{};
  uint64_t FOffset = 0;  // of the next byte fed
  size_t FField = kStartAddress;
  bool FInField = true;  // inside the field's run of non-separators, not in the separators after it
  bool FVisible = false;  // a byte above 32 was seen
};

}  // namespace ipmdb::engine
