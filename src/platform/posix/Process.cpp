// The POSIX process set-up, arguments, executable and language.
#include "platform/Process.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <clocale>
#include <cstdlib>
#include <string_view>

namespace ipmdb::platform {
namespace {

bool IsOpen(int fd) { return fcntl(fd, F_GETFD) != -1 || errno != EBADF; }

// open() returns the lowest free descriptor, so opening the null device once per closed standard
// descriptor, lowest first, fills exactly that one.
void OpenClosedStandardDescriptors() {
  for (int fd = STDIN_FILENO; fd <= STDERR_FILENO; ++fd)
    if (!IsOpen(fd)) open("/dev/null", fd == STDIN_FILENO ? O_RDONLY : O_WRONLY);
}

}  // namespace

void PrepareProcess() {
  OpenClosedStandardDescriptors();
  signal(SIGPIPE, SIG_IGN);
  signal(SIGXFSZ, SIG_IGN);
  std::setlocale(LC_ALL, "");
  std::setlocale(LC_NUMERIC, "C");
}

std::vector<std::string> Utf8Arguments(int argc, char** argv) { return {argv, argv + argc}; }

std::string ExecutableFolder() {
  // readlink does not say whether it cut the name short, so the buffer grows until it did not.
  std::string buffer(256, '\0');
  for (;;) {
    const ssize_t n = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
    if (n < 0) return {};
    if (size_t(n) < buffer.size()) {
      buffer.resize(size_t(n));
      const size_t slash = buffer.rfind('/');
      if (slash == std::string::npos) return {};
      return slash == 0 ? std::string("/") : buffer.substr(0, slash);
    }
    buffer.resize(buffer.size() * 2);
  }
}

bool UserPrefersEnglish() {
  for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    const char* value = std::getenv(name);
    if (value == nullptr || *value == '\0') continue;
    const std::string_view locale(value);
    return locale.starts_with("en") && (locale.size() == 2 || locale[2] == '_' || locale[2] == '.');
  }
  return false;
}

}  // namespace ipmdb::platform
