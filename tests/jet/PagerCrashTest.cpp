// Crashes at every write and every sync, of the commits and of recovery, under every policy of
// the fault Vfs: reopening must find exactly a state that a commit left (the last one reported
// or, when the crash hit its successor, that one), with every page intact.
#include <gtest/gtest.h>

#include "FaultVfs.h"
#include "PagerTestSupport.h"
#include "jet/Journal.h"
#include "jet/Pager.h"

namespace ipmdb::jet {
namespace {

constexpr uint32_t kCommits = 3;

const char* OpName(FaultOp op) { return op == FaultOp::Write ? "write" : "sync"; }

// Runs the workload until the crash; returns the number of commits that returned.
uint32_t RunUntilCrash(FaultVfs& vfs, const std::string& path) {
  uint32_t acknowledged = 0;
  try {
    Pager pager(vfs, path);
    for (uint32_t k = 1; k <= kCommits; ++k) {
      RunTransaction(pager, k);
      acknowledged = k;
    }
  } catch (const SimulatedCrash&) {
  }
  return acknowledged;
}

// One instance crashes at writes, the other at syncs.
class CommitCrashTest : public ::testing::TestWithParam<FaultOp> {};

TEST_P(CommitCrashTest, CrashAtAnyPointOfACommitLeavesTheLastOrTheNextState) {
  if (!SystemRecordsBirthTime()) GTEST_SKIP() << kNoBirthTime;
  const std::vector<Tags> states = StatesUpTo(kCommits);
  const FaultOp op = GetParam();
  for (const Policy& policy : AllPolicies(32)) {
    for (uint64_t n = 1;; ++n) {
      SCOPED_TRACE(testing::Message() << "crash at " << OpName(op) << " " << n << ", policy "
                                      << int(policy.FPolicy) << ", seed " << policy.FSeed);
      TempDir dir;
      const std::string path = dir.File("db.mdb");
      WriteTagsFile(path, kInitialTags);
      FaultVfs vfs(policy.FSeed);
      vfs.CrashAt(op, n, policy.FPolicy);
      const uint32_t acknowledged = RunUntilCrash(vfs, path);
      if (!vfs.Crashed()) break;

      const std::optional<Tags> found = ReopenAndReadTags(path);
      ASSERT_TRUE(found.has_value()) << "a page is damaged";
      const bool last = *found == states[acknowledged];
      const bool next = acknowledged < kCommits && *found == states[acknowledged + 1];
      ASSERT_TRUE(last || next) << "after " << acknowledged << " commits the file has " << found->size() << " pages";
      EXPECT_FALSE(FileExists(path + "-journal"));
    }
  }
}

INSTANTIATE_TEST_SUITE_P(AtEachOperation, CommitCrashTest, ::testing::Values(FaultOp::Write, FaultOp::Sync),
                         [](const auto& info) { return std::string(OpName(info.param)) + "s"; });

class RecoveryCrashTest : public ::testing::Test {
 protected:
  // Transaction 1 crashes at its database sync with every pending write torn: the database holds
  // parts of its pages (and a part of an appended page), the journal is hot (rule 1).
  void SetUp() override {
    if (!SystemRecordsBirthTime()) GTEST_SKIP() << kNoBirthTime;
    WriteTagsFile(FPath, kInitialTags);
    FaultVfs vfs(11);
    vfs.CrashAt(FaultOp::Sync, 1, CrashPolicy::TearAll, ".mdb");
    RunUntilCrash(vfs, FPath);
    ASSERT_TRUE(vfs.Crashed());
    FHotDatabase = ReadWholeFile(FPath);
    FHotJournal = ReadWholeFile(FJournalPath);
    auto database = Vfs::System().Open(FPath, Vfs::OpenMode::ExistingReadWrite);
    auto journal = Vfs::System().Open(FJournalPath, Vfs::OpenMode::ExistingReadWrite);
    ASSERT_EQ(ExamineJournal(*journal, *database).FState, JournalState::Hot);
  }

  void RestoreHotState() {
    WriteWholeFile(FPath, FHotDatabase);
    WriteWholeFile(FJournalPath, FHotJournal);
  }

  // Opens the file through a Vfs that crashes at the nth operation; false when recovery ended
  // before reaching it.
  static bool CrashDuringOpen(const std::string& path, FaultOp op, uint64_t n, const Policy& policy) {
    FaultVfs vfs(policy.FSeed);
    vfs.CrashAt(op, n, policy.FPolicy);
    try {
      Pager pager(vfs, path);
    } catch (const SimulatedCrash&) {
    }
    return vfs.Crashed();
  }

  TempDir FDir;
  const std::string FPath = FDir.File("db.mdb");
  const std::string FJournalPath = FPath + "-journal";
  std::vector<uint8_t> FHotDatabase;
  std::vector<uint8_t> FHotJournal;
};

TEST_F(RecoveryCrashTest, HotJournalRestoresTheStateBeforeTheCommit) {
  EXPECT_EQ(ReopenAndReadTags(FPath), kInitialTags);
  EXPECT_FALSE(FileExists(FJournalPath));
}

TEST_F(RecoveryCrashTest, CrashDuringPlaybackOnlyMeansPlaybackRunsAgain) {
  for (FaultOp op : {FaultOp::Write, FaultOp::Sync}) {
    for (const Policy& policy : AllPolicies(4)) {
      for (uint64_t n = 1;; ++n) {
        SCOPED_TRACE(testing::Message() << "crash at " << OpName(op) << " " << n << ", policy "
                                        << int(policy.FPolicy) << ", seed " << policy.FSeed);
        RestoreHotState();
        if (!CrashDuringOpen(FPath, op, n, policy)) break;
        ASSERT_EQ(ReopenAndReadTags(FPath), kInitialTags);
      }
    }
  }
}

TEST_F(RecoveryCrashTest, SecondCrashDuringTheRepeatedPlaybackIsHarmlessToo) {
  const Policy mixed{CrashPolicy::Mixed, 5};
  for (FaultOp op : {FaultOp::Write, FaultOp::Sync}) {
    for (uint64_t first = 1;; ++first) {
      RestoreHotState();
      if (!CrashDuringOpen(FPath, op, first, mixed)) break;
      const std::vector<uint8_t> database = ReadWholeFile(FPath);
      const bool hasJournal = FileExists(FJournalPath);
      const std::vector<uint8_t> journal = ReadWholeFile(FJournalPath);
      for (uint64_t second = 1;; ++second) {
        SCOPED_TRACE(testing::Message() << OpName(op) << " crashes at " << first << " then " << second);
        WriteWholeFile(FPath, database);
        if (hasJournal) WriteWholeFile(FJournalPath, journal);
        if (!CrashDuringOpen(FPath, op, second, mixed)) break;
        ASSERT_EQ(ReopenAndReadTags(FPath), kInitialTags);
      }
    }
  }
}

}  // namespace
}  // namespace ipmdb::jet
