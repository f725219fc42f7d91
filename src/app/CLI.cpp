#include "app/CLI.h"

#include "store/Settings.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <ostream>

namespace {
// What a command is handed once its name has matched.
struct Call
{
    const std::vector<std::string>& args;
    const std::string& value; // the argument after the command; empty for a command without one
    Settings::OutputMode mode;
};

// Runs `runner` when this build has it; no value otherwise.
template <typename Runner, typename... Arguments>
std::optional<int> runIfPresent(const Runner& runner, const Arguments&... arguments)
{
    if (!runner)
        return std::nullopt;
    return runner(arguments...);
}

struct Command
{
    std::string_view name;
    std::string_view usage; // empty for a command that takes no value
    std::optional<int> (*run)(const CLI::Runners&, const Call&);
    bool takesOutputOptions = false;                     // "--mode" and "--lang"
    bool (*accepts)(const std::string& value) = nullptr; // a value it refuses is a usage error
};

bool endsWith(std::string_view text, std::string_view suffix);

// A workbook's name ends in ".xlsx". Any other name is taken only for a file that does not exist yet, so that a
// forgotten output name (`--batch a.png b.png`) can never turn the first input into a workbook.
bool acceptsWorkbook(const std::string& output)
{
    std::string lower = output;
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    std::error_code error;
    return endsWith(lower, ".xlsx") || !std::filesystem::exists(std::filesystem::symlink_status(output, error));
}

// Matched in this order, exactly. A new command is one row here (and its runner in CLI::Runners).
constexpr Command commands[] = {
    {"--selftest", "", [](const CLI::Runners& r, const Call&) { return runIfPresent(r.selftest); }},
    {"--ocr", "usage: --ocr <path> [--mode auto|plain|markdown|csv|code] [--lang en-US,fr-FR]",
     [](const CLI::Runners& r, const Call& c) {
         return runIfPresent(r.ocr, c.value, c.mode, CLI::parseLanguageList(CLI::valueAfter(c.args, "--lang")));
     },
     true},
    {"--diag", "usage: --diag <path>",
     [](const CLI::Runners& r, const Call& c) { return runIfPresent(r.diag, c.value); }},
    {"--batch", "usage: --batch <out.xlsx> <inputs\u2026>",
     [](const CLI::Runners& r, const Call& c) {
         return runIfPresent(r.batch, c.value, CLI::batchInputs(c.args, c.value));
     },
     false, acceptsWorkbook},
    {"--make-demo", "usage: --make-demo <path.gif>",
     [](const CLI::Runners& r, const Call& c) { return runIfPresent(r.makeDemo, c.value); }},
    {"--make-sample", "usage: --make-sample <path.png>",
     [](const CLI::Runners& r, const Call& c) { return runIfPresent(r.makeSample, c.value); }},
    {"--capture", "", [](const CLI::Runners& r, const Call&) { return runIfPresent(r.capture); }},
};

constexpr std::string_view outputOptions[] = {"--mode", "--lang"};

constexpr std::string_view help =
    "\n"
    "Without arguments, starts Ambrel in the tray, or brings the running one forward.\n"
    "With files, opens them in the document window of the running Ambrel, starting it when none runs.\n"
    "\n"
    "Commands:\n"
    "  --capture                  capture a region of the screen (starts Ambrel when none runs)\n"
    "  --ocr <path>               print the text of a picture or PDF\n"
    "      --mode <mode>          auto, plain, markdown, csv or code (default auto)\n"
    "      --lang <codes>         recognition languages in order, such as en-US,fr-FR\n"
    "                             (default: the languages chosen in the settings)\n"
    "  --diag <path>              print what the table detection saw on each page\n"
    "  --batch <out.xlsx> <inputs\u2026>  write every page of the inputs to one workbook\n"
    "  --selftest                 recognize a drawn table and print what came back\n"
    "  --make-demo <path.gif>     write the demonstration animation\n"
    "  --make-sample <path.png>   write a sample invoice picture\n"
    "  -h, --help                 print this help\n"
    "  --version                  print the version\n"
    "\n"
    "Exit status: 0 on success, 1 when an input cannot be read or an output written, 2 for a usage error.\n";

bool isFlag(const std::string& argument)
{
    return argument.rfind("--", 0) == 0;
}

// An option as GNU programs spell them: one or two dashes and a name. A lone "-" is an operand.
bool isOption(const std::string& argument)
{
    return argument.size() > 1 && argument[0] == '-';
}

bool endsWith(std::string_view text, std::string_view suffix)
{
    return text.size() >= suffix.size() && text.substr(text.size() - suffix.size()) == suffix;
}

bool takesValue(std::string_view name)
{
    if (std::find(std::begin(outputOptions), std::end(outputOptions), name) != std::end(outputOptions))
        return true;
    return std::any_of(std::begin(commands), std::end(commands),
                       [&](const Command& command) { return command.name == name && !command.usage.empty(); });
}

// "--ocr=a.png" becomes "--ocr" "a.png", for the options that take a value; element 0 stays as it is.
std::vector<std::string> splitAssignments(const std::vector<std::string>& args)
{
    std::vector<std::string> split;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::size_t equals = args[i].find('=');
        if (i > 0 && isFlag(args[i]) && equals != std::string::npos && takesValue(args[i].substr(0, equals))) {
            split.push_back(args[i].substr(0, equals));
            split.push_back(args[i].substr(equals + 1));
        } else {
            split.push_back(args[i]);
        }
    }
    return split;
}

