// The main window driven like a user drives it: its layout, the log's numbering, choosing the
// text database (by the dialog, a drop or the command line), converting, pausing and resuming,
// the finished state, a refused batch, errors, the output's place, the settings and closing.
//
// Conversions write the output database into this program's own folder, as the window does when
// files can be created there; cleanup() removes it and the settings. Message boxes, the dialogs
// and the desktop answer through their test hooks, and the log's clock is fixed, so whole log
// lines compare.
#include <QDateTime>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "gen-textdb/TextDbGenerator.h"
#include "UiTestMain.h"
#include "engine/Gbk.h"
#include "engine/LineList.h"
#include "engine/ParseLine.h"
#include "jet/DatabaseReader.h"
#include "jet/PageSource.h"
#include "ui/qt/Desktop.h"
#include "ui/qt/HyperLink.h"
#include "ui/qt/MessageBox.h"
#include "ui/qt/OpenDialog.h"
#include "ui/core/UiError.h"
#include "ui/qt/uFrmMain.h"

using namespace ipmdb;
using ui::TFrmMain;

namespace {

// Long enough for a conversion of a few thousand lines in a sanitizer build on a busy machine.
constexpr int kConversionTimeoutMs = 120000;
const auto kFixedTime = std::chrono::system_clock::from_time_t(
    QDateTime(QDate(2024, 12, 8), QTime(5, 41, 27)).toSecsSinceEpoch());
const QString kStamp = QStringLiteral("05:41:27");
const QString kUrl = QStringLiteral("http://www.fenwarde.example/");
const QString kWelcome = QStringLiteral("1 - 欢迎使用此程序[http://www.fenwarde.example/]");

QString OutputPath() { return QCoreApplication::applicationDirPath() + QStringLiteral("/MorvaneIP数据库.MDB"); }

QString Ok(int number, int done, int total) {
  return QStringLiteral("%1 - 加载第[%2/%3]条记录成功,时间 - [05:41:27]").arg(number).arg(done).arg(total);
}

QString Failed(int number, int done, int total) {
  return QStringLiteral("%1 - 加载第[%2/%3]条记录失败,时间 - [05:41:27]").arg(number).arg(done).arg(total);
}

QString Started(int number) { return QStringLiteral("%1 - 转换开始,时间 - [05:41:27]").arg(number); }

QString Completed(int number, int records, const QString& output = OutputPath()) {
  return QStringLiteral("%1 - 转换完成：%2 条记录，用时 0.0 秒 → %3").arg(number).arg(records).arg(output);
}

ui::TStartOptions Options(const QString& textDatabase = QString()) {
  return {QCoreApplication::applicationDirPath(), textDatabase};
}

QMessageBox* OpenErrorBox() {
  for (QWidget* window : QApplication::topLevelWidgets()) {
    if (auto* box = qobject_cast<QMessageBox*>(window); box && box->isVisible()) return box;
  }
  return nullptr;
}

// A generated text database of `lines` lines. With `refusedLine` (1-based), that line holds a
// start address longer than table IP's address column, so its batch is refused.
QString WriteTextDatabase(const QTemporaryDir& folder, int lines, std::optional<int> refusedLine = std::nullopt) {
  std::string text;
  tools::GenerateTextDatabase({uint64_t(lines), 7}, text);
  if (refusedLine) {
    size_t start = 0;
    for (int i = 1; i < *refusedLine; ++i) start = text.find("\r\n", start) + 2;
    text.replace(start, text.find("\r\n", start) - start, "1.2.3.4.5.6.7.8.9.10 1.2.3.4 CN X");
  }
  const QString path = folder.filePath(QStringLiteral("文本库.txt"));
  QFile file(path);
  if (!file.open(QIODevice::WriteOnly) || file.write(text.data(), qint64(text.size())) != qint64(text.size())) {
    qFatal("cannot write the text database");
  }
  return path;
}

// The start address of every row of table IP, in the file's order.
std::vector<std::u16string> StartAddresses(const QString& path) {
  jet::MappedFilePageSource source(path.toStdString());
  jet::DatabaseReader reader(source, path.toStdString());
  const jet::CatalogEntry* table = reader.FindTable(u"IP");
  if (table == nullptr) return {};
  std::vector<std::u16string> addresses;
  reader.ForEachRow(table->DefinitionPage(),
                    [&](const std::vector<jet::StoredValue>& row) { addresses.push_back(row.at(0).text); });
  return addresses;
}

std::vector<std::u16string> ExpectedStartAddresses(const QString& textPath, size_t count) {
  const engine::LineList lines = engine::LineList::LoadFile(textPath.toStdString());
  std::vector<std::u16string> addresses;
  lines.ForEachLine([&](std::string_view line) {
    if (addresses.size() == count) return;
    std::u16string address;
    engine::GbkToUtf16(engine::ParseLine(line)[engine::kStartAddress], address);
    addresses.push_back(address);
  });
  return addresses;
}

// Swallows the queued calls that would hand the worker's messages to the window, so that the
// worker stays blocked in its delivery.
class TSwallowQueuedCalls : public QObject {
 public:
  int FSwallowed = 0;

