// `ambrel --capture` end to end in a private Xvfb, as desktop shortcuts run it: it makes the running instance
// open its pickers and exits, or with none running it becomes the application and captures. Every process
// started here is killed at the end of its test.
#include "app/CLI.h"
#include "support/XSessionTest.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>
#include <unistd.h>

#include <functional>
#include <memory>
#include <sstream>
#include <vector>

namespace {
constexpr int deadlineMs = 20000;

class CaptureCommandTest : public XSessionTest
{
protected:
    void SetUp() override
    {
        for (const char* tool : {"Xvfb", "xdotool"})
            if (QStandardPaths::findExecutable(QLatin1String(tool)).isEmpty())
                GTEST_SKIP() << "Xvfb or xdotool missing";
        ASSERT_TRUE(m_dir.isValid());
        for (const char* folder : {"config/Ambrel", "data", "run"})
            QDir(m_dir.path()).mkpath(QLatin1String(folder));
        QFile::setPermissions(m_dir.filePath("run"),
                              QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        QFile settings(m_dir.filePath("config/Ambrel/Ambrel.conf"));
        ASSERT_TRUE(settings.open(QIODevice::WriteOnly));
        settings.write("[General]\nplaySound=false\nreadyHintShown=true\ntermsVersionAccepted=1\n");
        settings.close();

        ASSERT_NO_FATAL_FAILURE(startServer(QStringLiteral("800x600x24")));
    }

    QProcess& startAmbrel(const QStringList& arguments = {})
    {
        return start(QStringLiteral(AMBREL_EXECUTABLE), arguments, environment());
    }

    int pickerCount() { return windowCount(QStringLiteral("^Ambrel region picker$")); }

    int windowCount(const QString& namePattern)
    {
        QProcess search;
        search.setProcessEnvironment(environment());
        search.start(QStringLiteral("xdotool"), {QStringLiteral("search"), QStringLiteral("--name"), namePattern});
        if (!search.waitForFinished(10000)) {
            search.kill();
            search.waitForFinished();
        }
        return int(
            QString::fromUtf8(search.readAllStandardOutput()).split(QLatin1Char('\n'), Qt::SkipEmptyParts).size());
    }

    // The single-instance socket appears once the application listens.
    bool listening()
    {
        return !QDir(m_dir.filePath("run")).entryList({QStringLiteral("ambrel-*.socket")}, QDir::System).isEmpty();
    }
};
} // namespace

TEST_F(CaptureCommandTest, RunningInstanceCapturesAndTheCommandExits)
{
    QProcess& app = startAmbrel();
    ASSERT_TRUE(waitFor([&] { return listening(); })) << "the application never listened";
    EXPECT_EQ(pickerCount(), 0);

    QProcess& command = startAmbrel({QStringLiteral("--capture")});
    ASSERT_TRUE(command.waitForFinished(deadlineMs));
    EXPECT_EQ(command.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(command.exitCode(), 0);
    EXPECT_TRUE(command.readAllStandardError().isEmpty());
    EXPECT_TRUE(waitFor([&] { return pickerCount() > 0; }));
    ASSERT_TRUE(app.waitForStarted(deadlineMs));
    EXPECT_EQ(app.state(), QProcess::Running);
}

TEST_F(CaptureCommandTest, WithNoInstanceTheCommandStartsTheAppWhichCaptures)
{
    QProcess& app = startAmbrel({QStringLiteral("--capture")});
    EXPECT_TRUE(waitFor([&] { return pickerCount() > 0; }));
    EXPECT_TRUE(listening());
    ASSERT_TRUE(app.waitForStarted(deadlineMs));
    EXPECT_EQ(app.state(), QProcess::Running); // it stays as the resident application
}

// What a file manager's "Open With" runs: `ambrel FILE…` hands the files to the running instance's document window.
TEST_F(CaptureCommandTest, FilesGoToTheDocumentWindowOfTheRunningInstance)
{
    QProcess& app = startAmbrel();
    ASSERT_TRUE(waitFor([&] { return listening(); })) << "the application never listened";
    EXPECT_EQ(windowCount(QStringLiteral("OCR a Document$")), 0);

    QProcess& command = startAmbrel({m_dir.filePath("scan one.png")});
    ASSERT_TRUE(command.waitForFinished(deadlineMs));
    EXPECT_EQ(command.exitCode(), 0);
    EXPECT_TRUE(command.readAllStandardError().isEmpty());
    // The window is named after the file it shows, so the file reached it.
    EXPECT_TRUE(waitFor([&] { return windowCount(QStringLiteral("^scan one\\.png .* OCR a Document$")) > 0; }));
    ASSERT_TRUE(app.waitForStarted(deadlineMs));
    EXPECT_EQ(app.state(), QProcess::Running);
}

TEST_F(CaptureCommandTest, FilesWithNoInstanceStartTheAppWithTheDocumentWindow)
{
    QProcess& app = startAmbrel({m_dir.filePath("scan one.png")});
    // The window is named after the file it shows, so the file reached it.
    EXPECT_TRUE(waitFor([&] { return windowCount(QStringLiteral("^scan one\\.png .* OCR a Document$")) > 0; }));
    EXPECT_TRUE(listening());
    ASSERT_TRUE(app.waitForStarted(deadlineMs));
    EXPECT_EQ(app.state(), QProcess::Running); // it stays as the resident application
}

TEST(CaptureCommandLineTest, CaptureTakesNoValueAndNoOption)
{
    int runs = 0;
    CLI::Runners runners;
    runners.capture = [&] { return ++runs, 0; };
    for (const std::vector<std::string>& args :
         std::vector<std::vector<std::string>>{{"ambrel", "--capture"}, {"ambrel", "--capture", "stray"}}) {
        std::ostringstream out, err;
        EXPECT_EQ(CLI::maybeRun(args, runners, out, err), 0);
        EXPECT_TRUE(err.str().empty());
    }
    EXPECT_EQ(runs, 2);
    // The output options belong to --ocr: before or after --capture they are a usage error, and nothing captures.
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {"ambrel", "--mode", "csv", "--capture"}, {"ambrel", "--capture", "--mode", "csv"}}) {
        std::ostringstream out, err;
        EXPECT_EQ(CLI::maybeRun(args, runners, out, err), 2);
    }
    EXPECT_EQ(runs, 2);
}
