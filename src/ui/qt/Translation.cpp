// Choosing the language and loading Qt's translation.
#include "ui/qt/Translation.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

#include "ui/core/Texts.h"

namespace ipmdb::ui {

QLocale::Language InstallTranslations(const QLocale& locale) {
  if (locale.language() == QLocale::English) {
    texts::SetLanguage(texts::Language::English);
    return QLocale::English;
  }
  texts::SetLanguage(texts::Language::Chinese);
  // A translation that could not be loaded is dropped: Qt's texts stay English.
  auto* translator = new QTranslator(QCoreApplication::instance());
  if (translator->load(QStringLiteral("qtbase_zh_CN"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
    QCoreApplication::installTranslator(translator);
  } else {
    delete translator;
  }
  return QLocale::Chinese;
}

}  // namespace ipmdb::ui
