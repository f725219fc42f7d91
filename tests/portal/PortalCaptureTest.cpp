// Screen capture through the Screenshot portal: the fake portal answers with a known picture, refuses, or reports
// a cancelled prompt, and the capture flow runs on to the clipboard or to its permission message.
#include "FakePortal.h"
#include "capture/PickerDrag.h"
#include "capture/TableResult.h"
#include "capture/portal/PortalScreenshot.h"
#include "capture/qt/Capture.h"
#include "capture/qt/CaptureController.h"
#include "capture/qt/Platform.h"
#include "capture/qt/RegionPicker.h"
#include "sources/qt/QtImage.h"
#include "ui/qt/HUD.h"

#include <QClipboard>
#include <QFile>
#include <QGuiApplication>
#include <QPainter>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

namespace {
const QString permissionMessage = QStringLiteral("Allow screen capture, then try again");

// What the recognizer stand-in answers.
OCRResult portalText()
{
    using TableResult::run;
    OCRResult result;
    result.lines = {run("Portal text", 0, 0, 100)};
    result.words = {run("Portal", 0, 0, 50), run("text", 55, 0, 45)};
    return result;
}

class PortalCaptureTest : public PortalTest
{
protected:
    void SetUp() override
    {
        PortalTest::SetUp();
        Permissions::setSettingsOpener([this] { ++m_settingsOpened; });
    }

    void TearDown() override
    {
        Permissions::setSettingsOpener(nullptr);
        PortalTest::TearDown();
    }

    // The desktop at twice the screen's logical size, as on a high-density display: white, with a red block
    // under the logical rectangle (100, 100, 100, 50).
    QString writeDesktop()
    {
        const QRect screen = QGuiApplication::primaryScreen()->geometry();
        QImage desktop(screen.size() * 2, QImage::Format_RGB32);
        desktop.fill(Qt::white);
        QPainter(&desktop).fillRect(QRect(200, 200, 200, 100), Qt::red);
        const QString path = m_dir.filePath("desktop.png");
        EXPECT_TRUE(desktop.save(path));
        return path;
    }

    // What the application does on the shortcut: the portal's picture first, then the capture command.
    void startCapture(Capture& capture)
    {
        Platform::prepareCapture([&capture] { capture.captureText(); });
    }

    // With a good answer the pickers open; Escape closes them again.
    void captureAndCancel(CaptureController& controller, Capture& capture)
    {
        m_portal->setModes(QStringLiteral("bind"), QStringLiteral("file"));
        m_portal->setScreenshotAnswer(0, writeDesktop());
        startCapture(capture);
        ASSERT_TRUE(eventually([&] { return controller.isSelecting(); }));
        EXPECT_TRUE(Permissions::screenRecordingGranted());
        QTest::keyClick(controller.pickers().front(), Qt::Key_Escape);
        ASSERT_TRUE(eventually([&] { return !capture.busy(); }));
    }

    int m_settingsOpened = 0;
};
} // namespace

TEST_F(PortalCaptureTest, PictureGoesThroughThePickerToTheClipboardAtDevicePixels)
{
    m_portal->setScreenshotAnswer(0, writeDesktop());
    CaptureController controller{std::make_unique<PortalScreenGrabber>()};
    FakeRecognizer recognizer{portalText()};
    Capture capture(controller, recognizer.function());
    QGuiApplication::clipboard()->setText(QStringLiteral("before"));

    startCapture(capture);
    startCapture(capture); // a second press while the portal answers asks nothing more
    ASSERT_TRUE(eventually([&] { return controller.isSelecting(); }));
    const std::vector<RegionPicker*> pickers = controller.pickers();
    ASSERT_EQ(pickers.size(), size_t(QGuiApplication::screens().size()));
    EXPECT_EQ(pickers.front()->shot().image.size(), QGuiApplication::primaryScreen()->geometry().size() * 2);
    EXPECT_EQ(m_portal->calls().count(QStringLiteral("Screenshot interactive=False")), 1);
    // The portal's file held the whole desktop: it is gone once read.
    const QString written = m_portal->lastScreenshotFile();
    ASSERT_FALSE(written.isEmpty());
    EXPECT_FALSE(QFile::exists(written));

    dragOver(pickers.front(), QPointF(100, 100), QPointF(200, 150));
    ASSERT_TRUE(eventually([&] { return QGuiApplication::clipboard()->text() == QLatin1String("Portal text"); }));
    ASSERT_EQ(recognizer.images.size(), 1u);
    const QImage region = QtImage::toQImage(recognizer.images.front());
    ASSERT_EQ(region.size(), QSize(200, 100)); // device pixels, not the 100 × 50 points
    for (QPoint at : {QPoint(0, 0), QPoint(199, 0), QPoint(0, 99), QPoint(199, 99), QPoint(100, 50)})
        EXPECT_EQ(QColor(region.pixel(at)), QColor(Qt::red)) << at.x() << "," << at.y();
    EXPECT_TRUE(Permissions::screenRecordingGranted());
    EXPECT_FALSE(capture.busy());
}

