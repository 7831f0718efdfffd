// The executable's folder and the output database path derived from it.
#include "database/OutputDatabase.h"

#include <unistd.h>

#include <vector>

namespace ipmdb::database {

std::string ExecutableFolder() {
  // readlink does not say whether it cut the name short, so the buffer grows until it did not.
  std::vector<char> buffer(256);
  for (;;) {
    const ssize_t n = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
    if (n < 0) return {};
    if (size_t(n) < buffer.size()) {
      const std::string path(buffer.data(), size_t(n));
      const size_t slash = path.rfind('/');
      if (slash == std::string::npos) return {};
      return slash == 0 ? std::string("/") : path.substr(0, slash);
    }
    buffer.resize(buffer.size() * 2);
  }
}

std::string OutputDatabasePath() { return ExecutableFolder() + "/" + kOutputDatabaseName; }

}  // namespace ipmdb::database
