#include "form/hand_off_queue.h"

#include <atomic>
#include <gtest/gtest.h>
#include <thread>

namespace mrv::form
{
namespace
{

TEST(HandOffQueue, WorkerWaitsUntilTheUserInterfaceRanItsFunction)
{
    HandOffQueue queue;
    std::atomic<int> queued{0};
    queue.OnQueued = [&] { ++queued; };
    int value = 0; // touched only inside the hand-off
    std::atomic<bool> returned{false};
    std::thread worker([&] {
        queue.RunSync([&] { value = 42; });
        returned = true;
    });
    while (queued.load() == 0)
        std::this_thread::yield();
    EXPECT_FALSE(returned.load());
    while (queue.RunPending() == 0)
        std::this_thread::yield();
    worker.join();
    EXPECT_TRUE(returned.load());
    EXPECT_EQ(value, 42);
}

TEST(HandOffQueue, WorkQueuedWhileRunningWaitsForTheNextRound)
{
    HandOffQueue queue;
    std::vector<int> order;
    queue.Post([&] {
        order.push_back(1);
        queue.Post([&] { order.push_back(3); });
    });
    queue.Post([&] { order.push_back(2); });
    EXPECT_EQ(queue.RunPending(), 2u);
    EXPECT_EQ(order, (std::vector<int>{1, 2}));
    EXPECT_EQ(queue.RunPending(), 1u);
    EXPECT_EQ(order, (std::vector<int>{1, 2, 3}));
}

} // namespace
} // namespace mrv::form