 protected:
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() != QEvent::MetaCall) return false;
    ++FSwallowed;
    return true;
  }
};

// Writes a file's bytes into a FIFO once a reader has it open, waiting at most `wait`; with an
// empty path it writes nothing and closes at once, which ends the reader's text. Never blocks: a
// FIFO that no one reads is left alone.
class FifoWriter {
 public:
  FifoWriter(const QString& fifo, const QString& textFile,
             std::chrono::milliseconds delay = std::chrono::milliseconds(0))
      : FThread([this, fifo = QFile::encodeName(fifo), textFile, delay] {
          const auto start = std::chrono::steady_clock::now();
          while (!FDone.load() && std::chrono::steady_clock::now() - start < delay)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
          int fd = -1;
          while (!FDone.load() && (fd = ::open(fifo.constData(), O_WRONLY | O_NONBLOCK)) < 0 &&
                 std::chrono::steady_clock::now() - start < delay + std::chrono::seconds(60)) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
          }
          if (fd < 0) return;
          ::fcntl(fd, F_SETFL, 0);
          QFile text(textFile);
          if (!textFile.isEmpty() && text.open(QIODevice::ReadOnly)) {
            const QByteArray bytes = text.readAll();
            for (qsizetype done = 0; done < bytes.size();) {
              const ssize_t n = ::write(fd, bytes.constData() + done, size_t(bytes.size() - done));
              if (n <= 0) break;
              done += n;
            }
          }
          ::close(fd);
        }) {}
  ~FifoWriter() {
    FDone.store(true);
    FThread.join();
  }

 private:
  std::atomic<bool> FDone{false};
  std::thread FThread;
};

}  // namespace

class TFrmMainTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<TFrmMain> FWindow;
  std::unique_ptr<QTemporaryDir> FFolder;
  std::vector<ui::TMessageBoxRequest> FShown;
  // The dialog's next answer (nothing: cancel) and what it looked like when it opened.
  std::optional<QString> FNextChoice;
  std::vector<ui::TOpenDialog> FDialogs;
  // The answer to the closing question, and what the desktop was asked to open.
  int FAnswer = ui::kIdYes;
  QList<QUrl> FOpened;

  QPushButton* Button(const char* name) const { return FWindow->findChild<QPushButton*>(QString::fromUtf8(name)); }
  QString Caption() const { return Button("btndo")->text(); }
  QString Edit() const { return FWindow->findChild<QLineEdit*>(QStringLiteral("edt_txt_db"))->text(); }
  QStringList Log() const {
    return FWindow->findChild<QPlainTextEdit*>(QStringLiteral("meminfo"))->toPlainText().split(QLatin1Char('\n'));
  }
  QString LastLogLine() const { return Log().back(); }
  int32_t WorkerState() const { return FWindow->Worker() ? int32_t(FWindow->Worker()->State()) : -99; }

  void Choose(const QString& path) {
    FNextChoice = path;
    QTest::mouseClick(Button("btnseltxt"), Qt::LeftButton);
  }
  void ClickDo() { QTest::mouseClick(Button("btndo"), Qt::LeftButton); }
  // Starts a conversion and pauses it once its thread runs, without serving a single progress
  // message in between: the worker is paused at the latest while it waits to deliver its first
  // batch. (A worker still in state 0 would not be paused by the click.)
  void StartWindow(const ui::TStartOptions& options = Options()) {
    FWindow = std::make_unique<TFrmMain>(options);
    FWindow->SetClock([] { return kFixedTime; });
    FWindow->show();
    QVERIFY(QTest::qWaitForWindowExposed(FWindow.get()));
  }
  QString Text(const char* name) const { return FWindow->findChild<QLabel*>(QString::fromUtf8(name))->text(); }
  void StartAndPause() {
    Button("btndo")->click();
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kConversionTimeoutMs);
    // The worker comes to the window by a queued call once its text is loaded. The call is served
    // alone: the worker has nothing to hand over before it is resumed in that call.
    while (FWindow->Worker() == nullptr && std::chrono::steady_clock::now() < deadline) {
      QCoreApplication::processEvents();
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    while (WorkerState() == 0 && std::chrono::steady_clock::now() < deadline) {
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    Button("btndo")->click();
  }
  void CloseWindow() {
    FWindow->close();
    FWindow.reset();
  }

 private slots:
  void init() {
    FShown.clear();
    FDialogs.clear();
    FOpened.clear();
    FAnswer = ui::kIdYes;
    ui::TMessageBox::SetTestHook([this](const ui::TMessageBoxRequest& request) {
      FShown.push_back(request);
      return request.FYesNo ? FAnswer : ui::kIdOk;
    });
    ui::SetDesktopTestHook([this](const QUrl& url) {
      FOpened << url;
      return true;
    });
    ui::TOpenDialog::SetTestHook([this](const ui::TOpenDialog& dialog) {
      FDialogs.push_back(dialog);
      return FNextChoice;
    });
    FFolder = std::make_unique<QTemporaryDir>();
    QVERIFY(FFolder->isValid());
    StartWindow();
  }

  void cleanup() {
    FWindow.reset();
    QFile::remove(OutputPath());
    QSettings(QStringLiteral("ipmdb"), QStringLiteral("ipmdb")).clear();
    ui::TMessageBox::SetTestHook(nullptr);
    ui::TOpenDialog::SetTestHook(nullptr);
    ui::SetSaveDialogTestHook(nullptr);
    ui::SetDesktopTestHook(nullptr);
  }

  void WindowOpensWithItsCaptionsAndFixedSize() {
    QCOMPARE(FWindow->windowTitle(), QStringLiteral("MorvaneIP数据库转换程序 - http://www.fenwarde.example/"));
    QCOMPARE(QCoreApplication::applicationName(), QStringLiteral("MorvaneIP数据库转换程序"));
    QCOMPARE(FWindow->minimumSize(), FWindow->maximumSize());
    QVERIFY(FWindow->screen()->availableGeometry().contains(FWindow->frameGeometry()));
    QVERIFY(!(FWindow->windowFlags() & Qt::WindowMaximizeButtonHint));
    QVERIFY(FWindow->windowFlags() & Qt::WindowMinimizeButtonHint);
    QCOMPARE(Log(), QStringList({kWelcome}));
    QCOMPARE(Caption(), QStringLiteral("转换"));
    QCOMPARE(Button("btnseltxt")->text(), QStringLiteral("选择"));
    QVERIFY(FWindow->findChild<QLineEdit*>(QStringLiteral("edt_txt_db"))->isReadOnly());
    QVERIFY(FWindow->findChild<QPlainTextEdit*>(QStringLiteral("meminfo"))->isReadOnly());
  }

  void PicturesAndIconAreCompiledIn() {
    QList<QSize> sizes = FWindow->windowIcon().availableSizes();
    std::sort(sizes.begin(), sizes.end(), [](QSize a, QSize b) { return a.width() < b.width(); });
    QCOMPARE(sizes, QList<QSize>({{16, 16}, {24, 24}, {32, 32}, {48, 48}, {64, 64}, {72, 72}, {96, 96}, {128, 128}}));
    for (const char* name : {"btnseltxt", "btndo"}) {
      QCOMPARE(Button(name)->icon().availableSizes(), QList<QSize>({{16, 16}}));
      QCOMPARE(Button(name)->iconSize(), QSize(16, 16));
    }
  }

  void ControlsCarryTheirTexts_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("text");
    QTest::newRow("btnseltxt") << "btnseltxt" << "选择";
    QTest::newRow("Label1") << "Label1" << "默认*.MDB数据库路径：";
    QTest::newRow("Label2: the output's full path") << "Label2" << OutputPath();
    QTest::newRow("btnoutput") << "btnoutput" << "更改…";
    QTest::newRow("btnfolder") << "btnfolder" << "打开文件夹";
    QTest::newRow("btndo") << "btndo" << "转换";
    QTest::newRow("Label3") << "Label3" << "Fenwarde出品：";
    QTest::newRow("HyperLink1") << "HyperLink1" << "http://www.fenwarde.example/";
  }

  void ControlsCarryTheirTexts() {
    QFETCH(QString, name);
    QFETCH(QString, text);
    QWidget* control = FWindow->findChild<QWidget*>(name);
    QVERIFY(control != nullptr);
    if (auto* label = qobject_cast<QLabel*>(control)) QCOMPARE(label->text(), text);
    if (auto* button = qobject_cast<QPushButton*>(control)) QCOMPARE(button->text(), text);
  }

  void ColoursAndFontsFollowTheLayout() {
    const auto* label2 = FWindow->findChild<QLabel*>(QStringLiteral("Label2"));
    QCOMPARE(label2->palette().color(QPalette::WindowText), QColor(0, 128, 0));
    const auto* log = FWindow->findChild<QPlainTextEdit*>(QStringLiteral("meminfo"));
    QCOMPARE(log->palette().color(QPalette::Text), QColor(0, 128, 0));
    QCOMPARE(log->font().pixelSize(), 13);
    QCOMPARE(log->font().family(), QStringLiteral("宋体"));
    QCOMPARE(FWindow->font().pixelSize(), 12);
    const auto* link = FWindow->findChild<ui::THyperLink*>(QStringLiteral("HyperLink1"));
    QCOMPARE(link->FontColor(), QColor(0, 0, 255));
    QCOMPARE(link->EnterColor(), QColor(255, 0, 0));
    QCOMPARE(link->URL(), kUrl);
    const auto* edit = FWindow->findChild<QLineEdit*>(QStringLiteral("edt_txt_db"));
    QCOMPARE(edit->palette().color(QPalette::Base), edit->palette().color(QPalette::ToolTipBase));
  }

  void AddLogNumbersEveryLineOfTheLog() {
    FWindow->AddLog(QStringLiteral("a"));
    FWindow->AddLog(QString());
    FWindow->AddLog(QStringLiteral("b"));
    FWindow->AddLog(QStringLiteral("c\nd"));
    FWindow->AddLog(QStringLiteral("e\r\nf"));
    FWindow->AddLog(QStringLiteral("g\rh"));
    // Far wider than the log: it wraps on screen and still counts as one line.
    FWindow->AddLog(QString(400, QLatin1Char('w')));
    FWindow->AddLog(QStringLiteral("i"));
    QCOMPARE(Log(), QStringList({kWelcome, "2 - a", "3 - b", "4 - c", "d", "6 - e", "f", "8 - g", "h",
                                 "10 - " + QString(400, QLatin1Char('w')), "11 - i"}));
  }

  void ConvertingWithoutAPathIsReportedAndChangesNothing() {
    ClickDo();
    QCOMPARE(FShown.size(), size_t(1));
    QCOMPARE(FShown[0].FText, QStringLiteral("文本IP数据库路径不能为空。"));
    QCOMPARE(FShown[0].FCaption, QStringLiteral("MorvaneIP数据库转换程序"));
    QCOMPARE(FShown[0].FIcon, QMessageBox::Critical);
    QCOMPARE(Log(), QStringList({kWelcome, "2 - 文本IP数据库路径不能为空。"}));
    QCOMPARE(Caption(), QStringLiteral("转换"));
    QVERIFY(FWindow->Worker() == nullptr);
  }

  void ChosenNameThatIsNoFileStaysInTheEditAndIsReported_data() {
    QTest::addColumn<QString>("name");
    QTest::newRow("missing file") << QStringLiteral("没有.txt");
    QTest::newRow("folder") << QStringLiteral("子目录");
  }

  void ChosenNameThatIsNoFileStaysInTheEditAndIsReported() {
    QFETCH(QString, name);
    QVERIFY(QDir(FFolder->path()).mkdir(QStringLiteral("子目录")));
    const QString path = FFolder->filePath(name);
    Choose(path);
    QCOMPARE(Edit(), path);
    const QString message = QStringLiteral("[%1]文件不存在。").arg(path);
    QCOMPARE(FShown.size(), size_t(1));
    QCOMPARE(FShown[0].FText, message);
    QCOMPARE(FShown[0].FIcon, QMessageBox::Critical);
    QCOMPARE(Log(), QStringList({kWelcome, "2 - " + message}));
  }

  void CancellingTheDialogChangesNothing() {
    const QString path = WriteTextDatabase(*FFolder, 10);
    Choose(path);
    FNextChoice.reset();
    QTest::mouseClick(Button("btnseltxt"), Qt::LeftButton);
    QCOMPARE(Edit(), path);
    QVERIFY(FShown.empty());
    QCOMPARE(Log(), QStringList({kWelcome}));
  }

  void DialogOpensInTheProgramFolderAndThenAtTheLastChoice() {
    const QString path = WriteTextDatabase(*FFolder, 10);
    Choose(path);
    Choose(path);
    QCOMPARE(FDialogs.size(), size_t(2));
    QCOMPARE(FDialogs[0].InitialDir(), QCoreApplication::applicationDirPath());
    QCOMPARE(FDialogs[0].FileName(), QString());
    QCOMPARE(FDialogs[0].Filters(), QStringList({"文本IP数据库(*.txt)", "所有文件(*.*)"}));
    QCOMPARE(FDialogs[1].FileName(), path);
  }

  // The last batch ends the run: the log says so, the button offers "转换" again, and a second
  // file is converted without restarting, from a new start line.
  void ConversionLogsEachBatchThenFinishesAndConvertsAgain() {
    const QString path = WriteTextDatabase(*FFolder, 2500);
    Choose(path);
    ClickDo();
    QCOMPARE(Caption(), QStringLiteral("暂停"));
    QTRY_COMPARE_WITH_TIMEOUT(LastLogLine(), Completed(6, 2500), kConversionTimeoutMs);
    QCOMPARE(Log(), QStringList({kWelcome, Started(2), Ok(3, 1000, 2500), Ok(4, 2000, 2500), Ok(5, 2500, 2500),
                                 Completed(6, 2500)}));
    QCOMPARE(Caption(), QStringLiteral("转换"));
    QCOMPARE(FWindow->findChild<QProgressBar*>(QStringLiteral("pbProgress"))->value(), 100);
    QVERIFY(FShown.empty());
    QTRY_COMPARE(WorkerState(), 2);
    QVERIFY(StartAddresses(OutputPath()) == ExpectedStartAddresses(path, 2500));

    QTest::mouseClick(Button("btnfolder"), Qt::LeftButton);
    QCOMPARE(FOpened, QList<QUrl>({QUrl::fromLocalFile(QCoreApplication::applicationDirPath())}));

    const QString second = FFolder->filePath(QStringLiteral("第二个.txt"));
    QVERIFY(QFile::copy(WriteTextDatabase(*FFolder, 1500), second));
    Choose(second);
    ClickDo();
    QCOMPARE(Caption(), QStringLiteral("暂停"));
    QTRY_COMPARE_WITH_TIMEOUT(LastLogLine(), Completed(10, 1500), kConversionTimeoutMs);
    QCOMPARE(Log().mid(6), QStringList({Started(7), Ok(8, 1000, 1500), Ok(9, 1500, 1500), Completed(10, 1500)}));
    CloseWindow();
    QVERIFY(StartAddresses(OutputPath()) == ExpectedStartAddresses(second, 1500));
  }

  void TextDatabaseWithoutALineFinishesAtOnce() {
    QFile empty(FFolder->filePath(QStringLiteral("空.txt")));
    QVERIFY(empty.open(QIODevice::WriteOnly));
    empty.close();
    Choose(empty.fileName());
    ClickDo();
    QTRY_COMPARE(Log(), QStringList({kWelcome, Started(2), Completed(3, 0)}));
    QCOMPARE(Caption(), QStringLiteral("转换"));
  }

  void PausedWorkerMakesNoProgressUntilResumed() {
    Choose(WriteTextDatabase(*FFolder, 2500));
    StartAndPause();
    QCOMPARE(Caption(), QStringLiteral("启动"));
    QVERIFY(FWindow->Worker()->Suspended());
    // Time in which an unpaused worker would finish.
    QTest::qWait(1000);
    QVERIFY(Log().size() <= 3);
    QVERIFY(!Log().contains(Ok(4, 2000, 2500)));
    QCOMPARE(WorkerState(), 1);

    ClickDo();
    QCOMPARE(Caption(), QStringLiteral("暂停"));
    QVERIFY(!FWindow->Worker()->Suspended());
    QTRY_COMPARE_WITH_TIMEOUT(LastLogLine(), Completed(6, 2500), kConversionTimeoutMs);
    QCOMPARE(Log(), QStringList({kWelcome, Started(2), Ok(3, 1000, 2500), Ok(4, 2000, 2500), Ok(5, 2500, 2500),
                                 Completed(6, 2500)}));
  }

  // The refusal ends the run: after its reason the button offers "转换", and one click starts the
  // conversion again from the first line.
  void RefusedBatchIsLoggedWithItsReasonAndOneClickStartsAgain() {
    const QString path = WriteTextDatabase(*FFolder, 2500, 2345);
    Choose(path);
    ClickDo();
    QTRY_COMPARE_WITH_TIMEOUT(Log().size(), 6, kConversionTimeoutMs);
    QCOMPARE(Log().mid(0, 5),
             QStringList({kWelcome, Started(2), Ok(3, 1000, 2500), Ok(4, 2000, 2500), Failed(5, 2500, 2500)}));
    // The worker's reason names the refused line and the database's complaint.
    QVERIFY2(Log()[5].startsWith(QStringLiteral("6 - 第 2345 行的记录未能写入数据库：")) &&
                 Log()[5].contains(QStringLiteral("startip")),
             qPrintable(Log()[5]));
    QCOMPARE(Caption(), QStringLiteral("转换"));
    QTRY_COMPARE(WorkerState(), -1);
    QVERIFY(StartAddresses(OutputPath()) == ExpectedStartAddresses(path, 2000));

    ClickDo();
    QCOMPARE(Caption(), QStringLiteral("暂停"));
    QTRY_COMPARE_WITH_TIMEOUT(Log().size(), 11, kConversionTimeoutMs);
    QCOMPARE(Log().mid(6, 4), QStringList({Started(7), Ok(8, 1000, 2500), Ok(9, 2000, 2500), Failed(10, 2500, 2500)}));
    QCOMPARE(Log()[10].mid(5), Log()[5].mid(4));
    QVERIFY(FShown.empty());
  }

  void FailedFirstStartKeepsItsCaptionAndTheNextClickStartsAgain() {
    const QString path = WriteTextDatabase(*FFolder, 10);
    Choose(path);
    QVERIFY(QFile::remove(path));
    ClickDo();
    QTRY_COMPARE(FShown.size(), size_t(1));
    QCOMPARE(Caption(), QStringLiteral("转换"));
    QVERIFY(FWindow->Worker() == nullptr);
    QVERIFY2(FShown[0].FText.startsWith(QStringLiteral("Cannot open file")), qPrintable(FShown[0].FText));
    QCOMPARE(Log(), QStringList({kWelcome, Started(2), "3 - " + FShown[0].FText}));
    ClickDo();
    QTRY_COMPARE(Log().size(), 5);
    QCOMPARE(Log()[3], Started(4));
  }

  // A FIFO is taken as the command line takes it: read once, its text kept aside, and converted.
  void FifoIsChosenWithoutComplaintAndConverted() {
    const QString text = WriteTextDatabase(*FFolder, 1500);
    const QString fifo = FFolder->filePath(QStringLiteral("管道.txt"));
    QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    Choose(fifo);
    QCOMPARE(Log(), QStringList({kWelcome, "2 - [" + fifo + "]不是普通文件：转换时先读完它的全部文本，暂存在临时文件中。"}));
    QVERIFY(FShown.empty());
    FifoWriter writer(fifo, text);
    ClickDo();
    QTRY_COMPARE_WITH_TIMEOUT(LastLogLine(), Completed(6, 1500), kConversionTimeoutMs);
    QVERIFY(FShown.empty());
    CloseWindow();
    QVERIFY(StartAddresses(OutputPath()) == ExpectedStartAddresses(text, 1500));
  }

  // While the text of a FIFO without a writer is awaited the window stays responsive, and closing
  // it, by the user or by a stop signal, ends the wait at once and leaves the output untouched. A
  // writer that comes after 3 seconds and writes nothing ends a wait that nothing else could.
  void RunOnAFifoWithoutAWriterEndsSoonAfterTheWindowCloses_data() {
    QTest::addColumn<bool>("signalled");
    QTest::newRow("closed by the user") << false;
    QTest::newRow("stop signal") << true;
  }

  void RunOnAFifoWithoutAWriterEndsSoonAfterTheWindowCloses() {
    QFETCH(bool, signalled);
    const QString fifo = FFolder->filePath(QStringLiteral("管道.txt"));
    QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    Choose(fifo);
    FifoWriter late(fifo, QString(), std::chrono::seconds(3));
    QElapsedTimer timer;
    timer.start();
    ClickDo();
    QTest::qWait(200);
    QCOMPARE(Log().back(), Started(3));
    QVERIFY(FWindow->isVisible());
    if (signalled) {
      FWindow->CloseWithoutAsking();
    } else {
      QVERIFY(FWindow->close());
    }
    QVERIFY(timer.elapsed() < 2000);
    QVERIFY(!FWindow->isVisible());
    QVERIFY(FWindow->Worker() == nullptr);
    QVERIFY(!QFile::exists(OutputPath()));
  }

  // During a conversion closing asks first: No keeps the window and the run, Yes stops the worker
  // (paused or not) and closes.
  void ClosingDuringAConversionAsksFirst() {
    const QString path = WriteTextDatabase(*FFolder, 2500);
    Choose(path);
    StartAndPause();
    FAnswer = ui::kIdNo;
    QVERIFY(!FWindow->close());
    QVERIFY(FWindow->isVisible());
    QVERIFY(FWindow->Worker() != nullptr);
    QCOMPARE(FShown.size(), size_t(1));
    QCOMPARE(FShown[0].FText, QStringLiteral("转换尚未完成，确定退出？"));
    QCOMPARE(FShown[0].FIcon, QMessageBox::Question);
    QCOMPARE(FShown[0].FCaption, QStringLiteral("MorvaneIP数据库转换程序"));

    FAnswer = ui::kIdYes;
    QVERIFY(FWindow->close());
    QVERIFY(FWindow->Worker() == nullptr);
    QCOMPARE(FShown.size(), size_t(2));
    CloseWindow();
    // The worker stopped at a line check: nothing or the first batch, never more.
    const std::vector<std::u16string> rows = StartAddresses(OutputPath());
    QVERIFY2(rows.empty() || rows == ExpectedStartAddresses(path, 1000), qPrintable(QString::number(rows.size())));
  }

  // The worker waits for the window to take its first message, which never comes: the stop
  // cancels that wait, so the message is never handled, and the first batch stays committed.
  void ClosingWhileAMessageWaitsCancelsItsDelivery() {
    const QString path = WriteTextDatabase(*FFolder, 2500);
    TSwallowQueuedCalls swallow;
    FWindow->installEventFilter(&swallow);
    Choose(path);
    Button("btndo")->click();
    QTRY_VERIFY_WITH_TIMEOUT(swallow.FSwallowed > 0, kConversionTimeoutMs);
    QVERIFY(FWindow->close());
    QVERIFY(FWindow->Worker() == nullptr);
    QCOMPARE(Log().size(), 2);
    CloseWindow();
    QVERIFY(StartAddresses(OutputPath()) == ExpectedStartAddresses(path, 1000));
  }

  // A real error box is open, waiting in its own loop, when the main window is closed: the close
  // stops the worker at once and closes the box, so its wait ends and nothing keeps the program.
  // The worker is paused, so that its run is certainly under way when the window closes.
  void ClosingWithAnErrorBoxOpenStopsTheRunAndClosesTheBox() {
    const QString path = WriteTextDatabase(*FFolder, 2500);
    Choose(path);
    StartAndPause();
    ui::TMessageBox::SetTestHook([this](const ui::TMessageBoxRequest& request) -> std::optional<int> {
      FShown.push_back(request);
      if (request.FYesNo) return ui::kIdYes;
      return std::nullopt;
    });
    bool boxWasOpen = false;
    QTimer closer;
    QObject::connect(&closer, &QTimer::timeout, [&] {
      if (OpenErrorBox() == nullptr) return;
      boxWasOpen = true;
      closer.stop();
      FWindow->close();
    });
    closer.start(10);
    Choose(FFolder->filePath(QStringLiteral("没有.txt")));
    QVERIFY(boxWasOpen);
    QCOMPARE(OpenErrorBox(), nullptr);
    QVERIFY(!FWindow->isVisible());
    QVERIFY(FWindow->Worker() == nullptr);
    QCOMPARE(FShown.size(), size_t(2));
    QVERIFY(FShown[1].FYesNo);
    CloseWindow();
    const std::vector<std::u16string> rows = StartAddresses(OutputPath());
    QVERIFY2(rows.empty() || rows == ExpectedStartAddresses(path, 1000), qPrintable(QString::number(rows.size())));
  }

  // Installed in a folder where no file can be created (here /proc, which refuses root too), the
  // output goes to the documents folder, and the log says so once.
  void OutputMovesToTheDocumentsFolderWhenTheProgramFolderRefusesFiles() {
    FWindow.reset();
    StartWindow({QStringLiteral("/proc"), QString()});
    const QString documents = QDir::homePath() + QStringLiteral("/Documents/MorvaneIP数据库.MDB");
    QCOMPARE(FWindow->OutputPath(), documents);
    QCOMPARE(Text("Label2"), documents);
    QCOMPARE(Log(), QStringList({kWelcome, "2 - 程序所在的文件夹[/proc]不可写，输出数据库改存到[" + documents + "]。"}));
    const QString path = WriteTextDatabase(*FFolder, 10);
    Choose(path);
    ClickDo();
    QTRY_COMPARE_WITH_TIMEOUT(LastLogLine(), Completed(5, 10, documents), kConversionTimeoutMs);
    CloseWindow();
    QVERIFY(StartAddresses(documents) == ExpectedStartAddresses(path, 10));
    QVERIFY(QFile::remove(documents));
  }

  // The output chosen with "更改…" and the folder of the last text database outlive the window.
  void ChoicesAreKeptForTheNextSession() {
    const QString output = FFolder->filePath(QStringLiteral("输出/结果.MDB"));
    QStringList offered;
    ui::SetSaveDialogTestHook([&](const QString& current) -> std::optional<QString> {
      offered << current;
      return output;
    });
    QTest::mouseClick(Button("btnoutput"), Qt::LeftButton);
    QCOMPARE(offered, QStringList({OutputPath()}));
    QCOMPARE(Text("Label2"), output);
    Choose(WriteTextDatabase(*FFolder, 10));

    FWindow.reset();
    StartWindow();
    QCOMPARE(FWindow->OutputPath(), output);
    QCOMPARE(FWindow->OpenTxtDlg().InitialDir(), FFolder->path());
    ClickDo();
    QCOMPARE(Log(), QStringList({kWelcome, "2 - 文本IP数据库路径不能为空。"}));
    Choose(FFolder->filePath(QStringLiteral("文本库.txt")));
    ClickDo();
    QTRY_COMPARE_WITH_TIMEOUT(LastLogLine(), Completed(5, 10, output), kConversionTimeoutMs);
  }

  void DroppedTextFileIsChosen() {
    const QString path = WriteTextDatabase(*FFolder, 10);
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(path)});
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(FWindow.get(), &enter);
    QVERIFY(enter.isAccepted());
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(FWindow.get(), &drop);
    QCOMPARE(Edit(), path);
    QVERIFY(FShown.empty());

    data.setUrls({QUrl::fromLocalFile(FFolder->filePath(QStringLiteral("x.mdb")))});
    QDragEnterEvent refused(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    refused.ignore();
    QCoreApplication::sendEvent(FWindow.get(), &refused);
    QVERIFY(!refused.isAccepted());
  }

  void FileNamedOnTheCommandLineIsChosenAtStart_data() {
    QTest::addColumn<bool>("exists");
    QTest::newRow("existing") << true;
    QTest::newRow("missing") << false;
  }

  void FileNamedOnTheCommandLineIsChosenAtStart() {
    QFETCH(bool, exists);
    const QString path =
        exists ? WriteTextDatabase(*FFolder, 10) : FFolder->filePath(QStringLiteral("没有.txt"));
    FWindow.reset();
    StartWindow(Options(path));
    QTRY_COMPARE(Edit(), path);
    QCOMPARE(FWindow->OpenTxtDlg().FileName(), path);
    if (exists) {
      QCOMPARE(Log(), QStringList({kWelcome}));
    } else {
      QTRY_COMPARE(Log(), QStringList({kWelcome, "2 - [" + path + "]文件不存在。"}));
    }
  }

  void ErrorsOfQueuedCallsAreReportedAndAnEmptyOneAddsNoLine() {
    QMetaObject::invokeMethod(FWindow.get(), [] { throw ui::UiError("队列中的错误"); }, Qt::QueuedConnection);
    QMetaObject::invokeMethod(FWindow.get(), [] { throw ui::UiError(""); }, Qt::QueuedConnection);
    QTRY_COMPARE(FShown.size(), size_t(2));
    QCOMPARE(FShown[0].FText, QStringLiteral("队列中的错误"));
    QCOMPARE(FShown[1].FText, QString());
    QCOMPARE(FShown[1].FIcon, QMessageBox::Critical);
    QCOMPARE(Log(), QStringList({kWelcome, "2 - 队列中的错误"}));
  }

  // With no browser the address goes to the log, where it can be copied.
  void LinkInTheStatusBarOpensTheMakerAddressOrLogsIt() {
    auto* link = FWindow->findChild<ui::THyperLink*>(QStringLiteral("HyperLink1"));
    QTest::mouseClick(link, Qt::LeftButton);
    QCOMPARE(FOpened, QList<QUrl>({QUrl(kUrl)}));
    QCOMPARE(Log(), QStringList({kWelcome}));
    ui::SetDesktopTestHook([](const QUrl&) { return false; });
    QTest::mouseClick(link, Qt::LeftButton);
    QCOMPARE(Log(), QStringList({kWelcome, "2 - 无法打开浏览器，请复制网址自行访问：" + kUrl}));
  }
};

IPMDB_UI_TEST_MAIN(TFrmMainTest)
#include "FrmMainTest.moc"
