// The Windows file system behind Vfs::System(): the wide (W) functions with UTF-16 paths made from
// the program's UTF-8 ones, ReadFile/WriteFile at explicit offsets, FlushFileBuffers as the
// durability barrier, LockFileEx for the connection lock, MoveFileExW for the reset. Failures
// carry the system's own text (FormatMessageW, in the user's language) and, for callers that
// branch on the reason, the errno value that the POSIX implementation would give.
//
// What the journal and the reset rely on here, in place of the POSIX guarantees:
// - FlushFileBuffers writes the file's data and its metadata (size, allocation) from the cache
//   and asks the device to flush its own cache; it returns once both are done. That is the
//   fdatasync of File::Sync, and more.
// - Names: NTFS writes every creation, rename and removal of a name to its metadata log, in the
//   order they happen, and a flush of any file or folder on the volume writes the log up to that
//   point. SyncDirectoryOf opens the folder for writing (FILE_FLAG_BACKUP_SEMANTICS), which
//   flushing it needs, and flushes it. Where the folder may not be opened for writing, or the
//   file system does not flush folders (access denied, invalid function), the next flush of a
//   file does it: the journal is flushed before any database write relies on its name, and a
//   removal never reaches the disk before an earlier rename. FAT and exFAT keep no such log, and
//   no call makes their names durable in order.
// - MoveFileExW with MOVEFILE_REPLACE_EXISTING replaces the target in one step of the file
//   system, as rename does; MOVEFILE_WRITE_THROUGH makes it return only once the move is done on
//   the disk. Unlike rename it refuses a target that is open anywhere, this process included
//   (ERROR_ACCESS_DENIED): the reset closes the old file before it renames (DatabaseReset.cpp).
// - DeleteFileW of a file that is still open leaves its name taken until the last handle closes;
//   the pager and the reset close a file before they remove it, and create none in its place
//   while it is open.
// - Every file is opened sharing reading, writing and deletion, so that the reset can rename its
//   temporary file while it is open and outside readers (Access, a backup program) can read.
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>

#include "jet/Error.h"
#include "jet/File.h"
#include "jet/Win32Vfs.h"
#include "platform/SystemError.h"
#include "platform/win32/Wide.h"

