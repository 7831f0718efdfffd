// The convert button's table, the closing question, the end of a run, what a chosen or dropped
// name is, the folder of a file, the window's place and the output's default place: the window's
// decisions, checked without a window; and the worker slot's hand-over, with a recording window.
#include "ui/core/ConversionControl.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "ui/core/OutputLocation.h"
#include "ui/core/WindowPlace.h"
#include "ui/core/WorkerSlot.h"

#ifndef _WIN32
#include <sys/stat.h>
#endif

namespace ipmdb::ui {
namespace {

namespace fs = std::filesystem;

// The control's states, by the caption that shows them: "转换", "暂停", "启动".
constexpr TRunState kConvert = TRunState::Idle;
constexpr TRunState kPause = TRunState::Running;
constexpr TRunState kStart = TRunState::Paused;
using enum TWorkerState;

std::optional<TWorkerView> Worker(TWorkerState state, bool suspended) { return TWorkerView{state, suspended}; }
const std::optional<TWorkerView> kEmptySlot;

std::string Utf8(const fs::path& path) {
  const std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
}

fs::path PathOf(const std::string& utf8) { return fs::path(std::u8string(utf8.begin(), utf8.end())); }

// A fresh folder under the system's temporary folder, named after the test (ctest runs each test
// in a process of its own), removed with everything in it.
class TempFolder {
 public:
  TempFolder()
      : FPath(fs::temp_directory_path() /
              (std::string("ipmdb-core-") + testing::UnitTest::GetInstance()->current_test_info()->name())) {
    fs::remove_all(FPath);
    fs::create_directories(FPath);
  }
  ~TempFolder() {
    std::error_code ignored;
    fs::remove_all(FPath, ignored);
  }
  std::string File(const std::string& name) const { return Utf8(FPath) + "/" + name; }
  std::string Path() const { return Utf8(FPath); }

