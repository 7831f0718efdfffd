// The conversion worker: construction and deployment of the output database, the thread's run,
// the batch executor, pausing and the release.
#include "engine/TDBThread.h"

#include <cerrno>
#include <filesystem>
#include <system_error>

#include "database/Connection.h"
#include "database/OutputDatabase.h"
#include "database/Resources.h"
#include "database/TableIP.h"
#include "engine/EngineError.h"
#include "engine/SystemError.h"
#include "platform/InputFile.h"

namespace ipmdb::engine {
namespace {


// The folder that must exist before the template is written there.
std::string FolderOf(const std::string& path) { return std::filesystem::path(path).parent_path().string(); }

// Creates the folder with its missing parents. Returns the errno of a failure, 0 otherwise: a
// folder that cannot be made shows up as the template write failure, which then gives this reason.
// A folder that cannot be looked at for another reason than a part of its path that is missing or
// no folder (a path longer than the system takes, a folder on the way that may not be searched) is
// not known to be missing: the reset meets the same failure and names it.
int MakeFolderIfMissing(const std::string& folder) {
  if (folder.empty()) return 0;
  std::error_code error;
  if (std::filesystem::is_directory(folder, error)) return 0;
  if (error && error.value() != ENOENT && error.value() != ENOTDIR) return 0;
  std::filesystem::create_directories(folder, error);
  return error.value();
}

// Resetting the output database to the template would overwrite the text database when both
// paths name one file. The files' identities decide (device and inode, or on Windows the volume
// serial number and file index), so that a symbolic or hard link, or another spelling of the
// path, is caught too. A path that cannot be looked at is left to the step that uses it: a
// missing output is no input, and a missing input fails its loading.
void RefuseOutputOverInput(const std::string& input, const std::string& output) {
  const std::optional<platform::FileIdentity> in = platform::IdentityOf(input);
  if (!in || in != platform::IdentityOf(output)) return;
  throw EngineError(EngineErrorKind::OutputIsInput, "输出数据库“" + output + "”与文本IP数据库“" + input +
                                                        "”是同一个文件，转换会覆盖文本IP数据库，已拒绝。");
}

std::string RefusedBatchText(size_t firstLine, size_t lastLine, size_t failedSlot, const char* reason) {
  const std::string where =
      failedSlot == TDBThread::kNoSlot
          ? "第 " + std::to_string(firstLine) + " 至 " + std::to_string(lastLine) + " 行的记录"
          : "第 " + std::to_string(firstLine + failedSlot) + " 行的记录";
  return where + "未能写入数据库：" + reason;
}

// The batches before the one whose text changed were each checked against the loaded text before
// they were committed, and nothing of that batch or after it is committed.
std::string KeptLinesText(size_t committedLines) {
  if (committedLines == 0) return "没有写入任何记录。";
  return "已提交的第 1 至 " + std::to_string(committedLines) +
         " 行在提交前已核对，与载入时的文本一致；此后读取的行都没有写入。";
}

}  // namespace

TDBThread::TDBThread(bool createSuspended, const std::string& textDatabasePath, TProgressReceiver* receiver,
                     std::optional<std::string> outputPath, const std::atomic<bool>* stopRequest,
                     const jet::DatabaseOptions& options, jet::Vfs& vfs)
    : FChannel(receiver), FStopRequest(stopRequest) {
  FState.store(TWorkerState::Created);
  const bool defaultPath = !outputPath.has_value();
  FOutputPath = defaultPath ? database::OutputDatabasePath() : std::move(*outputPath);
  RefuseOutputOverInput(textDatabasePath, FOutputPath);
  FLines = LineList::LoadFile(textDatabasePath, stopRequest);
  const int folderError = MakeFolderIfMissing(defaultPath ? database::ExecutableFolder() : FolderOf(FOutputPath));
  FConnection = std::make_unique<database::Connection>(options, vfs);
  FConnection->SetLoginPrompt(false);
  OpenOutputDatabase(FOutputPath, folderError);
  FSuspended.store(createSuspended);
  FThread = std::thread(&TDBThread::Run, this);
}

TDBThread::~TDBThread() {
  if (FThread.joinable()) {
    // With its deliveries cancelled the worker waits on nothing of this thread's, so the join
    // ends at its next line check.
    Terminate();
    Resume();
    FThread.join();
  }
  FConnection.reset();
}

void TDBThread::Terminate() {
  FTerminated.store(true);
  FChannel.Cancel();
}

// folderError: why the output's folder could not be made, 0 when it exists.
void TDBThread::OpenOutputDatabase(const std::string& path, int folderError) {
  database::ExtractFailure failure;
  if (!database::ExtractResourceToFile(database::kTemplateResourceType, database::kTemplateResourceName, path,
                                       &failure)) {
    std::string reason = failure.FSystemError != 0 ? FileFailureReason(failure.FSystemError) : failure.FMessage;
    if (failure.FSystemError != 0 && !failure.FSubject.empty()) reason = failure.FSubject + "：" + reason;
    if (folderError != 0) reason = "无法创建文件夹“" + FolderOf(path) + "”：" + FileFailureReason(folderError);
    if (!reason.ends_with("。")) reason += "。";
    throw EngineError(EngineErrorKind::TemplateNotWritten, "[" + path + "]资源文件释放失败。原因：" + reason);
  }
  FConnection->SetConnectionString(database::FormatConnectionString(path));
  try {
    FConnection->Open();
  } catch (const std::exception& e) {
    throw EngineError(EngineErrorKind::ConnectionFailed, std::string("数据库连接错误 - ") + e.what());
  }
}

void TDBThread::Suspend() { FSuspended.store(true); }

void TDBThread::Resume() {
  FSuspended.store(false);
  // Taking the gate's lock once orders the store before a worker's check-and-wait, so that the
  // notification cannot fall between the two.
  { std::lock_guard lock(FGateMutex); }
  FGateChanged.notify_all();
}

bool TDBThread::WaitFor(std::chrono::milliseconds timeout) {
  std::unique_lock lock(FGateMutex);
  return FGateChanged.wait_for(lock, timeout, [this] { return FEnded.load(); });
}

std::string TDBThread::ErrorText() const {
  // The text is complete before the flag is set, and never changes afterwards.
  return FErrorKept.load() ? FErrorText : std::string();
}

void TDBThread::KeepError(const std::string& text) {
  if (FErrorKept.load()) return;
  FErrorText = text;
  FErrorKept.store(true);
}

void TDBThread::PausePoint(const BatchQueue* queue) {
  if (!FSuspended.load()) return;
  std::unique_lock lock(FGateMutex);
  FGateChanged.wait(lock, [this, queue] { return !FSuspended.load() || (queue != nullptr && queue->Closed()); });
}

void TDBThread::Run() {
  PausePoint();
  if (!Terminated()) Execute();
  MarkEnded();
}

void TDBThread::MarkEnded() {
  {
    std::lock_guard lock(FGateMutex);
    FEnded.store(true);
  }
  FGateChanged.notify_all();
  FChannel.Close();
}

void TDBThread::Execute() {
  FState.store(TWorkerState::Running);
  try {
    ConvertLines();
    FState.store(TWorkerState::Finished);
  } catch (const std::exception& e) {
    KeepError(e.what());
    FState.store(TWorkerState::Failed);
  } catch (...) {
    KeepError("转换因未知的错误而中止。");
    FState.store(TWorkerState::Failed);
  }
}

// The worker's thread executes and reports the batches in order while the preparing thread
// builds and prepares the next one.
void TDBThread::ConvertLines() {
  if (FLines.Empty()) return;
  // On every way out of the run the preparing thread stops before its next line, paused or not,
  // and is joined.
  struct Preparing {
    TDBThread& worker;
    std::thread thread;
    ~Preparing() {
      worker.FQueue.Close();
      { std::lock_guard lock(worker.FGateMutex); }
      worker.FGateChanged.notify_all();
      thread.join();
    }
  } preparing{*this, std::thread(&TDBThread::PrepareBatches, this, FConnection->MakePreparer())};
  while (PreparedBatch* batch = FQueue.Take()) {
    PausePoint();
    if (Terminated()) return;
    ExecuteAndReport(*batch);
    FQueue.Release(batch);
  }
}

// A batch ends where a block of the reader's ends, so that its lines are checked against the
// loaded text before it is handed over (LineList::Reader).
static_assert(kBatchSize % LineList::kIndexStride == 0);

// The preparing thread: the statements and rows of every batch, in order. A line that cannot
// become a row ends its batch and the preparing; so do a batch whose text has changed since it
// was loaded, a terminate request, and the end of the run.
void TDBThread::PrepareBatches(jet::StatementPreparer statements) {
  struct Finish {
    BatchQueue& queue;
    ~Finish() { queue.Finish(); }
  } finish{FQueue};
  LinePreparer preparer(std::move(statements));
  LineList::Reader reader(FLines);
  LineList::Line line;
  for (size_t first = 0; first < FLines.Count(); first += kBatchSize) {
    PreparedBatch* batch = FQueue.Acquire();
    if (batch == nullptr) return;
    batch->Reset(first, std::min(kBatchSize, FLines.Count() - first));
    for (size_t slot = 0; slot < batch->lineCount; ++slot) {
      PausePoint(&FQueue);
      if (Terminated() || FQueue.Closed()) return;
      try {
        reader.Next(line);
        preparer.Prepare(reader, line, batch->statements[slot], batch->rows);
      } catch (...) {
        batch->rows.Fail(std::current_exception());
        FQueue.Push(batch);
        return;
      }
    }
    try {
      reader.ConfirmBlocks();
    } catch (...) {
      batch->rows.Fail(std::current_exception());
      FQueue.Push(batch);
      return;
    }
    FQueue.Push(batch);
  }
}

// A failed batch is reported like a committed one, with the failure notice, and then ends the
// run through the exception, whose text names the line at fault.
void TDBThread::ExecuteAndReport(PreparedBatch& batch) {
  const size_t lastLine = batch.firstLine + batch.lineCount;
  size_t failedSlot = kNoSlot;
  try {
    ExecuteBatch(batch.statements, &failedSlot, &batch.rows);
  } catch (const EngineError& e) {
    // The lines could not be read; the message names the file and the line, and for a text that
    // changed, what became of the lines read before.
    const std::string text = e.Kind() == EngineErrorKind::InputChanged ? e.what() + KeptLinesText(batch.firstLine)
                                                                        : std::string(e.what());
    KeepError(text);
    Deliver(kMsgBatchFailed, lastLine);
    throw EngineError(e.Kind(), text);
  } catch (const std::exception& e) {
    const std::string text = RefusedBatchText(batch.firstLine + 1, lastLine, failedSlot, e.what());
    KeepError(text);
    Deliver(kMsgBatchFailed, lastLine);
    throw EngineError(EngineErrorKind::BatchRefused, text);
  }
  Deliver(kMsgBatchCommitted, lastLine);
}

void TDBThread::Deliver(int message, size_t lastLine) {
  PausePoint();
  FChannel.Send({message, int32_t(lastLine), int32_t(FLines.Count())});
}

void TDBThread::ExecuteBatch(const Batch& batch, size_t* failedSlot, const PreparedRows* prepared) {
  if (failedSlot) *failedSlot = kNoSlot;
  if (!FConnection->IsOpen()) {
    FSlotPreparer.reset();  // it belonged to the database that was closed
    FConnection->Open();
  }
  FConnection->BeginTrans();
  size_t slot = 0;
  try {
    for (; slot < batch.size(); ++slot) {
      const PreparedRows* rows = prepared;
      size_t row = slot;
      if (prepared == nullptr || slot >= prepared->Count()) {
        if (prepared != nullptr && prepared->Failure()) std::rethrow_exception(prepared->Failure());
        if (!FSlotPreparer) FSlotPreparer.emplace(FConnection->MakePreparer());
        FSlotRows.Clear();
        FSlotPreparer->PrepareStatement(batch[slot], FSlotRows);
        rows = &FSlotRows;
        row = 0;
      }
      if (const jet::TableSchema* table = rows->Table(row)) FConnection->Insert(*table, rows->Row(row));
    }
    // Every row prepared, and yet the batch's text was found changed afterwards.
    if (prepared != nullptr && prepared->Failure()) std::rethrow_exception(prepared->Failure());
    FConnection->CommitTrans();
  } catch (...) {
    if (failedSlot) *failedSlot = slot;
    // A failed commit has already put the file back to the last commit and closed the
    // transaction; there is nothing left to roll back then.
    if (FConnection->InTransaction()) FConnection->RollbackTrans();
    throw;
  }
}

}  // namespace ipmdb::engine
