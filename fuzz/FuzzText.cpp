// The text side on any file: its lines, their fields, the address numbers and the insert
// statements, which must parse back, once decoded from GBK, into the six values they were built
// from, whatever quotes or bytes the line holds. Also the GBK decoders agree with each other and
// with the encoder.
#include <cstdint>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "engine/Branding.h"
#include "engine/Gbk.h"
#include "engine/IPToNumber.h"
#include "engine/InsertStatement.h"
#include "engine/LineList.h"
#include "engine/ParseLine.h"
#include "jet/Error.h"
#include "jet/InsertParser.h"
#include "jet/Utf8.h"

using namespace ipmdb;
using ipmdb::fuzz::Require;

namespace {

std::u16string Decoded(std::string_view gbk) {
  std::u16string out;
  engine::GbkToUtf16(gbk, out);
  return out;
}

void CheckStatement(std::string_view line, jet::InsertParser& parser) {
  const engine::RecordFields fields = engine::ParseLine(line);
  for (std::string_view field : fields) {
    Require(field.empty() || (field.data() >= line.data() && field.data() + field.size() <= line.data() + line.size()),
            "a field lies outside its line");
  }
  const std::u16string statement = Decoded(engine::BuildInsertStatement(fields));
  const jet::InsertStatement* parsed = nullptr;
  try {
    parsed = &parser.Parse(statement);
  } catch (const jet::JetError& e) {
    fuzz::Fail(std::string("a built statement does not parse: ") + e.what());
  }
  Require(parsed->table == u"IP" && parsed->columns.empty() && parsed->values.size() == 6,
          "a built statement is not an insert of six values into IP");
  using Kind = jet::SqlLiteral::Kind;
  for (size_t i : {engine::kStartAddress, engine::kEndAddress}) {
    const int64_t number = engine::IPToNumber(fields[i]);
    Require(number >= 0 && number <= 0xFFFFFFFFLL, "an address number is out of range");
    Require(parsed->values[i].kind == Kind::Text && parsed->values[i].text == Decoded(fields[i]),
            "an address does not come back as it was");
    const std::string digits = std::to_string(number);
    Require(parsed->values[2 + i].kind == Kind::Number &&
                parsed->values[2 + i].text == std::u16string(digits.begin(), digits.end()),
            "an address number does not come back as it was");
  }
  for (size_t i : {engine::kCountry, engine::kArea}) {
    // A field as long as the publisher's marker may be replaced; every other comes back as it was.
    Require(parsed->values[2 + i].kind == Kind::Text &&
                (fields[i].size() == engine::kPublisherMarker.size() || parsed->values[2 + i].text == Decoded(fields[i])),
            "a country or area does not come back as it was");
  }
}

void CheckGbk(std::string_view bytes) {
  const std::u16string utf16 = Decoded(bytes);
  std::string utf8;
  engine::GbkToUtf8(bytes, utf8);
  Require(utf8 == jet::Utf16ToUtf8(utf16), "the GBK decoders disagree");
  // Text that decodes without a replacement character encodes back to the same bytes.
  if (utf16.find(u'\uFFFD') != std::u16string::npos) return;
  std::string back;
  engine::Utf8ToGbk(utf8, back);
  Require(back == bytes, "decoded GBK does not encode back to its bytes");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  // The first byte picks a small chunk size, so lines cross chunk boundaries and lines longer
  // than a chunk are read in pieces; the lines must be those of one chunk holding everything.
  const size_t chunkSize = 2 + data[0] % 63;  // a chunk holds at least a CR and what follows it
  const std::string bytes(reinterpret_cast<const char*>(data + 1), size - 1);
  const engine::LineList whole = engine::LineList::FromBytes(bytes);
  std::vector<std::string> expected;
  whole.ForEachLine([&expected](std::string_view line) { expected.emplace_back(line); });
  Require(expected.size() == whole.Count(), "a list hands out more or fewer lines than it counted");

  const engine::LineList lines = engine::LineList::FromBytes(bytes, chunkSize);
  Require(lines.Count() == whole.Count(), "the line count depends on the chunk size");
  engine::LineList::Reader reader(lines);
  engine::LineList::Line line;
  std::string storage;
  jet::InsertParser parser;
  size_t index = 0;
  while (reader.Next(line)) {
    const std::string_view text = reader.Bytes(line, storage);
    Require(index < expected.size() && text == expected[index], "a line read in chunks differs");
    Require(text.find_first_of(std::string_view("\r\n\0", 3)) == std::string_view::npos,
            "a line holds a break or a NUL");
    CheckStatement(text, parser);
    ++index;
  }
  Require(index == expected.size(), "a reader stops early");
  CheckGbk(bytes);
  return 0;
}
