// The POSIX file system behind Vfs::Posix(): pread/pwrite with retries on EINTR and short
// transfers, fdatasync as the durability barrier, flock for the connection lock. This is the only
// code of the engine that calls the system's file functions.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <utility>

#include "jet/Error.h"
#include "jet/File.h"

namespace ipmdb::jet {
namespace {

std::string SystemErrorText(int error) {
  char buffer[256];
  // The GNU strerror_r returns a pointer that may or may not point into buffer.
  return strerror_r(error, buffer, sizeof buffer);
}

bool IsOutOfRoom(int error) { return error == ENOSPC || error == EDQUOT || error == EFBIG; }

[[noreturn]] void ThrowSystemError(const std::string& action, const std::string& path, int error) {
  throw JetError(IsOutOfRoom(error) ? ErrorKind::DiskFull : ErrorKind::Io,
                 action + "“" + path + "”失败：" + SystemErrorText(error));
}

std::string FolderOf(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

class PosixFile final : public File {
 public:
  PosixFile(int fd, std::string path) : FFd(fd), FPath(std::move(path)) {}
  ~PosixFile() override { close(FFd); }
  PosixFile(const PosixFile&) = delete;
  PosixFile& operator=(const PosixFile&) = delete;

  size_t ReadAt(uint64_t offset, std::span<uint8_t> out) override {
    size_t done = 0;
    while (done < out.size()) {
      const ssize_t n = pread(FFd, out.data() + done, out.size() - done, off_t(offset + done));
      if (n < 0) {
        if (errno == EINTR) continue;
        ThrowSystemError("读取文件", FPath, errno);
      }
      if (n == 0) break;
      done += size_t(n);
    }
    return done;
  }

  void WriteAt(uint64_t offset, std::span<const uint8_t> data) override {
    size_t done = 0;
    // A write cut short by a full disk or a size limit returns a short count first; the retry
    // then reports the reason.
    while (done < data.size()) {
      const ssize_t n = pwrite(FFd, data.data() + done, data.size() - done, off_t(offset + done));
      if (n < 0) {
        if (errno == EINTR) continue;
        ThrowSystemError("写入文件", FPath, errno);
      }
      if (n == 0) ThrowSystemError("写入文件", FPath, EIO);
      done += size_t(n);
    }
  }

  void Sync() override {
    if (fdatasync(FFd) != 0) ThrowSystemError("将文件写入磁盘", FPath, errno);
  }

  uint64_t Size() override {
    struct stat st;
    if (fstat(FFd, &st) != 0) ThrowSystemError("读取文件大小", FPath, errno);
    return uint64_t(st.st_size);
  }

  void Truncate(uint64_t size) override {
    while (ftruncate(FFd, off_t(size)) != 0) {
      if (errno != EINTR) ThrowSystemError("截断文件", FPath, errno);
    }
  }

  bool TryLockExclusive() override {
    while (flock(FFd, LOCK_EX | LOCK_NB) != 0) {
      if (errno == EWOULDBLOCK) return false;
      if (errno != EINTR) ThrowSystemError("锁定文件", FPath, errno);
    }
    return true;
  }

 private:
  int FFd;
  std::string FPath;
};

class PosixVfs final : public Vfs {
 public:
  std::unique_ptr<File> Open(const std::string& path, OpenMode mode) override {
    const int flags = O_RDWR | O_CLOEXEC | (mode == OpenMode::CreateReadWrite ? O_CREAT : 0);
    int fd;
    do {
      fd = open(path.c_str(), flags, 0644);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) ThrowSystemError("打开文件", path, errno);
    return std::make_unique<PosixFile>(fd, path);
  }

  bool Exists(const std::string& path) override {
    struct stat st;
    if (stat(path.c_str(), &st) == 0) return true;
    if (errno == ENOENT || errno == ENOTDIR) return false;
    ThrowSystemError("查看文件", path, errno);
  }

  void Remove(const std::string& path) override {
    if (unlink(path.c_str()) != 0 && errno != ENOENT) ThrowSystemError("删除文件", path, errno);
  }

  void SyncDirectoryOf(const std::string& path) override {
    const std::string folder = FolderOf(path);
    const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) ThrowSystemError("打开文件夹", folder, errno);
    const bool synced = fsync(fd) == 0;
    const int error = errno;
    close(fd);
    if (!synced) ThrowSystemError("将文件夹写入磁盘", folder, error);
  }
};

}  // namespace

Vfs& Vfs::Posix() {
  static PosixVfs vfs;
  return vfs;
}

}  // namespace ipmdb::jet
