// The progress bar's line at every terminal width, in both languages.
#include "cli/ConsoleProgress.h"

#include <gtest/gtest.h>

#include <string>

#include "cli/Texts.h"

namespace ipmdb::cli {
namespace {

// Columns on a terminal: an ASCII character takes one, each character of the texts' Chinese two.
int Columns(const std::string& text) {
  int columns = 0;
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x80) columns += 1;
    if (byte >= 0xE0) columns += 2;
  }
  return columns;
}

// No line may reach the last column, where a terminal wraps it and the next redraw leaves a line
// behind; what fits is shown, the percentage longest.
TEST(ProgressBar, LineFitsEveryTerminalWidth) {
  const struct {
    int32_t FDone;
    int32_t FTotal;
    double FSeconds;
  } states[] = {{0, 0, 0}, {1000, 2500, 0.4}, {2500, 2500, 1.25}, {1999999000, 2000000000, 98765.4}};
  for (const Language language : {Language::Chinese, Language::English}) {
    SetLanguage(language);
    for (const auto& state : states) {
      for (const int width : {1, 2, 4, 5, 6, 10, 12, 20, 30, 40, 60, 79, 80, 81, 100, 200}) {
        const std::string line = ProgressBarLine(state.FDone, state.FTotal, state.FSeconds, width);
        SCOPED_TRACE(testing::Message() << "width " << width << ": " << line);
        EXPECT_LE(Columns(line), width - 1);
        if (width >= 6) {
          EXPECT_NE(line.find('%'), std::string::npos);
        }
        if (width >= 20) {
          EXPECT_EQ(line.rfind("[", 0), 0u);
        }
        if (width >= 80 && state.FTotal < 100000) {
          EXPECT_NE(line.find(language == Language::English ? "s so far" : "已用"), std::string::npos);
        }
      }
    }
  }
  SetLanguage(Language::Chinese);
}

}  // namespace
}  // namespace ipmdb::cli
