// What every program of ipmdb asks of its process: the set-up it does first thing in main,
// before it opens a file or starts a thread (the converter, the window and every tool), its
// arguments, its executable's folder and the language of its user.
#pragma once

#include <string>
#include <vector>

namespace ipmdb::platform {

// Prepares the process:
// - Standard input, output and error that the launcher left closed (cron, daemon launchers) are
//   opened on the null device, so that no file the program opens later takes their place: a
//   progress line written to a database that happens to sit on descriptor 2 would overwrite its
//   header. Output to them is then dropped.
// - A reader that goes away (... | head) makes a write fail with EPIPE instead of killing the
//   process; a file-size limit (ulimit -f) makes a write fail with EFBIG, which the engine reports
//   as a refused write, instead of killing the process in the middle of a commit.
// - The locale comes from the environment (the system's error texts in the user's language, the
//   terminal's encoding), except that numbers keep the C form, so that the figures printed and the
//   values parsed never depend on it.
// What stands in for each step on Windows is said in win32/Process.cpp.
// Failures are ignored: none of these steps can be done another way.
void PrepareProcess();

// The program's arguments as UTF-8, the program's name first. POSIX: argv as it is (bytes, in
// whatever encoding the caller used). Windows: the wide command line split by the system's own
// rules (CommandLineToArgvW) and converted, so that a Chinese file name arrives whole whatever
// the ANSI code page; argv, which the C library made in that code page, only when that fails.
std::vector<std::string> Utf8Arguments(int argc, char** argv);

// The folder of the running executable, without a trailing separator; the root folder is "/"
// (POSIX). Empty when the system does not tell. POSIX: /proc/self/exe; Windows:
// GetModuleFileNameW.
std::string ExecutableFolder();

// Whether the user asked for English texts rather than Chinese ones, the programs' own language.
// - POSIX: the first of LC_ALL, LC_MESSAGES and LANG that is set and not empty names an English
//   locale ("en", "en_…", "en.…"); Chinese when none is set.
// - Windows: the user's interface language (GetUserDefaultUILanguage) is not Chinese. There the
//   environment names no locale, and a user whose Windows speaks no Chinese reads English better.
bool UserPrefersEnglish();

}  // namespace ipmdb::platform
