// Running a conversion from the command line: the worker, the progress loop on the main thread,
// the stop signals and the final report.
#include "cli/Conversion.h"

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>

#include "cli/ConsoleProgress.h"
#include "cli/SignalWatcher.h"
#include "database/Connection.h"
#include "database/OutputDatabase.h"
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

}  // namespace

int RunConversion(const Arguments& arguments) {
  ConsoleProgress progress(StyleFor(arguments), stderr);
  const std::string output = FullPath(arguments.FOutput.empty() ? database::kOutputDatabaseName : arguments.FOutput);

  SignalWatcher::BlockSignals();
  engine::TDBThread worker(false, arguments.FInput, &progress, output);
  bool signalled = false;
  {
    SignalWatcher watcher([&worker] { worker.Terminate(); });
    while (!worker.Finished()) worker.WaitAndDispatchProgress(kWaitRound);
    signalled = watcher.Signalled();
  }
  progress.Finish();

  const int32_t committed = progress.CommittedLines();
  if (worker.State() == -1) {
    std::fprintf(stderr, "ipmdb-convert: %s\n", worker.ErrorText().c_str());
    std::fprintf(stderr, "ipmdb-convert: 已提交的前 %d 行保留在 %s 中。\n", committed, output.c_str());
    return kExitBatchRefused;
  }
  if (signalled && size_t(committed) < worker.LineCount()) {
    std::fprintf(stderr, "ipmdb-convert: 转换被中断，已提交的前 %d 行保留在 %s 中。\n", committed, output.c_str());
    return kExitInterrupted;
  }
  if (!arguments.FQuiet) {
    std::printf("已转换 %zu 条记录到 %s，用时 %.2f 秒。\n", worker.LineCount(), output.c_str(),
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
