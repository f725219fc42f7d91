#include "app/qt/Application.h"

#include "app/qt/About.h"
#include "app/qt/AppInfo.h"
#include "app/qt/DesktopServices.h"
#include "app/qt/LoginItem.h"
#include "app/qt/SingleInstance.h"
#include "app/qt/StatusIcon.h"
#include "capture/GlobalHotKey.h"
#include "capture/qt/Capture.h"
#include "capture/qt/CaptureController.h"
#include "capture/qt/HotKeySettings.h"
#include "capture/qt/Platform.h"
#include "document/qt/DocumentOCRController.h"
#include "export/qt/BatchExport.h"
#include "ocr/TextRecognizer.h"
#include "store/qt/SettingsStore.h"
#include "ui/qt/HUD.h"
#include "ui/qt/HistoryWindow.h"
#include "ui/qt/OpenWindows.h"
#include "ui/qt/SettingsWindow.h"
#include "ui/qt/TrayPanel.h"
#include "ui/qt/Welcome.h"

#include <QApplication>
#include <QMenu>
#include <QMessageBox>
#include <QPointer>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QUrl>

#include <xcb/xcb.h>

#include <cstdio>
#include <filesystem>
#include <optional>
#include <utility>

namespace {
const QString openCommand = QStringLiteral("open");

// Why no window could be shown here, or no value. Qt aborts the process when its platform plugin finds no display;
// this says so in one line first. Platforms that draw off screen need none.
std::optional<QString> missingDisplay()
{
    const QByteArray platform = qgetenv("QT_QPA_PLATFORM");
    if (!platform.isEmpty() && !platform.startsWith("xcb") && !platform.startsWith("wayland"))
        return std::nullopt;
    const QByteArray x11 = qgetenv("DISPLAY");
    const bool wayland = !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") && !platform.startsWith("xcb");
    if (x11.isEmpty() && !wayland)
        return QStringLiteral("no display found (DISPLAY and WAYLAND_DISPLAY are unset)");
    if (!wayland) {
        xcb_connection_t* connection = xcb_connect(x11.constData(), nullptr);
        const bool failed = xcb_connection_has_error(connection) != 0;
        xcb_disconnect(connection);
        if (failed)
            return QStringLiteral("cannot open display %1").arg(QString::fromLocal8Bit(x11));
    }
    return std::nullopt;
}
} // namespace

#include <cstdio>

