// Text forms of the page dump.
#include "DumpText.h"

#include <charconv>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <initializer_list>
#include <utility>

#include "jet/PageLayout.h"

namespace ipmdb::jetdump {
namespace {

using jet::ColumnType;
using jet::PageType;

// OLE day numbers of 0100-01-01 and 9999-12-31, the range Access accepts for Date/Time values.
constexpr double kFirstOleDay = -657434;
constexpr double kLastOleDay = 2958465;
// OLE day 0 is 1899-12-30, which is this many days before 1970-01-01.
constexpr int64_t kOleEpochToUnixDays = 25569;
constexpr int64_t kSecondsPerDay = 86400;

std::string FlagNames(uint32_t flags, std::initializer_list<std::pair<uint32_t, const char*>> names) {
  std::string text;
  for (const auto& [bit, name] : names) {
    if (!(flags & bit)) continue;
    if (!text.empty()) text += "、";
    text += name;
    flags &= ~bit;
  }
  if (flags) {
    if (!text.empty()) text += "、";
    text += "未知位 " + Hex32(flags);
  }
  return text.empty() ? "无" : text;
}

void AppendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out.push_back(char(c));
  } else if (c < 0x800) {
    out.push_back(char(0xC0 | (c >> 6)));
    out.push_back(char(0x80 | (c & 0x3F)));
  } else if (c < 0x10000) {
    out.push_back(char(0xE0 | (c >> 12)));
    out.push_back(char(0x80 | ((c >> 6) & 0x3F)));
    out.push_back(char(0x80 | (c & 0x3F)));
  } else {
    out.push_back(char(0xF0 | (c >> 18)));
    out.push_back(char(0x80 | ((c >> 12) & 0x3F)));
    out.push_back(char(0x80 | ((c >> 6) & 0x3F)));
    out.push_back(char(0x80 | (c & 0x3F)));
  }
}

std::string TwoDigits(unsigned value) {
  char text[8];
  std::snprintf(text, sizeof text, "%02u", value % 100);
  return text;
}

}  // namespace

std::string HexBytes(std::span<const uint8_t> bytes, size_t limit) {
  static const char kDigits[] = "0123456789abcdef";
  std::string text;
  const size_t shown = std::min(bytes.size(), limit);
  for (size_t i = 0; i < shown; ++i) {
    if (i) text.push_back(' ');
    text.push_back(kDigits[bytes[i] >> 4]);
    text.push_back(kDigits[bytes[i] & 0x0F]);
  }
  if (shown < bytes.size()) text += " …";
  return text;
}

std::string Hex32(uint32_t value) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08X", unsigned(value));
  return text;
}

std::string Hex16(uint16_t value) {
  char text[8];
  std::snprintf(text, sizeof text, "0x%04X", unsigned(value));
  return text;
}

std::string Hex8(uint8_t value) {
  char text[8];
  std::snprintf(text, sizeof text, "0x%02X", unsigned(value));
  return text;
}

std::string Utf8(std::u16string_view text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    char32_t c = text[i];
    const bool high = c >= 0xD800 && c < 0xDC00;
    if (high && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] < 0xE000) {
      c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      ++i;
    } else if (c >= 0xD800 && c < 0xE000) {
      c = 0xFFFD;  // an unpaired surrogate
    }
    AppendUtf8(out, c);
  }
  return out;
}

std::string PrintableAscii(std::span<const uint8_t> bytes) {
  std::string text;
  for (uint8_t b : bytes) text.push_back(b >= 0x20 && b < 0x7F ? char(b) : '.');
  return text;
}

std::string RowPointerText(uint32_t rowPointer) {
  if (rowPointer == 0) return "无";
  return "第 " + std::to_string(jet::RowPointerPage(rowPointer)) + " 页第 " +
         std::to_string(jet::RowPointerRow(rowPointer)) + " 行";
}

std::string PageRanges(const std::vector<uint32_t>& pages) {
  std::string text;
  for (size_t i = 0; i < pages.size();) {
    size_t j = i;
    while (j + 1 < pages.size() && pages[j + 1] == pages[j] + 1) ++j;
    if (!text.empty()) text += ", ";
    text += std::to_string(pages[i]);
    if (j > i) {
      text += '-';
      text += std::to_string(pages[j]);
    }
    i = j + 1;
  }
  return text.empty() ? "无" : text;
}

