// Facts of the Jet 4 file format that every part of the engine shares: page size, page types,
// column type codes and the limits a row must keep. Offsets inside particular structures are
// named next to the code that reads and writes those structures (PageLayout.h).
#pragma once

#include <cstdint>

namespace ipmdb::jet {

// Every Jet 4 file is a sequence of pages of this size; page n starts at n * kPageSize.
inline constexpr uint32_t kPageSize = 4096;

// The Jet 4.0 engine and Access refuse to open a database file larger than 2 GiB.
inline constexpr uint64_t kMaxFileSize = uint64_t(1) << 31;
static_assert(kMaxFileSize / kPageSize == 524288);

// Byte 0 of every page.
enum class PageType : uint8_t {
  DatabaseHeader = 0x00,  // page 0 only
  Data = 0x01,            // table rows, usage-map holders, long-value pages, the global map
  TableDefinition = 0x02, // first and continuation pages of a table definition
  IndexNode = 0x03,
  IndexLeaf = 0x04,
  UsageBitmap = 0x05,     // bitmap pages of reference usage maps
};

// Column type codes as stored in the first byte of a column descriptor.
enum class ColumnType : uint8_t {
  Boolean = 0x01,   // no bytes in the row: the null-mask bit is the value
  Byte = 0x02,      // unsigned 8 bits
  Integer = 0x03,   // signed 16 bits
  Long = 0x04,      // signed 32 bits
  Currency = 0x05,  // signed 64 bits, value times 10000
  Single = 0x06,    // IEEE 754 binary32
  Double = 0x07,    // IEEE 754 binary64
  DateTime = 0x08,  // binary64 days since 1899-12-30, fraction = time of day
  Binary = 0x09,    // variable, at most the column's byte length
  Text = 0x0A,      // variable, UTF-16LE or compressed, at most the column's byte length
  Ole = 0x0B,       // long value: 12-byte descriptor in the row
  Memo = 0x0C,      // long value holding text
  Guid = 0x0F,      // 16 raw bytes
  Decimal = 0x10,   // 17 bytes: sign and 128-bit magnitude
};

// Limits of a row on a data page (observed limits of the Microsoft engine; a longer row fits
// the page physically but Access cannot read it back).
inline constexpr uint32_t kMaxRowSize = 4060;
inline constexpr uint32_t kMaxRowsPerPage = 255;
inline constexpr uint32_t kMaxTextChars = 255;      // Text columns; the byte length is twice this
inline constexpr uint32_t kMaxBinaryBytes = 510;    // Binary columns
inline constexpr uint32_t kMaxColumns = 255;

}  // namespace ipmdb::jet
