#include "engine/BatchQueue.h"

namespace ipmdb::engine {

void PreparedBatch::Reset(size_t first, size_t count) {
  firstLine = first;
  lineCount = count;
  failure = nullptr;
  FBytes.clear();
  FEnds.clear();
}

void PreparedBatch::Add(std::span<const uint8_t> row) {
  FBytes.insert(FBytes.end(), row.begin(), row.end());
  FEnds.push_back(FBytes.size());
}

std::span<const uint8_t> PreparedBatch::Row(size_t i) const {
  const size_t start = i == 0 ? 0 : FEnds[i - 1];
  return {FBytes.data() + start, FEnds[i] - start};
}

PreparedBatch* BatchQueue::Acquire() {
  std::unique_lock lock(FMutex);
  FChanged.wait(lock, [this] { return FClosed || !FFree.empty(); });
  if (FClosed) return nullptr;
  PreparedBatch* batch = FFree.front();
  FFree.pop_front();
  return batch;
}

void BatchQueue::Push(PreparedBatch* batch) {
  {
    std::lock_guard lock(FMutex);
    FFilled.push_back(batch);
  }
  FChanged.notify_all();
}

void BatchQueue::Finish() {
  {
    std::lock_guard lock(FMutex);
    FFinished = true;
  }
  FChanged.notify_all();
}

PreparedBatch* BatchQueue::Take() {
  std::unique_lock lock(FMutex);
  FChanged.wait(lock, [this] { return FClosed || FFinished || !FFilled.empty(); });
  if (FClosed || FFilled.empty()) return nullptr;
  PreparedBatch* batch = FFilled.front();
  FFilled.pop_front();
  return batch;
}

void BatchQueue::Release(PreparedBatch* batch) {
  {
    std::lock_guard lock(FMutex);
    FFree.push_back(batch);
  }
  FChanged.notify_all();
}

void BatchQueue::Close() {
  {
    std::lock_guard lock(FMutex);
    FClosed = true;
  }
  FChanged.notify_all();
}

bool BatchQueue::Closed() const { return FClosed.load(); }

}  // namespace ipmdb::engine
