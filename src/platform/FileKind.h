// What a path names, looked at without opening it for reading: the window decides by it whether a
// chosen name can be converted, and whether its text must first be copied aside.
#pragma once

#include <string>

namespace ipmdb::platform {

enum class PathKind {
  Missing,      // nothing, or nothing the user may look at
  Folder,
  RegularFile,  // can be read again at any offset
  Other,        // a FIFO, a pipe, a device: read once
};

// Follows links. `path` is UTF-8. POSIX: stat. Windows: the file opened without access rights
// (its attributes and GetFileType), so that a file another program holds without sharing is
// still seen.
PathKind KindOfPath(const std::string& path);

}  // namespace ipmdb::platform
