#include "app/CLI.h"
#include "app/QuickOCR.h"

#include <dlfcn.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

// The executable links only the recognition engines. Qt, Poppler and libheif, about half of the libraries the whole
// program needs and half of its start-up time, live in libambrel-app.so, loaded when a command needs them. Tesseract's
// OpenMP threads are limited to one per engine where Tesseract opens them (TesseractEngine.cpp, linked here), so no
// environment needs to be in force before the runtime loads.
namespace {
std::vector<std::filesystem::path> appLibraryCandidates()
{
    std::error_code error;
    const std::filesystem::path here = std::filesystem::read_symlink("/proc/self/exe", error).parent_path();
    // Beside the executable in a build tree, under the library directory once installed.
    return {here / "libambrel-app.so", here.parent_path() / AMBREL_INSTALL_LIBDIR / "ambrel" / "libambrel-app.so"};
}

int runApp(int argc, char** argv)
{
    std::string failure;
    for (const std::filesystem::path& candidate : appLibraryCandidates()) {
        std::error_code error;
        if (!std::filesystem::exists(candidate, error))
            continue;
        // Global, so that the image plugins Qt loads later find the Qt libraries this one brought in.
        void* library = ::dlopen(candidate.c_str(), RTLD_LAZY | RTLD_GLOBAL);
        if (library == nullptr) {
            failure = ::dlerror();
            break;
        }
        using Main = int (*)(int, char**);
        if (auto entry = reinterpret_cast<Main>(::dlsym(library, "ambrel_main")))
            return entry(argc, argv);
        failure = candidate.string() + " has no entry point";
        break;
    }
    if (failure.empty())
        failure = "libambrel-app.so is missing beside " + appLibraryCandidates().front().parent_path().string();
    std::fprintf(stderr, "Ambrel: could not load the application: %s\n", failure.c_str());
    return 1;
}

// Answers the command line here when it can; no value means the whole program must.
std::optional<int> quickly(int argc, char** argv)
{
    bool handled = false;
    CLI::Runners runners;
    runners.ocr = [&handled](const std::string& path, Settings::OutputMode mode,
                             const std::optional<std::vector<std::string>>& languages) {
        const std::optional<int> status = QuickOCR::run(path, mode, languages, std::cout);
        handled = status.has_value();
        return status.value_or(0);
    };
    // Every other command is the whole program's; these only say so.
    runners.selftest = runners.capture = [] { return 0; };
    runners.diag = runners.makeDemo = runners.makeSample = [](const std::string&) { return 0; };
    runners.batch = [](const std::string&, const std::vector<std::string>&) { return 0; };
    // Usage errors are left to the whole program too, which prints them in the same words.
    std::ostream ignored(nullptr);
    const std::optional<int> status = CLI::maybeRun(std::vector<std::string>(argv, argv + argc), runners, ignored);
    return handled ? status : std::nullopt;
}
} // namespace

int main(int argc, char** argv)
{
    if (const std::optional<int> status = quickly(argc, argv)) {
        // Nothing is left to tear down but the loaded model, which would only cost time. Output that never
        // reached its file is a failure the user must hear of.
        std::cout.flush();
        if (std::fflush(stdout) != 0 || std::ferror(stdout) || std::cout.fail()) {
            std::fprintf(stderr, "Ambrel: could not write the output: %s\n", std::strerror(errno ? errno : EIO));
            std::_Exit(*status == 0 ? 1 : *status);
        }
        std::fflush(nullptr);
        std::_Exit(*status);
    }
    return runApp(argc, argv);
}
