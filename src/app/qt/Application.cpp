#include "app/qt/Application.h"

#include "app/qt/AppInfo.h"
#include "app/qt/LoginItem.h"
#include "app/qt/Panel.h"
#include "app/qt/SingleInstance.h"
#include "app/qt/StatusIcon.h"
#include "app/qt/Welcome.h"
#include "capture/GlobalHotKey.h"
#include "capture/qt/Capture.h"
#include "capture/qt/CaptureController.h"
#include "capture/qt/HUD.h"
#include "capture/qt/HotKeySettings.h"
#include "capture/qt/Platform.h"
#include "document/qt/DocumentOCRController.h"
#include "export/qt/BatchExport.h"
#include "ocr/OCR.h"
#include "store/qt/HistoryWindow.h"
#include "store/qt/SettingsStore.h"
#include "store/qt/SettingsWindow.h"

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

    if (SingleInstance::send(request))
        return 0;
    SingleInstance instance;
    if (!instance.listen() && SingleInstance::send(request))
        return 0; // lost a race with an instance started at the same moment

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
    , m_capture(std::make_unique<Capture>(CaptureController::shared()))
    , m_panel(std::make_unique<MenuBarPanelController>())
{}

Application::~Application() = default;

void Application::start()
{
    Settings::registerDefaults();
    // Where the desktop has no settings page for the screen-capture permission, the guide's "Grant" asks for it.
    Permissions::setSettingsOpener([this] { openGuide(); });
    LoginItem::sync();
    QApplication::setWindowIcon(StatusIcon::image());
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
    connect(&HotKeyNotifier::instance(), &HotKeyNotifier::hotKeyChanged, this, &Application::registerHotKey);
    OCR::warmUp(Settings::languages(), Settings::usesLanguageCorrection(Settings::outputMode()));
    if (m_captureWhenRunning) {
        m_captureWhenRunning = false;
        QTimer::singleShot(0, this, &Application::captureText);
    }
    if (!m_openWhenRunning.isEmpty())
        openDocument(std::exchange(m_openWhenRunning, {}));
    if (!Settings::boolean(Settings::Key::readyHintShown)) {
        Settings::set(Settings::Key::readyHintShown, true);
        HUD::show(QStringLiteral("Ambrel is ready — press %1 or use the tray icon")
                      .arg(QString::fromStdString(HotKeyConfig::display())));
    }
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
    m_menu->addAction(QStringLiteral("OCR a Document…"), this, [this] { openDocument(); });
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
    HistoryWindowController::shared().show();
}

void Application::openSettings()
{
    PreferencesWindowController::shared().show();
}

void Application::openGuide()
{
    Welcome::shared().presentGuide();
}

void Application::showAbout()
{
    auto* box = new QMessageBox(QMessageBox::NoIcon, QStringLiteral("About Ambrel"),
                                QStringLiteral("<b>Ambrel</b><br>Version %1<br><br>Grab text from your screen — and "
                                               "keep the structure.")
                                    .arg(AppInfo::version().toHtmlEscaped()),
                                QMessageBox::Ok);
    box->setIconPixmap(StatusIcon::image().pixmap(64, 64));
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->show();
    box->raise();
    box->activateWindow();
}
