// Runs the built ipmdb-convert as a converter on text databases the tests write: its output
// database, what it prints, its exit codes, stop signals and a file-size limit.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "../support/ChildProcess.h"
#include "../support/TempDir.h"
#include "jet/DatabaseReader.h"
#include "jet/IntegrityCheck.h"
#include "jet/PageSource.h"
#include "platform/Path.h"

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include "platform/win32/Wide.h"
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace ipmdb::cli {
namespace {

struct Outcome {
  int FExitCode = -1;
  std::string FOut;
  std::string FErr;
};

using testing_support::ChildProcess;
using Streams = ChildProcess::Streams;

std::string Line(size_t i, bool tooLong = false) {
  // A start address of 17 characters does not fit column startip.
  const std::string start = tooLong ? "10.0.0.1234567890" : "10." + std::to_string(i / 65536 % 256) + "." +
                                                                std::to_string(i / 256 % 256) + "." +
                                                                std::to_string(i % 256);
  return start + " 10.255.255.255 \xD6\xD0\xB9\xFA area" + std::to_string(i) + "\r\n";
}

std::string TextDatabase(size_t n, std::optional<size_t> tooLongLine = std::nullopt) {
  std::string text;
  for (size_t i = 0; i < n; ++i) text += Line(i, tooLongLine && *tooLongLine == i + 1);
  return text;
}

// The text with the figure of every "用时 <seconds> 秒" taken out, as no test may depend on time.
std::string WithoutSeconds(std::string text) {
  const std::string mark = "用时 ";
  for (size_t at = text.find(mark); at != std::string::npos; at = text.find(mark, at + mark.size())) {
    const size_t from = at + mark.size();
    const size_t to = text.find_first_not_of("0123456789.", from);
    text.erase(from, (to == std::string::npos ? text.size() : to) - from);
  }
  return text;
}

// The decimal number that follows the first `prefix` in text, and where it ends.
std::optional<std::pair<size_t, size_t>> NumberAfter(const std::string& text, const std::string& prefix, size_t from = 0) {
  const size_t at = text.find(prefix, from);
  if (at == std::string::npos) return std::nullopt;
  const size_t start = at + prefix.size();
  const size_t end = text.find_first_not_of("0123456789", start);
  if (end == start) return std::nullopt;
  return std::pair(std::stoul(text.substr(start, end - start)), end == std::string::npos ? text.size() : end);
}

size_t RowCount(const std::string& path) {
  jet::MappedFilePageSource source(path);
  jet::DatabaseReader reader(source, path);
  return reader.ReadRows(reader.FindTable(u"IP")->DefinitionPage()).size();
}

#ifndef _WIN32  // the FIFO tests that use it are POSIX's
// Whether the process has the file open.
bool HasOpen(int pid, const std::string& path) {
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator("/proc/" + std::to_string(pid) + "/fd", error))
    if (std::filesystem::read_symlink(entry.path(), error) == path) return true;
  return false;
}
#endif

// Waits, at most `limit`, until the condition holds; returns whether it did.
template <typename Condition>
bool WaitUntil(Condition condition, std::chrono::seconds limit = std::chrono::seconds(60)) {
  const auto end = std::chrono::steady_clock::now() + limit;
  while (!condition()) {
    if (std::chrono::steady_clock::now() > end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return true;
}

class ConvertCommand : public testing::Test {
 protected:
  // Starts the program with standard output into the file "stdout" in the test's folder, unless
  // the options say otherwise.
  std::unique_ptr<ChildProcess> Start(const std::vector<std::string>& args, ChildProcess::Options options = {}) {
    if (options.FStdout.empty()) options.FStdout = (FDir.Path() / "stdout").string();
    return std::make_unique<ChildProcess>(IPMDB_CONVERT_PROGRAM, args, options);
  }

  // Reads the rest of the child's standard error after `errorsSoFar`, and waits for it to end.
  Outcome Finish(ChildProcess& child, std::string errorsSoFar = {}) {
    Outcome outcome;
    if (!child.Started()) return outcome;
    outcome.FErr = std::move(errorsSoFar) + child.ReadErrors();
    outcome.FExitCode = child.Wait();
    outcome.FOut = FDir.Read("stdout");
    return outcome;
  }

  Outcome Run(const std::vector<std::string>& args, const ChildProcess::Options& options = {}) {
    return Finish(*Start(args, options));
  }

  std::string Output() const { return (FDir.Path() / "out.mdb").string(); }

  testing_support::TempDir FDir;
};

TEST_F(ConvertCommand, ConversionWritesEveryLineReportsEachBatchAndSummarises) {
  const Outcome outcome = Run({FDir.Write("in.txt", TextDatabase(2500)), "-o", Output()});
  EXPECT_EQ(outcome.FExitCode, 0) << outcome.FErr;
  EXPECT_EQ(WithoutSeconds(outcome.FOut), "已转换 2500 条记录到 " + Output() + "，用时  秒。\n");
  EXPECT_EQ(WithoutSeconds(outcome.FErr),
            "已提交 1000/2500 行，用时  秒\n"
            "已提交 2000/2500 行，用时  秒\n"
            "已提交 2500/2500 行，用时  秒\n");
  EXPECT_EQ(RowCount(Output()), 2500u);
}

TEST_F(ConvertCommand, DefaultOutputIsTheFixedNameInTheWorkingDirectory) {
  FDir.Write("MorvaneIP数据库.MDB", "an earlier file of that name");
  FDir.Write("in.txt", TextDatabase(3));
  const Outcome outcome = Run({"in.txt", "--quiet"}, {.FDirectory = FDir.Path().string()});
  EXPECT_EQ(outcome.FExitCode, 0) << outcome.FErr;
  EXPECT_EQ(outcome.FOut, "");
  EXPECT_EQ(outcome.FErr, "");
  EXPECT_EQ(RowCount(FDir.PathOf("MorvaneIP数据库.MDB")), 3u);
}

TEST_F(ConvertCommand, RefusedBatchExitsWithOneAndKeepsTheBatchesBeforeIt) {
  const Outcome outcome = Run({FDir.Write("in.txt", TextDatabase(3000, 1500)), "-o", Output()});
  EXPECT_EQ(outcome.FExitCode, 1);
  EXPECT_EQ(outcome.FOut, "");
  EXPECT_NE(outcome.FErr.find("已提交 1000/3000 行"), std::string::npos) << outcome.FErr;
  EXPECT_NE(outcome.FErr.find("截至第 2000 行的一批记录写入失败（共 3000 行）\n"), std::string::npos) << outcome.FErr;
  EXPECT_NE(outcome.FErr.find("ipmdb-convert: 第 1500 行的记录未能写入数据库：值过长"), std::string::npos)
      << outcome.FErr;
  EXPECT_NE(outcome.FErr.find("ipmdb-convert: 已提交的前 1000 行保留在 " + Output() + " 中。\n"), std::string::npos)
      << outcome.FErr;
  EXPECT_EQ(outcome.FErr.find("2000/3000"), std::string::npos) << outcome.FErr;
  EXPECT_EQ(RowCount(Output()), 1000u);
}

TEST_F(ConvertCommand, FailuresBeforeTheRunExitWithTwoAndSayWhy) {
  const std::string text = TextDatabase(3);
  const std::string input = FDir.Write("in.txt", text);
  const std::string notAFolder = FDir.Write("plain.txt", "x");
  const std::string missing = (FDir.Path() / "missing.txt").string();
  const std::string hard = (FDir.Path() / "hard.mdb").string();
  const std::string otherSpelling = (FDir.Path() / "." / "in.txt").string();
  std::filesystem::create_hard_link(input, hard);
  const auto same = [](const std::string& output, const std::string& in) {
    return "ipmdb-convert: 输出数据库“" + output + "”与文本IP数据库“" + in +
           "”是同一个文件，转换会覆盖文本IP数据库，已拒绝。\n";
  };
  struct Case {
    std::vector<std::string> FArgs;
    std::string FMessage;
  };
  std::vector<Case> cases = {
      {{input, "-o", input}, same(input, input)},
      {{input, "-o", otherSpelling}, same(platform::AbsolutePath(otherSpelling), input)},
      {{input, "-o", hard}, same(hard, input)},
      {{input, "-o", ""}, "ipmdb-convert: 选项 -o 的输出文件名为空。\n用 ipmdb-convert --help 查看用法。\n"},
      {{input, "-o"}, "ipmdb-convert: 选项 -o 缺少输出文件。\n用 ipmdb-convert --help 查看用法。\n"},
  };
#ifndef _WIN32  // Wine cannot make symbolic links, and the system's texts below are the C library's
  const std::string symbolic = (FDir.Path() / "symbolic.mdb").string();
  std::filesystem::create_symlink(input, symbolic);
  cases.insert(
      cases.end(),
      {{{input, "-o", symbolic}, same(symbolic, input)},
       {{symbolic, "-o", input}, same(input, symbolic)},
       {{missing, "-o", Output()},
        "ipmdb-convert: 无法读取文本IP数据库：Cannot open file \"" + missing + "\". No such file or directory\n"},
       {{input, "-o", notAFolder + "/out.mdb"},
        "ipmdb-convert: [" + notAFolder + "/out.mdb]资源文件释放失败。原因：无法创建文件夹“" + notAFolder +
            "”：路径中有一部分不是目录。\n"},
       {{input, "-o", FDir.Path().string()},
        "ipmdb-convert: [" + FDir.Path().string() + "]资源文件释放失败。原因：是一个目录。\n"}});
#endif
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.FArgs));
    const Outcome outcome = Run(c.FArgs);
    EXPECT_EQ(outcome.FExitCode, 2);
    EXPECT_EQ(outcome.FOut, "");
    EXPECT_EQ(outcome.FErr, c.FMessage);
  }
  EXPECT_EQ(FDir.Read("in.txt"), text);
}

