// Tests of the literal-to-column conversion: every column type at its boundaries, the rounding
// rules, the refusals and their messages, and the lifetime of values held in scratch storage.
#include "jet/ValueConverter.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstdint>
#include <limits>
#include <ostream>
#include <optional>
#include <string>
#include <vector>

#include "jet/Error.h"
#include "jet/Utf8.h"

namespace ipmdb::jet {
namespace {

using Kind = SqlLiteral::Kind;

SqlLiteral Number(std::u16string_view text) { return {Kind::Number, text, false, 1}; }
SqlLiteral Text(std::u16string_view text) { return {Kind::Text, text, false, 1}; }
SqlLiteral Date(std::u16string_view text) { return {Kind::Date, text, false, 1}; }
SqlLiteral Hex(std::u16string_view digits) { return {Kind::Binary, digits, false, 1}; }
SqlLiteral Boolean(bool value) { return {Kind::Boolean, value ? u"TRUE" : u"FALSE", value, 1}; }
SqlLiteral Null() { return {Kind::Null, u"NULL", false, 1}; }

ColumnTarget Column(ColumnType type, uint16_t byteLength = 0) { return {"T", "c", type, byteLength}; }

std::string BadValueMessage(const SqlLiteral& literal, const ColumnTarget& column) {
  ValueConverter converter;
  try {
    converter.Convert(literal, column);
  } catch (const JetError& e) {
    EXPECT_EQ(e.Kind(), ErrorKind::BadValue);
    return e.what();
  }
  ADD_FAILURE() << "accepted";
  return {};
}

bool StartsWith(const std::string& text, std::string_view prefix) {
  return text.compare(0, prefix.size(), prefix) == 0;
}

// Failing table rows name the column type and the literal instead of dumping bytes.
void PrintLiteral(ColumnType type, const SqlLiteral& literal, std::ostream* os) {
  *os << "type " << int(type) << ", literal kind " << int(literal.kind) << " \"" << Utf16ToUtf8(literal.text) << "\"";
}

std::vector<uint8_t> Bytes(const CellValue& value) { return {value.binary.begin(), value.binary.end()}; }

TEST(ValueConverter, NullFitsEveryColumnType) {
  ValueConverter converter;
  for (ColumnType type : {ColumnType::Boolean, ColumnType::Byte, ColumnType::Integer, ColumnType::Long,
                          ColumnType::Currency, ColumnType::Single, ColumnType::Double, ColumnType::DateTime,
                          ColumnType::Binary, ColumnType::Text, ColumnType::Ole, ColumnType::Memo, ColumnType::Guid,
                          ColumnType::Decimal}) {
    EXPECT_EQ(converter.Convert(Null(), Column(type, 2)).kind, CellValue::Kind::Null) << int(type);
  }
}

struct IntegerCase {
  ColumnType type;
  SqlLiteral literal;
  int64_t value;
};

void PrintTo(const IntegerCase& c, std::ostream* os) { PrintLiteral(c.type, c.literal, os); }

class ValueConverterInteger : public testing::TestWithParam<IntegerCase> {};

TEST_P(ValueConverterInteger, GivesTheRoundedValue) {
  ValueConverter converter;
  CellValue value = converter.Convert(GetParam().literal, Column(GetParam().type));
  EXPECT_EQ(value.kind, CellValue::Kind::Integer);
  EXPECT_EQ(value.integer, GetParam().value);
}

INSTANTIATE_TEST_SUITE_P(
    BoundariesAndRounding, ValueConverterInteger,
    testing::Values(
        IntegerCase{ColumnType::Byte, Number(u"0"), 0}, IntegerCase{ColumnType::Byte, Number(u"255"), 255},
        IntegerCase{ColumnType::Byte, Number(u"255.4"), 255}, IntegerCase{ColumnType::Byte, Number(u"254.5"), 254},
        IntegerCase{ColumnType::Byte, Number(u"-0.5"), 0}, IntegerCase{ColumnType::Byte, Boolean(false), 0},
        IntegerCase{ColumnType::Integer, Number(u"-32768"), -32768},
        IntegerCase{ColumnType::Integer, Number(u"32767"), 32767},
        IntegerCase{ColumnType::Integer, Number(u"32766.5"), 32766},
        IntegerCase{ColumnType::Integer, Boolean(true), -1},
        IntegerCase{ColumnType::Long, Number(u"2147483647"), 2147483647},
        IntegerCase{ColumnType::Long, Number(u"-2147483648"), -2147483647 - 1},
        IntegerCase{ColumnType::Long, Number(u"2.5"), 2}, IntegerCase{ColumnType::Long, Number(u"3.5"), 4},
        IntegerCase{ColumnType::Long, Number(u"-2.5"), -2}, IntegerCase{ColumnType::Long, Number(u"-3.5"), -4},
        IntegerCase{ColumnType::Long, Number(u"2.5000000000000001"), 3},
        IntegerCase{ColumnType::Long, Number(u"2.4999999999"), 2}, IntegerCase{ColumnType::Long, Number(u"1e3"), 1000},
        IntegerCase{ColumnType::Long, Number(u"+1.5E1"), 15}, IntegerCase{ColumnType::Long, Number(u"25e-1"), 2},
        IntegerCase{ColumnType::Long, Number(u"35e-1"), 4}, IntegerCase{ColumnType::Long, Number(u".5"), 0},
        IntegerCase{ColumnType::Long, Number(u"5."), 5}, IntegerCase{ColumnType::Long, Number(u"1e-400"), 0},
        IntegerCase{ColumnType::Long, Number(u"0e999999999999"), 0},
        IntegerCase{ColumnType::Long, Number(u"0000000000000000000000042"), 42},
        IntegerCase{ColumnType::Long, Text(u" \t42\r\n"), 42}, IntegerCase{ColumnType::Long, Text(u"-7.5"), -8}));

struct RefusalCase {
  ColumnType type;
  uint16_t byteLength;
  SqlLiteral literal;
  std::string_view messageStart;
};

void PrintTo(const RefusalCase& c, std::ostream* os) { PrintLiteral(c.type, c.literal, os); }

class ValueConverterRefusal : public testing::TestWithParam<RefusalCase> {};

TEST_P(ValueConverterRefusal, RefusesWithTheReason) {
  std::string message = BadValueMessage(GetParam().literal, Column(GetParam().type, GetParam().byteLength));
  EXPECT_TRUE(StartsWith(message, GetParam().messageStart)) << message;
}

constexpr std::string_view kRange = "值超出范围：表“T”的列“c”";
constexpr std::string_view kMismatch = "类型不符：表“T”的列“c”";
constexpr std::string_view kNoSuchDate = "日期无效：表“T”的列“c”";

INSTANTIATE_TEST_SUITE_P(
    IntegerRanges, ValueConverterRefusal,
    testing::Values(RefusalCase{ColumnType::Byte, 0, Number(u"256"), kRange},
                    RefusalCase{ColumnType::Byte, 0, Number(u"255.5"), kRange},
                    RefusalCase{ColumnType::Byte, 0, Number(u"-1"), kRange},
                    RefusalCase{ColumnType::Byte, 0, Boolean(true), kRange},
                    RefusalCase{ColumnType::Integer, 0, Number(u"32768"), kRange},
                    RefusalCase{ColumnType::Integer, 0, Number(u"-32769"), kRange},
                    RefusalCase{ColumnType::Integer, 0, Number(u"32767.5"), kRange},
                    RefusalCase{ColumnType::Long, 0, Number(u"2147483648"), kRange},
                    RefusalCase{ColumnType::Long, 0, Number(u"-2147483649"), kRange},
                    RefusalCase{ColumnType::Long, 0, Number(u"99999999999999999999999"), kRange},
                    RefusalCase{ColumnType::Long, 0, Number(u"1e400"), kRange},
                    RefusalCase{ColumnType::Long, 0, Number(u"1e99999999999999"), kRange}));

INSTANTIATE_TEST_SUITE_P(
    WrongKinds, ValueConverterRefusal,
    testing::Values(RefusalCase{ColumnType::Long, 0, Text(u"abc"), kMismatch},
                    RefusalCase{ColumnType::Long, 0, Text(u""), kMismatch},
                    RefusalCase{ColumnType::Long, 0, Text(u"1,000"), kMismatch},
                    RefusalCase{ColumnType::Long, 0, Text(u"0x10"), kMismatch},
                    RefusalCase{ColumnType::Long, 0, Date(u"2024-01-31"), kMismatch},
                    RefusalCase{ColumnType::Integer, 0, Hex(u"10"), kMismatch},
                    RefusalCase{ColumnType::Currency, 0, Text(u"￥12"), kMismatch},
                    RefusalCase{ColumnType::Double, 0, Text(u"NaN"), kMismatch},
                    RefusalCase{ColumnType::Double, 0, Text(u"inf"), kMismatch},
                    RefusalCase{ColumnType::Single, 0, Date(u"13:45"), kMismatch},
                    RefusalCase{ColumnType::DateTime, 0, Boolean(true), kMismatch},
                    RefusalCase{ColumnType::DateTime, 0, Text(u"tomorrow"), kMismatch},
                    RefusalCase{ColumnType::DateTime, 0, Text(u"45322"), kMismatch},
                    RefusalCase{ColumnType::DateTime, 0, Hex(u"00"), kMismatch},
                    RefusalCase{ColumnType::Boolean, 0, Text(u"maybe"), kMismatch},
                    RefusalCase{ColumnType::Boolean, 0, Text(u""), kMismatch},
                    RefusalCase{ColumnType::Boolean, 0, Date(u"2024-01-31"), kMismatch},
                    RefusalCase{ColumnType::Boolean, 0, Hex(u"01"), kMismatch},
                    RefusalCase{ColumnType::Text, 510, Hex(u"0A"), kMismatch},
                    RefusalCase{ColumnType::Memo, 0, Hex(u"0A"), kMismatch},
                    RefusalCase{ColumnType::Binary, 510, Number(u"1"), kMismatch},
                    RefusalCase{ColumnType::Ole, 0, Boolean(true), kMismatch},
                    RefusalCase{ColumnType::Guid, 16, Text(u"{00112233-4455-6677-8899-AABBCCDDEEFF"), kMismatch},
                    RefusalCase{ColumnType::Guid, 16, Text(u"00112233445566778899AABBCCDDEEFF"), kMismatch},
                    RefusalCase{ColumnType::Guid, 16, Text(u"{0011223-34455-6677-8899-AABBCCDDEEFF}"), kMismatch},
                    RefusalCase{ColumnType::Guid, 16, Text(u"{00112233-4455-6677-8899-AABBCCDDEEFG}"), kMismatch},
                    RefusalCase{ColumnType::Guid, 16, Hex(u"00112233445566778899AABBCCDDEEFF"), kMismatch}));

TEST(ValueConverter, CurrencyKeepsFourDecimalsRoundingHalfToEven) {
  struct Case {
    std::u16string_view written;
    int64_t scaled;
  };
  const std::vector<Case> cases{{u"0", 0},
                                {u"1.5", 15000},
                                {u"-1.5", -15000},
                                {u"1.23455", 12346},
                                {u"1.23465", 12346},
                                {u"1.234650001", 12347},
                                {u"0.00005", 0},
                                {u"0.00015", 2},
                                {u"-0.00015", -2},
                                {u"1e2", 1000000},
                                {u"12345e-6", 123},
                                {u"922337203685477.5807", std::numeric_limits<int64_t>::max()},
                                {u"-922337203685477.5808", std::numeric_limits<int64_t>::min()},
                                {u"922337203685477.58074999", std::numeric_limits<int64_t>::max()}};
  ValueConverter converter;
  for (const Case& c : cases) {
    CellValue value = converter.Convert(Number(c.written), Column(ColumnType::Currency));
    EXPECT_EQ(value.kind, CellValue::Kind::Integer);
    EXPECT_EQ(value.integer, c.scaled) << std::string(c.written.begin(), c.written.end());
  }
  EXPECT_EQ(converter.Convert(Boolean(true), Column(ColumnType::Currency)).integer, -10000);
}

INSTANTIATE_TEST_SUITE_P(
    CurrencyAndRealRanges, ValueConverterRefusal,
    testing::Values(RefusalCase{ColumnType::Currency, 0, Number(u"922337203685477.5808"), kRange},
                    RefusalCase{ColumnType::Currency, 0, Number(u"922337203685477.58075"), kRange},
                    RefusalCase{ColumnType::Currency, 0, Number(u"-922337203685477.5809"), kRange},
                    RefusalCase{ColumnType::Currency, 0, Number(u"1e15"), kRange},
                    RefusalCase{ColumnType::Double, 0, Number(u"1e309"), kRange},
                    RefusalCase{ColumnType::Double, 0, Number(u"-1e309"), kRange},
                    RefusalCase{ColumnType::Double, 0, Number(u"1.7976931348623159e308"), kRange},
                    RefusalCase{ColumnType::Single, 0, Number(u"3.4028236e38"), kRange},
                    RefusalCase{ColumnType::Single, 0, Number(u"-1e39"), kRange},
                    RefusalCase{ColumnType::Single, 0, Text(u"1e300"), kRange}));

struct RealCase {
  ColumnType type;
  SqlLiteral literal;
  double value;
};

void PrintTo(const RealCase& c, std::ostream* os) { PrintLiteral(c.type, c.literal, os); }

class ValueConverterReal : public testing::TestWithParam<RealCase> {};

// Exact comparisons on purpose: the conversions promise the correctly rounded value.
TEST_P(ValueConverterReal, GivesTheNearestRepresentableValue) {
  ValueConverter converter;
  CellValue value = converter.Convert(GetParam().literal, Column(GetParam().type));
  EXPECT_EQ(value.kind, CellValue::Kind::Real);
  EXPECT_EQ(value.real, GetParam().value);
  EXPECT_FALSE(std::signbit(value.real) && value.real == 0) << "negative zero";
}

INSTANTIATE_TEST_SUITE_P(
    DoubleAndSingle, ValueConverterReal,
    testing::Values(
        RealCase{ColumnType::Double, Number(u"4294967295"), 4294967295.0},
        RealCase{ColumnType::Double, Number(u"16777472"), 16777472.0},
        RealCase{ColumnType::Double, Number(u"999999999999999"), 999999999999999.0},
        RealCase{ColumnType::Double, Number(u"9007199254740993"), 9007199254740992.0},
        RealCase{ColumnType::Double, Number(u"123456789012345678"), 123456789012345680.0},
        RealCase{ColumnType::Double, Number(u"0.1"), 0.1}, RealCase{ColumnType::Double, Number(u"-2.5"), -2.5},
        RealCase{ColumnType::Double, Number(u"+.5"), 0.5}, RealCase{ColumnType::Double, Number(u"1e308"), 1e308},
        RealCase{ColumnType::Double, Number(u"1.7976931348623157e308"), DBL_MAX},
        RealCase{ColumnType::Double, Number(u"4.9e-324"), 4.9e-324},
        RealCase{ColumnType::Double, Number(u"1e-400"), 0.0}, RealCase{ColumnType::Double, Number(u"-0"), 0.0},
        RealCase{ColumnType::Double, Number(u"-0.0e5"), 0.0},
        RealCase{ColumnType::Double, Text(u" 3.25 "), 3.25}, RealCase{ColumnType::Double, Boolean(true), -1.0},
        RealCase{ColumnType::Double, Boolean(false), 0.0},
        RealCase{ColumnType::Single, Number(u"0.1"), double(0.1f)},
        RealCase{ColumnType::Single, Number(u"16777217"), 16777216.0},
        RealCase{ColumnType::Single, Number(u"3.4028235e38"), double(FLT_MAX)},
        RealCase{ColumnType::Single, Number(u"1e-50"), 0.0},
        // Just above the midpoint of 1 and the next float: the double nearest to it is the
        // midpoint itself, so rounding through double would wrongly give 1.
        RealCase{ColumnType::Single, Number(u"1.00000005960464477539062501"), 1.00000011920928955078125}));

struct DateCase {
  SqlLiteral literal;
  double day;
};

void PrintTo(const DateCase& c, std::ostream* os) { PrintLiteral(ColumnType::DateTime, c.literal, os); }

class ValueConverterDate : public testing::TestWithParam<DateCase> {};

TEST_P(ValueConverterDate, GivesTheOleDate) {
  ValueConverter converter;
  CellValue value = converter.Convert(GetParam().literal, Column(ColumnType::DateTime));
  EXPECT_EQ(value.kind, CellValue::Kind::Real);
  EXPECT_DOUBLE_EQ(value.real, GetParam().day);
}

constexpr double kDay = 86400.0;

INSTANTIATE_TEST_SUITE_P(
    EpochLeapDaysAndRange, ValueConverterDate,
    testing::Values(DateCase{Date(u"1899-12-30"), 0}, DateCase{Date(u"1899-12-31"), 1},
                    DateCase{Date(u"1899-12-29"), -1}, DateCase{Date(u"1899-12-30 06:00"), 0.25},
                    DateCase{Date(u"1899-12-29 06:00:00"), -1.25}, DateCase{Date(u"1899-12-28 18:00"), -2.75},
                    DateCase{Date(u"2024-01-31"), 45322}, DateCase{Date(u"1/31/2024"), 45322},
                    DateCase{Date(u"2024/1/31"), 45322}, DateCase{Date(u"1-31-2024"), 45322},
                    DateCase{Date(u" 2024-01-31 "), 45322},
                    DateCase{Date(u"2024-01-31 13:45:00"), 45322 + 49500 / kDay},
                    DateCase{Date(u"1/31/2024 1:45 PM"), 45322 + 49500 / kDay},
                    DateCase{Date(u"1/31/2024 12:00 am"), 45322}, DateCase{Date(u"12:30 PM"), 45000 / kDay},
                    DateCase{Date(u"13:45"), 49500 / kDay}, DateCase{Date(u"1/31/99"), 36191},
                    DateCase{Date(u"1/31/30"), 10989}, DateCase{Date(u"1/31/29"), 47149},
                    DateCase{Date(u"2024-02-29"), 45351}, DateCase{Date(u"2000-02-29"), 36585},
                    DateCase{Date(u"100-01-01"), -657434}, DateCase{Date(u"9999-12-31"), 2958465},
                    DateCase{Date(u"9999-12-31 23:59:59"), 2958465 + 86399 / kDay},
                    DateCase{Text(u"2024-01-31 13:45:00"), 45322 + 49500 / kDay},
                    DateCase{Text(u"2024-01-31"), 45322}, DateCase{Number(u"45322.5"), 45322.5},
                    DateCase{Number(u"-657434"), -657434}, DateCase{Number(u"2958465.999"), 2958465.999}));

INSTANTIATE_TEST_SUITE_P(
    ImpossibleAndDistantDates, ValueConverterRefusal,
    testing::Values(RefusalCase{ColumnType::DateTime, 0, Date(u"2023-02-29"), kNoSuchDate},
                    RefusalCase{ColumnType::DateTime, 0, Date(u"1900-02-29"), kNoSuchDate},
                    RefusalCase{ColumnType::DateTime, 0, Date(u"2024-13-01"), kNoSuchDate},
                    RefusalCase{ColumnType::DateTime, 0, Date(u"2024-00-10"), kNoSuchDate},
                    RefusalCase{ColumnType::DateTime, 0, Date(u"2024-04-31"), kNoSuchDate},
                    RefusalCase{ColumnType::DateTime, 0, Date(u"13/1/2024"), kNoSuchDate},
                    RefusalCase{ColumnType::DateTime, 0, Date(u"24:00"), kNoSuchDate},
                    RefusalCase{ColumnType::DateTime, 0, Date(u"12:60"), kNoSuchDate},
                    RefusalCase{ColumnType::DateTime, 0, Date(u"12:00:60"), kNoSuchDate},
                    RefusalCase{ColumnType::DateTime, 0, Date(u"13:00 PM"), kNoSuchDate},
                    RefusalCase{ColumnType::DateTime, 0, Date(u"0:30 AM"), kNoSuchDate},
                    RefusalCase{ColumnType::DateTime, 0, Text(u"2023-02-29"), kNoSuchDate},
                    RefusalCase{ColumnType::DateTime, 0, Date(u"0099-12-31"), kRange},
                    RefusalCase{ColumnType::DateTime, 0, Number(u"-657435"), kRange},
                    RefusalCase{ColumnType::DateTime, 0, Number(u"2958466"), kRange},
                    RefusalCase{ColumnType::DateTime, 0, Number(u"1e400"), kRange}));

TEST(ValueConverter, YesNoTakesBooleansNumbersAndTheirWords) {
  struct Case {
    SqlLiteral literal;
    bool value;
  };
  const std::vector<Case> cases{
      {Boolean(true), true},    {Boolean(false), false},  {Number(u"0"), false},    {Number(u"-0.0"), false},
      {Number(u"0e10"), false}, {Number(u"1"), true},     {Number(u"-1"), true},    {Number(u"0.001"), true},
      {Number(u"1e-400"), true}, {Text(u"true"), true},   {Text(u" YES "), true},   {Text(u"On"), true},
      {Text(u"FALSE"), false},  {Text(u"no"), false},     {Text(u"\toff\n"), false}, {Text(u"0"), false},
      {Text(u" 2 "), true}};
  ValueConverter converter;
  for (const Case& c : cases) {
    CellValue value = converter.Convert(c.literal, Column(ColumnType::Boolean));
    EXPECT_EQ(value.kind, CellValue::Kind::Boolean);
    EXPECT_EQ(value.boolean, c.value) << std::string(c.literal.text.begin(), c.literal.text.end());
  }
}

TEST(ValueConverter, TextTakesLiteralsAsWritten) {
  struct Case {
    SqlLiteral literal;
    std::u16string_view text;
  };
  const std::vector<Case> cases{{Text(u"中国"), u"中国"},   {Text(u""), u""},
                                {Number(u"+2.50"), u"+2.50"}, {Number(u"1e3"), u"1e3"},
                                {Boolean(true), u"True"},     {Boolean(false), u"False"},
                                {Date(u"1/31/2024"), u"1/31/2024"}};
  ValueConverter converter;
  for (const Case& c : cases) {
    for (ColumnType type : {ColumnType::Text, ColumnType::Memo}) {
      CellValue value = converter.Convert(c.literal, Column(type, 510));
      EXPECT_EQ(value.kind, CellValue::Kind::Text);
      EXPECT_EQ(value.text, c.text);
    }
  }
}

TEST(ValueConverter, TextFillsTheColumnToTheLastCharacter) {
  ValueConverter converter;
  const std::u16string address(16, u'9');
  EXPECT_EQ(converter.Convert(Text(address), Column(ColumnType::Text, 32)).text.size(), 16u);
  const std::u16string area(255, u'福');
  EXPECT_EQ(converter.Convert(Text(area), Column(ColumnType::Text, 510)).text, area);
  const std::u16string memo(100000, u'备');
  EXPECT_EQ(converter.Convert(Text(memo), Column(ColumnType::Memo, 0)).text.size(), memo.size());
}

TEST(ValueConverter, RefusesTextThatCannotBeStoredExactly) {
  for (const ColumnType type : {ColumnType::Text, ColumnType::Memo}) {
    EXPECT_EQ(BadValueMessage(Text(u"\uFEFF一"), Column(type, 510)),
              std::string("文本无法原样保存：表“T”的列“c”（") + (type == ColumnType::Text ? "文本" : "备注") +
                  "）不能写入“\uFEFF一”，以 U+FEFF 开头的文本中不能有低字节为 0 的字符（此处为 U+4E00）。");
  }
}

TEST(ValueConverter, RefusesTextLongerThanTheColumnInsteadOfShorteningIt) {
  const std::u16string country(130, u'国');
  EXPECT_EQ(BadValueMessage(Text(country), ColumnTarget{"IP", "country", ColumnType::Text, 256}),
            "值过长：表“IP”的列“country”最多容纳 128 个字符，该值有 130 个字符。");
  EXPECT_EQ(BadValueMessage(Text(std::u16string(17, u'1')), ColumnTarget{"IP", "startip", ColumnType::Text, 32}),
            "值过长：表“IP”的列“startip”最多容纳 16 个字符，该值有 17 个字符。");
  EXPECT_EQ(BadValueMessage(Number(u"12345"), ColumnTarget{"IP", "startip", ColumnType::Text, 8}),
            "值过长：表“IP”的列“startip”最多容纳 4 个字符，该值有 5 个字符。");
  EXPECT_EQ(BadValueMessage(Text(u"abc"), Column(ColumnType::Binary, 4)),
            "值过长：表“T”的列“c”最多容纳 4 个字节，该值有 6 个字节。");
  EXPECT_EQ(BadValueMessage(Hex(u"0A1B2C"), Column(ColumnType::Binary, 2)),
            "值过长：表“T”的列“c”最多容纳 2 个字节，该值有 3 个字节。");
}

TEST(ValueConverter, BinaryTakesHexBytesAndUtf16LeText) {
  ValueConverter converter;
  EXPECT_EQ(Bytes(converter.Convert(Hex(u"0A1B"), Column(ColumnType::Binary, 2))), (std::vector<uint8_t>{0x0A, 0x1B}));
  EXPECT_EQ(Bytes(converter.Convert(Hex(u"aBc"), Column(ColumnType::Binary, 2))), (std::vector<uint8_t>{0x0A, 0xBC}));
  EXPECT_EQ(Bytes(converter.Convert(Text(u"A中"), Column(ColumnType::Binary, 4))),
            (std::vector<uint8_t>{0x41, 0x00, 0x2D, 0x4E}));
  CellValue empty = converter.Convert(Text(u""), Column(ColumnType::Binary, 4));
  EXPECT_EQ(empty.kind, CellValue::Kind::Binary);
  EXPECT_TRUE(empty.binary.empty());
  const std::u16string longHex(6000, u'F');
  EXPECT_EQ(converter.Convert(Hex(longHex), Column(ColumnType::Ole)).binary.size(), 3000u);
}

TEST(ValueConverter, GuidTextBecomesTheStoredStructureBytes) {
  const std::vector<uint8_t> stored{0x33, 0x22, 0x11, 0x00, 0x55, 0x44, 0x77, 0x66,
                                    0x88, 0x99, 0xAA, 0xBB, 0xCC, 0xDD, 0xEE, 0xFF};
  ValueConverter converter;
  for (std::u16string_view text : {u"{00112233-4455-6677-8899-AABBCCDDEEFF}", u"00112233-4455-6677-8899-aabbccddeeff",
                                   u" {00112233-4455-6677-8899-AABBCCDDEEFF} "}) {
    CellValue value = converter.Convert(Text(text), Column(ColumnType::Guid, 16));
    EXPECT_EQ(value.kind, CellValue::Kind::Binary);
    EXPECT_EQ(Bytes(value), stored);
  }
}

TEST(ValueConverter, RefusesDecimalColumns) {
  EXPECT_EQ(BadValueMessage(Number(u"1.5"), Column(ColumnType::Decimal)),
            "不支持向小数类型的列写入：表“T”的列“c”，值“1.5”。");
}

TEST(ValueConverter, MessagesNameTableColumnTypeAndValue) {
  EXPECT_EQ(BadValueMessage(Number(u"32768"), ColumnTarget{"地址", "端口", ColumnType::Integer, 2}),
            "值超出范围：表“地址”的列“端口”（整型）只能容纳 -32768 到 32767 之间的整数，值“32768”不在此范围内。");
  EXPECT_EQ(BadValueMessage(Text(u"abc"), ColumnTarget{"IP", "startid", ColumnType::Double, 8}),
            "类型不符：表“IP”的列“startid”（双精度型）需要数字，不能写入文本“abc”。");
  EXPECT_EQ(BadValueMessage(Date(u"2023-02-29"), ColumnTarget{"T", "d", ColumnType::DateTime, 8}),
            "日期无效：表“T”的列“d”（日期/时间）不能写入“#2023-02-29#”，没有这样的日期或时间。");
  EXPECT_EQ(BadValueMessage(Hex(u"0A"), ColumnTarget{"T", "t", ColumnType::Text, 20}),
            "类型不符：表“T”的列“t”（文本）需要文本，不能写入二进制常量“0x0A”。");
}

TEST(ValueConverter, MessagesShortenLongValuesToOneLine) {
  const std::u16string value = std::u16string(u"第一行\r\n") + std::u16string(40, u'x');
  EXPECT_EQ(BadValueMessage(Text(value), Column(ColumnType::Long)),
            "类型不符：表“T”的列“c”（长整型）需要数字，不能写入文本“第一行  " + std::string(27, 'x') + "…”。");
}

// Bytes of binary values live in the converter's scratch blocks; filling several blocks must
// not move the earlier ones, and Reset() lets the next statement reuse them.
TEST(ValueConverter, BinaryValuesStayValidUntilReset) {
  ValueConverter converter;
  for (int round = 0; round < 2; ++round) {
    std::vector<std::u16string> hexTexts;
    for (int i = 0; i < 64; ++i) hexTexts.push_back(std::u16string(2000, u"0123456789ABCDEF"[(i + round) % 16]));
    std::vector<CellValue> values;
    for (const std::u16string& hex : hexTexts) values.push_back(converter.Convert(Hex(hex), Column(ColumnType::Ole)));
    for (int i = 0; i < 64; ++i) {
      const uint8_t nibble = uint8_t((i + round) % 16);
      ASSERT_EQ(values[size_t(i)].binary.size(), 1000u);
      EXPECT_EQ(values[size_t(i)].binary.front(), nibble * 16 + nibble) << i;
      EXPECT_EQ(values[size_t(i)].binary.back(), nibble * 16 + nibble) << i;
    }
    converter.Reset();
  }
}

}  // namespace
}  // namespace ipmdb::jet
