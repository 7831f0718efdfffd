// Runs the built ipmdb-convert on files the tests write and checks what it prints and returns.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>

#include <string>
#include <vector>

#include "../support/TempDir.h"
#include "engine/Gbk.h"
#include "engine/InsertStatement.h"
#include "engine/LineList.h"
#include "engine/ParseLine.h"
#include "ipmdb/Version.h"

extern char** environ;

namespace ipmdb::cli {
namespace {

struct Outcome {
  int FExitCode = -1;
  std::string FOut;
  std::string FErr;
};

class ConvertProgram : public testing::Test {
 protected:
  Outcome Run(std::vector<std::string> args) {
    args.insert(args.begin(), IPMDB_CONVERT_PROGRAM);
    std::vector<char*> argv;
    for (std::string& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    const std::string out = (FDir.Path() / "stdout").string();
    const std::string err = (FDir.Path() / "stderr").string();
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    Outcome outcome;
    if (spawned != 0) return outcome;
    int status = 0;
    if (waitpid(pid, &status, 0) == pid && WIFEXITED(status)) outcome.FExitCode = WEXITSTATUS(status);
    outcome.FOut = FDir.Read("stdout");
    outcome.FErr = FDir.Read("stderr");
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
  EXPECT_EQ(outcome.FErr, "ipmdb-convert: Cannot open file \"" + missing + "\". No such file or directory\n");
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

}  // namespace
}  // namespace ipmdb::cli
