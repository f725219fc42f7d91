// The capture shortcut through the GlobalShortcuts portal: the stored shortcut goes to the fake portal as the
// preferred trigger, a change binds again, and the portal's Activated starts a capture.
#include "capture/portal/PortalHotKey.h"

#include "FakePortal.h"
#include "capture/HotKeyConfig.h"
#include "capture/portal/ShortcutTrigger.h"
#include "capture/qt/Platform.h"
#include "ui/qt/SettingsWindow.h"

#include <QLabel>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <optional>
#include <tuple>

namespace {

// The fake's last "BindShortcuts <session> <id> <trigger>" line for the shortcut `id`, split at its spaces.
QStringList lastBind(const QStringList& calls, const QString& id = PortalHotKey::shortcutId)
{
    for (auto it = calls.rbegin(); it != calls.rend(); ++it)
        if (it->startsWith(QLatin1String("BindShortcuts ")) && it->split(QLatin1Char(' ')).value(2) == id)
            return it->split(QLatin1Char(' '));
    return {};
}
} // namespace

// Shift with a digit is the symbol it gives, as desktops match triggers: Shift+Super+2 arrives as Super+@. The
// order is fixed, whatever order the bits were set in; a letter keeps its Shift; keys are named as xkbcommon names
// them, not by their printed character.
TEST(ShortcutTriggerTest, StoredShortcutInTheShortcutsSyntax)
{
    using namespace HotKeyConfig;
    const std::tuple<std::uint32_t, std::uint32_t, const char*> cases[] = {
        {defaultKeyCode, defaultModifiers, "LOGO+at"},
        {18, control | shift, "CTRL+exclam"},
        {43, shift | option, "ALT+less"},
        {18, command, "LOGO+1"},
        {0, command | control | shift | option, "CTRL+ALT+SHIFT+LOGO+a"},
        {43, control, "CTRL+comma"},
        {36, option, "ALT+Return"},
        {82, control, "CTRL+KP_0"},
        {49, 0, "space"},
    };
    for (const auto& [key, modifiers, trigger] : cases)
        EXPECT_EQ(ShortcutTrigger::fromStored(key, modifiers), trigger);
    EXPECT_FALSE(ShortcutTrigger::fromStored(999, command).has_value());
}

class PortalHotKeyTest : public PortalTest
{
protected:
    // Registers `handler` for a shortcut, the capture's unless told, and waits for the portal's answer: whether it
    // bound, or nothing when none came.
    static std::optional<bool> bind(GlobalHotKey& hotKey, std::function<void()> handler,
                                    std::uint32_t key = HotKeyConfig::defaultKeyCode,
                                    std::uint32_t modifiers = HotKeyConfig::defaultModifiers)
    {
        auto& portal = dynamic_cast<PortalHotKey&>(hotKey);
        QSignalSpy finished(&portal, &PortalHotKey::bindingFinished);
        hotKey.registerKey(key, modifiers, std::move(handler));
        if (!eventually([&] { return !finished.isEmpty(); }))
            return std::nullopt;
        return finished.at(0).at(0).toBool();
    }
};

TEST_F(PortalHotKeyTest, BindsThePreferredTriggerAndAChangedOneInAFreshSession)
{
    PortalHotKey hotKey;
    int presses = 0;
    ASSERT_EQ(bind(hotKey, [&] { ++presses; }), true);
    EXPECT_TRUE(hotKey.isBound());
    EXPECT_EQ(ShortcutStatus::instance().state(), ShortcutStatus::State::Bound);
    const QStringList first = lastBind(m_portal->calls());
    ASSERT_EQ(first.size(), 4);
    EXPECT_EQ(first[3], QStringLiteral("LOGO+at"));
    // Another application's shortcut is not ours.
    ASSERT_TRUE(m_portal->emitActivated(QStringLiteral("something-else")));
    ASSERT_TRUE(m_portal->emitActivated(PortalHotKey::shortcutId));
    ASSERT_TRUE(eventually([&] { return presses != 0; }));
    EXPECT_EQ(presses, 1);

    // What the application does on the hot-key change signal: register again with the new values.
    ASSERT_EQ(bind(
                  hotKey, [&] { presses += 10; }, 0, HotKeyConfig::option | HotKeyConfig::shift),
              true);
    const QStringList calls = m_portal->calls();
    const QStringList bound = lastBind(calls);
    ASSERT_EQ(bound.size(), 4);
    EXPECT_NE(bound[1], first[1]);
    EXPECT_EQ(bound[3], QStringLiteral("ALT+SHIFT+a"));
    EXPECT_TRUE(calls.contains(QStringLiteral("Close ") + first[1]));

    // Only the new handler runs, and a press in the closed session does nothing: signals arrive in the order sent,
    // so once the current session's press is seen, the old one's was dropped.
    m_portal->emitActivatedFor(first[1], PortalHotKey::shortcutId);
    ASSERT_TRUE(m_portal->emitActivated(PortalHotKey::shortcutId));
    ASSERT_TRUE(eventually([&] { return presses != 1; }));
    EXPECT_EQ(presses, 11);

    // Unregistered, the shortcut's session is closed and an activation does nothing, as after the portal refused.
    hotKey.unregister();
    ASSERT_TRUE(eventually([&] { return m_portal->calls().contains(QStringLiteral("Close ") + bound[1]); }));
    EXPECT_FALSE(hotKey.isBound());
    m_portal->emitActivatedFor(bound[1], PortalHotKey::shortcutId);
    int later = 0;
    PortalHotKey other;
    ASSERT_EQ(bind(other, [&] { ++later; }), true);
    ASSERT_TRUE(m_portal->emitActivated(PortalHotKey::shortcutId));
    ASSERT_TRUE(eventually([&] { return later != 0; }));
    EXPECT_EQ(presses, 11);
}

