#include "ui/qt/SettingsWindow.h"

#include "app/qt/AppInfo.h"
#include "app/qt/LoginItem.h"
#include "app/qt/StatusIcon.h"
#include "capture/qt/Platform.h"
#include "store/qt/SettingsStore.h"
#include "ui/qt/Glyphs.h"
#include "ui/qt/HotKeyRecorder.h"
#include "ui/qt/LanguagesField.h"
#include "ui/qt/Look.h"
#include "ui/qt/OpenWindows.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

using Glyphs::Symbol;

namespace {
QLabel* note(const QString& text)
{
    auto* label = new QLabel(text);
    Look::makeHint(label);
    return label;
}

QLabel* symbolLabel(Symbol symbol, int size)
{
    auto* label = new QLabel;
    label->setPixmap(Glyphs::icon(symbol).pixmap(size, size));
    return label;
}
} // namespace

SettingsView::SettingsView(QWidget* parent)
    : QWidget(parent)
{
    setWindowTitle(QStringLiteral("Ambrel Settings"));
    resize(440, 520);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(12, 12, 12, 12);
    m_tabs = new QTabWidget;
    m_tabs->setDocumentMode(true);
    m_tabs->addTab(captureTab(), QStringLiteral("Capture"));
    m_tabs->addTab(generalTab(), QStringLiteral("General"));
    layout->addWidget(m_tabs);
    readSettings();
}

QWidget* SettingsView::captureTab()
{
    auto* tab = new QWidget;
    auto* form = new QFormLayout(tab);
    form->setContentsMargins(16, 18, 16, 16);
    form->setVerticalSpacing(14);
    form->setHorizontalSpacing(14);
    form->setLabelAlignment(Qt::AlignRight | Qt::AlignTop);
    form->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);

    m_outputPicker = new QComboBox;
    for (Settings::OutputMode mode : Settings::allOutputModes) {
        const std::string_view text = Settings::label(mode);
        m_outputPicker->addItem(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())),
                                static_cast<int>(mode));
    }
    connect(m_outputPicker, &QComboBox::activated, this,
            [this](int index) { Settings::set(Settings::Key::outputMode, m_outputPicker->itemData(index).toInt()); });
    form->addRow(QStringLiteral("Default output:"), m_outputPicker);

    m_recorder = new HotKeyRecorder;
    form->addRow(QStringLiteral("Capture shortcut:"), m_recorder);
    // Where the desktop binds the shortcut and did not, the way around it, kept up to date while the window is open.
    auto* shortcutNotice = note(QString());
    shortcutNotice->setObjectName(QStringLiteral("shortcutNotice"));
    shortcutNotice->setWordWrap(true);
    shortcutNotice->setTextInteractionFlags(Qt::TextSelectableByMouse);
    const auto showNotice = [shortcutNotice] {
        const QString text = ShortcutStatus::instance().notice();
        shortcutNotice->setText(text);
        shortcutNotice->setVisible(!text.isEmpty());
    };
    showNotice();
    connect(&ShortcutStatus::instance(), &ShortcutStatus::changed, shortcutNotice, showNotice);
    form->addRow(QString(), shortcutNotice);

    m_languages = new LanguagesField;
    form->addRow(QStringLiteral("Languages:"), m_languages);

    m_playSound = new QCheckBox(QStringLiteral("Play a sound on copy"));
    connect(m_playSound, &QCheckBox::toggled, this, [](bool on) { Settings::set(Settings::Key::playSound, on); });
    form->addRow(QString(), m_playSound);
    return tab;
}

