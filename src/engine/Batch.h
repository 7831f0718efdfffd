// A batch of insert statements, the rows prepared for them, and the hand-over of prepared batches
// between the worker's two threads: the preparing thread builds the statements of a batch's lines
// and prepares their rows (LinePreparer.h) while the worker's thread inserts and commits the
// batch before. Two batches circulate: one being filled, one being executed.
#pragma once

#include <array>
#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <exception>
#include <mutex>
#include <span>
#include <string>
#include <vector>

namespace ipmdb::jet {
struct PreparedRow;
struct TableSchema;
}  // namespace ipmdb::jet

namespace ipmdb::engine {

// Lines per batch and transaction.
inline constexpr size_t kBatchSize = 1000;
// Statement slots, filled from the first; a slot that holds only bytes of 32 or less is skipped.
using Batch = std::array<std::string, kBatchSize>;

// The rows of the first Count() slots of a batch, in slot order, prepared ahead of its execution;
// a blank slot has none. A slot whose statement was refused ends them: Failure() holds why, and
// Count() is that slot.
class PreparedRows {
 public:
  void Clear();
  void Add(const jet::PreparedRow& row);
  void AddBlank();
  void Fail(std::exception_ptr failure) { FFailure = std::move(failure); }

  size_t Count() const { return FSlots.size(); }
  // REQUIRES slot < Count(). Null for a blank slot.
  const jet::TableSchema* Table(size_t slot) const { return FSlots[slot].table; }
  std::span<const uint8_t> Row(size_t slot) const;
  const std::exception_ptr& Failure() const { return FFailure; }

 private:
  struct Slot {
    const jet::TableSchema* table;
    size_t end;  // of the row in FBytes
  };
  std::vector<uint8_t> FBytes;  // the rows one after another; kept between batches
  std::vector<Slot> FSlots;
  std::exception_ptr FFailure;
};

// The statements of one batch of consecutive lines and their prepared rows.
struct PreparedBatch {
  size_t firstLine = 0;  // index of the batch's first line
  size_t lineCount = 0;  // lines of the batch
  Batch statements;
  PreparedRows rows;

  // Empties the slots the batch used before and its rows.
  void Reset(size_t first, size_t count);
};

// Threads: exactly one preparing thread (Acquire, Push, Finish) and one executing thread (Take,
// Release); Close and Closed from either.
class BatchQueue {
 public:
  // Preparing thread: a batch to fill, once one is free; null once the queue is closed.
  PreparedBatch* Acquire();
  // Preparing thread: hands a filled batch over, in order.
  void Push(PreparedBatch* batch);
  // Preparing thread: no batch will follow.
  void Finish();

  // Executing thread: the next filled batch, waiting for it; null once the preparing thread has
  // finished and every batch was taken, or once the queue is closed.
  PreparedBatch* Take();
  // Executing thread: the batch is done with and may be filled again.
  void Release(PreparedBatch* batch);

  // Either thread: no more batches are wanted; wakes every wait.
  void Close();
  bool Closed() const { return FClosed.load(); }

 private:
  std::array<PreparedBatch, 2> FBatches;
  std::mutex FMutex;
  std::condition_variable FChanged;
  std::deque<PreparedBatch*> FFree{&FBatches[0], &FBatches[1]};
  std::deque<PreparedBatch*> FFilled;
  bool FFinished = false;
  std::atomic<bool> FClosed{false};  // written under the lock; read without it by Closed
};

}  // namespace ipmdb::engine
