// The Windows system error texts.
#include "platform/SystemError.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <cstring>

#include "platform/win32/Wide.h"

namespace ipmdb::platform {

// strerror_s writes into the caller's buffer, so threads do not share one.
std::string SystemErrorText(int error) {
  char buffer[256];
  if (strerror_s(buffer, sizeof buffer, error) != 0) return "errno " + std::to_string(error);
  return buffer;
}

// Language 0: the system's own order, which starts with the user's interface language.
std::string SystemFailure::Text() const {
  wchar_t* text = nullptr;
  const DWORD length = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
      DWORD(FCode), 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  if (length == 0) return "Windows 错误 " + std::to_string(FCode);
  std::wstring_view wide(text, length);
  while (!wide.empty() && (wide.back() == L'\r' || wide.back() == L'\n' || wide.back() == L' '))
    wide.remove_suffix(1);
  std::string utf8 = Utf8FromWide(wide);
  LocalFree(text);
  return utf8;
}

}  // namespace ipmdb::platform
