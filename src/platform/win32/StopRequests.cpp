// The console control handler behind StopRequestWatcher.
#include "platform/StopRequests.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <condition_variable>
#include <mutex>

namespace ipmdb::platform {
namespace {

std::mutex gMutex;
StopRequestWatcher* gWatcher = nullptr;  // the running watcher, under gMutex
std::condition_variable gWatcherEnded;

}  // namespace

// The system calls the handler on a thread it makes for each event. Ctrl-C and Ctrl-Break become
// a stop request and the process goes on, to stop where the worker can. Closing the console
// window becomes one too, but the system ends the process as soon as the handler returns (or
// after its own grace of some seconds), so the handler waits until the watcher is destroyed: the
// conversion has then stopped and said what it kept. With no watcher running, or for another
// event (log-off, shut-down), the next handler, the system's default, ends the process.
struct ConsoleControl {
  static BOOL WINAPI Handle(DWORD event) {
    if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT && event != CTRL_CLOSE_EVENT) return FALSE;
    std::unique_lock lock(gMutex);
    if (gWatcher == nullptr) return FALSE;
    gWatcher->Request();
    if (event == CTRL_CLOSE_EVENT) gWatcherEnded.wait(lock, [] { return gWatcher == nullptr; });
    return TRUE;
  }
};

void StopRequestWatcher::BlockStopSignals() {}

StopRequestWatcher::StopRequestWatcher(std::function<void()> onStop) : FOnStop(std::move(onStop)) {
  const std::lock_guard lock(gMutex);
  gWatcher = this;
  SetConsoleCtrlHandler(ConsoleControl::Handle, TRUE);
}

StopRequestWatcher::~StopRequestWatcher() {
  SetConsoleCtrlHandler(ConsoleControl::Handle, FALSE);
  {
    const std::lock_guard lock(gMutex);
    gWatcher = nullptr;
  }
  gWatcherEnded.notify_all();
}

void StopRequestWatcher::Request() {
  FRequested.store(true);
  FOnStop();
}

}  // namespace ipmdb::platform
