// The conversion worker on real files: batches and their messages, terminate, pause and release,
// a refused batch, and the failures of construction. The output is read back with the project's
// own reader.
#include "engine/TDBThread.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <future>
#include <iterator>
#include <thread>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "../support/TempDir.h"
#include "SyncGateVfs.h"
#include "database/Connection.h"
#include "database/Resources.h"
#include "engine/EngineError.h"
#include "jet/DatabaseReader.h"
#include "jet/Format.h"
#include "jet/PageSource.h"

namespace ipmdb::engine {
namespace {

using std::chrono::milliseconds;
using Message = std::tuple<int, int32_t, int32_t>;
using Rows = std::vector<std::vector<jet::StoredValue>>;

constexpr int kCommitted = kMsgBatchCommitted;
constexpr int kFailed = kMsgBatchFailed;

// "中国" in GBK.
constexpr char kChinaGbk[] = "\xD6\xD0\xB9\xFA";

// The start address of generated line i, unique for every i below 2^24.
std::string StartAddress(size_t i) {
  return "10." + std::to_string(i / 65536 % 256) + "." + std::to_string(i / 256 % 256) + "." + std::to_string(i % 256);
}

std::u16string Utf16(const std::string& ascii) { return std::u16string(ascii.begin(), ascii.end()); }

// A text database of n lines, CR LF after each. replace(i) may give line i's own text.
std::string TextDatabase(size_t n, const std::function<std::optional<std::string>(size_t)>& replace = {}) {
  std::string text;
  for (size_t i = 0; i < n; ++i) {
    const std::optional<std::string> own = replace ? replace(i) : std::nullopt;
    text += own ? *own : StartAddress(i) + " 10.255.255.255 " + kChinaGbk + " area" + std::to_string(i);
    text += "\r\n";
  }
  return text;
}

Rows ReadRows(const std::string& path) {
  jet::MappedFilePageSource source(path);
  jet::DatabaseReader reader(source, path);
  const jet::CatalogEntry* table = reader.FindTable(u"IP");
  EXPECT_NE(table, nullptr);
  return table ? reader.ReadRows(table->DefinitionPage()) : Rows{};
}

std::string ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

std::string TemplateBytes() {
  const auto bytes = *database::FindResource(database::kTemplateResourceType, database::kTemplateResourceName);
  return std::string(bytes.begin(), bytes.end());
}

// Records every message; the hooks let a test act inside the handler (on the test's thread) or
// at the hand-over (on the worker's thread).
class Recorder : public TProgressReceiver {
 public:
  void HandleProgress(const ProgressMessage& m) override {
    FMessages.emplace_back(m.message, m.wParam, m.lParam);
    if (FOnHandle) FOnHandle(m);
  }
  void ProgressPending() override {
    if (!FFirstPending.exchange(true)) FPending.set_value();
  }

  std::vector<Message> FMessages;
  std::function<void(const ProgressMessage&)> FOnHandle;
  std::promise<void> FPending;  // set when the first message waits
  std::atomic<bool> FFirstPending{false};
};

class Worker : public testing::Test {
 protected:
  std::string Input(const std::string& text) { return FDir.Write("in.txt", text); }
  std::string Output() const { return (FDir.Path() / "out.mdb").string(); }

  std::unique_ptr<TDBThread> Start(const std::string& text, bool suspended = false) {
    return std::make_unique<TDBThread>(suspended, Input(text), &FRecorder, Output());
  }

  static void RunToEnd(TDBThread& worker) {
    while (!worker.Finished()) worker.WaitAndDispatchProgress(milliseconds(100));
  }

  // A worker whose commits go through FGate, run until the held sync waits.
  std::unique_ptr<TDBThread> StartHeld(const std::string& text, int heldSync) {
    FGate.Hold(heldSync);
    auto worker = std::make_unique<TDBThread>(false, Input(text), &FRecorder, Output(), nullptr,
                                              jet::DatabaseOptions{}, FGate);
    while (!FGate.Held()) worker->WaitAndDispatchProgress(milliseconds(10));
    return worker;
  }

