// The application object and its exception handling.
#include "ui/qt/Application.h"

#include <QtGlobal>
#include <stdexcept>
#include <utility>

#include "ui/core/Texts.h"

namespace ipmdb::ui {
namespace {

// For a thrown value that is not a std::exception and so carries no message.
std::runtime_error UnknownError() { return std::runtime_error(texts::UnknownError()); }

}  // namespace

TApplication::TApplication(int& argc, char** argv) : QApplication(argc, argv) {}

void TApplication::SetOnException(TExceptionHandler handler) { FOnException = std::move(handler); }

TApplication* TApplication::Instance() { return qobject_cast<TApplication*>(QCoreApplication::instance()); }

void TApplication::RunGuarded(QObject* sender, const std::function<void()>& handler) {
  try {
    handler();
  } catch (const std::exception& error) {
    Report(sender, error);
  } catch (...) {
    Report(sender, UnknownError());
  }
}

bool TApplication::notify(QObject* receiver, QEvent* event) {
  try {
    return QApplication::notify(receiver, event);
  } catch (const std::exception& error) {
    HandleException(receiver, error);
  } catch (...) {
    HandleException(receiver, UnknownError());
  }
  return false;
}

void TApplication::Report(QObject* sender, const std::exception& error) {
  if (TApplication* application = Instance()) {
    application->HandleException(sender, error);
  } else {
    qWarning("%s", error.what());
  }
}

void TApplication::HandleException(QObject* sender, const std::exception& error) {
  if (!FOnException) {
    qWarning("%s", error.what());
    return;
  }
  // The handler reports through the log and a message box; should that fail too, the second
  // failure must not escape notify(), where it would end the program.
  try {
    FOnException(sender, error);
  } catch (const std::exception& second) {
    qWarning("%s", second.what());
  } catch (...) {
    qWarning("%s", error.what());
  }
}

}  // namespace ipmdb::ui
