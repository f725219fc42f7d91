#include "ui/qt/Welcome.h"

#include "app/qt/AppInfo.h"
#include "app/qt/Legal.h"
#include "app/qt/StatusIcon.h"
#include "capture/qt/HotKeySettings.h"
#include "capture/qt/Platform.h"
#include "store/qt/SettingsStore.h"
#include "ui/qt/OpenWindows.h"

#include <QApplication>
#include <QDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>
#include <QWidget>

namespace {
// A dialog, so that Return presses the default button and Escape declines; reports its closing, whatever closed it
// (the window's close button, Escape, "Quit" or the primary button).
class WelcomeWindow final : public QDialog
{
public:
    std::function<void()> onClose;

    void done(int result) override
    {
        QDialog::done(result);
        deleteLater();
        if (onClose)
            std::exchange(onClose, nullptr)();
    }
};

QLabel* label(const QString& text, int pointSizeDelta = 0, bool bold = false)
{
    auto* result = new QLabel(text);
    result->setWordWrap(true);
    result->setTextFormat(Qt::RichText);
    QFont font = result->font();
    font.setPointSizeF(font.pointSizeF() + pointSizeDelta);
    font.setBold(bold);
    result->setFont(font);
    return result;
}

QWidget* featureRow(const QString& iconName, const QString& title, const QString& text)
{
    auto* row = new QWidget;
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 4, 0, 4);
    auto* icon = new QLabel;
    icon->setPixmap(QIcon::fromTheme(iconName, StatusIcon::image()).pixmap(24, 24));
    icon->setAlignment(Qt::AlignTop);
    layout->addWidget(icon);
    auto* texts = new QVBoxLayout;
    texts->addWidget(label(title.toHtmlEscaped(), 0, true));
    texts->addWidget(label(text.toHtmlEscaped()));
    layout->addLayout(texts, 1);
    return row;
}
} // namespace

Welcome& Welcome::shared()
{
    static Welcome* welcome = new Welcome; // lives as long as the process
    return *welcome;
}

void Welcome::presentFirstRun(std::function<void()> onAgree)
{
    m_onAgree = std::move(onAgree);
    m_isFirstRun = true;
    m_agreed = false;
    present();
}

void Welcome::presentGuide()
{
    // The guide never replaces an open first-run window: closing that one must still mean "decline".
    if (m_window && m_isFirstRun && !m_agreed) {
        m_window->raise();
        m_window->activateWindow();
        return;
    }
    m_isFirstRun = false;
    m_agreed = true;
    present();
}

