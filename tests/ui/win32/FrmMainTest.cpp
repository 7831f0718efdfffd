// The Windows window driven in this process as a user drives it, by window messages: a file named
// on the command line or dropped, the convert button clicked, paused and resumed, the window
// closed during a conversion, and errors whose boxes leave the window working. Message boxes are
// the system's own; a timer that their message loop serves reads and answers them. The log's
// clock is fixed, so whole log lines compare.
#include <windows.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "../../support/TempDir.h"
#include "gen-textdb/TextDbGenerator.h"
#include "jet/DatabaseReader.h"
#include "jet/IntegrityCheck.h"
#include "jet/PageSource.h"
#include "platform/win32/Wide.h"
#include "ui/win32/FrmMain.h"
#include "ui/win32/Settings.h"
#include "ui/win32/Shell.h"

using namespace ipmdb;
using namespace std::chrono_literals;
using ui::win32::TFrmMain;

namespace {

// Long enough for a conversion of tens of thousands of lines under Wine on a busy machine.
constexpr std::chrono::milliseconds kConversionTimeout = 120s;
// 05:41:27 local time, whatever the test machine's time zone.
std::chrono::system_clock::time_point FixedTime() {
  SYSTEMTIME local{2024, 12, 0, 8, 5, 41, 27, 0};
  SYSTEMTIME universal;
  TzSpecificLocalTimeToSystemTime(nullptr, &local, &universal);
  FILETIME file;
  SystemTimeToFileTime(&universal, &file);
  // FILETIME counts 100 ns from 1601; the system clock counts from 1970.
  constexpr int64_t kUnixEpochIn100ns = 116444736000000000;
  const int64_t ticks = (int64_t(file.dwHighDateTime) << 32 | file.dwLowDateTime) - kUnixEpochIn100ns;
  return std::chrono::system_clock::time_point(std::chrono::duration_cast<std::chrono::system_clock::duration>(
      std::chrono::duration<int64_t, std::ratio<1, 10000000>>(ticks)));
}

std::string Utf8(const std::filesystem::path& path) { return platform::Utf8FromWide(path.wstring()); }

// Serves this thread's messages, as the program's loop does, until `done` holds or the time is
// up; returns whether it holds. It looks after every message: a quick worker keeps the queue
// from ever running empty.
bool PumpUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
  const auto end = std::chrono::steady_clock::now() + timeout;
  while (!done()) {
    if (std::chrono::steady_clock::now() >= end) return false;
    MSG message;
    if (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    } else {
      MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
  }
  return true;
}

void Pump(std::chrono::milliseconds time) {
  PumpUntil([] { return false; }, time);
}

// The next message box this thread opens: what it says, whether the main window could still be
// used while it was open, and the button that answers it.
struct TBoxAnswer {
  int FButton = IDOK;
  HWND FMainWindow = nullptr;
  std::wstring FText;
  bool FMainWindowEnabled = false;
  bool FAnswered = false;
  std::chrono::steady_clock::time_point FAnsweredAt;
};
TBoxAnswer* gAnswer = nullptr;

// Serves every message box this thread opens, as it becomes active: the one a test expects gets
// its answer; any other fails the test and is closed, so that no box waits for a user who never
// comes. The answer is posted, so it reaches the box's own loop in turn with the worker's messages
// (a timer would wait until the queue is empty, which a fast conversion may never leave it).
LRESULT CALLBACK AnswerBox(int code, WPARAM wParam, LPARAM lParam) {
  const HWND box = reinterpret_cast<HWND>(wParam);
  wchar_t className[16] = {};
  if (code == HCBT_ACTIVATE && GetClassNameW(box, className, 16) > 0 && std::wstring(className) == L"#32770") {
    // The box's text is the static control with id 0xFFFF.
    wchar_t text[1024] = {};
    GetDlgItemTextW(box, 0xFFFF, text, 1024);
    if (gAnswer == nullptr || gAnswer->FAnswered) {
      ADD_FAILURE() << "unexpected message box: " << platform::Utf8FromWide(text);
      PostMessageW(box, WM_COMMAND, IDOK, 0);
    } else {
      gAnswer->FText = text;
      gAnswer->FMainWindowEnabled = IsWindowEnabled(gAnswer->FMainWindow) != FALSE;
      gAnswer->FAnswered = true;
      gAnswer->FAnsweredAt = std::chrono::steady_clock::now();
      PostMessageW(box, WM_COMMAND, WPARAM(gAnswer->FButton), 0);
    }
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

class Win32WindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    FBoxHook = SetWindowsHookExW(WH_CBT, AnswerBox, nullptr, GetCurrentThreadId());
    RegDeleteTreeW(HKEY_CURRENT_USER, ui::win32::settings::SettingsKey().c_str());
    ui::win32::SetShellTestHook([this](const std::string& target) {
      FOpened.push_back(target);
      return false;
    });
  }

  void TearDown() override {
    FWindow.reset();
    ui::win32::SetShellTestHook(nullptr);
    RegDeleteTreeW(HKEY_CURRENT_USER, ui::win32::settings::SettingsKey().c_str());
    gAnswer = nullptr;
    UnhookWindowsHookEx(FBoxHook);
  }

  void Open(const std::string& textDatabase = {}) {
    FWindow = std::make_unique<TFrmMain>(ui::win32::TStartOptions{Utf8(FFolder.Path()), textDatabase});
    FWindow->SetClock(FixedTime);
    ShowWindow(FWindow->Handle(), SW_SHOWNOACTIVATE);
  }

  // A generated text database of `lines` lines, under a Chinese name.
  std::string WriteTextDatabase(int lines) {
    std::string text;
    tools::GenerateTextDatabase({uint64_t(lines), 7}, text);
    const std::filesystem::path path = FFolder.Path() / std::filesystem::path(u8"文本库.txt");
    std::ofstream(path, std::ios::binary) << text;
    return Utf8(path);
  }

  HWND Control(int id) const { return GetDlgItem(FWindow->Handle(), id); }

  std::string Text(int id) const {
    wchar_t text[4096] = {};
    GetWindowTextW(Control(id), text, 4096);
    return platform::Utf8FromWide(text);
  }

  std::vector<std::string> Log() const {
    const HWND log = Control(ui::win32::kMemInfo);
    std::wstring text(size_t(GetWindowTextLengthW(log)) + 1, L'\0');
    text.resize(size_t(GetWindowTextW(log, text.data(), int(text.size()))));
    std::vector<std::string> lines;
    for (size_t start = 0;;) {
      const size_t end = text.find(L"\r\n", start);
      lines.push_back(platform::Utf8FromWide(text.substr(start, end - start)));
      if (end == std::wstring::npos) return lines;
      start = end + 2;
    }
  }

  void Click(int id) { SendMessageW(Control(id), BM_CLICK, 0, 0); }

  // Drops the files on the window as Explorer does: a DROPFILES block with wide names, each
  // ending in a null, and a null after the last.
  void Drop(const std::vector<std::string>& paths) {
    std::wstring names;
    for (const std::string& path : paths) names += platform::WideFromUtf8(path) + L'\0';
    names += L'\0';
    const HGLOBAL block = GlobalAlloc(GHND, sizeof(DROPFILES) + names.size() * sizeof(wchar_t));
    auto* files = static_cast<DROPFILES*>(GlobalLock(block));
    files->pFiles = sizeof(DROPFILES);
    files->fWide = TRUE;
    names.copy(reinterpret_cast<wchar_t*>(files + 1), names.size());
    GlobalUnlock(block);
    SendMessageW(FWindow->Handle(), WM_DROPFILES, WPARAM(block), 0);
  }

  // Answers the next message box with `button` once its loop serves the timer.
  void AnswerNextBox(int button) {
    FAnswer = TBoxAnswer();
    FAnswer.FButton = button;
    FAnswer.FMainWindow = FWindow->Handle();
    gAnswer = &FAnswer;
  }

  bool RunsToTheEnd() {
    return PumpUntil([this] { return Text(ui::win32::kBtnDo) == "转换"; }, kConversionTimeout);
  }

  std::string OutputPath() const { return Utf8(FFolder.Path() / std::filesystem::path(u8"MorvaneIP数据库.MDB")); }

  // The rows of table IP in the output database; the integrity check must find nothing wrong.
  uint64_t OutputRows() const {
    uint64_t problems = 0;
    jet::CheckDatabaseFile(OutputPath(), [&](const std::string& problem) {
      ADD_FAILURE() << problem;
      ++problems;
    });
    jet::MappedFilePageSource source(OutputPath());
    jet::DatabaseReader reader(source, OutputPath());
    const jet::CatalogEntry* table = reader.FindTable(u"IP");
    if (table == nullptr) return 0;
    uint64_t rows = 0;
    reader.ForEachRow(table->DefinitionPage(), [&](const std::vector<jet::StoredValue>&) { ++rows; });
    return rows;
  }

  testing_support::TempDir FFolder;
  std::unique_ptr<TFrmMain> FWindow;
  std::vector<std::string> FOpened;
  TBoxAnswer FAnswer;
  HHOOK FBoxHook = nullptr;
};

TEST_F(Win32WindowTest, ConvertsAFileNamedOnTheCommandLineToTheEnd) {
  const std::string path = WriteTextDatabase(3000);
  Open(path);
  ASSERT_TRUE(PumpUntil([&] { return Text(ui::win32::kEdtTxtDb) == path; }, 5s));

  Click(ui::win32::kBtnDo);
  EXPECT_EQ(Text(ui::win32::kBtnDo), "暂停");
  ASSERT_TRUE(RunsToTheEnd());

  const std::vector<std::string> expected = {
      "1 - 欢迎使用此程序[http://www.fenwarde.example/]",
      "2 - 转换开始,时间 - [05:41:27]",
      "3 - 加载第[1000/3000]条记录成功,时间 - [05:41:27]",
      "4 - 加载第[2000/3000]条记录成功,时间 - [05:41:27]",
      "5 - 加载第[3000/3000]条记录成功,时间 - [05:41:27]",
      "6 - 转换完成：3000 条记录，用时 0.0 秒 → " + OutputPath(),
  };
  EXPECT_EQ(Log(), expected);
  EXPECT_EQ(Text(ui::win32::kPbProgress), "100%");
  EXPECT_EQ(OutputRows(), 3000u);
}

TEST_F(Win32WindowTest, PausesAndResumesADroppedFile) {
  constexpr int kLines = 20000;
  Open();
  Drop({WriteTextDatabase(kLines)});
  Click(ui::win32::kBtnDo);
  ASSERT_TRUE(PumpUntil([&] { return Log().size() >= 3; }, kConversionTimeout));

  Click(ui::win32::kBtnDo);
  EXPECT_EQ(Text(ui::win32::kBtnDo), "启动");
  ASSERT_NE(FWindow->Worker(), nullptr);
  EXPECT_TRUE(FWindow->Worker()->Suspended());
  // A message handed over before the pause may still arrive; after that nothing does.
  Pump(200ms);
  const size_t linesWhilePaused = Log().size();
  Pump(700ms);
  EXPECT_EQ(Log().size(), linesWhilePaused);

  Click(ui::win32::kBtnDo);
  EXPECT_EQ(Text(ui::win32::kBtnDo), "暂停");
  ASSERT_TRUE(RunsToTheEnd());
  EXPECT_EQ(Log().back(), std::to_string(Log().size()) + " - 转换完成：20000 条记录，用时 0.0 秒 → " + OutputPath());
  EXPECT_EQ(OutputRows(), uint64_t(kLines));
}

TEST_F(Win32WindowTest, ClosingDuringAConversionEndsSoonAndKeepsWholeBatches) {
  constexpr int kLines = 200000;
  Open(WriteTextDatabase(kLines));
  ASSERT_TRUE(PumpUntil([&] { return !Text(ui::win32::kEdtTxtDb).empty(); }, 5s));
  Click(ui::win32::kBtnDo);
  ASSERT_TRUE(PumpUntil([&] { return Log().size() >= 3; }, kConversionTimeout));

  AnswerNextBox(IDYES);
  SendMessageW(FWindow->Handle(), WM_CLOSE, 0, 0);
  const auto closed = std::chrono::steady_clock::now();

  ASSERT_TRUE(FAnswer.FAnswered);
  EXPECT_EQ(platform::Utf8FromWide(FAnswer.FText), "转换尚未完成，确定退出？");
  EXPECT_EQ(FWindow->Handle(), nullptr);
  EXPECT_LT(closed - FAnswer.FAnsweredAt, 2s);
  const uint64_t rows = OutputRows();
  EXPECT_GE(rows, 1000u);
  EXPECT_LT(rows, uint64_t(kLines));
  EXPECT_EQ(rows % 1000, 0u);
}

// Each error shows in the log and in a box with no owner, while which the window stays enabled
// and goes on serving; once it is answered, the window converts as before.
TEST_F(Win32WindowTest, AnErrorBoxLeavesTheWindowWorking) {
  struct Case {
    const char* FName;
    std::function<void()> FCause;
    std::string FMessage;
  };
  const std::string missing = Utf8(FFolder.Path() / "missing.txt");
  const std::vector<Case> cases = {
      {"empty path", [this] { Click(ui::win32::kBtnDo); }, "文本IP数据库路径不能为空。"},
      {"missing file", [&] { Drop({missing}); }, "[" + missing + "]文件不存在。"},
  };
  for (const Case& error : cases) {
    SCOPED_TRACE(error.FName);
    Open();
    AnswerNextBox(IDOK);
    error.FCause();
    ASSERT_TRUE(FAnswer.FAnswered);
    EXPECT_EQ(platform::Utf8FromWide(FAnswer.FText), error.FMessage);
    EXPECT_TRUE(FAnswer.FMainWindowEnabled);
    EXPECT_EQ(Log().back(), "2 - " + error.FMessage);

    Drop({WriteTextDatabase(10)});
    Click(ui::win32::kBtnDo);
    ASSERT_TRUE(RunsToTheEnd());
    EXPECT_EQ(Log().back(), "5 - 转换完成：10 条记录，用时 0.0 秒 → " + OutputPath());
  }
}

// The link is a tab stop after the log; Space opens its address, and the log says so when
// nothing could open it. The folder button hands over the output's folder the same way.
TEST_F(Win32WindowTest, TheLinkAndTheFolderButtonGoToTheShell) {
  std::ofstream(std::filesystem::path(platform::WideFromUtf8(OutputPath())));
  Open();
  const HWND link = GetNextDlgTabItem(FWindow->Handle(), Control(ui::win32::kMemInfo), FALSE);
  ASSERT_EQ(link, Control(ui::win32::kHyperLink1));
  SendMessageW(link, WM_KEYDOWN, VK_SPACE, 0);
  Click(ui::win32::kBtnFolder);

  const std::vector<std::string> opened = {"http://www.fenwarde.example/", Utf8(FFolder.Path())};
  EXPECT_EQ(FOpened, opened);
  const std::vector<std::string> log = Log();
  ASSERT_EQ(log.size(), 3u);
  EXPECT_EQ(log[1], "2 - 无法打开浏览器，请复制网址自行访问：http://www.fenwarde.example/");
  EXPECT_EQ(log[2], "3 - 无法打开文件夹：" + Utf8(FFolder.Path()));
}

// On a move to a screen of another scale the controls, their fonts and the frame follow, at
// every scale from 100% to 250%.
TEST_F(Win32WindowTest, FollowsTheScreensScale) {
  Open();
  for (const int dpi : {144, 240, 96}) {
    SCOPED_TRACE(dpi);
    // The system suggests the frame; any rectangle within the screen does here.
    const RECT suggested{10 + dpi, 20, 410 + dpi, 320};
    SendMessageW(FWindow->Handle(), WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&suggested));

    RECT frame;
    GetWindowRect(FWindow->Handle(), &frame);
    EXPECT_TRUE(EqualRect(&frame, &suggested));
    RECT button;
    GetWindowRect(Control(ui::win32::kBtnDo), &button);
    MapWindowPoints(nullptr, FWindow->Handle(), reinterpret_cast<POINT*>(&button), 2);
    const RECT expected{MulDiv(407, dpi, 96), MulDiv(44, dpi, 96), MulDiv(407, dpi, 96) + MulDiv(54, dpi, 96),
                        MulDiv(44, dpi, 96) + MulDiv(23, dpi, 96)};
    EXPECT_TRUE(EqualRect(&button, &expected));
    LOGFONTW logFont{};
    GetObjectW(HGDIOBJ(SendMessageW(Control(ui::win32::kMemInfo), WM_GETFONT, 0, 0)), sizeof(logFont), &logFont);
    EXPECT_EQ(logFont.lfHeight, -MulDiv(13, dpi, 96));
  }
}

}  // namespace
