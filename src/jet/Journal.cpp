// Encoding and recovery of the rollback journal. Recovery trusts nothing it reads: a journal
// may be torn, scrambled, or the remains of an older commit, and every stop below says which
// crash leaves that state behind and why stopping there is safe. The rules named (rule 1 ...)
// are the commit rules at the top of Pager.cpp.
#include "jet/Journal.h"

#include <array>
#include <cstring>
#include <optional>
#include <string>

#include "jet/Bytes.h"
#include "jet/Checksum.h"

namespace ipmdb::jet {
namespace {

uint64_t PageOffset(uint32_t page) { return uint64_t(page) * kPageSize; }

uint64_t PageChecksum(const uint8_t* bytes, uint64_t seed) { return Checksum64({bytes, kPageSize}, seed); }

void EncodeHeader(const JournalHeader& header, uint8_t* out) {
  PutU64(out + kJournalMagicOffset, kJournalMagic);
  PutU64(out + kJournalSeedOffset, header.FSeed);
  PutU32(out + kJournalPageSizeOffset, kPageSize);
  PutU32(out + kJournalOriginalCountOffset, header.FOriginalPageCount);
  PutU32(out + kJournalNewCountOffset, header.FNewPageCount);
  PutU32(out + kJournalBeforeCountOffset, header.FBeforeImageCount);
  PutU32(out + kJournalAfterCountOffset, header.FAfterImageCount);
  PutU32(out + kJournalFlagsOffset, header.FDatabaseBirthTime ? kJournalBirthTimeKnown : 0);
  PutU64(out + kJournalInodeOffset, header.FDatabaseInode);
  PutU64(out + kJournalBirthTimeOffset, uint64_t(header.FDatabaseBirthTime.value_or(0)));
  PutU64(out + kJournalHeaderChecksumOffset, Checksum64({out, kJournalHeaderChecksumOffset}, header.FSeed));
}

// Counts that no commit of ours can produce. Every commit journals at least one page of a file of
// at least one page; it never shrinks the file; it lists every page it writes, appended ones
// included; it keeps before-images only of listed pages that existed.
bool IsPossible(const JournalHeader& h) {
  const uint32_t appended = h.FNewPageCount - h.FOriginalPageCount;
  return h.FOriginalPageCount > 0 && h.FNewPageCount >= h.FOriginalPageCount && h.FAfterImageCount > 0 &&
         h.FAfterImageCount <= h.FNewPageCount && h.FBeforeImageCount <= h.FOriginalPageCount &&
         uint64_t(h.FBeforeImageCount) + appended <= h.FAfterImageCount;
}

std::optional<JournalHeader> DecodeHeader(const uint8_t* in) {
  if (GetU64(in + kJournalMagicOffset) != kJournalMagic) return std::nullopt;
  JournalHeader h;
  h.FSeed = GetU64(in + kJournalSeedOffset);
  if (GetU64(in + kJournalHeaderChecksumOffset) != Checksum64({in, kJournalHeaderChecksumOffset}, h.FSeed)) {
    return std::nullopt;
  }
  if (GetU32(in + kJournalPageSizeOffset) != kPageSize) return std::nullopt;
  h.FOriginalPageCount = GetU32(in + kJournalOriginalCountOffset);
  h.FNewPageCount = GetU32(in + kJournalNewCountOffset);
  h.FBeforeImageCount = GetU32(in + kJournalBeforeCountOffset);
  h.FAfterImageCount = GetU32(in + kJournalAfterCountOffset);
  h.FDatabaseInode = GetU64(in + kJournalInodeOffset);
  const uint32_t flags = GetU32(in + kJournalFlagsOffset);
  if ((flags & ~kJournalBirthTimeKnown) != 0) return std::nullopt;
  if (flags & kJournalBirthTimeKnown) h.FDatabaseBirthTime = int64_t(GetU64(in + kJournalBirthTimeOffset));
  if (!IsPossible(h)) return std::nullopt;
  return h;
}

// True when every page the list names already holds its new bytes in the database file.
bool DatabaseHoldsAfterImages(File& database, const std::vector<uint8_t>& list, const JournalHeader& h) {
  if (database.Size() != PageOffset(h.FNewPageCount)) return false;
  std::vector<uint8_t> page(kPageSize);
  for (uint32_t i = 0; i < h.FAfterImageCount; ++i) {
    const uint8_t* entry = list.data() + size_t(i) * kAfterImageEntrySize;
    const uint32_t number = GetU32(entry + kAfterImagePageOffset);
    if (number >= h.FNewPageCount) return false;
    if (database.ReadAt(PageOffset(number), page) != kPageSize) return false;
    if (PageChecksum(page.data(), h.FSeed) != GetU64(entry + kAfterImageChecksumOffset)) return false;
  }
  return true;
}

// True when the file is as the journaled commit may have left it on the file the journal was
// written for: its length between the original and the new one, and every listed page below the
// original length holding either its original bytes or its new ones. A page that holds anything
// else, a before-image that fails its checksum, or a page past the end says that it is not.
bool DatabaseHoldsOnlyJournaledImages(File& journal, File& database, const std::vector<uint8_t>& list,
                                      const JournalHeader& h) {
  const uint64_t size = database.Size();
  if (size < PageOffset(h.FOriginalPageCount) || size > PageOffset(h.FNewPageCount)) return false;
  std::vector<uint8_t> page(kPageSize);
  std::vector<uint8_t> record(kBeforeImageRecordSize);
  uint32_t before = 0;
  for (uint32_t i = 0; i < h.FAfterImageCount; ++i) {
    const uint8_t* entry = list.data() + size_t(i) * kAfterImageEntrySize;
    const uint32_t number = GetU32(entry + kAfterImagePageOffset);
    if (number >= h.FOriginalPageCount) continue;
    if (before == h.FBeforeImageCount) return false;
    if (journal.ReadAt(BeforeImageOffset(h.FAfterImageCount, before++), record) != record.size()) return false;
    if (GetU64(record.data() + kBeforeImageChecksumOffset) !=
            Checksum64({record.data(), kBeforeImageChecksumOffset}, h.FSeed) ||
        GetU32(record.data() + kBeforeImagePageOffset) != number) {
      return false;
    }
    if (database.ReadAt(PageOffset(number), page) != kPageSize) return false;
    const bool original = std::memcmp(page.data(), record.data() + kBeforeImageBytesOffset, kPageSize) == 0;
    if (!original && PageChecksum(page.data(), h.FSeed) != GetU64(entry + kAfterImageChecksumOffset)) return false;
  }
  return before == h.FBeforeImageCount;
}

// True when every before-image record the header counts is there and passes its checksum, as
// once the journal's sync returned.
bool BeforeImagesIntact(File& journal, const JournalHeader& h) {
  std::vector<uint8_t> record(kBeforeImageRecordSize);
  for (uint32_t i = 0; i < h.FBeforeImageCount; ++i) {
    if (journal.ReadAt(BeforeImageOffset(h.FAfterImageCount, i), record) != record.size()) return false;
    if (GetU64(record.data() + kBeforeImageChecksumOffset) !=
        Checksum64({record.data(), kBeforeImageChecksumOffset}, h.FSeed)) {
      return false;
    }
  }
  return true;
}

}  // namespace

JournalHeader EncodeJournal(uint64_t seed, const FileIdentity& database, uint32_t originalPageCount,
                            uint32_t newPageCount, std::span<const PageImage> afterImages,
                            std::span<const PageImage> beforeImages, std::vector<uint8_t>& out) {
  const auto afterCount = uint32_t(afterImages.size());
  const JournalHeader h{seed,          database.FInode, database.FBirthTime, originalPageCount, newPageCount,
                        uint32_t(beforeImages.size()), afterCount};
  out.resize(BeforeImageOffset(afterCount, h.FBeforeImageCount));
  EncodeHeader(h, out.data());

  uint8_t* list = out.data() + kJournalHeaderSize;
  for (size_t i = 0; i < afterImages.size(); ++i) {
    uint8_t* entry = list + i * kAfterImageEntrySize;
    PutU32(entry + kAfterImagePageOffset, afterImages[i].FPage);
    PutU32(entry + kAfterImagePageOffset + 4, 0);
    PutU64(entry + kAfterImageChecksumOffset, PageChecksum(afterImages[i].FBytes, h.FSeed));
  }
  const size_t listBytes = size_t(afterCount) * kAfterImageEntrySize;
  PutU64(list + listBytes, Checksum64({list, listBytes}, h.FSeed));

  for (uint32_t i = 0; i < h.FBeforeImageCount; ++i) {
    uint8_t* record = out.data() + BeforeImageOffset(afterCount, i);
    PutU32(record + kBeforeImagePageOffset, beforeImages[i].FPage);
    PutU32(record + kBeforeImagePageOffset + 4, 0);
    std::memcpy(record + kBeforeImageBytesOffset, beforeImages[i].FBytes, kPageSize);
    PutU64(record + kBeforeImageChecksumOffset, Checksum64({record, kBeforeImageChecksumOffset}, h.FSeed));
  }
  return h;
}

void InvalidateJournal(File& journal) {
  std::array<uint8_t, 8> zeros{};
  static_assert(kJournalMagicOffset == 0 && sizeof zeros == 8);
  journal.WriteAt(kJournalMagicOffset, zeros);
}

JournalFinding ExamineJournal(File& journal, File& database) {
  JournalFinding result;
  std::array<uint8_t, kJournalHeaderSize> head;
  // Happens when a crash hit while the first journal of a connection was being written, before
  // its sync; safe because the database file is written only after that sync (rule 1).
  if (journal.ReadAt(0, head) != head.size()) return result;
  const std::optional<JournalHeader> header = DecodeHeader(head.data());
  // Happens when the journal was invalidated after its commit, or its header was torn or
  // scrambled before its sync; safe because in both cases the database holds a whole commit
  // (rules 1 and 3).
  if (!header) return result;
  result.FHeader = *header;

  const size_t listSize = JournalListSize(header->FAfterImageCount);
  // Happens when the journal's write was torn before its sync; safe by rule 1. Checked before
  // allocating so that a header of absurd counts cannot ask for gigabytes.
  if (journal.Size() < kJournalHeaderSize + listSize) return result;
  std::vector<uint8_t> list(listSize);
  // Happens only if the file shrank since the size check; safe for the same reason.
  if (journal.ReadAt(kJournalHeaderSize, list) != listSize) return result;
  const size_t listBytes = listSize - kListChecksumSize;
  // Happens when this journal's write was torn before its sync, or when the next commit's
  // unsynced journal overwrote the list of this one, whose invalidation had not reached the disk
  // either; safe because either way the database has not been written since its last completed
  // commit (rules 1 and 2). Playing back here would be wrong: in the second case the
  // before-images would undo a commit that had already been reported durable.
  if (GetU64(list.data() + listBytes) != Checksum64({list.data(), listBytes}, header->FSeed)) return result;

  // Happens when the crash hit after the database writes were synced and before, or just after,
  // the invalidation; safe because the file holds the whole commit (rule 3). It holds for a
  // journal of another file too: nothing is written either way.
  if (DatabaseHoldsAfterImages(database, list, *header)) {
    result.FState = JournalState::Committed;
    return result;
  }
  // The commit was cut short, and nothing in the file says by how much: a power loss may have
  // torn some of its pages, and playback writes back the original of every one (rule 1). Which
  // file the journal belongs to must be known then, because playing it into any other file writes
  // that file's pages with another's bytes and cuts it to another's length.
  //
  // The file the journal was written for is recognised by its inode number and its birth time. A
  // file system reuses an inode number once its file is gone, and our journals can outlive their
  // file: a user may delete the crashed file and put another under its name, and the new file may
  // get the freed number. The birth time tells the two apart; Linux has no call that sets it, so
  // a copy never carries it either (where a system lets programs set it, as Windows does the
  // creation time, only a copy made to deceive would). The device number is not recorded:
  // logical volumes and btrfs number their devices as they are mounted, so it may change across a
  // reboot, and a power loss, the one crash that tears pages, always brings one; the inode number
  // and the birth time stay.
  const FileIdentity identity = database.Identity();
  const bool sameNumber = header->FDatabaseInode == identity.FInode;
  if (sameNumber && header->FDatabaseBirthTime && header->FDatabaseBirthTime == identity.FBirthTime) {
    // The very file. Its length still says whether anything but this commit wrote it since: the
    // commit only grows the file, and only up to its new length (a torn append may leave a part
    // of a page). Happens when another program changed the file after the crash, while the
    // journal lay beside it; playing back would undo pages of that program's making, and removing
    // the journal would keep a commit cut short. Neither is done: the user decides.
    const uint64_t size = database.Size();
    if (size < PageOffset(header->FOriginalPageCount) || size > PageOffset(header->FNewPageCount)) {
      result.FState = JournalState::Unproven;
      result.FWhy = "该文件在中断后被改动过：其长度为 " + std::to_string(size) + " 字节，而中断的提交只会留下 " +
                    std::to_string(PageOffset(header->FOriginalPageCount)) + " 至 " +
                    std::to_string(PageOffset(header->FNewPageCount)) + " 字节";
      return result;
    }
    result.FState = JournalState::Hot;
    return result;
  }
  // Another file, or one whose birth time is not known. The file shows by its bytes whether the
  // journal may be played into it: a file that holds, on every page the journal lists, either the
  // page's original bytes or its new ones, at a length the commit may leave, is as the commit
  // left its own file when a process was killed. Happens when the file was copied or restored
  // together with its hot journal (the copy holds the pages of the commit cut short, as the
  // original did): playing back gives it the last commit. Happens on a file system that records
  // no birth time after a kill too, which tears no page. Writing nothing unless this holds means
  // that no file other than a database the journal describes, and never a file in another
  // format, is ever written by playback.
  if (DatabaseHoldsOnlyJournaledImages(journal, database, list, *header)) {
    result.FState = JournalState::Hot;
    return result;
  }
  // The same inode number where a birth time is missing: the file the journal was written for
  // after a power loss tore its pages, or a new file that got the freed number. Nothing tells
  // which, and either answer, guessed wrong, destroys a file. Both stay as they are.
  if (sameNumber && (!header->FDatabaseBirthTime || !identity.FBirthTime)) {
    // Happens when the crash hit the journal's write before its sync, which tore or lost a
    // record; safe because no file was written under this journal (rule 1): it is not hot.
    if (!BeforeImagesIntact(journal, *header)) return result;
    result.FState = JournalState::Unproven;
    result.FWhy = "文件系统没有记录文件的创建时间，无法确认该文件就是日志所属的那个文件，而它的内容也与日志所记的提交不符";
    return result;
  }
  // Happens when a journal of another database was put beside the file, when the file was
  // replaced after a crash, or when a reset renamed a new file over the database and a crash lost
  // the journal's removal (see DatabaseReset.cpp); then its pages are not the journal's. Such a
  // journal is foreign: removed unplayed. A file never written under the journal cannot need it
  // (rule 1).
  result.FState = JournalState::Foreign;
  return result;
}

void PlayBackJournal(File& journal, File& database, const JournalHeader& header) {
  std::vector<uint8_t> record(kBeforeImageRecordSize);
  for (uint32_t i = 0; i < header.FBeforeImageCount; ++i) {
    const uint64_t offset = BeforeImageOffset(header.FAfterImageCount, i);
    // Happens when the journal's tail was lost before its sync; safe because the database is
    // written only after that sync (rule 1), so the pages still hold their original bytes.
    if (journal.ReadAt(offset, record) != record.size()) break;
    const uint32_t page = GetU32(record.data() + kBeforeImagePageOffset);
    const uint64_t sum = GetU64(record.data() + kBeforeImageChecksumOffset);
    // Happens when a record was torn or scrambled before the journal's sync, or is left over from
    // an older journal (other seed); safe for the same reason as a missing tail (rule 1).
    if (sum != Checksum64({record.data(), kBeforeImageChecksumOffset}, header.FSeed)) break;
    // Happens only when damage matched the checksum by chance; safe as above.
    if (page >= header.FOriginalPageCount) break;
    database.WriteAt(PageOffset(page), {record.data() + kBeforeImageBytesOffset, kPageSize});
  }
  const uint64_t originalSize = PageOffset(header.FOriginalPageCount);
  if (database.Size() != originalSize) database.Truncate(originalSize);
  database.Sync();
}

}  // namespace ipmdb::jet
