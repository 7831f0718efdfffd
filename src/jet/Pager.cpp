// The pager: page cache, write transaction and the commit protocol over the rollback journal.
//
// A database write of a commit is "covered" while a synced journal holds the original bytes of
// every page the commit overwrites, the file's original length, and the checksum of every page
// image the commit writes. These rules hold at every instant; comments here, in Journal.cpp and
// in the crash tests name the rule they keep.
//
// 1. No byte of the database file is written unless it is covered. The journal is synced before
//    the first database write of a commit, and nothing but Commit and playback writes the file;
//    so a journal that is short, invalidated or fails a checksum never needs playing back.
// 2. A journal is written only after the database writes of the previous commit were synced. The
//    file therefore holds unsynced writes of at most one commit, the one the newest journal
//    describes; a journal that a newer one partly overwrote describes a commit that is on disk.
// 3. A journal is invalidated (its magic zeroed) only after the database writes it covers were
//    synced. The invalidation is not synced: a journal that survives it is recognised as
//    committed, because every page it lists carries its new checksum and the file its new length.
// 4. Playback writes back only intact before-images, cuts the file to its original length and
//    syncs it before the journal is removed or invalidated. It is idempotent, so a crash during
//    playback only means playback runs again at the next open.
// 5. Recovery runs under the lock before any page is read. After a failed repair the pager
//    refuses all work, so no page is read while the file may hold a partial commit.
// 6. A journal covers only the file it was written for: it records that file's inode number and
//    birth time, and recovery removes, unplayed, a journal whose file is not the one it finds,
//    and refuses a file it cannot tell apart from another (Journal.cpp). A file with a second
//    name (a hard link) is not written at all: its journal would lie beside one name only.
//    Creating and removing the journal's name are both made durable with a folder sync, so that
//    no crash brings back a journal that the file has moved on from.
// 7. A commit writes the pages it appends before the pages it changes in place. The appended
//    pages are reachable only through in-place pages (a usage map, the table definition, the
//    last data page), so a reader that ignores the journal never meets a page that is missing.
//    This order needs no sync of its own: it serves a process that is killed, whose completed
//    writes all stay in the page cache, in the order they were made (a write cut short keeps
//    whole pages). A power loss keeps no order, but then it takes the journal to undo the
//    commit anyway (rule 1), and no outside reader can be helped short of a sync per group.
//
// A commit costs two syncs (journal, database) plus one folder sync for the first commit of a
// connection, whose journal is created then and kept, overwritten in place, until the connection
// closes and removes it with one more folder sync.
#include "jet/Pager.h"
#include "jet/JournalPath.h"

#include <algorithm>
#include <cassert>
#include <cerrno>
#include <cstring>
#include <functional>
#include <limits>
#include <utility>

#include "jet/Error.h"

