// What a POSIX path names.
#include "platform/FileKind.h"

#include <sys/stat.h>

namespace ipmdb::platform {

PathKind KindOfPath(const std::string& path) {
  struct stat status {};
  if (::stat(path.c_str(), &status) != 0) return PathKind::Missing;
  if (S_ISDIR(status.st_mode)) return PathKind::Folder;
  return S_ISREG(status.st_mode) ? PathKind::RegularFile : PathKind::Other;
}

}  // namespace ipmdb::platform
