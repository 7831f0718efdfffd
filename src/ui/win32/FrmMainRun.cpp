// TFrmMain's conversion control: the convert button, the worker slot, the worker's progress
// messages and the end of a run.
#include "ui/win32/FrmMain.h"

#include "platform/win32/Wide.h"
#include "ui/core/LogLines.h"
#include "ui/core/ProgressText.h"
#include "ui/core/Texts.h"
#include "ui/core/UiError.h"
#include "ui/win32/ProgressBar.h"

namespace ipmdb::ui::win32 {
void TFrmMain::TWorkerReceiver::HandleProgress(const engine::ProgressMessage& message) {
  SendMessageW(FFrame.FHandle, UINT(message.message), WPARAM(message.wParam), LPARAM(message.lParam));
}

void TFrmMain::TWorkerReceiver::ProgressPending() { PostMessageW(FFrame.FHandle, kMsgServeProgress, 0, 0); }

void TFrmMain::btndoClick() { FWorker.DoClick(ChosenPath(), FOutputPath); }

void TFrmMain::LogStart() { AddLog(StartLogLine(LogTimeStamp(FClock()))); }

void TFrmMain::SetRunState(TRunState state) {
  FRunState = state;
  SetWindowTextW(btndo, platform::WideFromUtf8(CaptionOf(state)).c_str());
}

void TFrmMain::RunBegins() {
  FRunStart = FClock();
  ShowRunProgress(0, 1);
  EnableWindow(btnfolder, TRUE);
}

void TFrmMain::EmptyRunEnded() { EndRun(true, 0, FOutputPath); }

void TFrmMain::StopWorker() { FWorker.Stop(); }

const engine::TDBThread* TFrmMain::Worker() const { return FWorker.Worker(); }

// Messages 2129 and 2130, from the current worker through ServeProgress.
void TFrmMain::OnProgress(const engine::ProgressMessage& message) {
  AddLog(ProgressLogLine(message, LogTimeStamp(FClock())));
  const engine::TDBThread* worker = Worker();
  // Why the batch was refused, as its own line, so that the user learns that and why the
  // conversion stopped.
  if (message.message == engine::kMsgBatchFailed && worker != nullptr) AddLog(worker->ErrorText());
  if (message.message == engine::kMsgBatchCommitted) ShowRunProgress(message.wParam, message.lParam);
  const TRunEnd end = RunEndOf(message);
  if (end != TRunEnd::None) {
    EndRun(end == TRunEnd::Completed, message.lParam, worker != nullptr ? worker->OutputPath() : FOutputPath);
  }
}

void TFrmMain::EndRun(bool completed, int64_t records, const std::string& outputPath) {
  if (completed) {
    ShowRunProgress(1, 1);
    AddLog(FinishedLogLine(records, MillisecondsBetween(FRunStart, FClock()), outputPath));
  }
  SetRunState(TRunState::Idle);
}

void TFrmMain::ShowRunProgress(int64_t done, int64_t total) {
  const std::wstring text = platform::WideFromUtf8(ProgressText(done, total, MillisecondsBetween(FRunStart, FClock())));
  ShowProgress(pbProgress, ProgressPercent(done, total), text.c_str());
}

}  // namespace ipmdb::ui::win32
