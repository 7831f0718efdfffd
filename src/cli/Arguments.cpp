// Parsing the command line of ipmdb-convert, and its usage text.
#include "cli/Arguments.h"

#include "cli/CliError.h"

namespace ipmdb::cli {
namespace {

[[noreturn]] void ThrowUsage(const std::string& message) { throw CliError(CliErrorKind::Usage, message); }

constexpr std::string_view kHelpText =
    "用法：ipmdb-convert --sql 输入文件\n"
    "      ipmdb-convert --help | --version\n"
    "\n"
    "读入文本IP数据库（GBK编码，每行一个地址段：起始地址、结束地址、国家、地区），\n"
    "为每一行生成写入表 IP 的插入语句。\n"
    "\n"
    "  --sql 输入文件  按文件中的行序，每行打印一条插入语句到标准输出，编码为 UTF-8；\n"
    "                  不是GBK字符的字节输出为 U+FFFD，转换不会因此中止。\n"
    "  --help, -h      显示本帮助后退出。\n"
    "  --version       显示程序名和版本后退出。\n"
    "\n"
    "出错时在标准错误上说明原因，退出码为 2。\n";

}  // namespace

Arguments ParseArguments(std::span<const std::string_view> args) {
  if (args.empty()) ThrowUsage("缺少参数：请用 --sql 指定输入文件。");
  Arguments result;
  bool haveInput = false;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string_view arg = args[i];
    if (arg == "--help" || arg == "-h") return Arguments{Command::Help, {}};
    if (arg == "--version") return Arguments{Command::Version, {}};
    if (arg == "--sql") {
      if (i + 1 == args.size()) ThrowUsage("选项 --sql 缺少输入文件。");
      if (haveInput) ThrowUsage("只能指定一个输入文件：" + std::string(args[i + 1]));
      result.FCommand = Command::PrintStatements;
      result.FInput = args[++i];
      haveInput = true;
    } else if (arg.size() > 1 && arg[0] == '-') {
      ThrowUsage("未知选项：" + std::string(arg));
    } else {
      ThrowUsage("多余的参数：" + std::string(arg) + "（这一版本只能用 --sql 打印插入语句）");
    }
  }
  return result;
}

std::string_view HelpText() { return kHelpText; }

}  // namespace ipmdb::cli
