#pragma once

#include <QObject>
#include <QString>

#include <memory>

class Capture;
class GlobalHotKey;
class QMenu;
class QSystemTrayIcon;
class SingleInstance;

// The resident tray application: what `ambrel` without a command runs.
class Application : public QObject
{
    Q_OBJECT

public:
    // Runs the application until the user quits; returns the exit status. A start while another Ambrel runs for
    // this user and display brings that one forward and returns 0 at once.
    static int run(int argc, char** argv);

    Application();
    ~Application() override;

    // Registers the capture shortcut, waits for the terms if they are not accepted yet, and sets up the tray.
    void start();
    // What a later start asked for: "show" or "capture". Returns false for an unknown command.
    bool handleRequest(const QString& command);

    void captureText();
    void openGuide();
    void showAbout();

private:
    void beginRunning();
    void registerHotKey();
    void setUpTray();

    std::unique_ptr<GlobalHotKey> m_hotKey;
    std::unique_ptr<Capture> m_capture;
    std::unique_ptr<QMenu> m_menu;
    QSystemTrayIcon* m_tray = nullptr;
    bool m_running = false;
};
