#include "UiTest.h"
#include "capture/FakeScreens.h"
#include "capture/TableResult.h"
#include "capture/qt/Capture.h"
#include "capture/qt/CaptureController.h"
#include "capture/qt/RegionPicker.h"
#include "ui/qt/TrayPanel.h"

#include <QAbstractButton>
#include <QClipboard>
#include <QComboBox>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QTest>

#include <thread>

namespace {
using Controller = TrayPanel;
const QSize panelSize(300, 400);

TEST(PanelPlacementTest, CentresUnderTheIconOfATopBar)
{
    const QRect available(0, 28, 1920, 1052);
    EXPECT_EQ(Controller::position(QRect(1000, 2, 24, 24), panelSize, available), QPoint(862, 34));
}

TEST(PanelPlacementTest, StaysSixPixelsInsideTheEdges)
{
    const QRect available(0, 28, 1920, 1052);
    EXPECT_EQ(Controller::position(QRect(1900, 2, 24, 24), panelSize, available).x(), 1920 - 300 - 6);
    EXPECT_EQ(Controller::position(QRect(0, 2, 24, 24), panelSize, available).x(), 6);
    // A second screen to the right: its own edges count, not the desktop's.
    const QRect second(1920, 0, 1280, 1024);
    EXPECT_EQ(Controller::position(QRect(3190, 0, 10, 10), panelSize, second), QPoint(1920 + 1280 - 306, 12));
}

TEST(PanelPlacementTest, GoesAboveATrayAtTheBottom)
{
    const QRect available(0, 0, 1920, 1040);
    EXPECT_EQ(Controller::position(QRect(1800, 1046, 24, 24), panelSize, available),
              QPoint(1614, 1040 - 400 - 6)); // above the icon, and 6 px above the bottom edge
}

TEST(PanelPlacementTest, AnEmptyAnchorIsThePointer)
{
    const QRect available(0, 0, 1920, 1080);
    EXPECT_EQ(Controller::position(QRect(QPoint(500, 500), QSize(0, 0)), panelSize, available), QPoint(350, 502));
    // Near the bottom right corner the panel goes above the pointer and stays inside.
    EXPECT_EQ(Controller::position(QRect(QPoint(1915, 1075), QSize(0, 0)), panelSize, available), QPoint(1614, 673));
}

TEST(PanelPlacementTest, APanelLargerThanTheScreenKeepsItsTopLeftVisible)
{
    EXPECT_EQ(Controller::position(QRect(100, 0, 20, 20), QSize(900, 900), QRect(0, 0, 800, 600)), QPoint(6, 6));
}

class PanelTest : public UiTest
{
protected:
    QAbstractButton* button(const QString& title) const
    {
        return m_panel.panel() ? m_panel.panel()->findChild<QAbstractButton*>(title) : nullptr;
    }

    TrayPanel m_panel;
};

TEST_F(PanelTest, FadesInAndEveryActionRunsOnceThePanelIsGone)
{
    bool ranWhileShown = true;
    int runs = 0;
    PanelActions actions;
    actions.openHistory = [&] {
        ranWhileShown = m_panel.panel() != nullptr;
        ++runs;
    };
    m_panel.show(QRect(), actions);
    ASSERT_TRUE(m_panel.isShown());
    QTRY_COMPARE(m_panel.panel()->windowOpacity(), 1.0);

    ASSERT_NE(button(QStringLiteral("History")), nullptr);
    QTest::mouseClick(button(QStringLiteral("History")), Qt::LeftButton);
    EXPECT_FALSE(m_panel.isShown()); // hiding starts at once
    QTRY_COMPARE(runs, 1);
    EXPECT_FALSE(ranWhileShown);
}

TEST_F(PanelTest, AClickOutsideOrEscapeClosesIt)
{
    m_panel.show(QRect(100, 0, 20, 20), {});
    PanelPopup* panel = m_panel.panel();
    ASSERT_NE(panel, nullptr);
    QTest::mouseClick(panel, Qt::LeftButton, {}, QPoint(-20, -20));
    EXPECT_FALSE(m_panel.isShown());
    QTRY_VERIFY(m_panel.panel() == nullptr);

    m_panel.show(QRect(100, 0, 20, 20), {});
    QTest::keyClick(m_panel.panel(), Qt::Key_Escape);
    QTRY_VERIFY(m_panel.panel() == nullptr);
}

TEST_F(PanelTest, ToggleHidesAShownPanelAndShowsAHiddenOne)
{
    m_panel.toggle(QRect(100, 0, 20, 20), {});
    EXPECT_TRUE(m_panel.isShown());
    m_panel.toggle(QRect(100, 0, 20, 20), {});
    EXPECT_FALSE(m_panel.isShown());
    m_panel.toggle(QRect(100, 0, 20, 20), {}); // while the first still fades out
    EXPECT_TRUE(m_panel.isShown());
}

TEST_F(PanelTest, NoPermissionRowWhereTheDesktopHasNoPermission)
{
    for (const char* session :
         {"x11", "none", "wayland"}) { // on Wayland the permission counts as granted until refused
        ::setenv("AMBREL_PLATFORM", session, 1);
        m_panel.show(QRect(), {});
        EXPECT_EQ(m_panel.panel()->content()->permissionRow(), nullptr) << session;
        m_panel.hide();
        QTRY_VERIFY(m_panel.panel() == nullptr);
    }
}

TEST_F(PanelTest, OutputPickerChangesTheNextCapturesMode)
{
    m_panel.show(QRect(), {});
    QComboBox* picker = m_panel.panel()->content()->outputPicker();
    ASSERT_EQ(picker->currentData().toInt(), static_cast<int>(Settings::OutputMode::Auto));
    picker->setFocus();
    for (int i = 0; i < 3; ++i)
        QTest::keyClick(picker, Qt::Key_Down); // Auto → Plain text → Markdown → CSV
    EXPECT_EQ(Settings::outputMode(), Settings::OutputMode::CSV);
    m_panel.hide();
    QTRY_VERIFY(m_panel.panel() == nullptr);

    CaptureController controller(std::make_unique<FakeGrabber>());
    Capture capture(controller, [](Image, std::vector<std::string>, bool, OCR::Completion completion) {
        std::thread([completion = std::move(completion)] { completion(TableResult::table()); }).detach();
    });
    capture.captureText();
    QTRY_VERIFY(controller.isSelecting());
    RegionPicker* region = controller.pickers().front();
    for (auto [type, at] :
         {std::pair{QEvent::MouseButtonPress, QPointF(5, 5)}, std::pair{QEvent::MouseMove, QPointF(200, 150)},
          std::pair{QEvent::MouseButtonRelease, QPointF(200, 150)}}) {
        QMouseEvent event(type, at, region->mapToGlobal(at), Qt::LeftButton,
                          type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(region, &event);
    }
    QTRY_VERIFY(QGuiApplication::clipboard()->text().startsWith(QStringLiteral("Item,Price")));
}
} // namespace