  testing_support::TempDir FDir;
  Recorder FRecorder;
  SyncGateVfs FGate;
};

#ifndef _WIN32  // the only test that uses it counts on /proc
// Threads of this process.
size_t ThreadCount() {
  const std::filesystem::directory_iterator tasks("/proc/self/task");
  return size_t(std::distance(begin(tasks), end(tasks)));
}
#endif

TEST_F(Worker, BatchesOfAThousandLinesAreReportedWithLastLineAndLineCount) {
  const struct {
    size_t FLines;
    std::vector<Message> FMessages;
  } cases[] = {
      {0, {}},
      {1, {{kCommitted, 1, 1}}},
      {1000, {{kCommitted, 1000, 1000}}},
      {1001, {{kCommitted, 1000, 1001}, {kCommitted, 1001, 1001}}},
      {2500, {{kCommitted, 1000, 2500}, {kCommitted, 2000, 2500}, {kCommitted, 2500, 2500}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.FLines << " lines");
    FRecorder.FMessages.clear();
    {
      auto worker = Start(TextDatabase(c.FLines));
      EXPECT_EQ(worker->LineCount(), c.FLines);
      RunToEnd(*worker);
      EXPECT_EQ(worker->State(), TWorkerState::Finished);
      EXPECT_EQ(worker->ErrorText(), "");
    }
    EXPECT_EQ(FRecorder.FMessages, c.FMessages);
    const Rows rows = ReadRows(Output());
    ASSERT_EQ(rows.size(), c.FLines);
    for (size_t i = 0; i < rows.size(); ++i) {
      if (rows[i][0].text != Utf16(StartAddress(i))) {
        ADD_FAILURE() << "row " << i << " is not line " << i;
        break;
      }
    }
  }
}

TEST_F(Worker, RowsHoldTheFieldsOfTheirLines) {
  {
    auto worker = Start(std::string("1.0.1.0   1.0.3.255  ") + kChinaGbk + " O'Hare  x \r\n" +
                        "\r\n" +
                        "   \t \r\n" +
                        "255.255.255.255 255.255.255.255 morvane.example MORVANE.EXAMPLE\n" +
                        "1.2.3.4");
    RunToEnd(*worker);
    EXPECT_EQ(worker->State(), TWorkerState::Finished);
  }
  EXPECT_EQ(FRecorder.FMessages, (std::vector<Message>{{kCommitted, 5, 5}}));
  const Rows rows = ReadRows(Output());
  ASSERT_EQ(rows.size(), 5u);
  const auto texts = [&](size_t r) {
    return std::vector<std::u16string>{rows[r][0].text, rows[r][1].text, rows[r][4].text, rows[r][5].text};
  };
  const auto numbers = [&](size_t r) { return std::pair(rows[r][2].real, rows[r][3].real); };
  EXPECT_EQ(texts(0), (std::vector<std::u16string>{u"1.0.1.0", u"1.0.3.255", u"中国", u"O'Hare  x "}));
  EXPECT_EQ(numbers(0), std::pair(16777472.0, 16778239.0));
  // Blank lines, and lines holding only blanks and tabs, are records too: empty texts, not NULL.
  for (size_t r : {1, 2}) {
    SCOPED_TRACE(r);
    EXPECT_EQ(texts(r), (std::vector<std::u16string>{u"", u"", u"", u""}));
    EXPECT_EQ(rows[r][0].kind, jet::CellValue::Kind::Text);
    EXPECT_EQ(numbers(r), std::pair(0.0, 0.0));
  }
  EXPECT_EQ(texts(3), (std::vector<std::u16string>{u"255.255.255.255", u"255.255.255.255", u"未知IP",
                                                   u"FENWARDE.EXAMPLE"}));
  EXPECT_EQ(numbers(3), std::pair(4294967295.0, 4294967295.0));
  EXPECT_EQ(texts(4), (std::vector<std::u16string>{u"1.2.3.4", u"", u"", u""}));
}

TEST_F(Worker, TerminateDuringTheSecondBatchKeepsOnlyTheFirst) {
  {
    auto worker = Start(TextDatabase(2500));
    TDBThread* raw = worker.get();
    FRecorder.FOnHandle = [raw](const ProgressMessage&) { raw->Terminate(); };
    RunToEnd(*worker);
    EXPECT_TRUE(worker->Terminated());
    EXPECT_EQ(worker->State(), TWorkerState::Finished);
  }
  EXPECT_EQ(FRecorder.FMessages, (std::vector<Message>{{kCommitted, 1000, 2500}}));
  EXPECT_EQ(ReadRows(Output()).size(), 1000u);
}

// The refused line is prepared while the first batch's commit waits for its sync: its batch fails
// only once the first is committed and reported.
#ifndef _WIN32  // it counts the threads in /proc/self/task
TEST_F(Worker, RefusalInTheBatchAfterASlowCommitComesAfterThatCommit) {
  const auto tooLong = [](size_t i) -> std::optional<std::string> {
    if (i == 1499) return std::string("10.0.0.1234567890 10.0.0.2 x y");
    return std::nullopt;
  };
  const size_t threads = ThreadCount();
  {
    auto worker = StartHeld(TextDatabase(2500, tooLong), 1);
    // The preparing thread ends with the refused batch.
    for (int round = 0; round < 6000 && ThreadCount() > threads + 1; ++round) std::this_thread::sleep_for(milliseconds(10));
    EXPECT_EQ(ThreadCount(), threads + 1);
    EXPECT_TRUE(FRecorder.FMessages.empty());
    FGate.Release();
    RunToEnd(*worker);
    EXPECT_EQ(worker->State(), TWorkerState::Failed);
    EXPECT_EQ(worker->ErrorText().rfind("第 1500 行的记录未能写入数据库：值过长", 0), 0u) << worker->ErrorText();
  }
  EXPECT_EQ(FRecorder.FMessages, (std::vector<Message>{{kCommitted, 1000, 2500}, {kFailed, 2000, 2500}}));
  EXPECT_EQ(ReadRows(Output()).size(), 1000u);
}
#endif

// The commit in flight completes; the batch prepared meanwhile is not inserted.
TEST_F(Worker, TerminateWhileACommitIsInFlightKeepsItAndAddsNothingMore) {
  {
    auto worker = StartHeld(TextDatabase(3500), 2);
    worker->Terminate();
    FGate.Release();
    RunToEnd(*worker);
    EXPECT_EQ(worker->State(), TWorkerState::Finished);
  }
  // The second batch's message may have been dropped with the cancelled delivery.
  ASSERT_FALSE(FRecorder.FMessages.empty());
  EXPECT_EQ(FRecorder.FMessages.front(), Message(kCommitted, 1000, 3500));
  EXPECT_LE(std::get<1>(FRecorder.FMessages.back()), 2000);
  EXPECT_EQ(FGate.Syncs(), 2);
  EXPECT_EQ(ReadRows(Output()).size(), 2000u);
}

// Paused while its first commit is in flight and the next batch is being prepared, the worker
// finishes that commit, then neither reports it nor commits anything more until resumed.
TEST_F(Worker, PauseWhileTheNextBatchIsPreparedHoldsTheRunUntilResumed) {
  auto worker = StartHeld(TextDatabase(2500), 1);
  worker->Suspend();
  FGate.Release();
  for (int round = 0; round < 5; ++round) EXPECT_FALSE(worker->WaitAndDispatchProgress(milliseconds(40)));
  EXPECT_EQ(FGate.Syncs(), 1);
  EXPECT_EQ(worker->State(), TWorkerState::Running);
  worker->Resume();
  RunToEnd(*worker);
  EXPECT_EQ(worker->State(), TWorkerState::Finished);
  EXPECT_EQ(FRecorder.FMessages,
            (std::vector<Message>{{kCommitted, 1000, 2500}, {kCommitted, 2000, 2500}, {kCommitted, 2500, 2500}}));
  worker.reset();
  EXPECT_EQ(ReadRows(Output()).size(), 2500u);
}

// Lines are read as batches need them: a text database cut shorter during the run fails the batch
// whose lines are gone, after the batches before it were committed.
TEST_F(Worker, TextDatabaseCutShorterDuringTheRunFailsTheBatchWhoseLinesAreGone) {
  const std::string text = TextDatabase(30000);
  size_t cut = 0;
  for (size_t line = 0; line < 25000; ++line) cut = text.find("\r\n", cut) + 2;
  {
    auto worker = StartHeld(text, 1);
    // Beyond the chunk the preparing thread has read so far.
    ASSERT_GT(cut, LineList::kChunkSize);
    std::filesystem::resize_file(FDir.Path() / "in.txt", cut + 5);
    FGate.Release();
    RunToEnd(*worker);
    EXPECT_EQ(worker->State(), TWorkerState::Failed);
    EXPECT_EQ(worker->ErrorText(), "文本IP数据库“" + (FDir.Path() / "in.txt").string() +
                                       "”在读取过程中被截短了：第 25001 行起的内容已经不在文件里。"
                                       "已提交的第 1 至 25000 行在提交前已核对，与载入时的文本一致；此后读取的行都没有写入。");
  }
  ASSERT_EQ(FRecorder.FMessages.size(), 26u);
  EXPECT_EQ(FRecorder.FMessages[24], Message(kCommitted, 25000, 30000));
  EXPECT_EQ(FRecorder.FMessages[25], Message(kFailed, 26000, 30000));
  EXPECT_EQ(ReadRows(Output()).size(), 25000u);
}

// Rewritten in place with the same size and times while the first batch's commit waits: the
// reader's next chunk comes from the new text, and the batch whose lines span both fails before
// it is committed. Every row kept is a line of the text as it was loaded.
TEST_F(Worker, TextDatabaseRewrittenDuringTheRunFailsTheBatchThatReadTheChangeBeforeItsCommit) {
  const std::string text = TextDatabase(30000);
  size_t spliced = 0;  // the line that the reader's second chunk starts in
  for (size_t start = 0; start <= LineList::kChunkSize; start = text.find("\r\n", start) + 2) ++spliced;
  const size_t kept = (spliced - 1) / kBatchSize * kBatchSize;
  const std::string path = (FDir.Path() / "in.txt").string();
  {
    auto worker = StartHeld(text, 1);
    const auto before = std::filesystem::last_write_time(path);
    std::string rewritten = text;
    for (size_t at = 0; (at = rewritten.find(" area", at)) != std::string::npos; ++at) rewritten[at + 1] = 'A';
    ASSERT_EQ(rewritten.size(), text.size());
    std::fstream(path, std::ios::in | std::ios::out | std::ios::binary) << rewritten;
    std::filesystem::last_write_time(path, before);
    FGate.Release();
    RunToEnd(*worker);
    EXPECT_EQ(worker->State(), TWorkerState::Failed);
    EXPECT_EQ(worker->ErrorText(), "文本IP数据库“" + path + "”在读取过程中被改动了：从第 " + std::to_string(kept + 1) +
                                       " 行起，内容与开始读取时不同。已提交的第 1 至 " + std::to_string(kept) +
                                       " 行在提交前已核对，与载入时的文本一致；此后读取的行都没有写入。");
  }
  ASSERT_FALSE(FRecorder.FMessages.empty());
  EXPECT_EQ(FRecorder.FMessages.back(), Message(kFailed, int32_t(kept + kBatchSize), 30000));
  const Rows rows = ReadRows(Output());
  EXPECT_EQ(rows.size(), kept);
  for (size_t i = 0; i < rows.size(); ++i) {
    if (rows[i][5].text != Utf16("area" + std::to_string(i))) {
      ADD_FAILURE() << "row " << i << " is not line " << i << " as loaded";
      break;
    }
  }
}

TEST_F(Worker, TerminateBeforeTheRunBeginsLeavesStateCreated) {
  auto worker = Start(TextDatabase(10), true);
  worker->Terminate();
  worker->Resume();
  EXPECT_TRUE(worker->WaitFor(milliseconds(60000)));
  EXPECT_EQ(worker->State(), TWorkerState::Created);
  EXPECT_TRUE(FRecorder.FMessages.empty());
}

TEST_F(Worker, RefusedThirdBatchIsRolledBackReportedAndEndsTheRun) {
  // 17 characters do not fit the 16 of column startip.
  const auto tooLong = [](size_t i) -> std::optional<std::string> {
    if (i == 2344) return std::string("10.0.0.1234567890 10.0.0.2 x y");
    return std::nullopt;
  };
  {
    auto worker = Start(TextDatabase(5000, tooLong));
    RunToEnd(*worker);
    EXPECT_EQ(worker->State(), TWorkerState::Failed);
    const std::string error = worker->ErrorText();
    EXPECT_EQ(error.rfind("第 2345 行的记录未能写入数据库：", 0), 0u) << error;
    EXPECT_NE(error.find("startip"), std::string::npos) << error;
  }
  EXPECT_EQ(FRecorder.FMessages,
            (std::vector<Message>{{kCommitted, 1000, 5000}, {kCommitted, 2000, 5000}, {kFailed, 3000, 5000}}));
  const Rows rows = ReadRows(Output());
  ASSERT_EQ(rows.size(), 2000u);
  EXPECT_EQ(rows.back()[0].text, Utf16(StartAddress(1999)));
}

// The file of two batches may grow by one page, less than the third batch needs.
TEST_F(Worker, BatchThatWouldPassTheSizeLimitIsRefusedLikeAFullDisk) {
  { RunToEnd(*Start(TextDatabase(2000))); }
  const uint64_t twoBatches = std::filesystem::file_size(Output());
  FRecorder.FMessages.clear();
  {
    TDBThread worker(false, Input(TextDatabase(5000)), &FRecorder, Output(), nullptr,
                     {.FMaxFileSize = twoBatches + jet::kPageSize});
    RunToEnd(worker);
    EXPECT_EQ(worker.State(), TWorkerState::Failed);
    EXPECT_NE(worker.ErrorText().find("未能写入数据库：数据库已达 Jet 4.0 的 2 GB 上限"), std::string::npos)
        << worker.ErrorText();
  }
  EXPECT_EQ(FRecorder.FMessages,
            (std::vector<Message>{{kCommitted, 1000, 5000}, {kCommitted, 2000, 5000}, {kFailed, 3000, 5000}}));
  EXPECT_EQ(ReadRows(Output()).size(), 2000u);
  EXPECT_EQ(std::filesystem::file_size(Output()), twoBatches);
}

TEST_F(Worker, PausedWorkerMakesNoProgressUntilResumedAndThenContinues) {
  auto worker = Start(TextDatabase(2500));
  TDBThread* raw = worker.get();
  FRecorder.FOnHandle = [raw](const ProgressMessage& m) {
    if (m.wParam == 1000) raw->Suspend();
  };
  while (FRecorder.FMessages.empty()) worker->WaitAndDispatchProgress(milliseconds(100));
  EXPECT_TRUE(worker->Suspended());
  // Nothing may arrive while paused, however long the owner keeps dispatching.
  for (int round = 0; round < 5; ++round) EXPECT_FALSE(worker->WaitAndDispatchProgress(milliseconds(40)));
  EXPECT_FALSE(worker->Finished());
  EXPECT_EQ(worker->State(), TWorkerState::Running);
  EXPECT_EQ(ReadRows(Output()).size(), 1000u);
  EXPECT_TRUE(worker->Suspended());

  worker->Resume();
  EXPECT_FALSE(worker->Suspended());
  RunToEnd(*worker);
  EXPECT_EQ(worker->State(), TWorkerState::Finished);
  EXPECT_EQ(FRecorder.FMessages,
            (std::vector<Message>{{kCommitted, 1000, 2500}, {kCommitted, 2000, 2500}, {kCommitted, 2500, 2500}}));
  worker.reset();
  EXPECT_EQ(ReadRows(Output()).size(), 2500u);
}

TEST_F(Worker, ReleaseOfAPausedWorkerResumesItAndStopsItAtTheNextLine) {
  {
    auto worker = Start(TextDatabase(2500));
    TDBThread* raw = worker.get();
    FRecorder.FOnHandle = [raw](const ProgressMessage&) { raw->Suspend(); };
    while (FRecorder.FMessages.empty()) worker->WaitAndDispatchProgress(milliseconds(100));
    EXPECT_TRUE(worker->Suspended());
  }
  EXPECT_EQ(FRecorder.FMessages, (std::vector<Message>{{kCommitted, 1000, 2500}}));
  EXPECT_EQ(ReadRows(Output()).size(), 1000u);
}

// The owner never dispatches here: the worker is blocked handing over its first message when it
// is paused and released. The release's terminate request cancels that wait, so the worker reaches
// its next check without the message being handled, and the committed batch stays.
TEST_F(Worker, ReleaseCancelsTheDeliveryAWorkerIsBlockedIn) {
  {
    auto worker = Start(TextDatabase(2500));
    FRecorder.FPending.get_future().wait();
    worker->Suspend();
    EXPECT_FALSE(worker->WaitFor(milliseconds(20)));  // the bounded wait serves nothing
  }
  EXPECT_TRUE(FRecorder.FMessages.empty());
  EXPECT_EQ(ReadRows(Output()).size(), 1000u);
}

TEST_F(Worker, WorkerCreatedSuspendedWaitsForResume) {
  auto worker = Start(TextDatabase(1), true);
  EXPECT_TRUE(worker->Suspended());
  EXPECT_FALSE(worker->WaitFor(milliseconds(20)));
  EXPECT_EQ(worker->State(), TWorkerState::Created);
  worker->Resume();
  RunToEnd(*worker);
  EXPECT_EQ(worker->State(), TWorkerState::Finished);
  EXPECT_EQ(FRecorder.FMessages, (std::vector<Message>{{kCommitted, 1, 1}}));
}

TEST_F(Worker, ConstructionResetsTheOutputToTheEmptyTemplate) {
  FDir.Write("out.mdb", "rows of an earlier run");
  {
    auto worker = Start(TextDatabase(3), true);
    EXPECT_EQ(worker->OutputPath(), Output());
  }
  EXPECT_EQ(ReadBytes(Output()), TemplateBytes());
}

TEST_F(Worker, MissingOutputFolderIsCreatedWithItsParents) {
  const std::string output = (FDir.Path() / "a" / "b" / "out.mdb").string();
  {
    TDBThread worker(false, Input(TextDatabase(3)), &FRecorder, output);
    RunToEnd(worker);
    EXPECT_EQ(worker.State(), TWorkerState::Finished);
  }
  EXPECT_EQ(ReadRows(output).size(), 3u);
}

#ifndef _WIN32  // it expects the C library's text; Windows words it in its own
TEST_F(Worker, MissingInputFailsConstructionAndLeavesTheOutputUntouched) {
  FDir.Write("out.mdb", "earlier output");
  const std::string missing = (FDir.Path() / "missing.txt").string();
  try {
    TDBThread worker(false, missing, &FRecorder, Output());
    ADD_FAILURE() << "constructed";
  } catch (const EngineError& error) {
    EXPECT_EQ(error.Kind(), EngineErrorKind::CannotOpenFile);
    EXPECT_EQ(std::string(error.what()), "Cannot open file \"" + missing + "\". No such file or directory");
  }
  EXPECT_EQ(FDir.Read("out.mdb"), "earlier output");
}
#endif

TEST_F(Worker, OutputThatIsTheInputFailsConstructionAndLeavesTheInputUntouched) {
  // The window's output path is fixed; a text database picked at that very file, under any name,
  // must not be overwritten by the template.
  const std::string text = TextDatabase(3);
  const std::string input = Input(text);
  std::filesystem::create_hard_link(input, Output());
  try {
    TDBThread worker(false, input, &FRecorder, Output());
    ADD_FAILURE() << "constructed";
  } catch (const EngineError& error) {
    EXPECT_EQ(error.Kind(), EngineErrorKind::OutputIsInput);
    EXPECT_EQ(std::string(error.what()), "输出数据库“" + Output() + "”与文本IP数据库“" + input +
                                             "”是同一个文件，转换会覆盖文本IP数据库，已拒绝。");
  }
  EXPECT_EQ(ReadBytes(input), text);
}

TEST_F(Worker, OutputHeldByAnotherConnectionCannotBeReplaced) {
  auto first = Start(TextDatabase(1500));
  RunToEnd(*first);
  const std::string before = ReadBytes(Output());
  const std::string input = Input(TextDatabase(5));
  try {
    TDBThread second(false, input, &FRecorder, Output());
    ADD_FAILURE() << "constructed";
  } catch (const EngineError& error) {
    EXPECT_EQ(error.Kind(), EngineErrorKind::TemplateNotWritten);
    EXPECT_EQ(std::string(error.what()), "[" + Output() + "]资源文件释放失败。原因：文件正被另一个程序使用。");
  }
  EXPECT_EQ(ReadBytes(Output()), before);
  first.reset();
  EXPECT_EQ(ReadRows(Output()).size(), 1500u);
}

#ifndef _WIN32  // the folder deeper than PATH_MAX is made with openat and mkdirat
TEST_F(Worker, OutputThatCannotBeWrittenNamesTheReason) {
  std::filesystem::create_directory(FDir.Path() / "folder.mdb");
  const std::string plain = FDir.Write("plain", "a file, not a folder");
  const std::string taken = (FDir.Path() / "taken.mdb").string();
  std::filesystem::create_directory(taken + "-reset");
  const std::string longName = (FDir.Path() / std::string(249, 'n')).string();
  // A folder that exists, deeper than a path the system takes, made one step at a time.
  std::string deep = (FDir.Path() / "deep").string();
  std::filesystem::create_directory(deep);
  int fd = ::open(deep.c_str(), O_DIRECTORY | O_RDONLY);
  const std::string step(200, 'd');
  while (deep.size() <= PATH_MAX) {
    ASSERT_EQ(::mkdirat(fd, step.c_str(), 0755), 0);
    const int next = ::openat(fd, step.c_str(), O_DIRECTORY | O_RDONLY);
    ::close(fd);
    fd = next;
    deep += "/" + step;
  }
  ::close(fd);
  const struct {
    std::string FOutput;
    std::string FReason;
  } cases[] = {
      {(FDir.Path() / "folder.mdb").string(), "是一个目录。"},
      {plain + "/sub/out.mdb", "无法创建文件夹“" + plain + "/sub”：路径中有一部分不是目录。"},
      {taken, "临时文件“" + taken + "-reset”：是一个目录。"},
      {longName, "回滚日志“" + longName + "-journal”：路径或文件名太长。"},
      {deep + "/out.mdb", "路径或文件名太长。"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.FOutput);
    try {
      TDBThread worker(false, Input(TextDatabase(1)), &FRecorder, c.FOutput);
      ADD_FAILURE() << "constructed";
    } catch (const EngineError& error) {
      EXPECT_EQ(error.Kind(), EngineErrorKind::TemplateNotWritten);
      EXPECT_EQ(std::string(error.what()), "[" + c.FOutput + "]资源文件释放失败。原因：" + c.FReason);
    }
  }
  // Deeper than TempDir's removal reaches.
  EXPECT_EQ(std::system(("rm -rf '" + (FDir.Path() / "deep").string() + "'").c_str()), 0);
}
#endif

// ExecuteBatch, called on a worker whose run has not begun.
class BatchExecutor : public Worker {
 protected:
  void SetUp() override { FWorker = Start("", true); }

  static std::string Statement(size_t i) {
    return "insert into IP values('" + StartAddress(i) + "','',0,0,'','')";
  }
  size_t RowsNow() { return ReadRows(Output()).size(); }

  std::unique_ptr<TDBThread> FWorker;
  TDBThread::Batch FBatch;
};

TEST_F(BatchExecutor, FilledSlotsAreCommittedAndBlankSlotsSkipped) {
  for (size_t i = 0; i < 37; ++i) FBatch[i] = Statement(i);
  FBatch[37] = " \t\r\n";
  FBatch[999] = Statement(999);
  size_t failed = 0;
  FWorker->ExecuteBatch(FBatch, &failed);
  EXPECT_EQ(failed, TDBThread::kNoSlot);
  const Rows rows = ReadRows(Output());
  ASSERT_EQ(rows.size(), 38u);
  EXPECT_EQ(rows[36][0].text, Utf16(StartAddress(36)));
  EXPECT_EQ(rows[37][0].text, Utf16(StartAddress(999)));
}

TEST_F(BatchExecutor, EmptyBatchCommitsNothing) {
  FWorker->ExecuteBatch(FBatch);
  EXPECT_EQ(RowsNow(), 0u);
}

TEST_F(BatchExecutor, FailingStatementRollsBackItsWholeBatchOnly) {
  for (size_t i = 0; i < 1000; ++i) FBatch[i] = Statement(i);
  FWorker->ExecuteBatch(FBatch);

  FBatch[499] = "insert into IP values('1','2',3)";
  size_t failed = 0;
  EXPECT_THROW(FWorker->ExecuteBatch(FBatch, &failed), database::ConnectionError);
  EXPECT_EQ(failed, 499u);
  EXPECT_EQ(RowsNow(), 1000u);

  // The connection stays open and usable.
  FBatch[499] = Statement(499);
  FWorker->ExecuteBatch(FBatch);
  EXPECT_EQ(RowsNow(), 2000u);
}

TEST_F(BatchExecutor, StatementsReachTheDatabaseDecodedFromGbk) {
  // "电信" in GBK, whatever the locale of the process.
  FBatch[0] = "insert into IP values('1.1.1.1','1.1.1.1',0,0,'\xB5\xE7\xD0\xC5','\x80')";
  FWorker->ExecuteBatch(FBatch);
  const Rows rows = ReadRows(Output());
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0][4].text, u"电信");
  EXPECT_EQ(rows[0][5].text, u"€");
}

}  // namespace
}  // namespace ipmdb::engine
