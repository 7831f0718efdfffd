// The reset of a database file to new content: a failure at any step leaves the old file as it
// was and carries the system's reason, naming what it concerns; a crash at any step leaves the old
// file or the new content, whole; the new content keeps the old file's attributes; and the old
// file's journal never reaches the new content.
#include "jet/DatabaseReset.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#ifndef _WIN32
#include <sys/xattr.h>
#include <unistd.h>
#endif

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <iostream>

#include "FaultVfs.h"
#include "PagerTestSupport.h"
#include "jet/Error.h"
#include "jet/JournalPath.h"

namespace ipmdb::jet {
namespace {

const Tags kNewContent(9, 7);

#ifndef _WIN32
// The value of the file's extended attribute, empty when it has none of that name.
std::vector<uint8_t> ExtendedAttribute(const std::string& path, const char* name) {
  std::vector<uint8_t> value(4096);
  const ssize_t n = getxattr(path.c_str(), name, value.data(), value.size());
  value.resize(n < 0 ? 0 : size_t(n));
  return value;
}
#endif

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

#ifndef _WIN32  // Windows has no permission bits, and owners and ACLs of another kind
// A database shared through its group, an access control list or an extended attribute stays
// shared. The tests run as root, which may give the file any owner.
TEST_F(DatabaseResetTest, NewContentKeepsTheOldFilesPermissionsOwnerGroupAndAttributes) {
  for (const auto permissions : {std::filesystem::perms(0600), std::filesystem::perms(0664)}) {
    std::filesystem::permissions(FPath, permissions);
    ResetDatabaseFile(Vfs::System(), FPath, FNew);
    EXPECT_EQ(std::filesystem::status(FPath).permissions(), permissions);
  }
  ASSERT_EQ(chmod(FPath.c_str(), 0660), 0);
  ASSERT_EQ(chown(FPath.c_str(), 4242, 4343), 0);
  const char kNote[] = "shared with the analysts";
  const bool extended = setxattr(FPath.c_str(), "user.ipmdb.note", kNote, sizeof kNote, 0) == 0;
  const bool acl = std::system(("setfacl -m u:4244:rw,g:4345:r '" + FPath + "' 2>/dev/null").c_str()) == 0;
  const std::vector<uint8_t> aclBefore = ExtendedAttribute(FPath, "system.posix_acl_access");
  ResetDatabaseFile(Vfs::System(), FPath, FNew);
  EXPECT_EQ(ReadWholeFile(FPath), FNew);
  struct stat st;
  ASSERT_EQ(stat(FPath.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0660u);
  EXPECT_EQ(st.st_uid, 4242u);
  EXPECT_EQ(st.st_gid, 4343u);
  if (extended) {
    const std::vector<uint8_t> note = ExtendedAttribute(FPath, "user.ipmdb.note");
    EXPECT_EQ(std::string(note.begin(), note.end()), std::string(kNote, sizeof kNote));
  }
  if (acl) {
    EXPECT_FALSE(aclBefore.empty());
    EXPECT_EQ(ExtendedAttribute(FPath, "system.posix_acl_access"), aclBefore);
  }
  if (!extended || !acl) std::cout << "the test's file system keeps no extended attributes or no ACLs\n";
}
#endif

// Each failure names what it concerns: the temporary file, the folder, the journal's name. Names
// too long for the file system are found before anything is written.
TEST_F(DatabaseResetTest, FailureNamesTheFileOrFolderItConcerns) {
  const std::string folder = FDir.File("");
#ifndef _WIN32  // the cases of names too long, below
  const std::string longName = FDir.File(std::string(249, 'n'));
  const std::string longerName = FDir.File(std::string(250, 'n'));
#endif
  // Cases without a plan run on the real file system.
  struct Case {
    const char* FName;
    std::string FPath;
    std::function<void()> FSetUp;
    std::function<void(FaultVfs&)> FPlan;
    std::string FSubject;
    int FError;
  };
  const auto nothing = [] {};
  const Case cases[] = {
      {"a folder where the temporary file goes", FPath,
       [&] { std::filesystem::create_directory(ResetPathFor(FPath)); }, {}, "临时文件“" + ResetPathFor(FPath) + "”",
       EISDIR},
      {"a folder the user may not write", FPath, nothing,
       [](FaultVfs& v) { v.FailAt(FaultOp::Write, 1, EACCES, 1, "-reset"); },
       "文件夹“" + folder.substr(0, folder.size() - 1) + "”", EACCES},
      {"another user's temporary file in a sticky folder", FPath, [&] { WriteWholeFile(ResetPathFor(FPath), {1}); },
       [](FaultVfs& v) { v.FailAt(FaultOp::Write, 1, EPERM, 1, "-reset"); }, "临时文件“" + ResetPathFor(FPath) + "”",
       EPERM},
#ifndef _WIN32  // Wine's GetFinalPathNameByHandleW fails (ERROR_MORE_DATA) on every path past 260 characters
      {"a journal name too long", longName, nothing, {}, "回滚日志“" + JournalPathFor(longName) + "”", ENAMETOOLONG},
      {"a temporary name too long", longerName, nothing, {}, "临时文件“" + ResetPathFor(longerName) + "”",
       ENAMETOOLONG},
#endif
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.FName);
    WriteWholeFile(c.FPath, FOld);
    c.FSetUp();
    FaultVfs faults;
    if (c.FPlan) c.FPlan(faults);
    try {
      ResetDatabaseFile(c.FPlan ? static_cast<Vfs&>(faults) : Vfs::System(), c.FPath, FNew);
      ADD_FAILURE() << "reset succeeded";
    } catch (const ResetError& e) {
      EXPECT_EQ(e.Subject(), c.FSubject) << e.what();
      EXPECT_EQ(e.SystemError(), c.FError) << e.what();
    }
    EXPECT_EQ(ReadWholeFile(c.FPath), FOld);
    std::error_code tooLong;
    std::filesystem::remove_all(ResetPathFor(c.FPath), tooLong);
    std::filesystem::remove(c.FPath);
  }
}

// Replacing one name of a file with two would leave the old content under the other.
TEST_F(DatabaseResetTest, FileWithASecondNameIsRefusedUntouched) {
  std::filesystem::create_hard_link(FPath, FDir.File("alias.mdb"));
  try {
    ResetDatabaseFile(Vfs::System(), FPath, FNew);
    ADD_FAILURE() << "reset succeeded";
  } catch (const JetError& e) {
    EXPECT_EQ(e.Kind(), ErrorKind::Unsupported);
    EXPECT_NE(std::string(e.what()).find("“" + FPath + "”有 2 个名字"), std::string::npos) << e.what();
  }
  EXPECT_EQ(ReadWholeFile(FPath), FOld);
  EXPECT_FALSE(FileExists(ResetPathFor(FPath)));
}

}  // namespace
}  // namespace ipmdb::jet
