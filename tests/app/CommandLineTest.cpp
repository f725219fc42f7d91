#include "support/Process.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

// Only usage errors are checked here, byte for byte; the runners behind the commands have their own tests
// (FileOCRTest, DemoRendererTest) and the dispatch itself is covered by CLITest with fake runners.
TEST(CommandLineTest, CommandWithoutValuePrintsUsageOnStderrAndExitsTwo)
{
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases{
        {{"--ocr"}, "usage: --ocr <path> [--mode auto|plain|markdown|csv|code] [--lang en-US,fr-FR]\n"},
        {{"--diag"}, "usage: --diag <path>\n"},
        {{"--batch"}, "usage: --batch <out.xlsx> <inputs\xE2\x80\xA6>\n"},
        {{"--make-demo"}, "usage: --make-demo <path.gif>\n"},
        {{"--make-sample"}, "usage: --make-sample <path.png>\n"},
        {{"stray.png", "--make-sample"}, "usage: --make-sample <path.png>\n"},
    };
    for (const auto& [arguments, usage] : cases) {
        const TestSupport::Outcome outcome = TestSupport::run(AMBREL_EXECUTABLE, arguments);
        EXPECT_EQ(outcome.status, 2) << arguments.front();
        EXPECT_EQ(outcome.out, "");
        EXPECT_EQ(outcome.err, usage);
    }
}
