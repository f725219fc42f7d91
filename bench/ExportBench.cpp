#include "export/XLSXWriter.h"
#include "export/qt/QtText.h"

#include <benchmark/benchmark.h>

namespace {
// A batch export of 100 pages, each a table of 100 rows by 10 columns, with the entities and non-ASCII text that
// take the slower paths of escaping.
std::vector<XLSXWriter::Sheet> batchOfPages()
{
    std::vector<XLSXWriter::Sheet> sheets;
    for (int page = 0; page < 100; ++page) {
        XLSXWriter::Sheet sheet{"invoice-" + std::to_string(page / 2) + ".pdf p" + std::to_string(page % 2 + 1), {}};
        for (int r = 0; r < 100; ++r) {
            TableRow row;
            for (int c = 0; c < 10; ++c)
                row.push_back(c == 0 ? "Caf\xC3\xA9 & Co <" + std::to_string(r) + ">" : std::to_string(r * c * 17.25));
            sheet.rows.push_back(std::move(row));
        }
        sheets.push_back(std::move(sheet));
    }
    return sheets;
}
} // namespace

static void BM_XLSXWriter100Sheets(benchmark::State& state)
{
    const std::vector<XLSXWriter::Sheet> sheets = batchOfPages();
    std::size_t bytes = 0;
    for (auto _ : state) {
        XLSXWriter::Result result = XLSXWriter::data(sheets, QtText());
        bytes = result.bytes.size();
        benchmark::DoNotOptimize(result);
    }
    state.counters["bytes"] = static_cast<double>(bytes);
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes));
}
BENCHMARK(BM_XLSXWriter100Sheets)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
