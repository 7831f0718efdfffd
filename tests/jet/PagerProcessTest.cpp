// The pager in real processes on the real file system: a child killed with SIGKILL at random
// moments while it commits, or before each of its writes and syncs in turn (where the file must
// also show the appended pages written before the pages changed in place), and a child whose
// file-size limit makes a commit fail.
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <functional>
#include <random>
#include <thread>

#include "PagerTestSupport.h"
#include "jet/Error.h"
#include "jet/Pager.h"

namespace ipmdb::jet {
namespace {

// Runs body in a forked child; whatever text it returns (empty for success) comes back to the
// parent through a pipe. The child never returns into the test framework.
std::string RunInChild(const std::function<std::string()>& body) {
  int fds[2];
  if (pipe(fds) != 0) return "pipe failed";
  const pid_t pid = fork();
  if (pid == 0) {
    close(fds[0]);
    std::string report;
    try {
      report = body();
    } catch (const std::exception& e) {
      report = std::string("unexpected exception: ") + e.what();
    }
    const ssize_t ignored = write(fds[1], report.data(), report.size());
    (void)ignored;
    _exit(0);
  }
  close(fds[1]);
  std::string report;
  char buffer[512];
  for (ssize_t n; (n = read(fds[0], buffer, sizeof buffer)) > 0;) report.append(buffer, size_t(n));
  close(fds[0]);
  int status = 0;
  waitpid(pid, &status, 0);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) report += " (child did not exit cleanly)";
  return report;
}

TEST(PagerProcess, ProcessKilledAtRandomMomentsLeavesACommittedPrefix) {
  TempDir dir;
  const std::string path = dir.File("db.mdb");
  WriteTagsFile(path, kInitialTags);
  std::mt19937 random(2024);
  uint32_t committed = 0;
  Tags state = kInitialTags;

  for (int round = 0; round < 40; ++round) {
    SCOPED_TRACE(testing::Message() << "round " << round << ", " << committed << " commits so far");
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      close(fds[0]);
      try {
        Pager pager(Vfs::Posix(), path);
        for (uint32_t k = committed + 1;; ++k) {
          RunTransaction(pager, k);
          if (write(fds[1], &k, sizeof k) != sizeof k) _exit(3);
        }
      } catch (...) {
        _exit(2);
      }
    }
    close(fds[1]);
    // A commit takes a few milliseconds on a real disk; the range reaches into the tenth or so.
    std::this_thread::sleep_for(std::chrono::microseconds(random() % 60000));
    kill(pid, SIGKILL);
    int status = 0;
    waitpid(pid, &status, 0);
    ASSERT_TRUE(WIFSIGNALED(status)) << "child ended by itself with status " << status;

    uint32_t acknowledged = committed;
    for (uint32_t k; read(fds[0], &k, sizeof k) == sizeof k;) acknowledged = k;
    close(fds[0]);

    for (uint32_t k = committed + 1; k <= acknowledged; ++k) state = ApplyTransaction(state, k);
    const Tags next = ApplyTransaction(state, acknowledged + 1);
    const std::optional<Tags> found = ReopenAndReadTags(path);
    ASSERT_TRUE(found.has_value()) << "a page is damaged";
    if (*found == next) {
      state = next;
      committed = acknowledged + 1;
    } else {
      ASSERT_EQ(*found, state) << "neither the last reported commit nor the one after it";
      committed = acknowledged;
    }
  }
}

// Forwards to the real file system and kills its own process just before the nth write or sync
// (counted together), so that a child dies at every step of its commits in turn.
class KillingVfs final : public Vfs {
 public:
  explicit KillingVfs(uint64_t killAt) : FKillAt(killAt) {}

  std::unique_ptr<File> Open(const std::string& path, OpenMode mode) override {
    return std::make_unique<KillingFile>(*this, Vfs::Posix().Open(path, mode));
  }
  bool Exists(const std::string& path) override { return Vfs::Posix().Exists(path); }
  void Remove(const std::string& path) override {
    Step();
    Vfs::Posix().Remove(path);
  }
  void Rename(const std::string& from, const std::string& to) override {
    Step();
    Vfs::Posix().Rename(from, to);
  }
  void SyncDirectoryOf(const std::string& path) override {
    Step();
    Vfs::Posix().SyncDirectoryOf(path);
  }
  std::string ResolvePath(const std::string& path) override { return Vfs::Posix().ResolvePath(path); }

 private:
  class KillingFile final : public File {
   public:
    KillingFile(KillingVfs& vfs, std::unique_ptr<File> inner) : FVfs(vfs), FInner(std::move(inner)) {}
    size_t ReadAt(uint64_t offset, std::span<uint8_t> out) override { return FInner->ReadAt(offset, out); }
    void WriteAt(uint64_t offset, std::span<const uint8_t> data) override {
      FVfs.Step();
      FInner->WriteAt(offset, data);
    }
    void Sync() override {
      FVfs.Step();
      FInner->Sync();
    }
    uint64_t Size() override { return FInner->Size(); }
    void Truncate(uint64_t size) override {
      FVfs.Step();
      FInner->Truncate(size);
    }
    bool TryLockExclusive() override { return FInner->TryLockExclusive(); }
    FileIdentity Identity() override { return FInner->Identity(); }
    uint32_t LinkCount() override { return FInner->LinkCount(); }
    FileAttributes Attributes() override { return FInner->Attributes(); }
    void SetAttributes(const FileAttributes& attributes) override { FInner->SetAttributes(attributes); }

