// The window's settings file.
#include "ui/Settings.h"

#include <QSettings>
#include <QVariant>

namespace ipmdb::ui::settings {
namespace {

constexpr char kLastFolderKey[] = "lastFolder";
constexpr char kOutputPathKey[] = "outputPath";

// Named apart from the application title, which is Chinese and may be translated.
QSettings Store() { return QSettings(QStringLiteral("ipmdb"), QStringLiteral("ipmdb")); }

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
