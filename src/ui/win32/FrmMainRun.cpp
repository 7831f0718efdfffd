// TFrmMain's conversion control: the convert button, the worker slot, the worker's progress
// messages and the end of a run.
#include "ui/win32/FrmMain.h"

#include "platform/win32/Wide.h"
#include "ui/core/LogLines.h"
#include "ui/core/ProgressText.h"
#include "ui/core/Texts.h"
#include "ui/core/UiError.h"
#include "ui/win32/ProgressBar.h"
#include "ui/win32/WorkerSlot.h"

namespace ipmdb::ui::win32 {
namespace {

// How long StopWorker waits for the worker's end before releasing it. The terminate request
// cancels any delivery the worker waits on, so the worker ends at its next line check, well
// within this; the release that follows waits for it regardless.
constexpr std::chrono::milliseconds kStopWait(3000);

std::wstring Wide(const std::string& text) { return platform::WideFromUtf8(text); }

}  // namespace

void TFrmMain::btndoClick() {
  const std::string path = ChosenPath();
  if (path.empty()) throw UiError(texts::EmptyPath());

  const TRunState state = FRunState;
  const TDoDecision decision = DecideDoAction(state, WorkerView());
  switch (decision.FAction) {
    case TDoAction::StartFirst:
      AddLog(StartLogLine(LogTimeStamp(FClock())));
      CreateWorker(path, state);
      break;
    case TDoAction::Restart:
      StopWorker();
      AddLog(StartLogLine(LogTimeStamp(FClock())));
      CreateWorker(path, state);
      break;
    case TDoAction::Create:
      CreateWorker(path, state);
      break;
    case TDoAction::Replace:
      StopWorker();
      CreateWorker(path, state);
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
  SetRunState(decision.FState);
}

void TFrmMain::SetRunState(TRunState state) {
  FRunState = state;
  SetWindowTextW(btndo, Wide(CaptionOf(state)).c_str());
}

std::optional<TWorkerView> TFrmMain::WorkerView() const {
  if (!FWorker) return std::nullopt;
  if (!FWorker->FThread) return TWorkerView{TWorkerState::Created, false};
  return TWorkerView{FWorker->FThread->State(), FWorker->FThread->Suspended()};
}

void TFrmMain::CreateWorker(const std::string& path, TRunState stateBefore) {
  auto slot = std::make_unique<TWorkerSlot>(FHandle, ++FStarts);
  slot->FStateBefore = stateBefore;
  TWorkerSlot* const started = slot.get();
  // The window outlives the starter: releasing the slot joins it. The worker is created
  // suspended, so that it hands over no message before it is in the slot.
  started->FStarter = std::thread([started, window = FHandle, path, output = FOutputPath] {
    try {
      started->FLoaded = std::make_unique<engine::TDBThread>(true, path, &started->FReceiver, output, &started->FStop);
    } catch (...) {
      started->FFailure = std::current_exception();
    }
    PostMessageW(window, kMsgWorkerLoaded, WPARAM(started->FNumber), 0);
  });
  FWorker = std::move(slot);
}

void TFrmMain::WorkerLoaded(uint64_t number) {
  if (!FWorker || FWorker->FNumber != number) return;
  TWorkerSlot& slot = *FWorker;
  slot.FStarter.join();
  if (slot.FFailure) {
    // A failed start leaves the control as it was and the slot empty.
    const std::exception_ptr failure = slot.FFailure;
    SetRunState(slot.FStateBefore);
    FWorker.reset();
    std::rethrow_exception(failure);
  }
  slot.FThread = std::move(slot.FLoaded);
  FRunStart = FClock();
  ShowRunProgress(0, 1);
  EnableWindow(btnfolder, TRUE);
  if (RunsOnceLoaded(FRunState)) slot.FThread->Resume();
  // A text database without a line is converted as soon as it is loaded: no batch, no message.
  if (slot.FThread->LineCount() == 0) EndRun(true, 0, FOutputPath);
}

void TFrmMain::StopWorker() {
  if (!FWorker) return;
  // A load under way ends at its next look at the stop request, within 100 ms; a worker loaded
  // meanwhile and not yet handed over is released with the slot.
  FWorker->FStop.store(true);
  if (FWorker->FStarter.joinable()) FWorker->FStarter.join();
  if (engine::TDBThread* worker = FWorker->FThread.get()) {
    // A paused worker would never reach its next terminate check.
    if (worker->Suspended()) worker->Resume();
    worker->Terminate();
    (void)worker->WaitFor(kStopWait);
  }
  FWorker.reset();
}

const engine::TDBThread* TFrmMain::Worker() const { return FWorker ? FWorker->FThread.get() : nullptr; }

void TFrmMain::ServeProgress() {
  if (FWorker && FWorker->FThread) FWorker->FThread->DispatchProgress();
}

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
  const std::wstring text = Wide(ProgressText(done, total, MillisecondsBetween(FRunStart, FClock())));
  ShowProgress(pbProgress, ProgressPercent(done, total), text.c_str());
}

}  // namespace ipmdb::ui::win32
