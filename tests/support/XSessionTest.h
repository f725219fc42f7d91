#pragma once

#include <QElapsedTimer>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

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
        for (const char* name : {"WAYLAND_DISPLAY", "XDG_SESSION_TYPE", "AMBREL_PLATFORM"})
            env.remove(QLatin1String(name));
        return env;
    }

    // Starts Xvfb with one screen of `geometry` and waits until it names its display.
    void startServer(const QString& geometry = QStringLiteral("1024x768x24"))
    {
        QProcess& xvfb = start(QStringLiteral("Xvfb"),
                               {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-screen"),
                                QStringLiteral("0"), geometry, QStringLiteral("-nolisten"), QStringLiteral("tcp")},
                               QProcessEnvironment::systemEnvironment());
        QElapsedTimer timer;
        timer.start();
        while (!xvfb.canReadLine() && !(xvfb.waitForReadyRead(100) && xvfb.canReadLine())) {
            ASSERT_LT(timer.elapsed(), 20000) << "Xvfb did not report its display";
            QThread::msleep(25);
        }
        m_display = QLatin1Char(':') + QString::fromLatin1(xvfb.readLine().trimmed());
    }

    QTemporaryDir m_dir;
    QString m_display;
    std::vector<std::unique_ptr<QProcess>> m_processes;
};
