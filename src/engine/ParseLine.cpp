// Field splitting of text database lines.
#include "engine/ParseLine.h"

#include <algorithm>
#include <array>

namespace ipmdb::engine {
namespace {

// A table rather than three comparisons: the scan looks at every byte of every line.
constexpr std::array<bool, 256> kSeparators = [] {
  std::array<bool, 256> table{};
  table[' '] = table['\n'] = table['\r'] = true;
  return table;
}();

bool IsSeparator(char c) { return kSeparators[static_cast<unsigned char>(c)]; }

// A byte of 32 or less: space, tab, CR, LF and every other control byte.
bool IsBlank(char c) { return static_cast<unsigned char>(c) <= 32; }

}  // namespace

RecordFields ParseLine(std::string_view line) {
  RecordFields fields{};
  if (std::all_of(line.begin(), line.end(), IsBlank)) return fields;

  // Each of the first three fields is the run of non-separators at the scan position (empty
  // when the line starts with a separator); the separators after it are skipped. Separators at
  // the end of the line are dropped without opening a further field.
  const size_t size = line.size();
  size_t pos = 0;
  for (size_t field = kStartAddress; field < kArea; ++field) {
    const size_t start = pos;
    while (pos < size && !IsSeparator(line[pos])) ++pos;
    fields[field] = line.substr(start, pos - start);
    while (pos < size && IsSeparator(line[pos])) ++pos;
    if (pos == size) return fields;
  }
  fields[kArea] = line.substr(pos);
  return fields;
}

void FieldSplitter::Feed(std::string_view piece) {
  for (size_t i = 0; i < piece.size(); ++i) {
    const char c = piece[i];
    FVisible = FVisible || !IsBlank(c);
    if (FField == kArea) {
      // The area runs to the end of the line; only whether the line is all blank is left open.
      if (FVisible) break;
      continue;
    }
    if (FInField) {
      if (!IsSeparator(c)) continue;
      FPlaces[FField].length = FOffset + i - FPlaces[FField].offset;
      FInField = false;
    } else if (!IsSeparator(c)) {
      FPlaces[++FField].offset = FOffset + i;
      FInField = FField != kArea;
    }
  }
  FOffset += piece.size();
}

std::array<FieldPlace, kFieldCount> FieldSplitter::Finish() const {
  if (!FVisible) return {};
  std::array<FieldPlace, kFieldCount> places = FPlaces;
  if (FInField || FField == kArea) places[FField].length = FOffset - places[FField].offset;
  return places;
}

}  // namespace ipmdb::engine
