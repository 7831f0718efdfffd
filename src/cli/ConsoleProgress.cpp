// Drawing the conversion's progress on standard error.
#include "cli/ConsoleProgress.h"

#include <algorithm>
#include <charconv>
#include <string>
#include <vector>

#include "cli/Texts.h"
#include "platform/Console.h"

namespace ipmdb::cli {
namespace {

// The bar between its brackets is this wide at most, and is left out when fewer columns than
// kMinBarWidth remain for it.
constexpr int kMaxBarWidth = 30;
constexpr int kMinBarWidth = 10;
// A terminal is redrawn at most this often; the last batch is always drawn.
constexpr std::chrono::milliseconds kRedrawInterval{100};

// The columns `text` takes on a terminal: a character of one or two UTF-8 bytes (ASCII, Latin)
// takes one, a longer one (the Chinese characters and punctuation of the texts) two.
int Columns(std::string_view text) {
  int columns = 0;
  for (const char c : text) {
    const auto byte = uint8_t(c);
    if (byte < 0x80 || (byte >= 0xC0 && byte < 0xE0)) {
      columns += 1;
    } else if (byte >= 0xE0) {
      columns += 2;
    }
  }
  return columns;
}

std::string Fixed(double value, int decimals) {
  char text[32];
  const auto result = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, decimals);
  return std::string(text, result.ptr);
}

std::string Join(const std::vector<std::string>& parts) {
  std::string line;
  for (const std::string& part : parts) line += (line.empty() ? "" : "  ") + part;
  return line;
}

}  // namespace

std::string ProgressBarLine(int32_t done, int32_t total, double seconds, int columns) {
  const double fraction = std::clamp(total > 0 ? double(done) / total : 1.0, 0.0, 1.0);
  const int percent = int(fraction * 100);
  const std::string percentText = (percent < 10 ? "  " : percent < 100 ? " " : "") + std::to_string(percent) + "%";
  std::vector<std::string> parts{
      percentText,
      Arg(Tr("%1/%2 行"), {std::to_string(done), std::to_string(total)}),
      Arg(Tr("%1 行/秒"), {Fixed(seconds > 0 ? done / seconds : 0, 0)}),
      Arg(Tr("已用 %1 秒"), {Fixed(seconds, 1)}),
  };
  // The last column stays free: a line that reaches it makes some terminals wrap, and every
  // redraw would then leave a line behind. The figures go from the last, the bar when even the
  // percentage and the narrowest bar do not fit, and at last the percentage itself.
  const int room = columns - 1;
  const auto barRoom = [&] { return room - Columns(Join(parts)) - 3; };  // "[", "] "
  while (parts.size() > 1 && barRoom() < kMinBarWidth) parts.pop_back();
  const std::string text = Join(parts);
  if (barRoom() < kMinBarWidth) return Columns(text) <= room ? text : std::string();
  const int width = std::min(kMaxBarWidth, barRoom());
  const int filled = int(fraction * width);
  return "[" + std::string(size_t(filled), '#') + std::string(size_t(width - filled), '-') + "] " + text;
}

ConsoleProgress::ConsoleProgress(ProgressStyle style, std::FILE* out)
    : FStyle(style), FOut(out), FStart(std::chrono::steady_clock::now()), FLastDraw(FStart) {}

double ConsoleProgress::ElapsedSeconds() const {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - FStart).count();
}

void ConsoleProgress::HandleProgress(const engine::ProgressMessage& m) {
  const bool committed = m.message == engine::kMsgBatchCommitted;
  if (committed) FCommitted = m.wParam;
  switch (FStyle) {
    case ProgressStyle::Quiet:
      return;
    case ProgressStyle::Bar:
      DrawBar(FCommitted, m.lParam, !committed || m.wParam == m.lParam);
      return;
    case ProgressStyle::Lines: {
      const std::string done = std::to_string(m.wParam);
      const std::string total = std::to_string(m.lParam);
      const std::string line = committed ? Arg(Tr("已提交 %1/%2 行，用时 %3 秒"), {done, total, Fixed(ElapsedSeconds(), 2)})
                                         : Arg(Tr("截至第 %1 行的一批记录写入失败（共 %2 行）"), {done, total});
      platform::WriteConsole(FOut, line + "\n");
      std::fflush(FOut);
      return;
    }
  }
}

void ConsoleProgress::DrawBar(int32_t done, int32_t total, bool force) {
  const auto now = std::chrono::steady_clock::now();
  if (!force && now - FLastDraw < kRedrawInterval) return;
  FLastDraw = now;
  const std::string line = ProgressBarLine(done, total, ElapsedSeconds(), platform::TerminalColumns(FOut));
  // \r returns to the start of the line and \033[K clears what a longer earlier line left.
  platform::WriteConsole(FOut, "\r" + line + "\033[K");
  std::fflush(FOut);
  FBarShown = true;
}

void ConsoleProgress::Finish() {
  if (!FBarShown) return;
  std::fputc('\n', FOut);
  std::fflush(FOut);
  FBarShown = false;
}

}  // namespace ipmdb::cli
