// A program the tests start, give standard streams of their choosing, stop as a user would, and
// wait for: fork and exec on POSIX, CreateProcessW on Windows, where it inherits the tests'
// environment. Everything the two systems do
// differently for that lives behind this class (posix/ChildProcess.cpp, win32/ChildProcess.cpp).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace ipmdb::testing_support {

// A request to stop, as a user or the system makes it.
struct StopRequest {
  const char* FName;  // for the test's trace
  int FCode;          // POSIX: the signal; Windows: the console control event
};

// The stop requests the system has: SIGINT and SIGTERM on POSIX; on Windows Ctrl-C, the only
// console control event that one process can send another and Wine delivers (Wine 8 refuses to
// generate Ctrl-Break, and nothing can generate the closing of a console window).
const std::vector<StopRequest>& StopRequests();

class ChildProcess {
 public:
  // Where the child's standard output and error go; its standard input is the null device.
  enum class Streams {
    Captured,    // output into the file FStdout, errors into a pipe that the test reads
    ReaderGone,  // output and errors into a pipe whose reading end is closed
    Closed,      // no standard input, output or error at all, as cron may start a program; on
                 // Windows in no console either, so no console control event reaches it
  };

  struct Options {
    Streams FStreams = Streams::Captured;
    std::string FStdout = {};    // with Captured: the file (created or emptied) that takes the output
    std::string FDirectory = {};  // the working directory, when not empty
#ifndef _WIN32
    // Every locale variable of the tests' environment (LC_*, LANG, LANGUAGE, LOCPATH) is left out
    // of the child's, and these are put in; by default the programs speak Chinese in UTF-8,
    // whatever the locale the tests run under. (On Windows a program's language is the user's
    // interface language, which no variable sets; Wine takes it from the locale of the first of
    // its processes, the tests' own.)
    std::vector<std::string> FLocale = {"LC_ALL=C.UTF-8"};
    std::optional<uint64_t> FFileSizeLimit = {};  // RLIMIT_FSIZE in bytes
#endif
  };

  // Starts `program` with `arguments` (UTF-8). Started() says whether that worked.
  ChildProcess(const std::string& program, const std::vector<std::string>& arguments, const Options& options);
  // Ends the child if it still runs, and waits for it.
  ~ChildProcess();
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  bool Started() const;
  // The process's id, which the system's own tools know it by.
  int Id() const;

  // Reads its standard error up to the next line break, which is not kept; false at the end of
  // the stream before any byte came.
  bool ReadErrorLine(std::string& line);
  // Reads its standard error to the end of the stream (when the child and every process it
  // started closed it).
  std::string ReadErrors();

  // Sends the stop request; false when it could not be sent.
  bool Stop(const StopRequest& request);
  // Whether the child has ended; it can still be waited for.
  bool Ended();
  // Ends the child at once, as the system's task manager would.
  void Kill();
  // Waits for the child to end; its exit code, or -1 when a signal ended it (POSIX).
  int Wait();

 private:
#ifdef _WIN32
  void* FProcess = nullptr;  // HANDLE
  void* FErrors = nullptr;   // HANDLE: the reading end of the standard error pipe
  unsigned long FId = 0;
#else
  int FPid = -1;
  int FErrors = -1;  // the reading end of the standard error pipe
#endif
  std::optional<int> FExitCode;
};

}  // namespace ipmdb::testing_support
