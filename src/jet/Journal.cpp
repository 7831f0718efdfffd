// Encoding and recovery of the rollback journal. Recovery trusts nothing it reads: a journal
// may be torn, scrambled, or the remains of an older commit, and every stop below says which
// crash leaves that state behind and why stopping there is safe. The rules named (rule 1 ...)
// are the commit rules at the top of Pager.cpp.
#include "jet/Journal.h"

#include <array>
#include <cstring>
#include <optional>

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
  PutU32(out + kJournalAfterCountOffset + 4, 0);
  PutU64(out + kJournalInodeOffset, header.FDatabaseInode);
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

}  // namespace

JournalHeader EncodeJournal(uint64_t seed, uint64_t databaseInode, uint32_t originalPageCount,
                            uint32_t newPageCount, std::span<const PageImage> afterImages,
                            std::span<const PageImage> beforeImages, std::vector<uint8_t>& out) {
  const auto afterCount = uint32_t(afterImages.size());
  const JournalHeader h{seed, databaseInode, originalPageCount, newPageCount, uint32_t(beforeImages.size()), afterCount};
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
  // The commit was cut short on this very file (a kill, a power loss, a failed write whose repair
  // failed too). Its pages are not checked: a power loss may have torn some, and playback writes
  // back the original of every one (rule 1). The file is recognised by its inode number alone.
  // The device number would not do: logical volumes and btrfs number their devices as they are
  // mounted, so it may change across a reboot, and a power loss, the one crash that tears pages,
  // always brings one. A file system reuses an inode number only once its file is gone, and our
  // journals do not outlive their file: the pager removes its journal durably before it lets go
  // of the file, and so does the reset that replaces it.
  if (header->FDatabaseInode == database.Identity().FInode) {
    result.FState = JournalState::Hot;
    return result;
  }
  // Another file. Happens when the file was copied or restored together with its hot journal
  // (the copy holds the pages of the commit cut short, as the original did): playing back gives
  // it the last commit. Happens too when a journal of another database was put beside the file,
  // or when a reset renamed a new file over the database and a crash lost the journal's removal
  // (see DatabaseReset.cpp); then its pages are not the journal's, and playing back would write
  // another file's pages into this one and cut or grow it. Such a journal is foreign: removed
  // unplayed. A file never written under the journal cannot need it (rule 1).
  result.FState = DatabaseHoldsOnlyJournaledImages(journal, database, list, *header) ? JournalState::Hot
                                                                                       : JournalState::Foreign;
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
