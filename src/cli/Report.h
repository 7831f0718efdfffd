// How ipmdb-convert writes its messages on standard error: one line each, after the program's
// name, in the locale's encoding (platform/Console.h).
#pragma once

#include <string_view>

namespace ipmdb::cli {

inline constexpr std::string_view kProgramName = "ipmdb-convert";

// Writes "ipmdb-convert: <message>" and a line break to standard error; a failure to write is
// ignored, as there is nowhere left to report it.
void ReportError(std::string_view message);

}  // namespace ipmdb::cli
