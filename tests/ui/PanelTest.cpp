#include "UiTest.h"
#include "ui/qt/TrayPanel.h"

#include <QAbstractButton>
#include <QComboBox>

namespace {
TEST(PanelPlacementTest, UnderATopBarsIconAboveABottomTrayAndAlwaysSixPixelsInside)
{
    const QSize panel(300, 400);
    const QRect topBar(0, 28, 1920, 1052), bottomTray(0, 0, 1920, 1040), screen(0, 0, 1920, 1080);
    const std::vector<std::tuple<QRect, QRect, QPoint, const char*>> cases{
        {QRect(1000, 2, 24, 24), topBar, QPoint(862, 34), "centred under the icon"},
        {QRect(1900, 2, 24, 24), topBar, QPoint(1920 - 300 - 6, 34), "right edge"},
        {QRect(0, 2, 24, 24), topBar, QPoint(6, 34), "left edge"},
        {QRect(3190, 0, 10, 10), QRect(1920, 0, 1280, 1024), QPoint(1920 + 1280 - 306, 12), "a second screen's edges"},
        {QRect(1800, 1046, 24, 24), bottomTray, QPoint(1614, 1040 - 400 - 6), "above a tray at the bottom"},
        {QRect(QPoint(500, 500), QSize(0, 0)), screen, QPoint(350, 502), "an empty anchor is the pointer"},
        {QRect(QPoint(1915, 1075), QSize(0, 0)), screen, QPoint(1614, 673), "above the pointer in the corner"},
    };
    for (const auto& [anchor, available, expected, why] : cases)
        EXPECT_EQ(TrayPanel::position(anchor, panel, available), expected) << why;
    // A panel larger than the screen keeps its top left visible.
    EXPECT_EQ(TrayPanel::position(QRect(100, 0, 20, 20), QSize(900, 900), QRect(0, 0, 800, 600)), QPoint(6, 6));
}

class PanelTest : public UiTest
{
protected:
    bool hidden()
    {
        return eventually([&] { return m_panel.panel() == nullptr; });
    }

    TrayPanel m_panel;
};

TEST_F(PanelTest, FadesInAndAnActionRunsOnceThePanelIsGone)
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
    EXPECT_TRUE(eventually([&] { return m_panel.panel()->windowOpacity() == 1.0; }));
    auto* history = m_panel.panel()->findChild<QAbstractButton*>(QStringLiteral("History"));
    ASSERT_NE(history, nullptr);
    QTest::mouseClick(history, Qt::LeftButton);
    EXPECT_FALSE(m_panel.isShown()); // hiding starts at once
    EXPECT_TRUE(eventually([&] { return runs == 1; }));
    EXPECT_FALSE(ranWhileShown);
}

TEST_F(PanelTest, AClickOutsideEscapeOrToggleClosesIt)
{
    m_panel.show(QRect(100, 0, 20, 20), {});
    QTest::mouseClick(m_panel.panel(), Qt::LeftButton, {}, QPoint(-20, -20));
    EXPECT_FALSE(m_panel.isShown());
    ASSERT_TRUE(hidden());

    m_panel.show(QRect(100, 0, 20, 20), {});
    QTest::keyClick(m_panel.panel(), Qt::Key_Escape);
    ASSERT_TRUE(hidden());

    m_panel.toggle(QRect(100, 0, 20, 20), {});
    EXPECT_TRUE(m_panel.isShown());
    m_panel.toggle(QRect(100, 0, 20, 20), {});
    EXPECT_FALSE(m_panel.isShown());
    m_panel.toggle(QRect(100, 0, 20, 20), {}); // while the first still fades out
    EXPECT_TRUE(m_panel.isShown());
}

TEST_F(PanelTest, NoPermissionRowWhereTheDesktopHasNoPermission)
{
    for (const char* session : {"x11", "none", "wayland"}) { // on Wayland it counts as granted until refused
        ::setenv("AMBREL_PLATFORM", session, 1);
        m_panel.show(QRect(), {});
        EXPECT_EQ(m_panel.panel()->content()->permissionRow(), nullptr) << session;
        m_panel.hide();
        ASSERT_TRUE(hidden());
    }
}

// The capture reads the mode when it starts (CaptureTest) and formats the table by it (DeliveryTest).
TEST_F(PanelTest, OutputPickerChangesTheStoredMode)
{
    m_panel.show(QRect(), {});
    QComboBox* picker = m_panel.panel()->content()->outputPicker();
    ASSERT_EQ(picker->currentData().toInt(), static_cast<int>(Settings::OutputMode::Auto));
    picker->setFocus();
    for (int i = 0; i < 3; ++i)
        QTest::keyClick(picker, Qt::Key_Down); // Auto → Plain text → Markdown → CSV
    EXPECT_EQ(Settings::outputMode(), Settings::OutputMode::CSV);
}
} // namespace
