#include <fcntl.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

extern char** environ;

namespace {
struct Outcome
{
    int status = -1;
    std::string out;
    std::string err;
};

std::string contents(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Runs the built executable with `arguments`, its output streams going to files in a fresh directory that is
// removed again before returning.
Outcome runAmbrel(const std::vector<std::string>& arguments)
{
    std::string pattern = (std::filesystem::temp_directory_path() / "ambrel-cli-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) {
        ADD_FAILURE() << "mkdtemp failed";
        return {};
    }
    const std::filesystem::path dir = pattern;
    const std::string outPath = (dir / "out").string();
    const std::string errPath = (dir / "err").string();

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);

    std::vector<std::string> argvStrings{AMBREL_EXECUTABLE};
    argvStrings.insert(argvStrings.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& s : argvStrings)
        argv.push_back(s.data());
    argv.push_back(nullptr);

    Outcome outcome;
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, AMBREL_EXECUTABLE, &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned == 0) {
        int wstatus = 0;
        while (::waitpid(pid, &wstatus, 0) < 0 && errno == EINTR) {
        }
        outcome.status = WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : -1;
        outcome.out = contents(outPath);
        outcome.err = contents(errPath);
    } else {
        ADD_FAILURE() << "could not start " << AMBREL_EXECUTABLE;
    }
    std::error_code ignored;
    std::filesystem::remove_all(dir, ignored);
    return outcome;
}
} // namespace

// Only usage errors are checked here: every other command line starts real work or the application, which
// grows as the other subsystems land. The dispatch itself is covered by CLITest with fake runners.
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
        const Outcome outcome = runAmbrel(arguments);
        EXPECT_EQ(outcome.status, 2) << arguments.front();
        EXPECT_EQ(outcome.out, "");
        EXPECT_EQ(outcome.err, usage);
    }
}
