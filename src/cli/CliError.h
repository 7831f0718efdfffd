// The failure type of the command-line converter's own steps: a kind that main() branches on
// (a usage error earns a pointer to --help) and a finished Chinese message.
#pragma once

#include <stdexcept>
#include <string>

namespace ipmdb::cli {

enum class CliErrorKind {
  Usage,   // the command line asks for something the program does not offer
  Output,  // standard output could not be written
};

class CliError : public std::runtime_error {
 public:
  CliError(CliErrorKind kind, const std::string& message) : std::runtime_error(message), FKind(kind) {}
  CliErrorKind Kind() const { return FKind; }

 private:
  CliErrorKind FKind;
};

}  // namespace ipmdb::cli
