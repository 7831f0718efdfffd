// The Windows process set-up, arguments, executable and language.
#include "platform/Process.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
// After windows.h, whose types it uses.
#include <fcntl.h>
#include <io.h>
#include <shellapi.h>

#include <cstdio>

#include "platform/win32/Wide.h"

namespace ipmdb::platform {

// What stands in here for each POSIX step:
// - Missing standard streams: files are opened as handles (CreateFileW), never as C library
//   descriptors, so no database can take the place of a standard stream. A stream the launcher
//   did not give (a program started without a console or handles) is opened on the null device
//   all the same, so that output to it is dropped as on POSIX, instead of failing: the summary
//   of a conversion that worked would otherwise turn it into a failure (exit code 2).
// - SIGPIPE: there is none; a write to a pipe whose reader went away fails (ERROR_NO_DATA, which
//   the C library reports as EINVAL or EPIPE) like any failed write. Nothing to do.
// - SIGXFSZ: Windows has no file-size limit per process; a full disk or a file system's own
//   limit fails the write. Nothing to do.
// - The locale: the C library's locale stays "C", which is how a process starts, so numbers keep
//   the C form. Nothing reads the rest of it: messages reach a console as UTF-16 and files and
//   pipes as UTF-8 (Console.h), and the system's error texts come from FormatMessageW in the
//   user's language.
// And what only Windows needs:
// - No error boxes: without SetErrorMode a missing floppy or card reader, or a crash, stops the
//   program on a dialog box that nobody may be there to close; the failure is reported instead.
// - Binary standard streams: text mode would write every "\n" of the --sql statements as
//   "\r\n", and read a Ctrl-Z in piped input as its end. Messages end in "\n" too, which every
//   console and editor of today shows as a line break.
namespace {

// Gives the C library's stream `fd` a descriptor on the null device, and the system that handle,
// when the launcher gave none. The C library marks such a stream with the descriptor -2, which
// freopen refuses; so the descriptor is made with _dup2 and set in the stream, whose fields
// msvcrt's stdio.h declares.
void OpenOnNullDeviceIfMissing(std::FILE* stream, int fd, int access, DWORD which) {
  if (_fileno(stream) >= 0) return;
  const int null = _open("NUL", access | _O_BINARY);
  if (null < 0) return;
  if (_dup2(null, fd) == 0) {
    stream->_file = fd;
    SetStdHandle(which, reinterpret_cast<HANDLE>(_get_osfhandle(fd)));
  }
  _close(null);
}

}  // namespace

void PrepareProcess() {
  SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);
  OpenOnNullDeviceIfMissing(stdin, 0, _O_RDONLY, STD_INPUT_HANDLE);
  OpenOnNullDeviceIfMissing(stdout, 1, _O_WRONLY, STD_OUTPUT_HANDLE);
  OpenOnNullDeviceIfMissing(stderr, 2, _O_WRONLY, STD_ERROR_HANDLE);
  _setmode(_fileno(stdin), _O_BINARY);
  _setmode(_fileno(stdout), _O_BINARY);
  _setmode(_fileno(stderr), _O_BINARY);
}

std::vector<std::string> Utf8Arguments(int argc, char** argv) {
  int count = 0;
  wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
  if (wide == nullptr) return {argv, argv + argc};
  std::vector<std::string> arguments;
  arguments.reserve(size_t(count));
  for (int i = 0; i < count; ++i) arguments.push_back(Utf8FromWide(wide[i]));
  LocalFree(wide);
  return arguments;
}

std::string ExecutableFolder() {
  // GetModuleFileNameW fills the whole buffer when it cut the name short, so the buffer grows
  // until it did not.
  std::wstring buffer(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n = GetModuleFileNameW(nullptr, buffer.data(), DWORD(buffer.size()));
    if (n == 0) return {};
    if (n < buffer.size()) {
      buffer.resize(n);
      break;
    }
    buffer.resize(buffer.size() * 2);
  }
  const std::string path = Utf8FromWide(buffer);
  const size_t slash = path.find_last_of("\\/");
  if (slash == std::string::npos) return {};
  // A drive's root keeps its separator ("C:\"), as "/" does on POSIX.
  return slash > 0 && path[slash - 1] == ':' ? path.substr(0, slash + 1) : path.substr(0, slash);
}

bool UserPrefersEnglish() { return PRIMARYLANGID(GetUserDefaultUILanguage()) != LANG_CHINESE; }

}  // namespace ipmdb::platform
