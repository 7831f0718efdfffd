#include "engine/Batch.h"

#include "jet/RowPreparer.h"

namespace ipmdb::engine {

void PreparedRows::Clear() {
  FBytes.clear();
  FSlots.clear();
  FFailure = nullptr;
}

void PreparedRows::Add(const jet::PreparedRow& row) {
  FBytes.insert(FBytes.end(), row.row.begin(), row.row.end());
  FSlots.push_back({row.table, FBytes.size()});
}

void PreparedRows::AddBlank() { FSlots.push_back({nullptr, FBytes.size()}); }

std::span<const uint8_t> PreparedRows::Row(size_t slot) const {
  const size_t start = slot == 0 ? 0 : FSlots[slot - 1].end;
  return {FBytes.data() + start, FSlots[slot].end - start};
}

void PreparedBatch::Reset(size_t first, size_t count) {
  for (size_t slot = 0; slot < lineCount; ++slot) statements[slot].clear();
  firstLine = first;
  lineCount = count;
  rows.Clear();
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


}  // namespace ipmdb::engine