 private:
  fs::path FPath;
};

TEST(ConversionControlTest, ButtonFollowsItsTableTopToBottom) {
  struct Case {
    const char* FName;
    TRunState FState;
    std::optional<TWorkerView> FWorker;
    TDoAction FAction;
    TRunState FAfter;
  };
  const Case cases[] = {
      {"convert, empty slot: first start", kConvert, kEmptySlot, TDoAction::StartFirst, kPause},
      {"start, empty slot: create", kStart, kEmptySlot, TDoAction::Create, kPause},
      {"start, failed: replace", kStart, Worker(Failed, false), TDoAction::Replace, kPause},
      {"start, failed while paused: replace", kStart, Worker(Failed, true), TDoAction::Replace, kPause},
      {"start, running and paused: resume", kStart, Worker(Running, true), TDoAction::Resume, kPause},
      {"start, created and paused: resume", kStart, Worker(Created, true), TDoAction::Resume, kPause},
      {"start, finished, not paused: nothing", kStart, Worker(Finished, false), TDoAction::Nothing, kPause},
      {"start, created, not paused: nothing", kStart, Worker(Created, false), TDoAction::Nothing, kPause},
      {"pause, failed: clear", kPause, Worker(Failed, false), TDoAction::Clear, kStart},
      {"pause, running: pause", kPause, Worker(Running, false), TDoAction::Pause, kStart},
      {"pause, created: nothing", kPause, Worker(Created, false), TDoAction::Nothing, kStart},
      {"pause, finished: nothing", kPause, Worker(Finished, false), TDoAction::Nothing, kStart},
      {"convert after a completed run: restart", kConvert, Worker(Finished, false), TDoAction::Restart, kPause},
      {"convert after a refused batch: restart", kConvert, Worker(Failed, false), TDoAction::Restart, kPause},
      {"convert before the worker has stored its end: restart", kConvert, Worker(Running, false),
       TDoAction::Restart, kPause},
      {"pause, empty slot: unreachable, nothing", kPause, kEmptySlot, TDoAction::Nothing, kPause},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.FName);
    const TDoDecision decision = DecideDoAction(c.FState, c.FWorker);
    EXPECT_EQ(decision.FAction, c.FAction);
    EXPECT_EQ(decision.FState, c.FAfter);
  }
}

TEST(ConversionControlTest, CaptionShowsTheState) {
  EXPECT_EQ(CaptionOf(kConvert), "转换");
  EXPECT_EQ(CaptionOf(kPause), "暂停");
  EXPECT_EQ(CaptionOf(kStart), "启动");
}

TEST(ConversionControlTest, ClosingAsksOnlyWhileAConversionIsUnderWay) {
  struct Case {
    const char* FName;
    TRunState FState;
    std::optional<TWorkerView> FWorker;
    bool FAsks;
  };
  const Case cases[] = {
      {"nothing started", kConvert, kEmptySlot, false},
      {"running", kPause, Worker(Running, false), true},
      {"paused", kStart, Worker(Running, true), true},
      {"just created", kPause, Worker(Created, false), true},
      {"run ended, button back at convert", kConvert, Worker(Running, false), false},
      {"finished", kPause, Worker(Finished, false), false},
      {"failed", kPause, Worker(Failed, false), false},
      {"failed worker cleared", kStart, kEmptySlot, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.FName);
    EXPECT_EQ(AsksBeforeClosing(c.FState, c.FWorker), c.FAsks);
  }
}

TEST(ConversionControlTest, RunEndsWithItsLastBatchOrARefusedOne) {
  const int committed = engine::kMsgBatchCommitted;
  EXPECT_EQ(RunEndOf({committed, 1000, 2500}), TRunEnd::None);
  EXPECT_EQ(RunEndOf({committed, 2500, 2500}), TRunEnd::Completed);
  EXPECT_EQ(RunEndOf({engine::kMsgBatchFailed, 1000, 2500}), TRunEnd::Refused);
  EXPECT_EQ(RunEndOf({committed + 2, 1, 1}), TRunEnd::None);
}

// Paused while its text was loaded, the run waits for "启动".
TEST(ConversionControlTest, LoadedWorkerRunsUnlessPausedMeanwhile) {
  EXPECT_TRUE(RunsOnceLoaded(kPause));
  EXPECT_FALSE(RunsOnceLoaded(kStart));
}

// What the command line converts the window takes too; a FIFO or a device is read once.
TEST(ConversionControlTest, ChosenNamesAreFilesInputsReadOnceOrNothing) {
  const TempFolder folder;
  const std::string file = folder.File("库.txt");
  std::ofstream(PathOf(file)) << "1.0.0.0 1.0.0.255 地区 地点\n";
  EXPECT_EQ(KindOfTextDatabase(file), TTextDatabaseKind::File);
  EXPECT_EQ(KindOfTextDatabase(folder.Path()), TTextDatabaseKind::NoFile);
  EXPECT_EQ(KindOfTextDatabase(folder.File("没有.txt")), TTextDatabaseKind::NoFile);
#ifdef _WIN32
  EXPECT_EQ(KindOfTextDatabase("NUL"), TTextDatabaseKind::ReadOnce);
#else
  const std::string fifo = folder.File("管道.txt");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  EXPECT_EQ(KindOfTextDatabase(fifo), TTextDatabaseKind::ReadOnce);
  EXPECT_EQ(KindOfTextDatabase("/dev/null"), TTextDatabaseKind::ReadOnce);
#endif
}

TEST(ConversionControlTest, OnlyASingleDroppedTextFileIsTaken) {
  struct Case {
    const char* FName;
    std::vector<std::string> FPaths;
    std::optional<std::string> FTaken;
  };
  const Case cases[] = {
      {"a .txt file", {"/data/库.txt"}, "/data/库.txt"},
      {"upper-case suffix", {"/d/A.TXT"}, "/d/A.TXT"},
      {"another suffix", {"/d/a.mdb"}, std::nullopt},
      {"a dot in the folder's name only", {"/d.txt/a"}, std::nullopt},
      {"a longer suffix", {"/d/a.txt2"}, std::nullopt},
      {"two files", {"/data/库.txt", "/data/库.txt"}, std::nullopt},
      {"a web address", {""}, std::nullopt},
      {"nothing", {}, std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.FName);
    EXPECT_EQ(DroppedTextDatabase(c.FPaths), c.FTaken);
  }
}

TEST(ConversionControlTest, FolderOfAFileKeepsTheSeparatorOnlyAtTheRoot) {
#ifdef _WIN32
  EXPECT_EQ(FolderOfFile("C:\\ipmdb.exe"), "C:\\");
  EXPECT_EQ(FolderOfFile("C:\\程序\\ipmdb.exe"), "C:\\程序");
  EXPECT_EQ(FolderOfFile("C:/用户/程序/ipmdb.exe"), "C:\\用户\\程序");
#else
  EXPECT_EQ(FolderOfFile("/ipmdb"), "/");
  EXPECT_EQ(FolderOfFile("/opt/ipmdb"), "/opt");
  EXPECT_EQ(FolderOfFile("/home/用户/程序/ipmdb"), "/home/用户/程序");
#endif
  // A relative name lies in the working folder.
  EXPECT_EQ(PathOf(FolderOfFile("库.txt")), fs::current_path());
}

// 1280 x 800 at a scale factor of 1.5 leaves 853 x 533 device-independent pixels, less a panel.
TEST(ConversionControlTest, WindowIsPlacedInsideTheAvailableArea) {
  struct Case {
    const char* FName;
    TRect FAvailable;
    TPoint FPlaced;
  };
  const TSize frame{486, 359};
  const Case cases[] = {
      {"fits where the layout puts it", {0, 0, 1920, 1040}, {257, 259}},
      {"1280x800 at 1.5", {0, 0, 853, 509}, {257, 150}},
      {"screen to the right of another", {1920, 0, 853, 509}, {1920, 150}},
      {"larger than the screen keeps its top left inside", {0, 24, 400, 300}, {0, 24}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.FName);
    EXPECT_EQ(PlaceInside(kWindowTopLeft, frame, c.FAvailable), c.FPlaced);
  }
}

TEST(ConversionControlTest, OutputGoesToTheProgramFolderOnlyWhenFilesCanBeCreatedThere) {
#ifdef _WIN32
  const std::string program = "C:\\Program Files\\ipmdb", documents = "C:\\users\\用户\\Documents\\";
  const std::string portable = program + "\\MorvaneIP数据库.MDB", moved = documents + "MorvaneIP数据库.MDB";
#else
  const std::string program = "/opt/ipmdb", documents = "/home/用户/文档/";
  const std::string portable = program + "/MorvaneIP数据库.MDB", moved = documents + "MorvaneIP数据库.MDB";
#endif
  for (const bool writable : {true, false}) {
    std::vector<std::string> asked;
    const TOutputLocation location = DefaultOutputLocation(program, documents, [&](const std::string& folder) {
      asked.push_back(folder);
      return writable;
    });
    EXPECT_EQ(location.FPath, writable ? portable : moved);
    EXPECT_EQ(location.FMovedToDocuments, !writable);
    EXPECT_EQ(asked, std::vector<std::string>{program});
  }
}

// The window's side of the worker slot: what it is asked to do.
class TRecordingWindow final : public TRunWindow {
 public:
  void LogStart() override {}
  TRunState RunState() const override { return FState; }
  void SetRunState(TRunState state) override { FState = state; }
  void RunBegins() override { ++FRunsBegun; }
  void EmptyRunEnded() override { ++FEmptyRunsEnded; }

