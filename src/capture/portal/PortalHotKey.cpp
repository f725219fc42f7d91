#include "capture/portal/PortalHotKey.h"

#include "capture/portal/PortalRequest.h"
#include "capture/portal/ShortcutTrigger.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusPendingCall>
#include <QPointer>

namespace {
const QString shortcutsInterface = QStringLiteral("org.freedesktop.portal.GlobalShortcuts");

// One entry of BindShortcuts' a(sa{sv}).
struct NewShortcut
{
    QString id;
    QVariantMap properties;
};
} // namespace

Q_DECLARE_METATYPE(NewShortcut)

namespace {
QDBusArgument& operator<<(QDBusArgument& argument, const NewShortcut& shortcut)
{
    argument.beginStructure();
    argument << shortcut.id << shortcut.properties;
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, NewShortcut& shortcut)
{
    argument.beginStructure();
    argument >> shortcut.id >> shortcut.properties;
    argument.endStructure();
    return argument;
}

// The portal documentation gives the session handle as a string; some portals send an object path.
QString sessionHandle(const QVariantMap& results)
{
    const QVariant value = results.value(QStringLiteral("session_handle"));
    if (value.canConvert<QDBusObjectPath>() && value.metaType() == QMetaType::fromType<QDBusObjectPath>())
        return value.value<QDBusObjectPath>().path();
    return value.toString();
}
} // namespace

PortalHotKey::PortalHotKey(QString id, QString description, QObject* parent)
    : QObject(parent)
    , m_id(std::move(id))
    , m_description(std::move(description))
{
    qDBusRegisterMetaType<NewShortcut>();
    qDBusRegisterMetaType<QList<NewShortcut>>();
    // A QDBusMessage slot takes the signal whatever Qt knows of its argument types at this point.
    QDBusConnection::sessionBus().connect(Portal::service, Portal::path, shortcutsInterface,
                                          QStringLiteral("Activated"), this, SLOT(onActivated(QDBusMessage)));
}

PortalHotKey::~PortalHotKey()
{
    closeSession();
}

void PortalHotKey::registerKey(std::uint32_t keyCode, std::uint32_t modifiers, std::function<void()> handler)
{
    unregister();
    m_handler = std::move(handler);
    const unsigned generation = m_generation;
    const std::optional<std::string> trigger = ShortcutTrigger::fromStored(keyCode, modifiers);
    const QVariantMap options{{QStringLiteral("session_handle_token"), Portal::newToken()}};
    Portal::request(shortcutsInterface, QStringLiteral("CreateSession"), {options},
                    [this, self = QPointer<PortalHotKey>(this), generation, trigger](Portal::Answer answer) {
                        if (!self || generation != m_generation)
                            return;
                        const QString session = sessionHandle(answer.results);
                        if (answer.response != Portal::Response::Success || session.isEmpty()) {
                            emit bindingFinished(false);
                            return;
                        }
                        m_session = session;
                        bind(generation, session, trigger);
                    });
}

void PortalHotKey::bind(unsigned generation, const QString& session, const std::optional<std::string>& trigger)
{
    QVariantMap properties{{QStringLiteral("description"), m_description}};
    if (trigger)
        properties.insert(QStringLiteral("preferred_trigger"), QString::fromStdString(*trigger));
    const QList<NewShortcut> shortcuts{{m_id, properties}};
    Portal::request(
        shortcutsInterface, QStringLiteral("BindShortcuts"),
        {QVariant::fromValue(QDBusObjectPath(session)), QVariant::fromValue(shortcuts), QString(), QVariantMap()},
        [this, self = QPointer<PortalHotKey>(this), generation](Portal::Answer answer) {
            if (!self || generation != m_generation)
                return;
            m_bound = answer.response == Portal::Response::Success;
            emit bindingFinished(m_bound);
        });
}

void PortalHotKey::unregister()
{
    ++m_generation;
    m_handler = nullptr;
    m_bound = false;
    closeSession();
}

void PortalHotKey::closeSession()
{
    if (m_session.isEmpty())
        return;
    // Closing ends the session's shortcuts at the portal; nothing waits for the answer.
    QDBusConnection::sessionBus().asyncCall(QDBusMessage::createMethodCall(
        Portal::service, m_session, QStringLiteral("org.freedesktop.portal.Session"), QStringLiteral("Close")));
    m_session.clear();
}

void PortalHotKey::onActivated(const QDBusMessage& message)
{
    // Activated(o session_handle, s shortcut_id, t timestamp, a{sv} options)
    const QVariantList arguments = message.arguments();
    if (arguments.size() < 2 || !m_handler)
        return;
    const QString session = arguments.at(0).value<QDBusObjectPath>().path();
    if (session != m_session || arguments.at(1).toString() != m_id)
        return;
    m_handler();
}
