#pragma once

#include "ocr/OCRResult.h"

#include <cstddef>
#include <cstdint>
#include <functional>

// Runs up to `inFlight` recognitions at a time and hands their results to `emit` strictly in index order, on the
// calling thread, which blocks until the last one is emitted. So output is byte-identical to a one-at-a-time run
// while independent pages use every core, and memory holds at most `inFlight` pages whatever their number.
//
// `start(i, done)` begins work on item i and must call `done` exactly once, on any thread, possibly before
// returning.
void recognizeInOrder(std::size_t count, std::size_t inFlight,
                      const std::function<void(std::size_t, std::function<void(OCRResult)>)>& start,
                      const std::function<void(std::size_t, OCRResult)>& emit);

// The same, with a second bound: items in flight together weigh at most `budget` (their pixels, say), so that memory
// does not grow with the number of cores. An item heavier than the budget runs alone; a weight of 0 is unknown and
// counts as nothing.
void recognizeInOrder(std::size_t count, std::size_t inFlight, std::uint64_t budget,
                      const std::function<std::uint64_t(std::size_t)>& weight,
                      const std::function<void(std::size_t, std::function<void(OCRResult)>)>& start,
                      const std::function<void(std::size_t, OCRResult)>& emit);
