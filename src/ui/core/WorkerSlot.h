// The window's conversion worker (the worker slot) and the carrying-out of the convert button's
// decision, written once for every window; each window draws what follows through TRunWindow and
// brings the worker's hand-over to its own thread.
//
// Threads: everything here runs on the window's thread, except the worker's construction, which
// loads the text database and may wait on it for as long as a FIFO's writer or a slow disk takes:
// a starter thread constructs it, with the slot's stop request, and then calls the hand-over,
// which only posts the start's number to the window's thread, where the window passes it to
// WorkerLoaded. The window stays responsive, and a stop ends the load within 100 ms.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "engine/ProgressChannel.h"
#include "engine/TDBThread.h"
#include "ui/core/ConversionControl.h"

namespace ipmdb::ui {

// What the conversion control asks of the window, on the window's thread.
class TRunWindow {
 public:
  // Appends the line that starts a conversion, with its time, to the log.
  virtual void LogStart() = 0;
  virtual TRunState RunState() const = 0;
  // The control's state, and the convert button's caption with it.
  virtual void SetRunState(TRunState state) = 0;
  // A loaded worker has been taken into the slot: the run's clock and progress start.
  virtual void RunBegins() = 0;
  // The worker's text database has no line: it is converted as soon as it is loaded, with no
  // batch and no message.
  virtual void EmptyRunEnded() = 0;

 protected:
  ~TRunWindow() = default;
};

// At most one worker: the one being loaded, or the one loaded and taken over.
class TWorkerSlot {
 public:
  // Runs on the starter thread once start `number` has ended its load, whether it succeeded or
  // failed; must only post `number` to the window's thread.
  using THandOver = std::function<void(uint64_t number)>;

  // `window` and `receiver` (which gets every worker's progress messages) outlive the slot.
  TWorkerSlot(TRunWindow& window, engine::TProgressReceiver& receiver, THandOver handOver);
  // Stops and releases the worker.
  ~TWorkerSlot();
  TWorkerSlot(const TWorkerSlot&) = delete;
  TWorkerSlot& operator=(const TWorkerSlot&) = delete;

  // Carries out the convert button's decision (DecideDoAction) for the text database `path` and
  // the output database `outputPath`, both UTF-8, and sets the state it decides.
  void DoClick(const std::string& path, const std::string& outputPath);
  // The starter of start `number` has ended: takes its worker into the slot and starts the run,
  // or empties the slot, puts the control back in the state it had before the start and throws
  // why there is no worker. Nothing when that start's slot has been released meanwhile.
  void WorkerLoaded(uint64_t number);
  // Stops and releases the worker, if there is one.
  void Stop();
  // Hands the message the current worker is waiting to deliver, if any, to the receiver.
  void ServeProgress();

  // What the button's table sees of the slot; a worker being loaded counts as created.
  std::optional<TWorkerView> View() const;
  // The worker taken over, or nullptr (also while its text database is being loaded).
  engine::TDBThread* Worker() const;

 private:
  struct TStart;

  // Starts loading the text database and resetting the output on a starter thread.
  // `stateBefore`: the control's state to go back to when the start fails.
  void Create(const std::string& path, const std::string& outputPath, TRunState stateBefore);

  TRunWindow& FWindow;
  engine::TProgressReceiver& FReceiver;
  const THandOver FHandOver;
  uint64_t FStarts = 0;  // workers started so far
  std::unique_ptr<TStart> FStart;
};

}  // namespace ipmdb::ui
