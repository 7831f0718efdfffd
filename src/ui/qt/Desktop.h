// Handing an address or a folder to the desktop, which opens it with the program registered for
// it (a web address in the browser, a folder in the file manager) without waiting for it.
//
// Tests set a hook in place of the desktop, so that no test starts a browser or a file manager.
#pragma once

#include <QUrl>
#include <functional>

namespace ipmdb::ui {

// False when the desktop found no program to open it with.
bool OpenWithDesktop(const QUrl& url);

// While a hook is set, OpenWithDesktop hands each address to it and returns what it returns. An
// empty hook restores the desktop.
using TDesktopHook = std::function<bool(const QUrl& url)>;
void SetDesktopTestHook(TDesktopHook hook);

}  // namespace ipmdb::ui
