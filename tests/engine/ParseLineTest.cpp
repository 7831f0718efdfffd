#include "engine/ParseLine.h"

#include <gtest/gtest.h>

#include <array>
#include <string>

namespace ipmdb::engine {
namespace {

struct ParseCase {
  std::string FLine;
  std::array<std::string, 4> FFields;
};

// ParseLine gives the fields; the FieldSplitter, fed the line in two pieces split anywhere and in
// pieces of one byte, gives the same fields as places.
void ExpectFields(const ParseCase& c) {
  SCOPED_TRACE(testing::PrintToString(c.FLine));
  const RecordFields fields = ParseLine(c.FLine);
  for (size_t i = 0; i < fields.size(); ++i) EXPECT_EQ(fields[i], c.FFields[i]) << "field " << i;
  const std::string_view line = c.FLine;
  for (size_t split = 0; split <= line.size() + 1; ++split) {
    FieldSplitter splitter;
    if (split <= line.size()) {
      splitter.Feed(line.substr(0, split));
      splitter.Feed(line.substr(split));
    } else {
      for (const char byte : line) splitter.Feed(std::string_view(&byte, 1));
    }
    const std::array<FieldPlace, 4> places = splitter.Finish();
    for (size_t i = 0; i < places.size(); ++i)
      EXPECT_EQ(line.substr(places[i].offset, places[i].length), c.FFields[i]) << "split " << split << ", field " << i;
  }
}

TEST(ParseLine, WorkedExamplesSplitIntoTheirFourFields) {
  const ParseCase cases[] = {
      {"1.0.1.0   1.0.3.255   Fujian Telecom", {"1.0.1.0", "1.0.3.255", "Fujian", "Telecom"}},
      {"k m n p q", {"k", "m", "n", "p q"}},
      {"k m n p  ", {"k", "m", "n", "p  "}},
      {"k m n  ", {"k", "m", "n", ""}},
      {"k m", {"k", "m", "", ""}},
      {" k m n p", {"", "k", "m", "n p"}},
      {"k\tm n p", {"k\tm", "n", "p", ""}},
      {"  \t ", {"", "", "", ""}},
      {"", {"", "", "", ""}},
  };
  for (const ParseCase& c : cases) ExpectFields(c);
}

TEST(ParseLine, SeparatorRunsMakeOneBoundaryAndTheAreaKeepsItsSpaces) {
  const ParseCase cases[] = {
      {"k     m  n   p", {"k", "m", "n", "p"}},
      {"k m n p   q  r", {"k", "m", "n", "p   q  r"}},
      {"k m n p q ", {"k", "m", "n", "p q "}},
      {"    k", {"", "k", "", ""}},
      {"   k   m   n   p  q", {"", "k", "m", "n   p  q"}},
      {"k m n    p", {"k", "m", "n", "p"}},
      {"k ", {"k", "", "", ""}},
      {"k", {"k", "", "", ""}},
  };
  for (const ParseCase& c : cases) ExpectFields(c);
}

TEST(ParseLine, OnlySpaceCrAndLfSeparate) {
  const ParseCase cases[] = {
      // CR and LF split wherever they stand, but the area takes them like any byte.
      {"k\rm\nn p", {"k", "m", "n", "p"}},
      {"k m n p\rq\n", {"k", "m", "n", "p\rq\n"}},
      {"k\r\n m", {"k", "m", "", ""}},
      // Tabs, other control bytes and the GBK full-width space belong to the field.
      {"\tk m", {"\tk", "m", "", ""}},
      {"k\x01m n", {"k\x01m", "n", "", ""}},
      {"k\xA1\xA1m n", {"k\xA1\xA1m", "n", "", ""}},
      {"\x01\x1F", {"", "", "", ""}},
      {"\x01 x", {"\x01", "x", "", ""}},
      {" \tx", {"", "\tx", "", ""}},
  };
  for (const ParseCase& c : cases) ExpectFields(c);
}

TEST(ParseLine, GbkTextPassesByteForByte) {
  // 中国 / 福建省 电信 / 厦门 in GBK; every second byte of a GBK pair is 0x40 or above.
  ExpectFields({"1.0.1.0         1.0.3.255       \xD6\xD0\xB9\xFA \xB8\xA3\xBD\xA8\xCA\xA1 \xB5\xE7\xD0\xC5",
                {"1.0.1.0", "1.0.3.255", "\xD6\xD0\xB9\xFA", "\xB8\xA3\xBD\xA8\xCA\xA1 \xB5\xE7\xD0\xC5"}});
  ExpectFields({"\xCF\xC3\xC3\xC5 \xA1\xA1 \xFE\xFE x", {"\xCF\xC3\xC3\xC5", "\xA1\xA1", "\xFE\xFE", "x"}});
}

}  // namespace
}  // namespace ipmdb::engine
