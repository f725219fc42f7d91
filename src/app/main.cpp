#include "app/CLI.h"
#include "app/FileOCR.h"
#include "app/qt/QuietQt.h"
#include "app/qt/SelfTest.h"
#include "demo/qt/DemoRenderer.h"

#include <unistd.h>

#include <cstdlib>
#include <iostream>
#include <string>
#include <vector>

namespace {
// Debian's Tesseract runs OpenMP threads that fight our own worker per core and make recognition several times
// slower. libgomp reads its limit once, when it is loaded, before main runs: so the limit is put into the
// environment and the process starts itself again. Set the variable yourself to opt out.
void limitOpenMPThreads(char** argv)
{
    if (std::getenv("OMP_THREAD_LIMIT") != nullptr)
        return;
    ::setenv("OMP_THREAD_LIMIT", "1", 1);
    ::execv("/proc/self/exe", argv);
    // execv only returns on failure: carry on, slower but correct.
}
} // namespace

int main(int argc, char** argv)
{
    limitOpenMPThreads(argv);

    const std::vector<std::string> args(argv, argv + argc);
    CLI::Runners runners;
    runners.selftest = [] { return SelfTest::run(std::cout); };
    runners.ocr = [](const std::string& path, Settings::OutputMode mode,
                     const std::optional<std::vector<std::string>>& languages) {
        return FileOCR::run(path, mode, languages, std::cout, std::cerr);
    };
    runners.diag = [](const std::string& path) { return FileOCR::diagnose(path, std::cout, std::cerr); };
    runners.batch = [](const std::string& output, const std::vector<std::string>& inputs) {
        return FileOCR::batch(output, inputs, std::cout, std::cerr);
    };
    runners.makeDemo = [](const std::string& path) { return DemoRenderer::run(path, std::cout, std::cerr); };
    runners.makeSample = [](const std::string& path) {
        return DemoRenderer::writeSamplePNG(path, std::cout, std::cerr);
    };
    QuietQt::install();
    if (const std::optional<int> status = CLI::maybeRun(args, runners, std::cerr))
        return *status;
    QuietQt::uninstall();
    return 0;
}
