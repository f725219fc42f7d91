// `ambrel --capture` and `ambrel FILE…` end to end in a private Xvfb, as desktop shortcuts and file managers run
// them: they hand their request to the running instance and exit, or with none running they become the
// application and carry it out. Every process started here is killed at the end of its test.
#include "Missing.h"
#include "support/XSessionTest.h"

#include <gtest/gtest.h>

namespace {
constexpr int deadlineMs = 20000;

struct Request
{
    const char* name;
    bool file;            // a file to open rather than --capture
    bool instanceRunning; // an instance runs before the command
};

void PrintTo(const Request& request, std::ostream* out)
{
    *out << request.name;
}

class CaptureCommandTest : public XSessionTest, public ::testing::WithParamInterface<Request>
{
protected:
    void SetUp() override
    {
        AMBREL_NEEDS(haveTools({"Xvfb", "xdotool"}), "Xvfb or xdotool missing");
        ASSERT_NO_FATAL_FAILURE(prepareHome("playSound=false\nreadyHintShown=true\ntermsVersionAccepted=1\n"));
        ASSERT_NO_FATAL_FAILURE(startServer(QStringLiteral("800x600x24")));
    }

    QProcess& startAmbrel(const QStringList& arguments = {})
    {
        return start(QStringLiteral(AMBREL_EXECUTABLE), arguments, environment());
    }

    // The single-instance socket appears once the application listens.
    bool listening()
    {
        return !QDir(m_dir.filePath("run")).entryList({QStringLiteral("ambrel-*.socket")}, QDir::System).isEmpty();
    }
};
} // namespace

TEST_P(CaptureCommandTest, TheRequestReachesTheOneApplication)
{
    // A file's window is named after the file it shows, so the file reached it.
    const QString window = GetParam().file ? QStringLiteral("^scan one\\.png .* OCR a Document$")
                                           : QStringLiteral("^Ambrel region picker$");
    const QStringList arguments{GetParam().file ? m_dir.filePath("scan one.png") : QStringLiteral("--capture")};
    QProcess* app = nullptr;
    if (GetParam().instanceRunning) {
        app = &startAmbrel();
        ASSERT_TRUE(waitFor([&] { return listening(); })) << "the application never listened";
        EXPECT_TRUE(windows(window).isEmpty());
        QProcess& command = startAmbrel(arguments);
        ASSERT_TRUE(command.waitForFinished(deadlineMs));
        EXPECT_EQ(command.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(command.exitCode(), 0);
        EXPECT_TRUE(command.readAllStandardError().isEmpty());
    } else {
        app = &startAmbrel(arguments);
    }
    EXPECT_TRUE(waitFor([&] { return !windows(window).isEmpty(); }));
    EXPECT_TRUE(listening());
    ASSERT_TRUE(app->waitForStarted(deadlineMs));
    EXPECT_EQ(app->state(), QProcess::Running); // it stays as the resident application
}

INSTANTIATE_TEST_SUITE_P(, CaptureCommandTest,
                         ::testing::Values(Request{"CaptureInTheRunningInstance", false, true},
                                           Request{"CaptureStartsTheApp", false, false},
                                           Request{"FileToTheRunningInstance", true, true},
                                           Request{"FileStartsTheApp", true, false}),
                         [](const auto& info) { return std::string(info.param.name); });
