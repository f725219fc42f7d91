#pragma once

#include <QObject>
#include <QRect>
#include <QString>
#include <QStringList>

#include <memory>
#include <string>
#include <vector>

class Capture;
class GlobalHotKey;
class TrayPanel;
class QMenu;
class QSystemTrayIcon;
class QWidget;
class SingleInstance;

// The resident tray application: what `ambrel` without a command runs.
class Application : public QObject
{
    Q_OBJECT

public:
    // Runs the application until the user quits; returns the exit status. A start while another Ambrel runs for
    // this user and display hands `request` ("show" brings it forward, "capture" starts a capture, openRequest()
    // opens files) to that one and returns 0 at once; otherwise this one starts and carries the request out itself.
    // Without a display to show windows on, says so on standard error and returns 1.
    static int run(int argc, char** argv, const QString& request = QStringLiteral("show"));
    // The request that opens `files` (paths, relative to the current folder) in the document window.
    static QString openRequest(const std::vector<std::string>& files);
    // The absolute paths an open request names; empty for any other request.
    static QStringList filesToOpen(const QString& request);

    Application();
    ~Application() override;

    // Registers the capture shortcut, waits for the terms if they are not accepted yet, and sets up the tray.
    void start();
    // What a later start asked for: "show", "capture" or an open request. Returns false for an unknown command.
    bool handleRequest(const QString& command);

    void captureText();
    void openDocument(const QStringList& files = {});
    void openBatch();
    void openHistory();
    void openSettings();
    void openGuide();
    void showAbout();
    // The window that says how to reach the program when the desktop has no tray; shown once, after the terms.
    static QWidget* showReachHint();
    // Shows the panel next to `anchor` (the tray icon's geometry; empty puts it at the pointer), or hides it.
    void togglePanel(const QRect& anchor);
    TrayPanel& panel() { return *m_panel; }

private:
    void beginRunning();
    void registerHotKey();
    void setUpTray();

    std::unique_ptr<GlobalHotKey> m_hotKey;
    std::unique_ptr<GlobalHotKey> m_documentHotKey; // "OCR a Document…", fixed
    std::unique_ptr<Capture> m_capture;
    std::unique_ptr<QMenu> m_menu;
    std::unique_ptr<TrayPanel> m_panel;
    QSystemTrayIcon* m_tray = nullptr;
    bool m_running = false;
    bool m_captureWhenRunning = false; // a capture asked for before the terms were accepted
    QStringList m_openWhenRunning;     // files asked to be opened before the terms were accepted
};
