// ipmdb.exe: the window program for Windows. Shows the main window and runs the message loop
// until the window is closed; closing stops and releases a running or paused conversion. A file
// named on the command line is chosen as the text database at start.
#include <windows.h>
#include <objbase.h>

#include <exception>
#include <string>
#include <vector>

#include "platform/Process.h"
#include "ui/core/Texts.h"
#include "ui/win32/Dialogs.h"
#include "ui/win32/FrmMain.h"

int main(int argc, char** argv) {
  using namespace ipmdb;
  platform::PrepareProcess();
  // The shell's dialogs and ShellExecuteW expect a single-threaded apartment on the window's
  // thread.
  const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
  ui::texts::SetLanguage(ui::texts::LanguageOfEnvironment());
  const std::vector<std::string> arguments = platform::Utf8Arguments(argc, argv);
  int exitCode = 0;
  try {
    ui::win32::TFrmMain window({platform::ExecutableFolder(), arguments.size() > 1 ? arguments[1] : std::string()});
    window.SetOnDestroyed([] { PostQuitMessage(0); });
    ShowWindow(window.Handle(), SW_SHOWDEFAULT);
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
      // Tab, the arrow keys, Space and Enter move between and work the controls.
      if (window.Handle() != nullptr && IsDialogMessageW(window.Handle(), &message)) continue;
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
    exitCode = int(message.wParam);
  } catch (const std::exception& error) {
    // Only a window that could not be created comes here; the window reports everything else.
    ui::win32::ShowMsg(error.what(), ui::win32::kMsgError);
    exitCode = 1;
  }
  if (SUCCEEDED(com)) CoUninitialize();
  return exitCode;
}
