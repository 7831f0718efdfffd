// TFrmMain for Windows: the program's one window, drawn with Win32 itself (wide functions
// throughout, so Chinese shows whatever the system's code page). The text database row, the
// output row, the log with its progress bar and the status bar with the maker's link. It owns at
// most one conversion worker (the worker slot), turns the worker's progress messages into log
// lines, and reports every error raised on its thread in the log and in a message box. What it
// decides and says comes from the window core (ui/core); this class wires the controls to it.
//
// Threads: everything here runs on the window's thread, except the worker's load, which the worker
// slot (ui/core/WorkerSlot.h) does on a starter thread; its hand-over comes back by posting
// kMsgWorkerLoaded, so the window stays responsive and a close ends the load within 100 ms. The
// worker's progress messages come as window messages 2129 and 2130: the worker posts
// kMsgServeProgress, which never blocks it, and waits; the window's thread then takes the message
// from the worker and sends it to itself, in its message loop and in the loop of any dialog or
// message box. Stopping the worker cancels its wait, so the window never has to serve a message in
// order to stop it.
#pragma once

#include <windows.h>

#include <chrono>
#include <cstdint>
#include <exception>
#include <functional>
#include <string>

#include "engine/ProgressChannel.h"
#include "engine/TDBThread.h"
#include "ui/core/ConversionControl.h"
#include "ui/core/LogTime.h"
#include "ui/core/WorkerSlot.h"
#include "ui/win32/Dialogs.h"

namespace ipmdb::ui::win32 {

// The controls' ids, by which tests find them (GetDlgItem). Tab goes through them in this order.
enum TControlId : int {
  kEdtTxtDbLabel = 100,
  kEdtTxtDb,
  kBtnSelTxt,
  kLabel1,
  kBtnOutput,
  kBtnFolder,
  kBtnDo,
  kLabel2,
  kMemInfo,
  kPbProgress,
  kLabel3,
  kHyperLink1,
};

// The window's private messages.
inline constexpr UINT kMsgServeProgress = WM_APP + 1;  // the worker waits to hand over a message
inline constexpr UINT kMsgWorkerLoaded = WM_APP + 2;   // wParam: the number of the start that ended
inline constexpr UINT kMsgChooseAtStart = WM_APP + 3;  // choose the text database named at start

// What the window starts from.
struct TStartOptions {
  // The folder of the program: the dialog's first folder, and the output's when files can be
  // created there.
  std::string FProgramFolder;
  // A text database to choose at start (the program's argument), or empty.
  std::string FTextDatabase;
};

class TFrmMain : private TRunWindow {
 public:
  // Creates the window, hidden, with its layout, and runs FormCreate. A text database in
  // `options` is chosen once the message loop runs, so an error about it is reported like any
  // other.
  explicit TFrmMain(const TStartOptions& options);
  // Destroys the window if it still exists, which stops and releases the worker.
  ~TFrmMain();
  TFrmMain(const TFrmMain&) = delete;
  TFrmMain& operator=(const TFrmMain&) = delete;

  // Null once the window has been destroyed.
  HWND Handle() const { return FHandle; }
  // Called once the window has been destroyed; the program ends its message loop there.
  void SetOnDestroyed(std::function<void()> handler) { FOnDestroyed = std::move(handler); }

  // Appends the numbered entry for `text` (UTF-8) to the log (NumberedLogEntry); nothing for an
  // empty text.
  void AddLog(const std::string& text);

  void btnseltxtClick();
  // Starts, pauses or resumes the conversion, by the control's state, which btndo's caption shows.
  void btndoClick();
  void btnoutputClick();
  void btnfolderClick();
  // Stops and releases the worker, if there is one.
  void StopWorker();

  // Writes the error to the log and shows it in a box with the error icon.
  void MyEventsException(const std::exception& error);

  // The clock of the log's time stamps and of the conversion's duration.
  void SetClock(TClock clock) { FClock = std::move(clock); }

  // For tests: the worker in the slot, or nullptr (also while its text database is being loaded).
  const engine::TDBThread* Worker() const;

 private:
  // The worker's receiver. ProgressPending runs on the worker's thread and only posts;
  // HandleProgress runs on the window's thread, inside ServeProgress, and sends the message to the
  // window. Both reach the window while it exists: its destruction releases the worker first.
  class TWorkerReceiver final : public engine::TProgressReceiver {
   public:
    explicit TWorkerReceiver(const TFrmMain& frame) : FFrame(frame) {}
    void HandleProgress(const engine::ProgressMessage& message) override;
    void ProgressPending() override;

   private:
    const TFrmMain& FFrame;
  };

  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
  void HandleCommand(int id, WORD code);
  // Runs `handler`; an exception it throws goes to MyEventsException.
  void RunGuarded(const std::function<void()>& handler);

  // Layout (FrmMainLayout.cpp).
  void BuildLayout();
  HWND AddControl(const wchar_t* className, TControlId id, const std::string& text, DWORD style, DWORD exStyle = 0);
  void MakeFonts();
  void PlaceControls();
  void PlaceOnScreen();
  void PaintPanels();
  LRESULT ColorOf(HDC dc, HWND control);
  void DrawButton(const DRAWITEMSTRUCT& item);
  void ChangeDpi(UINT dpi, const RECT& suggested);
  int Scale(int layoutPixels) const;

  void FormCreate(const TStartOptions& options);
  void OnClose();
  void OnDropFiles(HDROP drop);
  void ChooseTextDatabase(const std::string& path);
  std::string ChosenPath() const;
  void SetOutputPath(const std::string& path);
  void OnProgress(const engine::ProgressMessage& message);
  // The conversion control's side of the window (TRunWindow).
  void LogStart() override;
  TRunState RunState() const override { return FRunState; }
  void SetRunState(TRunState state) override;
  void RunBegins() override;
  void EmptyRunEnded() override;
  void EndRun(bool completed, int64_t records, const std::string& outputPath);
  void ShowRunProgress(int64_t done, int64_t total);

  HWND FHandle = nullptr;
  UINT FDpi = USER_DEFAULT_SCREEN_DPI;
  HFONT FWindowFont = nullptr;
  HFONT FLogFont = nullptr;
  HWND edt_txt_db = nullptr;
  HWND btndo = nullptr;
  HWND btnfolder = nullptr;
  HWND Label2 = nullptr;
  // Shows the output path whole over Label2, which shortens it to its width.
  HWND FOutputTip = nullptr;
  HWND meminfo = nullptr;
  HWND pbProgress = nullptr;

  std::function<void()> FOnDestroyed;
  TOpenDialog FOpenTxtDlg;
  TClock FClock = SystemNow;
  std::string FOutputPath;
  std::string FPathAtStart;
  int64_t FLogLines = 0;
  std::chrono::system_clock::time_point FRunStart;
  TRunState FRunState = TRunState::Idle;
  // Declared before the slot, which refers to it.
  TWorkerReceiver FReceiver{*this};
  // The hand-over reads FHandle, as the receiver does, only while a start or a worker exists:
  // both are released at WM_DESTROY, before the handle is cleared.
  TWorkerSlot FWorker{*this, FReceiver,
                      [this](uint64_t number) { PostMessageW(FHandle, kMsgWorkerLoaded, WPARAM(number), 0); }};
};

}  // namespace ipmdb::ui::win32
