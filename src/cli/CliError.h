// The failure type of the command-line converter's own steps: a kind that main() branches on
// (a usage error earns a pointer to --help) and a finished Chinese message.
#pragma once

#include "jet/Error.h"

namespace ipmdb::cli {

enum class CliErrorKind {
  Usage,   // the command line asks for something the program does not offer
  Output,  // standard output could not be written
};

using CliError = jet::KindedError<CliErrorKind>;

}  // namespace ipmdb::cli
