#include "app/CLI.h"
#include "app/FileOCR.h"
#include "app/qt/Application.h"
#include "app/qt/DesktopServices.h"
#include "app/qt/QuietQt.h"
#include "app/qt/SelfTest.h"
#include "demo/qt/DemoRenderer.h"
#include "sources/Confined.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

namespace {
// The user may quit while a capture or a document page is still being recognized on a worker. Its completion
// would reach into an application that no longer exists, and static destructors would pull the engines' data from
// under it: so the app ends here, without them. Settings and history are on disk after every change already, and
// a command has written its files and output by the time it returns.
[[noreturn]] int endApplication(int status)
{
    // Output that never reached its file (a full disk, /dev/full, a closed pipe) is a failure the user must hear of.
    std::cout.flush();
    const bool lost = std::fflush(stdout) != 0 || std::ferror(stdout) || std::cout.fail();
    const int error = errno;
    if (lost) {
        std::fprintf(stderr, "Ambrel: could not write the output: %s\n", std::strerror(error ? error : EIO));
        status = status == 0 ? 1 : status;
    }
    std::fflush(nullptr);
    std::_Exit(status);
}
} // namespace

// No command connects to a display: --ocr, --diag and --batch run without a QGuiApplication, which would cost
// start-up time, and the commands that draw make theirs on the offscreen platform (GuiSession).
int main(int argc, char** argv)
{
    const std::vector<std::string> args(argv, argv + argc);
    // A helper decoding untrusted files for the process that started it (sources/Confined.h).
    if (args.size() == 2 && args[1] == Confined::helperFlag) {
        QuietQt::install();
        endApplication(Confined::serve(3));
    }
    std::error_code noExecutable;
    const std::filesystem::path executable = std::filesystem::read_symlink("/proc/self/exe", noExecutable);
    if (!noExecutable)
        Confined::useHelpers(executable.string());
    CLI::Runners runners;
    runners.selftest = [] { return SelfTest::run(std::cout); };
    runners.ocr = [](const std::string& path, Settings::OutputMode mode,
                     const std::optional<std::vector<std::string>>& languages) {
        return FileOCR::run(desktopServices(), path, mode, languages, std::cout, std::cerr);
    };
    runners.diag = [](const std::string& path) {
        return FileOCR::diagnose(desktopServices(), path, std::cout, std::cerr);
    };
    runners.batch = [](const std::string& output, const std::vector<std::string>& inputs) {
        return FileOCR::batch(desktopServices(), output, inputs, std::cout, std::cerr);
    };
    runners.makeDemo = [](const std::string& path) { return DemoRenderer::run(path, std::cout, std::cerr); };
    runners.makeSample = [](const std::string& path) {
        return DemoRenderer::writeSamplePNG(path, std::cout, std::cerr);
    };
    // The running instance captures; with none, this process becomes the application and captures.
    runners.capture = [argc, argv] {
        QuietQt::uninstall();
        return endApplication(Application::run(argc, argv, QStringLiteral("capture")));
    };
    // What a file manager's "Open With" runs: the files go to the document window, of this process if need be.
    runners.open = [argc, argv](const std::vector<std::string>& files) {
        QuietQt::uninstall();
        return endApplication(Application::run(argc, argv, Application::openRequest(files)));
    };
    QuietQt::install();
    // A command's output is complete when its runner returns; tearing down the loaded models would only add time.
    if (const std::optional<int> status = CLI::maybeRun(args, runners, std::cout, std::cerr))
        endApplication(*status);
    QuietQt::uninstall();
    return endApplication(Application::run(argc, argv));
}
