#include "ui/qt/HUD.h"

#include "QtTestApp.h"

#include <QFontMetrics>
#include <QPointer>
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
    EXPECT_GT(second->width(), QFontMetrics(second->font()).size(Qt::TextSingleLine, message).width()); // not cut

    // The second message fades out and closes by itself, and only then is no message current.
    EXPECT_TRUE(QTest::qWaitFor([&] { return HUD::current() == nullptr; }, 5000));
    EXPECT_TRUE(QTest::qWaitFor([&] { return second.isNull(); }, 2000));
}
