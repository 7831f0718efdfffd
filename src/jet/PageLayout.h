// Where things sit inside the pages and structures of a Jet 4 file. Every offset, size, flag and
// marker the engine reads or writes is named here once; page code uses these names and never a
// bare number. Values were checked against database files written by Access and by the Jet
// engine itself, and against what mdbtools, mdb-reader and Jackcess read.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "jet/Format.h"

namespace ipmdb::jet {

// A row pointer names one row of one data page: page number in the upper 24 bits, row index in
// the low 8 (stored little-endian, so the row index is the first byte).
inline constexpr uint32_t MakeRowPointer(uint32_t page, uint32_t row) { return (page << 8) | (row & 0xFF); }
inline constexpr uint32_t RowPointerPage(uint32_t pointer) { return pointer >> 8; }
inline constexpr uint32_t RowPointerRow(uint32_t pointer) { return pointer & 0xFF; }

// Every page begins with its type (PageType) and then this byte, page 0 included, whose three
// constant bytes 01 00 00 start with it.
inline constexpr size_t kPageTypeOffset = 0x00;
inline constexpr size_t kPageSignatureOffset = 0x01;
inline constexpr uint8_t kPageSignature = 0x01;
inline void StartPage(uint8_t* page, PageType type) {
  page[kPageTypeOffset] = uint8_t(type);
  page[kPageSignatureOffset] = kPageSignature;
}

// Page 0: the database definition page.
namespace header {
inline constexpr size_t kSignatureOffset = 0x04;
inline constexpr char kSignature[] = "Standard Jet DB";    // 15 ASCII bytes, then NUL
inline constexpr char kAceSignature[] = "Standard ACE DB"; // Access 2007 and later (.accdb)
inline constexpr size_t kSignatureLength = 15;
inline constexpr size_t kVersionOffset = 0x14;
inline constexpr uint8_t kVersionJet3 = 0x00;  // Access 97, 2 KB pages
inline constexpr uint8_t kVersionJet4 = 0x01;  // Access 2000 to 2003
// Versions 2 and above are the ACE engine's (Access 2007 and later).

// Bytes 0x18..0x97 are XORed with the RC4 keystream of this fixed key in every Jet 4 file.
inline constexpr size_t kMaskedOffset = 0x18;
inline constexpr size_t kMaskedLength = 128;
inline constexpr std::array<uint8_t, 4> kMaskKey{0xC7, 0xDA, 0x39, 0x6B};

// Inside the masked region (offsets from the start of the page):
inline constexpr size_t kFreeMapPointerOffset = 0x18;      // row pointer: global free-pages map
inline constexpr size_t kReleasedMapPointerOffset = 0x1C;  // row pointer: global released-pages map
inline constexpr size_t kCatalogPagesOffset = 0x20;        // 4 x u32: TDEF pages of the four system tables
inline constexpr size_t kCatalogPageCount = 4;
inline constexpr size_t kAccountsPageOffset = 0x30;        // workgroup files only; 0 here
inline constexpr size_t kGroupsPageOffset = 0x34;          // workgroup files only; 0 here
inline constexpr size_t kCodePageOffset = 0x3C;            // u16 ANSI code page
inline constexpr size_t kDatabaseKeyOffset = 0x3E;         // u32; non-zero means encrypted pages
inline constexpr size_t kPasswordOffset = 0x42;            // 40 bytes UTF-16LE XOR the date mask
inline constexpr size_t kPasswordLength = 40;
inline constexpr size_t kEngineBuildOffset = 0x6A;         // u32 build of the engine that made the file
inline constexpr size_t kCollationOffset = 0x6E;           // u16 default sort order (LCID)
inline constexpr size_t kSortIdOffset = 0x70;
inline constexpr size_t kSortVersionOffset = 0x71;         // 0 = "General (legacy)"
inline constexpr size_t kCreationDateOffset = 0x72;        // double, OLE automation date
// The 80 bytes from the password field on feed the key that masks every stored security id.
inline constexpr size_t kSidKeyRegionOffset = kPasswordOffset;
inline constexpr size_t kSidKeyRegionLength = 80;

// After the masked region, in clear:
inline constexpr size_t kTrailerConstantOffset = 0x98;
inline constexpr uint32_t kTrailerConstant = 0x654;
inline constexpr size_t kEngineVersionOffset = 0x9C;
inline constexpr std::array<uint8_t, 4> kEngineVersion{'4', '.', '0', 0};
// Per-user commit bytes: 256 slots of two bytes. "00 01" means no write in progress; a zero
// slot without a lock file makes Access treat the file as suspect.
inline constexpr size_t kCommitTableOffset = 0xE00;
inline constexpr std::array<uint8_t, 2> kCommitSlotIdle{0x00, 0x01};

inline constexpr uint16_t kCodePageWestern = 1252;
inline constexpr uint16_t kCollationGeneral = 0x0409;      // "General (legacy)" with sort version 0
}  // namespace header

// Data pages (type 0x01): table rows, usage-map holders, long values, the global map.
namespace datapage {
inline constexpr size_t kFreeSpaceOffset = 0x02;   // u16 bytes between the offset table and the rows
inline constexpr size_t kOwnerOffset = 0x04;       // u32 TDEF page of the owning table
inline constexpr size_t kReservedOffset = 0x08;    // u32 zero
inline constexpr size_t kRowCountOffset = 0x0C;    // u16 slots
inline constexpr size_t kRowTableOffset = 0x0E;    // u16 per slot: offset of the row in the page
inline constexpr size_t kRowTableEntrySize = 2;
inline constexpr uint16_t kRowOffsetMask = 0x1FFF;
inline constexpr uint16_t kRowDeletedFlag = 0x8000;
inline constexpr uint16_t kRowOverflowFlag = 0x4000;  // the row's first 4 bytes point to the real row
inline constexpr uint32_t kEmptyFreeSpace = kPageSize - kRowTableOffset;  // 4082

inline constexpr uint32_t kOwnerUsageMapHolder = 0;  // pages that hold usage-map rows
inline constexpr uint32_t kOwnerGlobalMap = 1;       // page 1
inline constexpr uint32_t kOwnerLongValue = 0x4C41564C;  // ASCII "LVAL" read as a little-endian u32
}  // namespace datapage

// Table definition pages (type 0x02).
namespace tdef {
inline constexpr size_t kFreeSpaceOffset = 0x02;
inline constexpr size_t kNextPageOffset = 0x04;          // continuation page, 0 if none
inline constexpr size_t kDefinitionLengthOffset = 0x08;  // bytes from offset 0 through the terminator
inline constexpr size_t kMarkerOffset = 0x0C;
inline constexpr uint32_t kMarker = 0x659;               // also at +1 of each column descriptor
inline constexpr size_t kRowCountOffset = 0x10;
inline constexpr size_t kAutoNumberOffset = 0x14;        // last value handed out
inline constexpr size_t kAutoIncrementOffset = 0x18;     // signed increment, 1 for a new table
inline constexpr size_t kComplexAutoNumberOffset = 0x1C;
inline constexpr size_t kTableTypeOffset = 0x28;
inline constexpr size_t kMaxColumnsOffset = 0x29;        // column id high-water mark
inline constexpr size_t kVariableColumnsOffset = 0x2B;
inline constexpr size_t kColumnCountOffset = 0x2D;
inline constexpr size_t kLogicalIndexCountOffset = 0x2F;
inline constexpr size_t kRealIndexCountOffset = 0x33;
inline constexpr size_t kOwnedMapOffset = 0x37;          // row pointer: the table's data pages
inline constexpr size_t kFreeMapOffset = 0x3B;           // row pointer: data pages with room
inline constexpr size_t kBodyOffset = 0x3F;
// Access keeps room for a continuation header: free space = page size - definition length - 8.
inline constexpr size_t kReservedTail = 8;
inline constexpr size_t kContinuationHeaderSize = 8;     // 02 01, u16 free space, u32 next page
inline constexpr uint16_t kTerminator = 0xFFFF;          // ends the long-value map list, always present

inline constexpr uint8_t kTableTypeSystem = 0x53;        // 'S'
inline constexpr uint8_t kTableTypeUser = 0x4E;          // 'N'

// Real-index statistics, one block per real index.
inline constexpr size_t kIndexStatisticsSize = 12;
inline constexpr size_t kStatisticsEntryCountOffset = 0;  // left 0 by Access outside compaction
inline constexpr size_t kStatisticsUniqueCountOffset = 4;

// Column descriptor.
inline constexpr size_t kColumnDescriptorSize = 25;
inline constexpr size_t kColumnTypeOffset = 0x00;
inline constexpr size_t kColumnMarkerOffset = 0x01;
inline constexpr size_t kColumnIdOffset = 0x05;
inline constexpr size_t kColumnVarIndexOffset = 0x07;
inline constexpr size_t kColumnOrdinalOffset = 0x09;
inline constexpr size_t kColumnCollationOffset = 0x0B;   // LCID; Decimal: precision, scale
inline constexpr size_t kColumnSortIdOffset = 0x0D;
inline constexpr size_t kColumnSortVersionOffset = 0x0E;
inline constexpr size_t kColumnFlagsOffset = 0x0F;
inline constexpr size_t kColumnExtFlagsOffset = 0x10;
inline constexpr size_t kColumnReservedOffset = 0x11;    // u32 zero
inline constexpr size_t kColumnFixedOffsetOffset = 0x15;
inline constexpr size_t kColumnLengthOffset = 0x17;

inline constexpr uint8_t kColumnFixedLength = 0x01;
inline constexpr uint8_t kColumnUpdatable = 0x02;        // set on every column Jet writes
inline constexpr uint8_t kColumnAutoNumber = 0x04;
inline constexpr uint8_t kColumnSystemCatalog = 0x10;    // columns of the engine's four system tables
inline constexpr uint8_t kColumnSecurityId = 0x20;       // MSysObjects.Owner and MSysACEs.SID
inline constexpr uint8_t kColumnAutoGuid = 0x40;
inline constexpr uint8_t kColumnHyperlink = 0x80;
inline constexpr uint8_t kColumnExtCompressedUnicode = 0x01;

// Column names follow the descriptors, each as u16 byte length + UTF-16LE.
// Real-index definition.
inline constexpr size_t kRealIndexSize = 52;
inline constexpr size_t kRealIndexMarkerOffset = 0x00;
inline constexpr uint32_t kRealIndexMarker = 0x783;
inline constexpr size_t kRealIndexColumnsOffset = 0x04;  // 10 slots of u16 column id + u8 order
inline constexpr size_t kRealIndexColumnSlots = 10;
inline constexpr size_t kRealIndexColumnSlotSize = 3;
inline constexpr uint16_t kUnusedIndexColumn = 0xFFFF;
inline constexpr uint8_t kIndexColumnAscending = 0x01;
inline constexpr size_t kRealIndexUsageMapOffset = 0x22;  // row pointer: the index's pages
inline constexpr size_t kRealIndexRootOffset = 0x26;
inline constexpr size_t kRealIndexFlagsOffset = 0x2E;
inline constexpr uint16_t kIndexUnique = 0x01;
inline constexpr uint16_t kIndexIgnoreNulls = 0x02;
inline constexpr uint16_t kIndexRequired = 0x08;
inline constexpr uint16_t kIndexAlwaysSet = 0x80;        // set by the engine on every index it writes

// Logical-index definition; these are stored sorted by index name, names follow as for columns.
inline constexpr size_t kLogicalIndexSize = 28;
inline constexpr size_t kLogicalIndexMarkerOffset = 0x00;  // kMarker
inline constexpr size_t kLogicalIndexNumberOffset = 0x04;
inline constexpr size_t kLogicalIndexRealIndexOffset = 0x08;
inline constexpr size_t kLogicalIndexRelationTypeOffset = 0x0C;
inline constexpr size_t kLogicalIndexOtherIndexOffset = 0x0D;  // 0xFFFFFFFF without a relationship
inline constexpr size_t kLogicalIndexOtherTableOffset = 0x11;
inline constexpr size_t kLogicalIndexCascadeUpdateOffset = 0x15;
inline constexpr size_t kLogicalIndexCascadeDeleteOffset = 0x16;
inline constexpr size_t kLogicalIndexKindOffset = 0x17;
inline constexpr uint32_t kNoOtherIndex = 0xFFFFFFFF;
inline constexpr uint8_t kNoCascade = 0x04;
inline constexpr uint8_t kIndexKindNormal = 0x00;
inline constexpr uint8_t kIndexKindPrimaryKey = 0x01;
inline constexpr uint8_t kIndexKindForeignKey = 0x02;

// One entry per Memo/OLE column: u16 column id, row pointers of its owned and free LVAL maps.
inline constexpr size_t kLongValueMapSize = 10;
}  // namespace tdef

// Usage maps: rows on holder pages that list pages by bitmap.
namespace usagemap {
inline constexpr uint8_t kInline = 0x00;     // u32 start page (multiple of 8), bitmap follows
inline constexpr uint8_t kReference = 0x01;  // 17 x u32 bitmap pages follow
inline constexpr size_t kTypeOffset = 0;
inline constexpr size_t kStartPageOffset = 1;
inline constexpr size_t kBitmapOffset = 5;
inline constexpr size_t kInlineBitmapBytes = 64;                  // 512 pages
inline constexpr size_t kRowSize = kBitmapOffset + kInlineBitmapBytes;  // 69, both forms
inline constexpr size_t kReferenceSlots = 17;
inline constexpr size_t kReferencePagesOffset = 1;               // right after the type byte
inline constexpr size_t kBitmapPageHeaderSize = 4;                // 05 01 00 00
inline constexpr uint32_t kPagesPerBitmapPage = (kPageSize - kBitmapPageHeaderSize) * 8;  // 32736
static_assert(kReferencePagesOffset + kReferenceSlots * 4 == kRowSize);
}  // namespace usagemap

// Index pages (types 0x03 node, 0x04 leaf).
namespace indexpage {
inline constexpr size_t kFreeSpaceOffset = 0x02;
inline constexpr size_t kOwnerOffset = 0x04;
inline constexpr size_t kPreviousPageOffset = 0x0C;
inline constexpr size_t kNextPageOffset = 0x10;
inline constexpr size_t kTailPageOffset = 0x14;
inline constexpr size_t kPrefixLengthOffset = 0x18;
inline constexpr size_t kEntryEndBitmapOffset = 0x1B;  // bit E set: an entry ends at offset E
inline constexpr size_t kEntriesOffset = 0x1E0;
inline constexpr size_t kEntrySpace = kPageSize - kEntriesOffset;  // 3616
inline constexpr uint8_t kKeyPresentAscending = 0x7F;  // flag byte before each ascending key value
inline constexpr uint8_t kKeyNull = 0x00;            // the flag byte, and the whole key, of a NULL ascending column
inline constexpr uint8_t kKeyNullDescending = 0xFF;  // the same for a descending column
inline constexpr size_t kRowPointerSize = 4;           // 3-byte page (big-endian) + row
inline constexpr size_t kChildPageSize = 4;            // node entries end with their child page, big-endian
static_assert(kEntryEndBitmapOffset + kEntrySpace / 8 <= kEntriesOffset);
}  // namespace indexpage

// Memo and OLE values: a 12-byte descriptor in the row's variable area.
namespace longvalue {
inline constexpr size_t kDescriptorSize = 12;
inline constexpr size_t kLengthOffset = 0;           // u32: bits 0-29 length, bits 30-31 storage
inline constexpr size_t kRowPointerOffset = 4;       // u32 row pointer (single-row and chained forms)
inline constexpr size_t kChainStampOffset = 8;       // chained form only
inline constexpr uint32_t kLengthMask = 0x3FFFFFFF;
inline constexpr uint32_t kStorageMask = 0xC0000000;
inline constexpr uint32_t kInline = 0x80000000;      // payload follows the descriptor in the row
inline constexpr uint32_t kSingleRow = 0x40000000;   // payload is one row of an LVAL page
inline constexpr uint32_t kChained = 0x00000000;     // chunks, each starting with the next pointer
inline constexpr size_t kChunkPointerSize = 4;
}  // namespace longvalue

}  // namespace ipmdb::jet
