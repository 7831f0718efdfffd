// ipmdb-convert: the command-line converter. Parses its arguments, runs the chosen mode and
// turns every failure that ends the program before a conversion ran into one line on standard
// error and exit code 2.
#include <cstdio>
#include <new>
#include <string>
#include <vector>

#include "cli/Arguments.h"
#include "cli/CliError.h"
#include "cli/Conversion.h"
#include "cli/Report.h"
#include "cli/StatementPrinter.h"
#include "cli/Texts.h"
#include "engine/LineList.h"
#include "ipmdb/Version.h"
#include "check/CheckCommand.h"
#include "platform/Console.h"
#include "platform/Process.h"

namespace {

using ipmdb::cli::kProgramName;

int Run(const ipmdb::cli::Arguments& arguments) {
  using ipmdb::cli::Command;
  switch (arguments.FCommand) {
    case Command::Help:
      ipmdb::platform::WriteConsole(stdout, ipmdb::cli::HelpText());
      return ipmdb::cli::kExitSuccess;
    case Command::Version:
      std::printf("%s %s\n", kProgramName.data(), ipmdb::kVersion);
      return ipmdb::cli::kExitSuccess;
    case Command::Convert:
      return ipmdb::cli::RunConversion(arguments);
    case Command::PrintStatements:
      ipmdb::cli::PrintStatements(ipmdb::engine::LineList::LoadFile(arguments.FInput), stdout);
      return ipmdb::cli::kExitSuccess;
    case Command::Recover:
      return ipmdb::cli::RunRecovery(arguments.FInput);
    case Command::Check:
      return ipmdb::check::RunCheckCommand(arguments.FInput, false, ipmdb::platform::ConsoleOut(),
                                           ipmdb::platform::ConsoleErr(), kProgramName.data());
  }
  return ipmdb::cli::kExitFailure;
}

}  // namespace

int main(int argc, char** argv) {
  ipmdb::platform::PrepareProcess();
  ipmdb::cli::SetLanguage(ipmdb::cli::LanguageOfEnvironment());
  const std::vector<std::string> arguments = ipmdb::platform::Utf8Arguments(argc, argv);
  const std::vector<std::string_view> args(arguments.begin() + 1, arguments.end());
  using ipmdb::cli::ReportError;
  using ipmdb::cli::Tr;
  try {
    return Run(ipmdb::cli::ParseArguments(args));
  } catch (const ipmdb::cli::CliError& error) {
    ReportError(error.what());
    if (error.Kind() == ipmdb::cli::CliErrorKind::Usage) {
      ipmdb::platform::WriteConsole(stderr, ipmdb::cli::Arg(Tr("用 %1 --help 查看用法。"), {kProgramName}) + "\n");
    }
  } catch (const std::bad_alloc&) {
    ReportError(Tr("内存不足。"));
  } catch (const std::exception& error) {
    ReportError(error.what());
  }
  return ipmdb::cli::kExitFailure;
}
