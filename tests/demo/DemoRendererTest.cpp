#include "demo/qt/DemoRenderer.h"

#include "DemoTestSupport.h"

#include <QGuiApplication>
#include <QImage>

#include <gif_lib.h>
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <sstream>

using DemoScript::Phase;

namespace {

// frame() and sampleImage() need a QGuiApplication; the commands make their own when there is none. Qt takes the
// arguments it understands out of argv, so each application gets its own copy.
class OffscreenApp
{
public:
    OffscreenApp()
        : m_app(m_argc, m_argv)
    {}

private:
    char m_name[11] = "demo_tests";
    char m_option[10] = "-platform";
    char m_platform[10] = "offscreen";
    char* m_argv[4] = {m_name, m_option, m_platform, nullptr};
    int m_argc = 3;
    QGuiApplication m_app;
};

std::vector<int> expectedDelays()
{
    std::vector<int> delays(6, 8);
    delays.insert(delays.end(), 11, 6);
    delays.insert(delays.end(), {25, 5, 5, 10});
    delays.insert(delays.end(), 11, 9);
    delays.push_back(140);
    return delays;
}

// Decodes one frame with giflib into RGB32 for comparison with the drawn frame.
QImage decodedFrame(const std::string& path, int index)
{
    int error = 0;
    auto close = [](GifFileType* gif) { DGifCloseFile(gif, nullptr); };
    std::unique_ptr<GifFileType, decltype(close)> gif{DGifOpenFileName(path.c_str(), &error), close};
    if (!gif || DGifSlurp(gif.get()) != GIF_OK || index >= gif->ImageCount)
        return {};
    const SavedImage& frame = gif->SavedImages[index];
    const ColorMapObject* map = frame.ImageDesc.ColorMap ? frame.ImageDesc.ColorMap : gif->SColorMap;
    QImage image(frame.ImageDesc.Width, frame.ImageDesc.Height, QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const GifColorType c = map->Colors[frame.RasterBits[y * image.width() + x]];
            image.setPixel(x, y, qRgb(c.Red, c.Green, c.Blue));
        }
    return image;
}

struct Difference
{
    double mean = 0;   // average absolute difference per channel
    double within = 0; // share of pixels no channel of which is off by more than 24
};

Difference compare(const QImage& a, const QImage& b)
{
    Difference d;
    double sum = 0;
    long close = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            const int dr = std::abs(qRed(p) - qRed(q)), dg = std::abs(qGreen(p) - qGreen(q)),
                      db = std::abs(qBlue(p) - qBlue(q));
            sum += dr + dg + db;
            close += std::max({dr, dg, db}) <= 24;
        }
    const double n = double(a.width()) * a.height();
    d.mean = sum / (3 * n);
    d.within = double(close) / n;
    return d;
}

} // namespace

TEST(DemoRendererTest, DemoGifHas33LoopingFramesWithTheScheduledDelays)
{
    TempDir dir;
    const std::string path = dir.file("demo.gif");
    std::ostringstream out, err;
    ASSERT_EQ(DemoRenderer::run(path, out, err), 0) << err.str();
    EXPECT_EQ(out.str(), "✓ Wrote demo GIF (33 frames) to " + path + "\n");
    EXPECT_EQ(err.str(), "");

    std::string expected = "screen 760 480\nloop 0\n";
    int total = 0;
    for (int delay : expectedDelays()) {
        expected += "frame 760 480 " + std::to_string(delay) + "\n";
        total += delay;
    }
    expected += "end\n";
    EXPECT_EQ(
        runCommand("/usr/bin/python3 " + quoted(AMBREL_SOURCE_DIR "/tests/demo/gif_blocks.py") + " " + quoted(path))
            .out,
        expected);
    EXPECT_EQ(total, 398);

    if (std::filesystem::exists("/usr/bin/identify")) {
        // A second decoder that plays GIFs for a living: ImageMagick reads the same frames, sizes and delays.
        const CommandOutput identify = runCommand("/usr/bin/identify -format '%T %wx%h\\n' " + quoted(path));
        std::string lines;
        for (int delay : expectedDelays())
            lines += std::to_string(delay) + " 760x480\n";
        EXPECT_EQ(identify.out, lines);
    }
}

