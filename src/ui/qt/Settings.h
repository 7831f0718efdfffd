// What the window keeps between sessions (ui/core/SettingsKeys.h), in the user's configuration
// folder ($XDG_CONFIG_HOME/ipmdb/ipmdb.conf). An empty value means none was kept.
#pragma once

#include <QString>

namespace ipmdb::ui::settings {

QString LastFolder();
void SetLastFolder(const QString& folder);

QString OutputPath();
void SetOutputPath(const QString& path);

}  // namespace ipmdb::ui::settings