TEST_F(ConvertCommand, OutputPathsHoldingConnectionStringSyntaxNameThatFileAlone) {
  FDir.Write("in.txt", TextDatabase(3));
  FDir.Write("other.mdb", "not a database");
  const ChildProcess::Options inFolder{.FDirectory = FDir.Path().string()};
  std::vector<std::string> names = {"x.mdb;Data Source=other.mdb", "a;b.mdb"};
#ifndef _WIN32  // Windows allows no quote in a file name, nor a blank at its end
  names.push_back(" it's \"中文\"; =.mdb ");
#endif
  for (const std::string& name : names) {
    SCOPED_TRACE(name);
    const std::string output = (FDir.Path() / name).string();
    const Outcome converted = Run({"in.txt", "-o", name, "--quiet"}, inFolder);
    EXPECT_EQ(converted.FExitCode, 0) << converted.FErr;
    EXPECT_EQ(RowCount(output), 3u);
    const Outcome recovered = Run({"--recover", name}, inFolder);
    EXPECT_EQ(recovered.FExitCode, 0) << recovered.FErr;
    EXPECT_EQ(recovered.FOut, "已打开并关闭 " + output + "：文件处于最后一次提交后的状态。\n");
  }
  EXPECT_EQ(FDir.Read("other.mdb"), "not a database");
}

