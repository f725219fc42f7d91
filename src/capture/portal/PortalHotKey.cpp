#include "capture/portal/PortalHotKey.h"

#include "capture/portal/PortalRequest.h"
#include "capture/portal/ShortcutTrigger.h"
#include "capture/qt/Platform.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusPendingCall>
#include <QPointer>

namespace {
const QString shortcutsInterface = QStringLiteral("org.freedesktop.portal.GlobalShortcuts");

// One entry of the portal's a(sa{sv}) shortcut lists.
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

// True when the answer's "shortcuts" list holds ours. Anything unreadable there counts as not bound.
bool listsOurs(const QVariantMap& results, const QString& id)
{
    const QVariant value = results.value(QStringLiteral("shortcuts"));
    if (value.metaType() != QMetaType::fromType<QDBusArgument>())
        return false;
    const QDBusArgument argument = value.value<QDBusArgument>();
    if (argument.currentSignature() != QLatin1String("a(sa{sv})"))
        return false;
    QList<NewShortcut> shortcuts;
    argument >> shortcuts;
    for (const NewShortcut& shortcut : shortcuts)
        if (shortcut.id == id)
            return true;
    return false;
}

QVariant shortcutList(const QString& id, const QVariantMap& shortcut)
{
    return QVariant::fromValue(QList<NewShortcut>{{id, shortcut}});
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
    if (m_id == shortcutId)
        ShortcutStatus::instance().set(ShortcutStatus::State::Binding);
    const unsigned generation = m_generation;
    QVariantMap shortcut{{QStringLiteral("description"), m_description}};
    if (const std::optional<std::string> trigger = ShortcutTrigger::fromStored(keyCode, modifiers))
        shortcut.insert(QStringLiteral("preferred_trigger"), QString::fromStdString(*trigger));
    // Plasma 5.27 binds only the shortcuts given with the session and ignores BindShortcuts' list; other portals
    // read BindShortcuts. Both get them, and the listing in between keeps a portal from being asked twice.
    const QVariantMap options{{QStringLiteral("session_handle_token"), Portal::newToken()},
                              {QStringLiteral("shortcuts"), shortcutList(m_id, shortcut)}};
    Portal::request(shortcutsInterface, QStringLiteral("CreateSession"), {options},
                    [this, self = QPointer<PortalHotKey>(this), generation, shortcut](Portal::Answer answer) {
                        if (!self || generation != m_generation)
                            return;
                        const QString session = sessionHandle(answer.results);
                        if (answer.response != Portal::Response::Success || session.isEmpty()) {
                            finishBinding(false);
                            return;
                        }
                        m_session = session;
                        listThenBind(generation, shortcut);
                    });
}

void PortalHotKey::listThenBind(unsigned generation, const QVariantMap& shortcut)
{
    Portal::request(shortcutsInterface, QStringLiteral("ListShortcuts"),
                    {QVariant::fromValue(QDBusObjectPath(m_session)), QVariantMap()},
                    [this, self = QPointer<PortalHotKey>(this), generation, shortcut](Portal::Answer answer) {
                        if (!self || generation != m_generation)
                            return;
                        if (answer.response == Portal::Response::Success && listsOurs(answer.results, m_id))
                            finishBinding(true);
                        else
                            bind(generation, shortcut);
                    });
}

void PortalHotKey::bind(unsigned generation, const QVariantMap& shortcut)
{
    Portal::request(
        shortcutsInterface, QStringLiteral("BindShortcuts"),
        {QVariant::fromValue(QDBusObjectPath(m_session)), shortcutList(m_id, shortcut), QString(), QVariantMap()},
        [this, self = QPointer<PortalHotKey>(this), generation](Portal::Answer answer) {
            if (!self || generation != m_generation)
                return;
            // A portal that answers with a list without ours has bound nothing we can be woken by.
            finishBinding(answer.response == Portal::Response::Success && listsOurs(answer.results, m_id));
        });
}

void PortalHotKey::finishBinding(bool bound)
{
    m_bound = bound;
    // The user is told about the capture shortcut; the document window stays reachable from the tray and panel.
    if (m_id == shortcutId)
        ShortcutStatus::instance().set(bound ? ShortcutStatus::State::Bound : ShortcutStatus::State::NotBound);
    emit bindingFinished(bound);
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
    // Activated(o session_handle, s shortcut_id, t timestamp, a{sv} options). One for a session closed since, or
    // another application's, is none of ours.
    const QVariantList arguments = message.arguments();
    if (arguments.size() < 2 || !m_handler || m_session.isEmpty())
        return;
    const QString session = arguments.at(0).value<QDBusObjectPath>().path();
    if (session != m_session || arguments.at(1).toString() != m_id)
        return;
    m_handler();
}
