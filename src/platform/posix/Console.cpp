// Text for a POSIX terminal: the locale's encoding through iconv, isatty and TIOCGWINSZ.
#include <sys/ioctl.h>
#include <unistd.h>

#include "platform/Console.h"
#include "platform/SystemConsole.h"
#include "platform/posix/Encoding.h"

namespace ipmdb::platform {

std::string ConsoleText(std::string_view utf8) {
  if (LocaleTakesUtf8()) return std::string(utf8);
  return ConvertText(utf8, LocaleCodeset(), "UTF-8");
}

bool WriteConsole(std::FILE* out, std::string_view utf8) {
  const std::string text = ConsoleText(utf8);
  return std::fwrite(text.data(), 1, text.size(), out) == text.size();
}

bool IsTerminal(std::FILE* out) { return ::isatty(fileno(out)) == 1; }

int WindowColumns(std::FILE* out) {
  winsize size{};
  return ::ioctl(fileno(out), TIOCGWINSZ, &size) == 0 ? size.ws_col : 0;
}

}  // namespace ipmdb::platform