   private:
    KillingVfs& FVfs;
    std::unique_ptr<File> FInner;
  };

  void Step() {
    if (++FSteps == FKillAt) kill(getpid(), SIGKILL);
  }

  uint64_t FKillAt;
  uint64_t FSteps = 0;
};

// Rule 7, seen in the file as a reader that ignores the journal finds it after the kill: once a
// page that commit k changes in place holds its new bytes, every page that commit k appends does.
void ExpectAppendedPagesLandedFirst(const std::string& path, const Tags& before, const Tags& after, uint32_t k) {
  const std::vector<uint8_t> bytes = ReadWholeFile(path);
  const size_t pages = bytes.size() / kPageSize;
  bool changedInPlace = false;
  for (uint32_t page = 0; page < before.size() && page < pages; ++page) {
    changedInPlace = changedInPlace || TagOfPage(bytes.data() + page * kPageSize, page) == k;
  }
  if (!changedInPlace) return;
  ASSERT_GE(pages, after.size());
  for (auto page = uint32_t(before.size()); page < after.size(); ++page) {
    EXPECT_EQ(TagOfPage(bytes.data() + page * kPageSize, page), k) << "appended page " << page;
  }
}

TEST(PagerProcess, ProcessKilledBeforeEachStepLeavesTheLastOrTheNextCommit) {
  constexpr uint32_t kCommits = 3;
  const std::vector<Tags> states = StatesUpTo(kCommits);
  for (uint64_t step = 1;; ++step) {
    SCOPED_TRACE(testing::Message() << "killed before step " << step);
    TempDir dir;
    const std::string path = dir.File("db.mdb");
    WriteTagsFile(path, kInitialTags);
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      close(fds[0]);
      try {
        KillingVfs vfs(step);
        Pager pager(vfs, path);
        for (uint32_t k = 1; k <= kCommits; ++k) {
          RunTransaction(pager, k);
          if (write(fds[1], &k, sizeof k) != sizeof k) _exit(3);
        }
      } catch (...) {
        _exit(2);
      }
      _exit(0);
    }
    close(fds[1]);
    int status = 0;
    waitpid(pid, &status, 0);
    uint32_t acknowledged = 0;
    for (uint32_t k; read(fds[0], &k, sizeof k) == sizeof k;) acknowledged = k;
    close(fds[0]);

    if (acknowledged < kCommits) {
      ExpectAppendedPagesLandedFirst(path, states[acknowledged], states[acknowledged + 1], acknowledged + 1);
    }
    const std::optional<Tags> found = ReopenAndReadTags(path);
    ASSERT_TRUE(found.has_value()) << "a page is damaged";
    EXPECT_TRUE(*found == states[acknowledged] || (acknowledged < kCommits && *found == states[acknowledged + 1]));
    if (WIFEXITED(status)) {
      ASSERT_EQ(WEXITSTATUS(status), 0);
      EXPECT_EQ(acknowledged, kCommits);
      break;
    }
    ASSERT_EQ(WTERMSIG(status), SIGKILL);
  }
}

struct LimitCase {
  const char* FName;
  uint64_t FLimitPages;                  // RLIMIT_FSIZE, in pages
  std::function<void(Pager&)> FFailing;  // a commit that passes the limit
};

// Transaction 1 appends 36 pages, past the limit of the database file. Changing all six pages at
// once makes a journal longer than the limit, while the database file does not grow.
const LimitCase kLimitCases[] = {
    {"database write", 8, [](Pager& pager) { RunTransaction(pager, 1); }},
    {"journal write", 6,
     [](Pager& pager) {
       pager.Begin();
       for (uint32_t page = 0; page < 6; ++page) FillPage(pager.Modify(page), 99, page);
       pager.Commit();
     }},
};

TEST(PagerProcess, FileSizeLimitFailsTheCommitWithTheSystemsReason) {
  for (const LimitCase& c : kLimitCases) {
    SCOPED_TRACE(c.FName);
    TempDir dir;
    const std::string path = dir.File("db.mdb");
    WriteTagsFile(path, kInitialTags);
    const std::string report = RunInChild([&]() -> std::string {
      signal(SIGXFSZ, SIG_IGN);
      const rlimit limit{c.FLimitPages * kPageSize, c.FLimitPages * kPageSize};
      if (setrlimit(RLIMIT_FSIZE, &limit) != 0) return "setrlimit failed";
      Pager pager(Vfs::Posix(), path);
      try {
        c.FFailing(pager);
        return "the commit succeeded";
      } catch (const JetError& e) {
        if (e.Kind() != ErrorKind::DiskFull) return std::string("wrong kind: ") + e.what();
        if (std::string(e.what()).find(std::strerror(EFBIG)) == std::string::npos) return e.what();
      }
      if (pager.InTransaction()) return "transaction still open";
      if (ReadTags(pager) != kInitialTags) return "pages differ from the last commit";
      RunTransaction(pager, 2);  // pages 1 and 3 in place: fits the limit
      return "";
    });
    EXPECT_EQ(report, "");
    EXPECT_EQ(ReadWholeFile(path).size(), kInitialTags.size() * kPageSize);
    EXPECT_EQ(ReopenAndReadTags(path), ApplyTransaction(kInitialTags, 2));
  }
}

}  // namespace
}  // namespace ipmdb::jet
