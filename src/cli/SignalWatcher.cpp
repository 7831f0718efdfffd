// The sigwait thread behind SignalWatcher.
#include "cli/SignalWatcher.h"

#include <pthread.h>
#include <signal.h>

namespace ipmdb::cli {
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

void SignalWatcher::BlockSignals() {
  const sigset_t set = WatchedSignals();
  pthread_sigmask(SIG_BLOCK, &set, nullptr);
}

SignalWatcher::SignalWatcher(std::function<void()> onStop) : FOnStop(std::move(onStop)) {
  FThread = std::thread(&SignalWatcher::Watch, this);
}

SignalWatcher::~SignalWatcher() {
  FQuit.store(true);
  pthread_kill(FThread.native_handle(), kWakeSignal);
  FThread.join();
}

void SignalWatcher::Watch() {
  const sigset_t set = WatchedSignals();
  while (!FQuit.load()) {
    int signal = 0;
    if (sigwait(&set, &signal) != 0 || signal == kWakeSignal) continue;
    FSignalled.store(true);
    FOnStop();
  }
}

}  // namespace ipmdb::cli
