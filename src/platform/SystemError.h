// The system's own text for an error number, as UTF-8 like every text inside the program.
#pragma once

#include <string>

namespace ipmdb::platform {

// The system's text for errno value `error`, in the language of the locale, converted from the
// locale's encoding to UTF-8 (under a GBK locale the C library gives GBK). Thread-safe.
std::string SystemErrorText(int error);

}  // namespace ipmdb::platform
