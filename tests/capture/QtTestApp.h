#pragma once

#include "capture/qt/Capture.h"
#include "store/qt/SettingsStore.h"

#include <QApplication>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdlib>
#include <thread>

// One QApplication for the whole test program, created on first use on the test (main) thread.
inline QApplication& testApp()
{
    static int argc = 1;
    static char name[] = "capture_tests";
    static char* argv[] = {name, nullptr};
    static QApplication* app = new QApplication(argc, argv);
    return *app;
}

// A test with a home of its own: settings, data and the runtime folder in a fresh temporary folder, the settings
// at their defaults and silent.
class TempHomeTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        testApp();
        ASSERT_TRUE(m_dir.isValid());
        ::setenv("XDG_CONFIG_HOME", qPrintable(m_dir.filePath("config")), 1);
        ::setenv("XDG_DATA_HOME", qPrintable(m_dir.filePath("data")), 1);
        ::setenv("XDG_RUNTIME_DIR", qPrintable(m_dir.path()), 1);
        Settings::registerDefaults("en-US");
        Settings::set(Settings::Key::playSound, false);
    }

    QTemporaryDir m_dir;
};

// A home of its own in a session named X11, where reading the screen counts as allowed ("none" does not allow it,
// a Wayland session asks the portal).
class X11HomeTest : public TempHomeTest
{
protected:
    void SetUp() override
    {
        TempHomeTest::SetUp();
        ::setenv("AMBREL_PLATFORM", "x11", 1);
    }
    void TearDown() override { ::unsetenv("AMBREL_PLATFORM"); }
};

// A recognizer stand-in that answers on a thread of its own, as the real one does, and remembers what it got.
struct FakeRecognizer
{
    OCRResult answer;
    std::vector<Image> images;
    std::vector<bool> corrections;
    Capture::Recognize function()
    {
        return [this](Image image, std::vector<std::string>, bool correct, OCR::Completion completion) {
            images.push_back(image);
            corrections.push_back(correct);
            std::thread([answer = answer, completion = std::move(completion)] { completion(answer); }).detach();
        };
    }
};
