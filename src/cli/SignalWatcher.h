// SIGINT and SIGTERM as a terminate request: the signals are blocked in every thread and taken
// by sigwait on a thread of their own, so that no work happens in a signal handler and the
// request reaches the worker as an ordinary call.
#pragma once

#include <atomic>
#include <functional>
#include <thread>

namespace ipmdb::cli {

class SignalWatcher {
 public:
  // Blocks SIGINT, SIGTERM and the watcher's own wake-up signal in the calling thread and so in
  // every thread it creates afterwards. Call from main before any other thread exists; a signal
  // that arrives before a watcher runs stays pending until it does.
  static void BlockSignals();

  // Starts the thread that calls onStop (on that thread) for every SIGINT or SIGTERM. onStop must
  // stay callable until the watcher is destroyed.
  explicit SignalWatcher(std::function<void()> onStop);
  // Stops and joins the thread.
  ~SignalWatcher();
  SignalWatcher(const SignalWatcher&) = delete;
  SignalWatcher& operator=(const SignalWatcher&) = delete;

  // Whether a stop signal has arrived.
  bool Signalled() const { return FSignalled.load(); }

 private:
  void Watch();

  std::function<void()> FOnStop;
  std::atomic<bool> FSignalled{false};
  std::atomic<bool> FQuit{false};
  std::thread FThread;
};

}  // namespace ipmdb::cli
