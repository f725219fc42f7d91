#include "ui/qt/SettingsWindow.h"

#include "UiTest.h"
#include "app/qt/LoginItem.h"
#include "capture/qt/HotKeySettings.h"
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
#include <QTest>

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

QStringList checked(const LanguagesField& field)
{
    QStringList names;
    for (QAction* action : field.menu()->actions()) {
        if (action->isChecked())
            names << action->text();
    }
    return names;
}

using LanguagesFieldTest = UiTest;

TEST_F(LanguagesFieldTest, ClickingALanguageTogglesItAtTheEnd)
{
    Settings::set(Settings::Key::languages, "en-US,nl-NL");
    LanguagesField field(installed, nullptr);
    languageAction(field, QStringLiteral("Deutsch"))->trigger();
    EXPECT_EQ(Settings::string(Settings::Key::languages), "en-US,nl-NL,de-DE");
    EXPECT_EQ(field.button()->text(), QStringLiteral("English, Nederlands +1"));
    languageAction(field, QStringLiteral("Nederlands"))->trigger();
    EXPECT_EQ(Settings::string(Settings::Key::languages), "en-US,de-DE");
    languageAction(field, QStringLiteral("English"))->trigger();
    languageAction(field, QStringLiteral("Deutsch"))->trigger();
    EXPECT_EQ(Settings::string(Settings::Key::languages), "");
    EXPECT_EQ(field.button()->text(), QStringLiteral("Auto (English)"));
    EXPECT_TRUE(checked(field).isEmpty());
}

TEST_F(LanguagesFieldTest, OffersOnlyInstalledLanguagesInTwoSections)
{
    LanguagesField field(installed, nullptr);
    QStringList sections;
    for (QAction* action : field.menu()->actions()) {
        if (action->isSeparator())
            sections << action->text();
    }
    EXPECT_EQ(sections, (QStringList{"Verified", "More languages"}));
    EXPECT_NE(languageAction(field, QStringLiteral("Português")), nullptr);
    EXPECT_EQ(languageAction(field, QStringLiteral("العربية · Arabic")), nullptr);
}

TEST_F(LanguagesFieldTest, MenuStaysOpenWhileLanguagesAreClicked)
{
    Settings::set(Settings::Key::languages, "en-US");
    LanguagesField field(installed, nullptr);
    field.menu()->popup(QPoint(100, 100));
    QTRY_VERIFY(field.menu()->isVisible());
    QAction* french = languageAction(field, QStringLiteral("Français"));
    const QPoint at = field.menu()->actionGeometry(french).center();
    QTest::mouseMove(field.menu(), at);
    QTest::mouseClick(field.menu(), Qt::LeftButton, {}, at);
    EXPECT_EQ(Settings::string(Settings::Key::languages), "en-US,fr-FR");
    EXPECT_TRUE(field.menu()->isVisible());
    field.menu()->close();
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
    // The document window's keys are taken too; a free combination is then stored as usual.
    QTest::keyClick(m_owner.get(), Qt::Key_S, Qt::ControlModifier);
    EXPECT_TRUE(m_recorder->hint()->text().startsWith(QStringLiteral("Ctrl+S is already used by Export")));
    QTest::keyClick(m_owner.get(), Qt::Key_O, Qt::ControlModifier | Qt::AltModifier);
    EXPECT_FALSE(m_recorder->isRecording());
    EXPECT_EQ(changed.count(), 1);
    EXPECT_EQ(m_recorder->button()->text(), QStringLiteral("Ctrl+Alt+O"));
    // The next recording starts with the plain hint again.
    m_recorder->startRecording();
    EXPECT_EQ(m_recorder->hint()->text(), HotKeyRecorder::recordingHint());
    m_recorder->stopRecording();
}

TEST_F(HotKeyRecorderTest, EscapeCancelsAndKeepsTheShortcut)
{
    QSignalSpy changed(&HotKeyNotifier::instance(), &HotKeyNotifier::hotKeyChanged);
    QTest::keyClick(m_owner.get(), Qt::Key_Escape);
    EXPECT_FALSE(m_recorder->isRecording());
    EXPECT_EQ(changed.count(), 0);
    EXPECT_EQ(m_recorder->button()->text(), QStringLiteral("Shift+Super+2"));
    EXPECT_TRUE(m_recorder->hint()->isHidden());
}

TEST_F(HotKeyRecorderTest, KeysWithoutModifiersAreIgnored)
{
    QSignalSpy changed(&HotKeyNotifier::instance(), &HotKeyNotifier::hotKeyChanged);
    QTest::keyClick(m_owner.get(), Qt::Key_A);
    QTest::keyClick(m_owner.get(), Qt::Key_Shift, Qt::ShiftModifier); // a modifier key alone is no shortcut either
    EXPECT_TRUE(m_recorder->isRecording());
    EXPECT_EQ(changed.count(), 0);
    EXPECT_EQ(HotKeyConfig::keyCode(), HotKeyConfig::defaultKeyCode);
}

TEST_F(HotKeyRecorderTest, ACombinationIsStoredAndAnnouncedAtOnce)
{
    QSignalSpy changed(&HotKeyNotifier::instance(), &HotKeyNotifier::hotKeyChanged);
    QTest::keyClick(m_owner.get(), Qt::Key_A, Qt::AltModifier | Qt::ShiftModifier);
    EXPECT_FALSE(m_recorder->isRecording());
    ASSERT_EQ(changed.count(), 1); // the application registers the shortcut again on this
    EXPECT_EQ(HotKeyConfig::keyCode(), 0u);
    EXPECT_EQ(HotKeyConfig::modifiers(), HotKeyConfig::option | HotKeyConfig::shift);
    EXPECT_EQ(HotKeyConfig::label(), "A");
    EXPECT_EQ(m_recorder->button()->text(), QStringLiteral("Alt+Shift+A"));
}

