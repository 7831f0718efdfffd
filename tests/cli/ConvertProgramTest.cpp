// Runs the built ipmdb-convert on files the tests write and checks what it prints and returns,
// in the language and the encoding of its locale.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "../support/ChildProcess.h"
#include "../support/TempDir.h"
#include "../support/TestLocale.h"
#include "engine/Gbk.h"
#include "engine/InsertStatement.h"
#include "engine/LineList.h"
#include "engine/ParseLine.h"
#include "ipmdb/Version.h"
#include "platform/SystemError.h"

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#else
#include <iconv.h>
#include <locale.h>
#include <string.h>

#include <cerrno>
#endif

namespace ipmdb::cli {
namespace {

using testing_support::ChildProcess;

struct Outcome {
  int FExitCode = -1;
  std::string FOut;
  std::string FErr;
};

// The system's text for a file that does not exist, as the program's messages end with it.
std::string NoSuchFileText() {
#ifdef _WIN32
  return platform::SystemFailure{ERROR_FILE_NOT_FOUND}.Text();
#else
  return platform::SystemErrorText(ENOENT);
#endif
}

class ConvertProgram : public testing::Test {
 protected:
  Outcome Run(const std::vector<std::string>& args, ChildProcess::Options options = {}) {
    options.FStdout = FDir.PathOf("stdout");
    ChildProcess child(IPMDB_CONVERT_PROGRAM, args, options);
    Outcome outcome;
    if (!child.Started()) return outcome;
    outcome.FErr = child.ReadErrors();
    outcome.FExitCode = child.Wait();
    outcome.FOut = FDir.Read("stdout");
    return outcome;
  }

