#pragma once

#include "Missing.h"
#include "capture/QtTestApp.h"

#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>

// A private session bus with the fake portal (fake_portal.py) on it, for the whole test program: Qt's session bus
// connection is made once per process, so the bus must exist before the first D-Bus call. Both processes are
// ended when the program exits.
class FakePortal
{
public:
    // Starts the bus and the fake on first use and points DBUS_SESSION_BUS_ADDRESS at the bus. Returns null with
    // `why` set when something needed is missing.
    static FakePortal* instance(QString* why);
    ~FakePortal();

    // Response code for the next screenshots (0 granted, 1 cancelled, 2 refused) and the picture to answer with.
    void setScreenshotAnswer(unsigned response, const QString& png = QString());
    // How BindShortcuts binds ("bind", "session" as Plasma 5.27, "nothing") and what a granted screenshot
    // answers ("file", "missing", "text", "vanish"); see fake_portal.py.
    void setModes(const QString& binding, const QString& screenshot);
    bool emitActivated(const QString& shortcutId);
    void emitActivatedFor(const QString& session, const QString& shortcutId);
    // True while the fake owns the portal's name (it leaves the bus for a moment in the "vanish" mode).
    bool onBus();
    // What the fake was asked, one line per call, in order.
    QStringList calls();
    QString lastScreenshotFile();
    // The folder the fake writes its screenshot files to.
    QString folder() const { return m_dir.filePath(QStringLiteral("shots")); }

private:
    FakePortal() = default;
    bool start(QString* why);

    QTemporaryDir m_dir;
    QProcess m_bus;
    QProcess m_fake;
};

// A test with a home of its own in a session that goes through the portals, the fake answering: shortcuts bind,
// screenshots come as files.
class PortalTest : public TempHomeTest
{
protected:
    void SetUp() override
    {
        TempHomeTest::SetUp();
        QString why;
        m_portal = FakePortal::instance(&why);
        AMBREL_NEEDS(m_portal, why.toStdString());
        ::setenv("AMBREL_PLATFORM", "portal", 1);
        m_portal->setModes(QStringLiteral("bind"), QStringLiteral("file"));
    }
    void TearDown() override { ::unsetenv("AMBREL_PLATFORM"); }

    // Runs the event loop until `done` holds, for at most 20 s; returns whether it holds.
    template <typename Condition> static bool eventually(Condition done) { return QTest::qWaitFor(done, 20000); }

    FakePortal* m_portal = nullptr;
};