TEST_F(PortalCaptureTest, RefusalAndCancellationShowThePermissionMessageAndNoPicker)
{
    CaptureController controller{std::make_unique<PortalScreenGrabber>()};
    FakeRecognizer recognizer;
    Capture capture(controller, recognizer.function());
    QSignalSpy messages(&capture, &Capture::messageShown);
    QGuiApplication::clipboard()->setText(QStringLiteral("kept"));

    for (unsigned response : {2u, 1u}) {
        SCOPED_TRACE(response);
        messages.clear();
        m_settingsOpened = 0;
        m_portal->setScreenshotAnswer(response);
        startCapture(capture);
        ASSERT_TRUE(eventually([&] { return messages.count() > 0; }));
        EXPECT_EQ(messages.takeFirst().at(0).toString(), permissionMessage);
        EXPECT_FALSE(controller.isSelecting());
        EXPECT_FALSE(capture.busy());
        EXPECT_FALSE(Permissions::screenRecordingGranted());
        // No window of ours had the focus: the window that can ask is opened instead of a prompt nobody sees.
        EXPECT_EQ(m_settingsOpened, 1);
    }
    EXPECT_TRUE(recognizer.images.empty());
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("kept"));

    // Granted on the next try: the capture goes ahead, and the permission reads as granted again.
    ASSERT_NO_FATAL_FAILURE(captureAndCancel(controller, capture));
    EXPECT_TRUE(messages.isEmpty());
}

TEST_F(PortalCaptureTest, AnUnusableAnswerSaysWhyAndOpensNoPicker)
{
    CaptureController controller{std::make_unique<PortalScreenGrabber>()};
    FakeRecognizer recognizer;
    Capture capture(controller, recognizer.function());
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    QImage half(screen.width(), screen.height() / 2, QImage::Format_RGB32);
    half.fill(Qt::white);
    const QString halfPath = m_dir.filePath("half.png");
    ASSERT_TRUE(half.save(halfPath));

    struct Case
    {
        const char* mode;
        QString png;
        QString message;
    };
    const Case cases[] = {
        {"missing", QString(), QStringLiteral("Couldn’t read the desktop’s screenshot")},
        {"text", QString(), QStringLiteral("Couldn’t read the desktop’s screenshot")},
        {"file", halfPath, QStringLiteral("The desktop’s screenshot doesn’t match the screens")},
        {"vanish", QString(), QStringLiteral("The desktop’s screenshot service did not answer")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.mode);
        // The fake is back on the bus after a vanishing act only a moment later.
        ASSERT_TRUE(eventually([&] { return m_portal->onBus(); }));
        m_portal->setModes(QStringLiteral("bind"), QLatin1String(c.mode));
        m_portal->setScreenshotAnswer(0, c.png);
        // Two cases share a message: the last one's must be gone before this one's is looked for.
        if (HUD::current())
            HUD::current()->close();
        ASSERT_TRUE(eventually([] { return !HUD::current(); }));
        startCapture(capture);
        ASSERT_TRUE(eventually([&] { return HUD::current() && HUD::current()->windowTitle() == c.message; }));
        EXPECT_FALSE(controller.isSelecting());
        EXPECT_FALSE(capture.busy());
        // Nothing here says the permission is missing.
        EXPECT_TRUE(Permissions::screenRecordingGranted());
        if (QLatin1String(c.mode) == QLatin1String("text")) { // not a picture, so not the portal's to lose
            EXPECT_TRUE(QFile::exists(m_portal->lastScreenshotFile()));
        }
    }
    EXPECT_TRUE(recognizer.images.empty());

    // The next good answer works as ever.
    ASSERT_TRUE(eventually([&] { return m_portal->onBus(); }));
    ASSERT_NO_FATAL_FAILURE(captureAndCancel(controller, capture));
}

TEST_F(PortalCaptureTest, ThePictureServesOneSelectionOnly)
{
    m_portal->setScreenshotAnswer(0, writeDesktop());
    bool prepared = false;
    Platform::prepareCapture([&] { prepared = true; });
    ASSERT_TRUE(eventually([&] { return prepared; }));
    PortalScreenGrabber grabber;
    const QList<QScreen*> screens = QGuiApplication::screens();
    for (QScreen* screen : screens)
        EXPECT_TRUE(grabber.grab(screen).has_value());
    // A selection started without a fresh picture must not show the old one.
    EXPECT_FALSE(grabber.grab(screens.front()).has_value());
}

TEST(PortalScreenPartTest, SplitsTheDesktopByTheScaleOfThePicture)
{
    // Two screens side by side, the right one lower; the picture at 1.5 device pixels per point.
    QImage desktop(3000, 1500, QImage::Format_RGB32);
    desktop.fill(Qt::white);
    QPainter painter(&desktop);
    painter.fillRect(QRect(1500, 300, 1500, 1200), Qt::blue);
    painter.end();
    const QRect desktopRect(0, 0, 2000, 1000);

    const QImage left = PortalScreenshot::screenPart(desktop, desktopRect, QRect(0, 0, 1000, 1000));
    EXPECT_EQ(left.size(), QSize(1500, 1500));
    EXPECT_EQ(QColor(left.pixel(1499, 1499)), QColor(Qt::white));
    const QImage right = PortalScreenshot::screenPart(desktop, desktopRect, QRect(1000, 200, 1000, 800));
    EXPECT_EQ(right.size(), QSize(1500, 1200));
    EXPECT_EQ(QColor(right.pixel(0, 0)), QColor(Qt::blue));
    EXPECT_EQ(QColor(right.pixel(1499, 1199)), QColor(Qt::blue));

    EXPECT_TRUE(PortalScreenshot::screenPart(desktop, desktopRect, QRect(1500, 0, 1000, 1000)).isNull());
    EXPECT_TRUE(PortalScreenshot::screenPart(QImage(), desktopRect, QRect(0, 0, 10, 10)).isNull());
}
