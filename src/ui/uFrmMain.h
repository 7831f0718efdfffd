// TFrmMain, the program's one window: the text database row, the output row, the log and the
// status bar with the maker's link. It owns at most one conversion worker (the worker slot),
// turns the worker's progress messages into log lines, and reports every error raised on its
// thread in the log and in a message box.
//
// Threads: everything here runs on the window's thread. The worker hands its progress messages
// over synchronously: it waits until this thread has handled each one, which happens in the
// event loop (a queued call), in any dialog's or message box's loop, and while the worker is
// being released.
#pragma once

#include <QString>
#include <QWidget>
#include <exception>
#include <memory>

#include "engine/TDBThread.h"
#include "ui/LogTime.h"
#include "ui/OpenDialog.h"

class QFrame;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace ipmdb::ui {

class THyperLink;

// The application title: the caption of every message box, and the start of the window's
// caption, which adds " - " and the maker's web address.
inline constexpr char kApplicationTitle[] = "MorvaneIP数据库转换程序";

// The folder that holds the file `path` names, without a trailing separator unless it is the
// root folder.
QString FolderOfFile(const QString& path);

class TFrmMain : public QWidget {
  Q_OBJECT

 public:
  // Builds the layout and runs FormCreate; attaches MyEventsException to the application when
  // the application is a TApplication.
  explicit TFrmMain(QWidget* parent = nullptr);
  // Runs FormDestroy, which stops and releases the worker.
  ~TFrmMain() override;

  // Appends "<n> - <text>" to the log, n being the log's line count plus one. Nothing for an
  // empty text. A line break in the text (LF, CR LF or CR) starts a new line, which counts. The
  // count is the log's own: its paragraphs. The rows a long line wraps into on screen do not
  // count, so the numbering is the same whatever the window's width and font.
  void AddLog(const QString& text);

  // Chooses the text database through the open-file dialog.
  void btnseltxtClick();
  // Starts, pauses or resumes the conversion, by the caption of btndo.
  void btndoClick();
  // Stops and releases the worker, if there is one.
  void StopWorker();

  // Writes the error to the log and shows it in a box with the error icon.
  void MyEventsException(QObject* sender, const std::exception& error);

  // The clock of the log's time stamps.
  void SetClock(TClock clock) { FClock = std::move(clock); }

  // For tests: the worker in the slot, or nullptr.
  const engine::TDBThread* Worker() const;
  const TOpenDialog& OpenTxtDlg() const { return FOpenTxtDlg; }

 private:
  class TWorkerReceiver;
  struct TWorkerSlot;

  void BuildLayout();
  void BuildFileRow();
  void BuildLog();
  void BuildStatusBar();
  void FormCreate();
  void FormDestroy();

  // Turns a progress message into its log line; after a refused batch the worker's reason follows
  // as a line of its own.
  void HandleProgress(const engine::ProgressMessage& message, TWorkerReceiver& source);
  // Hands the message the current worker is waiting to deliver, if any, to HandleProgress.
  void ServeProgress();
  void CreateWorker(const QString& path);
  int LogLineCount() const;

  QFrame* Panel2 = nullptr;
  QLabel* edt_txt_db_label = nullptr;
  QLineEdit* edt_txt_db = nullptr;
  QPushButton* btnseltxt = nullptr;
  QLabel* Label1 = nullptr;
  QLabel* Label2 = nullptr;
  QPushButton* btndo = nullptr;
  QFrame* Panel1 = nullptr;
  QPlainTextEdit* meminfo = nullptr;
  QFrame* sBar = nullptr;
  QLabel* Label3 = nullptr;
  THyperLink* HyperLink1 = nullptr;

  TOpenDialog FOpenTxtDlg;
  TClock FClock = SystemNow;
  std::unique_ptr<TWorkerSlot> FWorker;
};

}  // namespace ipmdb::ui
