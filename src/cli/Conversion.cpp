// Running a conversion from the command line: the worker, the progress loop on the main thread,
// the stop signals and the final report.
#include "cli/Conversion.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <memory>

#include "cli/ConsoleProgress.h"
#include "cli/Report.h"
#include "cli/Texts.h"
#include "database/Connection.h"
#include "database/OutputDatabase.h"
#include "engine/EngineError.h"
#include "engine/SystemError.h"
#include "engine/TDBThread.h"
#include "platform/Console.h"
#include "platform/Path.h"
#include "platform/StopRequests.h"

namespace ipmdb::cli {
namespace {

// The main thread wakes at least this often while it waits for the worker; a message or the
// worker's end wakes it at once.
constexpr std::chrono::milliseconds kWaitRound{200};

ProgressStyle StyleFor(const Arguments& arguments) {
  if (arguments.FQuiet) return ProgressStyle::Quiet;
  return platform::IsTerminal(stderr) ? ProgressStyle::Bar : ProgressStyle::Lines;
}

// The loader's own message is the system's wording; the user is told first what was being read.
std::unique_ptr<engine::TDBThread> StartWorker(const std::string& input, const std::string& output,
                                               ConsoleProgress& progress, const std::atomic<bool>& stopRequest) {
  try {
    return std::make_unique<engine::TDBThread>(false, input, &progress, output, &stopRequest);
  } catch (const engine::EngineError& error) {
    if (error.Kind() != engine::EngineErrorKind::CannotOpenFile) throw;
    throw engine::EngineError(error.Kind(), Arg(Tr("无法读取文本IP数据库：%1"), {error.what()}));
  }
}

// The summary goes to standard output. When that cannot take it (a closed pipe, a full disk), it
// goes to standard error with the reason, and the run counts as failed, so that a script never
// takes a missing summary for success.
int PrintSummary(const std::string& summary) {
  platform::WriteConsole(stdout, summary + "\n");
  if (std::fflush(stdout) == 0 && !std::ferror(stdout)) return kExitSuccess;
  const int error = errno;
  ReportError(Arg(Tr("无法写入标准输出：%1"), {engine::SystemErrorText(error)}));
  ReportError(summary);
  return kExitFailure;
}

}  // namespace

int RunConversion(const Arguments& arguments) {
  ConsoleProgress progress(StyleFor(arguments), stderr);
  const std::string input = platform::AbsolutePath(arguments.FInput);
  const std::string output =
      platform::AbsolutePath(arguments.FOutput.empty() ? database::kOutputDatabaseName : arguments.FOutput);

  // Before any other thread exists, so that every thread inherits the blocked stop signals; the
  // watcher runs before the worker is made, so that a stop request ends the loading too.
  platform::StopRequestWatcher::BlockStopSignals();
  std::atomic<bool> stopRequest{false};
  platform::StopRequestWatcher watcher([&stopRequest] { stopRequest.store(true); });
  std::unique_ptr<engine::TDBThread> worker;
  try {
    worker = StartWorker(input, output, progress, stopRequest);
  } catch (const engine::EngineError& error) {
    if (error.Kind() != engine::EngineErrorKind::Stopped) throw;
    ReportError(Arg(Tr("转换在读取文本IP数据库时被中断，%1 未被改动。"), {output}));
    return kExitInterrupted;
  }
  while (!worker->Finished()) worker->WaitAndDispatchProgress(kWaitRound);
  progress.Finish();

  const int32_t committed = progress.CommittedLines();
  if (worker->State() == engine::TWorkerState::Failed) {
    ReportError(worker->ErrorText());
    ReportError(Arg(Tr("已提交的前 %1 行保留在 %2 中。"), {std::to_string(committed), output}));
    return kExitBatchRefused;
  }
  if (watcher.Requested() && size_t(committed) < worker->LineCount()) {
    ReportError(Arg(Tr("转换被中断，已提交的前 %1 行保留在 %2 中。"), {std::to_string(committed), output}));
    return kExitInterrupted;
  }
  if (arguments.FQuiet) return kExitSuccess;
  char seconds[32];
  std::snprintf(seconds, sizeof seconds, "%.2f", progress.ElapsedSeconds());
  return PrintSummary(Arg(Tr("已转换 %1 条记录到 %2，用时 %3 秒。"), {std::to_string(worker->LineCount()), output, seconds}));
}

int RunRecovery(const std::string& path) {
  const std::string full = platform::AbsolutePath(path);
  database::Connection connection;
  connection.SetConnectionString(database::FormatConnectionString(full));
  connection.Open();
  connection.Close();
  return PrintSummary(Arg(Tr("已打开并关闭 %1：文件处于最后一次提交后的状态。"), {full}));
}

}  // namespace ipmdb::cli
