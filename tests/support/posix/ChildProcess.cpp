// A child process on POSIX: fork, the streams set up in the child, then exec.
#include "../ChildProcess.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace ipmdb::testing_support {
namespace {

bool IsLocaleVariable(const std::string& variable) {
  for (const char* name : {"LC_", "LANG=", "LANGUAGE=", "LOCPATH="})
    if (variable.rfind(name, 0) == 0) return true;
  return false;
}

}  // namespace

const std::vector<StopRequest>& StopRequests() {
  static const std::vector<StopRequest> requests = {{"SIGINT", SIGINT}, {"SIGTERM", SIGTERM}};
  return requests;
}

ChildProcess::ChildProcess(const std::string& program, const std::vector<std::string>& arguments,
                           const Options& options) {
  // Everything the child needs is made before the fork: between fork and exec only calls that
  // are safe in a child of a threaded process are made.
  std::vector<std::string> strings = {program};
  strings.insert(strings.end(), arguments.begin(), arguments.end());
  std::vector<char*> argv;
  for (std::string& argument : strings) argv.push_back(argument.data());
  argv.push_back(nullptr);
  std::vector<std::string> environment = options.FLocale;
  for (char** variable = environ; *variable != nullptr; ++variable)
    if (!IsLocaleVariable(*variable)) environment.emplace_back(*variable);
  std::vector<char*> envp;
  for (std::string& variable : environment) envp.push_back(variable.data());
  envp.push_back(nullptr);

  int fds[2];
  if (pipe2(fds, O_CLOEXEC) != 0) return;
  const bool gone = options.FStreams == Streams::ReaderGone;
  if (gone) close(fds[0]);
  FPid = fork();
  if (FPid == 0) {
    if (options.FStreams == Streams::Closed) {
      for (const int fd : {STDIN_FILENO, STDOUT_FILENO, STDERR_FILENO}) close(fd);
    } else {
      const int in = open("/dev/null", O_RDONLY | O_CLOEXEC);
      const int out = gone ? fds[1] : open(options.FStdout.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
      if (in < 0 || out < 0) _exit(119);
      dup2(in, STDIN_FILENO);
      dup2(out, STDOUT_FILENO);
      dup2(fds[1], STDERR_FILENO);
    }
    if (!options.FDirectory.empty() && chdir(options.FDirectory.c_str()) != 0) _exit(120);
    if (options.FFileSizeLimit) {
      const rlimit limit{rlim_t(*options.FFileSizeLimit), rlim_t(*options.FFileSizeLimit)};
      if (setrlimit(RLIMIT_FSIZE, &limit) != 0) _exit(121);
    }
    execve(argv[0], argv.data(), envp.data());
    _exit(122);
  }
  close(fds[1]);
  if (!gone) FErrors = fds[0];
}

ChildProcess::~ChildProcess() {
  if (FPid > 0 && !FExitCode) {
    Kill();
    Wait();
  }
  if (FErrors >= 0) close(FErrors);
}

bool ChildProcess::Started() const { return FPid > 0; }

int ChildProcess::Id() const { return FPid; }

bool ChildProcess::ReadErrorLine(std::string& line) {
  line.clear();
  char c = 0;
  ssize_t n = 0;
  while (FErrors >= 0 && (n = read(FErrors, &c, 1)) == 1 && c != '\n') line += c;
  return n == 1 || !line.empty();
}

std::string ChildProcess::ReadErrors() {
  std::string errors;
  char buffer[4096];
  for (ssize_t n; FErrors >= 0 && (n = read(FErrors, buffer, sizeof buffer)) > 0;) errors.append(buffer, size_t(n));
  return errors;
}

bool ChildProcess::Stop(const StopRequest& request) { return kill(FPid, request.FCode) == 0; }

bool ChildProcess::Ended() {
  if (FExitCode) return true;
  siginfo_t info{};
  return waitid(P_PID, id_t(FPid), &info, WEXITED | WNOHANG | WNOWAIT) == 0 && info.si_pid == FPid;
}

void ChildProcess::Kill() { kill(FPid, SIGKILL); }

int ChildProcess::Wait() {
  if (FExitCode) return *FExitCode;
  int status = 0;
  if (waitpid(FPid, &status, 0) != FPid) return -1;
  FExitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return *FExitCode;
}

}  // namespace ipmdb::testing_support
