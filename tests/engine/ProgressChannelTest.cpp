#include "engine/ProgressChannel.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <future>
#include <stdexcept>
#include <thread>
#include <vector>

namespace ipmdb::engine {
namespace {

using std::chrono::milliseconds;

// Records the messages it handles and, through the hooks, lets a test act inside the handler or
// at the moment a message is handed over.
class Recorder : public TProgressReceiver {
 public:
  void HandleProgress(const ProgressMessage& m) override {
    FHandled.push_back(m.wParam);
    if (FOnHandle) FOnHandle();
  }
  void ProgressPending() override { FPending.fetch_add(1); }

  std::vector<int32_t> FHandled;
  std::function<void()> FOnHandle;
  std::atomic<int> FPending{0};
};

TEST(ProgressChannel, SenderWaitsUntilTheReceivingThreadHasHandledTheMessage) {
  Recorder recorder;
  ProgressChannel channel(&recorder);
  std::atomic<bool> sent{false};
  std::thread sender([&] {
    channel.Send({kMsgBatchCommitted, 1000, 2500});
    sent.store(true);
    channel.Send({kMsgBatchCommitted, 2000, 2500});
    channel.Close();
  });
  while (recorder.FPending.load() == 0) std::this_thread::yield();
  EXPECT_FALSE(sent.load());
  EXPECT_TRUE(channel.Dispatch());
  while (!channel.Closed()) channel.WaitAndDispatch(milliseconds(50));
  sender.join();
  EXPECT_TRUE(sent.load());
  EXPECT_EQ(recorder.FHandled, (std::vector<int32_t>{1000, 2000}));
  EXPECT_EQ(recorder.FPending.load(), 2);
}

TEST(ProgressChannel, DispatchFromInsideTheHandlerFindsNothing) {
  Recorder recorder;
  ProgressChannel channel(&recorder);
  bool nested = true;
  recorder.FOnHandle = [&] { nested = channel.Dispatch(); };
  std::thread sender([&] {
    channel.Send({kMsgBatchFailed, 7, 7});
    channel.Close();
  });
  while (!channel.Closed()) channel.WaitAndDispatch(milliseconds(50));
  sender.join();
  EXPECT_FALSE(nested);
  EXPECT_EQ(recorder.FHandled, (std::vector<int32_t>{7}));
}

TEST(ProgressChannel, HandlerThatThrowsStillReleasesTheSender) {
  Recorder recorder;
  ProgressChannel channel(&recorder);
  recorder.FOnHandle = [] { throw std::runtime_error("handler failed"); };
  std::thread sender([&] { channel.Send({kMsgBatchCommitted, 1, 1}); });
  while (recorder.FPending.load() == 0) std::this_thread::yield();
  EXPECT_THROW(channel.Dispatch(), std::runtime_error);
  sender.join();
  EXPECT_FALSE(channel.Dispatch());
}

TEST(ProgressChannel, CloseWakesAWaitingReceiverWithoutAMessage) {
  Recorder recorder;
  ProgressChannel channel(&recorder);
  auto waiting = std::async(std::launch::async, [&] { return channel.WaitAndDispatch(milliseconds(60000)); });
  channel.Close();
  EXPECT_FALSE(waiting.get());
  EXPECT_TRUE(channel.Closed());
}

// A cancel releases a sender blocked on an unhandled message; that message stays to be dispatched,
// and a later one finding the slot taken is dropped rather than waited for or written over it.
TEST(ProgressChannel, CancelReleasesTheSenderAndKeepsTheWaitingMessage) {
  Recorder recorder;
  ProgressChannel channel(&recorder);
  std::thread sender([&] {
    channel.Send({kMsgBatchCommitted, 1000, 2500});
    channel.Send({kMsgBatchCommitted, 2000, 2500});
  });
  while (recorder.FPending.load() == 0) std::this_thread::yield();
  channel.Cancel();
  sender.join();
  EXPECT_TRUE(channel.Dispatch());
  EXPECT_FALSE(channel.Dispatch());
  EXPECT_EQ(recorder.FHandled, (std::vector<int32_t>{1000}));
}

TEST(ProgressChannel, WithoutAReceiverMessagesAreDroppedAndSendDoesNotWait) {
  ProgressChannel channel(nullptr);
  channel.Send({kMsgBatchCommitted, 1, 1});
  EXPECT_FALSE(channel.Dispatch());
}

}  // namespace
}  // namespace ipmdb::engine
