// The operating system's side of reading a text database: a file opened by path and read once
// from its start, with waits short enough that a stop request is seen, then read again at any
// offset; and the temporary file that keeps a text which cannot be read twice.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "platform/SystemError.h"

namespace ipmdb::platform {

// What makes two paths name one file: device and inode on POSIX, the volume serial number and
// the file index on Windows (whose C library reports inode 0 for every file).
struct FileIdentity {
  uint64_t FVolume = 0;
  uint64_t FFile = 0;
  bool operator==(const FileIdentity&) const = default;
};

// The identity of the file `path` names, following links; nothing when it cannot be looked at.
std::optional<FileIdentity> IdentityOf(const std::string& path);

// One open file. Every call returns what failed, if anything.
class InputFile {
 public:
  // The longest a ReadWaiting call waits for input.
  static constexpr int kWaitMilliseconds = 100;

  InputFile() = default;
  ~InputFile();
  InputFile(InputFile&& other) noexcept;
  InputFile& operator=(InputFile&& other) noexcept;
  InputFile(const InputFile&) = delete;
  InputFile& operator=(const InputFile&) = delete;

  // Opens `path` (UTF-8) for reading. Opening never waits: a FIFO without a writer opens at once.
  SystemFailure Open(const std::string& path);
  // Creates a readable and writable file without a name in the system's temporary folder, so
  // that nothing is left behind whatever ends the process; `folder` is set to that folder, for
  // messages.
  SystemFailure CreateTemporary(std::string& folder);

  bool IsOpen() const;
  // Whether the file is a regular file, which can be read again at any offset. Anything else (a
  // pipe, a FIFO, a device, a socket) can be read once only.
  SystemFailure IsRegular(bool& regular) const;

  // Waits at most kWaitMilliseconds for input at the current position, then reads what there is,
  // up to `size` bytes. `read` is 0 when nothing came in time and `ended` is set at the end of
  // the input; a regular file never waits.
  SystemFailure ReadWaiting(char* to, size_t size, size_t& read, bool& ended);
  // Reads up to `size` bytes from `offset`. `read` is 0 only at the end of the file. Where the
  // current position is afterwards differs between the systems: a file read at offsets is read
  // at offsets only.
  SystemFailure ReadAt(uint64_t offset, char* to, size_t size, size_t& read) const;
  // Writes all `size` bytes at the current position, which moves behind them.
  SystemFailure Write(const char* data, size_t size);
  // Moves the current position back to the start.
  SystemFailure Rewind();

 private:
#ifdef _WIN32
  void* FHandle = nullptr;  // a HANDLE; nullptr when closed
  bool FPipe = false;       // read by polling how much it holds, so that a read never blocks
#else
  int FFd = -1;
#endif
  void Close();
};

}  // namespace ipmdb::platform