int usageError(std::ostream& err, const std::string& reason)
{
    err << "Ambrel: " << reason << '\n' << CLI::usageLine << '\n';
    return static_cast<int>(CLI::Exit::Usage);
}

// The first option other than `command` (at `commandAt`) that the command does not take, skipping the values of
// those it does take.
std::optional<std::string> misplacedOption(const std::vector<std::string>& args, std::size_t commandAt,
                                           const Command& command)
{
    for (std::size_t i = 1; i < args.size(); ++i) {
        if (i == commandAt) {
            i += command.usage.empty() ? 0 : 1; // its value, whatever it is
            continue;
        }
        if (!isOption(args[i]))
            continue;
        const bool own =
            command.takesOutputOptions
            && std::find(std::begin(outputOptions), std::end(outputOptions), args[i]) != std::end(outputOptions);
        if (!own)
            return args[i];
        ++i; // the option's value
    }
    return std::nullopt;
}
} // namespace

const std::string_view CLI::usageLine =
    "usage: ambrel [FILE\u2026] | --capture | --ocr <path> [--mode <mode>] [--lang <codes>] | --diag <path> | "
    "--batch <out.xlsx> <inputs\u2026> | --selftest | --help | --version";

std::optional<int> CLI::maybeRun(const std::vector<std::string>& given, const Runners& runners, std::ostream& out,
                                 std::ostream& err)
{
    const std::vector<std::string> args = splitAssignments(given);
    // Element 0 is the executable's path, never a command.
    const auto start = args.begin() + std::min<std::ptrdiff_t>(1, std::ssize(args));
    const auto first = std::find_if(start, args.end(), isOption);
    if (first == args.end() || *first == "--") {
        std::vector<std::string> files(start, first);
        if (first != args.end())
            files.insert(files.end(), first + 1, args.end());
        if (files.empty())
            return std::nullopt;
        if (const std::optional<int> status = runIfPresent(runners.open, files))
            return status;
        err << "Ambrel: opening files is not available in this build\n";
        return static_cast<int>(Exit::Failure);
    }
    if (*first == "--help" || *first == "-h") {
        out << usageLine << '\n' << help;
        return static_cast<int>(Exit::Success);
    }
    if (*first == "--version") {
        out << "ambrel " << AMBREL_VERSION << '\n';
        return static_cast<int>(Exit::Success);
    }
    const auto command = std::find_if(std::begin(commands), std::end(commands),
                                      [&](const Command& candidate) { return candidate.name == *first; });
    if (command == std::end(commands)) {
        if (std::find(std::begin(outputOptions), std::end(outputOptions), *first) != std::end(outputOptions))
            return usageError(err, *first + " goes after --ocr <path>");
        return usageError(err, "unknown option " + *first);
    }

    const Settings::OutputMode mode = parseMode(valueAfter(args, "--mode"));
    std::string value;
    if (!command->usage.empty()) {
        std::optional<std::string> found = valueAfter(args, command->name);
        if (!found) {
            err << command->usage << '\n';
            return static_cast<int>(Exit::Usage);
        }
        value = std::move(*found);
        if (command->accepts && !command->accepts(value)) {
            err << command->usage << '\n';
            return static_cast<int>(Exit::Usage);
        }
    }
    if (const std::optional<std::string> misplaced =
            misplacedOption(args, static_cast<std::size_t>(first - args.begin()), *command)) {
        const bool isCommand = std::any_of(std::begin(commands), std::end(commands),
                                           [&](const Command& other) { return other.name == *misplaced; });
        if (isCommand)
            return usageError(err, "one command at a time: " + std::string(command->name) + " and " + *misplaced);
        return usageError(err, *misplaced + " does not go with " + std::string(command->name));
    }

    if (const std::optional<int> status = command->run(runners, Call{args, value, mode}))
        return status;
    err << "Ambrel: " << command->name << " is not available in this build\n";
    return static_cast<int>(Exit::Failure);
}

