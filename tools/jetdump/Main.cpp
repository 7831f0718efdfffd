// jetdump: prints the page-by-page structure of a Jet 4 file for developers. Any file is
// accepted, damaged or not: a fault found in a page is printed in that page's section and the
// dump goes on with the next page.
//   Usage: jetdump [--summary] [--page N] FILE
//   Exit status: 0 when no fault was found; 2, as the other tools answer input they refuse, when
//   the file shows faults (each printed with its page) or cannot be read, or the arguments are
//   wrong.
#include <cerrno>
#include <charconv>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "DumpContext.h"
#include "DumpText.h"
#include "PageDump.h"
#include "jet/Format.h"
#include "platform/Console.h"
#include "platform/Process.h"
#include "platform/SystemError.h"

namespace {

using namespace ipmdb;
using namespace ipmdb::jetdump;

constexpr int kExitClean = 0;
constexpr int kExitRefused = 2;

struct Options {
  std::string path;
  bool summary = false;
  std::optional<uint32_t> page;
};

std::optional<Options> ParseOptions(const std::vector<std::string>& args) {
  Options options;
  for (size_t i = 1; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg == "--summary") {
      options.summary = true;
    } else if (arg == "--page" && i + 1 < args.size()) {
      const std::string& number = args[++i];
      uint32_t page = 0;
      const auto result = std::from_chars(number.data(), number.data() + number.size(), page);
      if (result.ec != std::errc() || result.ptr != number.data() + number.size()) return std::nullopt;
      options.page = page;
    } else if (arg.rfind("--", 0) == 0 || !options.path.empty()) {
      return std::nullopt;
    } else {
      options.path = arg;
    }
  }
  if (options.path.empty()) return std::nullopt;
  return options;
}

std::optional<std::vector<uint8_t>> TryReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    platform::ConsoleErr() << "无法打开文件“" << path << "”：" << platform::SystemErrorText(errno) << "\n";
    return std::nullopt;
  }
  std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (in.bad()) {
    platform::ConsoleErr() << "无法读取文件“" << path << "”：" << platform::SystemErrorText(errno) << "\n";
    return std::nullopt;
  }
  return bytes;
}

void DumpPage(DumpContext& context, uint32_t number, bool summary) {
  const uint8_t* page = context.source.Page(number);
  if (summary) {
    context.out << "  " << number << "  " << PageSummary(context, number, page) << "\n";
    return;
  }
  context.out << "\n== 第 " << number << " 页：" << PageSummary(context, number, page) << " ==\n";
  const size_t errorsBefore = context.errors;
  try {
    switch (jet::PageType(page[0])) {
      case jet::PageType::DatabaseHeader:
        if (number == 0) DumpHeaderPage(context, page);
        break;
      case jet::PageType::Data: DumpDataPage(context, number, page); break;
      case jet::PageType::TableDefinition: DumpTableDefinitionPage(context, number, page); break;
      case jet::PageType::IndexNode:
      case jet::PageType::IndexLeaf: DumpIndexPage(context, number, page); break;
      case jet::PageType::UsageBitmap: DumpBitmapPage(context, number, page); break;
    }
  } catch (const std::exception& e) {
    ReportError(context, e);
  }
  // A free page keeps stale bytes of whatever it held before: faults there are not the file's.
  if (context.freePages.count(number) && context.errors > errorsBefore) {
    context.out << "  （此页在全局页表中标为空闲，内容是旧的残留；以上 " << context.errors - errorsBefore
                << " 处问题不计入）\n";
    context.errors = errorsBefore;
  }
}

void DumpPreamble(DumpContext& context, const std::string& path, size_t fileSize) {
  const uint32_t pages = context.source.PageCount();
  context.out << "文件：" << path << "，" << fileSize << " 字节，" << pages << " 页（每页 " << jet::kPageSize
              << " 字节）\n";
  if (const size_t tail = fileSize % jet::kPageSize) {
    context.out << "问题：文件末尾的 " << tail << " 字节不足一页，未列出。\n";
    ++context.errors;
  }
  for (const auto& problem : context.problems) {
    context.out << "问题：" << problem << "\n";
    ++context.errors;
  }
}

}  // namespace

int main(int argc, char** argv) {
  platform::PrepareProcess();
  const auto options = ParseOptions(platform::Utf8Arguments(argc, argv));
  if (!options) {
    platform::ConsoleErr() << "用法：jetdump [--summary] [--page 页号] 文件\n";
    return kExitRefused;
  }
  auto bytes = TryReadFile(options->path);
  if (!bytes) return kExitRefused;
  const size_t fileSize = bytes->size();
  bytes->resize(fileSize - fileSize % jet::kPageSize);
  jet::MemoryPageSource source(std::move(*bytes));
  DumpContext context(source, platform::ConsoleOut());
  GatherContext(context, options->path);
  DumpPreamble(context, options->path, fileSize);
  if (source.PageCount() == 0) {
    context.out << "问题：文件中没有完整的页。\n";
    return kExitRefused;
  }
  if (options->page && *options->page >= source.PageCount()) {
    platform::ConsoleErr() << "第 " << *options->page << " 页不存在：文件只有 " << source.PageCount() << " 页。\n";
    return kExitRefused;
  }
  if (options->page) {
    DumpPage(context, *options->page, options->summary);
  } else {
    for (uint32_t page = 0; page < source.PageCount(); ++page) DumpPage(context, page, options->summary);
  }
  context.out << (options->summary ? "" : "\n") << "共 " << source.PageCount() << " 页；发现 " << context.errors
              << " 处问题。\n";
  return context.errors ? kExitRefused : kExitClean;
}
