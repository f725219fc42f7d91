#include "app/InOrder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <numeric>
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
    // Each window of started items completes newest first, once the window is full: the emitter must still see
    // 0, 1, 2, ... and never have more than the window started ahead of it.
    for (const std::size_t count : std::initializer_list<std::size_t>{0, 1, 7}) {
        for (const std::size_t window : std::initializer_list<std::size_t>{1, 3}) {
            std::vector<std::pair<std::size_t, std::function<void(OCRResult)>>> pending;
            std::vector<std::size_t> emitted;
            recognizeInOrder(
                count, window,
                [&](std::size_t i, std::function<void(OCRResult)> done) {
                    EXPECT_LT(i, emitted.size() + window);
                    pending.emplace_back(i, std::move(done));
                    if (pending.size() < window && i + 1 < count)
                        return;
                    for (auto it = pending.rbegin(); it != pending.rend(); ++it)
                        it->second(resultWithText(it->first));
                    pending.clear();
                },
                [&](std::size_t i, OCRResult result) {
                    EXPECT_EQ(result.exactText, std::to_string(i));
                    emitted.push_back(i);
                });
            std::vector<std::size_t> expected(count);
            std::iota(expected.begin(), expected.end(), 0);
            EXPECT_EQ(emitted, expected) << count << " in windows of " << window;
        }
    }
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