namespace ipmdb::jet {
namespace {

// FormatMessageW's text for the error, in the user's language, as UTF-8.
std::string SystemErrorText(DWORD error) { return platform::SystemFailure{int(error)}.Text(); }

// The errno value that stands for a Windows error code in JetError::SystemError(), so that
// callers name the reason in their own words on both systems. A sharing violation is what a lock
// is on POSIX: the file is in use by another program.
int ErrnoOf(DWORD error) {
  switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
    case ERROR_BAD_NETPATH:
      return ENOENT;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
      return EEXIST;
    case ERROR_ACCESS_DENIED:
      return EACCES;
    case ERROR_WRITE_PROTECT:
      return EROFS;
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
      return EWOULDBLOCK;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
      return ENOSPC;
    case ERROR_FILE_TOO_LARGE:
      return EFBIG;
    case ERROR_DIRECTORY:
      return ENOTDIR;
    case ERROR_FILENAME_EXCED_RANGE:
    case ERROR_BUFFER_OVERFLOW:
      return ENAMETOOLONG;
    default:
      return EIO;
  }
}

bool IsOutOfRoom(DWORD error) {
  return error == ERROR_DISK_FULL || error == ERROR_HANDLE_DISK_FULL || error == ERROR_FILE_TOO_LARGE;
}

// what: the step that failed, naming its file ("写入文件“…”").
[[noreturn]] void ThrowFailure(const std::string& what, DWORD error) {
  throw JetError(IsOutOfRoom(error) ? ErrorKind::DiskFull : ErrorKind::Io, what + "失败：" + SystemErrorText(error),
                 ErrnoOf(error));
}

[[noreturn]] void ThrowSystemError(const std::string& action, const std::string& path, DWORD error) {
  ThrowFailure(action + "“" + path + "”", error);
}

std::string Narrow(const std::wstring& wide) { return platform::Utf8FromWide(wide); }

constexpr wchar_t kLongPrefix[] = L"\\\\?\\";
constexpr wchar_t kLongUncPrefix[] = L"\\\\?\\UNC\\";

// The path in the form that the wide functions accept at any length (platform::SystemPath): the
// "\\?\" prefix lifts the limit of 260 characters and passes the full path to the file system
// untouched. A path that is not UTF-8, or that the system cannot make absolute, fails here.
std::wstring SystemPath(const std::string& path) {
  if (std::optional<std::wstring> wide = platform::SystemPath(path)) return *std::move(wide);
  const DWORD error = GetLastError();
  if (error == ERROR_NO_UNICODE_TRANSLATION) {
    throw JetError(ErrorKind::Io, "路径“" + path + "”不是有效的 UTF-8 文本。", EINVAL);
  }
  ThrowSystemError("查找文件", path, error);
}

// The reverse of SystemPath for paths handed back to the program.
std::string ProgramPath(const std::wstring& path) {
  if (path.starts_with(kLongUncPrefix)) return Narrow(L"\\\\" + path.substr(std::size(kLongUncPrefix) - 1));
  if (path.starts_with(kLongPrefix)) return Narrow(path.substr(std::size(kLongPrefix) - 1));
  return Narrow(path);
}

size_t LastSeparator(const std::string& path) { return path.find_last_of("/\\"); }

std::string FolderOf(const std::string& path) {
  const size_t slash = LastSeparator(path);
  if (slash == std::string::npos) return ".";
  // "C:\" and "\" keep their separator: without it they name the current folder of the drive.
  if (slash == 0 || (slash == 2 && path[1] == ':')) return path.substr(0, slash + 1);
  return path.substr(0, slash);
}

std::string NameOf(const std::string& path) { return path.substr(LastSeparator(path) + 1); }

// The lock is a byte range that no reader ever touches. Windows locks are mandatory: a locked
// range cannot be read through any other handle, so a lock over the data would keep Access or a
// backup program from reading a database while it is being written, which flock on POSIX never
// does. No Jet 4 file reaches 2^62 bytes (its pages are numbered in 32 bits, 2^44 bytes at most),
// and no Windows file system allows a file that size, so nothing reads there; LockFileEx accepts
// ranges past the end of a file. Wine does not enforce mandatory locks, so only a real Windows
// can show that readers pass; the tests here show that a second open of the file cannot lock it.
constexpr uint64_t kLockOffset = uint64_t(1) << 62;
constexpr DWORD kLockLength = 1;

OVERLAPPED At(uint64_t offset) {
  OVERLAPPED overlapped{};
  overlapped.Offset = DWORD(offset);
  overlapped.OffsetHigh = DWORD(offset >> 32);
  return overlapped;
}

// ReadFile and WriteFile take at most 4 GiB - 1 at a time; transfers go in pieces of 1 GiB.
constexpr size_t kMaxTransfer = size_t(1) << 30;

// A FILETIME counts 100-nanosecond ticks since 1601; this many of them lie before 1970.
constexpr int64_t kFileTimeAt1970 = 116444736000000000;

// Whether the creation time stays what it was when the file was made. Wine (which exports
// wine_get_version from its ntdll) reports a file's last status change as its creation time,
// so that every write moves it: taken as the birth time, it would make a database's own journal
// look written for another file, and a hot journal be removed unplayed. There the file goes
// without a birth time, as on a POSIX file system that records none.
bool CreationTimeIsBirthTime() {
  static const bool wine = GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
  return !wine;
}

class Win32File final : public File {
 public:
  Win32File(HANDLE handle, std::string path) : FHandle(handle), FPath(std::move(path)) {}
  ~Win32File() override {
    // Released before the handle closes: Windows releases the locks of a closed handle only
    // when it gets round to it, and the next open must find the file free.
    if (FLocked) {
      OVERLAPPED at = At(kLockOffset);
      UnlockFileEx(FHandle, 0, kLockLength, 0, &at);
    }
    CloseHandle(FHandle);
  }
  Win32File(const Win32File&) = delete;
  Win32File& operator=(const Win32File&) = delete;

  size_t ReadAt(uint64_t offset, std::span<uint8_t> out) override {
    size_t done = 0;
    while (done < out.size()) {
      OVERLAPPED at = At(offset + done);
      DWORD n = 0;
      if (!ReadFile(FHandle, out.data() + done, DWORD(std::min(out.size() - done, kMaxTransfer)), &n, &at)) {
        const DWORD error = GetLastError();
        if (error == ERROR_HANDLE_EOF) break;
        ThrowSystemError("读取文件", FPath, error);
      }
      if (n == 0) break;
      done += n;
    }
    return done;
  }

  void WriteAt(uint64_t offset, std::span<const uint8_t> data) override {
    size_t done = 0;
    while (done < data.size()) {
      OVERLAPPED at = At(offset + done);
      DWORD n = 0;
      if (!WriteFile(FHandle, data.data() + done, DWORD(std::min(data.size() - done, kMaxTransfer)), &n, &at)) {
        ThrowSystemError("写入文件", FPath, GetLastError());
      }
      if (n == 0) ThrowSystemError("写入文件", FPath, ERROR_WRITE_FAULT);
      done += n;
    }
  }

