// The reset of a database file to new content: a failure at any step leaves the old file as it
// was and carries the system's reason; a crash at any step leaves the old file or the new content,
// whole; and the old file's journal never reaches the new content.
#include "jet/DatabaseReset.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <functional>

#include "FaultVfs.h"
#include "PagerTestSupport.h"
#include "jet/Error.h"
#include "jet/JournalPath.h"

namespace ipmdb::jet {
namespace {

const Tags kNewContent(9, 7);

class DatabaseResetTest : public ::testing::Test {
 protected:
  void SetUp() override { WriteWholeFile(FPath, FOld); }

  TempDir FDir;
  const std::string FPath = FDir.File("db.mdb");
  const std::vector<uint8_t> FOld = TagsImage(kInitialTags);
  const std::vector<uint8_t> FNew = TagsImage(kNewContent);
};

TEST_F(DatabaseResetTest, FailureLeavesTheOldFileAndCarriesTheSystemsReason) {
  struct Case {
    const char* FName;
    std::function<void(FaultVfs&)> FPlan;
    std::string FPath;
    int FError;
  };
  const std::string folder = FDir.File("folder.mdb");
  std::filesystem::create_directory(folder);
  std::unique_ptr<Pager> holder;
  const Case cases[] = {
      {"read-only folder", [](FaultVfs& v) { v.FailAt(FaultOp::Write, 1, EROFS, 1, "-reset"); }, FPath, EROFS},
      {"full disk", [](FaultVfs& v) { v.FailAt(FaultOp::Write, 2, ENOSPC, 1, "-reset"); }, FPath, ENOSPC},
      {"file-size limit", [](FaultVfs& v) { v.FailAt(FaultOp::Write, 2, EFBIG, 1, "-reset"); }, FPath, EFBIG},
      {"failing sync", [](FaultVfs& v) { v.FailAt(FaultOp::Sync, 1, EIO, 1, "-reset"); }, FPath, EIO},
      {"failing rename", [](FaultVfs& v) { v.FailAt(FaultOp::Write, 1, EIO, 1, "/db.mdb"); }, FPath, EIO},
      {"a folder at the path", [](FaultVfs&) {}, folder, EISDIR},
      {"missing folder", [](FaultVfs&) {}, FDir.File("missing/db.mdb"), ENOENT},
      {"held by a connection", [&](FaultVfs&) { holder = std::make_unique<Pager>(Vfs::System(), FPath); }, FPath,
       EWOULDBLOCK},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.FName);
    FaultVfs vfs;
    c.FPlan(vfs);
    try {
      ResetDatabaseFile(vfs, c.FPath, FNew);
      ADD_FAILURE() << "reset succeeded";
    } catch (const JetError& e) {
      EXPECT_EQ(e.SystemError(), c.FError) << e.what();
      const ErrorKind kind = c.FError == EWOULDBLOCK ? ErrorKind::Locked
                             : c.FError == ENOSPC || c.FError == EFBIG ? ErrorKind::DiskFull
                                                                       : ErrorKind::Io;
      EXPECT_EQ(e.Kind(), kind) << e.what();
    }
    holder.reset();
    EXPECT_EQ(ReadWholeFile(FPath), FOld);
    EXPECT_FALSE(FileExists(ResetPathFor(c.FPath)));
  }
}

TEST_F(DatabaseResetTest, CrashAtAnyStepLeavesTheOldFileOrTheNewContentWhole) {
  size_t sawOld = 0, sawNew = 0;
  for (FaultOp op : {FaultOp::Write, FaultOp::Sync}) {
    for (const Policy& policy : AllPolicies(8)) {
      for (uint64_t n = 1;; ++n) {
        SCOPED_TRACE(testing::Message() << "crash at " << testing::PrintToString(op) << " " << n << ", policy "
                                        << int(policy.FPolicy) << ", seed " << policy.FSeed);
        WriteWholeFile(FPath, FOld);
        WriteWholeFile(JournalPathFor(FPath), {1, 2, 3});  // a journal that is not hot
        FaultVfs vfs(policy.FSeed);
        vfs.CrashAt(op, n, policy.FPolicy);
        try {
          ResetDatabaseFile(vfs, FPath, FNew);
        } catch (const SimulatedCrash&) {
        }
        if (!vfs.Crashed()) break;
        const std::vector<uint8_t> found = ReadWholeFile(FPath);
        ASSERT_TRUE(found == FOld || found == FNew) << "a file of " << found.size() << " bytes";
        ++(found == FOld ? sawOld : sawNew);
        ASSERT_EQ(ReopenAndReadTags(FPath), found == FOld ? kInitialTags : kNewContent);
        // A temporary file the crash left behind does not stand in the way of the next reset.
        ResetDatabaseFile(Vfs::System(), FPath, FNew);
        ASSERT_EQ(ReadWholeFile(FPath), FNew);
        ASSERT_FALSE(FileExists(ResetPathFor(FPath)));
      }
    }
  }
  EXPECT_GT(sawOld, 0u);
  EXPECT_GT(sawNew, 0u);
}

// The old file is left with a hot journal by a commit cut short; the reset's removal of that
// journal is lost in a crash after the rename reached the disk. Played back, the journal would
// write pages of the old file into the new content and cut it to the old length.
TEST_F(DatabaseResetTest, OldJournalThatSurvivesTheResetIsRemovedUnplayed) {
  {
    FaultVfs vfs(11);
    vfs.CrashAt(FaultOp::Sync, 1, CrashPolicy::TearAll, ".mdb");
    try {
      Pager pager(vfs, FPath);
      RunTransaction(pager, 1);
    } catch (const SimulatedCrash&) {
    }
    ASSERT_TRUE(vfs.Crashed());
  }
  const std::string journal = JournalPathFor(FPath);
  ASSERT_TRUE(FileExists(journal));
  {
    FaultVfs vfs;
    vfs.CrashAt(FaultOp::Sync, 3, CrashPolicy::DropAll);  // the folder sync after the removal
    EXPECT_THROW(ResetDatabaseFile(vfs, FPath, FNew), SimulatedCrash);
  }
  ASSERT_TRUE(FileExists(journal));
  ASSERT_EQ(ReadWholeFile(FPath), FNew);
  EXPECT_EQ(ReopenAndReadTags(FPath), kNewContent);
  EXPECT_EQ(ReadWholeFile(FPath), FNew);
  EXPECT_FALSE(FileExists(journal));
}

#ifndef _WIN32  // Windows has no permission bits, only a read-only attribute
TEST_F(DatabaseResetTest, NewContentKeepsTheOldFilesPermissions) {
  for (const auto permissions : {std::filesystem::perms(0600), std::filesystem::perms(0664)}) {
    std::filesystem::permissions(FPath, permissions);
    ResetDatabaseFile(Vfs::System(), FPath, FNew);
    EXPECT_EQ(std::filesystem::status(FPath).permissions(), permissions);
  }
}
#endif

}  // namespace
}  // namespace ipmdb::jet
