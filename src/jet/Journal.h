// The rollback journal "<database path>-journal": its byte layout, the encoder that commit uses,
// and the recovery that decides whether a left-over journal must be played back. The journal
// holds, for one commit, the original image of every page the commit overwrites and the checksum
// of every page image it writes; the rules that make this safe are listed in Pager.cpp.
//
// Layout (all integers little-endian; every part starts at a multiple of 8 bytes):
//   header, 64 bytes:
//     0  u64 magic                     kJournalMagic; zeroed to invalidate the journal
//     8  u64 seed                      random per journal; seeds every checksum below
//    16  u32 page size                 kPageSize
//    20  u32 original page count       database length before the commit
//    24  u32 new page count            database length after the commit
//    28  u32 before-image count
//    32  u32 after-image count
//    36  u32 flags                     bit 0: the birth time below is known; other bits zero
//    40  u64 database inode            of the database file the journal was written for
//    48  i64 database birth time       of that file, nanoseconds since 1970; zero when unknown
//    56  u64 header checksum           of bytes 0..55
//   after-image list, 16 bytes an entry, ascending page numbers:
//     u32 page number, u32 reserved zero, u64 checksum of the page's new bytes
//   u64 list checksum                  of the whole list
//   before-image records, 4112 bytes each, in the order of the listed pages they belong to:
//     u32 page number, u32 reserved zero, 4096 bytes of the page as it was, u64 checksum of the
//     preceding 4104 bytes
// Counts come from the header, never from the journal's length: a crash can leave a journal
// longer than its valid content (an older, longer journal underneath) or shorter (a torn write).
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "jet/File.h"
#include "jet/Format.h"

namespace ipmdb::jet {

// "IPMJRNL3" read as a little-endian u64. The earlier layouts ("IPMJRNL1" without the database's
// identity, "IPMJRNL2" with its inode number alone) were never released; such a journal counts as
// invalidated.
inline constexpr uint64_t kJournalMagic = 0x334C4E524A4D5049ULL;

inline constexpr size_t kJournalMagicOffset = 0;
inline constexpr size_t kJournalSeedOffset = 8;
inline constexpr size_t kJournalPageSizeOffset = 16;
inline constexpr size_t kJournalOriginalCountOffset = 20;
inline constexpr size_t kJournalNewCountOffset = 24;
inline constexpr size_t kJournalBeforeCountOffset = 28;
inline constexpr size_t kJournalAfterCountOffset = 32;
inline constexpr size_t kJournalFlagsOffset = 36;
inline constexpr size_t kJournalInodeOffset = 40;
inline constexpr size_t kJournalBirthTimeOffset = 48;
inline constexpr size_t kJournalHeaderChecksumOffset = 56;
inline constexpr size_t kJournalHeaderSize = 64;
inline constexpr uint32_t kJournalBirthTimeKnown = 1;
static_assert(kJournalHeaderChecksumOffset + 8 == kJournalHeaderSize);

inline constexpr size_t kAfterImagePageOffset = 0;
inline constexpr size_t kAfterImageChecksumOffset = 8;
inline constexpr size_t kAfterImageEntrySize = 16;
inline constexpr size_t kListChecksumSize = 8;

inline constexpr size_t kBeforeImagePageOffset = 0;
inline constexpr size_t kBeforeImageBytesOffset = 8;
inline constexpr size_t kBeforeImageChecksumOffset = kBeforeImageBytesOffset + kPageSize;
inline constexpr size_t kBeforeImageRecordSize = kBeforeImageChecksumOffset + 8;
static_assert(kBeforeImageRecordSize == 4112);
static_assert(kBeforeImageBytesOffset % 8 == 0 && kJournalHeaderSize % 8 == 0,
              "page images stay 8-byte aligned inside the journal buffer");

struct JournalHeader {
  uint64_t FSeed = 0;
  uint64_t FDatabaseInode = 0;
  std::optional<int64_t> FDatabaseBirthTime;
  uint32_t FOriginalPageCount = 0;
  uint32_t FNewPageCount = 0;
  uint32_t FBeforeImageCount = 0;
  uint32_t FAfterImageCount = 0;
};

// One page as the encoder sees it: its number and kPageSize bytes.
struct PageImage {
  uint32_t FPage;
  const uint8_t* FBytes;
};

inline constexpr size_t JournalListSize(uint32_t afterImages) {
  return size_t(afterImages) * kAfterImageEntrySize + kListChecksumSize;
}
inline constexpr uint64_t BeforeImageOffset(uint32_t afterImages, uint32_t index) {
  return kJournalHeaderSize + JournalListSize(afterImages) + uint64_t(index) * kBeforeImageRecordSize;
}

// Encodes the complete journal of one commit of the database file of that identity into out
// (resized; its capacity is reused) and returns its header. REQUIRES: afterImages ascending,
// holding every page the commit writes; beforeImages the original bytes of those listed pages
// that are below originalPageCount, in the same order.
JournalHeader EncodeJournal(uint64_t seed, const FileIdentity& database, uint32_t originalPageCount,
                            uint32_t newPageCount, std::span<const PageImage> afterImages,
                            std::span<const PageImage> beforeImages, std::vector<uint8_t>& out);

// Writes zeros over the magic: from then on the journal is not hot.
void InvalidateJournal(File& journal);

enum class JournalState {
  NotHot,     // no valid journal: the database file holds the last commit
  Committed,  // the journaled commit fully reached the database file; nothing to undo
  Hot,        // the database file may hold part of the journaled commit: play back
  Foreign,    // the journal was written for another file: remove it, leave the file alone
  Unproven,   // the journal may be hot, but nothing shows that this file is the one it was written
              // for, or the file was changed since: keep both untouched and refuse the file
};

struct JournalFinding {
  JournalState FState = JournalState::NotHot;
  JournalHeader FHeader;
  std::string FWhy;  // for Unproven: what was found, a clause for the caller's message
};

// Reads the journal, and the database file's identity, length and the pages the journal lists;
// writes nothing.
JournalFinding ExamineJournal(File& journal, File& database);

// Writes every intact before-image back into the database file, cuts the file to the original
// page count and syncs it. Idempotent: running it again after a crash gives the same file.
void PlayBackJournal(File& journal, File& database, const JournalHeader& header);

}  // namespace ipmdb::jet
