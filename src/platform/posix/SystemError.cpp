// The POSIX system error texts.
#include "platform/SystemError.h"

#include <cstring>

#include "platform/posix/Encoding.h"

namespace ipmdb::platform {

std::string SystemErrorText(int error) {
  char buffer[256];
  // GNU strerror_r: returns the text, which may or may not live in the buffer; unlike strerror it
  // is thread-safe. The text is in the locale's encoding.
  const char* text = strerror_r(error, buffer, sizeof buffer);
  if (LocaleTakesUtf8()) return text;
  return ConvertText(text, "UTF-8", LocaleCodeset());
}

}  // namespace ipmdb::platform

namespace ipmdb::platform {

std::string SystemFailure::Text() const { return SystemErrorText(FCode); }

}  // namespace ipmdb::platform
