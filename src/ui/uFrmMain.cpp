// TFrmMain: start-up, the log, the conversion control, the output's place, the progress and error
// reports, and closing.
#include "ui/uFrmMain.h"

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
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QTextDocument>
#include <QUrl>
#include <chrono>
#include <optional>

#include "ui/Application.h"
#include "ui/ConversionControl.h"
#include "ui/Desktop.h"
#include "ui/LogLines.h"
#include "ui/MessageBox.h"
#include "ui/OutputLocation.h"
#include "ui/Settings.h"
#include "ui/Texts.h"
#include "ui/UiError.h"

namespace ipmdb::ui {
namespace {

// How long StopWorker waits for the worker's end before releasing it. The terminate request
// cancels any delivery the worker waits on, so the worker ends at its next line check, well
// within this; the release that follows waits for it regardless.
constexpr std::chrono::milliseconds kStopWait(3000);

std::string ToStdString(const QString& text) { return text.toUtf8().toStdString(); }

bool CreatesWorker(TDoAction action) {
  return action == TDoAction::StartFirst || action == TDoAction::Restart || action == TDoAction::Create ||
         action == TDoAction::Replace;
}

}  // namespace

QString FolderOfFile(const QString& path) { return QFileInfo(path).absolutePath(); }

TStartOptions StartOptionsOfApplication() {
  const QStringList arguments = QCoreApplication::arguments();
  return {QCoreApplication::applicationDirPath(), arguments.size() > 1 ? arguments.at(1) : QString()};
}

// The worker's receiver. ProgressPending runs on the worker's thread and only posts a call to the
// window's thread; HandleProgress runs on the window's thread, inside DispatchProgress.
class TFrmMain::TWorkerReceiver final : public engine::TProgressReceiver {
 public:
  explicit TWorkerReceiver(TFrmMain& window) : FWindow(window) {}

  void HandleProgress(const engine::ProgressMessage& message) override { FWindow.HandleProgress(message, *this); }

  void ProgressPending() override {
    TFrmMain* window = &FWindow;
    // Dropped unserved if the window goes first; its destruction releases the worker, which
    // drops the message.
    QMetaObject::invokeMethod(window, [window] { window->ServeProgress(); }, Qt::QueuedConnection);
  }

  // Set as soon as the worker exists: no message is handled before, since only this thread
  // dispatches them.
  const engine::TDBThread* FWorker = nullptr;