  void Sync() override {
    if (!FlushFileBuffers(FHandle)) ThrowSystemError("将文件写入磁盘", FPath, GetLastError());
  }

  uint64_t Size() override {
    LARGE_INTEGER size;
    if (!GetFileSizeEx(FHandle, &size)) ThrowSystemError("读取文件大小", FPath, GetLastError());
    return uint64_t(size.QuadPart);
  }

  void Truncate(uint64_t size) override {
    FILE_END_OF_FILE_INFO info{};
    info.EndOfFile.QuadPart = LONGLONG(size);
    if (!SetFileInformationByHandle(FHandle, FileEndOfFileInfo, &info, sizeof info)) {
      ThrowSystemError("截断文件", FPath, GetLastError());
    }
  }

  // The volume serial number and the file index: what stays the same for one file under every
  // name, as the device and inode numbers do on POSIX. NTFS reuses a file index once its file is
  // gone, so the creation time, which a new file gets anew, tells the two apart (where it can be
  // trusted: CreationTimeIsBirthTime).
  FileIdentity Identity() override {
    const BY_HANDLE_FILE_INFORMATION info = Information();
    FileIdentity identity{uint64_t(info.dwVolumeSerialNumber),
                          uint64_t(info.nFileIndexHigh) << 32 | info.nFileIndexLow, std::nullopt};
    const int64_t created = int64_t(uint64_t(info.ftCreationTime.dwHighDateTime) << 32 |
                                    info.ftCreationTime.dwLowDateTime);
    if (created != 0 && CreationTimeIsBirthTime()) identity.FBirthTime = (created - kFileTimeAt1970) * 100;
    return identity;
  }

  uint32_t LinkCount() override { return uint32_t(Information().nNumberOfLinks); }

  // Windows has no permission bits, owner ids or extended attributes of the POSIX kind; the
  // read-only attribute stands for the absence of every write bit, and reading is always allowed.
  // A file created beside the old one inherits its folder's access control list, which is what
  // the old file had unless someone gave it one of its own.
  FileAttributes Attributes() override {
    FileAttributes attributes;
    attributes.FPermissions = (Information().dwFileAttributes & FILE_ATTRIBUTE_READONLY) != 0 ? 0444 : 0666;
    return attributes;
  }

  void SetAttributes(const FileAttributes& attributes) override {
    FILE_BASIC_INFO info{};
    if (!GetFileInformationByHandleEx(FHandle, FileBasicInfo, &info, sizeof info)) {
      ThrowSystemError("查看文件", FPath, GetLastError());
    }
    const DWORD readOnly = (attributes.FPermissions & 0222) == 0 ? FILE_ATTRIBUTE_READONLY : 0;
    info.FileAttributes = (info.FileAttributes & ~DWORD(FILE_ATTRIBUTE_READONLY)) | readOnly;
    if (info.FileAttributes == 0) info.FileAttributes = FILE_ATTRIBUTE_NORMAL;
    if (!SetFileInformationByHandle(FHandle, FileBasicInfo, &info, sizeof info)) {
      ThrowSystemError("设置文件权限", FPath, GetLastError());
    }
  }

  bool IsRegular() {
    const DWORD attributes = Information().dwFileAttributes;
    return GetFileType(FHandle) == FILE_TYPE_DISK && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
  }

  bool TryLockExclusive() override {
    OVERLAPPED at = At(kLockOffset);
    if (LockFileEx(FHandle, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, kLockLength, 0, &at)) {
      FLocked = true;
      return true;
    }
    const DWORD error = GetLastError();
    if (error == ERROR_LOCK_VIOLATION) return false;
    ThrowSystemError("锁定文件", FPath, error);
  }

 private:
  BY_HANDLE_FILE_INFORMATION Information() {
    BY_HANDLE_FILE_INFORMATION info;
    if (!GetFileInformationByHandle(FHandle, &info)) ThrowSystemError("查看文件", FPath, GetLastError());
    return info;
  }

