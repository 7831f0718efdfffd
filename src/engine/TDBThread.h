// The conversion worker: the lines of one text database, one connection to the output database
// and two threads. Construction loads the text database (LineList.h: its lines are counted, and
// read again as they are needed), resets the output database to the empty template and opens
// it. Then every line becomes an insert statement, and the statements are executed in batches of
// kBatchSize lines, one transaction per batch, each batch reported to the receiver
// (ProgressChannel.h). The execution of a batch has two halves: a preparing thread builds the
// statements of a batch and prepares the rows they insert (LinePreparer.h), while the worker's
// thread inserts the rows of the batch before and commits it (ExecuteBatch), which mostly waits
// for the disk.
//
// States (State(), named below): created, running (also while paused), finished (all lines done,
// no line at all, or ended by a terminate request), failed (a batch was refused, or any other
// failure ended the run; ErrorText() says why). Finished and failed are final; a worker never runs
// twice.
//
// Progress: after each committed batch kMsgBatchCommitted, after a failed one kMsgBatchFailed,
// both with the batch's last line number (1-based) and the line count. A batch fails when the
// database refuses one of its lines, or when its lines cannot be read (the text database was cut
// shorter or rewritten meanwhile: every batch is checked against the text as it was loaded before
// it is handed over, see LineList::Reader, and the failure text then says which lines were kept);
// it is rolled back, reported once the batch before it has been committed and reported, and ends
// the run: no later batch runs, and the batches before it stay committed.
//
// Threads: the owner's thread constructs the worker (or another thread does, created suspended,
// and hands it over once it has ended: the window loads a text database off its own thread),
// calls every public member, dispatches the progress messages and destroys the worker. Suspend,
// Resume and Terminate only set flags: the owner never waits on anything the worker holds. A
// paused worker stops at its next pause points (the preparing thread before each line, the
// worker's thread before each batch and before each progress message; a batch that is being
// executed is first committed), makes no progress and hands over no message until resumed, and
// then continues where it stopped. A message handed over before the pause may still be
// dispatched. A terminate request also cancels the wait for a message's delivery, so the owner
// never has to serve a message before the worker ends.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "engine/Batch.h"
#include "engine/LinePreparer.h"
#include "engine/LineList.h"
#include "jet/DatabaseOptions.h"
#include "jet/File.h"
#include "engine/ProgressChannel.h"

namespace ipmdb::database {
class Connection;
}


namespace ipmdb::engine {

// The worker's states, which the window and the command line read: one signed 32-bit value,
// whose numbers are those the worker has always been known by.
enum class TWorkerState : int32_t {
  Created = 0,   // constructed; the run has not begun
  Running = 1,   // the run has begun; also while paused
  Finished = 2,  // the run ended without a failure
  Failed = -1,   // a failure ended the run
};

class TDBThread {
 public:
  // Lines per batch and transaction.
  static constexpr size_t kBatchSize = engine::kBatchSize;
  // Statement slots, filled from the first; a slot that holds only bytes of 32 or less is skipped.
  using Batch = engine::Batch;
  // ExecuteBatch's failed slot when no statement was at fault (the open, begin or commit failed).
  static constexpr size_t kNoSlot = kBatchSize;

  // In this order: state created; refuses an output path that names the text database itself, compared
  // by device and inode, so that links and other spellings are caught (EngineError OutputIsInput,
  // naming both paths); loads the text database (EngineError CannotOpenFile: Cannot open file
  // "<path>". <system error text>); makes sure the output database's folder exists, creating
  // missing parents (a failure shows as the template write failure, with the folder's reason);
  // creates the connection with its login prompt off; OpenOutputDatabase (EngineError
  // TemplateNotWritten: [<path>]资源文件释放失败。原因：<why>。 when the template cannot replace the
  // output, which is then left as it was); and last starts the thread, which waits before its run
  // until Resume() when createSuspended is true. The output database is not touched before the
  // loading has ended.
  //
  // outputPath: where the output database goes; without one, database::OutputDatabasePath() (the
  // executable's folder). The receiver may be null (no progress is reported); otherwise it must
  // outlive the worker. stopRequest, when given, must outlive the worker too: any thread may set
  // it at any time, and it then acts as Terminate() does, and during the loading as well (the
  // loading ends with EngineError Stopped, see LineList::LoadFile). options: what the engine keeps
  // to for the output database (its size limit). vfs: the files the connection works on (tests
  // pass one that injects faults or delays; it must outlive the worker). A failed construction
  // releases what it made and starts no thread.
  TDBThread(bool createSuspended, const std::string& textDatabasePath, TProgressReceiver* receiver,
            std::optional<std::string> outputPath = std::nullopt, const std::atomic<bool>* stopRequest = nullptr,
            const jet::DatabaseOptions& options = {}, jet::Vfs& vfs = jet::Vfs::System());

