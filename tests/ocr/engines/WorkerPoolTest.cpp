#include "ocr/WorkerPool.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <future>
#include <set>
#include <stdexcept>
#include <thread>
#include <vector>

// A pool asked for no workers has one, which runs every task in submission order off the caller's thread, and
// carries on after a task throws.
TEST(WorkerPoolTest, ItsWorkerRunsEveryTaskInOrderAndCarriesOnAfterOneThrows)
{
    std::vector<int> order; // written by the one worker only
    std::set<std::thread::id> threads;
    bool onWorker = true;
    std::promise<void> finished;
    WorkerPool pool(0); // declared last, so that it stops before the task's variables go
    ASSERT_EQ(pool.size(), 1u);
    pool.submit([] { throw std::runtime_error("fails"); });
    for (int i = 0; i < 50; ++i)
        pool.submit([&, i] {
            order.push_back(i);
            threads.insert(std::this_thread::get_id());
            onWorker = onWorker && pool.isWorkerThread();
            if (i == 49)
                finished.set_value();
        });
    ASSERT_EQ(finished.get_future().wait_for(std::chrono::seconds(30)), std::future_status::ready);
    ASSERT_EQ(order.size(), 50u);
    EXPECT_TRUE(std::is_sorted(order.begin(), order.end()));
    EXPECT_EQ(threads.size(), 1u);
    EXPECT_FALSE(threads.contains(std::this_thread::get_id()));
    EXPECT_TRUE(onWorker);
    EXPECT_FALSE(pool.isWorkerThread());
}