std::optional<std::string> CLI::valueAfter(const std::vector<std::string>& args, std::string_view flag)
{
    if (args.size() < 2)
        return std::nullopt;
    const auto found = std::find(args.begin() + 1, args.end(), flag);
    if (found == args.end() || found + 1 == args.end())
        return std::nullopt;
    return *(found + 1);
}

Settings::OutputMode CLI::parseMode(const std::optional<std::string>& value)
{
    using Settings::OutputMode;
    if (!value)
        return OutputMode::Auto;
    std::string lower = *value;
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (lower == "plain" || lower == "text")
        return OutputMode::PlainText;
    if (lower == "markdown" || lower == "md" || lower == "table")
        return OutputMode::MarkdownTable;
    if (lower == "csv")
        return OutputMode::CSV;
    if (lower == "code")
        return OutputMode::Code;
    return OutputMode::Auto;
}

std::optional<std::vector<std::string>> CLI::parseLanguageList(const std::optional<std::string>& value)
{
    if (!value)
        return std::nullopt;
    std::vector<std::string> codes;
    std::string_view rest = *value;
    while (true) {
        const size_t comma = rest.find(',');
        const std::string_view piece = rest.substr(0, comma);
        // Only pieces empty before trimming are dropped: "a, ,b" keeps an empty code, as the command always did.
        if (!piece.empty())
            codes.emplace_back(Settings::trimmedBlanks(piece));
        if (comma == std::string_view::npos)
            break;
        rest.remove_prefix(comma + 1);
    }
    return codes;
}

std::vector<std::string> CLI::batchInputs(const std::vector<std::string>& args, const std::string& output)
{
    std::vector<std::string> inputs;
    // Only the output's own place is left out: the same path again is an input, which the runner refuses to
    // overwrite rather than silently dropping it.
    const auto batch = std::find(args.begin() + std::min<std::ptrdiff_t>(1, std::ssize(args)), args.end(), "--batch");
    std::size_t outputAt = 0;
    if (batch != args.end() && batch + 1 != args.end() && *(batch + 1) == output)
        outputAt = static_cast<std::size_t>(batch - args.begin()) + 1;
    for (size_t i = 1; i < args.size(); ++i) {
        const std::string& argument = args[i];
        // The executable may appear again when a launcher passes its own path along.
        if (isFlag(argument) || i == outputAt || endsWith(argument, "/ambrel") || endsWith(argument, "/Ambrel"))
            continue;
        inputs.push_back(argument);
    }
    return inputs;
}
