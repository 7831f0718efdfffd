// Stop signals through a signalfd.
#include "ui/qt/StopSignals.h"

#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <utility>

namespace ipmdb::ui {
namespace {

sigset_t StopSet() {
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, SIGTERM);
  sigaddset(&set, SIGINT);
  sigaddset(&set, SIGHUP);
  return set;
}

}  // namespace

void TStopSignals::Block() {
  const sigset_t set = StopSet();
  pthread_sigmask(SIG_BLOCK, &set, nullptr);
}

TStopSignals::TStopSignals(std::function<void()> onStop) : FOnStop(std::move(onStop)) {
  const sigset_t set = StopSet();
  FDescriptor = ::signalfd(-1, &set, SFD_NONBLOCK | SFD_CLOEXEC);
  // Without a signalfd the signals stay blocked and are never read: the program then ends only
  // when its window is closed, which loses nothing.
  if (FDescriptor < 0) return;
  FNotifier = new QSocketNotifier(FDescriptor, QSocketNotifier::Read, this);
  connect(FNotifier, &QSocketNotifier::activated, this, &TStopSignals::Read);
}

TStopSignals::~TStopSignals() {
  if (FDescriptor >= 0) ::close(FDescriptor);
}

void TStopSignals::Read() {
  signalfd_siginfo info;
  bool stop = false;
  while (::read(FDescriptor, &info, sizeof info) == ssize_t(sizeof info)) stop = true;
  if (stop && FOnStop) FOnStop();
}

}  // namespace ipmdb::ui
