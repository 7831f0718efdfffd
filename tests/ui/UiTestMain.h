// The main() of a window test program: the application is a TApplication, as in the program,
// so that exceptions escaping event handlers take the same road.
#pragma once

#include <QTest>

#include "ui/Application.h"

#define IPMDB_UI_TEST_MAIN(TestClass)                   \
  int main(int argc, char** argv) {                     \
    ipmdb::ui::TApplication application(argc, argv);    \
    TestClass test;                                     \
    return QTest::qExec(&test, argc, argv);             \
  }
