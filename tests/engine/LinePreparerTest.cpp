// Lines too long to hold are prepared in pieces; their rows, and their refusals, must be exactly
// those of their whole statements.
#include "engine/LinePreparer.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "../support/TempDir.h"
#include "database/Connection.h"
#include "database/Resources.h"
#include "engine/Gbk.h"
#include "engine/InsertStatement.h"
#include "engine/ParseLine.h"
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

TEST(LinePreparer, LinesTooLongToHoldGiveTheRowsAndRefusalsOfTheirWholeStatements) {
  testing_support::TempDir dir;
  const std::string path = (dir.Path() / "out.mdb").string();
  ASSERT_TRUE(database::ExtractResourceToFile(database::kTemplateResourceType, database::kTemplateResourceName, path));
  database::Connection connection;
  connection.SetConnectionString(database::FormatConnectionString(path));
  connection.Open();

  const std::string held(LinePreparer::kHeldFieldBytes + 3, '\xB5');
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
  LinePreparer preparer(connection.MakePreparer());
  jet::StatementPreparer whole(connection.MakePreparer());
  std::string statement;
  PreparedRows rows;
  std::u16string statement16;
  for (const std::string& expected : lines) {
    SCOPED_TRACE(expected.substr(0, 40));
    ASSERT_TRUE(reader.Next(line));
    EXPECT_FALSE(line.Whole());
    rows.Clear();
    EXPECT_EQ(Outcome([&] {
                preparer.Prepare(reader, line, statement, rows);
                return rows.Row(0);
              }),
              Outcome([&] {
                statement16.clear();
                GbkToUtf16(BuildInsertStatement(ParseLine(expected)), statement16);
                return whole.Prepare(statement16).row;
              }));
  }
}

}  // namespace
}  // namespace ipmdb::engine
