// Writing messages in the locale's encoding.
#include "platform/Console.h"

#include <sys/ioctl.h>
#include <unistd.h>

#include <charconv>
#include <cstdlib>
#include <streambuf>

#include "platform/Encoding.h"

namespace ipmdb::platform {
namespace {

// When neither the terminal nor COLUMNS tells the width.
constexpr int kDefaultColumns = 80;

// Collects what a stream writes and hands it to WriteConsole at each line break, so that a
// character is never split between two conversions; the FILE's own buffering then applies.
class ConsoleBuffer : public std::streambuf {
 public:
  explicit ConsoleBuffer(std::FILE* out) : FOut(out) {}
  ~ConsoleBuffer() override { sync(); }

 protected:
  int_type overflow(int_type c) override {
    if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
    FPending += traits_type::to_char_type(c);
    if (c == '\n' && !WritePending()) return traits_type::eof();
    return c;
  }

  std::streamsize xsputn(const char* text, std::streamsize count) override {
    FPending.append(text, size_t(count));
    if (FPending.find('\n') != std::string::npos && !WritePending()) return 0;
    return count;
  }

  int sync() override { return WritePending() && std::fflush(FOut) == 0 ? 0 : -1; }

 private:
  bool WritePending() {
    const bool written = FPending.empty() || WriteConsole(FOut, FPending);
    FPending.clear();
    return written;
  }

  std::FILE* FOut;
  std::string FPending;
};

}  // namespace

std::string ConsoleText(std::string_view utf8) {
  if (LocaleTakesUtf8()) return std::string(utf8);
  return ConvertText(utf8, LocaleCodeset(), "UTF-8");
}

bool WriteConsole(std::FILE* out, std::string_view utf8) {
  const std::string text = ConsoleText(utf8);
  return std::fwrite(text.data(), 1, text.size(), out) == text.size();
}

bool IsTerminal(std::FILE* out) { return ::isatty(fileno(out)) == 1; }

int TerminalColumns(std::FILE* out) {
  winsize size{};
  if (::ioctl(fileno(out), TIOCGWINSZ, &size) == 0 && size.ws_col > 0) return size.ws_col;
  const char* columns = std::getenv("COLUMNS");
  int value = 0;
  if (columns != nullptr) {
    const std::string_view text(columns);
    const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
    if (result.ec == std::errc() && result.ptr == text.data() + text.size() && value > 0) return value;
  }
  return kDefaultColumns;
}

std::ostream& ConsoleOut() {
  static ConsoleBuffer buffer(stdout);
  static std::ostream stream(&buffer);
  return stream;
}

std::ostream& ConsoleErr() {
  static ConsoleBuffer buffer(stderr);
  static std::ostream stream(&buffer);
  return stream;
}

}  // namespace ipmdb::platform