  testing_support::TempDir FDir;
};

TEST_F(ConvertProgram, SqlPrintsEveryStatementAsUtf8InFileOrder) {
  const std::string input = FDir.Write("in.txt",
                                  "1.0.1.0         1.0.3.255       \xB8\xA3\xBD\xA8\xCA\xA1 \xB5\xE7\xD0\xC5\r\n"
                                  "\r\n"
                                  "9.9.9.9 9.9.9.9 morvane.example O'Hare\xFF\r\n"
                                  "1.1.1.1 1.1.1.2 \xD6\xD0 x\xD6");
  const Outcome outcome = Run({"--sql", input});
  EXPECT_EQ(outcome.FExitCode, 0);
  EXPECT_EQ(outcome.FErr, "");
  EXPECT_EQ(outcome.FOut,
            "insert into IP values('1.0.1.0','1.0.3.255',16777472,16778239,'福建省','电信')\n"
            "insert into IP values('','',0,0,'','')\n"
            "insert into IP values('9.9.9.9','9.9.9.9',151587081,151587081,'未知IP','O''Hare\uFFFD')\n"
            "insert into IP values('1.1.1.1','1.1.1.2',16843009,16843010,'中','x\uFFFD')\n");
}

TEST_F(ConvertProgram, SqlOutputOfALargeFileEqualsTheStatementsOfItsLines) {
  // Enough lines for several output chunks.
  std::string bytes;
  for (int i = 0; i < 30000; ++i) {
    bytes += std::to_string(i % 256) + ".0.0." + std::to_string(i % 7) + "    1.2.3.4   \xD6\xD0\xB9\xFA  area " +
             std::to_string(i) + (i % 5 == 0 ? " \x80\xFF'" : "") + "\r\n";
  }
  const Outcome outcome = Run({"--sql", FDir.Write("big.txt", bytes)});
  ASSERT_EQ(outcome.FExitCode, 0);
  std::string expected;
  engine::LineList::FromBytes(bytes).ForEachLine([&expected](std::string_view line) {
    engine::GbkToUtf8(engine::BuildInsertStatement(engine::ParseLine(line)), expected);
    expected += '\n';
  });
  EXPECT_GT(expected.size(), size_t(2) << 20);
  EXPECT_TRUE(outcome.FOut == expected);
}

TEST_F(ConvertProgram, EmptyFilePrintsNothing) {
  const Outcome outcome = Run({"--sql", FDir.Write("empty.txt", "")});
  EXPECT_EQ(outcome.FExitCode, 0);
  EXPECT_EQ(outcome.FOut, "");
}

TEST_F(ConvertProgram, FileThatCannotBeOpenedIsReportedWithTheEnginesMessage) {
  const std::string missing = (FDir.Path() / "missing.txt").string();
  const Outcome outcome = Run({"--sql", missing});
  EXPECT_EQ(outcome.FExitCode, 2);
  EXPECT_EQ(outcome.FOut, "");
  EXPECT_EQ(outcome.FErr, "ipmdb-convert: Cannot open file \"" + missing + "\". " + NoSuchFileText() + "\n");
}

TEST_F(ConvertProgram, UsageErrorsExitWithTwoAndPointToHelp) {
  const struct {
    std::vector<std::string> FArgs;
    std::string FMessage;
  } cases[] = {
      {{}, "缺少参数"},
      {{"--sql"}, "选项 --sql 缺少输入文件。"},
      {{"--bogus"}, "未知选项：--bogus"},
      {{"--recover", ""}, "选项 --recover 的数据库文件名为空。"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.FArgs));
    const Outcome outcome = Run(c.FArgs);
    EXPECT_EQ(outcome.FExitCode, 2);
    EXPECT_EQ(outcome.FOut, "");
    EXPECT_NE(outcome.FErr.find(c.FMessage), std::string::npos) << outcome.FErr;
    EXPECT_NE(outcome.FErr.find("--help"), std::string::npos) << outcome.FErr;
  }
}

TEST_F(ConvertProgram, HelpAndVersionPrintAndSucceed) {
  const Outcome version = Run({"--version"});
  EXPECT_EQ(version.FExitCode, 0);
  EXPECT_EQ(version.FOut, std::string("ipmdb-convert ") + ipmdb::kVersion + "\n");
  const Outcome help = Run({"--help"});
  EXPECT_EQ(help.FExitCode, 0);
  EXPECT_NE(help.FOut.find("用法：ipmdb-convert 输入文件 [-o 输出文件] [--quiet]"), std::string::npos);
}

// The language and encoding of a locale are POSIX's: Windows takes the language from the user's
// settings, which no test sets for one program, and gives a console UTF-16 whatever its code page.
#ifndef _WIN32
// Under an English locale the help, the errors and the summary are English; the engine's
// messages stay Chinese, as they do in the window.
TEST_F(ConvertProgram, EnglishLocaleGetsEnglishTexts) {
  const ChildProcess::Options english = {.FLocale = {"LANG=en_US.UTF-8", "LOCPATH=" + testing_support::kTestLocales}};
  const Outcome help = Run({"--help"}, english);
  EXPECT_EQ(help.FExitCode, 0);
  EXPECT_EQ(help.FOut.rfind("Usage: ipmdb-convert INPUT [-o OUTPUT] [--quiet]\n", 0), 0u) << help.FOut;
  const Outcome usage = Run({"--sql", "a.txt", "--check", "b.mdb"}, english);
  EXPECT_EQ(usage.FExitCode, 2);
  EXPECT_EQ(usage.FErr, "ipmdb-convert: Options --sql and --check cannot be used together.\n"
                        "Run ipmdb-convert --help for the usage.\n");
  const std::string output = (FDir.Path() / "out.mdb").string();
  const Outcome converted = Run({FDir.Write("in.txt", "1.0.0.0 1.0.0.255 \xD6\xD0 x\r\n"), "-o", output}, english);
  EXPECT_EQ(converted.FExitCode, 0) << converted.FErr;
  EXPECT_EQ(converted.FOut.rfind("Converted 1 records into " + output + " in ", 0), 0u) << converted.FOut;
  EXPECT_EQ(converted.FErr.rfind("Committed 1/1 lines in ", 0), 0u) << converted.FErr;
}

// `utf8` in GBK.
std::string Gbk(const std::string& utf8) {
  const iconv_t converter = iconv_open("GBK", "UTF-8");
  std::string result(utf8.size() * 2, '\0');
  char* in = const_cast<char*>(utf8.data());
  size_t inLeft = utf8.size();
  char* out = result.data();
  size_t outLeft = result.size();
  iconv(converter, &in, &inLeft, &out, &outLeft);
  iconv_close(converter);
  result.resize(result.size() - outLeft);
  return result;
}

// Under a GBK locale the messages are GBK, the system's text included, in one encoding; the
// statements of --sql stay UTF-8 as documented.
TEST_F(ConvertProgram, GbkLocaleGetsItsMessagesInGbkAndTheStatementsInUtf8) {
  if (!testing_support::TestLocaleMade("zh_CN.GBK"))
    GTEST_SKIP() << "localedef could not make zh_CN.GBK in " << testing_support::kTestLocales
                 << " (it comes with the locales package, see scripts/setup)";
  const ChildProcess::Options gbk = {.FLocale = {"LC_ALL=zh_CN.GBK", "LOCPATH=" + testing_support::kTestLocales}};
  const std::string missing = (FDir.Path() / "missing.txt").string();
  const Outcome failed = Run({missing, "-o", (FDir.Path() / "out.mdb").string()}, gbk);
  EXPECT_EQ(failed.FExitCode, 2);
  setenv("LOCPATH", testing_support::kTestLocales.c_str(), 1);
  const locale_t locale = newlocale(LC_ALL_MASK, "zh_CN.GBK", locale_t(0));
  ASSERT_NE(locale, locale_t(0));
  const std::string systemText = strerror_l(ENOENT, locale);
  freelocale(locale);
  EXPECT_EQ(failed.FErr, Gbk("ipmdb-convert: 无法读取文本IP数据库：Cannot open file \"" + missing + "\". ") + systemText + "\n");

  const Outcome statements = Run({"--sql", FDir.Write("in.txt", "1.0.0.0 1.0.0.255 \xD6\xD0 x\r\n")}, gbk);
  EXPECT_EQ(statements.FExitCode, 0);
  EXPECT_EQ(statements.FOut, "insert into IP values('1.0.0.0','1.0.0.255',16777216,16777471,'中','x')\n");
}
#endif

}  // namespace
}  // namespace ipmdb::cli
