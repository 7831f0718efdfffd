// The system's own text for an errno value, passed on in messages exactly as the system gives it.
#pragma once

#include <cstring>
#include <string>

namespace ipmdb::engine {

// Thread-safe, unlike strerror.
inline std::string SystemErrorText(int error) {
  char buffer[256];
  // GNU strerror_r: returns the text, which may or may not live in the buffer.
  return strerror_r(error, buffer, sizeof buffer);
}

}  // namespace ipmdb::engine
