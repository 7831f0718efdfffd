// Text forms shared by every section of the page dump: hex bytes, row pointers, page lists,
// OLE dates, UTF-16 names and the names of type codes and flag bits.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "jet/Format.h"

namespace ipmdb::jetdump {

// Bytes as "03 01 ff"; with `limit`, at most that many bytes, then "…".
std::string HexBytes(std::span<const uint8_t> bytes, size_t limit = SIZE_MAX);
std::string Hex32(uint32_t value);  // 0x0F000001
std::string Hex16(uint16_t value);  // 0x0409
std::string Hex8(uint8_t value);    // 0x53

std::string Utf8(std::u16string_view text);
// Text from disk that should be ASCII (signatures): other bytes show as '.'.
std::string PrintableAscii(std::span<const uint8_t> bytes);

// "第 6 页第 16 行"; a zero pointer reads "无".
std::string RowPointerText(uint32_t rowPointer);
// Ascending page numbers as "0-23, 30"; "无" when empty.
std::string PageRanges(const std::vector<uint32_t>& pages);

// The shortest decimal text that reads back as the same double.
std::string NumberText(double value);
// An OLE automation date as local calendar time "2026-12-01 12:00:00", or a note saying why it
// is not one (not finite, outside the years 100 to 9999).
std::string OleDateText(double value);

std::string PageTypeName(uint8_t type);
std::string ColumnTypeName(jet::ColumnType type);
std::string ColumnFlagsText(uint8_t flags);
std::string ColumnExtFlagsText(uint8_t flags);
std::string IndexFlagsText(uint16_t flags);
std::string LogicalIndexKindName(uint8_t kind);

}  // namespace ipmdb::jetdump
