#include "cli/Arguments.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cli/CliError.h"

namespace ipmdb::cli {
namespace {

TEST(ParseArguments, ValidCommandLinesChooseTheirCommand) {
  const struct {
    std::vector<std::string_view> FArgs;
    Command FCommand;
    std::string FInput;
    std::string FOutput;
    bool FQuiet;
  } cases[] = {
      {{"in.txt"}, Command::Convert, "in.txt", "", false},
      {{"in.txt", "-o", "out.mdb"}, Command::Convert, "in.txt", "out.mdb", false},
      {{"-o", "out.mdb", "in.txt", "--quiet"}, Command::Convert, "in.txt", "out.mdb", true},
      {{"--output", "/tmp/中文 路径.mdb", "-q", "in.txt"}, Command::Convert, "in.txt", "/tmp/中文 路径.mdb", true},
      {{"-"}, Command::Convert, "-", "", false},
      {{"--", "-in.txt"}, Command::Convert, "-in.txt", "", false},
      {{"--sql", "in.txt"}, Command::PrintStatements, "in.txt", "", false},
      {{"--sql", "-"}, Command::PrintStatements, "-", "", false},
      {{"--sql", "/tmp/中文 路径.txt"}, Command::PrintStatements, "/tmp/中文 路径.txt", "", false},
      {{"--recover", "out.mdb"}, Command::Recover, "out.mdb", "", false},
      {{"--check", "out.mdb"}, Command::Check, "out.mdb", "", false},
      {{"--help"}, Command::Help, "", "", false},
      {{"-h"}, Command::Help, "", "", false},
      {{"--version"}, Command::Version, "", "", false},
      {{"--sql", "in.txt", "--help"}, Command::Help, "", "", false},
      {{"--version", "--bogus"}, Command::Version, "", "", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.FArgs));
    const Arguments arguments = ParseArguments(c.FArgs);
    EXPECT_EQ(arguments.FCommand, c.FCommand);
    EXPECT_EQ(arguments.FInput, c.FInput);
    EXPECT_EQ(arguments.FOutput, c.FOutput);
    EXPECT_EQ(arguments.FQuiet, c.FQuiet);
  }
}

TEST(ParseArguments, BadCommandLinesAreUsageErrorsThatSayWhy) {
  const struct {
    std::vector<std::string_view> FArgs;
    std::string FMessage;
  } cases[] = {
      {{}, "缺少参数：请指定要转换的文本IP数据库。"},
      {{"-q"}, "缺少参数：请指定要转换的文本IP数据库。"},
      {{"--sql"}, "选项 --sql 缺少输入文件。"},
      {{"--recover"}, "选项 --recover 缺少数据库文件。"},
      {{"in.txt", "-o"}, "选项 -o 缺少输出文件。"},
      {{"in.txt", "-o", "a.mdb", "-o", "b.mdb"}, "只能指定一个输出文件：b.mdb"},
      {{"--bogus"}, "未知选项：--bogus"},
      {{"--sql", "a.txt", "-x"}, "未知选项：-x"},
      {{"--sql", "a.txt", "--sql", "b.txt"}, "只能指定一个输入文件：b.txt"},
      {{"a.txt", "b.txt"}, "只能指定一个输入文件：b.txt"},
      {{"--sql", "a.txt", "b.txt"}, "只能指定一个输入文件：b.txt"},
      {{"--sql", "a.txt", "--recover", "b.mdb"}, "选项 --sql 与 --recover 不能同时使用。"},
      {{"--sql", "a.txt", "-o", "b.mdb"}, "选项 -o 只用于转换，不能与 --sql 同时使用。"},
      {{"--recover", "a.mdb", "--quiet"}, "选项 --quiet 只用于转换，不能与 --recover 同时使用。"},
      {{"in.txt", "-o", ""}, "选项 -o 的输出文件名为空。"},
      {{"--recover", ""}, "选项 --recover 的数据库文件名为空。"},
      {{"--sql", ""}, "选项 --sql 的输入文件名为空。"},
      {{""}, "输入文件名为空。"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.FArgs));
    try {
      ParseArguments(c.FArgs);
      ADD_FAILURE() << "no exception";
    } catch (const CliError& error) {
      EXPECT_EQ(error.Kind(), CliErrorKind::Usage);
      EXPECT_EQ(std::string(error.what()), c.FMessage);
    }
  }
}

}  // namespace
}  // namespace ipmdb::cli
