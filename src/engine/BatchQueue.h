// The hand-over between the worker's two threads: the preparing thread turns the lines of a batch
// into rows (RecordPreparer.h) while the worker's thread inserts and commits the batch before it.
// Two batches circulate: one being filled, one being executed.
//
// Threads: exactly one preparing thread (Acquire, Push, Finish) and one executing thread (Take,
// Release); Close and Closed from either.
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
#include <vector>

namespace ipmdb::engine {

// The rows of one batch of consecutive lines, in line order. A line that could not become a row
// ends the batch: `failure` holds why, and the rows before it are all the batch has.
struct PreparedBatch {
  size_t firstLine = 0;  // index of the batch's first line
  size_t lineCount = 0;  // lines of the batch, the failed one included
  std::exception_ptr failure;

  void Reset(size_t first, size_t count);
  void Add(std::span<const uint8_t> row);
  size_t RowCount() const { return FEnds.size(); }
  std::span<const uint8_t> Row(size_t i) const;

 private:
  std::vector<uint8_t> FBytes;  // the rows one after another; kept between batches
  std::vector<size_t> FEnds;
};

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
  bool Closed() const;

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
