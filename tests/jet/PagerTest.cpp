// Behaviour of the pager without crashes: transactions, rollback, the open checks (lock, file
// length), the cost of a commit in syncs and writes, and the bounded cache.
#include "jet/Pager.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <functional>

#include "FaultVfs.h"
#include "PagerTestSupport.h"
#include "jet/Error.h"

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include "platform/InputFile.h"
#endif

namespace ipmdb::jet {
namespace {

class PagerTest : public ::testing::Test {
 protected:
  void SetUp() override { WriteTagsFile(FPath, kInitialTags); }

  TempDir FDir;
  const std::string FPath = FDir.File("db.mdb");
};

TEST_F(PagerTest, CommittedTransactionsAreInTheFileAfterReopening) {
  {
    Pager pager(Vfs::System(), FPath);
    for (uint32_t k = 1; k <= 4; ++k) RunTransaction(pager, k);
  }
  EXPECT_EQ(ReopenAndReadTags(FPath), StatesUpTo(4)[4]);
}

TEST_F(PagerTest, ModifyReturnsTheBlockThatReadReturned) {
  Pager pager(Vfs::System(), FPath);
  const uint8_t* read = pager.Read(2);
  pager.Begin();
  uint8_t* changed = pager.Modify(2);
  EXPECT_EQ(read, changed);
  FillPage(changed, 9, 2);
  EXPECT_EQ(TagOfPage(read, 2), 9u);
  pager.Rollback();
}

TEST_F(PagerTest, RollbackRestoresTheLastCommitInMemoryAndOnDisk) {
  Pager pager(Vfs::System(), FPath);
  RunTransaction(pager, 1);
  const Tags committed = StatesUpTo(1)[1];

  pager.Begin();
  FillPage(pager.Modify(0), 77, 0);
  FillPage(pager.Modify(pager.Append()), 77, uint32_t(committed.size()));
  pager.Append();
  pager.Rollback();

  EXPECT_FALSE(pager.InTransaction());
  EXPECT_EQ(ReadTags(pager), committed);
  EXPECT_EQ(ReadWholeFile(FPath).size(), committed.size() * kPageSize);
  EXPECT_THROW(pager.Read(uint32_t(committed.size())), JetError);

  RunTransaction(pager, 2);
  EXPECT_EQ(ReadTags(pager), ApplyTransaction(committed, 2));
}

TEST_F(PagerTest, RollbackWithoutTransactionDoesNothing) {
  Pager pager(Vfs::System(), FPath);
  EXPECT_NO_THROW(pager.Rollback());
  EXPECT_EQ(ReadTags(pager), kInitialTags);
}

TEST_F(PagerTest, EmptyCommitTouchesNoFile) {
  FaultVfs vfs;
  Pager pager(vfs, FPath);
  pager.Begin();
  pager.Read(1);
  pager.Commit();
  EXPECT_EQ(vfs.Count(FaultOp::Write), 0u);
  EXPECT_EQ(vfs.Count(FaultOp::Sync), 0u);
  EXPECT_FALSE(FileExists(FPath + "-journal"));
}

// The budget of the protocol: the journal and the database each synced once per commit, the
// folder once per connection; one write for the journal, one per run of consecutive pages (the
// appended ones apart from the others), one to invalidate the journal; creating the journal's
// name counts as a write too.
TEST_F(PagerTest, CommitSyncsTwiceAndWritesEachRunOnce) {
  FaultVfs vfs;
  Pager pager(vfs, FPath);
  RunTransaction(pager, 1);  // pages 0, 2, 5 and 36 appended: runs {6..41}, then {0}, {2}, {5}
  EXPECT_EQ(vfs.Count(FaultOp::Sync), 3u);
  EXPECT_EQ(vfs.Count(FaultOp::Write), 7u);

  RunTransaction(pager, 2);  // pages 1 and 3 changed: two runs
  EXPECT_EQ(vfs.Count(FaultOp::Sync), 5u);
  EXPECT_EQ(vfs.Count(FaultOp::Write), 11u);

  // A run longer than one write may carry is split.
  pager.Begin();
  for (uint32_t i = 0; i < Pager::kMaxPagesPerWrite + 1; ++i) pager.Append();
  pager.Commit();
  EXPECT_EQ(vfs.Count(FaultOp::Sync), 7u);
  EXPECT_EQ(vfs.Count(FaultOp::Write), 15u);
}

TEST_F(PagerTest, JournalStaysBetweenCommitsAndGoesAtClose) {
  const std::string journal = FPath + "-journal";
  {
    Pager pager(Vfs::System(), FPath);
    RunTransaction(pager, 1);
    EXPECT_TRUE(FileExists(journal));
    RunTransaction(pager, 2);
  }
  EXPECT_FALSE(FileExists(journal));
}

#ifndef _WIN32  // Wine cannot make symbolic links, and Windows only for administrators or in developer mode
// Opened through a link, the file the link leads to is the one locked and journaled: a commit cut
// short is rolled back by whoever opens the real file.
TEST_F(PagerTest, JournalAndLockFollowASymbolicLinkToTheRealFile) {
  const std::string link = FDir.File("link.mdb");
  std::filesystem::create_symlink(FPath, link);
  {
    FaultVfs vfs(11);
    vfs.CrashAt(FaultOp::Sync, 1, CrashPolicy::TearAll, "/db.mdb");  // the database sync
    try {
      Pager pager(vfs, link);
      RunTransaction(pager, 1);
    } catch (const SimulatedCrash&) {
    }
    ASSERT_TRUE(vfs.Crashed());
  }
  EXPECT_FALSE(FileExists(link + "-journal"));
  Pager real(Vfs::System(), FPath);
  EXPECT_EQ(ReadTags(real), kInitialTags);
  EXPECT_FALSE(FileExists(FPath + "-journal"));
  try {
    Pager throughLink(Vfs::System(), link);
    ADD_FAILURE() << "opened twice";
  } catch (const JetError& e) {
    EXPECT_EQ(e.Kind(), ErrorKind::Locked);
  }
}
#endif

// The limit is kept in whole pages; the transaction that would pass it stays open for rollback,
// and one that fits commits after it.
TEST_F(PagerTest, GrowingPastTheSizeLimitIsRefusedLikeAFullDisk) {
  Pager pager(Vfs::System(), FPath, {.FMaxFileSize = 8 * kPageSize + 100});
  pager.Begin();
  pager.Append();
  pager.Append();
  try {
    pager.Append();
    ADD_FAILURE() << "grew past the limit";
  } catch (const JetError& e) {
    EXPECT_EQ(e.Kind(), ErrorKind::DiskFull);
    EXPECT_EQ(std::string(e.what()),
              "数据库已达 Jet 4.0 的 2 GB 上限：数据库文件“" + FPath + "”不能超过 32768 字节（8 页）。");
  }
  ASSERT_TRUE(pager.InTransaction());
  pager.Rollback();
  EXPECT_EQ(ReadWholeFile(FPath).size(), kInitialTags.size() * kPageSize);

  pager.Begin();
  for (uint32_t page = 6; page < 8; ++page) FillPage(pager.Modify(pager.Append()), 1, page);
  pager.Commit();
  EXPECT_EQ(ReadTags(pager), (Tags{0, 0, 0, 0, 0, 0, 1, 1}));
}

TEST_F(PagerTest, CallsOutsideTheirStateAreMisuse) {
  Pager pager(Vfs::System(), FPath);
  const std::vector<std::pair<const char*, std::function<void()>>> calls{
      {"Modify", [&] { pager.Modify(1); }},
      {"Append", [&] { pager.Append(); }},
      {"Commit", [&] { pager.Commit(); }},
      {"Begin twice", [&] {
         pager.Begin();
         pager.Begin();
       }},
  };
  for (const auto& [name, call] : calls) {
    SCOPED_TRACE(name);
    try {
      call();
      ADD_FAILURE() << "no error";
    } catch (const JetError& e) {
      EXPECT_EQ(e.Kind(), ErrorKind::Misuse);
    }
  }
  EXPECT_TRUE(pager.InTransaction());
}

TEST_F(PagerTest, ReadingPastTheLastPageIsCorruption) {
  Pager pager(Vfs::System(), FPath);
  try {
    pager.Read(uint32_t(kInitialTags.size()));
    FAIL() << "no error";
  } catch (const JetError& e) {
    EXPECT_EQ(e.Kind(), ErrorKind::Corrupt);
    EXPECT_NE(std::string(e.what()).find(FPath), std::string::npos);
    ASSERT_TRUE(e.Place());
    EXPECT_EQ(e.Place()->page, kInitialTags.size());
    EXPECT_FALSE(e.Place()->row);
  }
}

TEST_F(PagerTest, SecondConnectionIsRefusedUntilTheFirstCloses) {
  auto first = std::make_unique<Pager>(Vfs::System(), FPath);
  try {
    Pager second(Vfs::System(), FPath);
    FAIL() << "second connection opened";
  } catch (const JetError& e) {
    EXPECT_EQ(e.Kind(), ErrorKind::Locked);
    EXPECT_STREQ(e.what(), ("数据库文件“" + FPath + "”正被另一个连接使用。").c_str());
  }
  first.reset();
  EXPECT_NO_THROW(Pager(Vfs::System(), FPath));
}

TEST_F(PagerTest, MissingFileIsAnIoErrorNamingPathAndReason) {
  const std::string missing = FDir.File("missing.mdb");
  try {
    Pager pager(Vfs::System(), missing);
    FAIL() << "opened a missing file";
  } catch (const JetError& e) {
    EXPECT_EQ(e.Kind(), ErrorKind::Io);
    EXPECT_NE(std::string(e.what()).find(missing), std::string::npos);
    EXPECT_EQ(e.SystemError(), ENOENT);
#ifndef _WIN32  // Windows words it in its own text
    EXPECT_NE(std::string(e.what()).find(std::strerror(ENOENT)), std::string::npos);
#endif
  }
  EXPECT_FALSE(FileExists(missing));
}

#ifdef _WIN32  // a POSIX path is bytes, and any bytes name a file
// A path that is not UTF-8 is refused as such, by the file system and by the input's reader alike,
// never opened with its wrong bytes replaced (by U+FFFD), which could name another file.
TEST_F(PagerTest, PathThatIsNotUtf8IsRefusedAsSuch) {
  const std::string bad = FDir.File("bad") + "\xFF.mdb";
  try {
    Pager pager(Vfs::System(), bad);
    ADD_FAILURE() << "opened a path that is not UTF-8";
  } catch (const JetError& e) {
    EXPECT_EQ(e.SystemError(), EINVAL);
    EXPECT_NE(std::string(e.what()).find("不是有效的 UTF-8 文本"), std::string::npos) << e.what();
  }
  platform::InputFile input;
  EXPECT_EQ(input.Open(bad).FCode, ERROR_NO_UNICODE_TRANSLATION);
  EXPECT_FALSE(platform::IdentityOf(bad).has_value());
}
#endif

TEST_F(PagerTest, FileWhoseLengthIsNotWholePagesIsRefusedUntouched) {
  for (size_t size : {size_t(0), size_t(1), size_t(kPageSize - 1), size_t(kPageSize + 1), size_t(3 * kPageSize + 7)}) {
    SCOPED_TRACE(size);
    std::vector<uint8_t> bytes(size);
    for (size_t i = 0; i < size; ++i) bytes[i] = uint8_t(i * 7 + 1);
    WriteWholeFile(FPath, bytes);
    const std::vector<uint8_t> stale{1, 2, 3};
    WriteWholeFile(FPath + "-journal", stale);
    try {
      Pager pager(Vfs::System(), FPath);
      ADD_FAILURE() << "file accepted";
    } catch (const JetError& e) {
      EXPECT_EQ(e.Kind(), ErrorKind::NotJet4);
      EXPECT_NE(std::string(e.what()).find(FPath), std::string::npos);
    }
    EXPECT_EQ(ReadWholeFile(FPath), bytes);
    EXPECT_EQ(ReadWholeFile(FPath + "-journal"), stale);
  }
}

// A commit cut short leaves a hot journal beside db.mdb; then the file gets a second name. Opened
// through either name, the file is refused and nothing is written: not the file, not the hot
// journal, and no journal beside the second name. Once the second name is gone, the open through
// the first rolls the commit back.
TEST_F(PagerTest, FileWithASecondNameIsRefusedThroughEitherName) {
  {
    FaultVfs vfs;
    vfs.CrashAt(FaultOp::Write, 1, CrashPolicy::ApplyAll, ".mdb");
    Pager pager(vfs, FPath);
    EXPECT_THROW(RunTransaction(pager, 1), SimulatedCrash);
  }
  const std::string alias = FDir.File("alias.mdb");
  std::filesystem::create_hard_link(FPath, alias);
  const std::vector<uint8_t> file = ReadWholeFile(FPath);
  const std::vector<uint8_t> journal = ReadWholeFile(FPath + "-journal");
  ASSERT_NE(file, TagsImage(kInitialTags));
  for (const std::string& name : {alias, FPath}) {
    SCOPED_TRACE(name);
    try {
      Pager pager(Vfs::System(), name);
      ADD_FAILURE() << "opened";
    } catch (const JetError& e) {
      EXPECT_EQ(e.Kind(), ErrorKind::Unsupported);
      EXPECT_NE(std::string(e.what()).find("“" + name + "”有 2 个名字"), std::string::npos) << e.what();
    }
    EXPECT_EQ(ReadWholeFile(FPath), file);
    EXPECT_EQ(ReadWholeFile(FPath + "-journal"), journal);
    EXPECT_FALSE(FileExists(alias + "-journal"));
  }
  std::filesystem::remove(alias);
  EXPECT_EQ(ReopenAndReadTags(FPath), kInitialTags);
}

TEST_F(PagerTest, CacheStaysBoundedOverTenThousandCommits) {
  FaultVfs vfs;
  Pager pager(vfs, FPath);
  for (uint32_t k = 1; k <= 10000; ++k) {
    pager.Begin();
    FillPage(pager.Modify(1), k, 1);
    for (int i = 0; i < 2; ++i) {
      const uint32_t page = pager.Append();
      FillPage(pager.Modify(page), k, page);
    }
    pager.Commit();
    ASSERT_LE(pager.CachedPageCount(), Pager::kCleanPagesKept);
  }
  EXPECT_EQ(pager.PageCount(), kInitialTags.size() + 20000);
  EXPECT_EQ(TagOfPage(pager.Read(pager.PageCount() - 1), pager.PageCount() - 1), 10000u);
}

}  // namespace
}  // namespace ipmdb::jet
