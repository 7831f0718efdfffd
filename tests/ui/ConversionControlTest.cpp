// The convert button's table, the closing question, the end of a run, the progress text, dropped
// files, the window's place, the output's default place, the texts of the log's lines, the log
// time stamp, the dialog's initial folder and the interface language: the window's decisions,
// checked without a window.
#include <sys/stat.h>

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <optional>

#include "UiTestMain.h"
#include "ui/ConversionControl.h"
#include "ui/LogLines.h"
#include "ui/LogTime.h"
#include "ui/OutputLocation.h"
#include "ui/Texts.h"
#include "ui/Translation.h"
#include "ui/uFrmMain.h"

using namespace ipmdb::ui;

Q_DECLARE_METATYPE(std::optional<ipmdb::ui::TWorkerView>)
Q_DECLARE_METATYPE(ipmdb::ui::TDoAction)
Q_DECLARE_METATYPE(ipmdb::ui::TRunEnd)
Q_DECLARE_METATYPE(ipmdb::ui::TRunState)

namespace {

// The control's states, by the caption that shows them: "转换", "暂停", "启动".
constexpr TRunState kConvert = TRunState::Idle;
constexpr TRunState kPause = TRunState::Running;
constexpr TRunState kStart = TRunState::Paused;
using enum TWorkerState;

std::optional<TWorkerView> Worker(TWorkerState state, bool suspended) { return TWorkerView{state, suspended}; }

}  // namespace

class TConversionControlTest : public QObject {
  Q_OBJECT

 private slots:
  void ButtonFollowsItsTableTopToBottom_data() {
    QTest::addColumn<TRunState>("state");
    QTest::addColumn<std::optional<TWorkerView>>("worker");
    QTest::addColumn<TDoAction>("action");
    QTest::addColumn<TRunState>("after");
    const std::optional<TWorkerView> none;
    QTest::newRow("convert, empty slot: first start") << kConvert << none << TDoAction::StartFirst << kPause;
    QTest::newRow("start, empty slot: create") << kStart << none << TDoAction::Create << kPause;
    QTest::newRow("start, failed: replace") << kStart << Worker(Failed, false) << TDoAction::Replace << kPause;
    QTest::newRow("start, failed while paused: replace")
        << kStart << Worker(Failed, true) << TDoAction::Replace << kPause;
    QTest::newRow("start, running and paused: resume")
        << kStart << Worker(Running, true) << TDoAction::Resume << kPause;
    QTest::newRow("start, created and paused: resume")
        << kStart << Worker(Created, true) << TDoAction::Resume << kPause;
    QTest::newRow("start, finished, not paused: nothing")
        << kStart << Worker(Finished, false) << TDoAction::Nothing << kPause;
    QTest::newRow("start, created, not paused: nothing")
        << kStart << Worker(Created, false) << TDoAction::Nothing << kPause;
    QTest::newRow("pause, failed: clear") << kPause << Worker(Failed, false) << TDoAction::Clear << kStart;
    QTest::newRow("pause, running: pause") << kPause << Worker(Running, false) << TDoAction::Pause << kStart;
    QTest::newRow("pause, created: nothing") << kPause << Worker(Created, false) << TDoAction::Nothing << kStart;
    QTest::newRow("pause, finished: nothing")
        << kPause << Worker(Finished, false) << TDoAction::Nothing << kStart;
    QTest::newRow("convert after a completed run: restart")
        << kConvert << Worker(Finished, false) << TDoAction::Restart << kPause;
    QTest::newRow("convert after a refused batch: restart")
        << kConvert << Worker(Failed, false) << TDoAction::Restart << kPause;
    QTest::newRow("convert before the worker has stored its end: restart")
        << kConvert << Worker(Running, false) << TDoAction::Restart << kPause;
    QTest::newRow("pause, empty slot: unreachable, nothing") << kPause << none << TDoAction::Nothing << kPause;
  }

  void ButtonFollowsItsTableTopToBottom() {
    QFETCH(TRunState, state);
    QFETCH(std::optional<TWorkerView>, worker);
    QFETCH(TDoAction, action);
    QFETCH(TRunState, after);
    const TDoDecision decision = DecideDoAction(state, worker);
    QCOMPARE(decision.FAction, action);
    QCOMPARE(decision.FState, after);
  }

