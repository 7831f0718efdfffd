// Windows paths.
#include "platform/Path.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include "platform/win32/Wide.h"

namespace ipmdb::platform {

std::string AbsolutePath(const std::string& path) {
  const std::wstring wide = WideFromUtf8(path);
  // The first call asks for the size, which counts the closing NUL.
  const DWORD size = GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
  if (size == 0) return path;
  std::wstring full(size_t(size), L'\0');
  const DWORD length = GetFullPathNameW(wide.c_str(), size, full.data(), nullptr);
  if (length == 0 || length >= size) return path;
  full.resize(length);
  return Utf8FromWide(full);
}

}  // namespace ipmdb::platform