  // Destroy: when the thread still runs, requests termination (which cancels a delivery the
  // worker is blocked in), resumes a paused worker and waits for the thread's end, which comes at
  // its next line check at the latest; then closes the connection and releases the lines. A
  // message still waiting is dropped undelivered. Never throws.
  ~TDBThread();
  TDBThread(const TDBThread&) = delete;
  TDBThread& operator=(const TDBThread&) = delete;

  TWorkerState State() const { return FState.load(); }

  void Suspend();
  void Resume();
  bool Suspended() const { return FSuspended.load(); }

  // Takes effect at once: the batch being executed, if any, is committed, and no later line is
  // inserted; the lines being prepared are discarded, and the state ends finished. A worker
  // terminated before its thread began its run does not run at all and stays created. The worker
  // stops waiting for its messages to be handled (ProgressChannel::Cancel): the message of a
  // batch being executed is left for the owner to dispatch or drop. Any thread may call it.
  void Terminate();
  bool Terminated() const { return FTerminated.load() || (FStopRequest != nullptr && FStopRequest->load()); }

  // Waits at most `timeout` for the thread's end, dispatching nothing. Returns whether it ended.
  bool WaitFor(std::chrono::milliseconds timeout);
  bool Finished() const { return FEnded.load(); }

  // Why the run failed, in Chinese; empty while it has not. For a refused batch the text is there
  // by the time its failure notice (2130) is delivered, so the receiver can show both together.
  std::string ErrorText() const;
  size_t LineCount() const { return FLines.Count(); }
  const std::string& OutputPath() const { return FOutputPath; }

  // Owner's thread: handles the waiting progress message, if any. Returns whether it did.
  bool DispatchProgress() { return FChannel.Dispatch(); }
  // Owner's thread: waits at most `timeout` for a message and handles it; returns early, false,
  // once the worker has ended. Returns whether a message was handled.
  bool WaitAndDispatchProgress(std::chrono::milliseconds timeout) { return FChannel.WaitAndDispatch(timeout); }

  // Executes the batch's statements in one transaction on the worker's connection, opening the
  // connection first if it is closed: each non-blank slot in order, its row inserted as `prepared`
  // holds it, or else prepared here (decoded from GBK to UTF-16, parsed, converted, encoded). A
  // failure that `prepared` holds is that of its slot. Returns once the batch is committed. On any
  // failure the transaction is rolled back and the same failure passed on (the rollback's own
  // failure in its place); *failedSlot, when given, then holds the index of the refused statement,
  // or kNoSlot. prepared: rows prepared for the first prepared->Count() slots of this batch, as
  // LinePreparer prepares them. Runs on the worker's thread; another thread may call it only
  // while the worker's run has not begun (a worker created suspended).
  void ExecuteBatch(const Batch& batch, size_t* failedSlot = nullptr, const PreparedRows* prepared = nullptr);

 private:
  void Run();
  void Execute();
  void ConvertLines();
  void PrepareBatches(jet::StatementPreparer statements);
  void OpenOutputDatabase(const std::string& path, int folderError);
  void ExecuteAndReport(PreparedBatch& batch);
  void Deliver(int message, size_t lastLine);
  // Waits while the worker is paused; also ends once `queue`, when given, is closed.
  void PausePoint(const BatchQueue* queue = nullptr);
  void MarkEnded();
  void KeepError(const std::string& text);  // the first failure of the run wins

  std::unique_ptr<database::Connection> FConnection;
  LineList FLines;
  std::atomic<TWorkerState> FState{TWorkerState::Created};

  std::string FOutputPath;
  ProgressChannel FChannel;
  std::atomic<bool> FTerminated{false};
  const std::atomic<bool>* FStopRequest;
  std::atomic<bool> FSuspended{false};
  // Written once by the worker, before FErrorKept is set; for a refused batch that is before the
  // failure notice goes out, so the receiver can read it while handling that notice.
  std::string FErrorText;
  std::atomic<bool> FErrorKept{false};

  // The pause gate and the end of the run. The worker holds FGateMutex only inside its waits.
  std::mutex FGateMutex;
  std::condition_variable FGateChanged;
  std::atomic<bool> FEnded{false};

  // The run's batches, between the preparing thread and the worker's.
  BatchQueue FQueue;
  // ExecuteBatch's own preparer, for slots without a prepared row; made when first needed.
  std::optional<LinePreparer> FSlotPreparer;
  PreparedRows FSlotRows;

  std::thread FThread;
};

}  // namespace ipmdb::engine
