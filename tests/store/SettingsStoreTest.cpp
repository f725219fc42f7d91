#include "store/qt/SettingsStore.h"

#include "ocr/tesseract/TessData.h"
#include "store/qt/LocaleLanguage.h"

#include <QSettings>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>

namespace {
// Points the store at a private directory before any test can open the user's real one, and removes it at exit.
struct TemporaryConfigHome
{
    std::filesystem::path dir;

    TemporaryConfigHome()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "ambrel-settings-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr)
            std::abort(); // never touch the user's own settings
        dir = pattern;
        ::setenv("XDG_CONFIG_HOME", dir.c_str(), 1);
        // Qt reads the locale from the environment once; fix it so the default languages are known.
        ::setenv("LC_ALL", "C.UTF-8", 1);
    }
    ~TemporaryConfigHome()
    {
        std::error_code ignored;
        std::filesystem::remove_all(dir, ignored);
    }
};
const TemporaryConfigHome configHome;

std::filesystem::path configFile()
{
    return configHome.dir / "Ambrel" / "Ambrel.conf";
}

std::string fileText()
{
    std::ifstream in(configFile(), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
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

TEST_F(SettingsStoreTest, FreshInstallationReadsFactoryDefaults)
{
    EXPECT_TRUE(Settings::playSound());
    EXPECT_EQ(Settings::languages(), (std::vector<std::string>{"en-US", "nl-NL"}));
    EXPECT_FALSE(Settings::termsAccepted());

    // Registered defaults stay in memory: a later version may change them for users who never chose.
    const std::string text = fileText();
    EXPECT_EQ(text.find("playSound"), std::string::npos) << text;
    EXPECT_EQ(text.find("recognitionLanguages"), std::string::npos) << text;
}

TEST_F(SettingsStoreTest, StoredValuesWinAndOutOfRangeModesReadAsAuto)
{
    Settings::set(Settings::Key::outputMode, 3);
    EXPECT_EQ(Settings::outputMode(), Settings::OutputMode::CSV);
    Settings::set(Settings::Key::outputMode, 7);
    EXPECT_EQ(Settings::outputMode(), Settings::OutputMode::Auto);

    Settings::set(Settings::Key::termsVersionAccepted, 2);
    EXPECT_TRUE(Settings::termsAccepted());

    Settings::set(Settings::Key::playSound, false);
    EXPECT_FALSE(Settings::playSound());
    Settings::remove(Settings::Key::playSound);
    EXPECT_TRUE(Settings::playSound());

    Settings::set(Settings::Key::languages, " fr-FR , ,de-DE");
    EXPECT_EQ(Settings::languages(), (std::vector<std::string>{"fr-FR", "de-DE"}));
    // A stored empty choice means "no language", not "use the default".
    Settings::set(Settings::Key::languages, "");
    EXPECT_TRUE(Settings::languages().empty());
}

TEST_F(SettingsStoreTest, UserValuesReachTheFileAtOnce)
{
    Settings::set(Settings::Key::termsVersionAccepted, Settings::currentTermsVersion);
    Settings::set(Settings::Key::hotkeyLabel, std::string("Ä"));
    const std::string text = fileText();
    EXPECT_NE(text.find("termsVersionAccepted=1"), std::string::npos) << text;
    EXPECT_NE(text.find("hotkeyLabel"), std::string::npos) << text;
    EXPECT_EQ(Settings::string(Settings::Key::hotkeyLabel), "Ä");
}

TEST_F(SettingsStoreTest, HandEditedFileIsReadWithoutSurprises)
{
    {
        std::filesystem::create_directories(configFile().parent_path());
        std::ofstream out(configFile(), std::ios::binary | std::ios::trunc);
        out << "[General]\n"
               "outputMode=seven\n"
               "hotkeyKeyCode=20\n"
               "recognitionLanguages=de-DE, fr-FR\n"
               "playSound=false\n"
               "launchAtLogin=true\n"
               "termsVersionAccepted=-4\n";
    }
    EXPECT_EQ(Settings::integer(Settings::Key::outputMode), 0);
    EXPECT_EQ(Settings::outputMode(), Settings::OutputMode::Auto);
    EXPECT_EQ(Settings::integer(Settings::Key::hotkeyKeyCode), 20);
    // Unquoted, Qt reads the value as a list of two strings; it still means the same two codes.
    EXPECT_EQ(Settings::languages(), (std::vector<std::string>{"de-DE", "fr-FR"}));
    EXPECT_FALSE(Settings::playSound());
    EXPECT_TRUE(Settings::boolean(Settings::Key::launchAtLogin));
    EXPECT_FALSE(Settings::termsAccepted());
}

TEST_F(SettingsStoreTest, ABadValueResetsThatValueAlone)
{
    {
        std::filesystem::create_directories(configFile().parent_path());
        std::ofstream out(configFile(), std::ios::binary | std::ios::trunc);
        // An open quote and a trailing backslash would each run on into the lines after them and take the
        // accepted terms with them; the other values are of the wrong type.
        out << "[General]\n"
               "hotkeyLabel=\"2\n"
               "termsVersionAccepted=1\n"
               "hotkeyKeyCode=abc\n"
               "recognitionLanguages=de-DE\\\n"
               "playSound=maybe\n"
               "outputMode=2\n"
               "keepHistory=false\n";
    }
    Settings::registerDefaults("en-US,nl-NL");
    EXPECT_TRUE(Settings::termsAccepted());
    EXPECT_EQ(Settings::outputMode(), Settings::OutputMode::MarkdownTable);
    EXPECT_FALSE(Settings::boolean(Settings::Key::keepHistory));
    // Each bad value reads as its default.
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

TEST_F(SettingsStoreTest, DefaultLanguagesFollowTheLocale)
{
    EXPECT_EQ(LocaleLanguage::current(), ""); // the C locale names no language, which reads as English
    Settings::registerDefaults(TessData::InstalledModels());
    EXPECT_EQ(Settings::languages(), std::vector<std::string>{"en-US"});
}