  void ClosingAsksOnlyWhileAConversionIsUnderWay_data() {
    QTest::addColumn<TRunState>("state");
    QTest::addColumn<std::optional<TWorkerView>>("worker");
    QTest::addColumn<bool>("asks");
    QTest::newRow("nothing started") << kConvert << std::optional<TWorkerView>() << false;
    QTest::newRow("running") << kPause << Worker(Running, false) << true;
    QTest::newRow("paused") << kStart << Worker(Running, true) << true;
    QTest::newRow("just created") << kPause << Worker(Created, false) << true;
    QTest::newRow("run ended, button back at convert") << kConvert << Worker(Running, false) << false;
    QTest::newRow("finished") << kPause << Worker(Finished, false) << false;
    QTest::newRow("failed") << kPause << Worker(Failed, false) << false;
    QTest::newRow("failed worker cleared") << kStart << std::optional<TWorkerView>() << false;
  }

  void ClosingAsksOnlyWhileAConversionIsUnderWay() {
    QFETCH(TRunState, state);
    QFETCH(std::optional<TWorkerView>, worker);
    QFETCH(bool, asks);
    QCOMPARE(AsksBeforeClosing(state, worker), asks);
  }

  void RunEndsWithItsLastBatchOrARefusedOne_data() {
    QTest::addColumn<int>("message");
    QTest::addColumn<int>("wParam");
    QTest::addColumn<int>("lParam");
    QTest::addColumn<TRunEnd>("end");
    const int committed = ipmdb::engine::kMsgBatchCommitted;
    QTest::newRow("a batch in the middle") << committed << 1000 << 2500 << TRunEnd::None;
    QTest::newRow("the last batch") << committed << 2500 << 2500 << TRunEnd::Completed;
    QTest::newRow("a refused batch") << int(ipmdb::engine::kMsgBatchFailed) << 1000 << 2500 << TRunEnd::Refused;
    QTest::newRow("another message") << committed + 2 << 1 << 1 << TRunEnd::None;
  }

  void RunEndsWithItsLastBatchOrARefusedOne() {
    QFETCH(int, message);
    QFETCH(int, wParam);
    QFETCH(int, lParam);
    QFETCH(TRunEnd, end);
    QCOMPARE(RunEndOf({message, wParam, lParam}), end);
  }

  void ProgressShowsPercentAndTimeLeft_data() {
    QTest::addColumn<qint64>("done");
    QTest::addColumn<qint64>("total");
    QTest::addColumn<qint64>("elapsedMs");
    QTest::addColumn<int>("percent");
    QTest::addColumn<QString>("text");
    QTest::newRow("start") << qint64(0) << qint64(2500) << qint64(0) << 0 << "0%";
    QTest::newRow("too early to estimate") << qint64(1000) << qint64(2500) << qint64(999) << 40 << "40%";
    QTest::newRow("seconds, rounded up") << qint64(1000) << qint64(2500) << qint64(2001) << 40 << "40%，剩余约 4 秒";
    QTest::newRow("minutes") << qint64(1000) << qint64(530000) << qint64(1000) << 0 << "0%，剩余约 8 分 49 秒";
    QTest::newRow("done") << qint64(2500) << qint64(2500) << qint64(5000) << 100 << "100%";
    QTest::newRow("no line at all") << qint64(0) << qint64(0) << qint64(0) << 100 << "100%";
  }

  void ProgressShowsPercentAndTimeLeft() {
    QFETCH(qint64, done);
    QFETCH(qint64, total);
    QFETCH(qint64, elapsedMs);
    QFETCH(int, percent);
    QFETCH(QString, text);
    QCOMPARE(ProgressPercent(done, total), percent);
    QCOMPARE(ProgressText(done, total, elapsedMs), text);
  }

  // What the command line converts the window takes too; a FIFO or a device is read once.
  void ChosenNamesAreFilesInputsReadOnceOrNothing() {
    QTemporaryDir folder;
    const QString file = folder.filePath(QStringLiteral("库.txt"));
    QFile(file).open(QIODevice::WriteOnly);
    const QString fifo = folder.filePath(QStringLiteral("管道.txt"));
    QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    QCOMPARE(KindOfTextDatabase(file), TTextDatabaseKind::File);
    QCOMPARE(KindOfTextDatabase(fifo), TTextDatabaseKind::ReadOnce);
    QCOMPARE(KindOfTextDatabase(QStringLiteral("/dev/null")), TTextDatabaseKind::ReadOnce);
    QCOMPARE(KindOfTextDatabase(folder.path()), TTextDatabaseKind::NoFile);
    QCOMPARE(KindOfTextDatabase(folder.filePath(QStringLiteral("没有.txt"))), TTextDatabaseKind::NoFile);
  }

