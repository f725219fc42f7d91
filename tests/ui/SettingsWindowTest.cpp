#include "ui/qt/SettingsWindow.h"

#include "UiTest.h"
#include "app/qt/LoginItem.h"
#include "capture/qt/HotKeySettings.h"
#include "ui/qt/HistoryWindow.h"
#include "ui/qt/HotKeyRecorder.h"
#include "ui/qt/LanguagesField.h"
#include "ui/qt/OpenWindows.h"
#include "ui/qt/Welcome.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QSignalSpy>

#include <functional>

namespace {
const std::set<std::string> installed{"en-US", "nl-NL", "fr-FR", "es-ES", "it-IT", "de-DE", "pt-BR"};

QAction* languageAction(const LanguagesField& field, const QString& name)
{
    for (QAction* action : field.menu()->actions()) {
        if (action->text() == name)
            return action;
    }
    return nullptr;
}

using LanguagesFieldTest = UiTest;

TEST_F(LanguagesFieldTest, OffersTheInstalledLanguagesAndAClickTogglesOneAtTheEndWithTheMenuOpen)
{
    Settings::set(Settings::Key::languages, "en-US,nl-NL");
    // Which languages are offered, and the button's summary, are the core's rules (LanguagesTest).
    LanguagesField field(installed, nullptr);
    field.menu()->popup(QPoint(100, 100));
    ASSERT_TRUE(eventually([&] { return field.menu()->isVisible(); }));
    const QPoint at = field.menu()->actionGeometry(languageAction(field, QStringLiteral("Deutsch"))).center();
    QTest::mouseMove(field.menu(), at);
    QTest::mouseClick(field.menu(), Qt::LeftButton, {}, at);
    EXPECT_TRUE(field.menu()->isVisible());
    field.menu()->close();
    EXPECT_EQ(Settings::string(Settings::Key::languages), "en-US,nl-NL,de-DE");
    EXPECT_EQ(field.button()->text(), QStringLiteral("English, Nederlands +1"));
    for (const char* name : {"Nederlands", "English", "Deutsch"})
        languageAction(field, QString::fromUtf8(name))->trigger();
    EXPECT_EQ(Settings::string(Settings::Key::languages), "");
    for (QAction* action : field.menu()->actions())
        EXPECT_FALSE(action->isChecked()) << action->text().toStdString();
}

class HotKeyRecorderTest : public UiTest
{
protected:
    void SetUp() override
    {
        UiTest::SetUp();
        HotKeyConfig::set(HotKeyConfig::defaultKeyCode, HotKeyConfig::defaultModifiers, "2");
        m_owner = std::make_unique<QWidget>(); // after the fixture has made the application
        m_recorder = new HotKeyRecorder(m_owner.get());
        m_owner->show();
        QTest::mouseClick(m_recorder->button(), Qt::LeftButton);
        ASSERT_TRUE(m_recorder->isRecording());
    }

