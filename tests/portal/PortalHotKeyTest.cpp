// The capture shortcut through the GlobalShortcuts portal: the stored shortcut goes to the fake portal as the
// preferred trigger, a change binds again, and the portal's Activated starts a capture.
#include "capture/portal/PortalHotKey.h"

#include "FakePortal.h"
#include "capture/HotKeyConfig.h"
#include "capture/QtTestApp.h"
#include "capture/portal/PortalScreenshot.h"
#include "capture/portal/ShortcutTrigger.h"
#include "capture/qt/Capture.h"
#include "capture/qt/CaptureController.h"
#include "capture/qt/Platform.h"
#include "capture/qt/RegionPicker.h"

#include <QGuiApplication>
#include <QImage>
#include <QKeyEvent>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>

namespace {
constexpr int deadlineMs = 20000;

// The session path the fake's last "BindShortcuts <session> <id> <trigger>" line names, with the rest of it.
QStringList lastBind(const QStringList& calls)
{
    for (auto it = calls.rbegin(); it != calls.rend(); ++it)
        if (it->startsWith(QLatin1String("BindShortcuts ")))
            return it->split(QLatin1Char(' '));
    return {};
}
} // namespace

TEST(ShortcutTriggerTest, StoredShortcutInTheShortcutsSyntax)
{
    using namespace HotKeyConfig;
    EXPECT_EQ(ShortcutTrigger::fromStored(defaultKeyCode, defaultModifiers), "SHIFT+LOGO+2");
    // The order is fixed, whatever order the bits were set in.
    EXPECT_EQ(ShortcutTrigger::fromStored(0, command | control | shift | option), "CTRL+ALT+SHIFT+LOGO+a");
    // Keys are named as xkbcommon names them, not by their printed character.
    EXPECT_EQ(ShortcutTrigger::fromStored(43, control), "CTRL+comma");
    EXPECT_EQ(ShortcutTrigger::fromStored(36, option), "ALT+Return");
    EXPECT_EQ(ShortcutTrigger::fromStored(82, control), "CTRL+KP_0");
    EXPECT_EQ(ShortcutTrigger::fromStored(49, 0), "space");
    EXPECT_FALSE(ShortcutTrigger::fromStored(999, command).has_value());
}

class PortalHotKeyTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        testApp();
        QString why;
        m_portal = FakePortal::instance(&why);
        if (!m_portal)
            GTEST_SKIP() << why.toStdString();
        ::setenv("AMBREL_PLATFORM", "portal", 1);
    }
    void TearDown() override { ::unsetenv("AMBREL_PLATFORM"); }

    FakePortal* m_portal = nullptr;
};

TEST_F(PortalHotKeyTest, BindsThePreferredTriggerAndActivatedStartsACapture)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    ::setenv("XDG_CONFIG_HOME", qPrintable(dir.filePath("config")), 1);
    ::setenv("XDG_DATA_HOME", qPrintable(dir.filePath("data")), 1);
    QImage desktop(QGuiApplication::primaryScreen()->geometry().size(), QImage::Format_RGB32);
    desktop.fill(Qt::white);
    ASSERT_TRUE(desktop.save(dir.filePath("desktop.png")));
    m_portal->setScreenshotAnswer(0, dir.filePath("desktop.png"));

    CaptureController controller{std::make_unique<PortalScreenGrabber>()};
    Capture capture(controller, [](Image, std::vector<std::string>, bool, OCR::Completion) {});
    PortalHotKey hotKey;
    QSignalSpy finished(&hotKey, &PortalHotKey::bindingFinished);
    int presses = 0;
    hotKey.registerKey(HotKeyConfig::defaultKeyCode, HotKeyConfig::defaultModifiers, [&] {
        ++presses;
        Platform::prepareCapture([&capture] { capture.captureText(); });
    });
    ASSERT_TRUE(QTest::qWaitFor([&] { return finished.count() > 0; }, deadlineMs));
    EXPECT_TRUE(finished.takeFirst().at(0).toBool());
    EXPECT_TRUE(hotKey.isBound());
    const QStringList bind = lastBind(m_portal->calls());
    ASSERT_EQ(bind.size(), 4);
    EXPECT_EQ(bind[2], PortalHotKey::shortcutId);
    EXPECT_EQ(bind[3], QStringLiteral("SHIFT+LOGO+2"));

    // Another application's shortcut is not ours; ours opens the pickers over the portal's picture.
    ASSERT_TRUE(m_portal->emitActivated(QStringLiteral("something-else")));
    ASSERT_TRUE(m_portal->emitActivated(PortalHotKey::shortcutId));
    ASSERT_TRUE(QTest::qWaitFor([&] { return controller.isSelecting(); }, deadlineMs));
    EXPECT_EQ(presses, 1);
    QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(controller.pickers().front(), &escape);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !capture.busy(); }, deadlineMs));
}