  // Paused while its text was loaded, the run waits for "启动".
  void LoadedWorkerRunsUnlessPausedMeanwhile() {
    QVERIFY(RunsOnceLoaded(kPause));
    QVERIFY(!RunsOnceLoaded(kStart));
  }

  void OnlyASingleDroppedTextFileIsTaken_data() {
    QTest::addColumn<QList<QUrl>>("urls");
    QTest::addColumn<QString>("taken");
    const QUrl text = QUrl::fromLocalFile(QStringLiteral("/data/库.txt"));
    QTest::newRow("a .txt file") << QList<QUrl>{text} << "/data/库.txt";
    QTest::newRow("upper-case suffix") << QList<QUrl>{QUrl::fromLocalFile(QStringLiteral("/d/A.TXT"))} << "/d/A.TXT";
    QTest::newRow("another suffix") << QList<QUrl>{QUrl::fromLocalFile(QStringLiteral("/d/a.mdb"))} << QString();
    QTest::newRow("two files") << QList<QUrl>{text, text} << QString();
    QTest::newRow("a web address") << QList<QUrl>{QUrl(QStringLiteral("http://x.example/a.txt"))} << QString();
    QTest::newRow("nothing") << QList<QUrl>{} << QString();
  }

  void OnlyASingleDroppedTextFileIsTaken() {
    QFETCH(QList<QUrl>, urls);
    QFETCH(QString, taken);
    QCOMPARE(DroppedTextDatabase(urls).value_or(QString()), taken);
  }

  // 1280 x 800 at a scale factor of 1.5 leaves 853 x 533 device-independent pixels, less a panel.
  void WindowIsPlacedInsideTheAvailableArea_data() {
    QTest::addColumn<QSize>("frame");
    QTest::addColumn<QRect>("available");
    QTest::addColumn<QPoint>("placed");
    QTest::newRow("fits where the layout puts it") << QSize(486, 359) << QRect(0, 0, 1920, 1040) << QPoint(257, 259);
    QTest::newRow("1280x800 at 1.5") << QSize(486, 359) << QRect(0, 0, 853, 509) << QPoint(257, 150);
    QTest::newRow("screen to the right of another") << QSize(486, 359) << QRect(1920, 0, 853, 509)
                                                    << QPoint(1920, 150);
    QTest::newRow("larger than the screen keeps its top left inside")
        << QSize(486, 359) << QRect(0, 24, 400, 300) << QPoint(0, 24);
  }

  void WindowIsPlacedInsideTheAvailableArea() {
    QFETCH(QSize, frame);
    QFETCH(QRect, available);
    QFETCH(QPoint, placed);
    QCOMPARE(PlaceInside(QPoint(257, 259), frame, available), placed);
  }

  void OutputGoesToTheProgramFolderOnlyWhenFilesCanBeCreatedThere_data() {
    QTest::addColumn<bool>("writable");
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("moved");
    QTest::newRow("portable copy") << true << "/opt/ipmdb/MorvaneIP数据库.MDB" << false;
    QTest::newRow("installed") << false << "/home/用户/文档/MorvaneIP数据库.MDB" << true;
  }

  void OutputGoesToTheProgramFolderOnlyWhenFilesCanBeCreatedThere() {
    QFETCH(bool, writable);
    QFETCH(QString, path);
    QFETCH(bool, moved);
    QStringList asked;
    const TOutputLocation location =
        DefaultOutputLocation(QStringLiteral("/opt/ipmdb"), QStringLiteral("/home/用户/文档"), [&](const QString& folder) {
          asked << folder;
          return writable;
        });
    QCOMPARE(location.FPath, path);
    QCOMPARE(location.FMovedToDocuments, moved);
    QCOMPARE(asked, QStringList({"/opt/ipmdb"}));
  }

  // Tried for real: /proc refuses new files also to root, whatever its permission bits say.
  void FolderCheckCreatesAFile() {
    QTemporaryDir folder;
    QVERIFY(CanCreateFilesIn(folder.path()));
    QCOMPARE(QDir(folder.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), QStringList());
    QVERIFY(!CanCreateFilesIn(QStringLiteral("/proc")));
    QVERIFY(!CanCreateFilesIn(folder.filePath(QStringLiteral("missing"))));
  }