    std::unique_ptr<QWidget> m_owner;
    HotKeyRecorder* m_recorder = nullptr;
};

TEST_F(HotKeyRecorderTest, AnotherCommandsCombinationIsRefusedWithAMessage)
{
    QSignalSpy changed(&HotKeyNotifier::instance(), &HotKeyNotifier::hotKeyChanged);
    QTest::keyClick(m_owner.get(), Qt::Key_O, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_TRUE(m_recorder->isRecording());
    EXPECT_EQ(changed.count(), 0);
    EXPECT_EQ(HotKeyConfig::keyCode(), HotKeyConfig::defaultKeyCode);
    EXPECT_EQ(m_recorder->hint()->text(),
              QStringLiteral("Ctrl+Shift+O is already used by OCR a Document…. Press another combination, or Esc."));
    // Which combinations are taken is HotKeyConfig's; the next recording starts with the plain hint again.
    m_recorder->stopRecording();
    m_recorder->startRecording();
    EXPECT_EQ(m_recorder->hint()->text(), HotKeyRecorder::recordingHint());
    m_recorder->stopRecording();
}

// Each press starts from a fresh recording of the default Shift+Super+2.
TEST_F(HotKeyRecorderTest, CombinationsAreStoredAndAnnouncedAtOnceAndOtherKeysAreNot)
{
    struct Press
    {
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        const char* stored; // the shortcut afterwards, or nullptr while it is still recording
        std::uint32_t keyCode;
        const char* why;
    };
    const Press presses[] = {
        {Qt::Key_Escape, {}, "Shift+Super+2", 19, "Escape cancels and keeps the shortcut"},
        {Qt::Key_A, {}, nullptr, 19, "a key without modifiers is no shortcut"},
        {Qt::Key_Shift, Qt::ShiftModifier, nullptr, 19, "nor is a modifier key alone"},
        {Qt::Key_A, Qt::AltModifier | Qt::ShiftModifier, "Alt+Shift+A", 0, "stored at once"},
        {Qt::Key_At, Qt::ControlModifier | Qt::ShiftModifier, "Ctrl+Shift+2", 19, "X11 reports Shift+2 as @"},
    };
    for (const Press& press : presses) {
        SCOPED_TRACE(press.why);
        HotKeyConfig::set(HotKeyConfig::defaultKeyCode, HotKeyConfig::defaultModifiers, "2");
        m_recorder->startRecording();
        QSignalSpy changed(&HotKeyNotifier::instance(), &HotKeyNotifier::hotKeyChanged);
        QTest::keyClick(m_owner.get(), press.key, press.modifiers);
        EXPECT_EQ(m_recorder->isRecording(), press.stored == nullptr);
        // The application registers the shortcut again on the announcement.
        const bool changes = press.stored != nullptr && press.key != Qt::Key_Escape;
        EXPECT_EQ(changed.count(), changes ? 1 : 0);
        EXPECT_EQ(HotKeyConfig::display(), press.stored ? press.stored : "Shift+Super+2");
        EXPECT_EQ(HotKeyConfig::keyCode(), press.keyCode);
        if (press.stored) {
            EXPECT_EQ(m_recorder->button()->text(), QString::fromUtf8(press.stored));
        }
        m_recorder->stopRecording();
    }
}

using SettingsWindowTest = UiTest;

TEST_F(SettingsWindowTest, ControlsWriteTheirSettingsAndLaunchAtLoginTheAutostartEntry)
{
    SettingsView view;
    view.keepHistory()->click();
    EXPECT_FALSE(Settings::boolean(Settings::Key::keepHistory));
    view.launchAtLogin()->click();
    EXPECT_TRUE(Settings::boolean(Settings::Key::launchAtLogin));
    EXPECT_TRUE(QFile::exists(LoginItem::entryPath()));
    view.launchAtLogin()->click();
    EXPECT_FALSE(QFile::exists(LoginItem::entryPath()));
}

// X11 has no permission to read the screen, so nothing speaks of one; on Wayland the portal's answer shows.
TEST_F(SettingsWindowTest, PermissionWordingOnlyWhereTheDesktopHasAPermission)
{
    auto permissionWords = [](const QWidget& view) {
        QStringList found;
        for (const QLabel* label : view.findChildren<QLabel*>())
            if (label->text().contains(QStringLiteral("Screen capture")))
                found << label->text();
        return found;
    };
    for (const char* session : {"x11", "none"}) {
        ::setenv("AMBREL_PLATFORM", session, 1);
        SettingsView view;
        EXPECT_EQ(view.findChild<QPushButton*>(QStringLiteral("openPermissionSettings")), nullptr) << session;
        EXPECT_TRUE(permissionWords(view).isEmpty()) << session;
    }
    ::setenv("AMBREL_PLATFORM", "wayland", 1);
    SettingsView view;
    EXPECT_EQ(permissionWords(view), QStringList{QStringLiteral("Screen capture granted")});
}

TEST_F(SettingsWindowTest, NewWindowsCascadeAndSettingsAndHistoryCloseWithEscapeOrCtrlW)
{
    // Two windows of one size, as the history and the settings nearly are: the second steps down and right.
    QWidget first;
    first.resize(460, 520);
    OpenWindows::placeNew(&first);
    first.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&first));
    QWidget second;
    second.resize(460, 520);
    OpenWindows::placeNew(&second);
    EXPECT_EQ(second.pos() - first.pos(), QPoint(32, 32));
    first.close();
    const QRect screen(0, 0, 1920, 1080), frame(700, 300, 460, 520), corner(1400, 500, 460, 520);
    EXPECT_EQ(OpenWindows::cascaded(frame, {QRect(100, 100, 400, 400)}, screen), frame.topLeft());
    EXPECT_EQ(OpenWindows::cascaded(frame, {frame, frame.translated(32, 32)}, screen), QPoint(764, 364));
    // Never off the screen: at the bottom right corner it starts again from the top left.
    const QPoint placed = OpenWindows::cascaded(corner, {corner}, screen);
    EXPECT_TRUE(screen.contains(QRect(placed, corner.size()))) << placed.x() << "," << placed.y();

    // Both windows take the same two keys from OpenWindows: one window is closed with each.
    const std::tuple<std::function<void()>, std::function<QWidget*()>, QKeyCombination> windows[] = {
        {[] { SettingsWindow::shared().show(); }, [] { return SettingsWindow::shared().window(); }, Qt::Key_Escape},
        {[] { HistoryWindow::shared().show(); }, [] { return HistoryWindow::shared().window(); },
         QKeyCombination(Qt::ControlModifier, Qt::Key_W)},
    };
    for (const auto& [show, window, keys] : windows) {
        show();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window()));
        QTest::keyClick(window(), keys.key(), keys.keyboardModifiers());
        EXPECT_TRUE(eventually([&] { return !window()->isVisible(); }));
    }
}
} // namespace
