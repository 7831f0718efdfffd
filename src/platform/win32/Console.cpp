// Text for a Windows console: UTF-16 through WriteConsoleW, UTF-8 bytes when redirected.
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <io.h>
#include <windows.h>
// windows.h names WriteConsoleW WriteConsole; the platform's own WriteConsole is meant here.
#undef WriteConsole

#include <cerrno>

#include "platform/Console.h"
#include "platform/SystemConsole.h"
#include "platform/win32/Wide.h"

namespace ipmdb::platform {
namespace {

// The console `out` writes to, or nothing when it is redirected (GetConsoleMode fails for a file
// or a pipe).
HANDLE ConsoleOf(std::FILE* out) {
  const HANDLE handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(out)));
  DWORD mode = 0;
  if (handle == INVALID_HANDLE_VALUE || !GetConsoleMode(handle, &mode)) return nullptr;
  return handle;
}

}  // namespace

std::string ConsoleText(std::string_view utf8) { return std::string(utf8); }

bool WriteConsole(std::FILE* out, std::string_view utf8) {
  const HANDLE console = ConsoleOf(out);
  if (console == nullptr) return std::fwrite(utf8.data(), 1, utf8.size(), out) == utf8.size();
  // What the FILE holds was written before this text.
  if (std::fflush(out) != 0) return false;
  const std::wstring wide = WideFromUtf8(utf8);
  for (size_t done = 0; done < wide.size();) {
    DWORD written = 0;
    if (!WriteConsoleW(console, wide.data() + done, DWORD(wide.size() - done), &written, nullptr) || written == 0) {
      errno = EIO;
      return false;
    }
    done += written;
  }
  return true;
}

bool IsTerminal(std::FILE* out) { return ConsoleOf(out) != nullptr; }

int WindowColumns(std::FILE* out) {
  const HANDLE console = ConsoleOf(out);
  CONSOLE_SCREEN_BUFFER_INFO info{};
  if (console == nullptr || !GetConsoleScreenBufferInfo(console, &info)) return 0;
  return info.srWindow.Right - info.srWindow.Left + 1;
}

}  // namespace ipmdb::platform
