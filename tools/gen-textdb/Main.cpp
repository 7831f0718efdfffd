// gen-textdb: writes a generated text database to a file.
//   gen-textdb [--lines N] [--seed S] OUTPUT
#include <charconv>
#include <cstdio>
#include <exception>
#include <string>
#include <string_view>
#include <vector>

#include "gen-textdb/TextDbGenerator.h"
#include "platform/Console.h"
#include "platform/Process.h"

namespace {

constexpr int kExitFailure = 2;

constexpr std::string_view kUsage =
    "用法：gen-textdb [--lines 行数] [--seed 种子] 输出文件\n"
    "生成一个GBK编码、CR LF换行的文本IP数据库（默认 530000 行，种子 1）。\n"
    "相同的参数总是生成相同的字节。\n";

bool TryParseNumber(std::string_view text, uint64_t& value) {
  const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
  return result.ec == std::errc() && result.ptr == text.data() + text.size() && !text.empty();
}

int Fail(const std::string& message) {
  ipmdb::platform::WriteConsole(stderr, "gen-textdb: " + message + "\n");
  return kExitFailure;
}

}  // namespace

int main(int argc, char** argv) {
  ipmdb::platform::PrepareProcess();
  const std::vector<std::string> args = ipmdb::platform::Utf8Arguments(argc, argv);
  ipmdb::tools::GeneratorOptions options;
  std::string output;
  for (size_t i = 1; i < args.size(); ++i) {
    const std::string_view arg = args[i];
    if (arg == "--help" || arg == "-h") {
      ipmdb::platform::WriteConsole(stdout, kUsage);
      return 0;
    }
    if (arg == "--lines" || arg == "--seed") {
      if (i + 1 == args.size()) return Fail("选项 " + std::string(arg) + " 缺少数值。");
      uint64_t& target = arg == "--lines" ? options.FLines : options.FSeed;
      if (!TryParseNumber(args[++i], target)) return Fail("选项 " + std::string(arg) + " 的数值无效：" + args[i]);
    } else if (arg.size() > 1 && arg[0] == '-') {
      return Fail("未知选项：" + std::string(arg));
    } else if (!output.empty()) {
      return Fail("多余的参数：" + std::string(arg));
    } else {
      output = arg;
    }
  }
  if (output.empty()) return Fail("缺少输出文件。\n" + std::string(kUsage));
  try {
    ipmdb::tools::WriteTextDatabase(options, output);
  } catch (const std::exception& error) {
    return Fail(error.what());
  }
  return 0;
}