std::string NumberText(double value) {
  char text[32];
  const auto result = std::to_chars(text, text + sizeof text, value);
  return std::string(text, result.ptr);
}

std::string OleDateText(double value) {
  if (!std::isfinite(value)) return "（不是有限数）";
  if (value < kFirstOleDay || value > kLastOleDay + 1) return "（超出 100 至 9999 年的日期范围）";
  // The whole part counts days; the fraction is the time of that day even before day 0
  // (-1.25 is 1899-12-29 06:00).
  int64_t day = int64_t(std::trunc(value));
  int64_t seconds = std::llround(std::fabs(value - std::trunc(value)) * kSecondsPerDay);
  if (seconds == kSecondsPerDay) {
    seconds = 0;
    ++day;
  }
  using namespace std::chrono;
  const year_month_day date{sys_days{days{day - kOleEpochToUnixDays}}};
  const auto clock = unsigned(seconds);
  return std::to_string(int(date.year())) + "-" + TwoDigits(unsigned(date.month())) + "-" +
         TwoDigits(unsigned(date.day())) + " " + TwoDigits(clock / 3600) + ":" + TwoDigits(clock / 60 % 60) + ":" +
         TwoDigits(clock % 60);
}

std::string PageTypeName(uint8_t type) {
  switch (PageType(type)) {
    case PageType::DatabaseHeader: return "数据库定义页";
    case PageType::Data: return "数据页";
    case PageType::TableDefinition: return "表定义页";
    case PageType::IndexNode: return "索引节点页";
    case PageType::IndexLeaf: return "索引叶页";
    case PageType::UsageBitmap: return "用量位图页";
  }
  return "未知类型 " + Hex8(type);
}

std::string ColumnTypeName(ColumnType type) {
  switch (type) {
    case ColumnType::Boolean: return "Boolean";
    case ColumnType::Byte: return "Byte";
    case ColumnType::Integer: return "Integer";
    case ColumnType::Long: return "Long";
    case ColumnType::Currency: return "Currency";
    case ColumnType::Single: return "Single";
    case ColumnType::Double: return "Double";
    case ColumnType::DateTime: return "DateTime";
    case ColumnType::Binary: return "Binary";
    case ColumnType::Text: return "Text";
    case ColumnType::Ole: return "OLE";
    case ColumnType::Memo: return "Memo";
    case ColumnType::Guid: return "GUID";
    case ColumnType::Decimal: return "Decimal";
  }
  return "类型 " + Hex8(uint8_t(type));
}

std::string ColumnFlagsText(uint8_t flags) {
  namespace t = jet::tdef;
  return Hex8(flags) + "（" +
         FlagNames(flags, {{t::kColumnFixedLength, "定长"},
                           {t::kColumnUpdatable, "可更新"},
                           {t::kColumnAutoNumber, "自动编号"},
                           {t::kColumnSystemCatalog, "系统目录列"},
                           {t::kColumnSecurityId, "安全标识"},
                           {t::kColumnAutoGuid, "自动 GUID"},
                           {t::kColumnHyperlink, "超链接"}}) +
         "）";
}

std::string ColumnExtFlagsText(uint8_t flags) {
  return Hex8(flags) + "（" + FlagNames(flags, {{jet::tdef::kColumnExtCompressedUnicode, "允许 Unicode 压缩"}}) + "）";
}

std::string IndexFlagsText(uint16_t flags) {
  namespace t = jet::tdef;
  return Hex16(flags) + "（" +
         FlagNames(flags, {{t::kIndexUnique, "唯一"},
                           {t::kIndexIgnoreNulls, "忽略空值"},
                           {t::kIndexRequired, "必填"},
                           {t::kIndexAlwaysSet, "引擎标记"}}) +
         "）";
}

std::string LogicalIndexKindName(uint8_t kind) {
  switch (kind) {
    case jet::tdef::kIndexKindNormal: return "普通索引";
    case jet::tdef::kIndexKindPrimaryKey: return "主键";
    case jet::tdef::kIndexKindForeignKey: return "外键";
  }
  return "类型 " + Hex8(kind);
}

}  // namespace ipmdb::jetdump