QWidget* SettingsView::generalTab()
{
    auto* tab = new QWidget;
    auto* layout = new QVBoxLayout(tab);
    layout->setContentsMargins(16, 18, 16, 16);
    layout->setSpacing(14);

    auto* header = new QHBoxLayout;
    header->setSpacing(12);
    auto* icon = new QLabel;
    icon->setPixmap(StatusIcon::image().pixmap(48, 48));
    header->addWidget(icon, 0, Qt::AlignTop);
    auto* about = new QVBoxLayout;
    about->setSpacing(2);
    auto* name = new QLabel(QLatin1String(AppInfo::name));
    QFont nameFont = name->font();
    nameFont.setPointSizeF(nameFont.pointSizeF() * 1.4);
    nameFont.setWeight(QFont::DemiBold);
    name->setFont(nameFont);
    about->addWidget(name);
    about->addWidget(note(QStringLiteral("Version ") + AppInfo::version()));
    about->addWidget(new QLabel(QStringLiteral("Grab text — keep the structure.")));
    header->addLayout(about, 1);
    layout->addLayout(header);

    auto* line = new QFrame;
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    layout->addWidget(line);

    auto* history = new QVBoxLayout;
    history->setSpacing(2);
    m_keepHistory = new QCheckBox(QStringLiteral("Keep capture history"));
    connect(m_keepHistory, &QCheckBox::toggled, this, [](bool on) { Settings::set(Settings::Key::keepHistory, on); });
    history->addWidget(m_keepHistory);
    QLabel* historyNote =
        note(QStringLiteral("Recent captures stay on this computer. Clear them anytime from History."));
    historyNote->setIndent(24); // under the check box's text, not its box
    history->addWidget(historyNote);
    layout->addLayout(history);

    m_launchAtLogin = new QCheckBox(QStringLiteral("Launch at login"));
    connect(m_launchAtLogin, &QCheckBox::toggled, this, [this](bool on) {
        Settings::set(Settings::Key::launchAtLogin, on);
        // A failure is printed by LoginItem; the box then shows what the autostart folder really holds.
        if (!LoginItem::set(on)) {
            const QSignalBlocker quiet(m_launchAtLogin);
            m_launchAtLogin->setChecked(LoginItem::isEnabled());
            Settings::set(Settings::Key::launchAtLogin, LoginItem::isEnabled());
        }
    });
    layout->addWidget(m_launchAtLogin);

    // X11 lets every program read the screen: there is no permission to show there.
    if (Permissions::screenRecordingIsAPermission()) {
        auto* permission = new QHBoxLayout;
        permission->setSpacing(8);
        if (Permissions::screenRecordingGranted()) {
            permission->addWidget(symbolLabel(Symbol::CheckCircle, 18));
            permission->addWidget(new QLabel(QStringLiteral("Screen capture granted")), 1);
        } else {
            permission->addWidget(symbolLabel(Symbol::Warning, 18));
            permission->addWidget(new QLabel(QStringLiteral("Screen capture needed")), 1);
            auto* open = new QPushButton(QStringLiteral("Open Settings"));
            open->setObjectName(QStringLiteral("openPermissionSettings"));
            connect(open, &QPushButton::clicked, this, [] {
                Permissions::requestScreenRecording();
                Permissions::openScreenRecordingSettings();
            });
            permission->addWidget(open);
        }
        layout->addLayout(permission);
    }
    layout->addStretch(1);
    return tab;
}

void SettingsView::readSettings()
{
    m_outputPicker->setCurrentIndex(m_outputPicker->findData(static_cast<int>(Settings::outputMode())));
    for (auto [box, key] :
         {std::pair{m_playSound, Settings::Key::playSound}, std::pair{m_keepHistory, Settings::Key::keepHistory},
          std::pair{m_launchAtLogin, Settings::Key::launchAtLogin}}) {
        const QSignalBlocker quiet(box);
        box->setChecked(Settings::boolean(key));
    }
}

void SettingsView::showEvent(QShowEvent* event)
{
    readSettings();
    QWidget::showEvent(event);
}

SettingsWindow& SettingsWindow::shared()
{
    static auto* controller = new SettingsWindow; // lives as long as the process
    return *controller;
}

void SettingsWindow::show()
{
    if (!m_window) {
        m_window = new SettingsView;
        OpenWindows::placeNew(m_window);
    }
    OpenWindows::show(m_window);
}