  HANDLE FHandle;
  std::string FPath;
  bool FLocked = false;
};

class Win32Vfs final : public Vfs {
 public:
  std::unique_ptr<File> Open(const std::string& path, OpenMode mode) override {
    const bool existing = mode == OpenMode::ExistingReadWrite || mode == OpenMode::ExistingReadOnly;
    const DWORD disposition = existing ? OPEN_EXISTING : mode == OpenMode::CreateReadWrite ? OPEN_ALWAYS : CREATE_NEW;
    const DWORD access = mode == OpenMode::ExistingReadOnly ? GENERIC_READ : GENERIC_READ | GENERIC_WRITE;
    const std::wstring name = SystemPath(path);
    const HANDLE handle = CreateFileW(name.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
      const DWORD error = GetLastError();
      // A folder cannot be opened as a file; Windows says only "access denied".
      const DWORD attributes = GetFileAttributesW(name.c_str());
      if (error == ERROR_ACCESS_DENIED && attributes != INVALID_FILE_ATTRIBUTES &&
          (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        throw JetError(ErrorKind::Io, "打开文件“" + path + "”失败：" + SystemErrorText(error), EISDIR);
      }
      ThrowSystemError("打开文件", path, error);
    }
    auto file = std::make_unique<Win32File>(handle, path);
    if (!file->IsRegular()) throw JetError(ErrorKind::Io, "打开文件“" + path + "”失败：它不是普通文件。");
    return file;
  }

  bool Exists(const std::string& path) override {
    if (GetFileAttributesW(SystemPath(path).c_str()) != INVALID_FILE_ATTRIBUTES) return true;
    const DWORD error = GetLastError();
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return false;
    ThrowSystemError("查看文件", path, error);
  }

  void Remove(const std::string& path) override {
    if (DeleteFileW(SystemPath(path).c_str())) return;
    const DWORD error = GetLastError();
    if (error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND) ThrowSystemError("删除文件", path, error);
  }

  void Rename(const std::string& from, const std::string& to) override {
    if (!MoveFileExW(SystemPath(from).c_str(), SystemPath(to).c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
      ThrowFailure("将文件“" + from + "”改名为“" + to + "”", GetLastError());
    }
  }

  void SyncDirectoryOf(const std::string& path) override {
    const std::string folder = FolderOf(path);
    const HANDLE handle = CreateFileW(SystemPath(folder).c_str(), GENERIC_READ | GENERIC_WRITE,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                      FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
      const DWORD error = GetLastError();
      if (error == ERROR_ACCESS_DENIED) return;
      ThrowSystemError("打开文件夹", folder, error);
    }
    const bool flushed = FlushFileBuffers(handle);
    const DWORD error = GetLastError();
    CloseHandle(handle);
    if (!flushed && error != ERROR_ACCESS_DENIED && error != ERROR_INVALID_FUNCTION) {
      ThrowSystemError("将文件夹写入磁盘", folder, error);
    }
  }

  // The final path of an existing file (every link followed), or for a name that does not exist
  // the final path of its folder and the name.
  std::string ResolvePath(const std::string& path) override {
    if (std::optional<std::string> final = FinalPath(path)) return *final;
    const std::string full = ProgramPath(SystemPath(path));
    const std::string folder = FolderOf(full);
    const std::optional<std::string> finalFolder = FinalPath(folder);
    if (!finalFolder) ThrowSystemError("查找文件夹", folder, ERROR_PATH_NOT_FOUND);
    const bool separated = finalFolder->ends_with('\\');
    return *finalFolder + (separated ? "" : "\\") + NameOf(full);
  }

 private:
  // GetFinalPathNameByHandleW of what path names, or nothing when nothing is there.
  static std::optional<std::string> FinalPath(const std::string& path) {
    const HANDLE handle =
        CreateFileW(SystemPath(path).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                    OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
      const DWORD error = GetLastError();
      if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return std::nullopt;
      ThrowSystemError("查找文件", path, error);
    }
    std::wstring final(MAX_PATH, L'\0');
    DWORD n;
    while ((n = GetFinalPathNameByHandleW(handle, final.data(), DWORD(final.size()), FILE_NAME_NORMALIZED)) >=
           final.size()) {
      final.resize(n);
    }
    const DWORD error = GetLastError();
    CloseHandle(handle);
    // Wine fails with ERROR_MORE_DATA on every path past 260 characters, whatever the buffer: the
    // path is too long for the system at hand, and is reported so.
    if (n == 0) ThrowSystemError("查找文件", path, error == ERROR_MORE_DATA ? ERROR_FILENAME_EXCED_RANGE : error);
    final.resize(n);
    return ProgramPath(final);
  }
};

}  // namespace

std::wstring Win32Path(const std::string& path) { return SystemPath(path); }


Vfs& Vfs::System() {
  static Win32Vfs vfs;
  return vfs;
}

}  // namespace ipmdb::jet
