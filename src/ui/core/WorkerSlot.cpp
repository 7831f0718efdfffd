// TWorkerSlot: the starter thread, the hand-over of the loaded worker, the convert button's
// actions and the worker's stop.
#include "ui/core/WorkerSlot.h"

#include <atomic>
#include <chrono>
#include <exception>
#include <thread>
#include <utility>

#include "ui/core/Texts.h"
#include "ui/core/UiError.h"

namespace ipmdb::ui {
namespace {

// How long Stop waits for the worker's end before releasing it. The terminate request cancels
// any delivery the worker waits on, so the worker ends at its next line check, well within this;
// the release that follows waits for it regardless.
constexpr std::chrono::milliseconds kStopWait(3000);

}  // namespace

// One start. The stop request is declared first, so it outlives the worker that refers to it.
// The starter thread writes FLoaded or FFailure and then only calls the hand-over; the window's
// thread reads them once it has joined the starter.
struct TWorkerSlot::TStart {
  TStart(uint64_t number, TRunState stateBefore) : FNumber(number), FStateBefore(stateBefore) {}
  // Also on the way out of a failed start: a load under way ends at its next look at the stop
  // request.
  ~TStart() {
    FStop.store(true);
    if (FStarter.joinable()) FStarter.join();
  }
  TStart(const TStart&) = delete;
  TStart& operator=(const TStart&) = delete;

  // Set to stop the load and the run; the worker acts on it as on Terminate().
  std::atomic<bool> FStop{false};
  // Which start of the slot's this is: a hand-over for a start released meanwhile is dropped.
  const uint64_t FNumber;
  const TRunState FStateBefore;
  std::unique_ptr<engine::TDBThread> FLoaded;
  std::exception_ptr FFailure;
  std::unique_ptr<engine::TDBThread> FThread;
  std::thread FStarter;
};

TWorkerSlot::TWorkerSlot(TRunWindow& window, engine::TProgressReceiver& receiver, THandOver handOver)
    : FWindow(window), FReceiver(receiver), FHandOver(std::move(handOver)) {}

TWorkerSlot::~TWorkerSlot() { Stop(); }

void TWorkerSlot::DoClick(const std::string& path, const std::string& outputPath) {
  if (path.empty()) throw UiError(texts::EmptyPath());

  const TRunState state = FWindow.RunState();
  const TDoDecision decision = DecideDoAction(state, View());
  switch (decision.FAction) {
    case TDoAction::StartFirst:
      FWindow.LogStart();
      Create(path, outputPath, state);
      break;
    case TDoAction::Restart:
      Stop();
      FWindow.LogStart();
      Create(path, outputPath, state);
      break;
    case TDoAction::Create:
      Create(path, outputPath, state);
      break;
    case TDoAction::Replace:
      Stop();
      Create(path, outputPath, state);
      break;
    case TDoAction::Resume:
      FStart->FThread->Resume();
      break;
    case TDoAction::Pause:
      FStart->FThread->Suspend();
      break;
    case TDoAction::Clear:
      Stop();
      break;
    case TDoAction::Nothing:
      break;
  }
  FWindow.SetRunState(decision.FState);
}

std::optional<TWorkerView> TWorkerSlot::View() const {
  if (!FStart) return std::nullopt;
  if (!FStart->FThread) return TWorkerView{TWorkerState::Created, false};
  return TWorkerView{FStart->FThread->State(), FStart->FThread->Suspended()};
}

engine::TDBThread* TWorkerSlot::Worker() const { return FStart ? FStart->FThread.get() : nullptr; }

void TWorkerSlot::Create(const std::string& path, const std::string& outputPath, TRunState stateBefore) {
  auto start = std::make_unique<TStart>(++FStarts, stateBefore);
  TStart* const started = start.get();
  // The slot outlives the starter: releasing the start joins it. The worker is created
  // suspended, so that it hands over no message before it is in the slot.
  started->FStarter = std::thread([this, started, path, outputPath] {
    try {
      started->FLoaded =
          std::make_unique<engine::TDBThread>(true, path, &FReceiver, outputPath, &started->FStop);
    } catch (...) {
      started->FFailure = std::current_exception();
    }
    FHandOver(started->FNumber);
  });
  FStart = std::move(start);
}

void TWorkerSlot::WorkerLoaded(uint64_t number) {
  if (!FStart || FStart->FNumber != number) return;
  TStart& start = *FStart;
  start.FStarter.join();
  if (start.FFailure) {
    // A failed start leaves the control as it was and the slot empty.
    const std::exception_ptr failure = start.FFailure;
    FWindow.SetRunState(start.FStateBefore);
    FStart.reset();
    std::rethrow_exception(failure);
  }
  start.FThread = std::move(start.FLoaded);
  FWindow.RunBegins();
  if (RunsOnceLoaded(FWindow.RunState())) start.FThread->Resume();
  if (start.FThread->LineCount() == 0) FWindow.EmptyRunEnded();
}

void TWorkerSlot::Stop() {
  if (!FStart) return;
  // A load under way ends at its next look at the stop request, within 100 ms; a worker loaded
  // meanwhile and not yet handed over is released with the start.
  FStart->FStop.store(true);
  if (FStart->FStarter.joinable()) FStart->FStarter.join();
  if (engine::TDBThread* worker = FStart->FThread.get()) {
    // A paused worker would never reach its next terminate check.
    if (worker->Suspended()) worker->Resume();
    worker->Terminate();
    (void)worker->WaitFor(kStopWait);
  }
  FStart.reset();
}

void TWorkerSlot::ServeProgress() {
  if (FStart && FStart->FThread) FStart->FThread->DispatchProgress();
}

}  // namespace ipmdb::ui
