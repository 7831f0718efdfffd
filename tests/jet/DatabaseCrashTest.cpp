// Crashes at every write and every sync of a commit of INSERT statements, with every way the
// pending writes may land: reopening the database always finds exactly the previous commit's
// rows or the new commit's, readable, a file that the integrity check finds sound, and no
// journal left behind. Where every write made so far landed, as when the process is killed, a
// reader that ignores the journal reads the file too.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "FaultVfs.h"
#include "PagerTestSupport.h"
#include "database/TableIP.h"
#include "jet/Database.h"
#include "jet/DatabaseBuilder.h"
#include "jet/DatabaseReader.h"
#include "jet/IntegrityCheck.h"
#include "jet/JournalPath.h"
#include "jet/PageSource.h"

namespace ipmdb::jet {
namespace {

namespace fs = std::filesystem;

constexpr int kBatch = 1000;

std::u16string Number(size_t i) {
  const std::string n = std::to_string(i);
  return {n.begin(), n.end()};
}

std::u16string Statement(int i) {
  const std::u16string u = Number(size_t(i));
  std::u16string s = u"insert into IP values('10.0.";
  s.append(u).append(u".1','10.0.").append(u).append(u".255',").append(u).append(u",").append(u);
  return s.append(u",'中国','第").append(u).append(u"行')");
}

void InsertBatch(Database& db, int first) {
  db.Begin();
  for (int i = first; i < first + kBatch; ++i) db.Execute(Statement(i));
  db.Commit();
}

// The rows of IP, checked to be 0, 1, 2, ... in order, in a file the integrity check finds
// sound; returns how many there are.
size_t CheckedRowCount(const std::string& path) {
  std::vector<std::string> problems;
  CheckDatabaseFile(path, [&](const std::string& problem) { problems.push_back(problem); });
  EXPECT_TRUE(problems.empty()) << problems.front();
  MappedFilePageSource source(path);
  DatabaseReader reader(source, path);
  const CatalogEntry* ip = reader.FindTable(u"IP");
  const auto rows = reader.ReadRows(ip->DefinitionPage());
  for (size_t i = 0; i < rows.size(); ++i) {
    EXPECT_EQ(rows[i][2].real, double(i));
    std::u16string area = u"第";
    area.append(Number(i)).append(u"行");
    EXPECT_EQ(rows[i][5].text, area);
  }
  EXPECT_EQ(reader.ReadTableDefinition(ip->DefinitionPage()).rowCount, rows.size());
  return rows.size();
}

// The rows a reader that ignores the journal finds; throws for a file it cannot read.
size_t RowsIgnoringTheJournal(const std::string& path) {
  MappedFilePageSource source(path);
  DatabaseReader reader(source, path);
  return reader.ReadRows(reader.FindTable(u"IP")->DefinitionPage()).size();
}

struct CrashPoint {
  FaultOp op;
  uint64_t n;
  CrashPolicy policy;
};

class DatabaseCrash : public ::testing::Test {
 protected:
  DatabaseCrash() : FDir(fs::temp_directory_path() / ("ipmdb-crash-" + std::to_string(::getpid()))) {
    fs::create_directories(FDir);
    FPath = (FDir / "crash.mdb").string();
  }
  ~DatabaseCrash() override { fs::remove_all(FDir); }

  void FreshDatabase() {
    fs::remove(JournalPathFor(FPath));
    const auto bytes = BuildDatabase(database::TemplateDatabase());
    std::ofstream(FPath, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
  }

  // Operations of each kind that the second commit performs.
  std::pair<uint64_t, uint64_t> SecondCommitOperations() {
    FreshDatabase();
    FaultVfs vfs;
    Database db(FPath, vfs);
    InsertBatch(db, 0);
    const uint64_t writes = vfs.Count(FaultOp::Write), syncs = vfs.Count(FaultOp::Sync);
    InsertBatch(db, kBatch);
    return {vfs.Count(FaultOp::Write) - writes, vfs.Count(FaultOp::Sync) - syncs};
  }

  fs::path FDir;
  std::string FPath;
};

TEST_F(DatabaseCrash, EveryCrashPointLeavesThePreviousOrTheNewCommit) {
  if (!SystemRecordsBirthTime()) GTEST_SKIP() << kNoBirthTime;
  const auto [writes, syncs] = SecondCommitOperations();
  ASSERT_GT(writes, 2u);
  ASSERT_EQ(syncs, 2u);  // the journal, then the database
  std::vector<CrashPoint> points;
  for (auto policy : {CrashPolicy::ApplyAll, CrashPolicy::DropAll, CrashPolicy::TearAll, CrashPolicy::ScrambleAll,
                      CrashPolicy::SomeSectors, CrashPolicy::Mixed}) {
    for (uint64_t n = 1; n <= writes; ++n) points.push_back({FaultOp::Write, n, policy});
    for (uint64_t n = 1; n <= syncs; ++n) points.push_back({FaultOp::Sync, n, policy});
  }
  size_t sawOld = 0, sawNew = 0;
  for (size_t p = 0; p < points.size(); ++p) {
    const auto& point = points[p];
    SCOPED_TRACE(testing::Message() << (point.op == FaultOp::Write ? "write " : "sync ") << point.n << " policy "
                                    << int(point.policy));
    FreshDatabase();
    {
      FaultVfs vfs(p + 1);
      Database db(FPath, vfs);
      InsertBatch(db, 0);
      vfs.CrashAt(point.op, point.n, point.policy);
      // A crash at the last write, which only invalidates the journal after the database is
      // synced, need not surface: the commit is already durable.
      try {
        InsertBatch(db, kBatch);
      } catch (const SimulatedCrash&) {
      }
      EXPECT_TRUE(vfs.Crashed());
    }
    if (point.policy == CrashPolicy::ApplyAll) {
      size_t rows = 0;
      EXPECT_NO_THROW(rows = RowsIgnoringTheJournal(FPath));
      EXPECT_LE(rows, size_t(2 * kBatch));
    }
    { Database recovered(FPath); }  // opening rolls back or discards the journal
    EXPECT_FALSE(fs::exists(JournalPathFor(FPath)));
    const size_t rows = CheckedRowCount(FPath);
    EXPECT_TRUE(rows == size_t(kBatch) || rows == size_t(2 * kBatch)) << rows;
    (rows == size_t(kBatch) ? sawOld : sawNew)++;
    // The recovered database takes the next batch as if nothing had happened.
    {
      Database db(FPath);
      InsertBatch(db, int(rows));
    }
    EXPECT_EQ(CheckedRowCount(FPath), rows + kBatch);
  }
  EXPECT_GT(sawOld, 0u);
  EXPECT_GT(sawNew, 0u);
}

}  // namespace
}  // namespace ipmdb::jet
