// The sigwait thread behind StopRequestWatcher.
#include "platform/StopRequests.h"

#include <pthread.h>
#include <signal.h>

namespace ipmdb::platform {
namespace {

// Sent by the destructor to the watcher's thread alone, to end its wait.
constexpr int kWakeSignal = SIGUSR1;

sigset_t WatchedSignals() {
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, SIGINT);
  sigaddset(&set, SIGTERM);
  sigaddset(&set, kWakeSignal);
  return set;
}

}  // namespace

void StopRequestWatcher::BlockStopSignals() {
  const sigset_t set = WatchedSignals();
  pthread_sigmask(SIG_BLOCK, &set, nullptr);
}

StopRequestWatcher::StopRequestWatcher(std::function<void()> onStop) : FOnStop(std::move(onStop)) {
  FThread = std::thread(&StopRequestWatcher::Watch, this);
}

StopRequestWatcher::~StopRequestWatcher() {
  FQuit.store(true);
  pthread_kill(FThread.native_handle(), kWakeSignal);
  FThread.join();
}

void StopRequestWatcher::Watch() {
  const sigset_t set = WatchedSignals();
  while (!FQuit.load()) {
    int signal = 0;
    if (sigwait(&set, &signal) != 0 || signal == kWakeSignal) continue;
    Request();
  }
}

void StopRequestWatcher::Request() {
  FRequested.store(true);
  FOnStop();
}

}  // namespace ipmdb::platform