  void ProgressMessagesBecomeTheirLogLines_data() {
    QTest::addColumn<int>("message");
    QTest::addColumn<int>("wParam");
    QTest::addColumn<int>("lParam");
    QTest::addColumn<QString>("line");
    QTest::newRow("committed") << int(ipmdb::engine::kMsgBatchCommitted) << 1000 << 2500
                               << QStringLiteral("加载第[1000/2500]条记录成功,时间 - [12:08:27]");
    QTest::newRow("failed") << int(ipmdb::engine::kMsgBatchFailed) << 1000 << 2500
                            << QStringLiteral("加载第[1000/2500]条记录失败,时间 - [12:08:27]");
    QTest::newRow("negative numbers keep their sign")
        << int(ipmdb::engine::kMsgBatchCommitted) << -5 << -2147483647 - 1
        << QStringLiteral("加载第[-5/-2147483648]条记录成功,时间 - [12:08:27]");
    QTest::newRow("another message adds nothing") << int(ipmdb::engine::kMsgBatchCommitted) + 2 << 1 << 1 << QString();
  }

  void ProgressMessagesBecomeTheirLogLines() {
    QFETCH(int, message);
    QFETCH(int, wParam);
    QFETCH(int, lParam);
    QFETCH(QString, line);
    QCOMPARE(ProgressLogLine({message, wParam, lParam}, QStringLiteral("12:08:27")), line);
  }

  void StartWelcomeAndFinishedLinesCarryTheirFixedTexts() {
    QCOMPARE(StartLogLine(QStringLiteral("05:41:27")), QStringLiteral("转换开始,时间 - [05:41:27]"));
    QCOMPARE(WelcomeLogLine(), QStringLiteral("1 - 欢迎使用此程序[http://www.fenwarde.example/]"));
    QCOMPARE(FinishedLogLine(2500, 12345, QStringLiteral("/tmp/%1.MDB")),
             QStringLiteral("转换完成：2500 条记录，用时 12.3 秒 → /tmp/%1.MDB"));
  }

  // Chinese is the default, with Qt's own Chinese for its buttons; an English locale gets the
  // program's English translation. Last, as the translators stay installed.
  void InterfaceLanguageFollowsTheLocale() {
    QCOMPARE(InstallTranslations(QLocale(QLocale::German, QLocale::Germany)), QLocale::Chinese);
    QCOMPARE(texts::Convert(), QStringLiteral("转换"));
    QCOMPARE(QCoreApplication::translate("QPlatformTheme", "OK"), QStringLiteral("确定"));
    QCOMPARE(InstallTranslations(QLocale(QLocale::English, QLocale::UnitedStates)), QLocale::English);
    QCOMPARE(texts::Convert(), QStringLiteral("Convert"));
    QCOMPARE(texts::QuitQuestion(), QStringLiteral("The conversion has not finished. Quit anyway?"));
  }

  void TimeStampIsHourMinuteSecond_data() {
    QTest::addColumn<QDateTime>("time");
    QTest::addColumn<QString>("stamp");
    QTest::newRow("morning") << QDateTime(QDate(2024, 12, 8), QTime(5, 41, 27)) << QStringLiteral("05:41:27");
    QTest::newRow("last second of the year") << QDateTime(QDate(2024, 12, 31), QTime(23, 59, 7))
                                             << QStringLiteral("23:59:07");
    QTest::newRow("midnight") << QDateTime(QDate(2025, 1, 1), QTime(0, 0, 0)) << QStringLiteral("00:00:00");
    QTest::newRow("noon is 12, not 00") << QDateTime(QDate(2025, 6, 1), QTime(12, 0, 9))
                                        << QStringLiteral("12:00:09");
  }

  void TimeStampIsHourMinuteSecond() {
    QFETCH(QDateTime, time);
    QFETCH(QString, stamp);
    QCOMPARE(LogTimeStamp(time), stamp);
  }

  void StampsOneMinuteApartDiffer() {
    const QDateTime time(QDate(2024, 12, 8), QTime(5, 41, 27));
    QVERIFY(LogTimeStamp(time) != LogTimeStamp(time.addSecs(60)));
  }

  void DialogFolderKeepsTheSeparatorOnlyAtTheRoot_data() {
    QTest::addColumn<QString>("executable");
    QTest::addColumn<QString>("folder");
    QTest::newRow("root") << QStringLiteral("/ipmdb") << QStringLiteral("/");
    QTest::newRow("one level") << QStringLiteral("/opt/ipmdb") << QStringLiteral("/opt");
    QTest::newRow("deeper, Chinese") << QStringLiteral("/home/用户/程序/ipmdb") << QStringLiteral("/home/用户/程序");
  }

  void DialogFolderKeepsTheSeparatorOnlyAtTheRoot() {
    QFETCH(QString, executable);
    QFETCH(QString, folder);
    QCOMPARE(FolderOfFile(executable), folder);
  }
};

IPMDB_UI_TEST_MAIN(TConversionControlTest)
#include "ConversionControlTest.moc"
