// Running a conversion from the command line: the worker, the progress loop on the main thread,
// the stop signals and the final report.
#include "cli/Conversion.h"

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>

#include "cli/ConsoleProgress.h"
#include "cli/SignalWatcher.h"
#include "database/Connection.h"
#include "database/OutputDatabase.h"
#include "engine/EngineError.h"
#include "engine/TDBThread.h"

namespace ipmdb::cli {
namespace {

// The main thread wakes at least this often while it waits for the worker; a message or the
// worker's end wakes it at once.
constexpr std::chrono::milliseconds kWaitRound{200};

// Messages name files by their full path, so the user sees which file was meant.
std::string FullPath(const std::string& path) {
  std::error_code error;
  const std::filesystem::path full = std::filesystem::absolute(path, error);
  return error ? path : full.string();
}

ProgressStyle StyleFor(const Arguments& arguments) {
  if (arguments.FQuiet) return ProgressStyle::Quiet;
  return ::isatty(STDERR_FILENO) ? ProgressStyle::Bar : ProgressStyle::Lines;
}

// The loader's own message is the system's wording; the user is told first what was being read.
std::unique_ptr<engine::TDBThread> StartWorker(const std::string& input, const std::string& output,
                                               ConsoleProgress& progress) {
  try {
    return std::make_unique<engine::TDBThread>(false, input, &progress, output);
  } catch (const engine::EngineError& error) {
    if (error.Kind() != engine::EngineErrorKind::CannotOpenFile) throw;
    throw engine::EngineError(error.Kind(), std::string("无法读取文本IP数据库：") + error.what());
  }
}

}  // namespace

int RunConversion(const Arguments& arguments) {
  ConsoleProgress progress(StyleFor(arguments), stderr);
  const std::string output = FullPath(arguments.FOutput.empty() ? database::kOutputDatabaseName : arguments.FOutput);

  // Before the worker's thread exists, so that it inherits the blocked stop signals.
  SignalWatcher::BlockSignals();
  const std::unique_ptr<engine::TDBThread> worker = StartWorker(arguments.FInput, output, progress);
  bool signalled = false;
  {
    SignalWatcher watcher([&worker] { worker->Terminate(); });
    while (!worker->Finished()) worker->WaitAndDispatchProgress(kWaitRound);
    signalled = watcher.Signalled();
  }
  // A stop signal cancels the worker's wait for its last message, which may then still wait here.
  worker->DispatchProgress();
  progress.Finish();

  const int32_t committed = progress.CommittedLines();
  if (worker->State() == engine::kWorkerFailed) {
    std::fprintf(stderr, "ipmdb-convert: %s\n", worker->ErrorText().c_str());
    std::fprintf(stderr, "ipmdb-convert: 已提交的前 %d 行保留在 %s 中。\n", committed, output.c_str());
    return kExitBatchRefused;
  }
  if (signalled && size_t(committed) < worker->LineCount()) {
    std::fprintf(stderr, "ipmdb-convert: 转换被中断，已提交的前 %d 行保留在 %s 中。\n", committed, output.c_str());
    return kExitInterrupted;
  }
  if (!arguments.FQuiet) {
    std::printf("已转换 %zu 条记录到 %s，用时 %.2f 秒。\n", worker->LineCount(), output.c_str(),
                progress.ElapsedSeconds());
  }
  return kExitSuccess;
}

int RunRecovery(const std::string& path) {
  const std::string full = FullPath(path);
  database::Connection connection;
  connection.SetConnectionString(database::FormatConnectionString(full));
  connection.Open();
  connection.Close();
  std::printf("已打开并关闭 %s：文件处于最后一次提交后的状态。\n", full.c_str());
  return kExitSuccess;
}

}  // namespace ipmdb::cli
