#include "app/CLI.h"

#include <gtest/gtest.h>

#include <sstream>

using Settings::OutputMode;

namespace {
// Records what each runner was handed; every runner answers 0 unless told otherwise.
struct Recorder
{
    std::string called;
    std::string path;
    OutputMode mode = OutputMode::Auto;
    std::optional<std::vector<std::string>> languages;
    std::vector<std::string> inputs;
    int status = 0;

    void take(const std::string& value) { path = value; }
    void take(OutputMode value) { mode = value; }
    void take(const std::optional<std::vector<std::string>>& value) { languages = value; }
    void take(const std::vector<std::string>& value) { inputs = value; }

    // A runner of any of the signatures that keeps its arguments.
    auto runner(std::string name)
    {
        return [this, name](const auto&... arguments) {
            EXPECT_TRUE(called.empty()) << "a second runner ran: " << name;
            called = name;
            (take(arguments), ...);
            return status;
        };
    }

    CLI::Runners runners()
    {
        return {.selftest = runner("selftest"),
                .ocr = runner("ocr"),
                .diag = runner("diag"),
                .batch = runner("batch"),
                .makeDemo = runner("makeDemo"),
                .makeSample = runner("makeSample"),
                .capture = runner("capture"),
                .open = runner("open")};
    }
};

struct Dispatch
{
    std::optional<int> status;
    std::string out;
    std::string err;
};

Dispatch dispatch(std::vector<std::string> tail, const CLI::Runners& runners)
{
    tail.insert(tail.begin(), "/usr/bin/ambrel");
    std::ostringstream out, err;
    const std::optional<int> status = CLI::maybeRun(tail, runners, out, err);
    return {status, out.str(), err.str()};
}

std::string usage(const std::string& reason)
{
    return "Ambrel: " + reason + "\n" + std::string(CLI::usageLine) + "\n";
}
} // namespace

// Each row: the arguments, whether the runners are set, and the status and standard error it ends with; no runner
// runs. A missing value stays a usage error even in a build without the runner.
TEST(CLIDispatchTest, UsageErrorsAndCommandsMissingFromTheBuild)
{
    struct Case
    {
        std::vector<std::string> tail;
        bool runners;
        int status;
        std::string err;
    };
    const Case cases[] = {
        {{"--bogus"}, true, 2, usage("unknown option --bogus")},
        {{"--OCR", "a.png"}, true, 2, usage("unknown option --OCR")}, // command names are case-sensitive
        {{"--mode", "csv", "--ocr", "a.png"}, true, 2, usage("--mode goes after --ocr <path>")},
        {{"--diag", "a.pdf", "--mode", "csv"}, true, 2, usage("--mode does not go with --diag")},
        {{"--capture", "--mode", "csv"}, true, 2, usage("--mode does not go with --capture")},
        {{"--ocr", "a.png", "--ocr", "b.png"}, true, 2, usage("one command at a time: --ocr and --ocr")},
        {{"--ocr", "a.png", "--help"}, true, 2, usage("--help does not go with --ocr")},
        {{"--diag"}, true, 2, "usage: --diag <path>\n"},
        {{"stray.png", "--make-sample"}, true, 2, "usage: --make-sample <path.png>\n"},
        {{"--make-sample"}, false, 2, "usage: --make-sample <path.png>\n"},
        {{"--selftest"}, false, 1, "Ambrel: --selftest is not available in this build\n"},
        {{"--batch", "out.xlsx"}, false, 1, "Ambrel: --batch is not available in this build\n"},
        {{"--ocr", "a.png"}, false, 1, "Ambrel: --ocr is not available in this build\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.tail));
        Recorder rec;
        const Dispatch d = dispatch(c.tail, c.runners ? rec.runners() : CLI::Runners{});
        EXPECT_EQ(d.status, c.status);
        EXPECT_EQ(d.err, c.err);
        EXPECT_EQ(d.out, "");
        EXPECT_EQ(rec.called, "");
    }
}

// Each row: the arguments, the runner that runs (none: the application starts) and what it is handed. The runner's
// status is the process's.
TEST(CLIDispatchTest, EachCommandReachesItsRunnerWithItsValue)
{
    using Files = std::vector<std::string>;
    struct Case
    {
        std::vector<std::string> tail;
        std::string runner;
        std::string path;
        Files inputs;
    };
    const Case cases[] = {
        {{}, "", "", {}},
        {{"stray", "--diag", "/tmp/x y.pdf", "more"}, "diag", "/tmp/x y.pdf", {}},
        {{"stray", "--make-demo", "/tmp/x y.pdf", "more"}, "makeDemo", "/tmp/x y.pdf", {}},
        {{"stray", "--make-sample", "/tmp/x y.pdf", "more"}, "makeSample", "/tmp/x y.pdf", {}},
        {{"stray", "--ocr", "/tmp/x y.pdf", "more"}, "ocr", "/tmp/x y.pdf", {}},
        {{"--selftest", "ignored"}, "selftest", "", {}}, // these take no value: what follows is ignored
        {{"--capture", "ignored"}, "capture", "", {}},
        {{"photo.png"}, "open", "", {"photo.png"}},
        {{"scan one.pdf", "-", "b.png"}, "open", "", {"scan one.pdf", "-", "b.png"}},   // a lone dash is a name
        {{"a.png", "--", "--odd.png", "-h"}, "open", "", {"a.png", "--odd.png", "-h"}}, // after "--" only names
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.tail));
        Recorder rec;
        rec.status = 7;
        const Dispatch d = dispatch(c.tail, rec.runners());
        EXPECT_EQ(d.status, c.runner.empty() ? std::nullopt : std::optional(7));
        EXPECT_EQ(rec.called, c.runner);
        EXPECT_EQ(rec.path, c.path);
        EXPECT_EQ(rec.inputs, c.inputs);
        EXPECT_EQ(d.err, "");
    }
    Recorder rec;
    std::ostringstream out, err; // element 0 is the executable, never the command
    EXPECT_FALSE(CLI::maybeRun({"--selftest"}, rec.runners(), out, err).has_value());
    EXPECT_FALSE(CLI::maybeRun({}, rec.runners(), out, err).has_value());
    EXPECT_EQ(rec.called, "");
    EXPECT_EQ(dispatch({"a.png"}, CLI::Runners{}).status, 1);
}