TEST(DemoRendererTest, GifFramesMatchTheDrawnFrames)
{
    TempDir dir;
    const std::string path = dir.file("demo.gif");
    std::ostringstream out, err;
    const OffscreenApp app;
    ASSERT_EQ(DemoRenderer::run(path, out, err), 0) << err.str();

    const std::pair<int, std::pair<Phase, double>> checks[] = {
        {0, {Phase::Source, 0}}, {12, {Phase::Drag, 0.6}}, {19, {Phase::Flash, 0.4}}, {32, {Phase::Result, 1}}};
    for (const auto& [index, step] : checks) {
        const QImage drawn = DemoRenderer::frame(step.first, step.second).convertToFormat(QImage::Format_RGB32);
        const QImage decoded = decodedFrame(path, index);
        ASSERT_EQ(decoded.size(), drawn.size()) << "frame " << index;
        const Difference d = compare(drawn, decoded);
        EXPECT_LT(d.mean, 1.5) << "frame " << index;
        EXPECT_GT(d.within, 0.999) << "frame " << index;
        // The desktop gradient left of the window is reproduced exactly: no bands.
        for (int y = 0; y < 480; ++y)
            ASSERT_EQ(decoded.pixel(8, y), drawn.pixel(8, y)) << "frame " << index << " row " << y;
    }
}

TEST(DemoRendererTest, FramesShowTheirPhase)
{
    const OffscreenApp app;
    const QImage source = DemoRenderer::frame(Phase::Source, 0);
    EXPECT_EQ(source.size(), QSize(760, 480));
    // The selection dims everything outside the box and leaves the table inside it as bright as before.
    const QImage drag = DemoRenderer::frame(Phase::Drag, 1.0);
    EXPECT_LT(qRed(drag.pixel(20, 20)), qRed(source.pixel(20, 20)));
    EXPECT_EQ(drag.pixel(400, 300), source.pixel(400, 300));
    EXPECT_EQ(DemoRenderer::frame(Phase::Flash, 1.0).pixel(5, 5), qRgb(255, 255, 255));
    // The first result frame shows one Markdown line, the last all six.
    EXPECT_NE(DemoRenderer::frame(Phase::Result, 0), DemoRenderer::frame(Phase::Result, 1.0));
}

TEST(DemoRendererTest, GifInMissingFolderFailsWithItsMessage)
{
    TempDir dir;
    const std::string path = dir.file("no/such/folder/demo.gif");
    std::ostringstream out, err;
    EXPECT_EQ(DemoRenderer::run(path, out, err), 1);
    EXPECT_EQ(err.str(), "Could not create GIF at " + path + "\n");
    EXPECT_EQ(out.str(), "");
    EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
}

TEST(DemoRendererTest, SamplePngThatCannotBeWrittenFailsClearly)
{
    TempDir dir;
    for (const std::string& path : {dir.file("missing/sample.png"), dir.path().string()}) {
        std::ostringstream out, err;
        EXPECT_EQ(DemoRenderer::writeSamplePNG(path, out, err), 1) << path;
        EXPECT_EQ(err.str().rfind("Ambrel: could not write " + path, 0), 0u) << err.str();
        EXPECT_EQ(out.str(), "");
    }
    EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
}

// The whole product on its own sample: drawn, recognized and rebuilt as a table. The title and the invoice number
// above the table are text rows of their own, so they come first, each in its first cell.
TEST(DemoRendererTest, SampleReadsBackAsTheInvoiceCsv)
{
    TempDir dir;
    const std::string png = dir.file("sample.png");
    const std::string ambrel = quoted(AMBREL_EXECUTABLE);
    ASSERT_EQ(runCommand(ambrel + " --make-sample " + quoted(png)).status, 0);
    const CommandOutput csv = runCommand(ambrel + " --ocr " + quoted(png) + " --mode csv");
    EXPECT_EQ(csv.status, 0);
    const std::string table = "Item,Qty,Price\n"
                              "Wireless Mouse,2,29.00\n"
                              "\"27\"\" Monitor\",1,199.50\n"
                              "USB-C Cable,5,8.25\n"
                              "Keyboard,1,89.00\n";
    EXPECT_TRUE(csv.out.ends_with(table)) << csv.out;
    EXPECT_TRUE(csv.out.starts_with("INVOICE,,\n")) << csv.out;
}
