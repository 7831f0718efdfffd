// The window's settings file.
#include "ui/qt/Settings.h"

#include <QSettings>
#include <QVariant>

#include "ui/core/SettingsKeys.h"

namespace ipmdb::ui::settings {
namespace {

QSettings Store() { return QSettings(QString::fromLatin1(kOrganization), QString::fromLatin1(kApplication)); }

QString Read(const char* key) { return Store().value(QString::fromLatin1(key)).toString(); }

// Written through at once, so that a program ended by a signal or a crash keeps it too.
void Write(const char* key, const QString& value) {
  QSettings store = Store();
  store.setValue(QString::fromLatin1(key), value);
  store.sync();
}

}  // namespace

QString LastFolder() { return Read(kLastFolderKey); }
void SetLastFolder(const QString& folder) { Write(kLastFolderKey, folder); }

QString OutputPath() { return Read(kOutputPathKey); }
void SetOutputPath(const QString& path) { Write(kOutputPathKey, path); }

}  // namespace ipmdb::ui::settings
