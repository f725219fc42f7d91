#pragma once

#include "store/qt/SettingsStore.h"

#include <QApplication>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <cstdlib>

// One QApplication for the whole test program, created on first use on the test (main) thread.
inline QApplication& uiTestApp()
{
    static int argc = 1;
    static char name[] = "windows_tests";
    static char* argv[] = {name, nullptr};
    static QApplication* app = new QApplication(argc, argv);
    return *app;
}

// Runs the event loop until the condition holds, for at most five seconds; returns whether it holds. (QTest's
// QTRY macros report to QTest, not to GoogleTest, and would let a timed-out test pass.)
template <typename Condition> bool eventually(Condition condition)
{
    return QTest::qWaitFor(condition, 5000);
}

// Points the settings, data and autostart folders at a fresh temporary folder and names the session, since
// screen-capture permission depends on it ("x11" allows capture, "none" does not).
class UiTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        uiTestApp();
        ASSERT_TRUE(m_dir.isValid());
        ::setenv("XDG_CONFIG_HOME", qPrintable(m_dir.filePath("config")), 1);
        ::setenv("XDG_DATA_HOME", qPrintable(m_dir.filePath("data")), 1);
        ::setenv("AMBREL_PLATFORM", "x11", 1);
        Settings::registerDefaults("en-US");
        Settings::set(Settings::Key::playSound, false);
    }
    void TearDown() override { ::unsetenv("AMBREL_PLATFORM"); }

    QTemporaryDir m_dir;
};
