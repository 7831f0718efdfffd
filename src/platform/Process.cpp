// The POSIX process set-up.
#include "platform/Process.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <clocale>

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

}  // namespace ipmdb::platform
