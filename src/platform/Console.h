// Text for the terminal. Every text inside the program is UTF-8; what the programs print as
// messages (help, progress, reports, errors) is written so that it reads correctly where it goes:
// - POSIX: in the locale's encoding, so that it reads correctly under a GBK locale too;
// - Windows: to a console as UTF-16 through WriteConsoleW, which shows Chinese whatever the
//   console's code page; redirected to a file or a pipe, as UTF-8 bytes, which the console's
//   code page cannot spoil and every editor reads.
// Data that a program documents as UTF-8 (the --sql statements) is written as it is, without
// passing through here.
#pragma once

#include <cstdio>
#include <ostream>
#include <string>
#include <string_view>

namespace ipmdb::platform {

// `utf8` in the encoding of the current locale (LC_CTYPE) on POSIX; unchanged on Windows, whose
// console takes UTF-16 and whose redirected output is UTF-8:
// - a UTF-8 locale, and the C and POSIX locales (ASCII), get the bytes unchanged: a terminal
//   under the C locale is nowadays a UTF-8 one, and "?" for every Chinese character would say
//   nothing;
// - any other encoding (GBK, GB18030, Big5, ...) gets each character converted, "?" for one it
//   lacks.
// Bytes that are not UTF-8 are kept as they are: a file name given on the command line in the
// locale's own encoding comes out as the user typed it.
std::string ConsoleText(std::string_view utf8);

// Writes ConsoleText(utf8) to `out`; on Windows, to a console, the FILE is flushed and the text
// goes to WriteConsoleW. Returns false, with errno set, when it could not be written.
bool WriteConsole(std::FILE* out, std::string_view utf8);

// Whether `out` is a terminal, where a redrawn line can replace the last one.
bool IsTerminal(std::FILE* out);

// The width of the terminal `out` writes to, in columns: what the terminal (the console window's
// visible part) says, else the environment's COLUMNS, else 80.
int TerminalColumns(std::FILE* out);

// Streams onto standard output and standard error that write each line as WriteConsole does,
// for the programs that print through std::ostream. A line goes to the FILE at its line break;
// flush() flushes the FILE too.
std::ostream& ConsoleOut();
std::ostream& ConsoleErr();

}  // namespace ipmdb::platform
