// The POSIX file system behind Vfs::Posix(): pread/pwrite with retries on EINTR and short
// transfers, fdatasync as the durability barrier, flock for the connection lock, rename for the
// reset, with the permissions, owner and extended attributes of the file it replaces. This is the
// only code of the engine that calls the system's file functions.
#include <fcntl.h>
#include <limits.h>
#include <stdlib.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <optional>
#include <utility>
#include <vector>

#include "jet/Error.h"
#include "jet/File.h"
#include "platform/SystemError.h"

namespace ipmdb::jet {
namespace {

bool IsOutOfRoom(int error) { return error == ENOSPC || error == EDQUOT || error == EFBIG; }

// what: the step that failed, naming its file ("写入文件“…”").
[[noreturn]] void ThrowFailure(const std::string& what, int error) {
  throw JetError(IsOutOfRoom(error) ? ErrorKind::DiskFull : ErrorKind::Io,
                 what + "失败：" + platform::SystemErrorText(error), error);
}

[[noreturn]] void ThrowSystemError(const std::string& action, const std::string& path, int error) {
  ThrowFailure(action + "“" + path + "”", error);
}

std::string FolderOf(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

std::string NameOf(const std::string& path) { return path.substr(path.find_last_of('/') + 1); }

// realpath, or nothing with errno set.
std::optional<std::string> RealPath(const std::string& path) {
  char* resolved = realpath(path.c_str(), nullptr);
  if (resolved == nullptr) return std::nullopt;
  std::string result(resolved);
  free(resolved);
  return result;
}

// The target of a symbolic link, or nothing when path is not one (errno set).
std::optional<std::string> LinkTarget(const std::string& path) {
  std::string target(PATH_MAX, '\0');
  const ssize_t n = readlink(path.c_str(), target.data(), target.size());
  if (n < 0) return std::nullopt;
  if (size_t(n) == target.size()) {
    errno = ENAMETOOLONG;
    return std::nullopt;
  }
  target.resize(size_t(n));
  return target;
}

// As many links as the kernel follows in one lookup before it reports ELOOP.
constexpr int kMaxLinks = 40;

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

  FileIdentity Identity() override {
    struct statx st;
    if (statx(FFd, "", AT_EMPTY_PATH, STATX_INO | STATX_BTIME, &st) != 0) ThrowSystemError("查看文件", FPath, errno);
    FileIdentity identity{makedev(st.stx_dev_major, st.stx_dev_minor), st.stx_ino, std::nullopt};
    // A file system that records no birth time (ext4 with 128-byte inodes, NFS, older tmpfs)
    // leaves STATX_BTIME out of the mask.
    if (st.stx_mask & STATX_BTIME) {
      identity.FBirthTime = int64_t(st.stx_btime.tv_sec) * 1'000'000'000 + st.stx_btime.tv_nsec;
    }
    return identity;
  }

  uint32_t LinkCount() override {
    struct stat st;
    if (fstat(FFd, &st) != 0) ThrowSystemError("查看文件", FPath, errno);
    return uint32_t(st.st_nlink);
  }

  FileAttributes Attributes() override {
    struct stat st;
    if (fstat(FFd, &st) != 0) ThrowSystemError("查看文件", FPath, errno);
    FileAttributes attributes{uint32_t(st.st_mode & 07777), uint32_t(st.st_uid), uint32_t(st.st_gid), {}};
    for (const std::string& name : ExtendedAttributeNames()) {
      std::vector<uint8_t> value;
      for (;;) {
        const ssize_t size = fgetxattr(FFd, name.c_str(), nullptr, 0);
        if (size < 0 && errno == ENODATA) break;  // removed since it was listed
        if (size < 0) ThrowSystemError("读取文件的扩展属性", FPath, errno);
        value.resize(size_t(size));
        const ssize_t n = fgetxattr(FFd, name.c_str(), value.data(), value.size());
        if (n >= 0) {
          value.resize(size_t(n));
          attributes.FExtended.emplace_back(name, std::move(value));
          break;
        }
        if (errno != ERANGE) ThrowSystemError("读取文件的扩展属性", FPath, errno);
      }
    }
    return attributes;
  }

  void SetAttributes(const FileAttributes& attributes) override {
    // Set while the process still owns the file, which lets it set them.
    for (const auto& [name, value] : attributes.FExtended) {
      if (fsetxattr(FFd, name.c_str(), value.data(), value.size(), 0) == 0) continue;
      // EPERM: a namespace the user may not write (trusted, security); ENOTSUP: one this file
      // system does not keep.
      if (errno != EPERM && errno != ENOTSUP) ThrowSystemError("设置文件的扩展属性", FPath, errno);
    }
    // Only a privileged process may give a file away; anyone may give it a group they belong to.
    if (fchown(FFd, uid_t(attributes.FOwner), gid_t(attributes.FGroup)) != 0) {
      if (errno != EPERM) ThrowSystemError("设置文件的所有者", FPath, errno);
      if (fchown(FFd, uid_t(-1), gid_t(attributes.FGroup)) != 0 && errno != EPERM) {
        ThrowSystemError("设置文件的所有者", FPath, errno);
      }
    }
    // Last, because changing the owner clears the set-id bits.
    while (fchmod(FFd, mode_t(attributes.FPermissions)) != 0) {
      if (errno != EINTR) ThrowSystemError("设置文件权限", FPath, errno);
    }
  }

  bool IsRegular() { return S_ISREG(Mode()); }
  bool IsDirectory() { return S_ISDIR(Mode()); }
  mode_t Mode() {
    struct stat st;
    if (fstat(FFd, &st) != 0) ThrowSystemError("查看文件", FPath, errno);
    return st.st_mode;
  }

  bool TryLockExclusive() override {
    while (flock(FFd, LOCK_EX | LOCK_NB) != 0) {
      if (errno == EWOULDBLOCK) return false;
      if (errno != EINTR) ThrowSystemError("锁定文件", FPath, errno);
    }
    return true;
  }

 private:
  std::vector<std::string> ExtendedAttributeNames() {
    std::vector<char> names;
    for (;;) {
      const ssize_t size = flistxattr(FFd, nullptr, 0);
      if (size < 0 && errno == ENOTSUP) return {};
      if (size < 0) ThrowSystemError("读取文件的扩展属性", FPath, errno);
      names.resize(size_t(size));
      const ssize_t n = flistxattr(FFd, names.data(), names.size());
      if (n >= 0) {
        names.resize(size_t(n));
        break;
      }
      // The list grew between the two calls.
      if (errno != ERANGE) ThrowSystemError("读取文件的扩展属性", FPath, errno);
    }
    std::vector<std::string> result;
    for (size_t at = 0; at < names.size();) {
      result.emplace_back(names.data() + at);
      at += result.back().size() + 1;
    }
    return result;
  }

  int FFd;
  std::string FPath;
};

class PosixVfs final : public Vfs {
 public:
  std::unique_ptr<File> Open(const std::string& path, OpenMode mode) override {
    int flags = O_RDWR | O_CLOEXEC | O_NOCTTY;
    // Read-only opens of a FIFO would wait for a writer; without waiting it is opened, and then
    // refused as the file that is not regular it is.
    if (mode == OpenMode::ExistingReadOnly) flags = O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY;
    if (mode == OpenMode::CreateReadWrite) flags |= O_CREAT;
    if (mode == OpenMode::CreateNew) flags |= O_CREAT | O_EXCL;
    int fd;
    do {
      fd = open(path.c_str(), flags, 0644);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) ThrowSystemError("打开文件", path, errno);
    auto file = std::make_unique<PosixFile>(fd, path);
    // A folder opens read-only; it is refused as opening it for writing would be.
    if (file->IsDirectory()) ThrowSystemError("打开文件", path, EISDIR);
    if (!file->IsRegular()) throw JetError(ErrorKind::Io, "打开文件“" + path + "”失败：它不是普通文件。");
    return file;
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

  void Rename(const std::string& from, const std::string& to) override {
    if (rename(from.c_str(), to.c_str()) != 0) ThrowFailure("将文件“" + from + "”改名为“" + to + "”", errno);
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

  std::string ResolvePath(const std::string& path) override {
    std::string current = path;
    for (int links = 0; links <= kMaxLinks; ++links) {
      if (std::optional<std::string> real = RealPath(current)) return *real;
      if (errno != ENOENT) ThrowSystemError("查找文件", path, errno);
      // Nothing exists at the end of the chain: a link that points there names where the file
      // will be; otherwise the name stays, in its folder's real path.
      std::optional<std::string> target = LinkTarget(current);
      if (!target) {
        if (errno != EINVAL && errno != ENOENT) ThrowSystemError("查找文件", path, errno);
        const std::string folder = FolderOf(current);
        const std::optional<std::string> realFolder = RealPath(folder);
        if (!realFolder) ThrowSystemError("查找文件夹", folder, errno);
        return (*realFolder == "/" ? "" : *realFolder) + "/" + NameOf(current);
      }
      current = target->starts_with('/') ? *target : FolderOf(current) + "/" + *target;
    }
    ThrowSystemError("查找文件", path, ELOOP);
  }
};

}  // namespace

Vfs& Vfs::Posix() {
  static PosixVfs vfs;
  return vfs;
}

}  // namespace ipmdb::jet
