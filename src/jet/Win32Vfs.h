// What the Windows file system code shares with the rest of the engine on Windows (the mapped
// page source): the path form the wide functions take, and the system's text for an error code.
#pragma once

#include <string>

namespace ipmdb::jet {

// The UTF-8 path as the full UTF-16 path with the "\\?\" prefix, which lifts the limit of 260
// characters. Throws JetError (ErrorKind::Io) when the path is not UTF-8 or has no full form.
std::wstring Win32Path(const std::string& path);

// FormatMessageW's text for a Windows error code, in the user's language, as UTF-8.
std::string Win32ErrorText(unsigned long error);

}  // namespace ipmdb::jet
