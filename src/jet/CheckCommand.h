// The integrity check as the command-line tools run it (jetcheck FILE, ipmdb-convert --check
// FILE): one line per problem and a closing count, or "OK: N pages, T tables, R rows".
#pragma once

#include <ostream>
#include <string>

namespace ipmdb::jet {

inline constexpr int kCheckClean = 0;       // no problem found
inline constexpr int kCheckProblems = 1;    // problems found, each printed
inline constexpr int kCheckUnreadable = 2;  // the file cannot be read as a Jet 4 database at all

// Checks the file: problems and the closing line go to `out`; a file that cannot be checked is
// reported on `err`, after `program` and a colon. With `quiet` nothing is printed. Returns the
// exit status.
int RunCheckCommand(const std::string& path, bool quiet, std::ostream& out, std::ostream& err, const char* program);

}  // namespace ipmdb::jet
