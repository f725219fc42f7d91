#include "ocr/TableBuilder.h"
#include "sources/RuledTable.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

namespace {
// Word runs of a table with `rows` rows and `columns` columns of 20 px text, cells 300 px wide, rows 40 px apart,
// listed in a scrambled order as a recognizer returns them.
std::vector<TextRun> tableRuns(int rows, int columns, double left = 20, double top = 0)
{
    std::vector<TextRun> runs;
    runs.reserve(static_cast<std::size_t>(rows * columns));
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < columns; ++c)
            runs.push_back(TextRun{"r" + std::to_string(r) + "c" + std::to_string(c),
                                   Rect{left + 300.0 * c, top + 40.0 * r + 10, 60, 20}});
    for (std::size_t i = 0; i < runs.size(); i += 3)
        std::swap(runs[i], runs[(i * 7919) % runs.size()]);
    return runs;
}

void BM_WhitespaceGrid(benchmark::State& state)
{
    const std::vector<TextRun> runs = tableRuns(1000, 5); // 5,000 word runs
    if (!TableBuilder::grid(runs))
        state.SkipWithError("the laid-out table was not found");
    for (auto _ : state)
        benchmark::DoNotOptimize(TableBuilder::grid(runs));
}
BENCHMARK(BM_WhitespaceGrid)->Unit(benchmark::kMillisecond);

void BM_RuledGrid(benchmark::State& state)
{
    // 2,000 × 1,500 px: 6 columns 300 px wide from x = 100, 35 rows 40 px high from the bottom edge.
    constexpr int width = 2000, height = 1500, columns = 6, rows = 35;
    std::vector<std::uint8_t> px(static_cast<std::size_t>(width) * height, 255);
    for (int c = 0; c <= columns; ++c)
        for (int y = 50; y < 50 + rows * 40; ++y)
            px[static_cast<std::size_t>(y) * width + 100 + 300 * c] = 0;
    for (int r = 0; r <= rows; ++r)
        std::fill_n(px.begin() + static_cast<std::ptrdiff_t>(height - 1 - (50 + 40 * r)) * width + 100, 300 * columns,
                    std::uint8_t{0});
    const Image image = Image::copyOf(width, height, width, Image::Format::Grey8, px.data());
    const std::vector<TextRun> words = tableRuns(rows, columns, 110, 50);
    if (!RuledTable::grid(image, words))
        state.SkipWithError("the drawn table was not detected");
    for (auto _ : state)
        benchmark::DoNotOptimize(RuledTable::grid(image, words));
}
BENCHMARK(BM_RuledGrid)->Unit(benchmark::kMillisecond);
} // namespace

BENCHMARK_MAIN();