#ifndef _WIN32  // Windows has no FIFOs, no /dev/zero, no /dev/full and no file-size limit
TEST_F(ConvertCommand, InputIsReadFromFifosAndDevicesUpToTheFirstNul) {
  const std::string fifo = (FDir.Path() / "fed.fifo").string();
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  const std::string text = TextDatabase(2500) + std::string(1, '\0') + TextDatabase(10);
  std::thread writer([&] {
    const int fd = open(fifo.c_str(), O_WRONLY);
    for (size_t at = 0; fd >= 0 && at < text.size();) {
      const ssize_t n = write(fd, text.data() + at, text.size() - at);
      if (n <= 0) break;
      at += size_t(n);
    }
    close(fd);
  });
  const Outcome fed = Run({fifo, "-o", Output(), "--quiet"});
  writer.join();
  EXPECT_EQ(fed.FExitCode, 0) << fed.FErr;
  EXPECT_EQ(RowCount(Output()), 2500u);

  const Outcome zeros = Run({"/dev/zero", "-o", Output()});
  EXPECT_EQ(zeros.FExitCode, 0) << zeros.FErr;
  EXPECT_EQ(WithoutSeconds(zeros.FOut), "已转换 0 条记录到 " + Output() + "，用时  秒。\n");
  EXPECT_EQ(RowCount(Output()), 0u);
}

