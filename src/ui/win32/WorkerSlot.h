// The window's worker slot and the receiver of the worker's progress, shared by the files of
// TFrmMain.
#pragma once

#include <atomic>
#include <exception>
#include <memory>
#include <thread>

#include "engine/ProgressChannel.h"
#include "engine/TDBThread.h"
#include "ui/win32/FrmMain.h"

namespace ipmdb::ui::win32 {

// The worker's receiver. ProgressPending runs on the worker's thread and only posts; HandleProgress
// runs on the window's thread, inside ServeProgress, and sends the message to the window.
class TFrmMain::TWorkerReceiver final : public engine::TProgressReceiver {
 public:
  explicit TWorkerReceiver(HWND window) : FWindow(window) {}

  void HandleProgress(const engine::ProgressMessage& message) override {
    SendMessageW(FWindow, UINT(message.message), WPARAM(message.wParam), LPARAM(message.lParam));
  }

  // Fails harmlessly once the window is gone; its destruction released the worker first.
  void ProgressPending() override { PostMessageW(FWindow, kMsgServeProgress, 0, 0); }

 private:
  const HWND FWindow;
};

// The receiver and the stop request are declared first, so they outlive the worker that refers
// to them. The starter thread writes FLoaded or FFailure and then only posts the hand-over; this
// thread reads them once it has joined the starter.
struct TFrmMain::TWorkerSlot {
  TWorkerSlot(HWND window, uint64_t number) : FReceiver(window), FNumber(number) {}
  // Also on the way out of a failed start: a load under way ends at its next look at the stop
  // request.
  ~TWorkerSlot() {
    FStop.store(true);
    if (FStarter.joinable()) FStarter.join();
  }
  TWorkerSlot(const TWorkerSlot&) = delete;
  TWorkerSlot& operator=(const TWorkerSlot&) = delete;

  TWorkerReceiver FReceiver;
  // Set to stop the load and the run; the worker acts on it as on Terminate().
  std::atomic<bool> FStop{false};
  // Which start of the window's made the slot: a hand-over for a slot released meanwhile is dropped.
  const uint64_t FNumber;
  TRunState FStateBefore = TRunState::Idle;
  std::unique_ptr<engine::TDBThread> FLoaded;
  std::exception_ptr FFailure;
  std::unique_ptr<engine::TDBThread> FThread;
  std::thread FStarter;
};

}  // namespace ipmdb::ui::win32
