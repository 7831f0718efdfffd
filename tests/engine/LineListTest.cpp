#include "engine/LineList.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
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
  list.ForEachLine([&lines](std::string_view line) { lines.emplace_back(line); });
  EXPECT_EQ(lines.size(), list.Count());
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
      // Breaks on either side of a 16-byte step; other control bytes, bytes whose low bits are CR
      // or LF, and bytes right above a control byte, none of them a break.
      {"0123456789abcde\r\n0123456789abcdef\n0123456789abcdefg\r\r\n",
       {"0123456789abcde", "0123456789abcdef", "0123456789abcdefg", ""}},
      {"\t\x0b\x0c\x01\x0e\x0e \x8d\x8a\xff\x8d\x0e\t\x0e\x7f\x80 and on\r\nb"s,
       {"\t\x0b\x0c\x01\x0e\x0e \x8d\x8a\xff\x8d\x0e\t\x0e\x7f\x80 and on", "b"}},
  };
  // Chunks of a few bytes put every break, CR LF pairs too, across a chunk boundary somewhere,
  // and make most lines longer than a chunk.
  for (const size_t chunk : {size_t(2), size_t(3), size_t(5), LineList::kChunkSize}) {
    for (const LineCase& c : cases) {
      SCOPED_TRACE(testing::PrintToString(c.FBytes) + " in chunks of " + std::to_string(chunk));
      EXPECT_EQ(Lines(LineList::FromBytes(c.FBytes, chunk)), c.FLines);
    }
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
  const std::vector<std::string> lines = Lines(LineList::LoadFile(FDir.Write("big.txt", bytes), nullptr, 4096));
  ASSERT_EQ(lines.size(), 20001u);
  EXPECT_EQ(lines[0], "0 \xB8\xA3\xBD\xA8");
  EXPECT_EQ(lines[19999], "19999 \xB8\xA3\xBD\xA8");
  EXPECT_EQ(lines[20000], "last");
}

// Rewrites the file in place with the same size and puts its modification time back, so that
// neither its size nor its times tell.
void RewriteKeepingSizeAndTime(const std::string& path, size_t offset, const std::string& bytes) {
  const auto before = std::filesystem::last_write_time(path);
  {
    std::fstream file(path, std::ios::in | std::ios::out | std::ios::binary);
    file.seekp(std::streamoff(offset));
    file << bytes;
  }
  std::filesystem::last_write_time(path, before);
}

