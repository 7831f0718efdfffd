#include "engine/InsertStatement.h"

#include <gtest/gtest.h>

#include <string>

#include "engine/Branding.h"

namespace ipmdb::engine {
namespace {

// GBK bytes of the texts used below.
#define ZHONGGUO "\xD6\xD0\xB9\xFA"          // 中国
#define FUJIANSHENG "\xB8\xA3\xBD\xA8\xCA\xA1"  // 福建省
#define DIANXIN "\xB5\xE7\xD0\xC5"          // 电信
#define WEIZHI_IP "\xCE\xB4\xD6\xAA" "IP"   // 未知IP

struct StatementCase {
  RecordFields FFields;
  std::string FStatement;
};

void ExpectStatements(std::initializer_list<StatementCase> cases) {
  for (const StatementCase& c : cases) {
    SCOPED_TRACE(c.FStatement);
    EXPECT_EQ(BuildInsertStatement(c.FFields), c.FStatement);
  }
}

TEST(BuildInsertStatement, WorkedExamplesGiveTheirStatements) {
  ExpectStatements({
      {{"1.0.1.0", "1.0.3.255", ZHONGGUO, FUJIANSHENG},
       "insert into IP values('1.0.1.0','1.0.3.255',16777472,16778239,'" ZHONGGUO "','" FUJIANSHENG "')"},
      {{"", "", "", ""}, "insert into IP values('','',0,0,'','')"},
      {{"9.9.9.9", "9.9.9.9", "k", "O'Hare"}, "insert into IP values('9.9.9.9','9.9.9.9',151587081,151587081,'k','O''Hare')"},
      {{"1.0.0.0", "1.0.0.255", "morvane.example", "x y"},
       "insert into IP values('1.0.0.0','1.0.0.255',16777216,16777471,'" WEIZHI_IP "','x y')"},
  });
}

TEST(BuildInsertStatement, NumbersAreFullDecimalAndAddressTextsStayAsParsed) {
  ExpectStatements({
      {{"255.255.255.255", "255.255.255.255", "", ""},
       "insert into IP values('255.255.255.255','255.255.255.255',4294967295,4294967295,'','')"},
      {{"0.0.0.0", "0.0.0.1", "", ""}, "insert into IP values('0.0.0.0','0.0.0.1',0,1,'','')"},
      {{"abc", "300.1.1.1", "", ""}, "insert into IP values('abc','300.1.1.1',0,4278255873,'','')"},
      {{"$0A.0.0.0", "1..2.3.4", "", ""}, "insert into IP values('$0A.0.0.0','1..2.3.4',167772160,16909060,'','')"},
  });
}

TEST(BuildInsertStatement, OnlyAWholeFieldSpellingTheMarkerIsReplaced) {
  const struct {
    std::string FText;
    bool FIsMarker;
  } cases[] = {
      {"MORVANE.EXAMPLE", true},   {"morvane.example", true},      {"MoRvAnE.eXaMpLe", true},
      {"Morvane.Example", true},   {"MORVANE.EXAMPLE ", false},    {" MORVANE.EXAMPLE", false},
      {"WWW.MORVANE.EXAMPLE", false}, {"MORVANE.EXAMPL", false},   {"MORVANE.EXAMPLEX", false},
      {"MORVANE_EXAMPLE", false},  {"MORVANE\x0E" "EXAMPLE", false},  // 0x0E is '.' with bit 5 cleared
      {"MORVANE.EXAMPL\xC5", false},  // 'E' with bit 7 set
      {"", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.FText));
    const std::string country = c.FIsMarker ? std::string(kUnknownCountry) : c.FText;
    const std::string area = c.FIsMarker ? std::string(kMakerDomain) : c.FText;
    EXPECT_EQ(BuildInsertStatement({"1.0.0.0", "1.0.0.255", c.FText, "a"}),
              "insert into IP values('1.0.0.0','1.0.0.255',16777216,16777471,'" + country + "','a')");
    EXPECT_EQ(BuildInsertStatement({"1.0.0.0", "1.0.0.255", "c", c.FText}),
              "insert into IP values('1.0.0.0','1.0.0.255',16777216,16777471,'c','" + area + "')");
    EXPECT_EQ(BuildInsertStatement({"1.0.0.0", "1.0.0.255", c.FText, c.FText}),
              "insert into IP values('1.0.0.0','1.0.0.255',16777216,16777471,'" + country + "','" + area + "')");
  }
}

TEST(QuoteSQLText, EverySingleQuoteIsDoubledAndNothingElseChanges) {
  const struct {
    std::string FText;
    std::string FQuoted;
  } cases[] = {
      {"", ""},
      {"plain text", "plain text"},
      {"'", "''"},
      {"''", "''''"},
      {"'''", "''''''"},
      {"O'Hare", "O''Hare"},
      {"'a'b'", "''a''b''"},
      {"back\\'slash \"double\" %s", "back\\''slash \"double\" %s"},
      {ZHONGGUO "'" DIANXIN, ZHONGGUO "''" DIANXIN},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(QuoteSQLText(c.FText), c.FQuoted) << c.FText;
    std::string appended = "kept";
    QuoteSQLText(c.FText, appended);
    EXPECT_EQ(appended, "kept" + c.FQuoted);
  }
}

TEST(BuildInsertStatement, QuotesAreDoubledInAllFourTexts) {
  ExpectStatements({
      {{"1.0.0.1'", "1.0.0.2''", "a'b", "c'd 'e'"},
       "insert into IP values('1.0.0.1''','1.0.0.2''''',16777216,16777216,'a''b','c''d ''e''')"},
      // An address that tries to close its literal stays one literal.
      {{"1','2',3,4,'x','y');drop", "2", "", ""},
       "insert into IP values('1'',''2'',3,4,''x'',''y'');drop','2',0,33554432,'','')"},
      {{"", "", "'", "''"}, "insert into IP values('','',0,0,'''','''''')"},
  });
}

TEST(BuildInsertStatement, AppendingFormAddsToWhatTheBufferHolds) {
  std::string buffer = "first;";
  BuildInsertStatement({"1.0.0.0", "1.0.0.255", ZHONGGUO, DIANXIN}, buffer);
  EXPECT_EQ(buffer, "first;insert into IP values('1.0.0.0','1.0.0.255',16777216,16777471,'" ZHONGGUO "','" DIANXIN "')");
}

TEST(BuildInsertStatement, LinesOfATextDatabaseGiveTheirStatements) {
  const struct {
    std::string FLine;
    std::string FStatement;
  } cases[] = {
      {"1.0.1.0         1.0.3.255       " FUJIANSHENG " " DIANXIN,
       "insert into IP values('1.0.1.0','1.0.3.255',16777472,16778239,'" FUJIANSHENG "','" DIANXIN "')"},
      {"1.0.8.0         1.0.15.255      " ZHONGGUO "  MORVANE.EXAMPLE",
       "insert into IP values('1.0.8.0','1.0.15.255',16779264,16781311,'" ZHONGGUO "','FENWARDE.EXAMPLE')"},
      {"0.0.0.0         0.255.255.255   Morvane.Example Kelly's bar  ",
       "insert into IP values('0.0.0.0','0.255.255.255',0,16777215,'" WEIZHI_IP "','Kelly''s bar  ')"},
      {"", "insert into IP values('','',0,0,'','')"},
      {" 1.2.3.4 x", "insert into IP values('','1.2.3.4',0,16909060,'x','')"},
  };
  for (const auto& c : cases) EXPECT_EQ(BuildInsertStatement(ParseLine(c.FLine)), c.FStatement) << c.FLine;
}

}  // namespace
}  // namespace ipmdb::engine