int Application::run(int argc, char** argv, const QString& request)
{
    if (const std::optional<QString> missing = missingDisplay()) {
        std::fprintf(stderr, "Ambrel: %s\n", qPrintable(*missing));
        return 1;
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(QLatin1String(AppInfo::name));
    QApplication::setApplicationVersion(AppInfo::version());
    QApplication::setDesktopFileName(QLatin1String(AppInfo::desktopFileName));
    // The tray application has no main window: closing the welcome window or the About box must not end it.
    QApplication::setQuitOnLastWindowClosed(false);

    // A second start is a way back to the running one; say so where it was typed, or it looks as if nothing ran.
    const auto handedOver = [&request] {
        if (request == QLatin1String("show"))
            std::fputs("Ambrel is already running; brought it forward\n", stdout);
        return 0;
    };
    if (SingleInstance::send(request))
        return handedOver();
    SingleInstance instance;
    if (!instance.listen() && SingleInstance::send(request))
        return handedOver(); // lost a race with an instance started at the same moment

    Application application;
    QObject::connect(
        &instance, &SingleInstance::requested, &application,
        [&application](const QString& command, bool* known) { *known = application.handleRequest(command); });
    application.start();
    // `ambrel --capture` or `ambrel FILE…` with no instance running: carried out once the event loop runs (after the
    // terms, if needed).
    if (request != QLatin1String("show"))
        QTimer::singleShot(0, &application, [&application, request] { application.handleRequest(request); });
    return app.exec();
}

QString Application::openRequest(const std::vector<std::string>& files)
{
    // File URLs: percent-encoded, so neither spaces nor line feeds in a name break the one-line request.
    QString request = openCommand;
    for (const std::string& file : files) {
        std::error_code error;
        const std::filesystem::path absolute = std::filesystem::absolute(file, error);
        const QString path = QString::fromStdString(error ? file : absolute.lexically_normal().string());
        request += QLatin1Char(' ') + QString::fromLatin1(QUrl::fromLocalFile(path).toEncoded());
    }
    return request;
}

QStringList Application::filesToOpen(const QString& request)
{
    QStringList files;
    if (!request.startsWith(openCommand + QLatin1Char(' ')))
        return files;
    for (const QString& url : request.mid(openCommand.size() + 1).split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        const QUrl parsed = QUrl::fromEncoded(url.toLatin1(), QUrl::StrictMode);
        if (parsed.isLocalFile())
            files.append(parsed.toLocalFile());
    }
    return files;
}

Application::Application()
    : m_hotKey(Platform::makeHotKey())
    , m_documentHotKey(Platform::makeHotKey(Platform::Shortcut::Document))
    , m_capture(std::make_unique<Capture>(
          CaptureController::shared(),
          [](Image image, std::vector<std::string> languages, bool correct, OCR::Completion completion) {
              desktopServices().recognizer.recognize(std::move(image), std::move(languages), correct,
                                                     std::move(completion));
          }))
    , m_panel(std::make_unique<TrayPanel>())
{}

Application::~Application() = default;

void Application::start()
{
    Settings::registerDefaults(desktopServices().languages);
    // Where the desktop has no settings page for the screen-capture permission, the guide's "Grant" asks for it.
    Permissions::setSettingsOpener([this] { openGuide(); });
    LoginItem::sync();
    QApplication::setWindowIcon(StatusIcon::appIcon());
    setUpTray();
    if (Settings::termsAccepted())
        beginRunning();
    else
        Welcome::shared().presentFirstRun([this] { beginRunning(); });
}

void Application::beginRunning()
{
    if (m_running)
        return;
    m_running = true;
    registerHotKey();
    m_documentHotKey->registerKey(HotKeyConfig::documentKeyCode, HotKeyConfig::documentModifiers,
                                  [this] { openDocument(); });
    connect(&HotKeyNotifier::instance(), &HotKeyNotifier::hotKeyChanged, this, &Application::registerHotKey);
    desktopServices().recognizer.warmUp(Settings::languages(),
                                        Settings::usesLanguageCorrection(Settings::outputMode()));
    if (m_captureWhenRunning) {
        m_captureWhenRunning = false;
        QTimer::singleShot(0, this, &Application::captureText);
    }
    if (!m_openWhenRunning.isEmpty())
        openDocument(std::exchange(m_openWhenRunning, {}));
    if (!Settings::boolean(Settings::Key::readyHintShown)) {
        Settings::set(Settings::Key::readyHintShown, true);
        // Where the desktop binds the shortcut, the message waits for its answer so that it never offers a key
        // that does nothing.
        ShortcutStatus::instance().whenSettled([] {
            if (!QSystemTrayIcon::isSystemTrayAvailable()) {
                showReachHint();
                return;
            }
            const QString notice = ShortcutStatus::instance().notice();
            HUD::show(notice.isEmpty() ? QStringLiteral("Ambrel is ready — press %1 or use the tray icon")
                                             .arg(QString::fromStdString(HotKeyConfig::display()))
                                       : QStringLiteral("Ambrel is ready — use the tray icon. ") + notice);
        });
    }
}

QWidget* Application::showReachHint()
{
    // Without a tray there is no icon to find: a window that stays until read says how to reach the program.
    const QString shortcut = QString::fromStdString(HotKeyConfig::display()).toHtmlEscaped();
    auto* box = new QMessageBox(
        QMessageBox::Information, QStringLiteral("Ambrel is running"),
        QStringLiteral("<b>Ambrel is running</b>, without an icon: this desktop has no system tray."), QMessageBox::Ok);
    box->setObjectName(QStringLiteral("reachHint"));
    box->setInformativeText(QStringLiteral("<p>To reach it:</p><ul>"
                                           "<li>press <b>%1</b> to capture text from the screen;</li>"
                                           "<li>run <code>ambrel</code> again to bring up its guide;</li>"
                                           "<li>run <code>ambrel --capture</code> to capture, for example from a "
                                           "keyboard shortcut of your desktop.</li></ul>")
                                .arg(shortcut));
    box->setIconPixmap(StatusIcon::image().pixmap(64, 64));
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->adjustSize(); // centred at its real size
    OpenWindows::placeNew(box);
    OpenWindows::show(box);
    return box;
}

void Application::registerHotKey()
{
    m_hotKey->registerKey(HotKeyConfig::keyCode(), HotKeyConfig::modifiers(), [this] { captureText(); });
    if (m_menu && !m_menu->actions().isEmpty())
        m_menu->actions().front()->setText(QStringLiteral("Capture Text\t")
                                           + QString::fromStdString(HotKeyConfig::display()));
}

void Application::setUpTray()
{
    m_menu = std::make_unique<QMenu>();
    m_menu->addAction(QStringLiteral("Capture Text\t") + QString::fromStdString(HotKeyConfig::display()), this,
                      &Application::captureText);
    m_menu->addAction(QStringLiteral("OCR a Document…\t") + QString::fromStdString(HotKeyConfig::documentDisplay()),
                      this, [this] { openDocument(); });
    m_menu->addAction(QStringLiteral("Batch → Excel"), this, &Application::openBatch);
    m_menu->addAction(QStringLiteral("History"), this, &Application::openHistory);
    m_menu->addAction(QStringLiteral("Settings…"), this, &Application::openSettings);
    m_menu->addSeparator();
    m_menu->addAction(QStringLiteral("Ambrel Guide"), this, &Application::openGuide);
    m_menu->addAction(QStringLiteral("About Ambrel"), this, &Application::showAbout);
    m_menu->addSeparator();
    m_menu->addAction(QStringLiteral("Quit Ambrel"), qApp, &QApplication::quit);

    // Many desktops have no tray; then the shortcut and a second start of `ambrel` are the ways in. Trays that
    // only show menus get the context menu; the others open the panel on a click.
    m_tray = new QSystemTrayIcon(StatusIcon::image(), this);
    m_tray->setToolTip(QLatin1String(AppInfo::name));
    m_tray->setContextMenu(m_menu.get());
    connect(m_tray, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        if (reason == QSystemTrayIcon::Trigger)
            togglePanel(m_tray->geometry());
    });
    m_tray->show();
}

