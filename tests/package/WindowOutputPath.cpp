// window-output-path PROGRAM: starts the window PROGRAM as a user would, waits until its window
// shows, prints the output database's path the window shows, and closes the window. The
// installer's test runs it on the installed ipmdb.exe to see where that window writes.
#include <windows.h>

#include <ostream>
#include <string>
#include <vector>

#include "platform/Console.h"
#include "platform/Process.h"
#include "platform/win32/Wide.h"
#include "ui/win32/FrmMain.h"

namespace {

constexpr DWORD kWaitMilliseconds = 30000;
constexpr DWORD kPollMilliseconds = 100;

struct TSearch {
  DWORD FProcessId = 0;
  HWND FWindow = nullptr;
};

// The program's main window: the visible top-level window of its process that has the output
// path's label. It becomes visible once its controls are filled.
BOOL CALLBACK FindMainWindow(HWND window, LPARAM parameter) {
  TSearch& search = *reinterpret_cast<TSearch*>(parameter);
  DWORD processId = 0;
  GetWindowThreadProcessId(window, &processId);
  if (processId != search.FProcessId || !IsWindowVisible(window) ||
      GetDlgItem(window, ipmdb::ui::win32::kLabel2) == nullptr) {
    return TRUE;
  }
  search.FWindow = window;
  return FALSE;
}

std::string TextOf(HWND control) {
  std::wstring text(size_t(GetWindowTextLengthW(control)) + 1, L'\0');
  text.resize(size_t(GetWindowTextW(control, text.data(), int(text.size()))));
  return ipmdb::platform::Utf8FromWide(text);
}

int Fail(const std::string& message) {
  ipmdb::platform::ConsoleErr() << "window-output-path: " << message << std::endl;
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  ipmdb::platform::PrepareProcess();
  const std::vector<std::string> args = ipmdb::platform::Utf8Arguments(argc, argv);
  if (args.size() != 2) return Fail("usage: window-output-path PROGRAM");

  std::wstring commandLine = L"\"" + ipmdb::platform::WideFromUtf8(args[1]) + L"\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                      &process)) {
    return Fail("cannot start " + args[1]);
  }
  CloseHandle(process.hThread);

  TSearch search;
  search.FProcessId = process.dwProcessId;
  for (DWORD waited = 0; search.FWindow == nullptr && waited < kWaitMilliseconds; waited += kPollMilliseconds) {
    if (WaitForSingleObject(process.hProcess, kPollMilliseconds) == WAIT_OBJECT_0) break;
    EnumWindows(FindMainWindow, LPARAM(&search));
  }
  if (search.FWindow == nullptr) {
    TerminateProcess(process.hProcess, 1);
    CloseHandle(process.hProcess);
    return Fail(args[1] + " showed no window");
  }
  const std::string outputPath = TextOf(GetDlgItem(search.FWindow, ipmdb::ui::win32::kLabel2));
  PostMessageW(search.FWindow, WM_CLOSE, 0, 0);
  const bool ended = WaitForSingleObject(process.hProcess, kWaitMilliseconds) == WAIT_OBJECT_0;
  CloseHandle(process.hProcess);
  if (!ended) return Fail(args[1] + " did not end when its window was closed");
  ipmdb::platform::ConsoleOut() << outputPath << std::endl;
  return 0;
}
