// Loading the translations.
#include "ui/Translation.h"

#include <QCoreApplication>
#include <QDir>
#include <QLibraryInfo>
#include <QTranslator>

namespace ipmdb::ui {
namespace {

// A translator that could not be loaded is dropped: its texts stay as they are.
void Install(const QString& name, const QString& folder) {
  auto* translator = new QTranslator(QCoreApplication::instance());
  if (translator->load(name, folder)) {
    QCoreApplication::installTranslator(translator);
  } else {
    delete translator;
  }
}

}  // namespace

QString TranslationsFolder() {
  return QDir(QCoreApplication::applicationDirPath()).absoluteFilePath(QStringLiteral("../share/ipmdb/translations"));
}

QLocale::Language InstallTranslations(const QLocale& locale) {
  if (locale.language() == QLocale::English) {
    Install(QStringLiteral("ipmdb_en"), TranslationsFolder());
    return QLocale::English;
  }
  Install(QStringLiteral("qtbase_zh_CN"), QLibraryInfo::path(QLibraryInfo::TranslationsPath));
  return QLocale::Chinese;
}

}  // namespace ipmdb::ui
