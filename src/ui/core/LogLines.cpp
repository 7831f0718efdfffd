// The log's lines.
#include "ui/core/LogLines.h"

#include <algorithm>

#include "engine/Branding.h"
#include "ui/core/Texts.h"

namespace ipmdb::ui {

std::string NumberedLogEntry(int64_t linesBefore, std::string_view text) {
  if (text.empty()) return {};
  std::string entry = std::to_string(linesBefore + 1) + " - ";
  for (std::size_t at = 0; at < text.size(); ++at) {
    if (text[at] != '\r') {
      entry += text[at];
      continue;
    }
    entry += '\n';
    if (at + 1 < text.size() && text[at + 1] == '\n') ++at;
  }
  return entry;
}

int64_t LogLinesOf(std::string_view entry) { return int64_t(std::count(entry.begin(), entry.end(), '\n')) + 1; }

std::string WelcomeLogLine() { return NumberedLogEntry(0, texts::Welcome(engine::kMakerUrl)); }

std::string StartLogLine(std::string_view stamp) { return texts::StartLine(stamp); }

std::string ProgressLogLine(const engine::ProgressMessage& message, std::string_view stamp) {
  const std::string lastLine = std::to_string(message.wParam);
  const std::string lineCount = std::to_string(message.lParam);
  if (message.message == engine::kMsgBatchCommitted) return texts::BatchCommitted(lastLine, lineCount, stamp);
  if (message.message == engine::kMsgBatchFailed) return texts::BatchFailed(lastLine, lineCount, stamp);
  return {};
}

std::string FinishedLogLine(int64_t records, int64_t elapsedMs, std::string_view outputPath) {
  // To the nearest tenth of a second; a clock set back meanwhile counts as no time.
  const int64_t tenths = (std::max<int64_t>(elapsedMs, 0) + 50) / 100;
  const std::string seconds = std::to_string(tenths / 10) + "." + std::to_string(tenths % 10);
  return texts::Finished(std::to_string(records), seconds, outputPath);
}

}  // namespace ipmdb::ui
