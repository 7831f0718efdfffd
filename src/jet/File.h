// The file system as the engine sees it: a file of bytes with positioned reads and writes, a
// durability barrier, an advisory lock and an identity, opened through a Vfs that also names,
// renames and removes files. Production code uses the POSIX implementation (Vfs::Posix()); tests
// substitute a wrapper that injects faults and crashes.
//
// Contracts shared by every implementation:
// - Every failure throws JetError naming the file's path, carrying the system's error text and
//   its errno (JetError::SystemError()); running out of room (ENOSPC, EDQUOT) or past a file-size
//   limit (EFBIG) is ErrorKind::DiskFull, anything else ErrorKind::Io.
// - Only regular files are opened: a folder is refused with the system's EISDIR, anything else
//   (a device, a pipe, a socket) as ErrorKind::Io without an errno.
// - Creating, renaming and removing a name is durable only after SyncDirectoryOf that name.
// - A File is used by one thread at a time. Closing a File (destroying it) releases its lock.
// - A file-size limit only surfaces as EFBIG when the process ignores SIGXFSZ; the program's main
//   must arrange that, the library never touches signal dispositions.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

namespace ipmdb::jet {

// What tells one file apart from every other file, whatever its name: two names of one file (hard
// links, symbolic links) share it, a copy or a replacement does not. The device and the number
// within it tell apart the files that exist at the same time; a number is reused once its file
// is gone, and the birth time then tells the new file from the old one.
struct FileIdentity {
  uint64_t FDevice = 0;  // the file system holding the file: device number, volume serial number
  uint64_t FInode = 0;   // the file within it: inode number, file index
  // When the file was created, in nanoseconds since 1970: statx's btime, the creation time. Nothing
  // when the file system does not record it.
  std::optional<int64_t> FBirthTime;
  bool operator==(const FileIdentity&) const = default;
};

// What a file carries besides its bytes and its identity, and a replacement of it should carry
// too, so that whoever could use the file before can use its replacement.
struct FileAttributes {
  // rwx for owner, group and others, with the set-id and sticky bits.
  uint32_t FPermissions = 0;
  uint32_t FOwner = 0;  // user id
  uint32_t FGroup = 0;  // group id
  // Extended attributes by name, the access control lists among them (system.posix_acl_access).
  std::vector<std::pair<std::string, std::vector<uint8_t>>> FExtended;
};

class File {
 public:
  virtual ~File() = default;
  // Returns the number of bytes read; fewer than requested only at the end of the file.
  virtual size_t ReadAt(uint64_t offset, std::span<uint8_t> out) = 0;
  // Writes all of data or throws; a short write counts as a failure.
  virtual void WriteAt(uint64_t offset, std::span<const uint8_t> data) = 0;
  // Returns once every completed write (and the file's size) has reached stable storage.
  virtual void Sync() = 0;
  virtual uint64_t Size() = 0;
  virtual void Truncate(uint64_t size) = 0;
  // Takes an exclusive lock on the file without waiting. Returns false when another open file
  // description, of this process or another, holds it.
  virtual bool TryLockExclusive() = 0;
  virtual FileIdentity Identity() = 0;
  // The names the file has in the file system (hard links); 0 once every one was removed.
  virtual uint32_t LinkCount() = 0;
  virtual FileAttributes Attributes() = 0;
  // Gives the file those attributes as far as the process may: an owner other than itself needs
  // privileges, and a group one the user belongs to; an extended attribute that the file system
  // or the user's rights do not allow (a security label) stays as the system set it. The
  // permissions and the access control lists are always set.
  virtual void SetAttributes(const FileAttributes& attributes) = 0;
};

class Vfs {
 public:
  enum class OpenMode {
    ExistingReadWrite,  // the file must exist
    CreateReadWrite,    // created empty when missing; existing content is kept
    CreateNew,          // created empty; any existing name, a symbolic link too, is EEXIST
    ExistingReadOnly,   // the file must exist; it is only read, and opening it never waits (a FIFO)
  };
  virtual ~Vfs() = default;
  // A missing file is ErrorKind::Io with the system's "No such file or directory".
  virtual std::unique_ptr<File> Open(const std::string& path, OpenMode mode) = 0;
  virtual bool Exists(const std::string& path) = 0;
  // Removing a file that does not exist succeeds, so that repeated clean-up stays harmless.
  virtual void Remove(const std::string& path) = 0;
  // Gives the file at from the name to, replacing whatever to named, in one step: there is no
  // moment at which to names neither file. Both names must lie in the same folder.
  virtual void Rename(const std::string& from, const std::string& to) = 0;
  // Makes the creation, renaming and removal of names in the folder holding path durable.
  virtual void SyncDirectoryOf(const std::string& path) = 0;
  // The absolute path of the file that path names, every symbolic link followed, also a link
  // whose target does not exist yet; for a name that does not exist, its resolved folder and the
  // name. The folder must exist.
  virtual std::string ResolvePath(const std::string& path) = 0;
  // The process-wide POSIX implementation; it holds no state and may be used from any thread.
  static Vfs& Posix();
};

}  // namespace ipmdb::jet
