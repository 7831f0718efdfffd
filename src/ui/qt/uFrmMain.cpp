// TFrmMain: start-up, the log, the conversion control, the output's place, the progress and error
// reports, and closing.
#include "ui/qt/uFrmMain.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QMetaObject>
#include <QMimeData>
#include <QPointer>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QTextDocument>
#include <QUrl>
#include <optional>
#include <string>
#include <vector>

#include "ui/core/LogLines.h"
#include "ui/core/OutputLocation.h"
#include "ui/core/ProgressText.h"
#include "ui/core/Texts.h"
#include "ui/core/UiError.h"
#include "ui/qt/Application.h"
#include "ui/qt/Desktop.h"
#include "ui/qt/Folders.h"
#include "ui/qt/MessageBox.h"
#include "ui/qt/QtText.h"
#include "ui/qt/Settings.h"

namespace ipmdb::ui {
namespace {

// The local files among dropped items, each in its place; anything else (a web address) as an
// empty path, which is no text database.
std::vector<std::string> LocalPaths(const QList<QUrl>& urls) {
  std::vector<std::string> paths;
  for (const QUrl& url : urls) paths.push_back(url.isLocalFile() ? ToUtf8(url.toLocalFile()) : std::string());
  return paths;
}

}  // namespace

TStartOptions StartOptionsOfApplication() {
  const QStringList arguments = QCoreApplication::arguments();
  return {QCoreApplication::applicationDirPath(), arguments.size() > 1 ? arguments.at(1) : QString()};
}

// The worker's receiver. ProgressPending runs on the worker's thread and only posts a call to the
// window's thread; HandleProgress runs on the window's thread, inside ServeProgress.
class TFrmMain::TWorkerReceiver final : public engine::TProgressReceiver {
 public:
  explicit TWorkerReceiver(TFrmMain& window) : FWindow(window) {}

  void HandleProgress(const engine::ProgressMessage& message) override { FWindow.HandleProgress(message); }

  void ProgressPending() override {
    TFrmMain* window = &FWindow;
    // Dropped unserved if the window goes first; its destruction releases the worker, which
    // drops the message.
    QMetaObject::invokeMethod(window, [window] { window->ServeProgress(); }, Qt::QueuedConnection);
  }

 private:
  TFrmMain& FWindow;
};

TFrmMain::TFrmMain(const TStartOptions& options, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint),
      FReceiver(std::make_unique<TWorkerReceiver>(*this)),
      // The window outlives the starter (releasing the slot joins it), but not necessarily the
      // queued call, which goes to the application so that no filter on the window holds it back.
      FWorker(*this, *FReceiver, [window = QPointer<TFrmMain>(this)](uint64_t number) {
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [window, number] {
              if (window) TApplication::RunGuarded(window, [window, number] { window->FWorker.WorkerLoaded(number); });
            },
            Qt::QueuedConnection);
      }) {
  BuildLayout();
  FormCreate(options);
  if (TApplication* application = TApplication::Instance()) {
    application->SetOnException(
        [this](QObject* sender, const std::exception& error) { MyEventsException(sender, error); });
  }
  if (!options.FTextDatabase.isEmpty()) {
    const QString path = QFileInfo(options.FTextDatabase).absoluteFilePath();
    QMetaObject::invokeMethod(
        this, [this, path] { TApplication::RunGuarded(this, [this, path] { ChooseTextDatabase(path); }); },
        Qt::QueuedConnection);
  }
}

TFrmMain::~TFrmMain() {
  FormDestroy();
  if (TApplication* application = TApplication::Instance()) application->SetOnException(nullptr);
}

void TFrmMain::FormCreate(const TStartOptions& options) {
  const QString lastFolder = settings::LastFolder();
  FOpenTxtDlg.SetInitialDir(lastFolder.isEmpty() ? options.FProgramFolder : lastFolder);
  QCoreApplication::setApplicationName(ToQString(texts::ApplicationTitle()));

  const QString chosen = settings::OutputPath();
  if (!chosen.isEmpty()) {
    SetOutputPath(chosen);
    return;
  }
  const TOutputLocation location =
      DefaultOutputLocation(ToUtf8(options.FProgramFolder), DocumentsFolder(), CanCreateFilesIn);
  const QString path = ToQString(location.FPath);
  SetOutputPath(path);
  if (location.FMovedToDocuments) {
    AddLog(ToQString(texts::OutputMovedToDocuments(ToUtf8(QDir::toNativeSeparators(options.FProgramFolder)),
                                                   ToUtf8(QDir::toNativeSeparators(path)))));
  }
}

void TFrmMain::FormDestroy() { StopWorker(); }

void TFrmMain::SetOutputPath(const QString& path) {
  FOutputPath = path;
  // A path longer than the line loses its middle, keeping the root and the file name; the tip
  // shows it whole.
  const QString shown = QDir::toNativeSeparators(path);
  Label2->setText(Label2->fontMetrics().elidedText(shown, Qt::ElideMiddle, Label2->width()));
  Label2->setToolTip(shown);
  btnfolder->setEnabled(QFileInfo(path).isFile());
}

int TFrmMain::LogLineCount() const {
  // Every entry ends its line: the text never holds the break after the last entry, so every
  // block is a line and the count needs no correction for an empty last line. Lines are the
  // document's blocks, not the rows they wrap into on screen, so the numbering does not depend
  // on the window's width or font.
  const QTextDocument* document = meminfo->document();
  return document->isEmpty() ? 0 : document->blockCount();
}

void TFrmMain::AddLog(const QString& text) {
  if (text.isEmpty()) return;
  meminfo->appendPlainText(ToQString(NumberedLogEntry(LogLineCount(), ToUtf8(text))));
  meminfo->verticalScrollBar()->setValue(meminfo->verticalScrollBar()->maximum());
}

