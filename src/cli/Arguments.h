// The command line of ipmdb-convert: what the user asked for, parsed before anything is done.
#pragma once

#include <span>
#include <string>
#include <string_view>

namespace ipmdb::cli {

enum class Command {
  Help,             // --help, -h: print the usage text
  Version,          // --version: print the program's name and version
  Convert,          // INPUT [-o OUTPUT] [--quiet]: convert INPUT into an output database
  PrintStatements,  // --sql INPUT: print the insert statement of every line of INPUT
  Recover,          // --recover FILE: open and close a database, rolling back a crashed commit
  Check,            // --check FILE: check a database's integrity, read-only
};

struct Arguments {
  Command FCommand = Command::Help;
  std::string FInput;   // the text database (Convert, PrintStatements) or the database (Recover, Check)
  std::string FOutput;  // Convert: the output database; empty for the default name
  bool FQuiet = false;  // Convert: no progress and no summary, only failures
};

// Parses the arguments that follow the program name. --help and --version win over everything
// after them; "--" makes every later argument a file name. Throws CliError (Usage), its message in
// the chosen language (Texts.h), for a missing argument, an unknown option, a missing option
// value, a surplus argument or options that do not go together.
Arguments ParseArguments(std::span<const std::string_view> args);

// The usage text printed for --help, in the chosen language, ending in a line break.
std::string HelpText();

}  // namespace ipmdb::cli
