// The Windows input file: CreateFileW, ReadFile, pipes read by polling what they hold, and a
// temporary file that the system deletes when it is closed.
#include "platform/InputFile.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <utility>

#include "platform/win32/Wide.h"

namespace ipmdb::platform {
namespace {

// How often a pipe that holds nothing is looked at again within one ReadWaiting.
constexpr DWORD kPipePollInterval = 10;  // milliseconds

// ReadFile and WriteFile take a DWORD count.
constexpr size_t kLargestTransfer = size_t(1) << 30;

// Other programs may go on reading, writing, renaming or deleting the file: the text is read
// where it lies, and a change is noticed by the reader (LineList.h).
constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

SystemFailure LastError() { return {int(GetLastError())}; }

// The end of what a pipe will give: its writer closed it (or, for a named pipe, disconnected).
bool IsPipeEnd(DWORD error) { return error == ERROR_BROKEN_PIPE || error == ERROR_PIPE_NOT_CONNECTED; }

}  // namespace

// No access is asked for, only the file's attributes, so that a file open in another program
// without sharing is still identified; FILE_FLAG_BACKUP_SEMANTICS lets a folder be opened too.
std::optional<FileIdentity> IdentityOf(const std::string& path) {
  const std::optional<std::wstring> name = SystemPath(path);
  if (!name) return std::nullopt;
  const HANDLE handle =
      CreateFileW(name->c_str(), 0, kShareAll, nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return std::nullopt;
  BY_HANDLE_FILE_INFORMATION info{};
  const bool known = GetFileInformationByHandle(handle, &info);
  CloseHandle(handle);
  if (!known) return std::nullopt;
  return FileIdentity{info.dwVolumeSerialNumber, (uint64_t(info.nFileIndexHigh) << 32) | info.nFileIndexLow};
}

InputFile::~InputFile() { Close(); }

InputFile::InputFile(InputFile&& other) noexcept
    : FHandle(std::exchange(other.FHandle, nullptr)), FPipe(other.FPipe) {}

InputFile& InputFile::operator=(InputFile&& other) noexcept {
  if (this != &other) {
    Close();
    FHandle = std::exchange(other.FHandle, nullptr);
    FPipe = other.FPipe;
  }
  return *this;
}

void InputFile::Close() {
  if (FHandle != nullptr) CloseHandle(std::exchange(FHandle, nullptr));
}

// A named pipe opens at once or fails (ERROR_PIPE_BUSY, ERROR_FILE_NOT_FOUND); CreateFileW never
// waits for a writer.
SystemFailure InputFile::Open(const std::string& path) {
  Close();
  const std::optional<std::wstring> name = SystemPath(path);
  if (!name) return LastError();
  const HANDLE handle =
      CreateFileW(name->c_str(), GENERIC_READ, kShareAll, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return LastError();
  FHandle = handle;
  FPipe = GetFileType(handle) == FILE_TYPE_PIPE;
  return {};
}

// GetTempPathW's folder (TMP, TEMP, else the user's own). The file has a name while it is open,
// which no other program can open (no sharing); FILE_FLAG_DELETE_ON_CLOSE has the system delete
// it when its handle closes, however the process ends, a crash or a kill included. Only a power
// loss leaves it behind, for the system's disk clean-up.
SystemFailure InputFile::CreateTemporary(std::string& folder) {
  Close();
  const DWORD size = GetTempPathW(0, nullptr);
  std::wstring wideFolder(size_t(size), L'\0');
  const DWORD length = size == 0 ? 0 : GetTempPathW(size, wideFolder.data());
  if (length == 0 || length >= size) return LastError();
  wideFolder.resize(length);
  folder = Utf8FromWide(wideFolder);
  // A name no other call of this process makes; another process's has another id.
  static std::atomic<unsigned> counter{0};
  for (;;) {
    const std::optional<std::wstring> name =
        SystemPath(folder + "ipmdb-" + std::to_string(GetCurrentProcessId()) + "-" +
                   std::to_string(counter.fetch_add(1)) + ".tmp");
    if (!name) return LastError();
    const HANDLE handle = CreateFileW(name->c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                      FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (handle != INVALID_HANDLE_VALUE) {
      FHandle = handle;
      FPipe = false;
      return {};
    }
    // One left by an earlier process with the same id, which a power loss kept.
    if (GetLastError() != ERROR_FILE_EXISTS) return LastError();
  }
}

bool InputFile::IsOpen() const { return FHandle != nullptr; }

SystemFailure InputFile::IsRegular(bool& regular) const {
  const DWORD type = GetFileType(FHandle);
  if (type == FILE_TYPE_UNKNOWN && GetLastError() != NO_ERROR) return LastError();
  regular = type == FILE_TYPE_DISK;
  return {};
}

// A pipe is asked how much it holds (PeekNamedPipe) every kPipePollInterval, and read only once
// it holds something, so that ReadFile never blocks on it. A disk file is read at once; a
// character device (the null device, a console) is read with ReadFile as it is.
SystemFailure InputFile::ReadWaiting(char* to, size_t size, size_t& read, bool& ended) {
  read = 0;
  ended = false;
  DWORD wanted = DWORD(std::min(size, kLargestTransfer));
  if (FPipe) {
    for (DWORD waited = 0;; waited += kPipePollInterval) {
      DWORD available = 0;
      if (!PeekNamedPipe(FHandle, nullptr, 0, nullptr, &available, nullptr)) {
        ended = IsPipeEnd(GetLastError());
        return ended ? SystemFailure{} : LastError();
      }
      if (available > 0) {
        wanted = std::min(wanted, available);
        break;
      }
      if (waited >= DWORD(kWaitMilliseconds)) return {};
      Sleep(kPipePollInterval);
    }
  }
  DWORD n = 0;
  if (!ReadFile(FHandle, to, wanted, &n, nullptr)) {
    const DWORD error = GetLastError();
    ended = IsPipeEnd(error) || error == ERROR_HANDLE_EOF;
    return {ended ? 0 : int(error)};
  }
  read = n;
  ended = n == 0;
  return {};
}

// ReadFile at an offset given in OVERLAPPED; on a handle opened for synchronous use it waits for
// the read and moves the current position behind it.
SystemFailure InputFile::ReadAt(uint64_t offset, char* to, size_t size, size_t& read) const {
  OVERLAPPED at{};
  at.Offset = DWORD(offset);
  at.OffsetHigh = DWORD(offset >> 32);
  DWORD n = 0;
  read = 0;
  if (!ReadFile(FHandle, to, DWORD(std::min(size, kLargestTransfer)), &n, &at)) {
    return GetLastError() == ERROR_HANDLE_EOF ? SystemFailure{} : LastError();
  }
  read = n;
  return {};
}

SystemFailure InputFile::Write(const char* data, size_t size) {
  while (size > 0) {
    DWORD n = 0;
    if (!WriteFile(FHandle, data, DWORD(std::min(size, kLargestTransfer)), &n, nullptr)) return LastError();
    data += n;
    size -= n;
  }
  return {};
}

SystemFailure InputFile::Rewind() {
  const LARGE_INTEGER start{};
  return SetFilePointerEx(FHandle, start, nullptr, FILE_BEGIN) ? SystemFailure{} : LastError();
}

}  // namespace ipmdb::platform
