// Loading a text database from disk and cutting it into lines.
#include "engine/LineList.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>

#include "engine/EngineError.h"
#include "engine/SystemError.h"

namespace ipmdb::engine {
namespace {

constexpr char kCr = '\r';
constexpr char kLf = '\n';

// How much more to read when a file turns out longer than its size said (or has no size, as
// files under /proc, FIFOs and devices do).
constexpr size_t kReadChunk = 1 << 16;
// The most one read takes, so that a stop request is looked at between the reads of a large file.
constexpr size_t kMaxRead = size_t(16) << 20;
// The longest wait for input before the stop request is looked at again.
constexpr int kPollInterval = 100;  // milliseconds

// The offset of the first `c` at or after `from`, or `size` when there is none.
size_t Find(const std::string& text, char c, size_t from) {
  if (from >= text.size()) return text.size();
  const void* found = std::memchr(text.data() + from, c, text.size() - from);
  return found ? size_t(static_cast<const char*>(found) - text.data()) : text.size();
}

// The path as the message shows it: made absolute against the working directory, without
// resolving links, so that the user sees which file was meant.
std::string FullPath(const std::string& path) {
  std::error_code error;
  std::filesystem::path full = std::filesystem::absolute(path, error);
  return error ? path : full.string();
}

[[noreturn]] void ThrowCannotOpen(const std::string& path, int error) {
  throw EngineError(EngineErrorKind::CannotOpenFile,
                    "Cannot open file \"" + FullPath(path) + "\". " + SystemErrorText(error));
}

// Closes the descriptor on every way out of LoadFile.
class FileDescriptor {
 public:
  explicit FileDescriptor(int fd) : FFd(fd) {}
  ~FileDescriptor() {
    if (FFd >= 0) ::close(FFd);
  }
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  int Get() const { return FFd; }

 private:
  int FFd;
};

[[noreturn]] void ThrowStopped(const std::string& path) {
  throw EngineError(EngineErrorKind::Stopped, "读取文本IP数据库“" + FullPath(path) + "”时收到了停止请求。");
}

bool StopRequested(const std::atomic<bool>* stop) { return stop != nullptr && stop->load(); }

// The descriptor is non-blocking and every read waits in poll for at most kPollInterval, so that
// neither a FIFO without a writer nor a slow writer can keep a stop request waiting. A file that
// is not a FIFO, a socket or a terminal is always ready.
std::string ReadText(const std::string& path, const std::atomic<bool>* stop) {
  FileDescriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
  if (file.Get() < 0) ThrowCannotOpen(path, errno);
  struct stat status {};
  if (::fstat(file.Get(), &status) != 0) ThrowCannotOpen(path, errno);

  // One byte more than the stated size, so that the read which finds the end of an unchanged
  // file needs no reallocation of the whole buffer.
  std::string bytes(status.st_size > 0 ? size_t(status.st_size) + 1 : kReadChunk, '\0');
  size_t got = 0;
  for (;;) {
    if (StopRequested(stop)) ThrowStopped(path);
    pollfd ready{file.Get(), POLLIN, 0};
    const int polled = ::poll(&ready, 1, kPollInterval);
    if (polled < 0 && errno != EINTR) ThrowCannotOpen(path, errno);
    if (polled <= 0) continue;
    if (got == bytes.size()) bytes.resize(got + kReadChunk);
    const ssize_t n = ::read(file.Get(), bytes.data() + got, std::min(bytes.size() - got, kMaxRead));
    if (n < 0) {
      if (errno == EINTR || errno == EAGAIN) continue;
      ThrowCannotOpen(path, errno);
    }
    if (n == 0) break;
    if (const void* nul = std::memchr(bytes.data() + got, '\0', size_t(n))) {
      got = size_t(static_cast<const char*>(nul) - bytes.data());
      break;
    }
    got += size_t(n);
  }
  bytes.resize(got);
  return bytes;
}

}  // namespace

LineList LineList::FromBytes(std::string bytes) {
  LineList list;
  if (const void* nul = std::memchr(bytes.data(), '\0', bytes.size())) {
    bytes.resize(size_t(static_cast<const char*>(nul) - bytes.data()));
  }
  list.FText = std::move(bytes);

  // The next CR and the next LF are tracked apart, each found with memchr, which is much faster
  // than a byte loop; the earlier of the two is the next break.
  const std::string& text = list.FText;
  const size_t size = text.size();
  size_t nextCr = Find(text, kCr, 0);
  size_t nextLf = Find(text, kLf, 0);
  size_t start = 0;
  for (;;) {
    const size_t at = std::min(nextCr, nextLf);
    if (at == size) break;
    const size_t after = at == nextCr && nextLf == at + 1 ? at + 2 : at + 1;
    list.FStarts.push_back(start);
    start = after;
    if (nextCr < after) nextCr = Find(text, kCr, after);
    if (nextLf < after) nextLf = Find(text, kLf, after);
  }
  // The last line has no break of its own; a break at the very end of the text adds no line.
  if (start < size) list.FStarts.push_back(start);
  if (!list.FStarts.empty()) list.FStarts.push_back(size);
  list.FStarts.shrink_to_fit();
  return list;
}

LineList LineList::LoadFile(const std::string& path, const std::atomic<bool>* stop) {
  LineList list = FromBytes(ReadText(path, stop));
  // Cutting a large text takes a while; a request that came meanwhile still stops the load.
  if (StopRequested(stop)) ThrowStopped(path);
  return list;
}

std::string_view LineList::operator[](size_t index) const {
  const size_t start = FStarts[index];
  size_t end = FStarts[index + 1];
  // The line holds no CR or LF, so break bytes just before the next start belong to this line's
  // break: one LF, one CR, or CR LF.
  if (end > start && FText[end - 1] == kLf) --end;
  if (end > start && FText[end - 1] == kCr) --end;
  return std::string_view(FText).substr(start, end - start);
}

}  // namespace ipmdb::engine
