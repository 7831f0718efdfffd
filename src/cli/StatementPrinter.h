// Printing the insert statements of a text database as UTF-8 text, one per line.
#pragma once

#include <cstdio>

#include "engine/LineList.h"

namespace ipmdb::cli {

// Writes the statement of every line, in file order, each followed by LF, decoded from GBK to
// UTF-8 (bytes that are not GBK become U+FFFD). Writes in large chunks and flushes `out` at the
// end. Throws CliError (Output) when `out` cannot be written.
void PrintStatements(const engine::LineList& lines, std::FILE* out);

}  // namespace ipmdb::cli
