// The one-slot hand-over between the worker's thread and the receiving thread.
#include "engine/ProgressChannel.h"

namespace ipmdb::engine {

void ProgressChannel::Send(const ProgressMessage& m) {
  if (FReceiver == nullptr) return;
  {
    std::lock_guard lock(FMutex);
    // After a cancel the slot may still hold the message the sender stopped waiting for; that
    // one is kept, the newer one dropped.
    if (FCancelled && FSlot != Slot::Empty) return;
    FMessage = m;
    FSlot = Slot::Waiting;
  }
  FChanged.notify_all();
  // Outside the lock: a receiver that dispatches at once from another thread must find the
  // message and be able to take it.
  FReceiver->ProgressPending();
  std::unique_lock lock(FMutex);
  FChanged.wait(lock, [this] { return FSlot == Slot::Empty || FCancelled; });
}

void ProgressChannel::Cancel() {
  {
    std::lock_guard lock(FMutex);
    FCancelled = true;
  }
  FChanged.notify_all();
}

void ProgressChannel::Close() {
  {
    std::lock_guard lock(FMutex);
    FClosed = true;
  }
  FChanged.notify_all();
}

bool ProgressChannel::Closed() const {
  std::lock_guard lock(FMutex);
  return FClosed;
}

bool ProgressChannel::Dispatch() {
  std::unique_lock lock(FMutex);
  return HandleWaiting(lock);
}

bool ProgressChannel::WaitAndDispatch(std::chrono::milliseconds timeout) {
  std::unique_lock lock(FMutex);
  FChanged.wait_for(lock, timeout, [this] { return FSlot == Slot::Waiting || FClosed; });
  return HandleWaiting(lock);
}

// The message is taken out of the slot (Handling) before the handler runs, with the lock
// released, so that a dispatch from inside the handler finds nothing and the sender keeps waiting
// until the handler has returned or thrown.
bool ProgressChannel::HandleWaiting(std::unique_lock<std::mutex>& lock) {
  if (FSlot != Slot::Waiting) return false;
  FSlot = Slot::Handling;
  const ProgressMessage message = FMessage;
  lock.unlock();
  struct Release {
    ProgressChannel& channel;
    ~Release() {
      {
        std::lock_guard relock(channel.FMutex);
        channel.FSlot = Slot::Empty;
      }
      channel.FChanged.notify_all();
    }
  } release{*this};
  FReceiver->HandleProgress(message);
  return true;
}

}  // namespace ipmdb::engine
