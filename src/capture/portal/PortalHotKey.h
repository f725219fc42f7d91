#pragma once

#include "capture/GlobalHotKey.h"

#include <QDBusMessage>
#include <QObject>
#include <QString>
#include <QVariantMap>

#include <optional>

// A shortcut (the capture's, or "OCR a Document…") through org.freedesktop.portal.GlobalShortcuts (KDE Plasma, GNOME 48
// and later, Hyprland). The desktop, not Ambrel, owns the key: the stored shortcut is only the preferred trigger, and
// the user may confirm or change it in the desktop's dialog. Where no portal offers the interface there is no shortcut,
// and a desktop shortcut running `ambrel --capture` takes its place; ShortcutStatus tells the user so. Main
// thread only.
class PortalHotKey final : public QObject, public GlobalHotKey
{
    Q_OBJECT

public:
    static inline const QString shortcutId = QStringLiteral("capture");
    static inline const QString documentShortcutId = QStringLiteral("ocr-document");

    // `id` names the shortcut to the portal, and `description` is what the desktop's dialog shows for it.
    explicit PortalHotKey(QString id = shortcutId, QString description = QStringLiteral("Capture text from the screen"),
                          QObject* parent = nullptr);
    ~PortalHotKey() override;

    // Binds in a new session: a portal may take a session's shortcuts only once, so a change needs a new one.
    void registerKey(std::uint32_t keyCode, std::uint32_t modifiers, std::function<void()> handler) override;
    void unregister() override;
    // True once the portal has confirmed the binding of the current registration.
    bool isBound() const { return m_bound; }

signals:
    // The portal confirmed a binding, or refused it, bound something else, or was not there (`bound` false).
    void bindingFinished(bool bound);

private slots:
    void onActivated(const QDBusMessage& message);

private:
    void listThenBind(unsigned generation, const QVariantMap& shortcut);
    void bind(unsigned generation, const QVariantMap& shortcut);
    void finishBinding(bool bound);
    void closeSession();

    QString m_id;
    QString m_description;
    std::function<void()> m_handler;
    QString m_session;
    unsigned m_generation = 0; // answers to an older registration are ignored
    bool m_bound = false;
};
