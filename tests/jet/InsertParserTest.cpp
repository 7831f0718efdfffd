// Tests of the INSERT parser: every token kind at its edges, blanks everywhere and nowhere,
// names in brackets and in other scripts, every refusal with its position, and how long the
// views of a result stay valid.
#include "jet/InsertParser.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "jet/Error.h"
#include "jet/Utf8.h"

namespace ipmdb::jet {
namespace {

using Kind = SqlLiteral::Kind;

std::u16string Repeat(std::u16string_view piece, size_t times) {
  std::u16string out;
  for (size_t i = 0; i < times; ++i) out += piece;
  return out;
}

std::string BadSqlMessage(std::u16string_view sql) {
  InsertParser parser;
  try {
    parser.Parse(sql);
  } catch (const JetError& e) {
    EXPECT_EQ(e.Kind(), ErrorKind::BadSql);
    return e.what();
  }
  ADD_FAILURE() << "accepted";
  return {};
}

TEST(InsertParser, ReadsTheConverterStatement) {
  const std::u16string sql = u"insert into IP values('1.0.1.0','1.0.3.255',16777472,16778239,'中国','福建省')";
  InsertParser parser;
  const InsertStatement& statement = parser.Parse(sql);
  EXPECT_EQ(statement.table, u"IP");
  EXPECT_TRUE(statement.columns.empty());
  struct Expected {
    Kind kind;
    std::u16string_view text;
    uint32_t position;
  };
  const std::vector<Expected> expected{{Kind::Text, u"1.0.1.0", 23},    {Kind::Text, u"1.0.3.255", 33},
                                       {Kind::Number, u"16777472", 45}, {Kind::Number, u"16778239", 54},
                                       {Kind::Text, u"中国", 63},       {Kind::Text, u"福建省", 68}};
  ASSERT_EQ(statement.values.size(), expected.size());
  for (size_t i = 0; i < expected.size(); ++i) {
    EXPECT_EQ(statement.values[i].kind, expected[i].kind) << i;
    EXPECT_EQ(statement.values[i].text, expected[i].text) << i;
    EXPECT_EQ(statement.values[i].position, expected[i].position) << i;
  }
}

struct LiteralCase {
  std::u16string_view written;
  Kind kind;
  std::u16string_view text;
  bool boolean = false;
};

void PrintTo(const LiteralCase& c, std::ostream* os) { *os << Utf16ToUtf8(c.written); }

class InsertParserLiteral : public testing::TestWithParam<LiteralCase> {};

TEST_P(InsertParserLiteral, ReadsKindAndText) {
  const LiteralCase& c = GetParam();
  const std::u16string sql = std::u16string(u"INSERT INTO t VALUES (") + std::u16string(c.written) + u")";
  InsertParser parser;
  const InsertStatement& statement = parser.Parse(sql);
  ASSERT_EQ(statement.values.size(), 1u);
  const SqlLiteral& literal = statement.values[0];
  EXPECT_EQ(literal.kind, c.kind);
  EXPECT_EQ(literal.text, c.text);
  EXPECT_EQ(literal.boolean, c.boolean);
  EXPECT_EQ(literal.position, 23u);
}

INSTANTIATE_TEST_SUITE_P(
    EveryTokenKind, InsertParserLiteral,
    testing::Values(
        LiteralCase{u"'abc'", Kind::Text, u"abc"}, LiteralCase{u"''", Kind::Text, u""},
        LiteralCase{u"'O''Hare'", Kind::Text, u"O'Hare"}, LiteralCase{u"''''", Kind::Text, u"'"},
        LiteralCase{u"'a''''b'''", Kind::Text, u"a''b'"}, LiteralCase{u"'say \"hi\"'", Kind::Text, u"say \"hi\""},
        LiteralCase{u"\"say \"\"hi\"\"\"", Kind::Text, u"say \"hi\""}, LiteralCase{u"\"it's\"", Kind::Text, u"it's"},
        LiteralCase{u"\"\"", Kind::Text, u""}, LiteralCase{u"'中国 福建省'", Kind::Text, u"中国 福建省"},
        LiteralCase{u"'a,b)c;'", Kind::Text, u"a,b)c;"}, LiteralCase{u"'two\r\nlines'", Kind::Text, u"two\r\nlines"},
        LiteralCase{u"'\U00020000'", Kind::Text, u"\U00020000"}, LiteralCase{u"'  '", Kind::Text, u"  "},
        LiteralCase{u"0", Kind::Number, u"0"}, LiteralCase{u"-1", Kind::Number, u"-1"},
        LiteralCase{u"+2.5", Kind::Number, u"+2.5"}, LiteralCase{u".5", Kind::Number, u".5"},
        LiteralCase{u"5.", Kind::Number, u"5."}, LiteralCase{u"1e3", Kind::Number, u"1e3"},
        LiteralCase{u"-1.5E-3", Kind::Number, u"-1.5E-3"}, LiteralCase{u"2e+10", Kind::Number, u"2e+10"},
        LiteralCase{u"4294967295", Kind::Number, u"4294967295"}, LiteralCase{u"007", Kind::Number, u"007"},
        LiteralCase{u"NULL", Kind::Null, u"NULL"}, LiteralCase{u"null", Kind::Null, u"null"},
        LiteralCase{u"TRUE", Kind::Boolean, u"TRUE", true}, LiteralCase{u"false", Kind::Boolean, u"false", false},
        LiteralCase{u"Yes", Kind::Boolean, u"Yes", true}, LiteralCase{u"NO", Kind::Boolean, u"NO", false},
        LiteralCase{u"on", Kind::Boolean, u"on", true}, LiteralCase{u"Off", Kind::Boolean, u"Off", false},
        LiteralCase{u"#2024-01-31#", Kind::Date, u"2024-01-31"},
        LiteralCase{u"#2024-01-31 13:45:00#", Kind::Date, u"2024-01-31 13:45:00"},
        LiteralCase{u"#1/31/2024#", Kind::Date, u"1/31/2024"}, LiteralCase{u"#13:45#", Kind::Date, u"13:45"},
        LiteralCase{u"#1/31/2024 1:45 PM#", Kind::Date, u"1/31/2024 1:45 PM"},
        LiteralCase{u"# 2024-01-31 #", Kind::Date, u" 2024-01-31 "}, LiteralCase{u"0x0A1B", Kind::Binary, u"0A1B"},
        LiteralCase{u"0XfF", Kind::Binary, u"fF"}, LiteralCase{u"0xABC", Kind::Binary, u"ABC"}));

TEST(InsertParser, ReadsATextOfTheLongestColumnLength) {
  const std::u16string text = Repeat(u"福", 255);
  const std::u16string sql = u"INSERT INTO IP VALUES ('" + text + u"', '" + Repeat(u"''", 255) + u"')";
  InsertParser parser;
  const InsertStatement& statement = parser.Parse(sql);
  EXPECT_EQ(statement.values[0].text, text);
  EXPECT_EQ(statement.values[1].text, Repeat(u"'", 255));
}

TEST(InsertParser, TellsEmptyTextFromNull) {
  InsertParser parser;
  const InsertStatement& statement = parser.Parse(u"INSERT INTO t VALUES ('', NULL, \"\")");
  EXPECT_EQ(statement.values[0].kind, Kind::Text);
  EXPECT_TRUE(statement.values[0].text.empty());
  EXPECT_EQ(statement.values[1].kind, Kind::Null);
  EXPECT_EQ(statement.values[2].kind, Kind::Text);
}

class InsertParserLayout : public testing::TestWithParam<std::u16string_view> {};

// The same statement, whatever its blanks, case and brackets, gives the same result.
TEST_P(InsertParserLayout, GivesTheSameStatement) {
  InsertParser parser;
  const InsertStatement& statement = parser.Parse(GetParam());
  EXPECT_EQ(statement.table, u"IP");
  ASSERT_EQ(statement.columns.size(), 2u);
  EXPECT_EQ(statement.columns[0], u"a");
  EXPECT_EQ(statement.columns[1], u"b");
  ASSERT_EQ(statement.values.size(), 2u);
  EXPECT_EQ(statement.values[0].text, u"x");
  EXPECT_EQ(statement.values[1].text, u"1");
}

INSTANTIATE_TEST_SUITE_P(
    BlanksCaseAndBrackets, InsertParserLayout,
    testing::Values(u"INSERT INTO IP (a, b) VALUES ('x', 1)", u"INSERT INTO IP(a,b)VALUES('x',1)",
                    u"INSERT INTO[IP](a,[b])VALUES('x',1);", u"iNsErT iNtO IP (a, b) VaLuEs ('x', 1)",
                    u" \t\r\n INSERT \t INTO \n IP \r\n ( a , b ) \n VALUES \t ( 'x' , 1 ) ; \r\n",
                    u"INSERT\nINTO\nIP\n(\na\n,\nb\n)\nVALUES\n(\n'x'\n,\n1\n)\n;",
                    u"INSERT INTO [IP] ([a], [b]) VALUES ('x',1) ;"));

struct NameCase {
  std::u16string_view sql;
  std::u16string_view table;
  std::u16string_view column;
};

void PrintTo(const NameCase& c, std::ostream* os) { *os << Utf16ToUtf8(c.sql); }

class InsertParserName : public testing::TestWithParam<NameCase> {};

TEST_P(InsertParserName, ReadsTableAndColumnNames) {
  InsertParser parser;
  const InsertStatement& statement = parser.Parse(GetParam().sql);
  EXPECT_EQ(statement.table, GetParam().table);
  ASSERT_EQ(statement.columns.size(), 1u);
  EXPECT_EQ(statement.columns[0], GetParam().column);
}

INSTANTIATE_TEST_SUITE_P(
    PlainAndBracketed, InsertParserName,
    testing::Values(NameCase{u"INSERT INTO 地址表 (国家) VALUES (1)", u"地址表", u"国家"},
                    NameCase{u"INSERT INTO _t1 (a_2) VALUES (1)", u"_t1", u"a_2"},
                    NameCase{u"INSERT INTO Таблица (Страна) VALUES (1)", u"Таблица", u"Страна"},
                    NameCase{u"INSERT INTO t\U00020000 (c) VALUES (1)", u"t\U00020000", u"c"},
                    NameCase{u"INSERT INTO [my table] ([1st column]) VALUES (1)", u"my table", u"1st column"},
                    NameCase{u"INSERT INTO [a-b.c] ([(x), y]) VALUES (1)", u"a-b.c", u"(x), y"},
                    NameCase{u"INSERT INTO [VALUES] ([SELECT]) VALUES (1)", u"VALUES", u"SELECT"}));

struct RefusalCase {
  std::u16string_view sql;
  std::string_view message;
};

void PrintTo(const RefusalCase& c, std::ostream* os) { *os << Utf16ToUtf8(c.sql); }

class InsertParserRefusal : public testing::TestWithParam<RefusalCase> {};

TEST_P(InsertParserRefusal, SaysWhatWasExpectedAndWhere) {
  EXPECT_EQ(BadSqlMessage(GetParam().sql), GetParam().message);
}

constexpr std::string_view kUnsupported = "不支持的 SQL 语句：只能执行 INSERT INTO ... VALUES (...)。";

INSTANTIATE_TEST_SUITE_P(
    OtherStatements, InsertParserRefusal,
    testing::Values(RefusalCase{u"SELECT * FROM IP", kUnsupported}, RefusalCase{u"UPDATE IP SET a = 1", kUnsupported},
                    RefusalCase{u"DELETE FROM IP", kUnsupported},
                    RefusalCase{u"(INSERT INTO t VALUES (1))", kUnsupported},
                    RefusalCase{u"INSERTINTO t VALUES (1)", kUnsupported},
                    RefusalCase{u"INSERT INTO t SELECT * FROM u", kUnsupported},
                    RefusalCase{u"INSERT INTO t (a) SELECT a FROM u", kUnsupported},
                    RefusalCase{u"", "SQL 语句错误：语句为空。"}, RefusalCase{u" \r\n\t", "SQL 语句错误：语句为空。"}));

INSTANTIATE_TEST_SUITE_P(
    MissingOrStrayTokens, InsertParserRefusal,
    testing::Values(
        RefusalCase{u"INSERT INTO IP (a, b) VALUE (1, 2)", "SQL 语句错误：第 23 个字符处应为“VALUES”，实际为“VALUE (”。"},
        RefusalCase{u"INSERT t VALUES (1)", "SQL 语句错误：第 8 个字符处应为“INTO”，实际为“t VALUE”。"},
        RefusalCase{u"INSERT INTOt VALUES(1)", "SQL 语句错误：第 8 个字符处应为“INTO”，实际为“INTOt V”。"},
        RefusalCase{u"INSERT", "SQL 语句错误：第 7 个字符处应为“INTO”，但语句已经结束。"},
        RefusalCase{u"INSERT INTO IP VALUE (1)", "SQL 语句错误：第 16 个字符处应为“(”或“VALUES”，实际为“VALUE (”。"},
        RefusalCase{u"INSERT INTO VALUES", "SQL 语句错误：第 19 个字符处应为“(”或“VALUES”，但语句已经结束。"},
        RefusalCase{u"INSERT INTO (a) VALUES (1)", "SQL 语句错误：第 13 个字符处应为表名，实际为“(a) VAL”。"},
        RefusalCase{u"INSERT INTO [] VALUES (1)", "SQL 语句错误：第 13 个字符处应为表名，实际为“[] VALU”。"},
        RefusalCase{u"INSERT INTO t ([]) VALUES (1)", "SQL 语句错误：第 16 个字符处应为列名，实际为“[]) VAL”。"},
        RefusalCase{u"INSERT INTO t (a,) VALUES (1)", "SQL 语句错误：第 18 个字符处应为列名，实际为“) VALUE”。"},
        RefusalCase{u"INSERT INTO t (1a) VALUES (1)", "SQL 语句错误：第 16 个字符处应为列名，实际为“1a) VAL”。"},
        RefusalCase{u"INSERT INTO t (a VALUES (1)", "SQL 语句错误：第 18 个字符处应为“,”或“)”，实际为“VALUES ”。"},
        RefusalCase{u"INSERT INTO t VALUES 1", "SQL 语句错误：第 22 个字符处应为“(”，实际为“1”。"},
        RefusalCase{u"INSERT INTO t VALUES (1", "SQL 语句错误：第 24 个字符处应为“,”或“)”，但语句已经结束。"},
        RefusalCase{u"INSERT INTO t VALUES (1 2)", "SQL 语句错误：第 25 个字符处应为“,”或“)”，实际为“2)”。"},
        RefusalCase{u"INSERT INTO t VALUES ('a' 'b')", "SQL 语句错误：第 27 个字符处应为“,”或“)”，实际为“'b')”。"},
        RefusalCase{u"INSERT INTO t VALUES ()", "SQL 语句错误：第 23 个字符处应为值，实际为“)”。"},
        RefusalCase{u"INSERT INTO t VALUES (1,)", "SQL 语句错误：第 25 个字符处应为值，实际为“)”。"},
        RefusalCase{u"INSERT INTO t VALUES (abc)", "SQL 语句错误：第 23 个字符处应为值，实际为“abc)”。"},
        RefusalCase{u"INSERT INTO t VALUES (NULLS)", "SQL 语句错误：第 23 个字符处应为值，实际为“NULLS)”。"},
        RefusalCase{u"INSERT INTO t VALUES (@1)", "SQL 语句错误：第 23 个字符处应为值，实际为“@1)”。"},
        RefusalCase{u"INSERT INTO t VALUES (1) x", "SQL 语句错误：第 26 个字符处应为语句结尾，实际为“x”。"},
        RefusalCase{u"INSERT INTO t VALUES (1);;", "SQL 语句错误：第 26 个字符处应为语句结尾，实际为“;”。"},
        RefusalCase{u"INSERT INTO t VALUES (1)\r\nx\r\ny", "SQL 语句错误：第 27 个字符处应为语句结尾，实际为“x”。"},
        RefusalCase{u"INSERT INTO t (a, b) VALUES (1)",
                    "SQL 语句错误：第 29 个字符处开始的值列表有 1 个值，但列名列表有 2 个列。"}));

INSTANTIATE_TEST_SUITE_P(
    BrokenLiterals, InsertParserRefusal,
    testing::Values(
        RefusalCase{u"INSERT INTO t VALUES ('abc", "SQL 语句错误：第 23 个字符处开始的文本缺少结束的引号。"},
        RefusalCase{u"INSERT INTO t VALUES ('it''s)", "SQL 语句错误：第 23 个字符处开始的文本缺少结束的引号。"},
        RefusalCase{u"INSERT INTO t VALUES (\"abc')", "SQL 语句错误：第 23 个字符处开始的文本缺少结束的引号。"},
        RefusalCase{u"INSERT INTO t VALUES (1, '''", "SQL 语句错误：第 26 个字符处开始的文本缺少结束的引号。"},
        RefusalCase{u"INSERT INTO [t VALUES (1)", "SQL 语句错误：第 13 个字符处开始的名称缺少“]”。"},
        RefusalCase{u"INSERT INTO t VALUES (#2024-01-31)", "SQL 语句错误：第 23 个字符处开始的日期缺少结束的“#”。"},
        RefusalCase{u"INSERT INTO t VALUES (#2024-01-31\n#)", "SQL 语句错误：第 23 个字符处开始的日期缺少结束的“#”。"},
        RefusalCase{u"INSERT INTO t VALUES (#hello#)", "SQL 语句错误：第 23 个字符处的日期“#hello#”写法不正确。"},
        RefusalCase{u"INSERT INTO t VALUES (##)", "SQL 语句错误：第 23 个字符处的日期“##”写法不正确。"},
        RefusalCase{u"INSERT INTO t VALUES (#2024-01-31T10:00#)",
                    "SQL 语句错误：第 23 个字符处的日期“#2024-01-31T10:00#”写法不正确。"},
        RefusalCase{u"INSERT INTO t VALUES (#2024-01/31#)", "SQL 语句错误：第 23 个字符处的日期“#2024-01/31#”写法不正确。"},
        RefusalCase{u"INSERT INTO t VALUES (#12345-01-01#)",
                    "SQL 语句错误：第 23 个字符处的日期“#12345-01-01#”写法不正确。"},
        RefusalCase{u"INSERT INTO t VALUES (1abc)", "SQL 语句错误：第 23 个字符处的数字“1abc”写法不正确。"},
        RefusalCase{u"INSERT INTO t VALUES (1.2.3, 4)", "SQL 语句错误：第 23 个字符处的数字“1.2.3”写法不正确。"},
        RefusalCase{u"INSERT INTO t VALUES (1e)", "SQL 语句错误：第 23 个字符处的数字“1e”写法不正确。"},
        RefusalCase{u"INSERT INTO t VALUES (1e+)", "SQL 语句错误：第 23 个字符处的数字“1e+”写法不正确。"},
        RefusalCase{u"INSERT INTO t VALUES (-)", "SQL 语句错误：第 23 个字符处的数字“-”写法不正确。"},
        RefusalCase{u"INSERT INTO t VALUES (- 1)", "SQL 语句错误：第 23 个字符处的数字“-”写法不正确。"},
        RefusalCase{u"INSERT INTO t VALUES (.)", "SQL 语句错误：第 23 个字符处的数字“.”写法不正确。"},
        RefusalCase{u"INSERT INTO t VALUES (-0x10)", "SQL 语句错误：第 23 个字符处的数字“-0x10”写法不正确。"},
        RefusalCase{u"INSERT INTO t VALUES (123456789012345678901234567890x)",
                    "SQL 语句错误：第 23 个字符处的数字“12345678901234567890…”写法不正确。"},
        RefusalCase{u"INSERT INTO t VALUES (0x)", "SQL 语句错误：第 23 个字符处的十六进制常量“0x”写法不正确。"},
        RefusalCase{u"INSERT INTO t VALUES (0x1G)", "SQL 语句错误：第 23 个字符处的十六进制常量“0x1G”写法不正确。"}));

// Positions count characters: a CJK character is one, and so is a pair of surrogates.
INSTANTIATE_TEST_SUITE_P(
    PositionsCountCharacters, InsertParserRefusal,
    testing::Values(
        RefusalCase{u"INSERT INTO 表 VALUES ('中国' x)", "SQL 语句错误：第 28 个字符处应为“,”或“)”，实际为“x)”。"},
        RefusalCase{u"INSERT INTO t VALUES ('\U00020000\U00020000', x)",
                    "SQL 语句错误：第 29 个字符处应为值，实际为“x)”。"},
        RefusalCase{u"INSERT INTO [\U00020000] VALUES (1) \U00020000\U00020001\U00020002\U00020003\U00020004"
                    u"\U00020005\U00020006\U00020007",
                    "SQL 语句错误：第 28 个字符处应为语句结尾，实际为“\U00020000\U00020001\U00020002\U00020003"
                    "\U00020004\U00020005\U00020006”。"}));

TEST(InsertParser, LiteralPositionsCountSurrogatePairsAsOneCharacter) {
  InsertParser parser;
  const InsertStatement& statement = parser.Parse(u"INSERT INTO [\U00020000] VALUES ('\U00020001', 1)");
  EXPECT_EQ(statement.values[0].position, 25u);
  EXPECT_EQ(statement.values[1].position, 30u);
}

// Undoubled texts land in the scratch buffer while later literals are still being read; if the
// buffer moved, the earlier views would dangle (and the sanitizer build would say so).
TEST(InsertParser, ViewsIntoTheScratchBufferSurviveTheRestOfTheStatement) {
  std::u16string sql = u"INSERT INTO t VALUES (";
  for (int i = 0; i < 200; ++i) sql += (i ? u", '" : u"'") + std::u16string(u"a''b") + Repeat(u"x", size_t(i)) + u"'";
  sql += u")";
  InsertParser parser;
  const InsertStatement& statement = parser.Parse(sql);
  ASSERT_EQ(statement.values.size(), 200u);
  for (size_t i = 0; i < 200; ++i) EXPECT_EQ(statement.values[i].text, std::u16string(u"a'b") + Repeat(u"x", i)) << i;
}

TEST(InsertParser, ReusedParserForgetsThePreviousStatement) {
  InsertParser parser;
  parser.Parse(u"INSERT INTO first (a, b, c) VALUES ('x''y', 2, 3)");
  EXPECT_THROW(parser.Parse(u"INSERT INTO broken VALUES ("), JetError);
  const std::u16string longer = std::u16string(u"INSERT INTO second VALUES ('") + Repeat(u"p''q", 100) + u"')";
  const InsertStatement& statement = parser.Parse(longer);
  EXPECT_EQ(statement.table, u"second");
  EXPECT_TRUE(statement.columns.empty());
  ASSERT_EQ(statement.values.size(), 1u);
  EXPECT_EQ(statement.values[0].text, Repeat(u"p'q", 100));
  const InsertStatement& shorter = parser.Parse(u"INSERT INTO third VALUES ('it''s')");
  EXPECT_EQ(shorter.table, u"third");
  EXPECT_EQ(shorter.values[0].text, u"it's");
}

}  // namespace
}  // namespace ipmdb::jet