TEST_F(ConvertCommand, StopSignalWhileTheInputIsReadEndsTheRunAndLeavesTheOutputAlone) {
  // A FIFO that no writer ever opens: the input never ends.
  const std::string fifo = (FDir.Path() / "silent.fifo").string();
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  FDir.Write("out.mdb", "an earlier file");
  for (const testing_support::StopRequest& request : testing_support::StopRequests()) {
    SCOPED_TRACE(request.FName);
    const std::unique_ptr<ChildProcess> child = Start({fifo, "-o", Output()});
    // The FIFO is opened after the stop signals are watched.
    ASSERT_TRUE(WaitUntil([&] { return HasOpen(child->Id(), fifo); }));
    ASSERT_TRUE(child->Stop(request));
    if (!WaitUntil([&] { return child->Ended(); })) {
      child->Kill();
      ADD_FAILURE() << "still reading after the stop signal";
    }
    const Outcome outcome = Finish(*child);
    EXPECT_EQ(outcome.FExitCode, 130);
    EXPECT_EQ(outcome.FOut, "");
    EXPECT_EQ(outcome.FErr, "ipmdb-convert: 转换在读取文本IP数据库时被中断，" + Output() + " 未被改动。\n");
    EXPECT_EQ(FDir.Read("out.mdb"), "an earlier file");
  }
}

// A full standard output: the summary goes to standard error.
TEST_F(ConvertCommand, FullStandardOutputSendsTheSummaryToStandardError) {
  const std::string input = FDir.Write("in.txt", TextDatabase(2500));
  const Outcome full = Run({input, "-o", Output()}, {.FStdout = "/dev/full"});
  EXPECT_EQ(full.FExitCode, 2);
  EXPECT_EQ(RowCount(Output()), 2500u);
  EXPECT_NE(WithoutSeconds(full.FErr).find("ipmdb-convert: 无法写入标准输出：No space left on device\n"
                                           "ipmdb-convert: 已转换 2500 条记录到 " + Output() + "，用时  秒。\n"),
            std::string::npos)
      << full.FErr;
  // Quiet, nothing goes to standard output, so nothing fails.
  EXPECT_EQ(Run({input, "-o", Output(), "--quiet"}, {.FStdout = "/dev/full"}).FExitCode, 0);
}

// The template does not fit a file-size limit of 40 KiB: the output of an earlier run stays as it
// was, byte for byte, and no temporary file is left beside it.
TEST_F(ConvertCommand, TemplateThatCannotBeWrittenLeavesTheEarlierOutputAndSaysWhy) {
  const std::string input = FDir.Write("in.txt", TextDatabase(3000));
  ASSERT_EQ(Run({input, "-o", Output(), "--quiet"}).FExitCode, 0);
  const std::string before = FDir.Read("out.mdb");
  const Outcome outcome = Run({input, "-o", Output()}, {.FFileSizeLimit = uint64_t(40) << 10});
  EXPECT_EQ(outcome.FExitCode, 2);
  EXPECT_EQ(outcome.FErr, "ipmdb-convert: [" + Output() + "]资源文件释放失败。原因：文件超出了允许的大小。\n");
  EXPECT_EQ(FDir.Read("out.mdb"), before);
  EXPECT_FALSE(std::filesystem::exists(Output() + "-reset"));
}

