// What a window keeps between sessions, by name; each window stores it where programs on its
// system keep such things. The Qt window: a QSettings file, $XDG_CONFIG_HOME/<organization>/
// <application>.conf. A Windows window: string values (REG_SZ) under
// HKEY_CURRENT_USER\Software\<organization>\<application>, where QSettings would put them there.
// Values are UTF-8 paths; an empty or missing value means none was kept. A window writes a value
// through at once, so that a program ended by a signal or a crash keeps it too.
#pragma once

namespace ipmdb::ui::settings {

// Named apart from the application title, which is Chinese and may be translated.
inline constexpr char kOrganization[] = "ipmdb";
inline constexpr char kApplication[] = "ipmdb";

// The folder of the last text database chosen: the open dialog's first folder next time.
inline constexpr char kLastFolderKey[] = "lastFolder";
// The output path the user chose with "更改…"; without one the default (OutputLocation.h) holds.
inline constexpr char kOutputPathKey[] = "outputPath";

}  // namespace ipmdb::ui::settings