  TRunState FState = kConvert;
  int FRunsBegun = 0;
  int FEmptyRunsEnded = 0;
};

// The hand-overs the starter threads post, in the order a window's queue would hold them.
class THandOvers {
 public:
  void Post(uint64_t number) {
    const std::lock_guard lock(FMutex);
    FNumbers.push_back(number);
    FPosted.notify_one();
  }
  uint64_t Next() {
    std::unique_lock lock(FMutex);
    FPosted.wait(lock, [this] { return !FNumbers.empty(); });
    const uint64_t number = FNumbers.front();
    FNumbers.pop_front();
    return number;
  }

 private:
  std::mutex FMutex;
  std::condition_variable FPosted;
  std::deque<uint64_t> FNumbers;
};

class TSilentReceiver final : public engine::TProgressReceiver {
 public:
  void HandleProgress(const engine::ProgressMessage&) override {}
};

// A start's worker is taken over by its own hand-over only: a start released before its hand-over
// is forgotten, and a failed start empties the slot and puts the control back as it was.
TEST(ConversionControlTest, SlotTakesOverOnlyItsCurrentStartAndUndoesAFailedOne) {
  const TempFolder folder;
  std::ofstream(PathOf(folder.File("empty.txt")));
  const std::string missing = folder.File("missing.txt");
  struct TCase {
    std::string FTextDatabase;
    bool FReleasedStartBefore;
    bool FThrows;
    TRunState FState;
    bool FHasWorker;
    int FRunsBegun;
  };
  const TCase cases[] = {
      {folder.File("empty.txt"), false, false, kPause, true, 1},
      {folder.File("empty.txt"), true, false, kPause, true, 1},
      {missing, false, true, kConvert, false, 0},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.FTextDatabase + (c.FReleasedStartBefore ? " after a released start" : ""));
    TRecordingWindow window;
    TSilentReceiver receiver;
    THandOvers handOvers;
    TWorkerSlot slot(window, receiver, [&handOvers](uint64_t number) { handOvers.Post(number); });
    if (c.FReleasedStartBefore) {
      slot.DoClick(missing, folder.File("out.mdb"));
      slot.Stop();
      window.FState = kConvert;
    }
    slot.DoClick(c.FTextDatabase, folder.File("out.mdb"));
    if (c.FReleasedStartBefore) {
      slot.WorkerLoaded(handOvers.Next());
      EXPECT_EQ(window.FRunsBegun, 0);
      EXPECT_TRUE(slot.View().has_value());
    }
    const uint64_t number = handOvers.Next();
    if (c.FThrows) {
      EXPECT_ANY_THROW(slot.WorkerLoaded(number));
    } else {
      slot.WorkerLoaded(number);
    }
    EXPECT_EQ(window.FState, c.FState);
    EXPECT_EQ(slot.Worker() != nullptr, c.FHasWorker);
    EXPECT_EQ(window.FRunsBegun, c.FRunsBegun);
    // A text database without a line ends its run as soon as it is loaded.
    EXPECT_EQ(window.FEmptyRunsEnded, c.FRunsBegun);
  }
}

}  // namespace
}  // namespace ipmdb::ui