bool Application::handleRequest(const QString& command)
{
    if (command == QLatin1String("show")) {
        openGuide();
        return true;
    }
    if (const QStringList files = filesToOpen(command); !files.isEmpty()) {
        if (m_running) {
            openDocument(files);
        } else {
            m_openWhenRunning += files; // opened once the terms are accepted
            openGuide();
        }
        return true;
    }
    if (command == QLatin1String("capture")) {
        if (m_running) {
            captureText();
        } else {
            m_captureWhenRunning = true; // carried out once the terms are accepted
            openGuide();                 // the terms come first
        }
        return true;
    }
    return false;
}

void Application::captureText()
{
    if (!m_running || m_capture->busy())
        return; // no capture before the terms are accepted; none while the pickers are open
    // On Wayland the portal's picture comes first: the pickers show it.
    Platform::prepareCapture([self = QPointer<Application>(this)] {
        if (self)
            self->m_capture->captureText();
    });
}

void Application::togglePanel(const QRect& anchor)
{
    PanelActions actions;
    actions.capture = [this] { captureText(); };
    actions.openDocument = [this] { openDocument(); };
    actions.openBatch = [this] { openBatch(); };
    actions.openHistory = [this] { openHistory(); };
    actions.openGuide = [this] { openGuide(); };
    actions.openSettings = [this] { openSettings(); };
    actions.openSR = [] {
        Permissions::requestScreenRecording();
        Permissions::openScreenRecordingSettings();
    };
    actions.quit = [] { QApplication::quit(); };
    m_panel->toggle(anchor, actions);
}

void Application::openDocument(const QStringList& files)
{
    DocumentOCRController::shared().show(files);
}

void Application::openBatch()
{
    BatchExport::shared().run();
}

void Application::openHistory()
{
    HistoryWindow::shared().show();
}

void Application::openSettings()
{
    SettingsWindow::shared().show();
}

void Application::openGuide()
{
    Welcome::shared().presentGuide();
}

void Application::showAbout()
{
    About::show();
}
