// What the window keeps between sessions (ui/core/SettingsKeys.h names it), as string values
// under HKEY_CURRENT_USER\Software\<organization>\<application>. Values are written through at
// once; a missing value reads as empty.
#pragma once

#include <string>

namespace ipmdb::ui::win32::settings {

std::string LastFolder();
void SetLastFolder(const std::string& folder);

std::string OutputPath();
void SetOutputPath(const std::string& path);

// The key under HKEY_CURRENT_USER that holds the values, for tests that start from none.
std::wstring SettingsKey();

}  // namespace ipmdb::ui::win32::settings
