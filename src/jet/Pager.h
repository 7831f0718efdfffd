// The database file as numbered pages of kPageSize bytes, with one write transaction at a time
// whose commit is atomic and durable (a rollback journal, see Journal.h and the rules at the top
// of Pager.cpp). The pager treats page contents as opaque bytes; it is the only code that writes
// the database file.
//
// States, and the one function that performs each edge:
//
//             Begin()               JournalChanges()               EnterError()
//   +------+ --------> +--------+ -----------------> +------------+ -----------> +-------+
//   | Idle |           | Writer |                    | Committing |              | Error |
//   +------+ <-------- +--------+                    +------------+              +-------+
//     ^     DiscardChanges(): Rollback, an empty           |
//     |     Commit, AbandonCommit() after a failed         |
//     |     journal write                                  |
//     +----------------------------------------------------+
//           FinishCommit(): the database file is synced
//           RepairFailedCommit(): a database write or sync failed, the journal was played back
//
//   Idle        no open transaction; the cache holds only clean pages, equal to the file.
//   Writer      a transaction is open; changed pages wait in memory (dirty), each page that
//               existed keeps a copy of its bytes as of Begin(); the file is untouched.
//   Committing  the journal is written and synced; the database file is being written.
//   Error       a failed commit could not be repaired; every call throws the stored failure
//               until the Pager is destroyed, and the hot journal stays for the next open.
//
// Ownership and threads: the Pager owns its files and its cache; the Vfs must outlive it. One
// thread at a time may call it (the thread may change between calls). A pointer returned by Read
// or Modify stays valid until the next Commit or Rollback; pages live in stable heap blocks and
// are never evicted inside a transaction. After each Commit or Rollback at most kCleanPagesKept
// pages stay cached, so memory does not grow with the file.
#pragma once

#include <array>
#include <cstdint>
#include <exception>
#include <memory>
#include <random>
#include <string>
#include <unordered_map>
#include <vector>

#include "jet/DatabaseOptions.h"
#include "jet/File.h"
#include "jet/Format.h"
#include "jet/Journal.h"

namespace ipmdb::jet {

class Pager {
 public:
  // Clean pages kept in the cache after a commit or rollback, the most recently used first.
  static constexpr size_t kCleanPagesKept = 16;
  // Longest run of consecutive pages that one database write carries.
  static constexpr uint32_t kMaxPagesPerWrite = 64;

  // Opens an existing database file read-write and locks it (ErrorKind::Locked when another
  // connection, in this process or another, holds it). The path is resolved once, here: the
  // journal lies beside the real file, whatever symbolic links lead to it; a file with more than
  // one name (a hard link) is refused with ErrorKind::Unsupported before anything is read or
  // written. A journal left by a crash is played back before any page is read; one written for
  // another file is removed unplayed; a hot one that the file cannot be shown to belong to, or
  // whose file was changed since, is left with the file, and the file refused with
  // ErrorKind::Corrupt (see JournalState::Unproven). A file whose length is not a positive
  // multiple of kPageSize is refused with ErrorKind::NotJet4 and left untouched. Messages name
  // the file by `path` as given.
  Pager(Vfs& vfs, std::string path, const DatabaseOptions& options = {});
  // Releases the lock. Removes the journal, durably, unless it may be hot (a commit was
  // interrupted or its repair failed); an open transaction is discarded. Never throws.
  ~Pager();
  Pager(const Pager&) = delete;
  Pager& operator=(const Pager&) = delete;

  // Pages of the file, including those appended by the open transaction.
  uint32_t PageCount() const;
  // The page's bytes; ErrorKind::Corrupt for a page past the end. Allowed outside a transaction.
  const uint8_t* Read(uint32_t page);
  // REQUIRES an open transaction. The page's bytes for change (the same block Read returns);
  // its original bytes are kept for the journal.
  uint8_t* Modify(uint32_t page);
  // REQUIRES an open transaction. Adds a zero-filled page at the end and returns its number.
  // ErrorKind::DiskFull when the file would grow past the options' FMaxFileSize; the transaction
  // stays open, for the caller to roll back.
  uint32_t Append();

  // ErrorKind::Misuse when a transaction is already open.
  void Begin();
  // Atomic and durable when it returns. On failure (Io, DiskFull) the transaction is discarded
  // and the file holds the last commit; if that repair fails as well the pager enters the error
  // state. Either way no transaction is open afterwards.
  void Commit();
  // Discards every change of the open transaction; the file was not written. Does nothing when
  // no transaction is open, as after a failed Commit.
  void Rollback();
  bool InTransaction() const { return FState == State::Writer; }

  // Pages held in memory, for tests that check the cache stays bounded.
  size_t CachedPageCount() const { return FCache.size(); }

 private:
  enum class State { Idle, Writer, Committing, Error };

  struct CachedPage {
    std::array<uint8_t, kPageSize> FBytes{};
    // The bytes as of Begin(), kept for pages below FPageCount that the transaction changes.
    std::unique_ptr<uint8_t[]> FOriginal;
    bool FDirty = false;
    uint64_t FLastUse = 0;
  };

  void RefuseSecondNames();
  void RecoverAtOpen();
  void RemoveJournal();
  void CheckFileLength();
  CachedPage& Load(uint32_t page);
  void RequireTransaction(const char* action) const;
  void ThrowIfFailed() const;

  void JournalChanges();
  void OpenJournal();
  void WriteDatabase();
  void WriteRuns(size_t first, size_t end);
  void WriteRun(size_t first, size_t end);
  void FinishCommit();
  void AbandonCommit();
  void RepairFailedCommit(std::exception_ptr failure);
  void EnterError(std::exception_ptr failure);
  void DiscardChanges();
  bool TryInvalidateJournal();
  void TrimCache();
  void CheckState() const;

  Vfs& FVfs;
  const std::string FPath;      // as given, for messages
  const std::string FRealPath;  // resolved, for every file operation
  const std::string FJournalPath;
  const uint32_t FMaxPageCount;
  std::unique_ptr<File> FDatabase;
  FileIdentity FIdentity;  // of FDatabase, recorded in every journal
  std::unique_ptr<File> FJournal;  // opened by the first commit of this connection
  bool FJournalNameDurable = false;
  State FState = State::Idle;
  std::exception_ptr FError;
  uint32_t FPageCount = 0;     // pages of the last commit, as in the file
  uint32_t FNewPageCount = 0;  // plus the pages appended by the open transaction
  std::unordered_map<uint32_t, std::unique_ptr<CachedPage>> FCache;
  std::vector<uint32_t> FDirtyPages;  // in the order of first change; sorted by the commit
  uint64_t FUseClock = 0;
  std::mt19937_64 FSeeds;
  uint64_t FLastSeed = 0;
  JournalHeader FJournalHeader;  // of the commit in progress
  std::vector<uint8_t> FJournalBuffer;
  std::vector<uint8_t> FWriteBuffer;
};

}  // namespace ipmdb::jet