TEST_F(PortalHotKeyTest, ChangedShortcutBindsAgainInAFreshSession)
{
    PortalHotKey hotKey;
    QSignalSpy finished(&hotKey, &PortalHotKey::bindingFinished);
    int presses = 0;
    hotKey.registerKey(HotKeyConfig::defaultKeyCode, HotKeyConfig::defaultModifiers, [&] { ++presses; });
    ASSERT_TRUE(QTest::qWaitFor([&] { return finished.count() == 1; }, deadlineMs));
    const QString firstSession = lastBind(m_portal->calls()).value(1);
    ASSERT_FALSE(firstSession.isEmpty());

    // What the application does on the hot-key change signal: register again with the new values.
    hotKey.registerKey(0, HotKeyConfig::option | HotKeyConfig::shift, [&] { presses += 10; });
    ASSERT_TRUE(QTest::qWaitFor([&] { return finished.count() == 2; }, deadlineMs));
    EXPECT_TRUE(finished.at(1).at(0).toBool());
    const QStringList calls = m_portal->calls();
    const QStringList bind = lastBind(calls);
    ASSERT_EQ(bind.size(), 4);
    EXPECT_NE(bind[1], firstSession);
    EXPECT_EQ(bind[3], QStringLiteral("ALT+SHIFT+a"));
    EXPECT_TRUE(calls.contains(QStringLiteral("Close ") + firstSession));

    // Only the new handler runs.
    ASSERT_TRUE(m_portal->emitActivated(PortalHotKey::shortcutId));
    ASSERT_TRUE(QTest::qWaitFor([&] { return presses != 0; }, deadlineMs));
    EXPECT_EQ(presses, 10);

    // Unregistered, the shortcut's session is closed and an activation does nothing.
    hotKey.unregister();
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return m_portal->calls().contains(QStringLiteral("Close ") + bind[1]); }, deadlineMs));
    EXPECT_FALSE(hotKey.isBound());
}

// "OCR a Document…" is a second shortcut of its own: each activation runs only its own command.
TEST_F(PortalHotKeyTest, TheDocumentShortcutIsBoundBesideTheCaptureShortcut)
{
    const std::unique_ptr<GlobalHotKey> capture = Platform::makeHotKey(Platform::Shortcut::Capture);
    const std::unique_ptr<GlobalHotKey> document = Platform::makeHotKey(Platform::Shortcut::Document);
    auto* documentPortal = dynamic_cast<PortalHotKey*>(document.get());
    ASSERT_NE(documentPortal, nullptr);
    QSignalSpy finished(documentPortal, &PortalHotKey::bindingFinished);
    int captures = 0, documents = 0;
    capture->registerKey(HotKeyConfig::defaultKeyCode, HotKeyConfig::defaultModifiers, [&] { ++captures; });
    document->registerKey(HotKeyConfig::documentKeyCode, HotKeyConfig::documentModifiers, [&] { ++documents; });
    ASSERT_TRUE(QTest::qWaitFor([&] { return finished.count() > 0; }, deadlineMs));
    EXPECT_TRUE(documentPortal->isBound());
    // The two sessions bind in either order: find the document's.
    QStringList bind;
    for (const QString& call : m_portal->calls())
        if (call.startsWith(QLatin1String("BindShortcuts "))
            && call.split(QLatin1Char(' ')).value(2) == PortalHotKey::documentShortcutId)
            bind = call.split(QLatin1Char(' '));
    ASSERT_EQ(bind.size(), 4);
    EXPECT_EQ(bind[3], QStringLiteral("CTRL+SHIFT+o"));

    ASSERT_TRUE(m_portal->emitActivated(PortalHotKey::documentShortcutId));
    ASSERT_TRUE(QTest::qWaitFor([&] { return documents == 1; }, deadlineMs));
    EXPECT_EQ(captures, 0);
}
