// Parsing the command line of ipmdb-convert, and its usage text.
#include "cli/Arguments.h"

#include <optional>

#include "cli/CliError.h"
#include "cli/Texts.h"
#include "engine/Batch.h"

namespace ipmdb::cli {
namespace {

[[noreturn]] void ThrowUsage(std::string_view message) { throw CliError(CliErrorKind::Usage, std::string(message)); }

constexpr std::string_view kHelpText =
    "用法：ipmdb-convert 输入文件 [-o 输出文件] [--quiet]\n"
    "      ipmdb-convert --sql 输入文件\n"
    "      ipmdb-convert --recover 数据库文件\n"
    "      ipmdb-convert --check 数据库文件\n"
    "      ipmdb-convert --help | --version\n"
    "\n"
    "把文本IP数据库（GBK编码，每行一个地址段：起始地址、结束地址、国家、地区）\n"
    "转换为 Access 数据库（Jet 4.0 格式），每行写入表 IP 的一条记录，\n"
    "每 %1 行为一个事务。\n"
    "\n"
    "  -o, --output 输出文件  输出数据库的路径，默认为当前目录下的“MorvaneIP数据库.MDB”；\n"
    "                         转换开始时该文件被重置为空的模板数据库；它不能是输入文件本身。\n"
    "  -q, --quiet            不显示进度和结果，只报告错误。\n"
    "  --sql 输入文件         不转换，按行序把每行的插入语句以 UTF-8 打印到标准输出；\n"
    "                         不是GBK字符的字节输出为 U+FFFD。\n"
    "  --recover 数据库文件   打开并关闭数据库：中断的提交被回滚，文件回到最后一次提交。\n"
    "  --check 数据库文件     只读地检查数据库的完整性：每个问题一行，注明所在的页；\n"
    "                         没有问题时输出“OK: 页数 pages, 表数 tables, 行数 rows”。\n"
    "  --help, -h             显示本帮助后退出。\n"
    "  --version              显示程序名和版本后退出。\n"
    "\n"
    "输入文件读到第一个 NUL 字节为止，也可以是 FIFO 或设备。进度显示在标准错误上（终端上为\n"
    "进度条，否则每个事务一行），写不出的进度被略过；结果写不到标准输出时改写到标准错误。\n"
    "按 Ctrl-C 或发送 SIGTERM 即停止：读取输入时停止，输出文件不被改动；转换中在下一行处停止，\n"
    "已提交的记录保留在输出文件中。\n"
    "提示和报告按区域设置（LC_ALL、LC_MESSAGES、LANG）的编码输出，英语区域设置下为英文；\n"
    "--sql 的语句总是 UTF-8。\n"
    "\n"
    "退出码：0 成功；1 数据库拒绝了一批记录（已提交的批次保留）；\n"
    "        2 参数错误、无法读取输入、无法写入输出或标准输出；130 被中断。\n"
    "        --check：0 没有问题；1 发现问题；2 文件无法作为 Jet 4 数据库读取。\n";

// The options that choose a mode other than conversion, each with the file it takes.
struct ModeOption {
  std::string_view FName;
  Command FCommand;
  const char* FMissing;
  const char* FEmpty;
};

constexpr ModeOption kModeOptions[] = {
    {"--sql", Command::PrintStatements, "选项 --sql 缺少输入文件。", "选项 --sql 的输入文件名为空。"},
    {"--recover", Command::Recover, "选项 --recover 缺少数据库文件。", "选项 --recover 的数据库文件名为空。"},
    {"--check", Command::Check, "选项 --check 缺少数据库文件。", "选项 --check 的数据库文件名为空。"},
};

const ModeOption* FindModeOption(std::string_view arg) {
  for (const ModeOption& option : kModeOptions)
    if (option.FName == arg) return &option;
  return nullptr;
}

class Parser {
 public:
  explicit Parser(std::span<const std::string_view> args) : FArgs(args) {}

  Arguments Parse() {
    if (FArgs.empty()) ThrowUsage(Tr("缺少参数：请指定要转换的文本IP数据库。"));
    bool filesOnly = false;
    for (FIndex = 0; FIndex < FArgs.size(); ++FIndex) {
      const std::string_view arg = FArgs[FIndex];
      if (filesOnly || arg.size() < 2 || arg[0] != '-') {
        AddFile(arg);
      } else if (arg == "--help" || arg == "-h") {
        return Arguments{Command::Help, {}, {}, false};
      } else if (arg == "--version") {
        return Arguments{Command::Version, {}, {}, false};
      } else if (arg == "--") {
        filesOnly = true;
      } else if (arg == "-o" || arg == "--output") {
        const std::string_view output = FileValue("选项 -o 缺少输出文件。", "选项 -o 的输出文件名为空。");
        if (FOutput) ThrowUsage(Arg(Tr("只能指定一个输出文件：%1"), {output}));
        FOutput = std::string(output);
      } else if (arg == "-q" || arg == "--quiet") {
        FQuiet = true;
      } else if (const ModeOption* option = FindModeOption(arg)) {
        SetMode(*option, FileValue(option->FMissing, option->FEmpty));
      } else {
        ThrowUsage(Arg(Tr("未知选项：%1"), {arg}));
      }
    }
    return Finish();
  }

 private:
  // The file name that follows the option at FIndex; moves past it. No file has an empty name,
  // and an empty one must not fall back to a default.
  std::string_view FileValue(const char* missing, const char* empty) {
    if (FIndex + 1 == FArgs.size()) ThrowUsage(Tr(missing));
    const std::string_view file = FArgs[++FIndex];
    if (file.empty()) ThrowUsage(Tr(empty));
    return file;
  }

  void AddFile(std::string_view file) {
    if (file.empty()) ThrowUsage(Tr("输入文件名为空。"));
    if (FInput) ThrowUsage(Arg(Tr("只能指定一个输入文件：%1"), {file}));
    FInput = std::string(file);
  }

  void SetMode(const ModeOption& option, std::string_view file) {
    if (FMode && FMode->FCommand != option.FCommand)
      ThrowUsage(Arg(Tr("选项 %1 与 %2 不能同时使用。"), {FMode->FName, option.FName}));
    FMode = &option;
    AddFile(file);
  }

  Arguments Finish() {
    if (!FInput) ThrowUsage(Tr("缺少参数：请指定要转换的文本IP数据库。"));
    Arguments result{FMode ? FMode->FCommand : Command::Convert, *FInput, FOutput.value_or(""), FQuiet};
    if (FMode && FOutput) ThrowUsage(Arg(Tr("选项 -o 只用于转换，不能与 %1 同时使用。"), {FMode->FName}));
    if (FMode && FQuiet) ThrowUsage(Arg(Tr("选项 --quiet 只用于转换，不能与 %1 同时使用。"), {FMode->FName}));
    return result;
  }

  std::span<const std::string_view> FArgs;
  size_t FIndex = 0;
  const ModeOption* FMode = nullptr;
  std::optional<std::string> FInput;
  std::optional<std::string> FOutput;
  bool FQuiet = false;
};

}  // namespace

Arguments ParseArguments(std::span<const std::string_view> args) { return Parser(args).Parse(); }

std::string HelpText() { return Arg(Tr(kHelpText), {std::to_string(engine::kBatchSize)}); }

}  // namespace ipmdb::cli
