// The application shell's pieces that need no display: the autostart entry and the single-instance socket.
#include "QtTestApp.h"
#include "app/qt/Application.h"
#include "app/qt/LoginItem.h"
#include "app/qt/SingleInstance.h"
#include "capture/qt/HotKeySettings.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

using AppShellTest = TempHomeTest;

TEST_F(AppShellTest, LoginItemFollowsTheSetting)
{
    EXPECT_EQ(LoginItem::entryPath(), m_dir.filePath("config/autostart/ambrel.desktop"));
    EXPECT_FALSE(LoginItem::isEnabled());
    Settings::set(Settings::Key::launchAtLogin, true);
    LoginItem::sync();
    ASSERT_TRUE(LoginItem::isEnabled());
    QFile entry(LoginItem::entryPath());
    ASSERT_TRUE(entry.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(entry.readAll());
    EXPECT_TRUE(text.contains(QStringLiteral("\nExec=\"/"))) << text.toStdString(); // absolute
    // The desktop's own checker finds nothing to complain about, not even a hint.
    const QString validator = QStandardPaths::findExecutable(QStringLiteral("desktop-file-validate"));
    if (!validator.isEmpty()) {
        QProcess validate;
        validate.start(validator, {LoginItem::entryPath()});
        ASSERT_TRUE(validate.waitForFinished(30000));
        EXPECT_EQ(validate.exitCode(), 0);
        EXPECT_EQ(validate.readAll(), QByteArray()) << "desktop-file-validate";
    }

    Settings::set(Settings::Key::launchAtLogin, false);
    LoginItem::sync();
    EXPECT_FALSE(QFile::exists(LoginItem::entryPath()));
}

TEST_F(AppShellTest, ExecPathIsQuotedByTheDesktopEntryRules)
{
    const QString text = LoginItem::entryText(QStringLiteral("/opt/my apps/$x/50%/a\"b\\c"));
    EXPECT_TRUE(text.contains(QStringLiteral("\nExec=\"/opt/my apps/\\\\$x/50%%/a\\\\\"b\\\\\\\\c\"\n")))
        << text.toStdString();
}

TEST_F(AppShellTest, LoginItemFailureIsReportedAndChangesNothing)
{
    // A file where the autostart folder should be.
    QDir(m_dir.path()).mkpath(QStringLiteral("config"));
    QFile blocker(m_dir.filePath("config/autostart"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    testing::internal::CaptureStdout();
    EXPECT_FALSE(LoginItem::set(true));
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(out.rfind("Ambrel: login item toggle failed: ", 0), 0u) << out;
    EXPECT_FALSE(LoginItem::isEnabled());
}

TEST_F(AppShellTest, SecondStartHandsItsRequestToTheFirst)
{
    SingleInstance first;
    ASSERT_TRUE(first.listen());
    EXPECT_TRUE(SingleInstance::serverName().startsWith(m_dir.path()));
    QStringList received;
    QObject::connect(&first, &SingleInstance::requested, [&](const QString& command, bool* known) {
        received << command;
        *known = command == QLatin1String("show");
    });

    SingleInstance second;
    EXPECT_FALSE(second.listen()); // the first one holds the name

    // The sender blocks, so it runs on a thread of its own while this one serves.
    std::atomic<int> answers{0};
    std::atomic<bool> showAnswered{false}, bogusAnswered{true};
    std::thread client([&] {
        showAnswered = SingleInstance::send(QStringLiteral("show"));
        bogusAnswered = SingleInstance::send(QStringLiteral("bogus"));
        answers = 2;
    });
    EXPECT_TRUE(QTest::qWaitFor([&] { return answers == 2; }, 10000));
    client.join();
    EXPECT_TRUE(showAnswered);
    EXPECT_FALSE(bogusAnswered);
    EXPECT_EQ(received, (QStringList{QStringLiteral("show"), QStringLiteral("bogus")}));
}

// Names reach the running instance whole, wherever it was started from.
TEST_F(AppShellTest, OpenRequestCarriesAnyFileNameAsAnAbsolutePath)
{
    const std::vector<std::string> names{"/tmp/scan one.png", "/tmp/line\nfeed%20.pdf", "/tmp/\xC3\xBC ber.tif",
                                         "relative.png"};
    const QString request = Application::openRequest(names);
    EXPECT_FALSE(request.contains(QLatin1Char('\n')));
    EXPECT_EQ(Application::filesToOpen(request),
              (QStringList{QStringLiteral("/tmp/scan one.png"), QStringLiteral("/tmp/line\nfeed%20.pdf"),
                           QStringLiteral("/tmp/\u00FC ber.tif"), QDir::current().absoluteFilePath("relative.png")}));
    EXPECT_TRUE(Application::filesToOpen(QStringLiteral("show")).isEmpty());
    EXPECT_TRUE(Application::filesToOpen(QStringLiteral("open http://example.org/x.png")).isEmpty());
}

TEST_F(AppShellTest, SocketLeftByACrashedInstanceIsTakenOver)
{
    // A socket file nobody listens on, as a killed instance leaves it.
    QFile stale(SingleInstance::serverName());
    ASSERT_TRUE(stale.open(QIODevice::WriteOnly));
    stale.close();
    EXPECT_FALSE(SingleInstance::send(QStringLiteral("show"), 500));
    SingleInstance instance;
    EXPECT_TRUE(instance.listen());
}

// A hand-edited file: a bad value gives way to its default alone, and what is shown is made from the key that is
// grabbed, whatever label is stored beside it.
TEST_F(AppShellTest, StoredShortcutWithBadValues)
{
    HotKeyConfig::set(0, HotKeyConfig::option | HotKeyConfig::shift, "A");
    Settings::set(Settings::Key::hotkeyLabel, "2");
    EXPECT_EQ(HotKeyConfig::display(), "Alt+Shift+A");
    Settings::set(Settings::Key::hotkeyModifiers, -5);
    EXPECT_EQ(HotKeyConfig::modifiers(), 768u);
    EXPECT_EQ(HotKeyConfig::keyCode(), 0u);
    Settings::set(Settings::Key::hotkeyKeyCode, 400); // no such key
    EXPECT_EQ(HotKeyConfig::keyCode(), 19u);
    EXPECT_EQ(HotKeyConfig::display(), "Shift+Super+2");
}
