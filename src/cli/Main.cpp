// ipmdb-convert: the command-line converter. Parses its arguments, runs the chosen mode and
// turns every failure into one Chinese line on standard error and exit code 2.
#include <cstdio>
#include <new>
#include <string>
#include <vector>

#include "cli/Arguments.h"
#include "cli/CliError.h"
#include "cli/StatementPrinter.h"
#include "engine/LineList.h"
#include "ipmdb/Version.h"

namespace {

constexpr const char* kProgramName = "ipmdb-convert";
constexpr int kExitFailure = 2;

int Run(const ipmdb::cli::Arguments& arguments) {
  using ipmdb::cli::Command;
  switch (arguments.FCommand) {
    case Command::Help:
      std::fwrite(ipmdb::cli::HelpText().data(), 1, ipmdb::cli::HelpText().size(), stdout);
      return 0;
    case Command::Version:
      std::printf("%s %s\n", kProgramName, ipmdb::kVersion);
      return 0;
    case Command::PrintStatements:
      ipmdb::cli::PrintStatements(ipmdb::engine::LineList::LoadFile(arguments.FInput), stdout);
      return 0;
  }
  return kExitFailure;
}

void ReportError(const std::string& message) { std::fprintf(stderr, "%s: %s\n", kProgramName, message.c_str()); }

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string_view> args(argv + 1, argv + argc);
  try {
    return Run(ipmdb::cli::ParseArguments(args));
  } catch (const ipmdb::cli::CliError& error) {
    ReportError(error.what());
    if (error.Kind() == ipmdb::cli::CliErrorKind::Usage) {
      std::fprintf(stderr, "用 %s --help 查看用法。\n", kProgramName);
    }
  } catch (const std::bad_alloc&) {
    ReportError("内存不足。");
  } catch (const std::exception& error) {
    ReportError(error.what());
  }
  return kExitFailure;
}
