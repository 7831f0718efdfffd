// The text of a window or control, as the wide functions give it.
#pragma once

#include <windows.h>

#include <string>

namespace ipmdb::ui::win32 {

inline std::wstring WindowText(HWND window) {
  std::wstring text(size_t(GetWindowTextLengthW(window)) + 1, L'\0');
  text.resize(size_t(GetWindowTextW(window, text.data(), int(text.size()))));
  return text;
}

}  // namespace ipmdb::ui::win32
