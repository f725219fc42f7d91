#include "app/InOrder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

namespace {
OCRResult resultWithText(std::size_t i)
{
    OCRResult result;
    result.exactText = std::to_string(i);
    return result;
}
} // namespace

TEST(InOrderTest, EmitsInIndexOrderWhenCompletionsArriveReversed)
{
    // A completer thread holds back the started items until a whole window of three has started, then completes
    // them newest first: the emitter must still see 0, 1, 2, ...
    constexpr std::size_t count = 7;
    std::mutex mutex;
    std::condition_variable changed;
    std::vector<std::pair<std::size_t, std::function<void(OCRResult)>>> pending;
    std::size_t startedCount = 0;
    bool stop = false;
    std::thread completer([&] {
        std::unique_lock lock(mutex);
        std::size_t completed = 0;
        while (completed < count) {
            changed.wait(lock, [&] { return stop || pending.size() == 3 || startedCount == count; });
            if (stop)
                return;
            auto batch = std::move(pending);
            pending.clear();
            lock.unlock();
            for (auto it = batch.rbegin(); it != batch.rend(); ++it)
                it->second(resultWithText(it->first));
            lock.lock();
            completed += batch.size();
        }
    });

    std::vector<std::size_t> emitted;
    recognizeInOrder(
        count, 3,
        [&](std::size_t i, std::function<void(OCRResult)> done) {
            std::lock_guard lock(mutex);
            pending.emplace_back(i, std::move(done));
            ++startedCount;
            changed.notify_all();
        },
        [&](std::size_t i, OCRResult result) {
            EXPECT_EQ(result.exactText, std::to_string(i));
            emitted.push_back(i);
        });
    {
        std::lock_guard lock(mutex);
        stop = true;
        changed.notify_all();
    }
    completer.join();
    EXPECT_EQ(emitted, (std::vector<std::size_t>{0, 1, 2, 3, 4, 5, 6}));
}

TEST(InOrderTest, SynchronousCompletionsAndSingleSlot)
{
    std::vector<std::size_t> emitted;
    std::size_t started = 0;
    recognizeInOrder(
        4, 1,
        [&](std::size_t i, std::function<void(OCRResult)> done) {
            // One slot: item i may only start after item i - 1 was emitted.
            EXPECT_EQ(emitted.size(), i);
            ++started;
            done(resultWithText(i));
        },
        [&](std::size_t i, OCRResult) { emitted.push_back(i); });
    EXPECT_EQ(started, 4u);
    EXPECT_EQ(emitted, (std::vector<std::size_t>{0, 1, 2, 3}));
}

TEST(InOrderTest, NeverHoldsMoreThanInFlightResults)
{
    // Completions run on threads that outpace the emitter: the window must still stay bounded.
    std::atomic<int> outstanding{0};
    std::atomic<int> maxOutstanding{0};
    std::vector<std::thread> workers;
    std::mutex workersMutex;
    recognizeInOrder(
        20, 2,
        [&](std::size_t i, std::function<void(OCRResult)> done) {
            maxOutstanding = std::max(maxOutstanding.load(), ++outstanding);
            std::lock_guard lock(workersMutex);
            workers.emplace_back([i, done = std::move(done)] { done(resultWithText(i)); });
        },
        [&](std::size_t, OCRResult) { --outstanding; });
    for (std::thread& t : workers)
        t.join();
    EXPECT_LE(maxOutstanding.load(), 2);
}

TEST(InOrderTest, NothingToDo)
{
    bool called = false;
    recognizeInOrder(
        0, 2, [&](std::size_t, std::function<void(OCRResult)>) { called = true; },
        [&](std::size_t, OCRResult) { called = true; });
    EXPECT_FALSE(called);
}

TEST(InOrderTest, PagesInFlightTogetherStayWithinTheirPixelBudget)
{
    // Completes at once, so the only thing holding pages back is the budget: it must never be exceeded, however
    // many may run side by side, and a page heavier than the budget still runs, alone.
    const std::vector<std::uint64_t> pixels{10, 10, 10, 100, 1, 1, 0, 1};
    std::uint64_t inFlight = 0;
    std::uint64_t most = 0;
    std::size_t together = 0;
    std::size_t mostTogether = 0;
    std::vector<std::size_t> emitted;
    recognizeInOrder(
        pixels.size(), 8, 25, [&](std::size_t i) { return pixels[i]; },
        [&](std::size_t i, std::function<void(OCRResult)> done) {
            inFlight += pixels[i];
            ++together;
            if (pixels[i] <= 25)
                most = std::max(most, inFlight);
            mostTogether = std::max(mostTogether, together);
            done(resultWithText(i));
        },
        [&](std::size_t i, OCRResult) {
            inFlight -= pixels[i];
            --together;
            emitted.push_back(i);
        });
    EXPECT_LE(most, 25u);
    EXPECT_GE(mostTogether, 3u); // the small pages still ran side by side
    EXPECT_EQ(emitted, (std::vector<std::size_t>{0, 1, 2, 3, 4, 5, 6, 7}));
}
