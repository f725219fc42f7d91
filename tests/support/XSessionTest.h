#pragma once

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <vector>

// Polls `done` every 25 ms until it holds or `ms` have passed; returns whether it holds. For conditions outside
// this process (files, windows, other programs), so no event loop runs meanwhile.
inline bool waitFor(const std::function<bool()>& done, int ms = 20000)
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

// The first line `process` prints, waited for up to 20 s; empty when none came.
inline QString firstLine(QProcess& process)
{
    waitFor([&] { return process.canReadLine() || (process.waitForReadyRead(100) && process.canReadLine()); });
    return QString::fromLatin1(process.readLine().trimmed());
}

// A test in a private X server: Xvfb on a display of its own, processes started against it, and a temporary
// home for settings, data and the runtime folder. Every process started here is killed at the end of the test,
// the X server last.
class XSessionTest : public ::testing::Test
{
protected:
    void TearDown() override
    {
        for (auto it = m_processes.rbegin(); it != m_processes.rend(); ++it) {
            QProcess& process = **it;
            if (process.state() != QProcess::NotRunning) {
                process.kill();
                process.waitForFinished(5000);
            }
        }
        m_processes.clear();
    }

    // Whether every one of `tools` is on the PATH.
    static bool haveTools(const QStringList& tools)
    {
        return std::all_of(tools.begin(), tools.end(),
                           [](const QString& tool) { return !QStandardPaths::findExecutable(tool).isEmpty(); });
    }

    // The folders the app writes to, and its settings file holding the [General] lines given.
    void prepareHome(const QByteArray& settings)
    {
        ASSERT_TRUE(m_dir.isValid());
        for (const char* folder : {"config/Ambrel", "data", "run"})
            QDir(m_dir.path()).mkpath(QLatin1String(folder));
        QFile::setPermissions(m_dir.filePath("run"),
                              QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        QFile file(m_dir.filePath("config/Ambrel/Ambrel.conf"));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("[General]\n" + settings);
    }

    // Runs a short command against the display to its end and returns its standard output.
    QString run(const QString& program, const QStringList& arguments)
    {
        QProcess process;
        process.setProcessEnvironment(environment());
        process.start(program, arguments);
        if (!process.waitForFinished(10000)) {
            process.kill();
            process.waitForFinished();
        }
        return QString::fromUtf8(process.readAllStandardOutput());
    }

    // Windows that are mapped: xdotool also finds a window between its creation and its mapping, when clicks and
    // keys still go to whatever lies below.
    QStringList windows(const QString& namePattern)
    {
        return run(QStringLiteral("xdotool"),
                   {QStringLiteral("search"), QStringLiteral("--onlyvisible"), QStringLiteral("--name"), namePattern})
            .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }

    QProcess& start(const QString& program, const QStringList& arguments, const QProcessEnvironment& env)
    {
        m_processes.push_back(std::make_unique<QProcess>());
        QProcess& process = *m_processes.back();
        process.setProcessEnvironment(env);
        process.start(program, arguments);
        return process;
    }

    // An X11 session on our display and home: the portals stay out of it.
    QProcessEnvironment environment() const
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("DISPLAY"), m_display);
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), m_dir.filePath("config"));
        env.insert(QStringLiteral("XDG_DATA_HOME"), m_dir.filePath("data"));
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_dir.filePath("run"));
        env.insert(QStringLiteral("OMP_THREAD_LIMIT"), QStringLiteral("1"));
        if (!m_bus.isEmpty())
            env.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), m_bus);
        for (const char* name : {"WAYLAND_DISPLAY", "XDG_SESSION_TYPE", "AMBREL_PLATFORM"})
            env.remove(QLatin1String(name));
        return env;
    }

    // Starts Xvfb with one screen of `geometry` and a session bus, and waits until both name their addresses.
    //
    // An X server resets when its last client disconnects, and a client connecting meanwhile is refused: Qt then
    // aborts. The tests poll the windows with short-lived xdotool runs while the app starts, which on a loaded
    // machine made the app's first connection land in such a reset now and then; with -noreset the server stays up
    // whoever comes and goes. The session bus is the test's own too: without one, the app's D-Bus library starts
    // one with dbus-launch, tied to the display number and $HOME and outliving the test, and the app's start
    // waits on that bus's answers.
    void startServer(const QString& geometry = QStringLiteral("1024x768x24"))
    {
        QProcess& xvfb =
            start(QStringLiteral("Xvfb"),
                  QStringLiteral("-displayfd 1 -screen 0 %1 -nolisten tcp -noreset").arg(geometry).split(u' '),
                  QProcessEnvironment::systemEnvironment());
        const QString display = firstLine(xvfb);
        ASSERT_FALSE(display.isEmpty()) << "Xvfb did not report its display";
        m_display = QLatin1Char(':') + display;
        QProcess& bus =
            start(QStringLiteral("dbus-daemon"), QStringLiteral("--session --nofork --print-address=1").split(u' '),
                  QProcessEnvironment::systemEnvironment());
        m_bus = firstLine(bus);
        ASSERT_FALSE(m_bus.isEmpty()) << "dbus-daemon did not report its address";
    }

    QTemporaryDir m_dir;
    QString m_display;
    QString m_bus;
    std::vector<std::unique_ptr<QProcess>> m_processes;
};