TEST_F(HotKeyRecorderTest, AShiftedSymbolIsStoredAsItsKey)
{
    // X11 reports Shift+2 as "@"; the shortcut is the "2" key.
    QTest::keyClick(m_owner.get(), Qt::Key_At, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(HotKeyConfig::keyCode(), 19u);
    EXPECT_EQ(HotKeyConfig::label(), "2");
    EXPECT_EQ(HotKeyConfig::display(), "Ctrl+Shift+2");
}

using SettingsWindowTest = UiTest;

TEST_F(SettingsWindowTest, TabsAndControlsWriteTheirSettings)
{
    SettingsView view;
    EXPECT_TRUE(view.keepHistory()->isChecked());
    view.keepHistory()->click();
    EXPECT_FALSE(Settings::boolean(Settings::Key::keepHistory));
    view.playSound()->click();
    EXPECT_TRUE(Settings::playSound());

    view.outputPicker()->setFocus();
    QTest::keyClick(view.outputPicker(), Qt::Key_Down);
    EXPECT_EQ(Settings::outputMode(), Settings::OutputMode::PlainText);
}

TEST_F(SettingsWindowTest, LaunchAtLoginWritesAndRemovesTheAutostartEntry)
{
    SettingsView view;
    EXPECT_FALSE(view.launchAtLogin()->isChecked());
    view.launchAtLogin()->click();
    EXPECT_TRUE(Settings::boolean(Settings::Key::launchAtLogin));
    EXPECT_TRUE(QFile::exists(LoginItem::entryPath()));
    view.launchAtLogin()->click();
    EXPECT_FALSE(Settings::boolean(Settings::Key::launchAtLogin));
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

TEST(OpenWindowsTest, KeepsTheSetOfOpenWindows)
{
    uiTestApp();
    const int before = OpenWindows::openCount();
    QWidget one;
    QWidget two;
    OpenWindows::show(&one);
    OpenWindows::show(&one); // showing again changes nothing
    OpenWindows::show(&two);
    EXPECT_EQ(OpenWindows::openCount(), before + 2);
    EXPECT_TRUE(one.isVisible());
    one.close();
    EXPECT_FALSE(OpenWindows::isOpen(&one));
    EXPECT_TRUE(OpenWindows::isOpen(&two));
    {
        QWidget three;
        OpenWindows::show(&three);
        EXPECT_EQ(OpenWindows::openCount(), before + 2);
    } // destroyed while open
    EXPECT_EQ(OpenWindows::openCount(), before + 1);
    two.hide();
    EXPECT_EQ(OpenWindows::openCount(), before);
}

TEST(AppActivationTest, NewWindowsStepAwayFromOnesAlreadyThere)
{
    const QRect screen(0, 0, 1920, 1080);
    const QRect frame(700, 300, 460, 520);
    EXPECT_EQ(OpenWindows::cascaded(frame, {}, screen), frame.topLeft());
    EXPECT_EQ(OpenWindows::cascaded(frame, {QRect(100, 100, 400, 400)}, screen), frame.topLeft());
    EXPECT_EQ(OpenWindows::cascaded(frame, {frame}, screen), QPoint(732, 332));
    EXPECT_EQ(OpenWindows::cascaded(frame, {frame, frame.translated(32, 32)}, screen), QPoint(764, 364));
    // Never off the screen: at the bottom right corner it starts again from the top left.
    const QRect corner(1400, 500, 460, 520);
    const QPoint placed = OpenWindows::cascaded(corner, {corner}, screen);
    EXPECT_TRUE(screen.contains(QRect(placed, corner.size()))) << placed.x() << "," << placed.y();
}

TEST_F(SettingsWindowTest, NewWindowsCascadeAndSettingsClosesWithEscapeOrCtrlW)
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

    SettingsView* settings = nullptr;

    for (const QKeyCombination keys :
         {QKeyCombination(Qt::Key_Escape), QKeyCombination(Qt::ControlModifier, Qt::Key_W)}) {
        SettingsWindow::shared().show();
        settings = SettingsWindow::shared().window();
        ASSERT_TRUE(QTest::qWaitForWindowActive(settings));
        QTest::keyClick(settings, keys.key(), keys.keyboardModifiers());
        EXPECT_TRUE(QTest::qWaitFor([&] { return !settings->isVisible(); }));
    }
}
TEST_F(SettingsWindowTest, TheGuidesLinksAreReachedWithTabAndCtrlWClosesIt)
{
    Welcome::shared().presentGuide();
    QWidget* guide = Welcome::shared().window();
    ASSERT_NE(guide, nullptr);
    ASSERT_TRUE(QTest::qWaitForWindowActive(guide));
    auto* links = guide->findChild<QLabel*>(QStringLiteral("legalLinks"));
    ASSERT_NE(links, nullptr);
    bool reached = false;
    for (int i = 0; i < 12 && !reached; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        reached = QApplication::focusWidget() == links;
    }
    EXPECT_TRUE(reached);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_W, Qt::ControlModifier);
    EXPECT_TRUE(QTest::qWaitFor([] { return Welcome::shared().window() == nullptr; }));
}
} // namespace
