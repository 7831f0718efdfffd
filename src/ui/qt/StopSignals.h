// The window program's answer to SIGTERM, SIGINT and SIGHUP (a logout, kill, Ctrl-C in the
// terminal that started it): the window is closed as if the user had closed it and confirmed, so
// the conversion stops at a committed batch and the program ends normally.
//
// The signals are blocked in every thread and read from a signalfd by the event loop, so no code
// runs in a signal handler. Block() must come first in main(), before any thread exists, so that
// every thread inherits the blocked set; a signal that comes before the event loop runs waits
// until it does.
#pragma once

#include <QObject>
#include <functional>

class QSocketNotifier;

namespace ipmdb::ui {

class TStopSignals : public QObject {
  Q_OBJECT

 public:
  static void Block();

  // Calls `onStop` on this thread for each stop signal that arrives.
  explicit TStopSignals(std::function<void()> onStop);
  ~TStopSignals() override;
  TStopSignals(const TStopSignals&) = delete;
  TStopSignals& operator=(const TStopSignals&) = delete;

 private:
  void Read();

  int FDescriptor = -1;
  QSocketNotifier* FNotifier = nullptr;
  std::function<void()> FOnStop;
};

}  // namespace ipmdb::ui
