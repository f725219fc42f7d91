#include "ocr/WorkerPool.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <set>
#include <stdexcept>

TEST(WorkerPoolTest, RunsEveryTaskOnItsWorkers)
{
    WorkerPool pool(2);
    std::mutex mutex;
    std::set<std::thread::id> threads;
    std::atomic<int> done = 0;
    std::promise<void> finished;
    for (int i = 0; i < 50; ++i)
        pool.submit([&] {
            {
                std::lock_guard lock(mutex);
                threads.insert(std::this_thread::get_id());
            }
            if (++done == 50)
                finished.set_value();
        });
    ASSERT_EQ(finished.get_future().wait_for(std::chrono::seconds(30)), std::future_status::ready);
    EXPECT_LE(threads.size(), 2u);
    EXPECT_FALSE(threads.contains(std::this_thread::get_id()));
}

TEST(WorkerPoolTest, ThrowingTaskDoesNotStopTheOneWorkerThatAPoolOfNoneHas)
{
    WorkerPool pool(0);
    EXPECT_EQ(pool.size(), 1u);
    pool.submit([] { throw std::runtime_error("fails"); });
    std::promise<bool> onWorker;
    pool.submit([&] { onWorker.set_value(pool.isWorkerThread()); });
    auto future = onWorker.get_future();
    ASSERT_EQ(future.wait_for(std::chrono::seconds(30)), std::future_status::ready);
    EXPECT_TRUE(future.get());
    EXPECT_FALSE(pool.isWorkerThread());
}
