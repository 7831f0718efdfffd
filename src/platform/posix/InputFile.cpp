// The POSIX input file: non-blocking reads behind poll, pread, and O_TMPFILE for the temporary.
#include "platform/InputFile.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <utility>

namespace ipmdb::platform {

std::optional<FileIdentity> IdentityOf(const std::string& path) {
  struct stat status {};
  if (::stat(path.c_str(), &status) != 0) return std::nullopt;
  return FileIdentity{uint64_t(status.st_dev), uint64_t(status.st_ino)};
}

InputFile::~InputFile() { Close(); }

InputFile::InputFile(InputFile&& other) noexcept : FFd(std::exchange(other.FFd, -1)) {}

InputFile& InputFile::operator=(InputFile&& other) noexcept {
  if (this != &other) {
    Close();
    FFd = std::exchange(other.FFd, -1);
  }
  return *this;
}

void InputFile::Close() {
  if (FFd >= 0) ::close(std::exchange(FFd, -1));
}

// O_NONBLOCK: the open of a FIFO does not wait for a writer, and its reads do not either, so
// that ReadWaiting's poll alone decides how long a read waits.
SystemFailure InputFile::Open(const std::string& path) {
  Close();
  FFd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  return {FFd < 0 ? errno : 0};
}

SystemFailure InputFile::CreateTemporary(std::string& folder) {
  Close();
  std::error_code ignored;
  folder = std::filesystem::temp_directory_path(ignored).string();
  if (folder.empty()) folder = "/tmp";
  FFd = ::open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
  return {FFd < 0 ? errno : 0};
}

bool InputFile::IsOpen() const { return FFd >= 0; }

SystemFailure InputFile::IsRegular(bool& regular) const {
  struct stat status {};
  if (::fstat(FFd, &status) != 0) return {errno};
  regular = S_ISREG(status.st_mode);
  return {};
}

SystemFailure InputFile::ReadWaiting(char* to, size_t size, size_t& read, bool& ended) {
  read = 0;
  ended = false;
  pollfd ready{FFd, POLLIN, 0};
  const int polled = ::poll(&ready, 1, kWaitMilliseconds);
  if (polled < 0) return {errno == EINTR ? 0 : errno};
  if (polled == 0) return {};
  const ssize_t n = ::read(FFd, to, size);
  if (n < 0) return {errno == EINTR || errno == EAGAIN ? 0 : errno};
  read = size_t(n);
  ended = n == 0;
  return {};
}

SystemFailure InputFile::ReadAt(uint64_t offset, char* to, size_t size, size_t& read) const {
  for (;;) {
    const ssize_t n = ::pread(FFd, to, size, off_t(offset));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return {errno};
    read = size_t(n);
    return {};
  }
}

SystemFailure InputFile::Write(const char* data, size_t size) {
  while (size > 0) {
    const ssize_t n = ::write(FFd, data, size);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return {errno};
    data += n;
    size -= size_t(n);
  }
  return {};
}

SystemFailure InputFile::Rewind() { return {::lseek(FFd, 0, SEEK_SET) == 0 ? 0 : errno}; }

}  // namespace ipmdb::platform
