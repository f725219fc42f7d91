#pragma once

#include <QDBusConnection>
#include <QDBusServiceWatcher>
#include <QObject>
#include <QString>
#include <QTimer>
#include <QVariantList>
#include <QVariantMap>

#include <functional>
#include <optional>

// The XDG desktop portals' request pattern: a call returns a request object at once and the answer arrives later
// as that object's Response signal. Everything here runs on the main thread.
namespace Portal {
inline const QString service = QStringLiteral("org.freedesktop.portal.Desktop");
inline const QString path = QStringLiteral("/org/freedesktop/portal/desktop");

// Response codes of org.freedesktop.portal.Request.
enum class Response : unsigned
{
    Success = 0,
    Cancelled = 1, // the user dismissed the portal's dialog
    Other = 2,     // refused, or ended some other way
};

struct Answer
{
    std::optional<Response> response; // no value when no portal answered the call at all
    QVariantMap results;
};
using Done = std::function<void(Answer)>;

// Returns a fresh token for the handle_token and session_handle_token options.
QString newToken();
// Returns the object path the portal gives a request made with `token` on `bus`.
QString requestPath(const QDBusConnection& bus, const QString& token);

// Calls `method` of `interface` on the portal. `arguments` end with the options map; a handle_token is added to
// it. `done` runs exactly once, on the main thread: with the Response, or with no response when the call failed,
// the portal left the bus before answering, or no Response came within `timeoutMs`. Returns the request; it deletes
// itself after `done` has run.
QObject* request(const QString& interface, const QString& method, QVariantList arguments, Done done,
                 int timeoutMs = 120000);
} // namespace Portal

// One request in flight; see Portal::request.
class PortalRequest final : public QObject
{
    Q_OBJECT

public:
    PortalRequest(QDBusConnection bus, Portal::Done done, int timeoutMs);
    void start(const QString& interface, const QString& method, QVariantList arguments);

private slots:
    void onResponse(uint response, const QVariantMap& results);

private:
    void listen(const QString& objectPath);
    void finish(Portal::Answer answer);

    QDBusConnection m_bus;
    Portal::Done m_done;
    QString m_path;
    QTimer m_deadline;
    QDBusServiceWatcher m_portalGone;
};
