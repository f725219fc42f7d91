#include "app/qt/SingleInstance.h"

#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>

#include <unistd.h>

#include <cstdlib>

namespace {
constexpr char prefix[] = "ambrel/1 ";
constexpr int maxRequestLength = 1 << 20; // an open request of a few thousand files

QString displayName()
{
    QString display = QString::fromLocal8Bit(std::getenv("WAYLAND_DISPLAY"));
    if (display.isEmpty())
        display = QString::fromLocal8Bit(std::getenv("DISPLAY"));
    if (display.isEmpty())
        display = QStringLiteral("none");
    for (QChar& c : display)
        if (!c.isLetterOrNumber() && c != QLatin1Char('.') && c != QLatin1Char('-'))
            c = QLatin1Char('_');
    return display;
}
} // namespace

SingleInstance::SingleInstance(QObject* parent)
    : QObject(parent)
    , m_server(new QLocalServer(this))
{
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    connect(m_server, &QLocalServer::newConnection, this, &SingleInstance::answer);
}

QString SingleInstance::serverName()
{
    QString folder = QString::fromLocal8Bit(std::getenv("XDG_RUNTIME_DIR"));
    if (folder.isEmpty() || !QDir(folder).exists())
        folder = QDir::tempPath();
    return folder + QStringLiteral("/ambrel-%1-%2.socket").arg(::getuid()).arg(displayName());
}

bool SingleInstance::send(const QString& command, int timeoutMs)
{
    QLocalSocket socket;
    socket.connectToServer(serverName());
    if (!socket.waitForConnected(timeoutMs))
        return false;
    socket.write(prefix + command.toUtf8() + '\n');
    if (!socket.waitForBytesWritten(timeoutMs))
        return false;
    while (!socket.canReadLine())
        if (!socket.waitForReadyRead(timeoutMs))
            return false;
    return socket.readLine().trimmed() == "ok";
}

bool SingleInstance::listen()
{
    const QString name = serverName();
    // Two starts at the same moment must not both decide that nobody listens.
    QLockFile lock(name + QStringLiteral(".lock"));
    lock.tryLock(3000);
    // Ask first: with access options set, Qt creates the socket elsewhere and renames it over the name, which would
    // silently take the name from a running instance.
    QLocalSocket probe;
    probe.connectToServer(name);
    if (probe.waitForConnected(1000))
        return false;
    QLocalServer::removeServer(name); // a socket left behind by a crashed instance
    return m_server->listen(name);
}

void SingleInstance::answer()
{
    while (QLocalSocket* socket = m_server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, socket, [this, socket] {
            if (!socket->canReadLine()) {
                if (socket->bytesAvailable() > maxRequestLength) // not a client of ours: do not buffer forever
                    socket->abort();
                return;
            }
            const QByteArray line = socket->readLine(maxRequestLength).trimmed();
            bool known = false;
            if (line.startsWith(prefix))
                emit requested(QString::fromUtf8(line.mid(int(sizeof prefix) - 1)), &known);
            socket->write(known ? "ok\n" : "unknown\n");
            socket->flush();
            socket->disconnectFromServer();
        });
    }
}
