// jetcheck and --check on what is not a database at rest: a file whose last commit a crash cut
// short is reported as such, with a status of its own, and neither it nor its journal changes; a
// folder, a FIFO and a device are refused at once with a message that says what they are.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <future>
#include <sstream>
#include <string>

#include "../jet/FaultVfs.h"
#include "../jet/PagerTestSupport.h"
#include "check/CheckCommand.h"
#include "database/TableIP.h"
#include "jet/Database.h"
#include "jet/DatabaseBuilder.h"
#include "jet/JournalPath.h"
#include "../support/TempDir.h"

namespace ipmdb::check {
namespace {

namespace fs = std::filesystem;

// A database whose second commit a crash cut short after its journal was synced: some of the
// commit's page writes reached the file, some did not.
std::string CrashedMidCommit(const fs::path& dir) {
  const std::string path = (dir / "crashed.mdb").string();
  const auto bytes = jet::BuildDatabase(database::TemplateDatabase());
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
  jet::FaultVfs vfs(3);
  jet::Database db(path, vfs);
  const auto batch = [&db] {
    db.Begin();
    for (int i = 0; i < 1000; ++i) db.Execute(u"insert into IP values('1.0.0.0','1.0.0.255',1,2,'中国','地区')");
    db.Commit();
  };
  batch();
  vfs.CrashAt(jet::FaultOp::Sync, 2, jet::CrashPolicy::Mixed);  // the database's sync, after the journal's
  EXPECT_THROW(batch(), jet::SimulatedCrash);
  return path;
}

std::string Bytes(const std::string& path) {
  if (!fs::is_regular_file(path)) return {};
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

struct Target {
  const char* name;
  std::function<std::string(const fs::path& dir)> make;
  int status;
  std::string says;  // in the output or the error
};

void PrintTo(const Target& t, std::ostream* os) { *os << t.name; }

class CheckCommand : public ::testing::TestWithParam<Target> {};

TEST_P(CheckCommand, ReportsWhatItFindsWithoutWaiting) {
  if (GetParam().status == kCheckCommitCutShort && !jet::SystemRecordsBirthTime()) GTEST_SKIP() << jet::kNoBirthTime;
  testing_support::TempDir dir;
  const std::string path = GetParam().make(dir.Path());
  const std::string before = Bytes(path), journalBefore = Bytes(jet::JournalPathFor(path));
  std::ostringstream out, err;
  auto run = std::async(std::launch::async, [&] { return RunCheckCommand(path, false, out, err, "jetcheck"); });
  if (run.wait_for(std::chrono::seconds(20)) == std::future_status::timeout) {
    ADD_FAILURE() << "the check still waits after 20 s";
#ifndef _WIN32
    ::close(::open(path.c_str(), O_WRONLY | O_NONBLOCK));  // a writer lets a waiting FIFO open go on
#endif
  }
  EXPECT_EQ(run.get(), GetParam().status) << out.str() << err.str();
  EXPECT_NE((out.str() + err.str()).find(GetParam().says), std::string::npos) << out.str() << err.str();
  EXPECT_EQ(Bytes(path), before);
  EXPECT_EQ(Bytes(jet::JournalPathFor(path)), journalBefore);
}

INSTANTIATE_TEST_SUITE_P(
    Targets, CheckCommand,
    ::testing::Values(
        Target{"CommitCutShort", CrashedMidCommit, kCheckCommitCutShort, "ipmdb-convert --recover "},
#ifndef _WIN32  // Windows has no FIFOs, and no /dev/null that opens as a file
        Target{"Fifo",
               [](const fs::path& dir) {
                 const std::string path = (dir / "fifo.mdb").string();
                 EXPECT_EQ(::mkfifo(path.c_str(), 0600), 0);
                 return path;
               },
               kCheckUnreadable, "不是普通文件"},
        Target{"Device", [](const fs::path&) { return std::string("/dev/null"); }, kCheckUnreadable, "不是普通文件"},
#endif
        Target{"Folder",
               [](const fs::path& dir) {
                 fs::create_directory(dir / "folder.mdb");
                 return (dir / "folder.mdb").string();
               },
#ifdef _WIN32  // Windows says only "access denied" for a folder, in the user's language
               kCheckUnreadable, "folder.mdb”失败："}),
#else
               kCheckUnreadable, std::strerror(EISDIR)}),
#endif
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace ipmdb::check
