#include "capture/portal/PortalRequest.h"

#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QRandomGenerator>

namespace Portal {
QString newToken()
{
    static unsigned counter = 0;
    return QStringLiteral("ambrel%1_%2").arg(++counter).arg(QRandomGenerator::global()->generate());
}

QString requestPath(const QDBusConnection& bus, const QString& token)
{
    QString sender = bus.baseService().mid(1); // ":1.42" gives "1_42"
    sender.replace(QLatin1Char('.'), QLatin1Char('_'));
    return path + QStringLiteral("/request/") + sender + QLatin1Char('/') + token;
}

QObject* request(const QString& interface, const QString& method, QVariantList arguments, Done done, int timeoutMs)
{
    auto* call = new PortalRequest(QDBusConnection::sessionBus(), std::move(done), timeoutMs);
    call->start(interface, method, std::move(arguments));
    return call;
}
} // namespace Portal

PortalRequest::PortalRequest(QDBusConnection bus, Portal::Done done, int timeoutMs)
    : m_bus(std::move(bus))
    , m_done(std::move(done))
{
    m_deadline.setSingleShot(true);
    m_deadline.setInterval(timeoutMs);
    connect(&m_deadline, &QTimer::timeout, this, [this] { finish({}); });
    // A portal that crashed or was restarted never answers; waiting out the deadline would leave a capture hanging.
    m_portalGone.setConnection(m_bus);
    m_portalGone.setWatchMode(QDBusServiceWatcher::WatchForUnregistration);
    m_portalGone.addWatchedService(Portal::service);
    connect(&m_portalGone, &QDBusServiceWatcher::serviceUnregistered, this, [this] { finish({}); });
}

void PortalRequest::start(const QString& interface, const QString& method, QVariantList arguments)
{
    if (!m_bus.isConnected() || arguments.isEmpty()) {
        // Answered on a later turn, like every other outcome, so callers see one order of events.
        QTimer::singleShot(0, this, [this] { finish({}); });
        return;
    }
    const QString token = Portal::newToken();
    QVariantMap options = arguments.last().toMap();
    options.insert(QStringLiteral("handle_token"), token);
    arguments.last() = options;
    // Listening before the call: a fast portal may answer before the call's own reply has been read.
    listen(Portal::requestPath(m_bus, token));
    m_deadline.start();

    QDBusMessage message = QDBusMessage::createMethodCall(Portal::service, Portal::path, interface, method);
    message.setArguments(arguments);
    auto* watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(message), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* finished) {
        finished->deleteLater();
        const QDBusPendingReply<QDBusObjectPath> reply = *finished;
        if (reply.isError()) {
            finish({});
            return;
        }
        // Portals older than the handle_token option pick the path themselves.
        if (reply.value().path() != m_path)
            listen(reply.value().path());
    });
}

void PortalRequest::listen(const QString& objectPath)
{
    if (!m_path.isEmpty())
        m_bus.disconnect(Portal::service, m_path, QStringLiteral("org.freedesktop.portal.Request"),
                         QStringLiteral("Response"), this, SLOT(onResponse(uint, QVariantMap)));
    m_path = objectPath;
    m_bus.connect(Portal::service, m_path, QStringLiteral("org.freedesktop.portal.Request"), QStringLiteral("Response"),
                  this, SLOT(onResponse(uint, QVariantMap)));
}

void PortalRequest::onResponse(uint response, const QVariantMap& results)
{
    finish({static_cast<Portal::Response>(response > 2 ? 2 : response), results});
}

void PortalRequest::finish(Portal::Answer answer)
{
    if (!m_done)
        return;
    m_deadline.stop();
    m_bus.disconnect(Portal::service, m_path, QStringLiteral("org.freedesktop.portal.Request"),
                     QStringLiteral("Response"), this, SLOT(onResponse(uint, QVariantMap)));
    Portal::Done done = std::move(m_done);
    m_done = nullptr;
    deleteLater();
    done(std::move(answer));
}
