// jetcheck: the integrity check of a Jet 4 database, read-only.
//   Usage: jetcheck FILE [--quiet]
//   Prints one line per problem, each naming the page (and row or table) and what is wrong, then
//   their count; or "OK: N pages, T tables, R rows". --quiet prints nothing.
//   Exit status: 0 sound; 1 problems found; 2 the file cannot be read as a Jet 4 database at all
//   (unreadable, shorter than a page, not a Jet 4 header, encrypted) or wrong arguments.
#include <string>
#include <vector>

#include "check/CheckCommand.h"
#include "platform/Console.h"
#include "platform/Process.h"

int main(int argc, char** argv) {
  ipmdb::platform::PrepareProcess();
  const std::vector<std::string> args = ipmdb::platform::Utf8Arguments(argc, argv);
  std::string path;
  bool quiet = false;
  bool usable = true;
  for (size_t i = 1; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg == "--quiet" || arg == "-q") {
      quiet = true;
    } else if ((!arg.empty() && arg[0] == '-') || !path.empty()) {
      usable = false;
    } else {
      path = arg;
    }
  }
  if (!usable || path.empty()) {
    ipmdb::platform::ConsoleErr() << "用法：jetcheck 数据库文件 [--quiet]\n";
    return ipmdb::check::kCheckUnreadable;
  }
  return ipmdb::check::RunCheckCommand(path, quiet, ipmdb::platform::ConsoleOut(), ipmdb::platform::ConsoleErr(),
                                       "jetcheck");
}
