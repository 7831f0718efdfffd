// The progress bar: the common controls' bar, which draws no text of its own, with its window
// text drawn centred over it (the percentage and the time left).
#pragma once

#include <windows.h>

namespace ipmdb::ui::win32 {

// Creates the bar as a child of `parent` with `id`, range 0 to 100. Its text is drawn in the
// font `*font` names at the time of painting; `font` must outlive the bar.
HWND CreateProgressBar(HWND parent, int id, const HFONT* font);

// Sets the bar's position (0 to 100) and its text (UTF-16).
void ShowProgress(HWND bar, int percent, const wchar_t* text);

}  // namespace ipmdb::ui::win32
