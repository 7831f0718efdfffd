// Building the insert statement of one record: marker normalisation, quoting and the numbers.
#include "engine/InsertStatement.h"

#include <algorithm>
#include <charconv>
#include <cstring>

#include "engine/Branding.h"
#include "engine/IPToNumber.h"

namespace ipmdb::engine {
namespace {

// The fixed pieces of: insert into IP values('%s','%s',%s,%s,'%s','%s')
constexpr std::string_view kStatementHead = "insert into IP values('";
constexpr std::string_view kTextsApart = "','";
constexpr std::string_view kTextThenNumber = "',";
constexpr std::string_view kNumbersApart = ",";
constexpr std::string_view kNumberThenText = ",'";
constexpr std::string_view kStatementTail = "')";

char ToUpperAscii(char c) { return c >= 'a' && c <= 'z' ? char(c - 'a' + 'A') : c; }

// The field, upper-cased in its ASCII letters only, equals the marker as a whole. GBK bytes are
// never letters, so they are compared unchanged.
bool IsPublisherMarker(std::string_view field) {
  if (field.size() != kPublisherMarker.size()) return false;
  for (size_t i = 0; i < field.size(); ++i) {
    if (ToUpperAscii(field[i]) != kPublisherMarker[i]) return false;
  }
  return true;
}

// A decimal number, formatted before the statement's size is known.
struct Decimal {
  explicit Decimal(int64_t value) : FSize(size_t(std::to_chars(FDigits, FDigits + sizeof FDigits, value).ptr - FDigits)) {}
  std::string_view Text() const { return {FDigits, FSize}; }

  char FDigits[20];  // enough for any int64_t with its sign
  size_t FSize;
};

size_t QuotedSize(std::string_view text) { return text.size() + size_t(std::count(text.begin(), text.end(), '\'')); }

char* Put(char* p, std::string_view text) {
  // An empty view may carry a null pointer, which memcpy must not be given.
  if (!text.empty()) std::memcpy(p, text.data(), text.size());
  return p + text.size();
}

// Writes the text with its quotes doubled; `quotedSize` is its QuotedSize, which tells without a
// further search whether it holds a quote at all (rarely).
char* PutQuoted(char* p, std::string_view text, size_t quotedSize) {
  if (quotedSize == text.size()) return Put(p, text);
  for (size_t quote; (quote = text.find('\'')) != std::string_view::npos;) {
    p = Put(p, text.substr(0, quote + 1));
    *p++ = '\'';
    text.remove_prefix(quote + 1);
  }
  return Put(p, text);
}

}  // namespace

void QuoteSQLText(std::string_view text, std::string& out) {
  const size_t kept = out.size();
  const size_t quotedSize = QuotedSize(text);
  out.resize(kept + quotedSize);
  PutQuoted(out.data() + kept, text, quotedSize);
}

std::string QuoteSQLText(std::string_view text) {
  std::string out;
  QuoteSQLText(text, out);
  return out;
}

// The statement's size is computed first so that the buffer grows at most once and every piece
// is copied straight into place.
void BuildInsertStatement(const RecordFields& fields, std::string& out) {
  const std::string_view start = fields[kStartAddress];
  const std::string_view end = fields[kEndAddress];
  const std::string_view country = IsPublisherMarker(fields[kCountry]) ? kUnknownCountry : fields[kCountry];
  const std::string_view area = IsPublisherMarker(fields[kArea]) ? kMakerDomain : fields[kArea];
  const Decimal startNumber(IPToNumber(start));
  const Decimal endNumber(IPToNumber(end));
  const size_t startSize = QuotedSize(start);
  const size_t endSize = QuotedSize(end);
  const size_t countrySize = QuotedSize(country);
  const size_t areaSize = QuotedSize(area);

  const size_t size = kStatementHead.size() + startSize + kTextsApart.size() + endSize + kTextThenNumber.size() +
                      startNumber.FSize + kNumbersApart.size() + endNumber.FSize + kNumberThenText.size() +
                      countrySize + kTextsApart.size() + areaSize + kStatementTail.size();
  const size_t kept = out.size();
  out.resize(kept + size);
  char* p = Put(out.data() + kept, kStatementHead);
  p = Put(PutQuoted(p, start, startSize), kTextsApart);
  p = Put(PutQuoted(p, end, endSize), kTextThenNumber);
  p = Put(Put(p, startNumber.Text()), kNumbersApart);
  p = Put(Put(p, endNumber.Text()), kNumberThenText);
  p = Put(PutQuoted(p, country, countrySize), kTextsApart);
  Put(PutQuoted(p, area, areaSize), kStatementTail);
}

std::string BuildInsertStatement(const RecordFields& fields) {
  std::string out;
  BuildInsertStatement(fields, out);
  return out;
}

}  // namespace ipmdb::engine
