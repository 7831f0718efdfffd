// Paths as the programs show them.
#pragma once

#include <string>

namespace ipmdb::platform {

// `path` (UTF-8) made absolute against the working directory, without resolving links, so that a
// message shows which file was meant; `path` itself when that cannot be done. POSIX:
// std::filesystem::absolute, bytes as they are. Windows: GetFullPathNameW, so that the UTF-8
// survives (std::filesystem there reads and writes narrow strings in the ANSI code page).
std::string AbsolutePath(const std::string& path);

}  // namespace ipmdb::platform
