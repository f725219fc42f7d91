#include "FakePortal.h"

#include "support/XSessionTest.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusReply>
#include <QDir>
#include <QFile>
#include <QStandardPaths>

#include <cstdlib>
#include <memory>

namespace {
const QString portalService = QStringLiteral("org.freedesktop.portal.Desktop");
const QString controlPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString controlInterface = QStringLiteral("org.ambrel.FakePortal");
constexpr int deadlineMs = 20000;

QDBusMessage control(const QString& method, const QVariantList& arguments = {})
{
    QDBusMessage message = QDBusMessage::createMethodCall(portalService, controlPath, controlInterface, method);
    message.setArguments(arguments);
    return QDBusConnection::sessionBus().call(message, QDBus::Block, deadlineMs);
}

void stop(QProcess& process)
{
    if (process.state() == QProcess::NotRunning)
        return;
    process.kill();
    process.waitForFinished(5000);
}
} // namespace

FakePortal* FakePortal::instance(QString* why)
{
    static std::unique_ptr<FakePortal> portal;
    static QString failure;
    if (!portal && failure.isEmpty()) {
        std::unique_ptr<FakePortal> started(new FakePortal);
        if (started->start(&failure))
            portal = std::move(started);
        else if (failure.isEmpty())
            failure = QStringLiteral("the fake portal did not start");
    }
    if (!portal && why)
        *why = failure;
    return portal.get();
}

FakePortal::~FakePortal()
{
    // The fake before the bus it is on.
    stop(m_fake);
    stop(m_bus);
}

bool FakePortal::start(QString* why)
{
    if (QStandardPaths::findExecutable(QStringLiteral("dbus-daemon")).isEmpty()
        || !QFile::exists(QStringLiteral("/usr/bin/python3"))) {
        *why = QStringLiteral("dbus-daemon or /usr/bin/python3 missing");
        return false;
    }
    if (!m_dir.isValid() || !QDir(m_dir.path()).mkpath(QStringLiteral("shots")))
        return false;
    // A bus of our own that activates nothing: a real portal installed on this machine must never answer.
    const QString config = m_dir.filePath(QStringLiteral("bus.conf"));
    QFile file(config);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write(QStringLiteral("<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\" "
                              "\"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
                              "<busconfig><type>session</type><listen>unix:dir=%1</listen>"
                              "<auth>EXTERNAL</auth><policy context=\"default\"><allow send_destination=\"*\"/>"
                              "<allow receive_sender=\"*\"/><allow own=\"*\"/></policy></busconfig>\n")
                   .arg(m_dir.path())
                   .toUtf8());
    file.close();

    m_bus.start(QStringLiteral("dbus-daemon"), {QStringLiteral("--config-file=") + config,
                                                QStringLiteral("--print-address"), QStringLiteral("--nofork")});
    const QByteArray address = firstLine(m_bus).toUtf8();
    if (address.isEmpty()) {
        *why = QStringLiteral("dbus-daemon printed no address");
        return false;
    }
    ::setenv("DBUS_SESSION_BUS_ADDRESS", address.constData(), 1); // for this process's D-Bus and the fake's
    m_fake.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_fake.start(QStringLiteral("/usr/bin/python3"), {QStringLiteral(AMBREL_FAKE_PORTAL), folder()});
    if (firstLine(m_fake) != "ready") {
        *why = QStringLiteral("the fake portal did not get ready (python3-dbus and python3-gi installed?)");
        return false;
    }
    return true;
}

void FakePortal::setScreenshotAnswer(unsigned response, const QString& png)
{
    control(QStringLiteral("SetScreenshotAnswer"), {response, png});
}

void FakePortal::setModes(const QString& binding, const QString& screenshot)
{
    control(QStringLiteral("SetModes"), {binding, screenshot});
}

void FakePortal::emitActivatedFor(const QString& session, const QString& shortcutId)
{
    control(QStringLiteral("EmitActivatedFor"), {QVariant::fromValue(QDBusObjectPath(session)), shortcutId});
}

// An invalid reply (no answer) holds a default value: false, an empty list, an empty name.
bool FakePortal::emitActivated(const QString& shortcutId)
{
    return QDBusReply<bool>(control(QStringLiteral("EmitActivated"), {shortcutId})).value();
}

bool FakePortal::onBus()
{
    return QDBusConnection::sessionBus().interface()->isServiceRegistered(portalService).value();
}

QStringList FakePortal::calls()
{
    return QDBusReply<QStringList>(control(QStringLiteral("Calls"))).value();
}

QString FakePortal::lastScreenshotFile()
{
    return QDBusReply<QString>(control(QStringLiteral("LastScreenshotFile"))).value();
}
