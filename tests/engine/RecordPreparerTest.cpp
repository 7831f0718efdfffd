// The rows the worker prepares from lines must be exactly what executing the lines' insert
// statements gives: the same row bytes, or the same refusal.
#include "engine/RecordPreparer.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "../support/TempDir.h"
#include "database/Connection.h"
#include "database/Resources.h"
#include "database/TableIP.h"
#include "engine/Gbk.h"
#include "engine/InsertStatement.h"
#include "jet/Error.h"

namespace ipmdb::engine {
namespace {

// Either the row's bytes or the refusal's message.
std::string Outcome(const std::function<std::span<const uint8_t>()>& prepare) {
  try {
    const std::span<const uint8_t> row = prepare();
    return std::string(row.begin(), row.end());
  } catch (const jet::JetError& error) {
    return std::string("refused: ") + error.what();
  }
}

class RecordPreparerTest : public testing::Test {
 protected:
  void SetUp() override {
    const std::string path = (FDir.Path() / "out.mdb").string();
    ASSERT_TRUE(database::ExtractResourceToFile(database::kTemplateResourceType, database::kTemplateResourceName, path));
    FConnection.SetConnectionString(database::FormatConnectionString(path));
    FConnection.Open();
  }

  // What executing the line's statement would insert: the statement decoded and parsed.
  std::string ByStatement(std::string_view line) {
    return Outcome([&] {
      FStatement.clear();
      GbkToUtf16(BuildInsertStatement(ParseLine(line)), FStatement);
      return FRows.Prepare(Schema(), FParser.Parse(FStatement));
    });
  }

  const jet::TableSchema& Schema() { return FConnection.Schema(database::kTableIP); }

  testing_support::TempDir FDir;
  database::Connection FConnection;
  jet::InsertParser FParser;
  jet::RowPreparer FRows;
  std::u16string FStatement;
};

TEST_F(RecordPreparerTest, RowsAndRefusalsAreThoseOfTheStatements) {
  const std::string lines[] = {
      "1.0.1.0   1.0.3.255  \xD6\xD0\xB9\xFA \xB8\xA3\xBD\xA8\xCA\xA1 \xB5\xE7\xD0\xC5",
      "",
      " \t ",
      "9.9.9.9 9.9.9.9 morvane.example MORVANE.Example",
      "1.2.3.4' 5.6.7.8'' O'Hare ''x'' '",
      // Bytes that are not GBK, a lead byte at the end of a field and before a quote, 0x80.
      "1.1.1.1 2.2.2.2 \xFF\x81 \x81'\x80 \xD6",
      "300.1.1.1 $FF.x.0x10 a",
      // Too long: the address by one character, the country and the area in GBK characters.
      "10.0.0.1234567890 1 x y",
      "1 1 " + std::string(128, 'c') + "\xD6\xD0 y",
      "1 1 c " + std::string(2 * 256, '\xB5'),
      "1 1 c " + std::string(2 * 255, '\xB5'),
  };
  RecordPreparer preparer(Schema());
  for (const std::string& line : lines) {
    SCOPED_TRACE(testing::PrintToString(line));
    EXPECT_EQ(Outcome([&] { return preparer.Prepare(line); }), ByStatement(line));
  }
}

// Lines longer than a chunk come in pieces; a field too long to hold is refused by its length.
TEST_F(RecordPreparerTest, LinesTooLongToHoldGiveTheSameRowsAndRefusals) {
  const std::string held(RecordPreparer::kHeldFieldBytes + 3, '\xB5');
  const std::string lines[] = {
      "1.0.0.0" + std::string(5000, ' ') + "1.0.0.255 \xD6\xD0\xB9\xFA  area with  spaces  ",
      std::string(5000, '\t'),
      std::string(3000, 'a') + " b c d",
      "1.1.1.1 2.2.2.2 c " + held,
      "1.1.1.1 2.2.2.2 " + held + "\x81 d",
      held + "\xD6 x y z",
      "1.1.1.1 " + held + " y",
  };
  std::string text;
  for (const std::string& line : lines) text += line + "\r\n";
  const LineList list = LineList::FromBytes(text, 1024);
  LineList::Reader reader(list);
  LineList::Line line;
  RecordPreparer preparer(Schema());
  for (const std::string& expected : lines) {
    SCOPED_TRACE(expected.substr(0, 40));
    ASSERT_TRUE(reader.Next(line));
    EXPECT_FALSE(line.Whole());
    EXPECT_EQ(Outcome([&] { return preparer.Prepare(reader, line); }), ByStatement(expected));
  }
}

}  // namespace
}  // namespace ipmdb::engine
