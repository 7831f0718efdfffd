// The interface language. Chinese is the source language of every text (ui/core/Texts.h) and the
// default; an English locale gets the English texts. Qt's own texts (the file dialog, the
// buttons of the boxes, the context menus) follow the same language: for Chinese, Qt's Chinese
// translation is loaded, as Qt itself speaks English.
#pragma once

#include <QLocale>

namespace ipmdb::ui {

// Chooses the core's language for `locale` and installs Qt's own translation into the
// application (which owns it). Returns the language the interface speaks: QLocale::English or
// QLocale::Chinese.
QLocale::Language InstallTranslations(const QLocale& locale);

}  // namespace ipmdb::ui