TEST_F(ConvertCommand, FileSizeLimitFailsTheBatchAndRecoveryKeepsTheCommittedOnes) {
  // About 12 batches fit below the limit; the template alone is 143,360 bytes.
  const Outcome outcome =
      Run({FDir.Write("in.txt", TextDatabase(30000)), "-o", Output()}, {.FFileSizeLimit = uint64_t(1) << 20});
  EXPECT_EQ(outcome.FExitCode, 1) << outcome.FErr;
  const auto first = NumberAfter(outcome.FErr, "ipmdb-convert: 第 ");
  ASSERT_TRUE(first.has_value()) << outcome.FErr;
  const auto last = NumberAfter(outcome.FErr, " 至 ", first->second);
  ASSERT_TRUE(last.has_value()) << outcome.FErr;
  const size_t firstRefused = first->first;
  EXPECT_EQ(last->first, firstRefused + 999);
  const std::string reason = outcome.FErr.substr(last->second);
  EXPECT_EQ(reason.rfind(" 行的记录未能写入数据库：", 0), 0u) << reason;
  EXPECT_NE(reason.find("File too large"), std::string::npos) << reason;

  const Outcome recovered = Run({"--recover", Output()});
  EXPECT_EQ(recovered.FExitCode, 0) << recovered.FErr;
  EXPECT_EQ(recovered.FOut, "已打开并关闭 " + Output() + "：文件处于最后一次提交后的状态。\n");
  EXPECT_EQ(RowCount(Output()), firstRefused - 1);
  EXPECT_GT(firstRefused, 1u);
}
#endif

TEST_F(ConvertCommand, OutputThatCannotBeWrittenLosesOnlyTheReportAndFailsTheRun) {
  const std::string input = FDir.Write("in.txt", TextDatabase(2500));
  // Progress and summary into a pipe whose reader is gone, as with "2>&1 | head": no SIGPIPE.
  const Outcome gone = Run({input, "-o", Output()}, {.FStreams = Streams::ReaderGone});
  EXPECT_EQ(gone.FExitCode, 2);
  EXPECT_EQ(RowCount(Output()), 2500u);
}

// Started with every standard descriptor closed, the program must not open its files there: the
// output database on descriptor 2 took the progress lines over its header.
TEST_F(ConvertCommand, ClosedStandardDescriptorsNeverReceiveTheProgramsFiles) {
  const Outcome outcome =
      Run({FDir.Write("in.txt", TextDatabase(2500)), "-o", Output()}, {.FStreams = Streams::Closed});
  EXPECT_EQ(outcome.FExitCode, 0);
  const auto report = [](const std::string& problem) { ADD_FAILURE() << problem; };
  const jet::CheckSummary check = jet::CheckDatabaseFile(Output(), report);
  EXPECT_EQ(check.problems, 0u);
  EXPECT_EQ(RowCount(Output()), 2500u);
}

