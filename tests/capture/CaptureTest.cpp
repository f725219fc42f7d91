#include "capture/qt/Capture.h"

#include "FakeScreens.h"
#include "PickerDrag.h"
#include "QtTestApp.h"
#include "TableResult.h"
#include "capture/qt/CaptureController.h"
#include "capture/qt/RegionPicker.h"
#include "store/qt/HistoryStore.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

using CaptureTest = X11HomeTest;

TEST_F(CaptureTest, TableRegionEndsOnClipboardHistoryAndMessage)
{
    auto* grabber = new FakeGrabber;
    CaptureController controller{std::unique_ptr<ScreenGrabber>(grabber)};
    FakeRecognizer recognizer{TableResult::table()};
    Capture capture(controller, recognizer.function());
    QSignalSpy messages(&capture, &Capture::messageShown);

    capture.captureText();
    EXPECT_TRUE(capture.busy());
    ASSERT_EQ(controller.pickers().size(), size_t(QGuiApplication::screens().size()));
    capture.captureText(); // a second press during the selection opens nothing new
    EXPECT_EQ(controller.pickers().size(), size_t(QGuiApplication::screens().size()));
    EXPECT_EQ(grabber->grabs, QGuiApplication::screens().size());

    dragOver(controller.pickers().front(), {5, 5}, {45, 35});
    EXPECT_FALSE(controller.isSelecting());
    ASSERT_TRUE(QTest::qWaitFor([&] { return messages.count() == 1; }, 5000));
    EXPECT_FALSE(capture.busy());
    EXPECT_EQ(messages.at(0).at(0).toString(), QStringLiteral("✓ Copied table"));
    ASSERT_EQ(recognizer.images.size(), 1u);
    EXPECT_EQ(recognizer.images[0].width, 80); // 40 points at the fake screens' 2 × density
    EXPECT_EQ(recognizer.images[0].height, 60);
    EXPECT_TRUE(recognizer.corrections[0]);
    EXPECT_TRUE(QGuiApplication::clipboard()->text().startsWith(QStringLiteral("| Item")));
    ASSERT_FALSE(HistoryStore::shared().items().empty());
    EXPECT_TRUE(HistoryStore::shared().items().front().isTable);
}

TEST_F(CaptureTest, BlankRegionKeepsTheClipboard)
{
    CaptureController controller{std::make_unique<FakeGrabber>()};
    FakeRecognizer recognizer; // finds nothing
    Capture capture(controller, recognizer.function());
    QSignalSpy messages(&capture, &Capture::messageShown);
    QGuiApplication::clipboard()->setText(QStringLiteral("before"));
    Settings::set(Settings::Key::outputMode, 4);
    const std::size_t kept = HistoryStore::shared().items().size();

    capture.captureText();
    dragOver(controller.pickers().front(), {100, 100}, {200, 150});
    ASSERT_TRUE(QTest::qWaitFor([&] { return messages.count() == 1; }, 5000));
    EXPECT_EQ(messages.at(0).at(0).toString(), QStringLiteral("No text found"));
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("before"));
    EXPECT_EQ(HistoryStore::shared().items().size(), kept);
    EXPECT_FALSE(recognizer.corrections.at(0)); // the code mode reads without language correction
}

TEST_F(CaptureTest, CancelAndFailedGrabClearBusy)
{
    CaptureController controller{std::make_unique<FakeGrabber>()};
    FakeRecognizer recognizer;
    Capture capture(controller, recognizer.function());
    QSignalSpy messages(&capture, &Capture::messageShown);
    capture.captureText();
    QTest::keyClick(controller.pickers().front(), Qt::Key_Escape);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !capture.busy(); }, 2000));
    EXPECT_TRUE(recognizer.images.empty());
    EXPECT_EQ(messages.count(), 0);

    CaptureController broken{std::make_unique<FakeGrabber>(false)};
    Capture failing(broken, recognizer.function());
    QSignalSpy failures(&failing, &Capture::messageShown);
    failing.captureText();
    EXPECT_FALSE(broken.isSelecting());
    ASSERT_TRUE(QTest::qWaitFor([&] { return failures.count() == 1; }, 2000));
    EXPECT_EQ(failures.at(0).at(0).toString(), QStringLiteral("Couldn’t capture that region"));
    EXPECT_FALSE(failing.busy());
}

TEST_F(CaptureTest, WithoutScreenAccessNothingOpens)
{
    ::setenv("AMBREL_PLATFORM", "none", 1);
    CaptureController controller{std::make_unique<FakeGrabber>()};
    Capture capture(controller, FakeRecognizer{}.function());
    QSignalSpy messages(&capture, &Capture::messageShown);
    capture.captureText();
    EXPECT_FALSE(controller.isSelecting());
    EXPECT_FALSE(capture.busy());
    ASSERT_EQ(messages.count(), 1);
    EXPECT_EQ(messages.at(0).at(0).toString(), QStringLiteral("Allow screen capture, then try again"));
}
