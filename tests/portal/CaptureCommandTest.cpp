// `ambrel --capture` end to end in a private Xvfb, as desktop shortcuts run it: it makes the running instance
// open its pickers and exits, or with none running it becomes the application and captures. Every process
// started here is killed at the end of its test.
#include "app/CLI.h"

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

bool waitFor(const std::function<bool()>& done, int ms = deadlineMs)
{
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > ms)
            return false;
        QThread::msleep(25);
    }
    return true;
}

class CaptureCommandTest : public ::testing::Test
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

        QProcess& xvfb =
            start(QStringLiteral("Xvfb"),
                  {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-screen"), QStringLiteral("0"),
                   QStringLiteral("800x600x24"), QStringLiteral("-nolisten"), QStringLiteral("tcp")},
                  QProcessEnvironment::systemEnvironment());
        ASSERT_TRUE(waitFor([&] { return xvfb.canReadLine() || (xvfb.waitForReadyRead(100) && xvfb.canReadLine()); }))
            << "Xvfb did not report its display";
        m_display = QLatin1Char(':') + QString::fromLatin1(xvfb.readLine().trimmed());
    }

    void TearDown() override
    {
        // The apps before the X server they talk to.
        for (auto it = m_processes.rbegin(); it != m_processes.rend(); ++it) {
            QProcess& process = **it;
            if (process.state() != QProcess::NotRunning) {
                process.kill();
                process.waitForFinished(5000);
            }
        }
        m_processes.clear();
    }

    QProcess& start(const QString& program, const QStringList& arguments, const QProcessEnvironment& env)
    {
        m_processes.push_back(std::make_unique<QProcess>());
        QProcess& process = *m_processes.back();
        process.setProcessEnvironment(env);
        process.start(program, arguments);
        return process;
    }

    // An X11 session: the portals stay out of it.
    QProcessEnvironment environment() const
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("DISPLAY"), m_display);
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), m_dir.filePath("config"));
        env.insert(QStringLiteral("XDG_DATA_HOME"), m_dir.filePath("data"));
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_dir.filePath("run"));
        env.insert(QStringLiteral("OMP_THREAD_LIMIT"), QStringLiteral("1"));
        for (const char* name : {"WAYLAND_DISPLAY", "XDG_SESSION_TYPE", "AMBREL_PLATFORM"})
            env.remove(QLatin1String(name));
        return env;
    }

    QProcess& startAmbrel(const QStringList& arguments = {})
    {
        return start(QStringLiteral(AMBREL_EXECUTABLE), arguments, environment());
    }

    int pickerCount()
    {
        QProcess search;
        search.setProcessEnvironment(environment());
        search.start(QStringLiteral("xdotool"),
                     {QStringLiteral("search"), QStringLiteral("--name"), QStringLiteral("^Ambrel region picker$")});
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

    QTemporaryDir m_dir;
    QString m_display;
    std::vector<std::unique_ptr<QProcess>> m_processes;
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

TEST(CaptureCommandLineTest, CaptureTakesNoValueAndIsNeverAUsageError)
{
    int runs = 0;
    CLI::Runners runners;
    runners.capture = [&] { return ++runs, 0; };
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {"ambrel", "--capture"}, {"ambrel", "--capture", "--mode", "csv"}, {"ambrel", "--capture", "stray"}}) {
        std::ostringstream err;
        EXPECT_EQ(CLI::maybeRun(args, runners, err), 0);
        EXPECT_TRUE(err.str().empty());
    }
    EXPECT_EQ(runs, 3);
    // Only the first flag can be the command: behind "--mode" it starts the application without capturing.
    std::ostringstream err;
    EXPECT_EQ(CLI::maybeRun({"ambrel", "--mode", "csv", "--capture"}, runners, err), std::nullopt);
    EXPECT_EQ(runs, 3);
}
