// The application object and the one road of every error raised on the window's thread: the
// exception handler (the window's MyEventsException), which reports it, after which the program
// goes on.
//
// Two entrances lead there. notify() catches whatever escapes the handling of an event: queued
// calls, timers, event overrides, the events of a dialog's or message box's own loop. Qt's widget
// library, though, is built without exception support: an exception unwinding through its frames
// skips their clean-up, leaking the events they copied and leaving half-done state behind. So
// code that Qt's widgets call (the slots of a button's clicked signal, a label's mouse override)
// runs through RunGuarded, which catches at the edge of our own code and reports the same way.
#pragma once

#include <QApplication>
#include <exception>
#include <functional>

namespace ipmdb::ui {

class TApplication : public QApplication {
  Q_OBJECT

 public:
  TApplication(int& argc, char** argv);

  // Called with the object the failing event was sent to and the exception. Without a handler
  // the message goes to Qt's warning output.
  using TExceptionHandler = std::function<void(QObject* sender, const std::exception& error)>;
  void SetOnException(TExceptionHandler handler);

  // The application of this process when it is a TApplication, else nullptr.
  static TApplication* Instance();

  // Runs `handler`; an exception it throws goes to the exception handler, with `sender`.
  static void RunGuarded(QObject* sender, const std::function<void()>& handler);

  bool notify(QObject* receiver, QEvent* event) override;

 private:
  static void Report(QObject* sender, const std::exception& error);
  void HandleException(QObject* sender, const std::exception& error);

  TExceptionHandler FOnException;
};

}  // namespace ipmdb::ui
