// THyperLink for Win32: a window class that shows a web address like a link on a web page. Blue
// at rest; while the mouse pointer is over it, red, bold and underlined, with the hand pointer.
// A click, or Space or Enter while it has the keyboard focus (it is a tab stop and shows the
// focus with a dotted frame), hands the address to the shell (OpenWithShell). When the shell
// cannot open it, the parent hears of it by WM_COMMAND with the link's id and kLinkOpenFailed.
//
// The address is the window's text. The link takes its font from WM_SETFONT and then sizes itself
// to its text in the bold font, so that the entered look fits too.
#pragma once

#include <windows.h>

namespace ipmdb::ui::win32 {

// The notification code of WM_COMMAND when the shell could not open the address.
inline constexpr WORD kLinkOpenFailed = 1;

// Registers the window class once; returns its name, for CreateWindowExW.
const wchar_t* HyperLinkClass();

}  // namespace ipmdb::ui::win32
