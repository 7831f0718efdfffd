// A commit whose write or sync fails: the error carries the system's reason, the file keeps the
// last commit, and the pager either goes on working or, when the repair fails too, refuses every
// call with the stored error.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <functional>

#include "FaultVfs.h"
#include "PagerTestSupport.h"
#include "jet/Error.h"
#include "jet/Pager.h"

namespace ipmdb::jet {
namespace {

struct FailureCase {
  const char* FName;
  FaultOp FOp;
  const char* FFile;  // path suffix of the failing file
  uint64_t FNth;      // counted on that file from the open
  int FError;
  ErrorKind FKind;
};

// The failing commit is the second of the connection (transaction 2, three appended pages), so
// the first commit used one sync and four writes of the database file before it, and three
// writes of the journal (creating its name, writing it, invalidating it).
const FailureCase kRepairableFailures[] = {
    {"journal write", FaultOp::Write, "-journal", 4, ENOSPC, ErrorKind::DiskFull},
    {"journal sync", FaultOp::Sync, "-journal", 2, EIO, ErrorKind::Io},
    {"database write", FaultOp::Write, ".mdb", 5, ENOSPC, ErrorKind::DiskFull},
    {"database sync", FaultOp::Sync, ".mdb", 2, EIO, ErrorKind::Io},
};

TEST(PagerFailure, FailedCommitLeavesLastCommitAndAUsablePager) {
  for (const FailureCase& c : kRepairableFailures) {
    SCOPED_TRACE(c.FName);
    TempDir dir;
    const std::string path = dir.File("db.mdb");
    WriteTagsFile(path, kInitialTags);
    const std::vector<Tags> states = StatesUpTo(3);
    {
      FaultVfs vfs;
      vfs.FailAt(c.FOp, c.FNth, c.FError, 1, c.FFile);
      Pager pager(vfs, path);
      RunTransaction(pager, 1);
      try {
        RunTransaction(pager, 2);
        ADD_FAILURE() << "commit succeeded";
      } catch (const JetError& e) {
        EXPECT_EQ(e.Kind(), c.FKind);
        EXPECT_NE(std::string(e.what()).find(std::strerror(c.FError)), std::string::npos) << e.what();
        EXPECT_NE(std::string(e.what()).find(c.FFile), std::string::npos) << e.what();
      }
      EXPECT_FALSE(pager.InTransaction());
      EXPECT_NO_THROW(pager.Rollback());
      EXPECT_EQ(ReadTags(pager), states[1]);
      EXPECT_EQ(ReadWholeFile(path).size(), states[1].size() * kPageSize);
      // Transaction 3 changes pages in place; it must commit on top of transaction 1.
      RunTransaction(pager, 3);
    }
    EXPECT_EQ(ReopenAndReadTags(path), ApplyTransaction(states[1], 3));
  }
}

TEST(PagerFailure, FailedRepairMakesEveryCallThrowTheStoredError) {
  TempDir dir;
  const std::string path = dir.File("db.mdb");
  WriteTagsFile(path, kInitialTags);
  {
    FaultVfs vfs;
    // From the sync of transaction 2 on, the database file cannot be synced: its appended pages
    // are written, cut away again by the repair, and the repair's sync fails as well.
    vfs.FailAt(FaultOp::Sync, 2, EIO, 1000, ".mdb");
    Pager pager(vfs, path);
    RunTransaction(pager, 1);
    std::string stored;
    try {
      RunTransaction(pager, 2);
    } catch (const JetError& e) {
      stored = e.what();
    }
    ASSERT_NE(stored.find(std::strerror(EIO)), std::string::npos) << stored;

    const std::vector<std::pair<const char*, std::function<void()>>> calls{
        {"PageCount", [&] { (void)pager.PageCount(); }}, {"Read", [&] { pager.Read(0); }},
        {"Begin", [&] { pager.Begin(); }},               {"Modify", [&] { pager.Modify(0); }},
        {"Append", [&] { pager.Append(); }},             {"Commit", [&] { pager.Commit(); }},
        {"Rollback", [&] { pager.Rollback(); }},
    };
    for (const auto& [name, call] : calls) {
      SCOPED_TRACE(name);
      try {
        call();
        ADD_FAILURE() << "no error";
      } catch (const JetError& e) {
        EXPECT_EQ(e.Kind(), ErrorKind::Io);
        EXPECT_EQ(e.what(), stored);
      }
    }
  }
  // The hot journal stayed; the next connection plays it back.
  EXPECT_TRUE(FileExists(path + "-journal"));
  EXPECT_EQ(ReopenAndReadTags(path), StatesUpTo(1)[1]);
  EXPECT_FALSE(FileExists(path + "-journal"));
}

}  // namespace
}  // namespace ipmdb::jet
