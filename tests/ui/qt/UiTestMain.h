// The main() of a window test program: the application is a TApplication, as in the program,
// so that exceptions escaping event handlers take the same road. The home and configuration
// folders are temporary ones, so that the settings and the documents folder the window uses are
// never the user's and every test program starts without settings.
#pragma once

#include <QTemporaryDir>
#include <QTest>

#include "ui/qt/Application.h"

#define IPMDB_UI_TEST_MAIN(TestClass)                                                  \
  int main(int argc, char** argv) {                                                    \
    const QTemporaryDir home;                                                          \
    qputenv("HOME", home.path().toLocal8Bit());                                        \
    qputenv("XDG_CONFIG_HOME", (home.path() + QStringLiteral("/.config")).toLocal8Bit()); \
    ipmdb::ui::TApplication application(argc, argv);                                   \
    TestClass test;                                                                    \
    return QTest::qExec(&test, argc, argv);                                            \
  }
