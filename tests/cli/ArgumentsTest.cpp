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
  } cases[] = {
      {{"--sql", "in.txt"}, Command::PrintStatements, "in.txt"},
      {{"--sql", "-"}, Command::PrintStatements, "-"},
      {{"--sql", "/tmp/中文 路径.txt"}, Command::PrintStatements, "/tmp/中文 路径.txt"},
      {{"--help"}, Command::Help, ""},
      {{"-h"}, Command::Help, ""},
      {{"--version"}, Command::Version, ""},
      {{"--sql", "in.txt", "--help"}, Command::Help, ""},
      {{"--version", "--bogus"}, Command::Version, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.FArgs));
    const Arguments arguments = ParseArguments(c.FArgs);
    EXPECT_EQ(arguments.FCommand, c.FCommand);
    EXPECT_EQ(arguments.FInput, c.FInput);
  }
}

TEST(ParseArguments, BadCommandLinesAreUsageErrorsThatSayWhy) {
  const struct {
    std::vector<std::string_view> FArgs;
    std::string FMessage;
  } cases[] = {
      {{}, "缺少参数：请用 --sql 指定输入文件。"},
      {{"--sql"}, "选项 --sql 缺少输入文件。"},
      {{"--bogus"}, "未知选项：--bogus"},
      {{"--sql", "a.txt", "-x"}, "未知选项：-x"},
      {{"--sql", "a.txt", "--sql", "b.txt"}, "只能指定一个输入文件：b.txt"},
      {{"a.txt"}, "多余的参数：a.txt（这一版本只能用 --sql 打印插入语句）"},
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
