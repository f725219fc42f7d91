// Two screens side by side with different densities, through the offscreen platform's screen configuration: a box
// on the second screen is reported at its place on the desktop and cropped at that screen's own pixel density.
#include "FakeScreens.h"
#include "PickerDrag.h"
#include "capture/qt/CaptureController.h"
#include "capture/qt/RegionPicker.h"

#include <QApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <cstdlib>

namespace {
QApplication& twoScreenApp()
{
    static QTemporaryDir dir;
    static QApplication* app = [] {
        const QString config = dir.filePath("screens.json");
        QFile file(config);
        file.open(QIODevice::WriteOnly);
        file.write(R"({"screens": [
            {"name": "left", "x": 0, "y": 0, "width": 800, "height": 600, "logicalDpi": 96, "dpr": 1},
            {"name": "right", "x": 800, "y": 100, "width": 640, "height": 480, "logicalDpi": 96, "dpr": 2}]})");
        file.close();
        ::setenv("QT_QPA_PLATFORM", qPrintable(QStringLiteral("offscreen:configfile=") + config), 1);
        static int argc = 1;
        static char name[] = "capture_screens_tests";
        static char* argv[] = {name, nullptr};
        return new QApplication(argc, argv);
    }();
    return *app;
}

std::optional<CaptureController::Picked> pick(int screen, QPointF from, QPointF to)
{
    CaptureController controller{std::make_unique<FakeGrabber>(true, 0)};
    std::optional<std::optional<CaptureController::Picked>> outcome;
    EXPECT_TRUE(controller.beginSelection([&](std::optional<CaptureController::Picked> picked) { outcome = picked; }));
    const std::vector<RegionPicker*> pickers = controller.pickers();
    EXPECT_EQ(pickers.size(), 2u);
    if (pickers.size() != 2)
        return std::nullopt;
    EXPECT_EQ(pickers[1]->geometry(), QRect(800, 100, 640, 480));
    dragOver(pickers[size_t(screen)], from, to);
    EXPECT_TRUE(QTest::qWaitFor([&] { return outcome.has_value(); }, 2000));
    return outcome.value_or(std::nullopt);
}
} // namespace

TEST(TwoScreensTest, BoxIsPlacedOnTheDesktopAndCroppedAtItsScreensDensity)
{
    twoScreenApp();
    struct Case
    {
        int screen;
        QRectF global;
        int side; // device pixels of the 20-point box
    };
    for (const Case& c : {Case{1, QRectF(810, 110, 20, 20), 40}, Case{0, QRectF(10, 10, 20, 20), 20}}) {
        SCOPED_TRACE(c.screen);
        const auto picked = pick(c.screen, {30, 30}, {10, 10});
        ASSERT_TRUE(picked);
        EXPECT_EQ(picked->globalRect, c.global);
        ASSERT_TRUE(picked->image);
        EXPECT_EQ(picked->image->width, c.side);
        EXPECT_EQ(picked->image->height, c.side);
        // The red square of that screen's picture, edge to edge.
        EXPECT_NEAR(picked->image->grey(0, 0), 76, 2);
        EXPECT_NEAR(picked->image->grey(c.side - 1, c.side - 1), 76, 2);
    }
}
