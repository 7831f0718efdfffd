// TFrmMain, the program's one window: the text database row, the output row, the log with its
// progress bar and the status bar with the maker's link. It owns at most one conversion worker
// (the worker slot), turns the worker's progress messages into log lines, and reports every error
// raised on its thread in the log and in a message box.
//
// Threads: everything here runs on the window's thread, except the worker's load, which the worker
// slot (ui/core/WorkerSlot.h) does on a starter thread; its hand-over comes back to this thread as
// a queued call, so that the window stays responsive and a close or a stop signal ends the load
// within 100 ms. The worker hands its progress messages over synchronously: it waits until this
// thread has handled each one, which happens in the event loop (a queued call) and in any
// dialog's or message box's loop. Stopping the worker cancels that wait, so the window never has
// to serve a message in order to stop it.
#pragma once

#include <QString>
#include <QWidget>
#include <chrono>
#include <cstdint>
#include <exception>
#include <memory>

#include "engine/TDBThread.h"
#include "ui/core/ConversionControl.h"
#include "ui/core/LogTime.h"
#include "ui/core/WorkerSlot.h"
#include "ui/qt/OpenDialog.h"

class QCloseEvent;
class QDragEnterEvent;
class QDropEvent;
class QFrame;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;

namespace ipmdb::ui {

class THyperLink;

// What the window starts from.
struct TStartOptions {
  // The folder of the program: the dialog's first folder, and the output's when files can be
  // created there.
  QString FProgramFolder;
  // A text database to choose at start (the program's argument), or empty.
  QString FTextDatabase;
};

// The running program's folder and its first argument.
TStartOptions StartOptionsOfApplication();

class TFrmMain : public QWidget, private TRunWindow {
  Q_OBJECT

 public:
  // Builds the layout and runs FormCreate; attaches MyEventsException to the application when
  // the application is a TApplication. A text database in `options` is chosen once the event
  // loop runs, so that an error about it is reported like any other.
  explicit TFrmMain(const TStartOptions& options = StartOptionsOfApplication(), QWidget* parent = nullptr);
  // Runs FormDestroy, which stops and releases the worker.
  ~TFrmMain() override;

  // Appends "<n> - <text>" to the log, n being the log's line count plus one. Nothing for an
  // empty text. A line break in the text (LF, CR LF or CR) starts a new line, which counts. The
  // count is the log's own: its paragraphs. The rows a long line wraps into on screen do not
  // count, so the numbering is the same whatever the window's width and font.
  void AddLog(const QString& text);

  // Chooses the text database through the open-file dialog.
  void btnseltxtClick();
  // Starts, pauses or resumes the conversion, by the control's state, which btndo's caption shows.
  void btndoClick();
  // Chooses the output database through the save dialog.
  void btnoutputClick();
  // Shows the output database's folder in the file manager.
  void btnfolderClick();
  // Stops and releases the worker, if there is one.
  void StopWorker();

  // Writes the error to the log and shows it in a box with the error icon.
  void MyEventsException(QObject* sender, const std::exception& error);

  // Closes the window without asking, also during a conversion (the program was asked to end).
  void CloseWithoutAsking();

  // The clock of the log's time stamps and of the conversion's duration.
  void SetClock(TClock clock) { FClock = std::move(clock); }

  // For tests: the worker in the slot, or nullptr (also while its text database is being loaded).
  const engine::TDBThread* Worker() const;
  const TOpenDialog& OpenTxtDlg() const { return FOpenTxtDlg; }
  const QString& OutputPath() const { return FOutputPath; }

 protected:
  void closeEvent(QCloseEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  class TWorkerReceiver;

  void BuildLayout();
  void BuildFileRow();
  void BuildOutputRow();
  void BuildLog();
  void BuildStatusBar();
  void PlaceOnScreen();
  void FormCreate(const TStartOptions& options);
  void FormDestroy();

  // Puts `path` into the edit as the dialog does, remembers its folder, and reports a name that
  // is no existing file, or says that the input will be read once.
  void ChooseTextDatabase(const QString& path);
  void SetOutputPath(const QString& path);
  // Turns a progress message into its log line; after a refused batch the worker's reason follows
  // as a line of its own. The message that ends the run ends it in the window too.
  void HandleProgress(const engine::ProgressMessage& message);
  // Hands the message the current worker is waiting to deliver, if any, to HandleProgress.
  void ServeProgress();
  // The conversion control's side of the window (TRunWindow).
  void LogStart() override;
  TRunState RunState() const override { return FRunState; }
  // The control's state, and btndo's caption with it.
  void SetRunState(TRunState state) override;
  void RunBegins() override;
  void EmptyRunEnded() override;
  // The run has ended: the control is idle again; after a completed run the log says so.
  void EndRun(bool completed, int64_t records, const QString& outputPath);
  void ShowProgress(int64_t done, int64_t total);
  int LogLineCount() const;

  QFrame* Panel2 = nullptr;
  QLabel* edt_txt_db_label = nullptr;
  QLineEdit* edt_txt_db = nullptr;
  QPushButton* btnseltxt = nullptr;
  QLabel* Label1 = nullptr;
  QLabel* Label2 = nullptr;
  QPushButton* btnoutput = nullptr;
  QPushButton* btnfolder = nullptr;
  QPushButton* btndo = nullptr;
  QFrame* Panel1 = nullptr;
  QPlainTextEdit* meminfo = nullptr;
  QProgressBar* pbProgress = nullptr;
  QFrame* sBar = nullptr;
  QLabel* Label3 = nullptr;
  THyperLink* HyperLink1 = nullptr;

  TOpenDialog FOpenTxtDlg;
  TClock FClock = SystemNow;
  QString FOutputPath;
  // When the current run started, by FClock.
  std::chrono::system_clock::time_point FRunStart;
  TRunState FRunState = TRunState::Idle;
  bool FCloseWithoutAsking = false;
  // Declared before the slot, which refers to it.
  std::unique_ptr<TWorkerReceiver> FReceiver;
  TWorkerSlot FWorker;
};

}  // namespace ipmdb::ui
