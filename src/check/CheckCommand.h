// The integrity check as the command-line tools run it (jetcheck FILE, ipmdb-convert --check
// FILE): one line per problem and a closing count, or "OK: N pages, T tables, R rows"; or, when a
// journal shows that the last commit was cut short, that line and the way to finish it. Only
// regular files are checked: a folder, a FIFO or a device is refused at once. The storage engine
// only finds the problems; their printing and the exit statuses are the programs' own, and live
// here, apart from it, so that both programs share them.
#pragma once

#include <ostream>
#include <string>

namespace ipmdb::check {

inline constexpr int kCheckClean = 0;       // no problem found
inline constexpr int kCheckProblems = 1;    // problems found, each printed
inline constexpr int kCheckUnreadable = 2;  // the file cannot be read as a Jet 4 database at all
inline constexpr int kCheckCommitCutShort = 3;  // a hot journal: --recover finishes the commit first

// Checks the file: problems and the closing line go to `out`; a file that cannot be checked is
// reported on `err`, after `program` and a colon. With `quiet` nothing is printed. Returns the
// exit status.
int RunCheckCommand(const std::string& path, bool quiet, std::ostream& out, std::ostream& err, const char* program);

}  // namespace ipmdb::check
