// A child process on Windows: CreateProcessW with inherited handles as its standard streams, in a
// console of its own, so that a console control event can reach it alone; without standard
// streams, in no console at all, as a program started by a service or a window is.
#include "../ChildProcess.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include "platform/win32/Wide.h"

namespace ipmdb::testing_support {
namespace {

// The argument as CommandLineToArgvW and the C library read it back: quoted when it is empty or
// holds a blank or a quote, a quote escaped with a backslash, and the backslashes before a quote
// (the closing one included) doubled.
std::wstring Quoted(const std::wstring& argument) {
  if (!argument.empty() && argument.find_first_of(L" \t\"") == std::wstring::npos) return argument;
  std::wstring quoted = L"\"";
  size_t backslashes = 0;
  for (const wchar_t c : argument) {
    if (c == L'\\') {
      ++backslashes;
      continue;
    }
    quoted.append(c == L'"' ? 2 * backslashes + 1 : backslashes, L'\\');
    quoted += c;
    backslashes = 0;
  }
  quoted.append(2 * backslashes, L'\\');
  return quoted + L"\"";
}

// A handle the child inherits.
SECURITY_ATTRIBUTES Inheritable() { return {sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE}; }

// The tests' own answer to the Ctrl-C they send: they share the child's console for a moment and
// get the event too.
BOOL WINAPI IgnoreControlC(DWORD event) { return event == CTRL_C_EVENT; }

}  // namespace

const std::vector<StopRequest>& StopRequests() {
  static const std::vector<StopRequest> requests = {{"Ctrl-C", CTRL_C_EVENT}};
  return requests;
}

ChildProcess::ChildProcess(const std::string& program, const std::vector<std::string>& arguments,
                           const Options& options) {
  std::wstring commandLine = Quoted(platform::WideFromUtf8(program));
  for (const std::string& argument : arguments) commandLine += L' ' + Quoted(platform::WideFromUtf8(argument));

  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  // Standard handles given even when they are none; the console window, on a real Windows,
  // hidden.
  startup.dwFlags = STARTF_USESTDHANDLES | STARTF_USESHOWWINDOW;
  startup.wShowWindow = SW_HIDE;
  SECURITY_ATTRIBUTES inherit = Inheritable();
  HANDLE writeErrors = nullptr;
  HANDLE in = nullptr;
  HANDLE out = nullptr;
  if (options.FStreams != Streams::Closed) {
    HANDLE readErrors = nullptr;
    if (!CreatePipe(&readErrors, &writeErrors, &inherit, 0)) return;
    SetHandleInformation(readErrors, HANDLE_FLAG_INHERIT, 0);
    if (options.FStreams == Streams::ReaderGone) {
      CloseHandle(readErrors);
    } else {
      FErrors = readErrors;
    }
    in = CreateFileW(L"NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, OPEN_EXISTING, 0, nullptr);
    const std::optional<std::wstring> stdoutPath = platform::SystemPath(options.FStdout);
    if (options.FStreams == Streams::ReaderGone) {
      out = writeErrors;
    } else if (stdoutPath) {
      out = CreateFileW(stdoutPath->c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                        &inherit, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    } else {
      out = INVALID_HANDLE_VALUE;
    }
  }
  startup.hStdInput = in;
  startup.hStdOutput = out;
  startup.hStdError = writeErrors;
  const std::wstring directory = platform::WideFromUtf8(options.FDirectory);
  PROCESS_INFORMATION process{};
  // (Wine gives a child in a console of its own handles that fail every call, where a real
  // Windows gives none, when it is started without standard streams.)
  const DWORD console = options.FStreams == Streams::Closed ? DETACHED_PROCESS : CREATE_NEW_CONSOLE;
  const bool created = in != INVALID_HANDLE_VALUE && out != INVALID_HANDLE_VALUE &&
                       CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, TRUE, console, nullptr,
                                      directory.empty() ? nullptr : directory.c_str(), &startup, &process);
  // The child holds its own copies now, so the pipe ends when the child's copy closes.
  for (const HANDLE handle : {in, out == writeErrors ? nullptr : out, writeErrors})
    if (handle != nullptr && handle != INVALID_HANDLE_VALUE) CloseHandle(handle);
  if (!created) return;
  CloseHandle(process.hThread);
  FProcess = process.hProcess;
  FId = process.dwProcessId;
}

ChildProcess::~ChildProcess() {
  if (FProcess != nullptr) {
    if (!FExitCode) {
      Kill();
      Wait();
    }
    CloseHandle(FProcess);
  }
  if (FErrors != nullptr) CloseHandle(FErrors);
}

bool ChildProcess::Started() const { return FProcess != nullptr; }

int ChildProcess::Id() const { return int(FId); }

bool ChildProcess::ReadErrorLine(std::string& line) {
  line.clear();
  char c = 0;
  DWORD n = 0;
  while (FErrors != nullptr && ReadFile(FErrors, &c, 1, &n, nullptr) && n == 1 && c != '\n') line += c;
  return n == 1 || !line.empty();
}

std::string ChildProcess::ReadErrors() {
  std::string errors;
  char buffer[4096];
  DWORD n = 0;
  // A broken pipe is the end of the stream: every writer has closed it.
  while (FErrors != nullptr && ReadFile(FErrors, buffer, sizeof buffer, &n, nullptr) && n > 0) errors.append(buffer, n);
  return errors;
}

// A process can send a console control event only to the processes of its own console: the test
// joins the child's console for the moment it sends Ctrl-C to everyone there, and ignores the
// event itself.
bool ChildProcess::Stop(const StopRequest& request) {
  static const bool ignoring = SetConsoleCtrlHandler(IgnoreControlC, TRUE);
  FreeConsole();
  const bool sent = ignoring && AttachConsole(FId) && GenerateConsoleCtrlEvent(DWORD(request.FCode), 0);
  FreeConsole();
  return sent;
}

bool ChildProcess::Ended() { return FExitCode || WaitForSingleObject(FProcess, 0) == WAIT_OBJECT_0; }

void ChildProcess::Kill() { TerminateProcess(FProcess, 137); }

int ChildProcess::Wait() {
  if (FExitCode) return *FExitCode;
  DWORD code = 0;
  if (WaitForSingleObject(FProcess, INFINITE) != WAIT_OBJECT_0 || !GetExitCodeProcess(FProcess, &code)) return -1;
  FExitCode = int(code);
  return *FExitCode;
}

}  // namespace ipmdb::testing_support
