#pragma once

#include <QObject>
#include <QString>

class QLocalServer;

// One Ambrel per user and display: two would grab the same shortcut and fight over the clipboard. The first one
// listens on a local socket; a later start hands its request to it and exits.
//
// The protocol is one line each way. Request: "ambrel/1 " followed by a command word ("show" brings the running
// instance forward, "capture" starts a capture, "open" and the file URLs separated by spaces opens those files in
// the document window) and a line feed. Answer: "ok" or "unknown", and a line feed.
class SingleInstance : public QObject
{
    Q_OBJECT

public:
    explicit SingleInstance(QObject* parent = nullptr);

    // The socket for this user and display: in $XDG_RUNTIME_DIR when set, else the temporary folder, named
    // with the user id and the display.
    static QString serverName();
    // Hands `command` to a running instance. Returns true when one answered "ok".
    static bool send(const QString& command, int timeoutMs = 3000);
    // Starts listening, taking over a socket left behind by a crashed instance. False when another instance
    // answers on the name already or the socket cannot be made.
    bool listen();

signals:
    // A request from a later start; the handler answers whether it knew the command.
    void requested(const QString& command, bool* known);

private:
    void answer();

    QLocalServer* m_server;
};