TEST(CLIDispatchTest, OcrPathModeAndLanguages)
{
    Recorder rec; // whatever follows is the path
    EXPECT_EQ(dispatch({"--ocr", "--mode", "csv"}, rec.runners()).status, 0);
    EXPECT_EQ(rec.path, "--mode");
    EXPECT_EQ(rec.mode, OutputMode::CSV);
    EXPECT_FALSE(rec.languages.has_value());

    Recorder first; // the first occurrence of each option wins
    dispatch({"--ocr", "a.png", "--mode", "MD", "--lang", " fr-FR , ,de-DE,", "--mode", "csv", "--lang", "en-US"},
             first.runners());
    EXPECT_EQ(first.path, "a.png");
    EXPECT_EQ(first.mode, OutputMode::MarkdownTable);
    EXPECT_EQ(first.languages, (std::vector<std::string>{"fr-FR", "", "de-DE"}));

    Recorder joined; // GNU spelling: the value after "="; an empty value is an empty list, not an absent one
    EXPECT_EQ(dispatch({"--ocr=a b.png", "--mode=csv", "--lang=", "--unknown=x"}, joined.runners()).status, 2);
    EXPECT_EQ(dispatch({"--ocr=a b.png", "--mode=csv", "--lang="}, joined.runners()).status, 0);
    EXPECT_EQ(joined.path, "a b.png");
    EXPECT_EQ(joined.mode, OutputMode::CSV);
    EXPECT_EQ(joined.languages, std::vector<std::string>{});

    Recorder last; // "--lang" as the final argument has no value: the list is absent
    dispatch({"--ocr", "a.png", "--lang"}, last.runners());
    EXPECT_FALSE(last.languages.has_value());
}

TEST(CLIDispatchTest, BatchInputsExcludeOutputFlagsAndExecutable)
{
    Recorder rec;
    std::vector<std::string> args{"/opt/ambrel/ambrel", "--batch",     "out.xlsx", "a.pdf",    "dir/",
                                  "out.xlsx",           "/x/y/Ambrel", "b.png",    "notambrel"};
    std::ostringstream out, err;
    EXPECT_EQ(CLI::maybeRun(args, rec.runners(), out, err), 0);
    EXPECT_EQ(rec.called, "batch");
    EXPECT_EQ(rec.path, "out.xlsx");
    // The output named again is an input too, for the runner to refuse rather than to overwrite unseen.
    EXPECT_EQ(rec.inputs, (std::vector<std::string>{"a.pdf", "dir/", "out.xlsx", "b.png", "notambrel"}));
}

TEST(CLIParseTest, ModeNamesIgnoreCaseAndLanguageListsDropEmptyPieces)
{
    EXPECT_EQ(CLI::parseMode(std::nullopt), OutputMode::Auto);
    for (const auto& [name, mode] :
         std::vector<std::pair<std::string, OutputMode>>{{"AUTO", OutputMode::Auto},
                                                         {"xlsx", OutputMode::Auto},
                                                         {" csv", OutputMode::Auto},
                                                         {"PLAIN", OutputMode::PlainText},
                                                         {"Text", OutputMode::PlainText},
                                                         {"Md", OutputMode::MarkdownTable},
                                                         {"TABLE", OutputMode::MarkdownTable},
                                                         {"CSV", OutputMode::CSV},
                                                         {"Code", OutputMode::Code}})
        EXPECT_EQ(CLI::parseMode(name), mode) << name;

    using List = std::vector<std::string>;
    EXPECT_EQ(CLI::parseLanguageList(std::nullopt), std::nullopt);
    for (const auto& [value, list] : std::vector<std::pair<std::string, List>>{
             {"", {}}, {",,", {}}, {"\ten-US\t,, fr-FR ,", {"en-US", "fr-FR"}}, {" ", {""}}, {"en,en", {"en", "en"}}})
        EXPECT_EQ(CLI::parseLanguageList(value), list) << value;
}
