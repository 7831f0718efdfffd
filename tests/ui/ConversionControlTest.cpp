// The convert button's table, the texts of the log's lines, the log time stamp and the dialog's
// initial folder: the window's decisions, checked without a window.
#include <QTest>
#include <optional>

#include "UiTestMain.h"
#include "ui/ConversionControl.h"
#include "ui/LogLines.h"
#include "ui/LogTime.h"
#include "ui/uFrmMain.h"

using namespace ipmdb::ui;

Q_DECLARE_METATYPE(std::optional<ipmdb::ui::TWorkerView>)
Q_DECLARE_METATYPE(ipmdb::ui::TDoAction)

namespace {

const QString kConvert = QString::fromUtf8(kCaptionConvert);
const QString kPause = QString::fromUtf8(kCaptionPause);
const QString kStart = QString::fromUtf8(kCaptionStart);

std::optional<TWorkerView> Worker(int32_t state, bool suspended) { return TWorkerView{state, suspended}; }

}  // namespace

class TConversionControlTest : public QObject {
  Q_OBJECT

 private slots:
  void ButtonFollowsItsTableTopToBottom_data() {
    QTest::addColumn<QString>("caption");
    QTest::addColumn<std::optional<TWorkerView>>("worker");
    QTest::addColumn<TDoAction>("action");
    QTest::addColumn<QString>("after");
    const std::optional<TWorkerView> none;
    QTest::newRow("convert, empty slot: first start") << kConvert << none << TDoAction::StartFirst << kPause;
    QTest::newRow("start, empty slot: create") << kStart << none << TDoAction::Create << kPause;
    QTest::newRow("start, failed: replace") << kStart << Worker(kWorkerFailed, false) << TDoAction::Replace << kPause;
    QTest::newRow("start, failed while paused: replace")
        << kStart << Worker(kWorkerFailed, true) << TDoAction::Replace << kPause;
    QTest::newRow("start, running and paused: resume")
        << kStart << Worker(kWorkerRunning, true) << TDoAction::Resume << kPause;
    QTest::newRow("start, created and paused: resume")
        << kStart << Worker(kWorkerCreated, true) << TDoAction::Resume << kPause;
    QTest::newRow("start, finished, not paused: nothing")
        << kStart << Worker(kWorkerFinished, false) << TDoAction::Nothing << kPause;
    QTest::newRow("start, created, not paused: nothing")
        << kStart << Worker(kWorkerCreated, false) << TDoAction::Nothing << kPause;
    QTest::newRow("pause, failed: clear") << kPause << Worker(kWorkerFailed, false) << TDoAction::Clear << kStart;
    QTest::newRow("pause, running: pause") << kPause << Worker(kWorkerRunning, false) << TDoAction::Pause << kStart;
    QTest::newRow("pause, created: nothing") << kPause << Worker(kWorkerCreated, false) << TDoAction::Nothing << kStart;
    QTest::newRow("pause, finished: nothing")
        << kPause << Worker(kWorkerFinished, false) << TDoAction::Nothing << kStart;
    QTest::newRow("convert with a worker: unreachable, nothing")
        << kConvert << Worker(kWorkerRunning, false) << TDoAction::Nothing << kConvert;
    QTest::newRow("pause, empty slot: unreachable, nothing") << kPause << none << TDoAction::Nothing << kPause;
  }

  void ButtonFollowsItsTableTopToBottom() {
    QFETCH(QString, caption);
    QFETCH(std::optional<TWorkerView>, worker);
    QFETCH(TDoAction, action);
    QFETCH(QString, after);
    const TDoDecision decision = DecideDoAction(caption, worker);
    QCOMPARE(decision.FAction, action);
    QCOMPARE(decision.FCaption, after);
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

  void StartAndWelcomeLinesCarryTheirFixedTexts() {
    QCOMPARE(StartLogLine(QStringLiteral("05:41:27")), QStringLiteral("转换开始,时间 - [05:41:27]"));
    QCOMPARE(WelcomeLogLine(), QStringLiteral("1 - 欢迎使用此程序[http://www.fenwarde.example/]"));
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
