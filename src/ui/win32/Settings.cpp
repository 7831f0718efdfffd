// The window's settings in the registry.
#include "ui/win32/Settings.h"

#include <windows.h>

#include "platform/win32/Wide.h"
#include "ui/core/SettingsKeys.h"

namespace ipmdb::ui::win32::settings {
namespace {

std::string Read(const char* name) {
  const std::wstring key = SettingsKey();
  const std::wstring value = platform::WideFromUtf8(name);
  DWORD bytes = 0;
  if (RegGetValueW(HKEY_CURRENT_USER, key.c_str(), value.c_str(), RRF_RT_REG_SZ, nullptr, nullptr, &bytes) !=
      ERROR_SUCCESS) {
    return {};
  }
  std::wstring text(bytes / sizeof(wchar_t), L'\0');
  if (RegGetValueW(HKEY_CURRENT_USER, key.c_str(), value.c_str(), RRF_RT_REG_SZ, nullptr, text.data(), &bytes) !=
      ERROR_SUCCESS) {
    return {};
  }
  // The size counts the terminating null, which the registry hands back too.
  text.resize(wcsnlen(text.c_str(), text.size()));
  return platform::Utf8FromWide(text);
}

// A setting that cannot be written is lost for the next session only; the window goes on.
void Write(const char* name, const std::string& text) {
  const std::wstring value = platform::WideFromUtf8(name);
  const std::wstring data = platform::WideFromUtf8(text);
  (void)RegSetKeyValueW(HKEY_CURRENT_USER, SettingsKey().c_str(), value.c_str(), REG_SZ, data.c_str(),
                        DWORD((data.size() + 1) * sizeof(wchar_t)));
}

}  // namespace

std::wstring SettingsKey() {
  return L"Software\\" + platform::WideFromUtf8(ui::settings::kOrganization) + L"\\" +
         platform::WideFromUtf8(ui::settings::kApplication);
}

std::string LastFolder() { return Read(ui::settings::kLastFolderKey); }
void SetLastFolder(const std::string& folder) { Write(ui::settings::kLastFolderKey, folder); }

std::string OutputPath() { return Read(ui::settings::kOutputPathKey); }
void SetOutputPath(const std::string& path) { Write(ui::settings::kOutputPathKey, path); }

}  // namespace ipmdb::ui::win32::settings