 private:
  TFrmMain& FWindow;
};

// The receiver is declared first, so it outlives the worker that refers to it.
struct TFrmMain::TWorkerSlot {
  explicit TWorkerSlot(TFrmMain& window) : FReceiver(window) {}
  TWorkerReceiver FReceiver;
  std::unique_ptr<engine::TDBThread> FThread;
};

TFrmMain::TFrmMain(const TStartOptions& options, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint) {
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
  QCoreApplication::setApplicationName(texts::ApplicationTitle());

  const QString chosen = settings::OutputPath();
  if (!chosen.isEmpty()) {
    SetOutputPath(chosen);
    return;
  }
  const TOutputLocation location = DefaultOutputLocation(options.FProgramFolder, DocumentsFolder());
  SetOutputPath(location.FPath);
  if (location.FMovedToDocuments) {
    AddLog(texts::OutputMovedToDocuments().arg(QDir::toNativeSeparators(options.FProgramFolder),
                                               QDir::toNativeSeparators(location.FPath)));
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
  QString lines = text;
  lines.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  lines.replace(QLatin1Char('\r'), QLatin1Char('\n'));
  meminfo->appendPlainText(QString::number(LogLineCount() + 1) + QStringLiteral(" - ") + lines);
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
  if (!QFileInfo(chosen).isFile()) throw UiError(ToStdString(texts::FileMissing().arg(chosen)));
  settings::SetLastFolder(FolderOfFile(chosen));
}

void TFrmMain::btnoutputClick() {
  const std::optional<QString> chosen = AskOutputPath(this, FOutputPath);
  if (!chosen) return;
  SetOutputPath(*chosen);
  settings::SetOutputPath(*chosen);
}

void TFrmMain::btnfolderClick() {
  const QString folder = FolderOfFile(FOutputPath);
  if (!OpenWithDesktop(QUrl::fromLocalFile(folder))) AddLog(texts::NoFileManager().arg(QDir::toNativeSeparators(folder)));
}

void TFrmMain::btndoClick() {
  const QString path = edt_txt_db->text();
  if (path.isEmpty()) throw UiError(ToStdString(texts::EmptyPath()));

  std::optional<TWorkerView> worker;
  if (FWorker) worker = TWorkerView{FWorker->FThread->State(), FWorker->FThread->Suspended()};
  const TDoDecision decision = DecideDoAction(btndo->text(), worker);
  switch (decision.FAction) {
    case TDoAction::StartFirst:
      AddLog(StartLogLine(LogTimeStamp(FClock())));
      CreateWorker(path);
      break;
    case TDoAction::Restart:
      StopWorker();
      AddLog(StartLogLine(LogTimeStamp(FClock())));
      CreateWorker(path);
      break;
    case TDoAction::Create:
      CreateWorker(path);
      break;
    case TDoAction::Replace:
      StopWorker();
      CreateWorker(path);
      break;
    case TDoAction::Resume:
      FWorker->FThread->Resume();
      break;
    case TDoAction::Pause:
      FWorker->FThread->Suspend();
      break;
    case TDoAction::Clear:
      StopWorker();
      break;
    case TDoAction::Nothing:
      break;
  }
  btndo->setText(decision.FCaption);
  // A text database without a line is converted as soon as it is loaded: no batch, no message.
  if (CreatesWorker(decision.FAction) && FWorker->FThread->LineCount() == 0) EndRun(true, 0, FOutputPath);
}

void TFrmMain::CreateWorker(const QString& path) {
  auto slot = std::make_unique<TWorkerSlot>(*this);
  // Loads the text database and prepares the output database on this thread; its own thread
  // starts when construction is complete. A failure leaves the slot empty.
  slot->FThread = std::make_unique<engine::TDBThread>(false, ToStdString(path), &slot->FReceiver,
                                                      ToStdString(FOutputPath));
  slot->FReceiver.FWorker = slot->FThread.get();
  FWorker = std::move(slot);
  FRunStart = FClock();
  ShowProgress(0, 1);
  btnfolder->setEnabled(true);
}

void TFrmMain::StopWorker() {
  if (!FWorker) return;
  engine::TDBThread& worker = *FWorker->FThread;
  // A paused worker would never reach its next terminate check.
  if (worker.Suspended()) worker.Resume();
  worker.Terminate();
  (void)worker.WaitFor(kStopWait);
  FWorker.reset();
}

const engine::TDBThread* TFrmMain::Worker() const { return FWorker ? FWorker->FThread.get() : nullptr; }

void TFrmMain::ServeProgress() {
  if (FWorker) FWorker->FThread->DispatchProgress();
}

void TFrmMain::HandleProgress(const engine::ProgressMessage& message, TWorkerReceiver& source) {
  AddLog(ProgressLogLine(message, LogTimeStamp(FClock())));
  // Why the batch was refused, as its own line, so that the user learns that and why the
  // conversion stopped.
  if (message.message == engine::kMsgBatchFailed) AddLog(QString::fromUtf8(source.FWorker->ErrorText()));
  if (message.message == engine::kMsgBatchCommitted) ShowProgress(message.wParam, message.lParam);
  const TRunEnd end = RunEndOf(message);
  if (end != TRunEnd::None) {
    EndRun(end == TRunEnd::Completed, message.lParam, QString::fromUtf8(source.FWorker->OutputPath()));
  }
}

void TFrmMain::EndRun(bool completed, int64_t records, const QString& outputPath) {
  if (completed) {
    ShowProgress(1, 1);
    AddLog(FinishedLogLine(records, FRunStart.msecsTo(FClock()), QDir::toNativeSeparators(outputPath)));
  }
  btndo->setText(texts::Convert());
}

void TFrmMain::ShowProgress(int64_t done, int64_t total) {
  pbProgress->setValue(ProgressPercent(done, total));
  pbProgress->setFormat(ProgressText(done, total, FRunStart.msecsTo(FClock())));
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
  std::optional<TWorkerView> worker;
  if (FWorker) worker = TWorkerView{FWorker->FThread->State(), FWorker->FThread->Suspended()};
  if (!FCloseWithoutAsking && AsksBeforeClosing(btndo->text(), worker) && !AskYesNo(this, texts::QuitQuestion()) &&
      !FCloseWithoutAsking) {
    event->ignore();
    return;
  }
  StopWorker();
  TMessageBox::CloseAllBoxes();
  event->accept();
}

void TFrmMain::dragEnterEvent(QDragEnterEvent* event) {
  if (event->mimeData()->hasUrls() && DroppedTextDatabase(event->mimeData()->urls())) event->acceptProposedAction();
}

void TFrmMain::dropEvent(QDropEvent* event) {
  const std::optional<QString> path =
      event->mimeData()->hasUrls() ? DroppedTextDatabase(event->mimeData()->urls()) : std::nullopt;
  if (!path) return;
  event->acceptProposedAction();
  TApplication::RunGuarded(this, [this, &path] { ChooseTextDatabase(*path); });
}

}  // namespace ipmdb::ui
