// Building the insert statement of one record: marker normalisation, quoting and the numbers.
#include "engine/InsertStatement.h"

#include <charconv>

#include "engine/Branding.h"
#include "engine/IPToNumber.h"

namespace ipmdb::engine {
namespace {

constexpr std::string_view kStatementHead = "insert into IP values('";
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

void AppendNumber(int64_t value, std::string& out) {
  char digits[24];
  const auto result = std::to_chars(digits, digits + sizeof digits, value);
  out.append(digits, result.ptr);
}

}  // namespace

void QuoteSQLText(std::string_view text, std::string& out) {
  for (;;) {
    const size_t quote = text.find('\'');
    if (quote == std::string_view::npos) break;
    out.append(text.substr(0, quote + 1));
    out.push_back('\'');
    text.remove_prefix(quote + 1);
  }
  out.append(text);
}

std::string QuoteSQLText(std::string_view text) {
  std::string out;
  QuoteSQLText(text, out);
  return out;
}

void BuildInsertStatement(const RecordFields& fields, std::string& out) {
  const std::string_view country = IsPublisherMarker(fields[kCountry]) ? kUnknownCountry : fields[kCountry];
  const std::string_view area = IsPublisherMarker(fields[kArea]) ? kMakerDomain : fields[kArea];

  out.append(kStatementHead);
  QuoteSQLText(fields[kStartAddress], out);
  out.append("','");
  QuoteSQLText(fields[kEndAddress], out);
  out.append("',");
  AppendNumber(IPToNumber(fields[kStartAddress]), out);
  out.push_back(',');
  AppendNumber(IPToNumber(fields[kEndAddress]), out);
  out.append(",'");
  QuoteSQLText(country, out);
  out.append("','");
  QuoteSQLText(area, out);
  out.append(kStatementTail);
}

std::string BuildInsertStatement(const RecordFields& fields) {
  std::string out;
  BuildInsertStatement(fields, out);
  return out;
}

}  // namespace ipmdb::engine
