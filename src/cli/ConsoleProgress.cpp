// Drawing the conversion's progress on standard error.
#include "cli/ConsoleProgress.h"

#include <string>

namespace ipmdb::cli {
namespace {

constexpr int kBarWidth = 30;
// A terminal is redrawn at most this often; the last batch is always drawn.
constexpr std::chrono::milliseconds kRedrawInterval{100};

}  // namespace

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
    case ProgressStyle::Lines:
      if (committed) {
        std::fprintf(FOut, "已提交 %d/%d 行，用时 %.2f 秒\n", m.wParam, m.lParam, ElapsedSeconds());
      } else {
        std::fprintf(FOut, "截至第 %d 行的一批记录写入失败（共 %d 行）\n", m.wParam, m.lParam);
      }
      std::fflush(FOut);
      return;
  }
}

void ConsoleProgress::DrawBar(int32_t done, int32_t total, bool force) {
  const auto now = std::chrono::steady_clock::now();
  if (!force && now - FLastDraw < kRedrawInterval) return;
  FLastDraw = now;
  const double fraction = total > 0 ? double(done) / total : 1.0;
  const int filled = int(fraction * kBarWidth);
  const std::string bar = std::string(size_t(filled), '#') + std::string(size_t(kBarWidth - filled), '-');
  const double seconds = ElapsedSeconds();
  const double rate = seconds > 0 ? done / seconds : 0;
  // \r returns to the start of the line and \033[K clears what a longer earlier line left.
  std::fprintf(FOut, "\r[%s] %3d%%  %d/%d 行  %.0f 行/秒  已用 %.1f 秒\033[K", bar.c_str(), int(fraction * 100), done,
               total, rate, seconds);
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
