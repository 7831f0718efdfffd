#include "engine/LineList.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "../support/TempDir.h"
#include "engine/EngineError.h"

namespace ipmdb::engine {
namespace {

using namespace std::string_literals;

std::vector<std::string> Lines(const LineList& list) {
  std::vector<std::string> lines;
  for (size_t i = 0; i < list.Count(); ++i) lines.emplace_back(list[i]);
  return lines;
}

struct LineCase {
  std::string FBytes;
  std::vector<std::string> FLines;
};

TEST(LineList, BreaksNulsAndFinalBreaksFollowTheLineRules) {
  const LineCase cases[] = {
      {"a\r\nb\r\n", {"a", "b"}},
      {"a\nb\n", {"a", "b"}},
      {"a\rb\r", {"a", "b"}},
      {"a\r\nb", {"a", "b"}},
      {"a\n\rb", {"a", "", "b"}},
      {"a\r\rb", {"a", "", "b"}},
      {"\r\r\n", {"", ""}},
      {"a\n\nb", {"a", "", "b"}},
      {"a\n", {"a"}},
      {"a\n\n", {"a", ""}},
      {"a\r\n\r\n", {"a", ""}},
      {"a\n\r", {"a", ""}},
      {"\n", {""}},
      {"\r\n", {""}},
      {"", {}},
      {"a\nb\0c\nd"s, {"a", "b"}},
      {"a\nbc\0"s, {"a", "bc"}},
      {"a\r\n\0b\r\n"s, {"a"}},
      {"\0a\nb"s, {}},
      {" \t lead and trail \t \r\n", {" \t lead and trail \t "}},
      {"\xD6\xD0\xB9\xFA \xB5\xE7\xD0\xC5\r\n\xA1\xA1\r\n", {"\xD6\xD0\xB9\xFA \xB5\xE7\xD0\xC5", "\xA1\xA1"}},
  };
  for (const LineCase& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.FBytes));
    EXPECT_EQ(Lines(LineList::FromBytes(c.FBytes)), c.FLines);
  }
}

TEST(LineList, EmptyTextHasNoLines) {
  EXPECT_TRUE(LineList::FromBytes("").Empty());
  EXPECT_TRUE(LineList().Empty());
  EXPECT_FALSE(LineList::FromBytes("\n").Empty());
}

class LineListFile : public testing::Test {
 protected:
  testing_support::TempDir FDir;
};

TEST_F(LineListFile, LoadingAFileGivesTheLinesOfItsBytes) {
  // Longer than one read chunk, with every kind of break and a NUL near the end.
  std::string bytes;
  for (int i = 0; i < 20000; ++i) {
    bytes += std::to_string(i) + " \xB8\xA3\xBD\xA8";
    bytes += i % 3 == 0 ? "\r\n" : i % 3 == 1 ? "\n" : "\r";
  }
  bytes += "last\0ignored\r\n"s;
  const LineList loaded = LineList::LoadFile(FDir.Write("big.txt", bytes));
  EXPECT_EQ(Lines(loaded), Lines(LineList::FromBytes(bytes)));
  ASSERT_EQ(loaded.Count(), 20001u);
  EXPECT_EQ(loaded[0], "0 \xB8\xA3\xBD\xA8");
  EXPECT_EQ(loaded[20000], "last");
}

TEST_F(LineListFile, EmptyFileHasNoLines) { EXPECT_TRUE(LineList::LoadFile(FDir.Write("empty.txt", "")).Empty()); }

TEST_F(LineListFile, EndlessInputEndsAtItsFirstNulAndSilentInputAtAStopRequest) {
  EXPECT_TRUE(LineList::LoadFile("/dev/zero").Empty());
  // A FIFO that no writer opens: neither the open nor the reads may wait past a stop request.
  const std::string fifo = (FDir.Path() / "silent.fifo").string();
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  std::atomic<bool> stop{false};
  std::thread stopper([&stop] {
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    stop.store(true);
  });
  try {
    LineList::LoadFile(fifo, &stop);
    ADD_FAILURE() << "no exception";
  } catch (const EngineError& error) {
    EXPECT_EQ(error.Kind(), EngineErrorKind::Stopped);
    EXPECT_EQ(std::string(error.what()), "读取文本IP数据库“" + fifo + "”时收到了停止请求。");
  }
  stopper.join();
}

TEST_F(LineListFile, UnreadablePathsFailWithTheFullPathAndTheSystemsReason) {
  const std::string missing = (FDir.Path() / "missing.txt").string();
  const struct {
    std::string FPath;
    int FError;
  } cases[] = {{missing, ENOENT}, {FDir.Path().string(), EISDIR}, {(FDir.Path() / "missing" / "x.txt").string(), ENOENT}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.FPath);
    try {
      LineList::LoadFile(c.FPath);
      ADD_FAILURE() << "no exception";
    } catch (const EngineError& error) {
      EXPECT_EQ(error.Kind(), EngineErrorKind::CannotOpenFile);
      EXPECT_EQ(std::string(error.what()), "Cannot open file \"" + c.FPath + "\". " + std::strerror(c.FError));
    }
  }
}

TEST_F(LineListFile, RelativePathIsShownAbsoluteInTheMessage) {
  const std::string relative = "ipmdb-no-such-input-5e1c9.txt";
  const std::string expected = (std::filesystem::current_path() / relative).string();
  try {
    LineList::LoadFile(relative);
    ADD_FAILURE() << "no exception";
  } catch (const EngineError& error) {
    EXPECT_EQ(std::string(error.what()), "Cannot open file \"" + expected + "\". No such file or directory");
  }
}

}  // namespace
}  // namespace ipmdb::engine
