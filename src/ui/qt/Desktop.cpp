// Opening through the desktop, and its test hook.
#include "ui/qt/Desktop.h"

#include <QDesktopServices>
#include <utility>

namespace ipmdb::ui {
namespace {

TDesktopHook& Hook() {
  static TDesktopHook hook;
  return hook;
}

}  // namespace

bool OpenWithDesktop(const QUrl& url) { return Hook() ? Hook()(url) : QDesktopServices::openUrl(url); }

void SetDesktopTestHook(TDesktopHook hook) { Hook() = std::move(hook); }

}  // namespace ipmdb::ui
