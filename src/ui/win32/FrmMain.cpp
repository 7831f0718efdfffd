// TFrmMain: start-up, the message handler, the log, choosing the text database, the output's
// place, the error reports and closing.
#include "ui/win32/FrmMain.h"

#include <commctrl.h>
#include <shellapi.h>

#include <optional>
#include <vector>

#include "engine/Branding.h"
#include "platform/Path.h"
#include "platform/SystemError.h"
#include "platform/win32/Wide.h"
#include "ui/core/LogLines.h"
#include "ui/core/OutputLocation.h"
#include "ui/core/Texts.h"
#include "ui/core/UiError.h"
#include "ui/win32/HyperLink.h"
#include "ui/win32/Settings.h"
#include "ui/win32/Shell.h"
#include "ui/win32/WindowText.h"

namespace ipmdb::ui::win32 {
namespace {

constexpr wchar_t kWindowClass[] = L"IpmdbFrmMain";

// The edit control breaks lines at CR LF only.
std::wstring WithCrLf(const std::string& text) {
  std::wstring lines;
  for (const wchar_t c : platform::WideFromUtf8(text)) {
    if (c == L'\n') lines += L'\r';
    lines += c;
  }
  return lines;
}

bool IsFile(const std::string& path) {
  const std::optional<std::wstring> name = platform::SystemPath(path);
  if (!name) return false;
  const DWORD attributes = GetFileAttributesW(name->c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

}  // namespace

TFrmMain::TFrmMain(const TStartOptions& options) {
  static const ATOM windowClass = [] {
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_PROGRESS_CLASS | ICC_BAR_CLASSES | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);
    WNDCLASSEXW frame{};
    frame.cbSize = sizeof(frame);
    frame.lpfnWndProc = WindowProc;
    frame.hInstance = GetModuleHandleW(nullptr);
    frame.hIcon = LoadIconW(frame.hInstance, L"MAINICON");
    frame.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    frame.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
    frame.lpszClassName = kWindowClass;
    return RegisterClassExW(&frame);
  }();
  (void)windowClass;

  const std::wstring caption =
      platform::WideFromUtf8(texts::ApplicationTitle() + " - " + std::string(engine::kMakerUrl));
  CreateWindowExW(WS_EX_ACCEPTFILES | WS_EX_CONTROLPARENT, kWindowClass, caption.c_str(),
                  WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN, CW_USEDEFAULT,
                  CW_USEDEFAULT, 0, 0, nullptr, nullptr, GetModuleHandleW(nullptr), this);
  if (FHandle == nullptr) throw UiError(platform::SystemFailure{int(GetLastError())}.Text());
  BuildLayout();
  PlaceOnScreen();
  RunGuarded([this, &options] { FormCreate(options); });
  if (!options.FTextDatabase.empty()) {
    FPathAtStart = platform::AbsolutePath(options.FTextDatabase);
    PostMessageW(FHandle, kMsgChooseAtStart, 0, 0);
  }
}

TFrmMain::~TFrmMain() {
  if (FHandle != nullptr) DestroyWindow(FHandle);
  StopWorker();
  DeleteObject(FWindowFont);
  DeleteObject(FLogFont);
}

LRESULT CALLBACK TFrmMain::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* frame = static_cast<TFrmMain*>(reinterpret_cast<const CREATESTRUCTW*>(lParam)->lpCreateParams);
    frame->FHandle = window;
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(frame));
  }
  auto* frame = reinterpret_cast<TFrmMain*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (frame == nullptr) return DefWindowProcW(window, message, wParam, lParam);
  // No exception may unwind through the system's frames: every handler's failure is reported
  // here, and the window goes on.
  LRESULT result = 0;
  frame->RunGuarded([&] { result = frame->HandleMessage(message, wParam, lParam); });
  if (message == WM_NCDESTROY) {
    SetWindowLongPtrW(window, GWLP_USERDATA, 0);
    frame->FHandle = nullptr;
    if (frame->FOnDestroyed) frame->FOnDestroyed();
  }
  return result;
}

LRESULT TFrmMain::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case engine::kMsgBatchCommitted:
    case engine::kMsgBatchFailed:
      OnProgress({int(message), int32_t(wParam), int32_t(lParam)});
      break;
    case kMsgServeProgress:
      FWorker.ServeProgress();
      return 0;
    case kMsgWorkerLoaded:
      FWorker.WorkerLoaded(uint64_t(wParam));
      return 0;
    case kMsgChooseAtStart:
      ChooseTextDatabase(FPathAtStart);
      return 0;
    case WM_COMMAND:
      HandleCommand(LOWORD(wParam), HIWORD(wParam));
      return 0;
    case WM_DROPFILES:
      OnDropFiles(HDROP(wParam));
      return 0;
    case WM_CLOSE:
      OnClose();
      return 0;
    case WM_ENDSESSION:
      // Windows is ending the session: the batches committed so far are kept.
      if (wParam != 0) StopWorker();
      return 0;
    case WM_DESTROY:
      StopWorker();
      return 0;
    case WM_PAINT:
      PaintPanels();
      return 0;
    case WM_CTLCOLORSTATIC:
      return ColorOf(HDC(wParam), HWND(lParam));
    case WM_DRAWITEM:
      DrawButton(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
      return TRUE;
    case WM_DPICHANGED:
      ChangeDpi(HIWORD(wParam), *reinterpret_cast<const RECT*>(lParam));
      return 0;
    default:
      break;
  }
  return DefWindowProcW(FHandle, message, wParam, lParam);
}

