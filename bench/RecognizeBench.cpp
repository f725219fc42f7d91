#include "ocr/OCR.h"
#include "ocr/WorkerPool.h"
#include "ocr/tesseract/TesseractOCR.h"
#include "sources/qt/QtImage.h"

#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <condition_variable>
#include <cstdlib>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {
// The self test's sample table: 600 × 200, 4 rows × 3 columns of DejaVu Sans 22 px.
Image drawnTable()
{
    QImage image(600, 200, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    QPainter painter(&image);
    QFont font("DejaVu Sans");
    font.setPixelSize(22);
    painter.setFont(font);
    const char* rows[4][3] = {
        {"Product", "Qty", "Price"}, {"Keyboard", "2", "49.00"}, {"Monitor", "1", "199.50"}, {"Cable", "5", "8.25"}};
    const int columns[3] = {30, 300, 430};
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 3; ++c)
            painter.drawText(columns[c], 40 + r * 45, QString::fromLatin1(rows[r][c]));
    painter.end();
    return QtImage::fromQImage(image);
}

// Two lines of 11 px UI text in a dark theme: the prepared path (inverted, scaled up, framed).
Image drawnDarkText()
{
    QImage image(300, 40, QImage::Format_ARGB32_Premultiplied);
    image.fill(QColor(30, 30, 30));
    QPainter painter(&image);
    QFont font("DejaVu Sans");
    font.setPixelSize(11);
    painter.setFont(font);
    painter.setPen(QColor(220, 220, 220));
    painter.drawText(4, 14, "Open Settings to change the capture shortcut.");
    painter.drawText(4, 32, "Invoice 2024-118 due 14 March, total 1,284.50");
    painter.end();
    return QtImage::fromQImage(image);
}

// Forty lines of an editor in a dark theme, DejaVu Sans Mono 12 px: what a code capture typically holds.
Image drawnCode()
{
    const char* lines[] = {
        "def merge_rows(rows, limit=10):",
        "    merged = []",
        "    for i, row in enumerate(rows):",
        "        if not merged or len(row[0]) > limit:",
        "            merged.append(list(row))",
        "        else:",
        "            merged[-1][1] += ' ' + row[1]",
        "    return {'count': len(merged), \"rows\": merged}",
        "std::optional<std::size_t> find_col(std::string_view s, char c)",
        "{",
        "    for (std::size_t i = 0; i < s.size(); ++i) {",
        "        if (s[i] == c && s[0] != '#')",
        "            return i;",
        "    }",
        "    return std::nullopt;",
        "}",
        "const API_URL = `https://example.org/v1/${id}`;",
        "  if (!res.ok) {",
        "    throw new Error(`HTTP ${res.status}`);",
        "  }",
    };
    constexpr int count = 40;
    constexpr int lineHeight = 17;
    QImage image(560, count * lineHeight + 8, QImage::Format_ARGB32_Premultiplied);
    image.fill(QColor(30, 30, 30));
    QPainter painter(&image);
    QFont font("DejaVu Sans Mono");
    font.setPixelSize(12);
    painter.setFont(font);
    painter.setPen(QColor(212, 212, 212));
    for (int i = 0; i < count; ++i)
        painter.drawText(4, 4 + 13 + i * lineHeight, QString::fromLatin1(lines[i % std::size(lines)]));
    painter.end();
    return QtImage::fromQImage(image);
}

// Recognizes through the worker pool and waits for the completion, as the capture flow does.
OCRResult recognizeAndWait(const Image& image)
{
    std::mutex mutex;
    std::condition_variable done;
    std::optional<OCRResult> result;
    TesseractRecognizer().recognize(image, {"en-US"}, true, [&](OCRResult r) {
        std::lock_guard lock(mutex);
        result = std::move(r);
        done.notify_all();
    });
    std::unique_lock lock(mutex);
    done.wait(lock, [&] { return result.has_value(); });
    return std::move(*result);
}

void BM_RecognizeTableWarm(benchmark::State& state)
{
    const Image table = drawnTable();
    // Every worker keeps its own engine: load them all outside the timing, with as many calls in flight as workers.
    std::vector<std::thread> warmUps;
    for (std::size_t i = 0; i < WorkerPool::recognition().size(); ++i)
        warmUps.emplace_back([&table] { recognizeAndWait(table); });
    for (std::thread& warmUp : warmUps)
        warmUp.join();
    if (recognizeAndWait(table).words.size() != 12)
        state.SkipWithError("the table was not read");
    for (auto _ : state)
        benchmark::DoNotOptimize(recognizeAndWait(table));
}
BENCHMARK(BM_RecognizeTableWarm)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_RecognizeTableOnCallingThread(benchmark::State& state)
{
    const Image table = drawnTable();
    TesseractOCR::recognizeNow(table, {"en-US"}, true);
    for (auto _ : state)
        benchmark::DoNotOptimize(TesseractOCR::recognizeNow(table, {"en-US"}, true));
}
BENCHMARK(BM_RecognizeTableOnCallingThread)->Unit(benchmark::kMillisecond);

void BM_RecognizeDarkSmallText(benchmark::State& state)
{
    const Image text = drawnDarkText();
    TesseractOCR::recognizeNow(text, {"en-US"}, true);
    for (auto _ : state)
        benchmark::DoNotOptimize(TesseractOCR::recognizeNow(text, {"en-US"}, true));
}
BENCHMARK(BM_RecognizeDarkSmallText)->Unit(benchmark::kMillisecond);

// Code mode (no language correction) on a 40-line region, on the calling thread with a warm engine.
void BM_RecognizeCode40Lines(benchmark::State& state)
{
    const Image code = drawnCode();
    TesseractOCR::recognizeNow(code, {"en-US"}, false);
    for (auto _ : state)
        benchmark::DoNotOptimize(TesseractOCR::recognizeNow(code, {"en-US"}, false));
}
BENCHMARK(BM_RecognizeCode40Lines)->Unit(benchmark::kMillisecond);
} // namespace

int main(int argc, char** argv)
{
    // As the application does: one OpenMP thread per engine, set before libgomp reads it (it is read at load).
    if (std::getenv("OMP_THREAD_LIMIT") == nullptr) {
        ::setenv("OMP_THREAD_LIMIT", "1", 1);
        ::execv("/proc/self/exe", argv);
    }
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QGuiApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
