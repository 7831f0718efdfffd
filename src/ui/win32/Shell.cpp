// The shell's services for the window.
#include "ui/win32/Shell.h"

#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>

#include <optional>
#include <utility>

#include "platform/win32/Wide.h"

namespace ipmdb::ui::win32 {
namespace {

// ShellExecuteW reports success by a value above 32; smaller values are error codes.
constexpr INT_PTR kShellExecuteSucceeded = 32;

TShellHook& Hook() {
  static TShellHook hook;
  return hook;
}

}  // namespace

bool OpenWithShell(const std::string& target) {
  if (Hook()) return Hook()(target);
  const std::wstring wide = platform::WideFromUtf8(target);
  const HINSTANCE result = ShellExecuteW(nullptr, L"open", wide.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
  return reinterpret_cast<INT_PTR>(result) > kShellExecuteSucceeded;
}

void SetShellTestHook(TShellHook hook) { Hook() = std::move(hook); }

std::string DocumentsFolder() {
  for (const KNOWNFOLDERID& id : {FOLDERID_Documents, FOLDERID_Profile}) {
    PWSTR path = nullptr;
    const HRESULT found = SHGetKnownFolderPath(id, KF_FLAG_DEFAULT, nullptr, &path);
    std::string folder = SUCCEEDED(found) ? platform::Utf8FromWide(path) : std::string();
    CoTaskMemFree(path);
    if (!folder.empty()) return folder;
  }
  return {};
}

bool CanCreateFilesIn(const std::string& folder) {
  const std::optional<std::wstring> probe = platform::SystemPath(
      folder + "\\.ipmdb-probe-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(GetTickCount64()));
  if (!probe) return false;
  const HANDLE file = CreateFileW(probe->c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                  FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  CloseHandle(file);
  return true;
}

}  // namespace ipmdb::ui::win32
