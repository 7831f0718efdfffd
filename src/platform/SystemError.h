// The system's own texts for errors, as UTF-8 like every text inside the program.
#pragma once

#include <string>

namespace ipmdb::platform {

// The system's text for errno value `error`, the C library's error numbers, which every system
// has. Thread-safe.
// - POSIX: in the language of the locale, converted from the locale's encoding to UTF-8 (under a
//   GBK locale the C library gives GBK).
// - Windows: the C library's text, which is English.
std::string SystemErrorText(int error);

// A failure of one of the platform layer's own system calls, in the system's own terms: an errno
// value on POSIX, a GetLastError() code on Windows. Nothing failed when it is 0.
struct SystemFailure {
  int FCode = 0;

  explicit operator bool() const { return FCode != 0; }
  // The system's text for it, as UTF-8: SystemErrorText on POSIX; FormatMessageW in the user's
  // interface language on Windows, without its closing line break.
  std::string Text() const;
};

}  // namespace ipmdb::platform