void TFrmMain::btnseltxtClick() {
  if (!FOpenTxtDlg.Execute(this)) return;
  ChooseTextDatabase(FOpenTxtDlg.FileName());
}

void TFrmMain::ChooseTextDatabase(const QString& path) {
  edt_txt_db->setText(path);
  // Show the path from its beginning, as an edit does when its text is set.
  edt_txt_db->setCursorPosition(0);
  FOpenTxtDlg.SetFileName(path);
  const QString chosen = edt_txt_db->text();
  const TTextDatabaseKind kind = KindOfTextDatabase(ToUtf8(chosen));
  if (kind == TTextDatabaseKind::NoFile) throw UiError(texts::FileMissing(ToUtf8(chosen)));
  if (kind == TTextDatabaseKind::ReadOnce) AddLog(ToQString(texts::ReadOnce(ToUtf8(chosen))));
  settings::SetLastFolder(ToQString(FolderOfFile(ToUtf8(chosen))));
}

void TFrmMain::btnoutputClick() {
  const std::optional<QString> chosen = AskOutputPath(this, FOutputPath);
  if (!chosen) return;
  SetOutputPath(*chosen);
  settings::SetOutputPath(*chosen);
}

void TFrmMain::btnfolderClick() {
  const QString folder = ToQString(FolderOfFile(ToUtf8(FOutputPath)));
  if (!OpenWithDesktop(QUrl::fromLocalFile(folder))) {
    AddLog(ToQString(texts::NoFileManager(ToUtf8(QDir::toNativeSeparators(folder)))));
  }
}

void TFrmMain::btndoClick() { FWorker.DoClick(ToUtf8(edt_txt_db->text()), ToUtf8(FOutputPath)); }

void TFrmMain::LogStart() { AddLog(ToQString(StartLogLine(LogTimeStamp(FClock())))); }

void TFrmMain::SetRunState(TRunState state) {
  FRunState = state;
  btndo->setText(ToQString(CaptionOf(state)));
}

void TFrmMain::RunBegins() {
  FRunStart = FClock();
  ShowProgress(0, 1);
  btnfolder->setEnabled(true);
}

void TFrmMain::EmptyRunEnded() { EndRun(true, 0, FOutputPath); }

void TFrmMain::StopWorker() { FWorker.Stop(); }

const engine::TDBThread* TFrmMain::Worker() const { return FWorker.Worker(); }

void TFrmMain::ServeProgress() { FWorker.ServeProgress(); }

void TFrmMain::HandleProgress(const engine::ProgressMessage& message) {
  // Only the worker in the slot delivers messages (ServeProgress).
  const engine::TDBThread& worker = *FWorker.Worker();
  AddLog(ToQString(ProgressLogLine(message, LogTimeStamp(FClock()))));
  // Why the batch was refused, as its own line, so that the user learns that and why the
  // conversion stopped.
  if (message.message == engine::kMsgBatchFailed) AddLog(QString::fromUtf8(worker.ErrorText()));
  if (message.message == engine::kMsgBatchCommitted) ShowProgress(message.wParam, message.lParam);
  const TRunEnd end = RunEndOf(message);
  if (end != TRunEnd::None) {
    EndRun(end == TRunEnd::Completed, message.lParam, QString::fromUtf8(worker.OutputPath()));
  }
}

void TFrmMain::EndRun(bool completed, int64_t records, const QString& outputPath) {
  if (completed) {
    ShowProgress(1, 1);
    AddLog(ToQString(FinishedLogLine(records, MillisecondsBetween(FRunStart, FClock()),
                                     ToUtf8(QDir::toNativeSeparators(outputPath)))));
  }
  SetRunState(TRunState::Idle);
}

void TFrmMain::ShowProgress(int64_t done, int64_t total) {
  pbProgress->setValue(ProgressPercent(done, total));
  pbProgress->setFormat(ToQString(ProgressText(done, total, MillisecondsBetween(FRunStart, FClock()))));
}

void TFrmMain::MyEventsException(QObject*, const std::exception& error) {
  const QString text = QString::fromUtf8(error.what());
  AddLog(text);
  ShowMsg(text, kMsgError);
}

void TFrmMain::CloseWithoutAsking() {
  FCloseWithoutAsking = true;
  // A question already open is answered by closing it; the close below does not ask again.
  TMessageBox::CloseAllBoxes();
  close();
}

// Closing ends the run whatever is open: the worker is stopped and released here, and every
// message box still waiting is closed, so that nothing keeps the program alive or the
// conversion going unseen. During a conversion the user is asked first.
void TFrmMain::closeEvent(QCloseEvent* event) {
  if (!FCloseWithoutAsking && AsksBeforeClosing(FRunState, FWorker.View()) &&
      !AskYesNo(this, ToQString(texts::QuitQuestion())) && !FCloseWithoutAsking) {
    event->ignore();
    return;
  }
  StopWorker();
  TMessageBox::CloseAllBoxes();
  event->accept();
}

void TFrmMain::dragEnterEvent(QDragEnterEvent* event) {
  if (event->mimeData()->hasUrls() && DroppedTextDatabase(LocalPaths(event->mimeData()->urls()))) {
    event->acceptProposedAction();
  }
}

void TFrmMain::dropEvent(QDropEvent* event) {
  const std::optional<std::string> path =
      event->mimeData()->hasUrls() ? DroppedTextDatabase(LocalPaths(event->mimeData()->urls())) : std::nullopt;
  if (!path) return;
  event->acceptProposedAction();
  TApplication::RunGuarded(this, [this, &path] { ChooseTextDatabase(ToQString(*path)); });
}

}  // namespace ipmdb::ui
