// The command-line converter's progress receiver: a redrawn bar when standard error is a
// terminal, one plain line per batch when it is not, nothing when quiet. It runs on the main
// thread, inside the dispatch of the loop that waits for the worker.
#pragma once

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>

#include "engine/ProgressChannel.h"

namespace ipmdb::cli {

enum class ProgressStyle { Bar, Lines, Quiet };

// The bar's line for `done` of `total` lines after `seconds`: the bar, the percentage, the lines
// and their rate and the time, as many of them as fit in columns - 1 (the last column stays free,
// so that no terminal wraps the line), down to an empty line.
std::string ProgressBarLine(int32_t done, int32_t total, double seconds, int columns);

class ConsoleProgress : public engine::TProgressReceiver {
 public:
  ConsoleProgress(ProgressStyle style, std::FILE* out);

  void HandleProgress(const engine::ProgressMessage& m) override;
  // Ends the bar's line, so that later output starts on a line of its own.
  void Finish();

  // The last line of the last committed batch: every line up to it is in the output database.
  int32_t CommittedLines() const { return FCommitted; }
  double ElapsedSeconds() const;

 private:
  void DrawBar(int32_t done, int32_t total, bool force);

  ProgressStyle FStyle;
  std::FILE* FOut;
  std::chrono::steady_clock::time_point FStart;
  std::chrono::steady_clock::time_point FLastDraw;
  bool FBarShown = false;
  int32_t FCommitted = 0;
};

}  // namespace ipmdb::cli
