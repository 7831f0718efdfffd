// The log's numbering, the texts of its lines and their time stamps, the progress text, and the
// texts in both languages.
#include "ui/core/LogLines.h"

#include <gtest/gtest.h>

#include <ctime>
#include <string>

#include "ui/core/ConversionControl.h"
#include "ui/core/EnglishTexts.h"
#include "ui/core/LogTime.h"
#include "ui/core/ProgressText.h"
#include "ui/core/Texts.h"

namespace ipmdb::ui {
namespace {

TEST(LogLinesTest, EntriesAreNumberedByTheLinesBeforeThem) {
  struct Case {
    int64_t FLinesBefore;
    std::string FText;
    std::string FEntry;
    int64_t FLines;
  };
  const Case cases[] = {
      {1, "文本IP数据库路径不能为空。", "2 - 文本IP数据库路径不能为空。", 1},
      {9, "第一行\r\n第二行\r第三行\n第四行", "10 - 第一行\n第二行\n第三行\n第四行", 4},
      {3, "末尾换行\r\n", "4 - 末尾换行\n", 2},
      {3, "\r\r", "4 - \n\n", 3},
      {5, "", "", 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.FText);
    EXPECT_EQ(NumberedLogEntry(c.FLinesBefore, c.FText), c.FEntry);
    if (!c.FEntry.empty()) {
      EXPECT_EQ(LogLinesOf(c.FEntry), c.FLines);
    }
  }
}

TEST(LogLinesTest, ProgressMessagesBecomeTheirLogLines) {
  struct Case {
    engine::ProgressMessage FMessage;
    std::string FLine;
  };
  const Case cases[] = {
      {{engine::kMsgBatchCommitted, 1000, 2500}, "加载第[1000/2500]条记录成功,时间 - [12:08:27]"},
      {{engine::kMsgBatchFailed, 1000, 2500}, "加载第[1000/2500]条记录失败,时间 - [12:08:27]"},
      {{engine::kMsgBatchCommitted, -5, -2147483647 - 1}, "加载第[-5/-2147483648]条记录成功,时间 - [12:08:27]"},
      {{engine::kMsgBatchCommitted + 2, 1, 1}, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.FLine);
    EXPECT_EQ(ProgressLogLine(c.FMessage, "12:08:27"), c.FLine);
  }
}

// A value is never searched for placeholders: a path may hold "%1".
TEST(LogLinesTest, StartWelcomeAndFinishedLinesCarryTheirFixedTexts) {
  EXPECT_EQ(StartLogLine("05:41:27"), "转换开始,时间 - [05:41:27]");
  EXPECT_EQ(WelcomeLogLine(), "1 - 欢迎使用此程序[http://www.fenwarde.example/]");
  EXPECT_EQ(FinishedLogLine(2500, 12345, "/tmp/%1.MDB"), "转换完成：2500 条记录，用时 12.3 秒 → /tmp/%1.MDB");
  EXPECT_EQ(FinishedLogLine(0, 0, "a"), "转换完成：0 条记录，用时 0.0 秒 → a");
  EXPECT_EQ(FinishedLogLine(1, 59, "a"), "转换完成：1 条记录，用时 0.1 秒 → a");
  EXPECT_EQ(FinishedLogLine(1, -4000, "a"), "转换完成：1 条记录，用时 0.0 秒 → a");
}

TEST(LogLinesTest, ProgressShowsPercentAndTimeLeft) {
  struct Case {
    int64_t FDone;
    int64_t FTotal;
    int64_t FElapsedMs;
    int FPercent;
    std::string FText;
  };
  const Case cases[] = {
      {0, 2500, 0, 0, "0%"},
      {1000, 2500, 999, 40, "40%"},                      // too early to estimate
      {1000, 2500, 2001, 40, "40%，剩余约 4 秒"},        // seconds, rounded up
      {1000, 530000, 1000, 0, "0%，剩余约 8 分 49 秒"},  // minutes
      {2500, 2500, 5000, 100, "100%"},
      {0, 0, 0, 100, "100%"},                            // no line at all
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.FText);
    EXPECT_EQ(ProgressPercent(c.FDone, c.FTotal), c.FPercent);
    EXPECT_EQ(ProgressText(c.FDone, c.FTotal, c.FElapsedMs), c.FText);
  }
}

// The local time of day, whatever the date.
std::chrono::system_clock::time_point LocalTime(int year, int month, int day, int hour, int minute, int second) {
  std::tm local{};
  local.tm_year = year - 1900;
  local.tm_mon = month - 1;
  local.tm_mday = day;
  local.tm_hour = hour;
  local.tm_min = minute;
  local.tm_sec = second;
  local.tm_isdst = -1;
  return std::chrono::system_clock::from_time_t(std::mktime(&local));
}

TEST(LogTimeTest, TimeStampIsHourMinuteSecond) {
  EXPECT_EQ(LogTimeStamp(LocalTime(2024, 12, 8, 5, 41, 27)), "05:41:27");
  EXPECT_EQ(LogTimeStamp(LocalTime(2024, 12, 31, 23, 59, 7)), "23:59:07");
  EXPECT_EQ(LogTimeStamp(LocalTime(2025, 1, 1, 0, 0, 0)), "00:00:00");
  EXPECT_EQ(LogTimeStamp(LocalTime(2025, 6, 1, 12, 0, 9)), "12:00:09");  // noon is 12, not 00
  const auto time = LocalTime(2024, 12, 8, 5, 41, 27);
  EXPECT_NE(LogTimeStamp(time), LogTimeStamp(time + std::chrono::minutes(1)));
  EXPECT_EQ(MillisecondsBetween(time, time + std::chrono::milliseconds(12345)), 12345);
}

// Each test sets the language it needs and puts Chinese back.
class TextsTest : public testing::Test {
 protected:
  void TearDown() override { texts::SetLanguage(texts::Language::Chinese); }
};

TEST_F(TextsTest, EnglishReplacesEveryText) {
  EXPECT_EQ(texts::CurrentLanguage(), texts::Language::Chinese);
  EXPECT_EQ(texts::QuitQuestion(), "转换尚未完成，确定退出？");
  texts::SetLanguage(texts::Language::English);
  EXPECT_EQ(CaptionOf(TRunState::Idle), "Convert");
  EXPECT_EQ(texts::QuitQuestion(), "The conversion has not finished. Quit anyway?");
  // A translation may take the values in its own order; here they keep theirs.
  EXPECT_EQ(ProgressLogLine({engine::kMsgBatchFailed, 10, 20}, "01:02:03"),
            "Failed to load records up to [10/20], time - [01:02:03]");
  EXPECT_EQ(ProgressText(1000, 530000, 1000), "0%, about 8 min 49 s left");
}

// Every text of the window has its English: a text added without one would stay Chinese.
TEST_F(TextsTest, EveryTextHasATranslation) {
  const std::string chinese[] = {
      texts::ApplicationTitle(), texts::TextDatabaseLabel(), texts::OutputLabel(), texts::MakerLabel(),
      texts::Select(), texts::Convert(), texts::Pause(), texts::Start(), texts::ChangeOutput(),
      texts::OpenFolder(), texts::TextDatabaseFilter(), texts::AllFilesFilter(), texts::AccessDatabaseFilter(),
      texts::OutputDialogTitle(), texts::Welcome("%1"), texts::StartLine("%1"),
      texts::BatchCommitted("%1", "%2", "%3"), texts::BatchFailed("%1", "%2", "%3"),
      texts::Finished("%1", "%2", "%3"), texts::OutputMovedToDocuments("%1", "%2"), texts::NoBrowser("%1"),
      texts::NoFileManager("%1"), texts::ProgressPercent("%1"), texts::ProgressSecondsLeft("%1", "%2"),
      texts::ProgressMinutesLeft("%1", "%2", "%3"), texts::EmptyPath(), texts::FileMissing("%1"),
      texts::ReadOnce("%1"), texts::QuitQuestion(), texts::UnknownError(),
  };
  EXPECT_EQ(std::size(chinese), texts::kEnglishTextsCount);
  for (const std::string& text : chinese) {
    SCOPED_TRACE(text);
    bool translated = false;
    for (std::size_t i = 0; i < texts::kEnglishTextsCount; ++i) translated |= text == texts::kEnglishTexts[i].FSource;
    EXPECT_TRUE(translated);
  }
}

}  // namespace
}  // namespace ipmdb::ui
