// The INSERT statement parser: a hand-written scanner over the UTF-16 text, with one function per
// grammar element and precise messages for every refusal.
#include "jet/InsertParser.h"

#include <algorithm>
#include <limits>
#include <string>

#include "jet/DateText.h"
#include "jet/DecimalText.h"
#include "jet/Error.h"
#include "jet/SqlChars.h"
#include "jet/Utf8.h"

namespace ipmdb::jet {
namespace {

// How much of the text at a fault a message quotes: enough to recognise the place
// ("VALUE (" where VALUES was expected), short enough to keep the message on one line.
constexpr uint32_t kQuotedChars = 7;
// A malformed literal is quoted whole up to this many characters.
constexpr uint32_t kQuotedTokenChars = 20;

constexpr const char* kUnsupported = "不支持的 SQL 语句：只能执行 INSERT INTO ... VALUES (...)。";

// Ends a literal for quoting purposes: blanks and the punctuation around values.
bool EndsToken(char16_t c) { return IsSqlBlank(c) || c == u',' || c == u')' || c == u'(' || c == u';'; }

// Appends up to maxChars characters from `from`, never splitting a surrogate pair and stopping
// at a line break or at `stop` (when given). Returns whether maxChars cut the text short.
bool AppendQuoted(std::string& out, const char16_t* from, const char16_t* end, uint32_t maxChars,
                  bool (*stop)(char16_t)) {
  const char16_t* p = from;
  uint32_t chars = 0;
  bool cut = false;
  while (p < end && *p != u'\r' && *p != u'\n' && !(stop && stop(*p))) {
    if (!IsLowSurrogate(*p)) {
      if (chars == maxChars) {
        cut = true;
        break;
      }
      ++chars;
    }
    ++p;
  }
  AppendUtf8(out, std::u16string_view(from, size_t(p - from)));
  return cut;
}

std::string Prefix(uint32_t position) { return "SQL 语句错误：第 " + std::to_string(position) + " 个字符处"; }

}  // namespace

const InsertStatement& InsertParser::Parse(std::u16string_view sql) {
  Begin(sql);
  SkipBlanks();
  if (AtEnd()) throw JetError(ErrorKind::BadSql, "SQL 语句错误：语句为空。");
  if (!IsKeyword(ReadWord(), "insert")) throw JetError(ErrorKind::BadSql, kUnsupported);
  SkipBlanks();
  const char16_t* at = FPos;
  if (!IsKeyword(ReadWord(), "into")) FailExpected(at, "“INTO”");
  FStatement.table = ReadName("表名");
  SkipBlanks();
  if (!AtEnd() && *FPos == u'(') ReadColumnList();
  SkipBlanks();
  at = FPos;
  std::u16string_view word = ReadWord();
  if (!IsKeyword(word, "values")) {
    if (IsKeyword(word, "select")) throw JetError(ErrorKind::BadSql, kUnsupported);
    FailExpected(at, FStatement.columns.empty() ? "“(”或“VALUES”" : "“VALUES”");
  }
  SkipBlanks();
  FValuesStart = FPos;
  ExpectChar(u'(', "“(”");
  ReadValueList();
  SkipBlanks();
  if (!AtEnd() && *FPos == u';') {
    ++FPos;
    SkipBlanks();
  }
  if (!AtEnd()) FailExpected(FPos, "语句结尾");
  if (!FStatement.columns.empty() && FStatement.columns.size() != FStatement.values.size()) FailCountMismatch();
  return FStatement;
}

void InsertParser::Begin(std::u16string_view sql) {
  if (sql.size() >= std::numeric_limits<uint32_t>::max()) {
    throw JetError(ErrorKind::BadSql, "SQL 语句错误：语句过长。");
  }
  // Undoubling only shortens text, so all literals of the statement fit in its own length.
  if (sql.size() > FScratchCapacity) {
    FScratch = std::make_unique_for_overwrite<char16_t[]>(sql.size());
    FScratchCapacity = sql.size();
  }
  FScratchUsed = 0;
  FStatement.table = {};
  FStatement.columns.clear();
  FStatement.values.clear();
  FBegin = sql.data();
  FPos = FBegin;
  FEnd = FBegin + sql.size();
  FLowSurrogates = 0;
}

// The scanning loops below work on locals and store the cursor once at the end: stores into
// members inside the loop would make every character wait for the previous store.
void InsertParser::SkipBlanks() {
  const char16_t* p = FPos;
  while (p < FEnd && IsSqlBlank(*p)) ++p;
  FPos = p;
}

std::u16string_view InsertParser::ReadWord() {
  const char16_t* start = FPos;
  if (start == FEnd || !IsNameStart(*start)) return {};
  const char16_t* p = start;
  uint32_t lows = 0;
  for (; p < FEnd; ++p) {
    const char16_t c = *p;
    if (c < 0x80) {
      if (!sqlchars_detail::kAsciiNameChars[c]) break;
    } else {
      if (!sqlchars_detail::IsNonAsciiLetter(c)) break;
      lows += IsLowSurrogate(c);
    }
  }
  FPos = p;
  FLowSurrogates += lows;
  return {start, size_t(p - start)};
}

std::u16string_view InsertParser::ReadName(const char* what) {
  SkipBlanks();
  if (!AtEnd() && *FPos == u'[') return ReadBracketedName(what);
  std::u16string_view name = ReadWord();
  if (name.empty()) FailExpected(FPos, what);
  return name;
}

std::u16string_view InsertParser::ReadBracketedName(const char* what) {
  const char16_t* open = FPos;
  const char16_t* p = open + 1;
  uint32_t lows = 0;
  while (p < FEnd && *p != u']') lows += IsLowSurrogate(*p++);
  if (p == FEnd) FailUnterminated(open, "名称缺少“]”");
  if (p == open + 1) FailExpected(open, what);
  FLowSurrogates += lows;
  FPos = p + 1;
  return {open + 1, size_t(p - open - 1)};
}

void InsertParser::ReadColumnList() {
  ++FPos;
  for (;;) {
    FStatement.columns.push_back(ReadName("列名"));
    SkipBlanks();
    if (!AtEnd() && *FPos == u',') {
      ++FPos;
      continue;
    }
    ExpectChar(u')', "“,”或“)”");
    return;
  }
}

void InsertParser::ReadValueList() {
  for (;;) {
    SkipBlanks();
    ReadValue(FStatement.values.emplace_back());
    SkipBlanks();
    if (!AtEnd() && *FPos == u',') {
      ++FPos;
      continue;
    }
    ExpectChar(u')', "“,”或“)”");
    return;
  }
}

void InsertParser::ReadValue(SqlLiteral& literal) {
  literal.position = CurrentPosition();
  literal.boolean = false;
  char16_t c = AtEnd() ? u'\0' : *FPos;
  if (c == u'\'' || c == u'"') return ReadQuotedText(literal);
  if (IsAsciiDigit(c) || c == u'.' || c == u'+' || c == u'-') return ReadNumberOrBinary(literal);
  if (c == u'#') return ReadDate(literal);
  if (!AtEnd() && IsNameStart(c)) return ReadWordValue(literal);
  FailExpected(FPos, "值");
}

void InsertParser::ReadQuotedText(SqlLiteral& literal) {
  literal.kind = SqlLiteral::Kind::Text;
  const char16_t* open = FPos;
  const char16_t quote = *open;
  const char16_t* p = open + 1;
  const char16_t* run = p;
  char16_t* out = nullptr;
  char16_t* outStart = nullptr;
  uint32_t lows = 0;
  for (;;) {
    for (; p < FEnd && *p != quote; ++p) {
      if (*p >= 0xD800) lows += IsLowSurrogate(*p);
    }
    if (p == FEnd) FailUnterminated(open, "文本缺少结束的引号");
    if (p + 1 == FEnd || p[1] != quote) break;
    // A doubled quote: from here on the content is assembled in the scratch buffer.
    if (!out) out = outStart = FScratch.get() + FScratchUsed;
    out = std::copy(run, p + 1, out);
    p += 2;
    run = p;
  }
  if (out) {
    out = std::copy(run, p, out);
    literal.text = {outStart, size_t(out - outStart)};
    FScratchUsed += size_t(out - outStart);
  } else {
    literal.text = {run, size_t(p - run)};
  }
  FLowSurrogates += lows;
  FPos = p + 1;
}

void InsertParser::ReadNumberOrBinary(SqlLiteral& literal) {
  const char16_t* start = FPos;
  std::u16string_view rest(start, size_t(FEnd - start));
  if (rest.size() >= 2 && rest[0] == u'0' && (rest[1] | 0x20) == u'x') {
    const char16_t* p = start + 2;
    while (p < FEnd && HexDigitValue(*p) >= 0) ++p;
    if (p == start + 2 || (p < FEnd && IsNameChar(*p))) FailMalformed(start, "十六进制常量", nullptr);
    literal.kind = SqlLiteral::Kind::Binary;
    literal.text = {start + 2, size_t(p - start - 2)};
    FPos = p;
    return;
  }
  DecimalText number;
  size_t length = ScanDecimal(rest, number);
  const char16_t* end = start + length;
  if (length == 0 || (end < FEnd && (IsNameChar(*end) || *end == u'.'))) FailMalformed(start, "数字", nullptr);
  literal.kind = SqlLiteral::Kind::Number;
  literal.text = {start, length};
  FPos = end;
}

void InsertParser::ReadDate(SqlLiteral& literal) {
  literal.kind = SqlLiteral::Kind::Date;
  const char16_t* open = FPos;
  const char16_t* p = open + 1;
  while (p < FEnd && *p != u'#' && *p != u'\r' && *p != u'\n') ++p;
  if (p == FEnd || *p != u'#') FailUnterminated(open, "日期缺少结束的“#”");
  literal.text = {open + 1, size_t(p - open - 1)};
  DateTimeText parts;
  if (!TryScanDateTime(literal.text, parts)) FailMalformed(open, "日期", p + 1);
  FPos = p + 1;
}

void InsertParser::ReadWordValue(SqlLiteral& literal) {
  literal.kind = SqlLiteral::Kind::Boolean;
  const char16_t* start = FPos;
  literal.text = ReadWord();
  const std::u16string_view word = literal.text;
  if (IsKeyword(word, "null")) {
    literal.kind = SqlLiteral::Kind::Null;
  } else if (IsKeyword(word, "true") || IsKeyword(word, "yes") || IsKeyword(word, "on")) {
    literal.boolean = true;
  } else if (!IsKeyword(word, "false") && !IsKeyword(word, "no") && !IsKeyword(word, "off")) {
    FailExpected(start, "值");
  }
}

void InsertParser::ExpectChar(char16_t c, const char* expected) {
  if (AtEnd() || *FPos != c) FailExpected(FPos, expected);
  ++FPos;
}

uint32_t InsertParser::PositionOf(const char16_t* at) const {
  uint32_t lows = 0;
  for (const char16_t* p = FBegin; p < at; ++p) lows += IsLowSurrogate(*p);
  return uint32_t(at - FBegin) + 1 - lows;
}

void InsertParser::FailExpected(const char16_t* at, const char* expected) const {
  std::string message = Prefix(PositionOf(at)) + "应为" + expected;
  if (at == FEnd) {
    message += "，但语句已经结束。";
  } else {
    message += "，实际为“";
    AppendQuoted(message, at, FEnd, kQuotedChars, nullptr);
    message += "”。";
  }
  throw JetError(ErrorKind::BadSql, message);
}

void InsertParser::FailUnterminated(const char16_t* at, const char* what) const {
  throw JetError(ErrorKind::BadSql, Prefix(PositionOf(at)) + "开始的" + what + "。");
}

void InsertParser::FailMalformed(const char16_t* at, const char* what, const char16_t* end) const {
  std::string message = Prefix(PositionOf(at)) + "的" + what + "“";
  if (end ? AppendQuoted(message, at, end, kQuotedTokenChars, nullptr)
          : AppendQuoted(message, at, FEnd, kQuotedTokenChars, EndsToken)) {
    message += "…";
  }
  message += "”写法不正确。";
  throw JetError(ErrorKind::BadSql, message);
}

void InsertParser::FailCountMismatch() const {
  throw JetError(ErrorKind::BadSql, Prefix(PositionOf(FValuesStart)) + "开始的值列表有 " +
                                        std::to_string(FStatement.values.size()) + " 个值，但列名列表有 " +
                                        std::to_string(FStatement.columns.size()) + " 个列。");
}

}  // namespace ipmdb::jet
