#include "app/InOrder.h"

#include <algorithm>
#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>

namespace {
struct Shared
{
    std::mutex mutex;
    std::condition_variable ready;
    std::map<std::size_t, OCRResult> done;
};
} // namespace

void recognizeInOrder(std::size_t count, std::size_t inFlight,
                      const std::function<void(std::size_t, std::function<void(OCRResult)>)>& start,
                      const std::function<void(std::size_t, OCRResult)>& emit)
{
    recognizeInOrder(count, inFlight, 0, {}, start, emit);
}

void recognizeInOrder(std::size_t count, std::size_t inFlight, std::uint64_t budget,
                      const std::function<std::uint64_t(std::size_t)>& weight,
                      const std::function<void(std::size_t, std::function<void(OCRResult)>)>& start,
                      const std::function<void(std::size_t, OCRResult)>& emit)
{
    inFlight = std::max<std::size_t>(1, inFlight);
    const auto weightOf = [&](std::size_t i) { return weight ? weight(i) : std::uint64_t{0}; };
    // Items are in flight from their start until they are emitted: a finished result waiting for its turn still
    // holds its memory.
    std::uint64_t weighing = 0;
    // Shared ownership: a completion may still be unwinding on a worker after the last emit returned.
    auto shared = std::make_shared<Shared>();
    std::size_t started = 0;
    for (std::size_t next = 0; next < count; ++next) {
        while (started < count && started < next + inFlight) {
            const std::uint64_t heavy = weightOf(started);
            if (budget > 0 && started > next && weighing + heavy > budget)
                break;
            weighing += heavy;
            const std::size_t index = started++;
            start(index, [shared, index](OCRResult result) {
                {
                    std::lock_guard lock(shared->mutex);
                    shared->done.emplace(index, std::move(result));
                }
                shared->ready.notify_all();
            });
        }
        OCRResult result;
        {
            std::unique_lock lock(shared->mutex);
            shared->ready.wait(lock, [&] { return shared->done.count(next) > 0; });
            auto node = shared->done.extract(next);
            result = std::move(node.mapped());
        }
        weighing -= weightOf(next);
        emit(next, std::move(result));
    }
}
