// From mouse-up to clipboard for a 600 × 200 table region, against Tesseract alone on the same pixels, both with
// warm engines. The screen is a frozen picture holding the self test's table, so the path measured is the app's
// own: picker → crop → recognition → table → clipboard → history → message.
#include "app/qt/SelfTest.h"
#include "capture/qt/Capture.h"
#include "capture/qt/CaptureController.h"
#include "capture/qt/RegionPicker.h"
#include "capture/qt/ScreenGrabber.h"
#include "ocr/OCR.h"
#include "ocr/tesseract/TesseractOCR.h"
#include "sources/qt/QtImage.h"
#include "store/qt/SettingsStore.h"

#include <QApplication>
#include <QClipboard>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QMouseEvent>
#include <QPainter>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <benchmark/benchmark.h>
#include <tesseract/baseapi.h>

#include <cstdlib>
#include <future>
#include <memory>

namespace {
QApplication& app()
{
    static int argc = 1;
    static char name[] = "capture_bench";
    static char* argv[] = {name, nullptr};
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    static QApplication application(argc, argv);
    return application;
}

// Every screen shows the table at its top-left corner, at one device pixel per point.
class TableScreen final : public ScreenGrabber
{
public:
    std::optional<ScreenShot> grab(QScreen* screen) override
    {
        QImage picture(screen->geometry().size(), QImage::Format_RGB32);
        picture.fill(Qt::white);
        QPainter painter(&picture);
        painter.drawImage(0, 0, QtImage::toQImage(SelfTest::renderTable()));
        return ScreenShot{screen, screen->geometry(), picture};
    }
};

void drag(RegionPicker* picker, QPointF from, QPointF to)
{
    for (auto [type, at] : {std::pair{QEvent::MouseButtonPress, from}, std::pair{QEvent::MouseMove, to},
                            std::pair{QEvent::MouseButtonRelease, to}}) {
        QMouseEvent event(type, at, picker->mapToGlobal(at), Qt::LeftButton,
                          type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(picker, &event);
    }
}

struct Environment
{
    Environment()
    {
        app();
        ::setenv("XDG_CONFIG_HOME", qPrintable(dir.filePath("config")), 1);
        ::setenv("XDG_DATA_HOME", qPrintable(dir.filePath("data")), 1);
        ::setenv("AMBREL_PLATFORM", "x11", 1);
        Settings::registerDefaults("en-US");
        Settings::set(Settings::Key::playSound, false);
    }
    QTemporaryDir dir;
};

void BM_CaptureMouseUpToClipboard(benchmark::State& state)
{
    static Environment environment;
    CaptureController controller{std::make_unique<TableScreen>()};
    Capture capture(
        controller, [](Image image, std::vector<std::string> languages, bool correct, OCR::Completion completion) {
            TesseractRecognizer().recognize(std::move(image), std::move(languages), correct, std::move(completion));
        });
    int round = 0;
    auto once = [&] {
        QApplication::clipboard()->setText(QStringLiteral("before %1").arg(++round));
        capture.captureText();
        RegionPicker* picker = controller.pickers().front();
        // The moment the text lands on the clipboard, taken in the change signal itself: the history file, the
        // sound and the message that follow on the same turn are not part of "mouse-up to clipboard".
        QElapsedTimer timer;
        qint64 copiedAt = -1;
        QEventLoop loop;
        const auto connection = QObject::connect(QApplication::clipboard(), &QClipboard::dataChanged, [&] {
            if (copiedAt < 0 && QApplication::clipboard()->text().startsWith(QStringLiteral("| Product"))) {
                copiedAt = timer.nsecsElapsed();
                loop.quit();
            }
        });
        QTimer::singleShot(10000, &loop, &QEventLoop::quit);
        timer.start();
        drag(picker, {0, 0}, {600, 200});
        if (copiedAt < 0)
            loop.exec();
        QObject::disconnect(connection);
        QTest::qWait(0); // let the rest of the delivery finish before the next round
        return copiedAt >= 0 ? copiedAt / 1e9 : -1.0;
    };
    once(); // warm the engine of every worker that may take the job
    once();
    for (auto _ : state) {
        const double seconds = once();
        if (seconds < 0) {
            state.SkipWithError("the table never reached the clipboard");
            break;
        }
        state.SetIterationTime(seconds);
    }
}
BENCHMARK(BM_CaptureMouseUpToClipboard)->UseManualTime()->Unit(benchmark::kMillisecond)->MinTime(2);

void BM_TesseractAloneOnTheSamePixels(benchmark::State& state)
{
    app();
    const Image table = SelfTest::renderTable();
    auto once = [&] {
        std::promise<void> done;
        TesseractRecognizer().recognize(table, {"en-US"}, true, [&](OCRResult) { done.set_value(); });
        done.get_future().wait();
    };
    once();
    once();
    for (auto _ : state)
        once();
}
BENCHMARK(BM_TesseractAloneOnTheSamePixels)->UseRealTime()->Unit(benchmark::kMillisecond)->MinTime(2);

// The engine on its own: one warm TessBaseAPI, English, single-block segmentation, the raw grey pixels.
void BM_RawTesseractOnTheSamePixels(benchmark::State& state)
{
    app();
    const QImage grey = QtImage::toQImage(SelfTest::renderTable()).convertToFormat(QImage::Format_Grayscale8);
    tesseract::TessBaseAPI api;
    if (api.Init(nullptr, "eng", tesseract::OEM_LSTM_ONLY) != 0) {
        state.SkipWithError("no English traineddata");
        return;
    }
    api.SetPageSegMode(tesseract::PSM_SINGLE_BLOCK);
    auto once = [&] {
        api.SetImage(grey.constBits(), grey.width(), grey.height(), 1, static_cast<int>(grey.bytesPerLine()));
        std::unique_ptr<char[]> text{api.GetUTF8Text()};
        benchmark::DoNotOptimize(text.get());
    };
    once();
    for (auto _ : state)
        once();
}
BENCHMARK(BM_RawTesseractOnTheSamePixels)->UseRealTime()->Unit(benchmark::kMillisecond)->MinTime(2);
} // namespace

BENCHMARK_MAIN();
