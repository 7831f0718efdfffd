#include "engine/RecordPreparer.h"

#include <algorithm>
#include <charconv>
#include <optional>

#include "engine/Gbk.h"
#include "engine/InsertStatement.h"

namespace ipmdb::engine {
namespace {

// The statement's values, in its order:
//   insert into IP values('<start>','<end>',<start number>,<end number>,'<country>','<area>')
enum ValuePosition : size_t { kStartText, kEndText, kStartNumber, kEndNumber, kCountryText, kAreaText };

// The field each text value comes from; both run in the same order.
constexpr std::array<ValuePosition, 4> kTextOfField{kStartText, kEndText, kCountryText, kAreaText};

}  // namespace

std::span<const uint8_t> RecordPreparer::Prepare(std::string_view line) { return PrepareFields(ParseLine(line), nullptr); }

std::span<const uint8_t> RecordPreparer::Prepare(LineList::Reader& reader, const LineList::Line& line) {
  if (line.Whole()) return Prepare(line.bytes);
  FieldSplitter splitter;
  reader.ReadPieces(line.offset, line.length, [&splitter](std::string_view piece) { splitter.Feed(piece); });
  const std::array<FieldPlace, 4> places = splitter.Finish();

  // The values are converted in order and the first refusal ends the row, so the fields after a
  // held-back one are never looked at.
  RecordFields fields{};
  std::optional<jet::HeldBackText> heldBack;
  for (size_t f = 0; f < places.size(); ++f) {
    const uint64_t offset = line.offset + places[f].offset;
    if (places[f].length > kHeldFieldBytes) {
      heldBack = jet::HeldBackText{kTextOfField[f], CountUtf16Units(reader, offset, places[f].length)};
      break;
    }
    std::string& field = FLongFields[f];
    field.clear();
    reader.ReadPieces(offset, places[f].length, [&field](std::string_view piece) { field += piece; });
    fields[f] = field;
  }
  return PrepareFields(fields, heldBack ? &*heldBack : nullptr);
}

std::span<const uint8_t> RecordPreparer::PrepareFields(const RecordFields& fields, const jet::HeldBackText* heldBack) {
  const InsertValues values = MakeInsertValues(fields);
  const std::array<std::string_view, 4> texts{values.startAddress, values.endAddress, values.country, values.area};
  std::array<size_t, 5> ends{};
  FTexts.clear();
  for (size_t f = 0; f < texts.size(); ++f) {
    GbkToUtf16(texts[f], FTexts);
    ends[f + 1] = FTexts.size();
  }
  // Views only once the buffer has stopped growing.
  for (size_t f = 0; f < texts.size(); ++f) {
    jet::SqlLiteral& text = FValues[kTextOfField[f]];
    text.kind = jet::SqlLiteral::Kind::Text;
    text.text = std::u16string_view(FTexts).substr(ends[f], ends[f + 1] - ends[f]);
  }
  const int64_t numbers[] = {values.startNumber, values.endNumber};
  char16_t* digits = FDigits.data();
  for (size_t n = 0; n < 2; ++n) {
    char ascii[20];
    const char* end = std::to_chars(ascii, ascii + sizeof ascii, numbers[n]).ptr;
    jet::SqlLiteral& number = FValues[kStartNumber + n];
    number.kind = jet::SqlLiteral::Kind::Number;
    number.text = {digits, size_t(end - ascii)};
    digits = std::copy(static_cast<const char*>(ascii), end, digits);
  }
  return FPreparer.Prepare(FTable, FValues, heldBack);
}

// The UTF-16 length of the text's bytes [offset, offset + length), decoded piece by piece.
uint64_t RecordPreparer::CountUtf16Units(LineList::Reader& reader, uint64_t offset, uint64_t length) {
  uint64_t units = 0;
  FJoined.clear();
  reader.ReadPieces(offset, length, [&](std::string_view piece) {
    FJoined += piece;
    FTexts.clear();
    FJoined.erase(0, GbkToUtf16Piece(FJoined, false, FTexts));
    units += FTexts.size();
  });
  FTexts.clear();
  GbkToUtf16(FJoined, FTexts);
  return units + FTexts.size();
}

}  // namespace ipmdb::engine