TEST_F(ConvertCommand, StopSignalEndsTheRunAtTheNextLineAndKeepsWhatWasCommitted) {
  const std::string input = FDir.Write("in.txt", TextDatabase(200000));
  for (const testing_support::StopRequest& request : testing_support::StopRequests()) {
    SCOPED_TRACE(request.FName);
    const std::unique_ptr<ChildProcess> child = Start({input, "-o", Output()});
    std::string firstLine;
    child->ReadErrorLine(firstLine);
    ASSERT_EQ(firstLine.rfind("已提交 1000/200000 行", 0), 0u) << firstLine;
    ASSERT_TRUE(child->Stop(request));
    const Outcome outcome = Finish(*child, firstLine + "\n");
    EXPECT_EQ(outcome.FExitCode, 130) << outcome.FErr;
    EXPECT_EQ(outcome.FOut, "");
    const std::string prefix = "ipmdb-convert: 转换被中断，已提交的前 ";
    const auto committedAt = NumberAfter(outcome.FErr, prefix);
    ASSERT_TRUE(committedAt.has_value()) << outcome.FErr;
    const auto [committed, end] = *committedAt;
    EXPECT_EQ(outcome.FErr.substr(end), " 行保留在 " + Output() + " 中。\n");
    EXPECT_EQ(committed % 1000, 0u);
    EXPECT_LT(committed, 200000u);
    EXPECT_EQ(RowCount(Output()), committed);
  }
}

// Chinese folder and file names for the input and the output, whatever the system's code page:
// under Wine these tests also run in an English locale, whose ANSI code page is 1252
// (tests/CMakeLists.txt).
TEST_F(ConvertCommand, ChineseFolderAndFileNamesWorkWhateverTheCodePage) {
  const std::filesystem::path folder = FDir.Path() / testing_support::PathFromUtf8("中文目录");
  std::filesystem::create_directory(folder);
  const std::string input = FDir.Write(testing_support::Utf8Of(folder / testing_support::PathFromUtf8("输入.txt")),
                                       TextDatabase(1500));
  const std::string output = testing_support::Utf8Of(folder / testing_support::PathFromUtf8("输出 数据库.mdb"));
  const Outcome outcome = Run({input, "-o", output});
  EXPECT_EQ(outcome.FExitCode, 0) << outcome.FErr;
  EXPECT_NE(outcome.FOut.find(output), std::string::npos) << outcome.FOut;
  EXPECT_EQ(RowCount(output), 1500u);
}

#ifdef _WIN32
// Whether the tests run under Wine, which says so through its ntdll.
bool UnderWine() { return GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr; }

