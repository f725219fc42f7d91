#pragma once

#include "ocr/OutputMode.h"

#include <functional>
#include <iosfwd>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The command line: which command the arguments name and what it is given. Every command's work is done by a
// runner the process entry hands in; the dispatcher itself prints only the help, the version and usage errors.
namespace CLI {
enum class Exit : int
{
    Success = 0,
    Failure = 1,
    Usage = 2,
};

// The work behind each command. Each returns the exit status; an unset runner means this build lacks the command.
struct Runners
{
    std::function<int()> selftest;
    std::function<int(const std::string& path, Settings::OutputMode mode,
                      const std::optional<std::vector<std::string>>& languages)>
        ocr;
    std::function<int(const std::string& path)> diag;
    std::function<int(const std::string& output, const std::vector<std::string>& inputs)> batch;
    std::function<int(const std::string& path)> makeDemo;
    std::function<int(const std::string& path)> makeSample;
    // "--capture": makes the running instance capture, or starts the application to capture. Takes no value.
    std::function<int()> capture;
    // Files and no command: opens them in the document window of the running instance, or starts the application
    // to open them. Handed the arguments as given.
    std::function<int(const std::vector<std::string>& files)> open;
};

// The one-line summary of the command line that usage errors print.
extern const std::string_view usageLine;

// Runs the command named by `args` (element 0 is the executable's path) and returns its exit status, or no value
// when the arguments are empty and the application should start. "--help" (or "-h") and "--version" print to
// `out`; an unknown option, an option the command does not take, or a command without its value print the usage to
// `err` and give status 2. "--name=value" is read as "--name value".
std::optional<int> maybeRun(const std::vector<std::string>& args, const Runners& runners, std::ostream& out,
                            std::ostream& err);

// Returns the argument after the first one equal to `flag`, whatever it is, or no value when the flag is absent
// or last.
std::optional<std::string> valueAfter(const std::vector<std::string>& args, std::string_view flag);

// Returns the mode named by a "--mode" value, compared without case; unknown or absent values give automatic.
Settings::OutputMode parseMode(const std::optional<std::string>& value);

// Returns the "--lang" list: pieces between commas, trimmed of spaces and tabs, empty pieces before trimming
// dropped. An absent value gives no list; an empty value gives an empty list.
std::optional<std::vector<std::string>> parseLanguageList(const std::optional<std::string>& value);

// Returns the inputs of "--batch": every argument that is not a flag, not the output path and not this
// executable, in command-line order.
std::vector<std::string> batchInputs(const std::vector<std::string>& args, const std::string& output);
} // namespace CLI
