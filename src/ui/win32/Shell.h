// What the window asks of the Windows shell: opening an address or a folder with the program
// registered for it, the user's documents folder, and whether a file can be created in a folder.
//
// Tests set a hook in place of the shell, so that no test starts a browser or Explorer.
#pragma once

#include <functional>
#include <string>

namespace ipmdb::ui::win32 {

// Hands `target` (UTF-8: a web address or a folder) to the shell's "open" verb, without waiting
// for the program it starts. False when the shell found nothing to open it with.
bool OpenWithShell(const std::string& target);

// While a hook is set, OpenWithShell hands each target to it and returns what it returns. An
// empty hook restores the shell.
using TShellHook = std::function<bool(const std::string& target)>;
void SetShellTestHook(TShellHook hook);

// The user's documents folder (UTF-8); the profile folder when the shell names none.
std::string DocumentsFolder();

// Whether a file can be created in `folder`, found out by creating one that the system deletes
// when it is closed: under Program Files the access list, not a read-only flag, refuses it.
bool CanCreateFilesIn(const std::string& folder);

}  // namespace ipmdb::ui::win32
