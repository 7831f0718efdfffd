// What the Windows file system code shares with the rest of the engine on Windows (the mapped
// page source): the path form the wide functions take. (The system's text for an error code is
// the platform layer's SystemFailure::Text.)
#pragma once

#include <string>

namespace ipmdb::jet {

// The UTF-8 path as the full UTF-16 path with the "\\?\" prefix, which lifts the limit of 260
// characters. Throws JetError (ErrorKind::Io) when the path is not UTF-8 or has no full form.
std::wstring Win32Path(const std::string& path);

}  // namespace ipmdb::jet