// "OCR a Document…" is a second shortcut of its own: each activation runs only its own command.
TEST_F(PortalHotKeyTest, TheDocumentShortcutIsBoundBesideTheCaptureShortcut)
{
    const std::unique_ptr<GlobalHotKey> capture = Platform::makeHotKey(Platform::Shortcut::Capture);
    const std::unique_ptr<GlobalHotKey> document = Platform::makeHotKey(Platform::Shortcut::Document);
    int captures = 0, documents = 0;
    capture->registerKey(HotKeyConfig::defaultKeyCode, HotKeyConfig::defaultModifiers, [&] { ++captures; });
    ASSERT_EQ(bind(
                  *document, [&] { ++documents; }, HotKeyConfig::documentKeyCode, HotKeyConfig::documentModifiers),
              true);
    // The two sessions bind side by side, in either order.
    const QStringList bound = lastBind(m_portal->calls(), PortalHotKey::documentShortcutId);
    ASSERT_EQ(bound.size(), 4);
    EXPECT_EQ(bound[3], QStringLiteral("CTRL+SHIFT+o"));

    ASSERT_TRUE(m_portal->emitActivated(PortalHotKey::documentShortcutId));
    ASSERT_TRUE(eventually([&] { return documents == 1; }));
    EXPECT_EQ(captures, 0);
}

TEST_F(PortalHotKeyTest, APortalThatBindsWithTheSessionIsNotAskedTwice)
{
    // Plasma 5.27 binds the shortcuts given to CreateSession and answers BindShortcuts with none.
    m_portal->setModes(QStringLiteral("session"), QStringLiteral("file"));
    const qsizetype before = m_portal->calls().size();
    PortalHotKey hotKey;
    int presses = 0;
    ASSERT_EQ(bind(hotKey, [&] { ++presses; }), true);
    EXPECT_EQ(ShortcutStatus::instance().state(), ShortcutStatus::State::Bound);
    EXPECT_TRUE(ShortcutStatus::instance().notice().isEmpty());
    const QStringList calls = m_portal->calls().mid(before);
    EXPECT_TRUE(calls.contains(QStringLiteral("CreateSession shortcuts=capture"))) << calls.join('\n').toStdString();
    EXPECT_EQ(calls.filter(QStringLiteral("ListShortcuts ")).size(), 1);
    EXPECT_TRUE(calls.filter(QStringLiteral("BindShortcuts ")).isEmpty());
    ASSERT_TRUE(m_portal->emitActivated(PortalHotKey::shortcutId));
    ASSERT_TRUE(eventually([&] { return presses == 1; }));
}

TEST_F(PortalHotKeyTest, AShortcutThePortalDidNotBindIsReportedNotLost)
{
    m_portal->setModes(QStringLiteral("nothing"), QStringLiteral("file"));
    const qsizetype before = m_portal->calls().size();
    PortalHotKey hotKey;
    QSignalSpy finished(&hotKey, &PortalHotKey::bindingFinished);
    bool settled = false;
    hotKey.registerKey(HotKeyConfig::defaultKeyCode, HotKeyConfig::defaultModifiers, [] {});
    EXPECT_EQ(ShortcutStatus::instance().state(), ShortcutStatus::State::Binding);
    // What the ready message does: it waits for the desktop's answer.
    ShortcutStatus::instance().whenSettled([&] { settled = true; });
    EXPECT_FALSE(settled);
    ASSERT_TRUE(eventually([&] { return finished.count() == 1; }));
    EXPECT_TRUE(settled);
    EXPECT_FALSE(finished.at(0).at(0).toBool());
    EXPECT_FALSE(hotKey.isBound());
    EXPECT_EQ(ShortcutStatus::instance().state(), ShortcutStatus::State::NotBound);
    EXPECT_TRUE(ShortcutStatus::instance().notice().contains(QStringLiteral("ambrel --capture")));
    // Asked both ways, each once.
    const QStringList calls = m_portal->calls().mid(before);
    EXPECT_EQ(calls.filter(QStringLiteral("ListShortcuts ")).size(), 1);
    EXPECT_EQ(calls.filter(QStringLiteral("BindShortcuts ")).size(), 1);

    // The settings window says so under the shortcut, and stops saying it once a binding works.
    SettingsView view;
    auto* notice = view.findChild<QLabel*>(QStringLiteral("shortcutNotice"));
    ASSERT_NE(notice, nullptr);
    EXPECT_TRUE(notice->text().contains(QStringLiteral("ambrel --capture")));
    EXPECT_TRUE(notice->isVisibleTo(&view));
    m_portal->setModes(QStringLiteral("bind"), QStringLiteral("file"));
    ASSERT_EQ(bind(hotKey, [] {}), true);
    EXPECT_FALSE(notice->isVisibleTo(&view));
}
