// What the Qt window adds to its core: the folder check it hands to the output's rules, and the
// language it chooses, with Qt's own translation for Qt's texts.
#include <QCoreApplication>
#include <QDir>
#include <QTemporaryDir>
#include <QTest>

#include "UiTestMain.h"
#include "ui/core/Texts.h"
#include "ui/qt/Folders.h"
#include "ui/qt/QtText.h"
#include "ui/qt/Translation.h"

using namespace ipmdb::ui;

class TFoldersAndLanguageTest : public QObject {
  Q_OBJECT

 private slots:
  // Tried for real: /proc refuses new files also to root, whatever its permission bits say.
  void FolderCheckCreatesAFile() {
    QTemporaryDir folder;
    QVERIFY(CanCreateFilesIn(ToUtf8(folder.path())));
    QCOMPARE(QDir(folder.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), QStringList());
    QVERIFY(!CanCreateFilesIn("/proc"));
    QVERIFY(!CanCreateFilesIn(ToUtf8(folder.filePath(QStringLiteral("missing")))));
  }

  // Chinese is the default, with Qt's own Chinese for its buttons; an English locale gets the
  // program's English texts.
  void InterfaceLanguageFollowsTheLocale() {
    QCOMPARE(InstallTranslations(QLocale(QLocale::German, QLocale::Germany)), QLocale::Chinese);
    QCOMPARE(ToQString(texts::Convert()), QStringLiteral("转换"));
    QCOMPARE(QCoreApplication::translate("QPlatformTheme", "OK"), QStringLiteral("确定"));
    QCOMPARE(InstallTranslations(QLocale(QLocale::English, QLocale::UnitedStates)), QLocale::English);
    QCOMPARE(ToQString(texts::Convert()), QStringLiteral("Convert"));
    QCOMPARE(ToQString(texts::QuitQuestion()), QStringLiteral("The conversion has not finished. Quit anyway?"));
  }
};

IPMDB_UI_TEST_MAIN(TFoldersAndLanguageTest)
#include "FoldersAndLanguageTest.moc"
