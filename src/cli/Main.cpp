// ipmdb-convert: the command-line converter. Parses its arguments, runs the chosen mode and
// turns every failure that ends the program before a conversion ran into one Chinese line on
// standard error and exit code 2.
#include <signal.h>

#include <clocale>
#include <cstdio>
#include <iostream>
#include <new>
#include <string>
#include <vector>

#include "cli/Arguments.h"
#include "cli/CliError.h"
#include "cli/Conversion.h"
#include "cli/StatementPrinter.h"
#include "engine/LineList.h"
#include "jet/CheckCommand.h"
#include "ipmdb/Version.h"

namespace {

constexpr const char* kProgramName = "ipmdb-convert";

int Run(const ipmdb::cli::Arguments& arguments) {
  using ipmdb::cli::Command;
  switch (arguments.FCommand) {
    case Command::Help:
      std::fwrite(ipmdb::cli::HelpText().data(), 1, ipmdb::cli::HelpText().size(), stdout);
      return ipmdb::cli::kExitSuccess;
    case Command::Version:
      std::printf("%s %s\n", kProgramName, ipmdb::kVersion);
      return ipmdb::cli::kExitSuccess;
    case Command::Convert:
      return ipmdb::cli::RunConversion(arguments);
    case Command::PrintStatements:
      ipmdb::cli::PrintStatements(ipmdb::engine::LineList::LoadFile(arguments.FInput), stdout);
      return ipmdb::cli::kExitSuccess;
    case Command::Recover:
      return ipmdb::cli::RunRecovery(arguments.FInput);
    case Command::Check:
      return ipmdb::jet::RunCheckCommand(arguments.FInput, false, std::cout, std::cerr, kProgramName);
  }
  return ipmdb::cli::kExitFailure;
}

void ReportError(const std::string& message) { std::fprintf(stderr, "%s: %s\n", kProgramName, message.c_str()); }

}  // namespace

int main(int argc, char** argv) {
  // System error texts (strerror) in the user's language; numbers keep the C form, so that the
  // figures printed and the values parsed never depend on the locale.
  std::setlocale(LC_ALL, "");
  std::setlocale(LC_NUMERIC, "C");
  // A file-size limit then makes the write fail with EFBIG, which the engine reports, instead of
  // killing the process in the middle of a commit.
  ::signal(SIGXFSZ, SIG_IGN);
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
  return ipmdb::cli::kExitFailure;
}
