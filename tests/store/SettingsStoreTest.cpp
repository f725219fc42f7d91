#include "store/qt/SettingsStore.h"

#include "support/Process.h"

#include <QSettings>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>

namespace {
// Points the store at a private directory before any test can open the user's real one (TempDir throws when it
// cannot make one), and removes it at exit.
const TestSupport::TempDir configHome;
const bool configHomeSet = [] {
    ::setenv("XDG_CONFIG_HOME", configHome.path().c_str(), 1);
    return true;
}();

std::filesystem::path configFile()
{
    return configHome / "Ambrel/Ambrel.conf";
}

std::string fileText()
{
    return TestSupport::readFile(configFile());
}

class SettingsStoreTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        QSettings store(QString::fromStdString(configFile().string()), QSettings::IniFormat);
        store.clear();
        store.sync();
        Settings::registerDefaults("en-US,nl-NL");
    }
};
} // namespace

TEST_F(SettingsStoreTest, FactoryDefaultsStayInMemoryAndStoredValuesWin)
{
    EXPECT_TRUE(Settings::playSound());
    EXPECT_EQ(Settings::languages(), (std::vector<std::string>{"en-US", "nl-NL"}));
    EXPECT_FALSE(Settings::termsAccepted());
    // Registered defaults stay in memory: a later version may change them for users who never chose.
    EXPECT_EQ(fileText().find("playSound"), std::string::npos) << fileText();

    Settings::set(Settings::Key::playSound, false);
    EXPECT_FALSE(Settings::playSound());
    Settings::remove(Settings::Key::playSound);
    EXPECT_TRUE(Settings::playSound());
    // A stored empty choice means "no language", not "use the default".
    Settings::set(Settings::Key::languages, "");
    EXPECT_TRUE(Settings::languages().empty());
    // User values reach the file at once.
    Settings::set(Settings::Key::termsVersionAccepted, Settings::currentTermsVersion);
    Settings::set(Settings::Key::hotkeyLabel, std::string("Ä"));
    EXPECT_NE(fileText().find("termsVersionAccepted=1"), std::string::npos) << fileText();
    EXPECT_EQ(Settings::string(Settings::Key::hotkeyLabel), "Ä");
}

// What a hand-edited file may hold: each value of the wrong type reads as its default, and an open quote or a
// trailing backslash, which would run on into the lines after them, takes no other value with it.
TEST_F(SettingsStoreTest, HandEditedFileIsReadWithoutSurprisesAndABadValueResetsThatValueAlone)
{
    const auto write = [](const char* text) {
        std::filesystem::create_directories(configFile().parent_path());
        std::ofstream(configFile(), std::ios::binary | std::ios::trunc) << "[General]\n" << text;
    };
    write("outputMode=seven\n"
          "hotkeyKeyCode=20\n"
          "recognitionLanguages=de-DE, fr-FR\n"
          "playSound=false\n"
          "launchAtLogin=true\n"
          "termsVersionAccepted=-4\n");
    EXPECT_EQ(Settings::outputMode(), Settings::OutputMode::Auto);
    EXPECT_EQ(Settings::integer(Settings::Key::hotkeyKeyCode), 20);
    // Unquoted, Qt reads the value as a list of two strings; it still means the same two codes.
    EXPECT_EQ(Settings::languages(), (std::vector<std::string>{"de-DE", "fr-FR"}));
    EXPECT_FALSE(Settings::playSound());
    EXPECT_TRUE(Settings::boolean(Settings::Key::launchAtLogin));
    EXPECT_FALSE(Settings::termsAccepted());

    write("hotkeyLabel=\"2\n"
          "termsVersionAccepted=1\n"
          "hotkeyKeyCode=abc\n"
          "recognitionLanguages=de-DE\\\n"
          "playSound=maybe\n"
          "outputMode=2\n"
          "keepHistory=false\n");
    Settings::registerDefaults("en-US,nl-NL");
    EXPECT_TRUE(Settings::termsAccepted());
    EXPECT_EQ(Settings::outputMode(), Settings::OutputMode::MarkdownTable);
    EXPECT_FALSE(Settings::boolean(Settings::Key::keepHistory));
    EXPECT_EQ(Settings::string(Settings::Key::hotkeyLabel), "2");
    EXPECT_EQ(Settings::integer(Settings::Key::hotkeyKeyCode), 19);
    EXPECT_EQ(Settings::languages(), (std::vector<std::string>{"en-US", "nl-NL"}));
    EXPECT_TRUE(Settings::playSound());
    // A later write keeps the good values on disk.
    Settings::set(Settings::Key::launchAtLogin, true);
    const std::string text = fileText();
    EXPECT_NE(text.find("termsVersionAccepted=1"), std::string::npos) << text;
    EXPECT_NE(text.find("keepHistory=false"), std::string::npos) << text;
    EXPECT_EQ(text.find("hotkeyLabel"), std::string::npos) << text;
}

TEST_F(SettingsStoreTest, ReadsFromAnotherThreadWithoutApplicationObject)
{
    Settings::set(Settings::Key::outputMode, 2);
    Settings::OutputMode seen = Settings::OutputMode::Auto;
    std::vector<std::string> languages;
    std::thread reader([&] {
        seen = Settings::outputMode();
        languages = Settings::languages();
    });
    reader.join();
    EXPECT_EQ(seen, Settings::OutputMode::MarkdownTable);
    EXPECT_EQ(languages, (std::vector<std::string>{"en-US", "nl-NL"}));
}
