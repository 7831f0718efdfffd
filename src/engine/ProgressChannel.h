// The worker's progress messages and the channel that carries them to their receiver. A message is
// delivered synchronously: the worker hands it over and waits until the receiver's own thread has
// handled it, so that progress reaches the receiver one message at a time, in the worker's order,
// and the next batch starts only after the previous one has been reported.
//
// Threads: exactly one sending thread (the worker's) and one receiving thread (the one that owns
// the worker: the window's thread, or the command line's main thread). The receiving thread hands
// a waiting message to the receiver by calling Dispatch or WaitAndDispatch; nothing else runs the
// receiver's handler. A receiving thread that waits for the worker without a time limit must keep
// dispatching meanwhile, or a worker blocked in Send never reaches its next check; or it cancels
// the waiting first (Cancel), as a terminate request does.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>

namespace ipmdb::engine {

// A batch of lines was executed and committed.
inline constexpr int kMsgBatchCommitted = 2129;
// A batch of lines was refused by the database and rolled back; the run ends after it.
inline constexpr int kMsgBatchFailed = 2130;

// wParam: the 1-based number of the last line of the batch. lParam: the number of lines of the
// text database.
struct ProgressMessage {
  int message;
  int32_t wParam;
  int32_t lParam;
};

// Implemented by whoever shows the progress: the window and the command-line converter.
class TProgressReceiver {
 public:
  virtual ~TProgressReceiver() = default;
  // Runs on the receiving thread, inside Dispatch or WaitAndDispatch, once per message.
  virtual void HandleProgress(const ProgressMessage& m) = 0;
  // Runs on the WORKER's thread right after a message was handed over and before the worker
  // starts to wait for it. A receiver with an event loop uses it to schedule a call of the
  // dispatch on its own thread (the window posts a queued call that calls
  // TDBThread::DispatchProgress()). Must not block, must not throw, and must not call the
  // dispatch itself.
  virtual void ProgressPending() {}
};

class ProgressChannel {
 public:
  // The receiver may be null: messages are then dropped at once and Send never waits. Otherwise
  // it must outlive the channel.
  explicit ProgressChannel(TProgressReceiver* receiver) : FReceiver(receiver) {}
  ProgressChannel(const ProgressChannel&) = delete;
  ProgressChannel& operator=(const ProgressChannel&) = delete;

  // Sending thread: hands the message over and returns once the receiver has handled it.
  void Send(const ProgressMessage& m);

  // Sending thread, once, as its last act: no message will come any more. Wakes a receiving
  // thread that waits in WaitAndDispatch.
  void Close();

  // Receiving thread: hands the waiting message, if any, to the receiver. Returns whether it did.
  // A dispatch from inside the receiver's handler finds nothing waiting: each message is handled
  // exactly once.
  bool Dispatch();

  // Receiving thread: waits until a message waits (and handles it), the channel is closed, or the
  // time-out has passed. Returns whether a message was handled.
  bool WaitAndDispatch(std::chrono::milliseconds timeout);

  // Whether Close has been called.
  bool Closed() const;

  // Any thread: from now on the sender no longer waits for its messages to be handled. A message
  // the sender is blocked on stays in the slot, and Send returns at once; so does every later
  // Send, which hands its message over only while the slot is free and drops it otherwise. A
  // message left in the slot is still dispatched by the next Dispatch or WaitAndDispatch, or
  // dropped with the channel.
  void Cancel();

 private:
  enum class Slot { Empty, Waiting, Handling };

  bool HandleWaiting(std::unique_lock<std::mutex>& lock);

  TProgressReceiver* const FReceiver;
  mutable std::mutex FMutex;
  std::condition_variable FChanged;  // a message came, was handled, or the channel closed
  Slot FSlot = Slot::Empty;
  ProgressMessage FMessage{};
  bool FClosed = false;
  bool FCancelled = false;
};

}  // namespace ipmdb::engine
