// Stop requests from outside the program, as one call on a thread of the watcher's own, so that
// no work happens in a signal handler and the request reaches the worker as an ordinary call:
// - POSIX: SIGINT and SIGTERM, blocked in every thread and taken by sigwait;
// - Windows: the console's control events Ctrl-C, Ctrl-Break and the closing of its window,
//   through SetConsoleCtrlHandler, whose handlers the system runs on a thread it makes for each.
// (The Qt window takes its stop signals through its own event loop, src/ui/StopSignals.)
#pragma once

#include <atomic>
#include <functional>
#include <thread>

namespace ipmdb::platform {

class StopRequestWatcher {
 public:
  // POSIX: blocks SIGINT, SIGTERM and the watcher's own wake-up signal in the calling thread and
  // so in every thread it creates afterwards. Call from main before any other thread exists; a
  // signal that arrives before a watcher runs stays pending until it does. Windows: nothing to
  // do, an event that comes before a watcher runs ends the process as it does by default.
  static void BlockStopSignals();

  // Starts watching; onStop is called (on the watcher's thread) for every stop request. onStop
  // must stay callable until the watcher is destroyed. One watcher at a time.
  explicit StopRequestWatcher(std::function<void()> onStop);
  // Stops watching; once it returns, onStop is not called again.
  ~StopRequestWatcher();
  StopRequestWatcher(const StopRequestWatcher&) = delete;
  StopRequestWatcher& operator=(const StopRequestWatcher&) = delete;

  // Whether a stop request has arrived.
  bool Requested() const { return FRequested.load(); }

 private:
#ifdef _WIN32
  friend struct ConsoleControl;  // the console control handler, which calls Request
#else
  void Watch();
#endif
  void Request();

  std::function<void()> FOnStop;
  std::atomic<bool> FRequested{false};
#ifndef _WIN32
  std::atomic<bool> FQuit{false};
  std::thread FThread;
#endif
};

}  // namespace ipmdb::platform
