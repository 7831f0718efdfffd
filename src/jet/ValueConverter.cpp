// Literal-to-column conversion. Each To* function states the rule it applies; the messages of
// every refusal name the table, the column and its type, the value and the reason.
#include "jet/ValueConverter.h"

#include <algorithm>
#include <cstdio>
#include <limits>
#include <optional>

#include "jet/Bytes.h"
#include "jet/DateText.h"
#include "jet/DecimalText.h"
#include "jet/Error.h"
#include "jet/SqlChars.h"
#include "jet/TextCodec.h"
#include "jet/Utf8.h"

namespace ipmdb::jet {
namespace {

// Scratch blocks hold the bytes of Binary, OLE and GUID values of one statement; a value larger
// than this gets a block of its own size.
constexpr size_t kScratchBlockSize = 4096;
// Messages quote at most this many characters of a value.
constexpr size_t kShownValueChars = 32;
constexpr size_t kGuidBytes = 16;

constexpr std::u16string_view kTrueText = u"True";
constexpr std::u16string_view kFalseText = u"False";
// Jet's values of TRUE and FALSE wherever a number is needed.
constexpr std::u16string_view kTrueNumber = u"-1";
constexpr std::u16string_view kFalseNumber = u"0";

const char* TypeName(ColumnType type) {
  switch (type) {
    case ColumnType::Boolean: return "是/否";
    case ColumnType::Byte: return "字节";
    case ColumnType::Integer: return "整型";
    case ColumnType::Long: return "长整型";
    case ColumnType::Currency: return "货币";
    case ColumnType::Single: return "单精度型";
    case ColumnType::Double: return "双精度型";
    case ColumnType::DateTime: return "日期/时间";
    case ColumnType::Binary: return "二进制";
    case ColumnType::Text: return "文本";
    case ColumnType::Ole: return "OLE 对象";
    case ColumnType::Memo: return "备注";
    case ColumnType::Guid: return "同步复制 ID";
    case ColumnType::Decimal: return "小数";
  }
  return "未知";
}

const char* KindName(SqlLiteral::Kind kind) {
  switch (kind) {
    case SqlLiteral::Kind::Null: return "NULL";
    case SqlLiteral::Kind::Text: return "文本";
    case SqlLiteral::Kind::Number: return "数字";
    case SqlLiteral::Kind::Boolean: return "布尔值";
    case SqlLiteral::Kind::Date: return "日期";
    case SqlLiteral::Kind::Binary: return "二进制常量";
  }
  return "值";
}

// The value as the statement wrote it, shortened, on one line.
std::string ShownValue(const SqlLiteral& literal) {
  std::string shown = literal.kind == SqlLiteral::Kind::Date     ? "#"
                     : literal.kind == SqlLiteral::Kind::Binary ? "0x"
                                                                : "";
  size_t units = 0;
  size_t chars = 0;
  while (units < literal.text.size() && (chars < kShownValueChars || IsLowSurrogate(literal.text[units]))) {
    chars += !IsLowSurrogate(literal.text[units]);
    ++units;
  }
  AppendUtf8(shown, literal.text.substr(0, units));
  std::replace_if(shown.begin(), shown.end(), [](char c) { return c == '\r' || c == '\n' || c == '\t'; }, ' ');
  if (units < literal.text.size()) shown += "…";
  if (literal.kind == SqlLiteral::Kind::Date) shown += "#";
  return shown;
}

std::string ColumnPhrase(const ColumnTarget& column) {
  return "表“" + column.tableName + "”的列“" + column.columnName + "”（" + TypeName(column.type) + "）";
}

[[noreturn]] void FailMismatch(const SqlLiteral& literal, const ColumnTarget& column, const char* needed) {
  throw JetError(ErrorKind::BadValue, "类型不符：" + ColumnPhrase(column) + "需要" + needed + "，不能写入" +
                                          KindName(literal.kind) + "“" + ShownValue(literal) + "”。");
}

// `range` starts with a blank when it starts with a number, which Chinese text sets apart.
[[noreturn]] void FailRange(const SqlLiteral& literal, const ColumnTarget& column, const char* range) {
  throw JetError(ErrorKind::BadValue, "值超出范围：" + ColumnPhrase(column) + "只能容纳" + range + "，值“" +
                                          ShownValue(literal) + "”不在此范围内。");
}

[[noreturn]] void FailTooLong(const ColumnTarget& column, size_t limit, uint64_t actual, const char* unit) {
  throw JetError(ErrorKind::BadValue, "值过长：表“" + column.tableName + "”的列“" + column.columnName + "”最多容纳 " +
                                          std::to_string(limit) + " 个" + unit + "，该值有 " + std::to_string(actual) +
                                          " 个" + unit + "。");
}

// The text a number-taking column reads from the literal: a number as written, a text literal
// without surrounding blanks (Jet converts number-shaped text), TRUE as -1 and FALSE as 0.
std::optional<std::u16string_view> NumericText(const SqlLiteral& literal) {
  switch (literal.kind) {
    case SqlLiteral::Kind::Number: return literal.text;
    case SqlLiteral::Kind::Text: return TrimSqlBlanks(literal.text);
    case SqlLiteral::Kind::Boolean: return literal.boolean ? kTrueNumber : kFalseNumber;
    default: return std::nullopt;
  }
}

DecimalText NumberOf(const SqlLiteral& literal, const ColumnTarget& column, std::u16string_view& text) {
  std::optional<std::u16string_view> numeric = NumericText(literal);
  DecimalText number;
  if (!numeric || !TryParseDecimal(*numeric, number)) FailMismatch(literal, column, "数字");
  text = *numeric;
  return number;
}

// TRUE, YES and ON are true; FALSE, NO and OFF false; nullopt for any other word.
std::optional<bool> BooleanWord(std::u16string_view word) {
  if (IsKeyword(word, "true") || IsKeyword(word, "yes") || IsKeyword(word, "on")) return true;
  if (IsKeyword(word, "false") || IsKeyword(word, "no") || IsKeyword(word, "off")) return false;
  return std::nullopt;
}

// Reads "xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx", braces around it optional, into the 16 bytes Jet
// stores: the Windows GUID structure, whose first three groups are little-endian numbers and
// whose last two are bytes in the order written.
bool TryParseGuid(std::u16string_view text, uint8_t* out) {
  if (text.size() == 38 && text.front() == u'{' && text.back() == u'}') text = text.substr(1, 36);
  if (text.size() != 36) return false;
  uint8_t written[kGuidBytes];
  size_t byte = 0;
  for (size_t i = 0; i < text.size();) {
    if (i == 8 || i == 13 || i == 18 || i == 23) {
      if (text[i++] != u'-') return false;
      continue;
    }
    int high = HexDigitValue(text[i]);
    int low = HexDigitValue(text[i + 1]);
    if (high < 0 || low < 0) return false;
    written[byte++] = uint8_t(high * 16 + low);
    i += 2;
  }
  std::reverse_copy(written, written + 4, out);
  std::reverse_copy(written + 4, written + 6, out + 4);
  std::reverse_copy(written + 6, written + 8, out + 6);
  std::copy(written + 8, written + kGuidBytes, out + 8);
  return true;
}

}  // namespace

CellValue ValueConverter::Convert(const SqlLiteral& literal, const ColumnTarget& column) {
  // NULL fits every column; the row encoder stores a Yes/No NULL as False, since a Yes/No value
  // lives in the null mask itself.
  if (literal.kind == SqlLiteral::Kind::Null) return CellValue::Null();
  switch (column.type) {
    case ColumnType::Boolean: return ToBoolean(literal, column);
    case ColumnType::Byte: return ToInteger(literal, column, 0, 255);
    case ColumnType::Integer: return ToInteger(literal, column, -32768, 32767);
    case ColumnType::Long:
      return ToInteger(literal, column, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max());
    case ColumnType::Currency: return ToCurrency(literal, column);
    case ColumnType::Single: return ToSingle(literal, column);
    case ColumnType::Double: return ToDouble(literal, column);
    case ColumnType::DateTime: return ToDateTime(literal, column);
    case ColumnType::Text: return ToText(literal, column, true);
    case ColumnType::Memo: return ToText(literal, column, false);
    case ColumnType::Binary: return ToBinary(literal, column, true);
    case ColumnType::Ole: return ToBinary(literal, column, false);
    case ColumnType::Guid: return ToGuid(literal, column);
    case ColumnType::Decimal: break;
  }
  // Decimal needs the column's precision and scale, which a ColumnTarget does not carry.
  throw JetError(ErrorKind::BadValue, std::string("不支持向") + TypeName(column.type) + "类型的列写入：表“" +
                                          column.tableName + "”的列“" + column.columnName + "”，值“" +
                                          ShownValue(literal) + "”。");
}

void ValueConverter::RefuseHeldBackText(uint64_t characters, const ColumnTarget& column) {
  if (column.type == ColumnType::Text) FailTooLong(column, column.byteLength / 2, characters, "字符");
  if (column.type == ColumnType::Binary) FailTooLong(column, column.byteLength, 2 * characters, "字节");
  throw JetError(ErrorKind::BadValue, "值过长：" + ColumnPhrase(column) + "不能写入有 " + std::to_string(characters) +
                                          " 个字符的文本。");
}

void ValueConverter::Reset() {
  FBlock = 0;
  FBlockUsed = 0;
}

// Booleans as they are; numbers and number-shaped texts are true unless zero (Jet's CBool);
// texts spelling TRUE/FALSE/YES/NO/ON/OFF in any case, blanks around them ignored.
CellValue ValueConverter::ToBoolean(const SqlLiteral& literal, const ColumnTarget& column) {
  if (literal.kind == SqlLiteral::Kind::Boolean) return CellValue::OfBoolean(literal.boolean);
  DecimalText number;
  if (literal.kind == SqlLiteral::Kind::Number && TryParseDecimal(literal.text, number)) {
    return CellValue::OfBoolean(!IsZero(number));
  }
  if (literal.kind == SqlLiteral::Kind::Text) {
    std::u16string_view text = TrimSqlBlanks(literal.text);
    if (std::optional<bool> word = BooleanWord(text)) return CellValue::OfBoolean(*word);
    if (TryParseDecimal(text, number)) return CellValue::OfBoolean(!IsZero(number));
  }
  FailMismatch(literal, column, "是/否值（TRUE、FALSE、YES、NO、ON、OFF 或数字）");
}

// Fractions are rounded half to even, as Jet's CLng rounds (2.5 -> 2, 3.5 -> 4), and the exact
// decimal digits decide, so 2.5000000000000001 rounds up although no double can tell it from 2.5.
CellValue ValueConverter::ToInteger(const SqlLiteral& literal, const ColumnTarget& column, int64_t min, int64_t max) {
  std::u16string_view text;
  DecimalText number = NumberOf(literal, column, text);
  std::optional<int64_t> value = TryScaleToInt64(number, 0);
  if (!value || *value < min || *value > max) {
    FailRange(literal, column, column.type == ColumnType::Byte      ? " 0 到 255 之间的整数"
                               : column.type == ColumnType::Integer ? " -32768 到 32767 之间的整数"
                                                                    : " -2147483648 到 2147483647 之间的整数");
  }
  return CellValue::OfInteger(*value);
}

// Currency is a fixed-point number with four decimals: the exact decimal value times 10000,
// digits beyond the fourth decimal rounded half to even (Jet's banker's rounding for CCur).
CellValue ValueConverter::ToCurrency(const SqlLiteral& literal, const ColumnTarget& column) {
  std::u16string_view text;
  DecimalText number = NumberOf(literal, column, text);
  constexpr int kCurrencyDecimals = 4;
  std::optional<int64_t> value = TryScaleToInt64(number, kCurrencyDecimals);
  if (!value) FailRange(literal, column, " -922337203685477.5808 到 922337203685477.5807 之间的金额");
  return CellValue::OfInteger(*value);
}

// The nearest float to the exact decimal value (not the float nearest to the nearest double).
// Magnitudes beyond the largest float are refused, never stored as infinity.
CellValue ValueConverter::ToSingle(const SqlLiteral& literal, const ColumnTarget& column) {
  std::u16string_view text;
  DecimalText number = NumberOf(literal, column, text);
  float value = 0;
  if (!TryToSingle(text, number, FNarrow, value)) FailRange(literal, column, "绝对值不超过 3.402823E+38 的数");
  return CellValue::OfReal(double(value));
}

// The nearest double to the exact decimal value, so every integer up to 2^53 (every IPv4
// address number up to 4294967295 among them) is stored exactly. Too large is refused; the
// grammar has no way to write infinity or NaN.
CellValue ValueConverter::ToDouble(const SqlLiteral& literal, const ColumnTarget& column) {
  // A number of at most 15 digits and nothing else, as the converter's own statements write the
  // address numbers, is that double exactly; the general path below would give the same.
  if (literal.kind == SqlLiteral::Kind::Number && !literal.text.empty() && literal.text.size() <= 15) {
    int64_t value = 0;
    size_t digits = 0;
    for (; digits < literal.text.size() && IsAsciiDigit(literal.text[digits]); ++digits)
      value = value * 10 + (literal.text[digits] - u'0');
    if (digits == literal.text.size()) return CellValue::OfReal(double(value));
  }
  std::u16string_view text;
  DecimalText number = NumberOf(literal, column, text);
  double value = 0;
  if (!TryToDouble(text, number, FNarrow, value)) FailRange(literal, column, "绝对值不超过 1.797693E+308 的数");
  return CellValue::OfReal(value);
}

// Date literals and date-shaped texts become OLE dates; a number is taken as the OLE day number
// itself, as Jet stores it. Booleans and number-shaped texts are refused: neither names a date.
CellValue ValueConverter::ToDateTime(const SqlLiteral& literal, const ColumnTarget& column) {
  constexpr const char* kDateRange = " 100-01-01 到 9999-12-31 之间的日期";
  if (literal.kind == SqlLiteral::Kind::Number) {
    std::u16string_view text;
    DecimalText number = NumberOf(literal, column, text);
    double day = 0;
    if (!TryToDouble(text, number, FNarrow, day) || !IsOleDateInRange(day)) FailRange(literal, column, kDateRange);
    return CellValue::OfReal(day);
  }
  DateTimeText parts;
  if ((literal.kind != SqlLiteral::Kind::Date && literal.kind != SqlLiteral::Kind::Text) ||
      !TryScanDateTime(literal.text, parts)) {
    FailMismatch(literal, column, "日期（如 2024-01-31 或 2024-01-31 13:45:00）");
  }
  double value = 0;
  switch (ToOleDate(parts, value)) {
    case DateValidity::Valid: return CellValue::OfReal(value);
    case DateValidity::OutOfRange: FailRange(literal, column, kDateRange);
    case DateValidity::NoSuchDate: break;
  }
  throw JetError(ErrorKind::BadValue, "日期无效：" + ColumnPhrase(column) + "不能写入“" + ShownValue(literal) +
                                          "”，没有这样的日期或时间。");
}

// Texts as they are, numbers and dates as written, booleans as "True"/"False". A Text value
// longer than the column is refused, never shortened; Memo has no limit of its own (the row
// encoder checks the row as a whole). Hex binary is refused: Jet would not read it as text.
CellValue ValueConverter::ToText(const SqlLiteral& literal, const ColumnTarget& column, bool limited) {
  std::u16string_view text = literal.text;
  if (literal.kind == SqlLiteral::Kind::Boolean) text = literal.boolean ? kTrueText : kFalseText;
  if (literal.kind == SqlLiteral::Kind::Binary) FailMismatch(literal, column, "文本");
  size_t limit = column.byteLength / 2;
  if (limited && text.size() > limit) FailTooLong(column, limit, text.size(), "字符");
  if (const std::optional<char16_t> c = UnstorableCharacter(text)) {
    char code[8];
    std::snprintf(code, sizeof code, "%04X", unsigned(*c));
    throw JetError(ErrorKind::BadValue, "文本无法原样保存：" + ColumnPhrase(column) + "不能写入“" + ShownValue(literal) +
                                            "”，以 U+FEFF 开头的文本中不能有低字节为 0 的字符（此处为 U+" + code +
                                            "）。");
  }
  return CellValue::OfText(text);
}

// Hex literals give their bytes, an odd digit count read with a leading zero (0xABC = 0A BC);
// a text literal gives its UTF-16LE bytes, as Jet stores text. Binary columns refuse more bytes
// than their length; OLE columns are long values without a limit here.
CellValue ValueConverter::ToBinary(const SqlLiteral& literal, const ColumnTarget& column, bool limited) {
  const std::u16string_view text = literal.text;
  size_t size = 0;
  if (literal.kind == SqlLiteral::Kind::Binary) {
    size = (text.size() + 1) / 2;
  } else if (literal.kind == SqlLiteral::Kind::Text) {
    size = text.size() * 2;
  } else {
    FailMismatch(literal, column, "二进制数据（十六进制常量或文本）");
  }
  if (limited && size > column.byteLength) FailTooLong(column, column.byteLength, size, "字节");
  if (size == 0) return CellValue::OfBinary({});
  uint8_t* out = Allocate(size);
  if (literal.kind == SqlLiteral::Kind::Text) {
    for (size_t i = 0; i < text.size(); ++i) PutU16(out + 2 * i, uint16_t(text[i]));
  } else {
    size_t digit = 0;
    size_t byte = 0;
    if (text.size() % 2 == 1) out[byte++] = uint8_t(HexDigitValue(text[digit++]));
    for (; digit < text.size(); digit += 2) {
      out[byte++] = uint8_t(HexDigitValue(text[digit]) * 16 + HexDigitValue(text[digit + 1]));
    }
  }
  return CellValue::OfBinary({out, size});
}

// A text '{xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx}', braces optional, gives the 16 stored bytes.
CellValue ValueConverter::ToGuid(const SqlLiteral& literal, const ColumnTarget& column) {
  if (literal.kind == SqlLiteral::Kind::Text) {
    uint8_t* out = Allocate(kGuidBytes);
    if (TryParseGuid(TrimSqlBlanks(literal.text), out)) return CellValue::OfBinary({out, kGuidBytes});
  }
  FailMismatch(literal, column, "形如 {xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx} 的 GUID 文本");
}

uint8_t* ValueConverter::Allocate(size_t size) {
  while (FBlock < FBlocks.size()) {
    ScratchBlock& block = FBlocks[FBlock];
    if (block.size - FBlockUsed >= size) {
      uint8_t* p = block.data.get() + FBlockUsed;
      FBlockUsed += size;
      return p;
    }
    ++FBlock;
    FBlockUsed = 0;
  }
  size_t blockSize = std::max(size, kScratchBlockSize);
  FBlocks.push_back({std::make_unique_for_overwrite<uint8_t[]>(blockSize), blockSize});
  FBlockUsed = size;
  return FBlocks.back().data.get();
}

}  // namespace ipmdb::jet
