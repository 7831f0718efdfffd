// The command line of ipmdb-convert: what the user asked for, parsed before anything is done.
#pragma once

#include <span>
#include <string>
#include <string_view>

namespace ipmdb::cli {

enum class Command {
  Help,             // --help, -h: print the usage text
  Version,          // --version: print the program's name and version
  PrintStatements,  // --sql INPUT: print the insert statement of every line of INPUT
};

struct Arguments {
  Command FCommand = Command::Help;
  std::string FInput;  // the text database, for PrintStatements
};

// Parses the arguments that follow the program name. --help and --version win over everything
// after them. Throws CliError (Usage) for a missing argument, an unknown option, a missing
// option value or a surplus argument.
Arguments ParseArguments(std::span<const std::string_view> args);

// The usage text printed for --help, ending in a line break.
std::string_view HelpText();

}  // namespace ipmdb::cli
