// POSIX paths.
#include "platform/Path.h"

#include <filesystem>
#include <system_error>

namespace ipmdb::platform {

std::string AbsolutePath(const std::string& path) {
  std::error_code error;
  const std::filesystem::path full = std::filesystem::absolute(path, error);
  return error ? path : full.string();
}

}  // namespace ipmdb::platform
