// What the progress bar shows during a run.
#pragma once

#include <cstdint>
#include <string>

namespace ipmdb::ui {

// The bar's text after `done` of `total` lines in `elapsedMs` milliseconds: the percentage, and
// the time left once it can be estimated from the pace so far.
std::string ProgressText(int64_t done, int64_t total, int64_t elapsedMs);
// The bar's position, 0 to 100; 100 for a text database without a line.
int ProgressPercent(int64_t done, int64_t total);

}  // namespace ipmdb::ui