void Welcome::present()
{
    if (m_window) {
        static_cast<WelcomeWindow*>(m_window.data())->onClose = nullptr;
        m_window->close();
    }
    auto* window = new WelcomeWindow;
    window->setWindowTitle(QStringLiteral("Welcome to Ambrel"));
    window->setWindowIcon(StatusIcon::appIcon());
    window->resize(500, 600);
    window->onClose = [this] { closed(); };

    const QString shortcut = QString::fromStdString(HotKeyConfig::display()).toHtmlEscaped();
    auto* layout = new QVBoxLayout(window);
    layout->setContentsMargins(28, 24, 28, 20);

    auto* icon = new QLabel;
    icon->setPixmap(StatusIcon::appIcon().pixmap(72, 72));
    icon->setAlignment(Qt::AlignHCenter);
    layout->addWidget(icon);
    QLabel* title = label(QStringLiteral("Welcome to Ambrel"), 8, true);
    title->setAlignment(Qt::AlignHCenter);
    layout->addWidget(title);
    QLabel* tagline = label(QStringLiteral("Grab text from your screen — and keep the structure."));
    tagline->setAlignment(Qt::AlignHCenter);
    layout->addWidget(tagline);
    layout->addSpacing(10);

    layout->addWidget(label(QStringLiteral(
        "Ambrel lives in your <b>system tray</b> (a table between selection corners). It has no main window — open "
        "everything from that tray icon. Without a tray, start Ambrel again to bring it forward.")));
    layout->addSpacing(6);
    layout->addWidget(featureRow(QStringLiteral("edit-find"), QStringLiteral("Capture from screen — ") + shortcut,
                                 QStringLiteral("Drag a box over any text: a table, code, a PDF, a paused video.")));
    layout->addWidget(
        featureRow(QStringLiteral("document-open"),
                   QStringLiteral("OCR a file — ") + QString::fromStdString(HotKeyConfig::documentDisplay()),
                   QStringLiteral("Open or drag in images and PDFs (scans). Great for testing accuracy.")));
    layout->addWidget(featureRow(QStringLiteral("x-office-spreadsheet"), QStringLiteral("Structure stays intact"),
                                 QStringLiteral("Tables come back as Markdown or CSV; code keeps its symbols.")));
    layout->addSpacing(6);
    // Only Wayland asks for a permission to read the screen; on X11 every program may, so none is mentioned.
    if (!Permissions::screenRecordingIsAPermission()) {
        layout->addWidget(featureRow(QStringLiteral("security-high"), QStringLiteral("Stays on this computer"),
                                     QStringLiteral("Only reads the pixels you select, 100% on-device.")));
    } else if (Permissions::screenRecordingGranted()) {
        layout->addWidget(featureRow(QStringLiteral("emblem-ok"), QStringLiteral("Screen capture allowed"),
                                     QStringLiteral("Only reads the pixels you select, 100% on-device.")));
    } else {
        layout->addWidget(featureRow(QStringLiteral("camera-photo"),
                                     QStringLiteral("Screen capture (for ") + shortcut + QStringLiteral(" capture)"),
                                     QStringLiteral("Only reads the pixels you select, 100% on-device. Not needed to "
                                                    "OCR a file.")));
        auto* grant = new QPushButton(QStringLiteral("Grant"));
        QObject::connect(grant, &QPushButton::clicked, [] {
            Permissions::requestScreenRecording();
            Permissions::openScreenRecordingSettings();
        });
        layout->addWidget(grant, 0, Qt::AlignRight);
    }
    layout->addStretch(1);

    auto* footer = new QHBoxLayout;
    // The terms and the privacy notice ship with the program and open in a window of their own.
    QLabel* links = label(QStringLiteral("<a href=\"terms\">Terms</a> &nbsp; <a href=\"privacy\">Privacy</a>"));
    links->setObjectName(QStringLiteral("legalLinks"));
    QObject::connect(links, &QLabel::linkActivated, window, [window](const QString& link) {
        Legal::show(link == QLatin1String("terms") ? Legal::Document::Terms : Legal::Document::Privacy, window);
    });
    links->setWordWrap(false);
    // Tab reaches each link and Enter follows it, as in a browser.
    links->setTextInteractionFlags(Qt::TextBrowserInteraction);
    links->setFocusPolicy(Qt::StrongFocus);
    footer->addWidget(links);
    footer->addStretch(1);
    if (m_isFirstRun) {
        auto* quit = new QPushButton(QStringLiteral("Quit"));
        QObject::connect(quit, &QPushButton::clicked, window, &QDialog::reject); // declining quits, see closed()
        footer->addWidget(quit);
        // "&&" shows one ampersand: a lone "&" marks a keyboard mnemonic.
        auto* agree = new QPushButton(QStringLiteral("Agree && Start"));
        agree->setDefault(true);
        agree->setAutoDefault(true);
        QObject::connect(agree, &QPushButton::clicked, this, &Welcome::finish);
        footer->addWidget(agree);
        agree->setFocus();
    } else {
        auto* done = new QPushButton(QStringLiteral("Done"));
        done->setDefault(true);
        QObject::connect(done, &QPushButton::clicked, this, &Welcome::finish);
        footer->addWidget(done);
    }
    layout->addLayout(footer);

    m_window = window;
    OpenWindows::addCloseKeys(window);
    OpenWindows::placeNew(window);
    window->show();
    window->raise();
    window->activateWindow();
}

void Welcome::finish()
{
    if (m_isFirstRun) {
        m_agreed = true;
        Settings::set(Settings::Key::termsVersionAccepted, Settings::currentTermsVersion);
    }
    if (m_window)
        m_window->close();
    if (m_onAgree)
        std::exchange(m_onAgree, nullptr)();
}

void Welcome::closed()
{
    m_window = nullptr;
    if (m_isFirstRun && !m_agreed)
        QApplication::quit();
}
