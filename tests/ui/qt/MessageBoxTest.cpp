// ShowMsg: icon by kind, the application title as caption, one OK button, and a real box that
// leaves the other windows working while it waits.
#include <QAbstractButton>
#include <QApplication>
#include <QCoreApplication>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QWidget>

#include "UiTestMain.h"
#include "ui/qt/MessageBox.h"

using namespace ipmdb::ui;

Q_DECLARE_METATYPE(QMessageBox::Icon)

namespace {

QMessageBox* OpenBox() {
  for (QWidget* window : QApplication::topLevelWidgets()) {
    if (auto* box = qobject_cast<QMessageBox*>(window); box && box->isVisible()) return box;
  }
  return nullptr;
}

}  // namespace

class TMessageBoxTest : public QObject {
  Q_OBJECT

 private slots:
  void cleanup() { TMessageBox::SetTestHook(nullptr); }

  void KindSelectsTheIcon_data() {
    QTest::addColumn<int>("kind");
    QTest::addColumn<QMessageBox::Icon>("icon");
    QTest::newRow("0 warning") << 0 << QMessageBox::Warning;
    QTest::newRow("1 error") << 1 << QMessageBox::Critical;
    QTest::newRow("2 information") << 2 << QMessageBox::Information;
    QTest::newRow("3 question") << 3 << QMessageBox::Question;
    QTest::newRow("4 information") << 4 << QMessageBox::Information;
    QTest::newRow("255 information") << 255 << QMessageBox::Information;
  }

  void KindSelectsTheIcon() {
    QFETCH(int, kind);
    QFETCH(QMessageBox::Icon, icon);
    QCOMPARE(IconOfKind(uint8_t(kind)), icon);
  }

  void ShowMsgCaptionsWithTheApplicationTitle() {
    QCoreApplication::setApplicationName(QStringLiteral("MorvaneIP数据库转换程序"));
    std::vector<TMessageBoxRequest> shown;
    TMessageBox::SetTestHook([&](const TMessageBoxRequest& request) {
      shown.push_back(request);
      return kIdOk;
    });
    QCOMPARE(ShowMsg(QStringLiteral("文本IP数据库路径不能为空。"), kMsgError), kIdOk);
    QCOMPARE(shown.size(), size_t(1));
    QCOMPARE(shown[0].FCaption, QStringLiteral("MorvaneIP数据库转换程序"));
    QCOMPARE(shown[0].FText, QStringLiteral("文本IP数据库路径不能为空。"));
    QCOMPARE(shown[0].FIcon, QMessageBox::Critical);
  }

  // The box is acknowledged by a timer; meanwhile another window must still get its events,
  // and no window may be modal.
  void RealBoxIsNotModalAndReturnsOnceAcknowledged() {
    QCoreApplication::setApplicationName(QStringLiteral("MorvaneIP数据库转换程序"));
    QWidget other;
    other.show();
    QVERIFY(QTest::qWaitForWindowExposed(&other));

    bool otherServed = false;
    QString caption, text;
    int buttons = 0;
    int width = 0;
    Qt::WindowModality modality = Qt::ApplicationModal;
    QWindow* modalWindow = nullptr;
    QTimer acknowledge;
    acknowledge.setInterval(20);
    QObject::connect(&acknowledge, &QTimer::timeout, [&] {
      QMessageBox* box = OpenBox();
      if (box == nullptr) return;
      if (!otherServed) {
        // A queued call to the other window: it runs only if that window is served.
        QMetaObject::invokeMethod(&other, [&] { otherServed = true; }, Qt::QueuedConnection);
        return;
      }
      caption = box->windowTitle();
      text = box->text();
      buttons = int(box->buttons().size());
      modality = box->windowModality();
      modalWindow = QGuiApplication::modalWindow();
      width = box->width();
      box->button(QMessageBox::Ok)->click();
    });
    acknowledge.start();

    QCOMPARE(ShowMsg(QStringLiteral("[a.txt]文件不存在。"), kMsgWarning), kIdOk);
    acknowledge.stop();
    QVERIFY(otherServed);
    QCOMPARE(caption, QStringLiteral("MorvaneIP数据库转换程序"));
    QCOMPARE(text, QStringLiteral("[a.txt]文件不存在。"));
    QCOMPARE(buttons, 1);
    QCOMPARE(modality, Qt::NonModal);
    QCOMPARE(modalWindow, nullptr);
    QCOMPARE(OpenBox(), nullptr);
    QVERIFY2(width >= TMessageBox::CaptionWidth(caption), qPrintable(QString::number(width)));
  }

  // The window's closing ends the wait of every open box: a plain one as acknowledged, a question
  // as not answered Yes.
  void ClosingAllBoxesEndsTheirWaits() {
    QWidget owner;
    int plain = 0;
    bool yes = true;
    QTimer::singleShot(0, [&] {
      QTimer::singleShot(0, [] { TMessageBox::CloseAllBoxes(); });
      yes = AskYesNo(&owner, QStringLiteral("转换尚未完成，确定退出？"));
    });
    plain = ShowMsg(QStringLiteral("错误"), kMsgError);
    QCOMPARE(plain, kIdOk);
    QTRY_VERIFY(!yes);
    QCOMPARE(OpenBox(), nullptr);
  }
};

IPMDB_UI_TEST_MAIN(TMessageBoxTest)
#include "MessageBoxTest.moc"
