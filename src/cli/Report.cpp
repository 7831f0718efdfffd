// Writing the converter's messages.
#include "cli/Report.h"

#include <cstdio>
#include <string>

#include "platform/Console.h"

namespace ipmdb::cli {

void ReportError(std::string_view message) {
  platform::WriteConsole(stderr, std::string(kProgramName) + ": " + std::string(message) + "\n");
  std::fflush(stderr);
}

}  // namespace ipmdb::cli
