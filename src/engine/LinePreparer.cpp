#include "engine/LinePreparer.h"

#include <optional>

#include "engine/Gbk.h"
#include "engine/InsertStatement.h"
#include "engine/ParseLine.h"

namespace ipmdb::engine {
namespace {

// Where each field's text stands among the statement's values:
//   insert into IP values('<start>','<end>',<start number>,<end number>,'<country>','<area>')
constexpr std::array<size_t, kFieldCount> kValueOfField{0, 1, 4, 5};

// A statement of nothing but bytes of 32 or less executes nothing.
bool IsBlank(std::string_view statement) {
  for (const char c : statement)
    if (static_cast<unsigned char>(c) > 32) return false;
  return true;
}

}  // namespace

void LinePreparer::Prepare(LineList::Reader& reader, const LineList::Line& line, std::string& statement,
                           PreparedRows& rows) {
  statement.clear();
  if (line.Whole()) {
    BuildInsertStatement(ParseLine(line.bytes), statement);
    PrepareStatement(statement, rows);
    return;
  }
  FieldSplitter splitter;
  reader.ReadPieces(line.offset, line.length, [&splitter](std::string_view piece) { splitter.Feed(piece); });
  const std::array<FieldPlace, kFieldCount> places = splitter.Finish();

  // The values are converted in order and the first refusal ends the row, so the fields after a
  // held-back one are never looked at.
  RecordFields fields{};
  std::optional<jet::HeldBackText> heldBack;
  for (size_t f = 0; f < places.size(); ++f) {
    const uint64_t offset = line.offset + places[f].offset;
    if (places[f].length > kHeldFieldBytes) {
      heldBack = jet::HeldBackText{kValueOfField[f], CountUtf16Units(reader, offset, places[f].length)};
      break;
    }
    std::string& field = FLongFields[f];
    field.clear();
    reader.ReadPieces(offset, places[f].length, [&field](std::string_view piece) { field += piece; });
    fields[f] = field;
  }
  BuildInsertStatement(fields, statement);
  PrepareStatement(statement, rows, heldBack ? &*heldBack : nullptr);
}

void LinePreparer::PrepareStatement(std::string_view statement, PreparedRows& rows, const jet::HeldBackText* heldBack) {
  if (IsBlank(statement)) {
    rows.AddBlank();
    return;
  }
  FStatement16.clear();
  GbkToUtf16(statement, FStatement16);
  rows.Add(FStatements.Prepare(FStatement16, heldBack));
}

// The UTF-16 length of the text's bytes [offset, offset + length), decoded piece by piece.
uint64_t LinePreparer::CountUtf16Units(LineList::Reader& reader, uint64_t offset, uint64_t length) {
  uint64_t units = 0;
  FJoined.clear();
  reader.ReadPieces(offset, length, [&](std::string_view piece) {
    FJoined += piece;
    FStatement16.clear();
    FJoined.erase(0, GbkToUtf16Piece(FJoined, false, FStatement16));
    units += FStatement16.size();
  });
  FStatement16.clear();
  GbkToUtf16(FJoined, FStatement16);
  return units + FStatement16.size();
}

}  // namespace ipmdb::engine