namespace ipmdb::jet {
namespace {

uint64_t PageOffset(uint32_t page) { return uint64_t(page) * kPageSize; }

std::string Quoted(const std::string& path) { return "“" + path + "”"; }

}  // namespace

Pager::Pager(Vfs& vfs, std::string path, const DatabaseOptions& options)
    : FVfs(vfs),
      FPath(std::move(path)),
      FRealPath(FVfs.ResolvePath(FPath)),
      FJournalPath(JournalPathFor(FRealPath)),
      FMaxPageCount(uint32_t(std::min<uint64_t>(options.FMaxFileSize / kPageSize, std::numeric_limits<uint32_t>::max()))),
      FSeeds(std::random_device{}()) {
  FDatabase = FVfs.Open(FRealPath, Vfs::OpenMode::ExistingReadWrite);
  if (!FDatabase->TryLockExclusive()) {
    throw JetError(ErrorKind::Locked, "数据库文件" + Quoted(FPath) + "正被另一个连接使用。", EWOULDBLOCK);
  }
  RefuseSecondNames();
  FIdentity = FDatabase->Identity();
  RecoverAtOpen();
  CheckFileLength();
  FPageCount = FNewPageCount = uint32_t(FDatabase->Size() / kPageSize);
  CheckState();
}

Pager::~Pager() {
  // In Committing and Error the journal may be hot; it must stay for the next open (rule 4).
  if (FJournal && (FState == State::Idle || FState == State::Writer)) {
    try {
      FJournal.reset();
      RemoveJournal();
    } catch (...) {
      // A journal that cannot be removed is invalidated or was never synced: harmless (rule 1).
    }
  }
}

// Rule 6. The last commit's invalidation was not synced (rule 3); were the removal lost as well,
// a power loss could bring back a valid journal. That journal is harmless only while nobody else
// writes the file: once another program has, it would look hot and undo that program's work.
void Pager::RemoveJournal() {
  FVfs.Remove(FJournalPath);
  FVfs.SyncDirectoryOf(FJournalPath);
}

// Rule 6. The journal lies beside one name of the file. Through a second name (a hard link) a
// connection would neither see a hot journal beside the first, and so read and extend a commit cut
// short, nor leave its own where the first name's connections look, and so a crash in its commit
// would be undone by the next of them only if it happened to open the same name. Such a file is
// refused before recovery, so that nothing is written through any of its names.
void Pager::RefuseSecondNames() {
  const uint32_t links = FDatabase->LinkCount();
  if (links <= 1) return;
  throw JetError(ErrorKind::Unsupported,
                 "数据库文件" + Quoted(FPath) + "有 " + std::to_string(links) +
                     " 个名字（硬链接），不能写入：它的回滚日志只在打开时所用的名字旁边，经另一个名字打开的连接看不到它。"
                     "请删除多余的名字只保留一个，或用 cp 复制出一个独立的文件再使用。");
}

void Pager::RecoverAtOpen() {
  // Happens after every clean close, and after a crash before the first commit of a connection
  // created its journal; safe because no database write happens before a synced journal with a
  // durable name exists (rule 1).
  if (!FVfs.Exists(FJournalPath)) return;
  std::unique_ptr<File> journal = FVfs.Open(FJournalPath, Vfs::OpenMode::ExistingReadWrite);
  const JournalFinding found = ExamineJournal(*journal, *FDatabase);
  if (found.FState == JournalState::Unproven) {
    throw JetError(ErrorKind::Corrupt,
                   "数据库文件" + Quoted(FPath) + "旁有中断的提交留下的回滚日志" + Quoted(FJournalPath) + "，但" +
                       found.FWhy + "。两个文件都未改动。如果该数据库文件在中断后被替换或改写过，删除日志" +
                       Quoted(FJournalPath) + "即可打开它；否则它已无法恢复到最后一次提交，请删除两者后重新转换。");
  }
  if (found.FState == JournalState::Hot) PlayBackJournal(*journal, *FDatabase, found.FHeader);
  // Checked before the journal goes, so that a file we refuse keeps whatever lies beside it.
  CheckFileLength();
  journal.reset();
  RemoveJournal();
}

void Pager::CheckFileLength() {
  const uint64_t size = FDatabase->Size();
  if (size == 0 || size % kPageSize != 0 || size / kPageSize > std::numeric_limits<uint32_t>::max()) {
    throw JetError(ErrorKind::NotJet4, "文件" + Quoted(FPath) + "不是 Jet 4 数据库：其长度 " + std::to_string(size) +
                                           " 字节不是 " + std::to_string(kPageSize) + " 字节的正整数倍。");
  }
}

uint32_t Pager::PageCount() const {
  ThrowIfFailed();
  return FNewPageCount;
}

const uint8_t* Pager::Read(uint32_t page) {
  ThrowIfFailed();
  return Load(page).FBytes.data();
}

uint8_t* Pager::Modify(uint32_t page) {
  ThrowIfFailed();
  RequireTransaction("修改页");
  CachedPage& cached = Load(page);
  if (!cached.FDirty) {
    cached.FOriginal = std::make_unique_for_overwrite<uint8_t[]>(kPageSize);
    std::memcpy(cached.FOriginal.get(), cached.FBytes.data(), kPageSize);
    cached.FDirty = true;
    FDirtyPages.push_back(page);
  }
  return cached.FBytes.data();
}

uint32_t Pager::Append() {
  ThrowIfFailed();
  RequireTransaction("追加页");
  if (FNewPageCount >= FMaxPageCount) {
    throw JetError(ErrorKind::DiskFull, "数据库已达 Jet 4.0 的 2 GB 上限：数据库文件" + Quoted(FPath) + "不能超过 " +
                                            std::to_string(uint64_t(FMaxPageCount) * kPageSize) + " 字节（" +
                                            std::to_string(FMaxPageCount) + " 页）。");
  }
  auto cached = std::make_unique<CachedPage>();
  cached->FDirty = true;
  cached->FLastUse = ++FUseClock;
  const uint32_t page = FNewPageCount++;
  FCache.emplace(page, std::move(cached));
  FDirtyPages.push_back(page);
  return page;
}

Pager::CachedPage& Pager::Load(uint32_t page) {
  if (page >= FNewPageCount) {
    throw JetError(ErrorKind::Corrupt,
                   "数据库文件" + Quoted(FPath) + "已损坏：" + PageText(page) + "超出了文件末尾（文件共 " +
                       std::to_string(FNewPageCount) + " 页）。",
                   ErrorPlace{page, std::nullopt});
  }
  if (auto found = FCache.find(page); found != FCache.end()) {
    found->second->FLastUse = ++FUseClock;
    return *found->second;
  }
  auto cached = std::make_unique<CachedPage>();
  if (FDatabase->ReadAt(PageOffset(page), cached->FBytes) != kPageSize) {
    throw JetError(ErrorKind::Corrupt, "数据库文件" + Quoted(FPath) + "已损坏：读取" + PageText(page) + "时文件提前结束。",
                   ErrorPlace{page, std::nullopt});
  }
  cached->FLastUse = ++FUseClock;
  return *FCache.emplace(page, std::move(cached)).first->second;
}

void Pager::RequireTransaction(const char* action) const {
  if (FState != State::Writer) {
    throw JetError(ErrorKind::Misuse, std::string("没有进行中的事务，不能") + action + "（数据库文件" + Quoted(FPath) + "）。");
  }
}

void Pager::ThrowIfFailed() const {
  if (FState == State::Error) std::rethrow_exception(FError);
}

void Pager::Begin() {
  ThrowIfFailed();
  if (FState == State::Writer) {
    throw JetError(ErrorKind::Misuse, "数据库文件" + Quoted(FPath) + "已有进行中的事务，不能再开始一个。");
  }
  FState = State::Writer;
  CheckState();
}

void Pager::Rollback() {
  ThrowIfFailed();
  if (FState == State::Writer) DiscardChanges();
  CheckState();
}

void Pager::Commit() {
  ThrowIfFailed();
  RequireTransaction("提交");
  if (FDirtyPages.empty()) {
    DiscardChanges();
    CheckState();
    return;
  }
  try {
    JournalChanges();
  } catch (...) {
    AbandonCommit();
    throw;
  }
  try {
    WriteDatabase();
  } catch (...) {
    RepairFailedCommit(std::current_exception());
    throw;
  }
  FinishCommit();
  CheckState();
}

// Writer -> Committing. Writes the journal as one buffer and syncs it (rule 1).
void Pager::JournalChanges() {
  std::sort(FDirtyPages.begin(), FDirtyPages.end());
  std::vector<PageImage> afterImages;
  std::vector<PageImage> beforeImages;
  afterImages.reserve(FDirtyPages.size());
  for (uint32_t page : FDirtyPages) {
    const CachedPage& cached = *FCache.at(page);
    afterImages.push_back({page, cached.FBytes.data()});
    if (cached.FOriginal) beforeImages.push_back({page, cached.FOriginal.get()});
  }
  // A fresh seed per journal makes records of the previous journal fail their checksums.
  uint64_t seed;
  do seed = FSeeds();
  while (seed == FLastSeed);
  FLastSeed = seed;
  FJournalHeader =
      EncodeJournal(seed, FIdentity, FPageCount, FNewPageCount, afterImages, beforeImages, FJournalBuffer);

  OpenJournal();
  FJournal->WriteAt(0, FJournalBuffer);
  FJournal->Sync();
  FState = State::Committing;
}

void Pager::OpenJournal() {
  if (!FJournal) FJournal = FVfs.Open(FJournalPath, Vfs::OpenMode::CreateReadWrite);
  // The journal's name must be durable before it covers anything: a journal that vanished in a
  // crash could not undo the database writes (rule 1).
  if (!FJournalNameDurable) {
    FVfs.SyncDirectoryOf(FJournalPath);
    FJournalNameDurable = true;
  }
}

// Writes every dirty page, the appended ones first (rule 7), then syncs.
void Pager::WriteDatabase() {
  const auto appended = std::lower_bound(FDirtyPages.begin(), FDirtyPages.end(), FPageCount);
  const auto split = size_t(appended - FDirtyPages.begin());
  WriteRuns(split, FDirtyPages.size());
  WriteRuns(0, split);
  FDatabase->Sync();
}

// Writes FDirtyPages[first, end), ascending, one write per run of consecutive pages.
void Pager::WriteRuns(size_t first, size_t end) {
  while (first < end) {
    size_t runEnd = first + 1;
    while (runEnd < end && runEnd - first < kMaxPagesPerWrite && FDirtyPages[runEnd] == FDirtyPages[runEnd - 1] + 1) {
      ++runEnd;
    }
    WriteRun(first, runEnd);
    first = runEnd;
  }
}

void Pager::WriteRun(size_t first, size_t end) {
  const uint64_t offset = PageOffset(FDirtyPages[first]);
  if (end - first == 1) {
    FDatabase->WriteAt(offset, FCache.at(FDirtyPages[first])->FBytes);
    return;
  }
  FWriteBuffer.resize((end - first) * kPageSize);
  for (size_t i = first; i < end; ++i) {
    std::memcpy(FWriteBuffer.data() + (i - first) * kPageSize, FCache.at(FDirtyPages[i])->FBytes.data(), kPageSize);
  }
  FDatabase->WriteAt(offset, FWriteBuffer);
}

// Committing -> Idle once the database file is synced: the commit is durable.
void Pager::FinishCommit() {
  // Failing here changes nothing: a journal that stays valid is recognised as committed (rule 3).
  TryInvalidateJournal();
  for (uint32_t page : FDirtyPages) {
    CachedPage& cached = *FCache.at(page);
    cached.FDirty = false;
    cached.FOriginal.reset();
  }
  FDirtyPages.clear();
  FPageCount = FNewPageCount;
  FState = State::Idle;
  TrimCache();
}

// Writer -> Idle after the journal could not be written or synced. The database file was not
// touched (rule 1); a journal that stays valid only holds the file's current bytes.
void Pager::AbandonCommit() {
  if (FJournal) TryInvalidateJournal();
  DiscardChanges();
}

// Committing -> Idle when playback succeeds, Committing -> Error when it fails too.
void Pager::RepairFailedCommit(std::exception_ptr failure) {
  try {
    PlayBackJournal(*FJournal, *FDatabase, FJournalHeader);
  } catch (...) {
    EnterError(failure);
    return;
  }
  // The file is back at the last commit and synced; a journal that stays valid is merely played
  // back once more at the next open (rule 4).
  TryInvalidateJournal();
  DiscardChanges();
}

void Pager::EnterError(std::exception_ptr failure) {
  FError = failure;
  FState = State::Error;
  FCache.clear();
  FDirtyPages.clear();
}

// Writer or Committing -> Idle: every page changed by the transaction gets its original bytes
// back, appended pages are dropped, the file was not changed or has been restored.
void Pager::DiscardChanges() {
  for (uint32_t page : FDirtyPages) {
    auto found = FCache.find(page);
    CachedPage& cached = *found->second;
    if (!cached.FOriginal) {
      FCache.erase(found);
      continue;
    }
    std::memcpy(cached.FBytes.data(), cached.FOriginal.get(), kPageSize);
    cached.FOriginal.reset();
    cached.FDirty = false;
  }
  FDirtyPages.clear();
  FNewPageCount = FPageCount;
  FState = State::Idle;
  TrimCache();
}

bool Pager::TryInvalidateJournal() {
  try {
    InvalidateJournal(*FJournal);
    return true;
  } catch (...) {
    return false;
  }
}

// Keeps the kCleanPagesKept most recently used pages. Called only in Idle, when every cached
// page is clean and no pointer handed out is still valid.
void Pager::TrimCache() {
  if (FCache.size() <= kCleanPagesKept) return;
  std::vector<std::pair<uint64_t, uint32_t>> byUse;
  byUse.reserve(FCache.size());
  for (const auto& [page, cached] : FCache) byUse.emplace_back(cached->FLastUse, page);
  std::nth_element(byUse.begin(), byUse.begin() + kCleanPagesKept, byUse.end(), std::greater<>());
  for (auto it = byUse.begin() + kCleanPagesKept; it != byUse.end(); ++it) FCache.erase(it->second);
}

void Pager::CheckState() const {
#ifndef NDEBUG
  size_t dirty = 0;
  for (const auto& [page, cached] : FCache) {
    assert(page < FNewPageCount);
    assert(cached->FDirty || !cached->FOriginal);
    if (cached->FDirty) ++dirty;
    if (cached->FDirty) assert((page < FPageCount) == bool(cached->FOriginal));
  }
  switch (FState) {
    case State::Idle:
      assert(FDirtyPages.empty() && dirty == 0);
      assert(FNewPageCount == FPageCount);
      break;
    case State::Writer:
    case State::Committing:
      assert(dirty == FDirtyPages.size());
      assert(FNewPageCount >= FPageCount);
      for (uint32_t page = FPageCount; page < FNewPageCount; ++page) assert(FCache.count(page));
      assert(FState == State::Writer || FJournal);
      break;
    case State::Error:
      assert(FError && FCache.empty());
      break;
  }
#endif
}

}  // namespace ipmdb::jet
