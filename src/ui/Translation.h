// The interface language. Chinese is the source language of every text (Texts.h) and the
// default; an English locale gets the English translation. Qt's own texts (the file dialog, the
// buttons of the boxes, the context menus) follow the same language: for Chinese, Qt's Chinese
// translation is loaded, as Qt itself speaks English.
#pragma once

#include <QLocale>
#include <QString>

namespace ipmdb::ui {

// Where the program's translations (ipmdb_<language>.qm) are: share/ipmdb/translations beside
// the program's bin folder, in the build tree as when installed.
QString TranslationsFolder();

// Installs the translators for `locale` into the application (which owns them). Returns the
// language the interface speaks: QLocale::English or QLocale::Chinese.
QLocale::Language InstallTranslations(const QLocale& locale);

}  // namespace ipmdb::ui