void TFrmMain::HandleCommand(int id, WORD code) {
  if (id == kHyperLink1 && code == kLinkOpenFailed) {
    AddLog(texts::NoBrowser(std::string(engine::kMakerUrl)));
    return;
  }
  if (code != BN_CLICKED) return;
  switch (id) {
    case kBtnSelTxt:
      btnseltxtClick();
      break;
    case kBtnOutput:
      btnoutputClick();
      break;
    case kBtnFolder:
      btnfolderClick();
      break;
    case kBtnDo:
      btndoClick();
      break;
    default:
      break;
  }
}

void TFrmMain::RunGuarded(const std::function<void()>& handler) {
  try {
    handler();
  } catch (const std::exception& error) {
    MyEventsException(error);
  } catch (...) {
    MyEventsException(UiError(texts::UnknownError()));
  }
}

void TFrmMain::MyEventsException(const std::exception& error) {
  // Should the report fail too, the second failure must not leave the window procedure.
  try {
    AddLog(error.what());
    ShowMsg(error.what(), kMsgError);
  } catch (...) {
    MessageBeep(MB_ICONERROR);
  }
}

void TFrmMain::FormCreate(const TStartOptions& options) {
  const std::string lastFolder = settings::LastFolder();
  FOpenTxtDlg.SetInitialDir(lastFolder.empty() ? options.FProgramFolder : lastFolder);

  const std::string chosen = settings::OutputPath();
  if (!chosen.empty()) {
    SetOutputPath(chosen);
    return;
  }
  const TOutputLocation location = DefaultOutputLocation(options.FProgramFolder, DocumentsFolder(), CanCreateFilesIn);
  SetOutputPath(location.FPath);
  if (location.FMovedToDocuments) AddLog(texts::OutputMovedToDocuments(options.FProgramFolder, location.FPath));
}

void TFrmMain::SetOutputPath(const std::string& path) {
  FOutputPath = path;
  // A path longer than the line loses its middle (SS_PATHELLIPSIS), keeping the root and the
  // file name; the tip shows it whole.
  std::wstring shown = platform::WideFromUtf8(path);
  SetWindowTextW(Label2, shown.c_str());
  TTTOOLINFOW tool{};
  tool.cbSize = TTTOOLINFOW_V2_SIZE;
  tool.hwnd = FHandle;
  tool.uId = reinterpret_cast<UINT_PTR>(Label2);
  tool.lpszText = shown.data();
  SendMessageW(FOutputTip, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&tool));
  EnableWindow(btnfolder, IsFile(path));
}

void TFrmMain::AddLog(const std::string& text) {
  const std::string entry = NumberedLogEntry(FLogLines, text);
  if (entry.empty()) return;
  FLogLines += LogLinesOf(entry);
  // Every entry but the first starts on a line of its own; the log never ends in a line break,
  // so the last line the edit shows is the last entry's.
  const std::wstring line = L"\r\n" + WithCrLf(entry);
  const int end = GetWindowTextLengthW(meminfo);
  SendMessageW(meminfo, EM_SETSEL, WPARAM(end), LPARAM(end));
  SendMessageW(meminfo, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(line.c_str()));
  SendMessageW(meminfo, EM_SCROLLCARET, 0, 0);
}

void TFrmMain::btnseltxtClick() {
  if (!FOpenTxtDlg.Execute(FHandle)) return;
  ChooseTextDatabase(FOpenTxtDlg.FileName());
}

void TFrmMain::ChooseTextDatabase(const std::string& path) {
  SetWindowTextW(edt_txt_db, platform::WideFromUtf8(path).c_str());
  FOpenTxtDlg.SetFileName(path);
  const std::string chosen = ChosenPath();
  const TTextDatabaseKind kind = KindOfTextDatabase(chosen);
  if (kind == TTextDatabaseKind::NoFile) throw UiError(texts::FileMissing(chosen));
  if (kind == TTextDatabaseKind::ReadOnce) AddLog(texts::ReadOnce(chosen));
  settings::SetLastFolder(FolderOfFile(chosen));
}

std::string TFrmMain::ChosenPath() const { return platform::Utf8FromWide(WindowText(edt_txt_db)); }

void TFrmMain::OnDropFiles(HDROP drop) {
  std::vector<std::string> paths;
  const UINT count = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
  for (UINT i = 0; i < count; ++i) {
    std::wstring path(size_t(DragQueryFileW(drop, i, nullptr, 0)) + 1, L'\0');
    path.resize(DragQueryFileW(drop, i, path.data(), UINT(path.size())));
    paths.push_back(platform::Utf8FromWide(path));
  }
  DragFinish(drop);
  const std::optional<std::string> path = DroppedTextDatabase(paths);
  if (path) ChooseTextDatabase(*path);
}

void TFrmMain::btnoutputClick() {
  const std::optional<std::string> chosen = AskOutputPath(FHandle, FOutputPath);
  if (!chosen) return;
  SetOutputPath(*chosen);
  settings::SetOutputPath(*chosen);
}

void TFrmMain::btnfolderClick() {
  const std::string folder = FolderOfFile(FOutputPath);
  if (!OpenWithShell(folder)) AddLog(texts::NoFileManager(folder));
}

// During a conversion the user is asked first. Closing stops and releases the worker, keeping
// the batches committed so far.
void TFrmMain::OnClose() {
  if (AsksBeforeClosing(FRunState, FWorker.View()) && !AskYesNo(FHandle, texts::QuitQuestion())) return;
  StopWorker();
  DestroyWindow(FHandle);
}

}  // namespace ipmdb::ui::win32
