// The progress bar's text.
#include "ui/core/ProgressText.h"

#include <algorithm>

#include "ui/core/Texts.h"

namespace ipmdb::ui {
namespace {

// The pace of the first batch says little; the estimate starts once this much time has passed.
constexpr int64_t kEstimateAfterMs = 1000;
constexpr int64_t kSecondsPerMinute = 60;

}  // namespace

int ProgressPercent(int64_t done, int64_t total) {
  if (total <= 0) return 100;
  return int(std::clamp<int64_t>(done * 100 / total, 0, 100));
}

std::string ProgressText(int64_t done, int64_t total, int64_t elapsedMs) {
  const std::string percent = std::to_string(ProgressPercent(done, total));
  if (done <= 0 || done >= total || elapsedMs < kEstimateAfterMs) return texts::ProgressPercent(percent);
  // Rounded up, so that the estimate reads zero only once the run has ended.
  const int64_t leftMs = elapsedMs * (total - done) / done;
  const int64_t seconds = (leftMs + 999) / 1000;
  if (seconds < kSecondsPerMinute) return texts::ProgressSecondsLeft(percent, std::to_string(seconds));
  return texts::ProgressMinutesLeft(percent, std::to_string(seconds / kSecondsPerMinute),
                                    std::to_string(seconds % kSecondsPerMinute));
}

}  // namespace ipmdb::ui
