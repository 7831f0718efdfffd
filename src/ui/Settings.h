// What the window keeps between sessions, in the user's configuration folder
// ($XDG_CONFIG_HOME/ipmdb/ipmdb.conf): the folder of the last text database chosen and the output
// path the user chose. An empty value means none was kept.
#pragma once

#include <QString>

namespace ipmdb::ui::settings {

QString LastFolder();
void SetLastFolder(const QString& folder);

QString OutputPath();
void SetOutputPath(const QString& path);

}  // namespace ipmdb::ui::settings
