// The console streams and the terminal's width, the same on every system; the system's own side
// is in posix/Console.cpp and win32/Console.cpp.
#include "platform/Console.h"

#include <charconv>
#include <cstdlib>
#include <streambuf>

#include "platform/SystemConsole.h"

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

int TerminalColumns(std::FILE* out) {
  if (const int window = WindowColumns(out); window > 0) return window;
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