// The lines are read from the file again as they are needed: a file cut shorter or rewritten
// meanwhile is reported before the last line of the block of 1000 lines that holds the change is
// handed out, or where reading finds the text ends early; what is added at the end is not read.
TEST_F(LineListFile, ChangesAfterLoadingAreReportedBeforeTheBlockThatHoldsThemIsHandedOut) {
  std::string bytes;
  for (int i = 0; i < 3000; ++i) bytes += "line " + std::to_string(i) + "\r\n";
  const struct {
    const char* FName;
    size_t FChangeAfter;  // lines read before the change
    std::function<void(const std::string& path)> FChange;
    size_t FLinesRead;  // before the change shows
    std::string FMessageEnd;
  } cases[] = {
      {"grown", 0, [](const std::string& path) { std::ofstream(path, std::ios::app) << "more\r\nlines\r\n"; }, 3000, ""},
      {"truncated", 0, [&](const std::string& path) { std::filesystem::resize_file(path, bytes.size() / 2); },
       1550, "被截短了：第 1551 行起的内容已经不在文件里。"},
      {"a break removed", 0, [&](const std::string& path) {
         std::fstream file(path, std::ios::in | std::ios::out | std::ios::binary);
         file.seekp(std::streamoff(bytes.find("line 1500\r")));
         file << "line 1500  ";
       }, 1999, "被改动了：从第 1001 行起，内容与开始读取时不同。"},
      {"a NUL written", 0, [&](const std::string& path) {
         std::fstream file(path, std::ios::in | std::ios::out | std::ios::binary);
         file.seekp(std::streamoff(bytes.find("line 2100")));
         file << '\0';
       }, 2100, "被改动了：从第 2101 行起，内容与开始读取时不同。"},
      // Between two chunk reads, every line rewritten: the block being read is spliced from both.
      {"rewritten whole, same size and time", 2300, [&](const std::string& path) {
         std::string upper = bytes;
         for (size_t at = 0; (at = upper.find("line", at)) != std::string::npos;) upper.replace(at, 4, "LINE");
         RewriteKeepingSizeAndTime(path, 0, upper);
       }, 2999, "被改动了：从第 2001 行起，内容与开始读取时不同。"},
      {"one digit, same size and time", 0, [&](const std::string& path) {
         RewriteKeepingSizeAndTime(path, bytes.find("line 2500") + 5, "7");
       }, 2999, "被改动了：从第 2001 行起，内容与开始读取时不同。"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.FName);
    const std::string path = FDir.Write("changing.txt", bytes);
    const LineList list = LineList::LoadFile(path, nullptr, 4096);
    LineList::Reader reader(list);
    LineList::Line line;
    size_t read = 0;
    if (c.FChangeAfter == 0) c.FChange(path);
    try {
      while (reader.Next(line)) {
        if (++read == c.FChangeAfter) c.FChange(path);
      }
      EXPECT_EQ(c.FMessageEnd, "");
    } catch (const EngineError& error) {
      EXPECT_EQ(error.Kind(), EngineErrorKind::InputChanged);
      EXPECT_EQ(std::string(error.what()), "文本IP数据库“" + path + "”在读取过程中" + c.FMessageEnd);
    }
    EXPECT_EQ(read, c.FLinesRead);
  }
}

// A line longer than a chunk is read again after it was handed out, so its block is checked once
// the caller is done with it.
TEST_F(LineListFile, BlockWithALongLineIsCheckedAfterItsLineWasReadAgain) {
  const std::string bytes = "a\r\n" + std::string(300, 'x') + "\r\nb\r\n";
  const std::string path = FDir.Write("long.txt", bytes);
  const LineList list = LineList::LoadFile(path, nullptr, 64);
  LineList::Reader reader(list);
  LineList::Line line;
  while (reader.Next(line)) {}
  RewriteKeepingSizeAndTime(path, 100, "y");
  std::string storage;
  reader.ReadPieces(3, 300, [&storage](std::string_view piece) { storage += piece; });
  EXPECT_EQ(storage[97], 'y');
  try {
    reader.ConfirmBlocks();
    ADD_FAILURE() << "no exception";
  } catch (const EngineError& error) {
    EXPECT_EQ(std::string(error.what()), "文本IP数据库“" + path + "”在读取过程中被改动了：从第 1 行起，内容与开始读取时不同。");
  }
}

TEST_F(LineListFile, EmptyFileHasNoLines) { EXPECT_TRUE(LineList::LoadFile(FDir.Write("empty.txt", "")).Empty()); }

#ifndef _WIN32  // Windows has no /dev/zero and no FIFOs
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
#endif

#ifndef _WIN32  // Windows has no FIFOs
TEST_F(LineListFile, TextOfAFifoIsKeptForItsReaders) {
  const std::string fifo = (FDir.Path() / "lines.fifo").string();
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  std::thread writer([&fifo] { std::ofstream(fifo, std::ios::binary) << "a\r\nb\r" << std::string(5000, 'c'); });
  const LineList list = LineList::LoadFile(fifo, nullptr, 64);
  writer.join();
  EXPECT_EQ(Lines(list), (std::vector<std::string>{"a", "b", std::string(5000, 'c')}));
}
#endif

#ifndef _WIN32  // it expects the C library's texts; Windows words them in its own
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
#endif

#ifndef _WIN32  // it expects the C library's text; Windows words it in its own
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
#endif

}  // namespace
}  // namespace ipmdb::engine
