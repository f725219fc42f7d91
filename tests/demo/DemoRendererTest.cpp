#include "demo/qt/DemoRenderer.h"

#include "DemoTestSupport.h"
#include "ocr/engines/Drawn.h"

#include <QImage>

#include <gtest/gtest.h>

#include <cmath>
#include <sstream>

using DemoScript::Phase;
using TestSupport::TempDir;

// The schedule stored in hundredths: 0.055 s frames round up to 6, not to the even 5.
TEST(DemoRendererTest, DemoGifPlaysTheScheduleAndShowsTheDrawnFrames)
{
    TempDir dir;
    const std::string path = (dir / "demo.gif").string();
    std::ostringstream out, err;
    ASSERT_EQ(DemoRenderer::run(path, out, err), 0) << err.str(); // without an application of our own
    EXPECT_EQ(out.str(), "✓ Wrote demo GIF (33 frames) to " + path + "\n");
    EXPECT_EQ(err.str(), "");

    std::vector<int> delays(6, 8);
    delays.insert(delays.end(), 11, 6);
    delays.insert(delays.end(), {25, 5, 5, 10});
    delays.insert(delays.end(), 11, 9);
    delays.push_back(140);
    // The frames' sizes and delays as a GIF player reads them; giflib then decodes the pixels.
    std::string blocks = "screen 760 480\nloop 0\n";
    for (int delay : delays)
        blocks += "frame 760 480 " + std::to_string(delay) + "\n";
    EXPECT_EQ(gifBlocks(path), blocks + "end\n");

    Drawn::ensureApplication(); // frame() needs one; the command above made and ended its own
    const std::vector<DecodedFrame> frames = decodeGif(path);
    ASSERT_EQ(frames.size(), delays.size());
    const std::pair<int, std::pair<Phase, double>> checks[] = {
        {0, {Phase::Source, 0}}, {12, {Phase::Drag, 0.6}}, {19, {Phase::Flash, 0.4}}, {32, {Phase::Result, 1}}};
    for (const auto& [index, step] : checks) {
        SCOPED_TRACE(index);
        const QImage drawn = DemoRenderer::frame(step.first, step.second).convertToFormat(QImage::Format_RGB32);
        const DecodedFrame& decoded = frames[std::size_t(index)];
        ASSERT_EQ(QSize(decoded.width, decoded.height), drawn.size());
        double sum = 0;
        long close = 0;
        for (int y = 0; y < drawn.height(); ++y)
            for (int x = 0; x < drawn.width(); ++x) {
                const QRgb p = drawn.pixel(x, y);
                const auto& q = decoded.rgb[std::size_t(y * decoded.width + x)];
                const int d[] = {std::abs(qRed(p) - q[0]), std::abs(qGreen(p) - q[1]), std::abs(qBlue(p) - q[2])};
                sum += d[0] + d[1] + d[2];
                close += std::max({d[0], d[1], d[2]}) <= 24;
                // The desktop gradient left of the window is reproduced exactly: no bands.
                if (x == 8) {
                    ASSERT_EQ(std::max({d[0], d[1], d[2]}), 0) << "row " << y;
                }
            }
        const double pixels = double(drawn.width()) * drawn.height();
        EXPECT_LT(sum / (3 * pixels), 1.5);
        EXPECT_GT(double(close) / pixels, 0.999);
    }
}

TEST(DemoRendererTest, FramesShowTheirPhase)
{
    Drawn::ensureApplication();
    const QImage source = DemoRenderer::frame(Phase::Source, 0);
    // The selection dims everything outside the box and leaves the table inside it as bright as before.
    const QImage drag = DemoRenderer::frame(Phase::Drag, 1.0);
    EXPECT_LT(qRed(drag.pixel(20, 20)), qRed(source.pixel(20, 20)));
    EXPECT_EQ(drag.pixel(400, 300), source.pixel(400, 300));
    EXPECT_EQ(DemoRenderer::frame(Phase::Flash, 1.0).pixel(5, 5), qRgb(255, 255, 255));
    // The first result frame shows one Markdown line, the last all six.
    EXPECT_NE(DemoRenderer::frame(Phase::Result, 0), DemoRenderer::frame(Phase::Result, 1.0));
}

TEST(DemoRendererTest, PicturesThatCannotBeWrittenFailClearlyAndLeaveNothing)
{
    TempDir dir;
    std::ostringstream out, err;
    const std::string gif = (dir / "no/such/folder/demo.gif").string();
    EXPECT_EQ(DemoRenderer::run(gif, out, err), 1);
    EXPECT_EQ(err.str(), "Could not create GIF at " + gif + "\n");
    for (const std::string& png : {(dir / "missing/sample.png").string(), dir.path().string()}) {
        err.str("");
        EXPECT_EQ(DemoRenderer::writeSamplePNG(png, out, err), 1) << png;
        EXPECT_EQ(err.str().rfind("Ambrel: could not write " + png, 0), 0u) << err.str();
    }
    EXPECT_EQ(out.str(), "");
    EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
}

// The whole product on its own sample: drawn, recognized and rebuilt as a table. The title and the invoice number
// above the table are text rows of their own, so they come first, each in its first cell.
TEST(DemoRendererTest, SampleReadsBackAsTheInvoiceCsv)
{
    TempDir dir;
    const std::string png = (dir / "sample.png").string();
    ASSERT_EQ(TestSupport::run(AMBREL_EXECUTABLE, {"--make-sample", png}).status, 0);
    const TestSupport::Outcome csv = TestSupport::run(AMBREL_EXECUTABLE, {"--ocr", png, "--mode", "csv"});
    EXPECT_EQ(csv.status, 0) << csv.err;
    EXPECT_TRUE(csv.out.starts_with("INVOICE,,\n")) << csv.out;
    EXPECT_TRUE(csv.out.ends_with("Item,Qty,Price\n"
                                  "Wireless Mouse,2,29.00\n"
                                  "\"27\"\" Monitor\",1,199.50\n"
                                  "USB-C Cable,5,8.25\n"
                                  "Keyboard,1,89.00\n"))
        << csv.out;
}
