#include "support/Process.h"

#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <regex>
#include <string>
#include <vector>

// The command line's own answers through the real executable, byte for byte, in an environment without a display:
// none of them may need one. The runners behind the commands have their own tests (FileOCRTest, DemoRendererTest)
// and the dispatch itself is covered by CLITest with fake runners.
namespace {
const std::map<std::string, std::optional<std::string>> noDisplay{
    {"DISPLAY", std::nullopt}, {"WAYLAND_DISPLAY", std::nullopt}, {"QT_QPA_PLATFORM", std::nullopt}};

TestSupport::Outcome ambrel(const std::vector<std::string>& arguments,
                            std::map<std::string, std::optional<std::string>> environment = noDisplay)
{
    return TestSupport::run(AMBREL_EXECUTABLE, arguments, environment, std::chrono::seconds(60));
}
} // namespace
TEST(CommandLineTest, HelpAndVersionGoToStandardOutputAndUsageErrorsToStandardError)
{
    const TestSupport::Outcome help = ambrel({"--help"});
    EXPECT_EQ(help.status, 0) << help.err;
    EXPECT_TRUE(help.out.starts_with("usage: ambrel [FILE\xE2\x80\xA6] | --capture | --ocr <path>")) << help.out;
    EXPECT_EQ(help.err, "");
    EXPECT_EQ(ambrel({"-h"}).out, help.out);

    const TestSupport::Outcome version = ambrel({"--version"});
    EXPECT_EQ(version.status, 0) << version.err;
    EXPECT_TRUE(std::regex_match(version.out, std::regex("ambrel [0-9]+\\.[0-9]+\\.[0-9]+\n"))) << version.out;

    // A usage error goes to standard error (the dispatch tests read each message).
    const TestSupport::Outcome usage = ambrel({"--capture", "--lang", "de-DE"});
    EXPECT_EQ(usage.status, 2);
    EXPECT_EQ(usage.out, "");
    EXPECT_TRUE(usage.err.starts_with("Ambrel: --lang does not go with --capture\nusage: ambrel [FILE")) << usage.err;
}

// The application, a capture and files to open all need a window: without a display, one line and status 1,
// never Qt's abort.
TEST(CommandLineTest, WithoutADisplayTheAppSaysSoAndExitsOne)
{
    TestSupport::TempDir home;
    auto environment = noDisplay;
    environment.emplace("XDG_RUNTIME_DIR", home.path().string());
    for (const std::vector<std::string>& arguments :
         {std::vector<std::string>{}, {"--capture"}, {(home / "photo.png").string()}}) {
        const TestSupport::Outcome outcome = ambrel(arguments, environment);
        EXPECT_EQ(outcome.status, 1) << outcome.signal;
        EXPECT_EQ(outcome.out, "");
        EXPECT_EQ(outcome.err, "Ambrel: no display found (DISPLAY and WAYLAND_DISPLAY are unset)\n");
    }
    environment["DISPLAY"] = ":4093"; // no X server there
    const TestSupport::Outcome unreachable = ambrel({}, environment);
    EXPECT_EQ(unreachable.status, 1) << unreachable.signal;
    EXPECT_EQ(unreachable.err, "Ambrel: cannot open display :4093\n");
}