// Outputs that Windows may keep from being replaced: held open by another program that shares it
// with nobody, or marked read-only. Each fails with the reason, the earlier file as it was.
TEST_F(ConvertCommand, OutputHeldOrReadOnlyOnWindowsFailsWithTheReasonAndStaysAsItWas) {
  const std::string input = FDir.Write("in.txt", TextDatabase(10));
  const std::wstring output = platform::SystemPath(Output()).value();
  HANDLE held = INVALID_HANDLE_VALUE;
  const struct {
    const char* FName;
    std::function<bool()> FSetUp;  // false when the system at hand cannot show the case
    std::function<void()> FTearDown;
    std::string FReason;
  } cases[] = {
      {"open in another program",
       [&] {
         held = CreateFileW(output.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
         return held != INVALID_HANDLE_VALUE;
       },
       [&] { CloseHandle(held); }, "文件正被另一个程序使用"},
      // Wine keeps the attribute as permission bits, which do not stop the tests when they run as
      // root: the case shows only where a write to the file is refused.
      {"read-only",
       [&] {
         SetFileAttributesW(output.c_str(), FILE_ATTRIBUTE_READONLY);
         const HANDLE probe = CreateFileW(output.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                          OPEN_EXISTING, 0, nullptr);
         if (probe == INVALID_HANDLE_VALUE) return true;
         CloseHandle(probe);
         return false;
       },
       [&] { SetFileAttributesW(output.c_str(), FILE_ATTRIBUTE_NORMAL); }, "没有写入权限"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.FName);
    FDir.Write("out.mdb", "an earlier file");
    if (!c.FSetUp()) {
      c.FTearDown();
      std::cout << c.FName << ": not shown here, the system lets the tests write the file\n";
      continue;
    }
    const Outcome outcome = Run({input, "-o", Output()});
    c.FTearDown();
    EXPECT_EQ(outcome.FExitCode, 2);
    EXPECT_EQ(outcome.FErr, "ipmdb-convert: [" + Output() + "]资源文件释放失败。原因：" + c.FReason + "。\n");
    EXPECT_EQ(FDir.Read("out.mdb"), "an earlier file");
  }
}

// The whole of a file named by a path of any length, or nothing when it cannot be read.
std::string ReadLongPath(const std::string& path) {
  const HANDLE file = CreateFileW(platform::SystemPath(path).value().c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, 0, nullptr);
  std::string bytes;
  char buffer[4096];
  DWORD n = 0;
  while (file != INVALID_HANDLE_VALUE && ReadFile(file, buffer, sizeof buffer, &n, nullptr) && n > 0) bytes.append(buffer, n);
  if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
  return bytes;
}

// A path of 300 characters: Windows reads and writes it in the "\\?\" form. Wine cannot give
// back the final path of a name past 260 characters (GetFinalPathNameByHandleW), which the output
// needs, so there the output is refused as too long and the earlier file stays; the input is read
// under both.
TEST_F(ConvertCommand, PathOf300CharactersIsReadAndWrittenOrRefusedAsTooLongUnderWine) {
  std::string folder = FDir.Path().string();
  for (const char part : {'d', 'e', 'f'}) {
    folder += "\\" + std::string(100, part);
    ASSERT_TRUE(CreateDirectoryW(platform::SystemPath(folder).value().c_str(), nullptr)) << GetLastError();
  }
  const std::string input = folder + "\\in.txt";
  const std::string output = folder + "\\out.mdb";
  ASSERT_GT(output.size(), 300u);
  for (const auto& [path, bytes] : {std::pair(input, TextDatabase(1500)), std::pair(output, std::string("earlier"))}) {
    const HANDLE file =
        CreateFileW(platform::SystemPath(path).value().c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    ASSERT_TRUE(WriteFile(file, bytes.data(), DWORD(bytes.size()), &written, nullptr));
    CloseHandle(file);
  }
  const Outcome read = Run({input, "-o", Output()});
  EXPECT_EQ(read.FExitCode, 0) << read.FErr;
  EXPECT_EQ(RowCount(Output()), 1500u);

  const Outcome written = Run({input, "-o", output});
  if (UnderWine()) {
    EXPECT_EQ(written.FExitCode, 2);
    EXPECT_EQ(written.FErr, "ipmdb-convert: [" + output + "]资源文件释放失败。原因：路径或文件名太长。\n");
    EXPECT_EQ(ReadLongPath(output), "earlier");
  } else {
    EXPECT_EQ(written.FExitCode, 0) << written.FErr;
    EXPECT_EQ(RowCount(output), 1500u);
  }
}
#endif

// Through a second name of the output, recovery would miss the journal beside the first name, and
// a conversion would replace the file under one name only: both are refused, nothing written.
TEST_F(ConvertCommand, OutputWithASecondNameIsRefusedForRecoveryAndConversion) {
  const std::string input = FDir.Write("in.txt", TextDatabase(10));
  ASSERT_EQ(Run({input, "-o", Output()}).FExitCode, 0);
  const std::string alias = (FDir.Path() / "alias.mdb").string();
  std::filesystem::create_hard_link(Output(), alias);
  for (const std::vector<std::string>& arguments : {std::vector<std::string>{"--recover", alias},
                                                    std::vector<std::string>{input, "-o", alias}}) {
    SCOPED_TRACE(arguments.back());
    const Outcome outcome = Run(arguments);
    EXPECT_EQ(outcome.FExitCode, 2);
    EXPECT_NE(outcome.FErr.find("“" + alias + "”有 2 个名字（硬链接）"), std::string::npos) << outcome.FErr;
    EXPECT_EQ(RowCount(Output()), 10u);
    EXPECT_FALSE(std::filesystem::exists(alias + "-journal"));
  }
}

}  // namespace
}  // namespace ipmdb::cli
