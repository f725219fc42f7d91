#include "capture/qt/RegionPicker.h"

#include "FakeScreens.h"
#include "PickerDrag.h"
#include "QtTestApp.h"

#include <QTest>

#include <gtest/gtest.h>

namespace {
struct Outcome
{
    int calls = 0;
    std::optional<QRectF> rect;
};

// A picker for a 200 × 100 point screen placed at (1000, 50) on the desktop, pictured at 2 × density.
std::unique_ptr<RegionPicker> picker(Outcome& outcome)
{
    testApp();
    ScreenShot shot{nullptr, QRect(1000, 50, 200, 100), fakeScreenImage(QSize(200, 100), 2)};
    return std::make_unique<RegionPicker>(std::move(shot), [&outcome](RegionPicker*, std::optional<QRectF> rect) {
        ++outcome.calls;
        outcome.rect = rect;
    });
}
} // namespace

// The crop at each screen's density is the two-screen test's to check.
TEST(RegionPickerTest, DragReportsTheGlobalBoxOnce)
{
    Outcome outcome;
    auto window = picker(outcome);
    dragOver(window.get(), {30, 30}, {10, 10}); // bottom-right to top-left
    ASSERT_EQ(outcome.calls, 1);
    ASSERT_TRUE(outcome.rect);
    EXPECT_EQ(*outcome.rect, QRectF(1010, 60, 20, 20));
    // A second release does not report again.
    mouse(window.get(), QEvent::MouseButtonRelease, {50, 50});
    EXPECT_EQ(outcome.calls, 1);
}

// Which boxes are too small is the selection rules' to say (SelectionTest); here, that a click reports a cancel.
TEST(RegionPickerTest, AClickAndEscapeCancel)
{
    Outcome clicked;
    auto window = picker(clicked);
    dragOver(window.get(), {5, 5}, {5, 5});
    EXPECT_EQ(clicked.calls, 1);
    EXPECT_FALSE(clicked.rect);

    Outcome escaped;
    window = picker(escaped);
    QTest::keyClick(window.get(), Qt::Key_A);
    EXPECT_EQ(escaped.calls, 0);
    QTest::keyClick(window.get(), Qt::Key_Escape);
    EXPECT_EQ(escaped.calls, 1);
    EXPECT_FALSE(escaped.rect);
}

TEST(RegionPickerTest, DarkensAllButTheBox)
{
    Outcome outcome;
    auto window = picker(outcome);
    window->resize(200, 100);
    mouse(window.get(), QEvent::MouseButtonPress, {50, 20});
    mouse(window.get(), QEvent::MouseMove, {150, 80});
    const QImage drawn = window->grab().toImage();
    const auto at = [&](int x, int y) {
        return drawn.pixelColor(int(x * drawn.devicePixelRatio()), int(y * drawn.devicePixelRatio()));
    };
    EXPECT_EQ(at(100, 50), QColor(Qt::white));             // cut out of the darkening
    EXPECT_NEAR(at(180, 90).red(), qRound(255 * 0.72), 2); // white under black at alpha 0.28
    EXPECT_EQ(at(20, 20).green(), 0);                      // the red square, darkened too
    EXPECT_NEAR(at(20, 20).red(), qRound(255 * 0.72), 2);
    // The outline, anti-aliased: much nearer the highlight colour than the white inside.
    const QColor outline = at(50, 50);
    const auto distance = [](QColor a, QColor b) {
        return std::abs(a.red() - b.red()) + std::abs(a.green() - b.green()) + std::abs(a.blue() - b.blue());
    };
    EXPECT_LT(distance(outline, window->palette().color(QPalette::Highlight)), distance(outline, Qt::white) / 2);
}
