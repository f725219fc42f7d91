#include "ui/qt/HUD.h"

#include "QtTestApp.h"

#include <QFontMetrics>
#include <QPointer>
#include <QScreen>
#include <QTest>
#include <QWidget>

#include <gtest/gtest.h>

TEST(HUDTest, NewMessageReplacesTheOldOneAtOnceAndKeepsItsFullTime)
{
    testApp();
    HUD::show(QStringLiteral("first"));
    QPointer<QWidget> first = HUD::current();
    ASSERT_TRUE(first);
    EXPECT_TRUE(first->isVisible());

    const QString message = QStringLiteral("✓ Copied table (Markdown) + QR, a longer message");
    HUD::show(message);
    QPointer<QWidget> second = HUD::current();
    ASSERT_TRUE(second);
    EXPECT_NE(first.data(), second.data());
    EXPECT_TRUE(!first || !first->isVisible()); // gone at once, no fade
    EXPECT_TRUE(second->isVisible());

    // Text width + 40 wide, centred, its bottom edge 18 % of the screen height above the screen's bottom.
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    const int textWidth = QFontMetrics(second->font()).size(Qt::TextSingleLine, message).width();
    EXPECT_EQ(second->width(), textWidth + 2 * HUD::paddingX);
    EXPECT_NEAR(second->geometry().center().x(), screen.center().x(), 1);
    EXPECT_NEAR(second->geometry().bottom() + 1, screen.bottom() + 1 - 0.18 * screen.height(), 1);

    // The second message fades out and closes by itself, and only then is no message current.
    EXPECT_TRUE(QTest::qWaitFor([&] { return HUD::current() == nullptr; }, 5000));
    EXPECT_TRUE(QTest::qWaitFor([&] { return second.isNull(); }, 2000));
}
