#include "ui/qt/TrayPanel.h"

#include "app/qt/AppInfo.h"
#include "capture/qt/HotKeySettings.h"
#include "capture/qt/Platform.h"
#include "capture/x11/Compositing.h"
#include "store/qt/SettingsStore.h"
#include "ui/qt/Glyphs.h"
#include "ui/qt/Look.h"

#include <QAbstractButton>
#include <QCloseEvent>
#include <QComboBox>
#include <QCursor>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QPropertyAnimation>
#include <QPushButton>
#include <QScreen>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

using Glyphs::Symbol;

namespace {
QLabel* textLabel(const QString& text, qreal scale = 1.0, QFont::Weight weight = QFont::Normal, bool secondary = false)
{
    auto* label = new QLabel(text);
    QFont font = label->font();
    font.setPointSizeF(font.pointSizeF() * scale);
    font.setWeight(weight);
    label->setFont(font);
    if (secondary) {
        QPalette palette = label->palette();
        palette.setColor(QPalette::WindowText, Look::secondaryText(palette));
        label->setPalette(palette);
    }
    return label;
}

QFrame* divider()
{
    auto* line = new QFrame;
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Plain);
    QPalette palette = line->palette();
    QColor color = palette.color(QPalette::WindowText);
    color.setAlphaF(0.15f);
    palette.setColor(QPalette::WindowText, color);
    line->setPalette(palette);
    return line;
}

// One action row: symbol, title and, at the trailing edge, an optional shortcut label; highlighted under the
// pointer and with the keyboard focus, like a menu item.
class PanelButton final : public QAbstractButton
{
public:
    PanelButton(const QIcon& icon, const QString& title, const QString& shortcut)
        : m_shortcut(shortcut)
    {
        setIcon(icon);
        setText(title);
        setObjectName(title);
        setAccessibleName(title);
        setAccessibleDescription(shortcut); // what a screen reader says for the painted shortcut
        setAttribute(Qt::WA_Hover);
        setFocusPolicy(Qt::StrongFocus);
        setCursor(Qt::PointingHandCursor);
        setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    }

    QString shortcut() const { return m_shortcut; }

    QSize sizeHint() const override { return QSize(200, std::max(30, fontMetrics().height() + 14)); }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        const bool lit = underMouse() || hasFocus() || isDown();
        QColor text = palette().color(QPalette::WindowText);
        if (lit) {
            QColor fill = palette().color(QPalette::Highlight);
            fill.setAlphaF(isDown() ? 0.35f : 0.2f);
            painter.setPen(Qt::NoPen);
            painter.setBrush(fill);
            painter.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 6, 6);
        }
        const int iconSize = 16;
        const QRect iconRect(10, (height() - iconSize) / 2, iconSize, iconSize);
        icon().paint(&painter, iconRect);
        painter.setPen(text);
        const QRect textRect = rect().adjusted(iconRect.right() + 10, 0, -10, 0);
        painter.drawText(textRect, Qt::AlignVCenter | Qt::AlignLeft, this->text());
        if (!m_shortcut.isEmpty()) {
            painter.setPen(Look::secondaryText(palette()));
            painter.drawText(textRect, Qt::AlignVCenter | Qt::AlignRight, m_shortcut);
        }
    }

private:
    QString m_shortcut;
};

QToolButton* footerButton(Symbol symbol, const QString& title, const std::function<void()>& action)
{
    auto* button = new QToolButton;
    button->setObjectName(title);
    button->setText(title);
    button->setIcon(Glyphs::icon(symbol));
    button->setIconSize(QSize(18, 18));
    button->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    button->setAutoRaise(true);
    button->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    QFont font = button->font();
    font.setPointSizeF(font.pointSizeF() * 0.9);
    button->setFont(font);
    QObject::connect(button, &QToolButton::clicked, button, [action] {
        if (action)
            action();
    });
    return button;
}

void connectAction(QAbstractButton* button, const std::function<void()>& action)
{
    QObject::connect(button, &QAbstractButton::clicked, button, [action] {
        if (action)
            action();
    });
}
} // namespace

TrayPanelView::TrayPanelView(PanelActions actions, QWidget* parent)
    : QWidget(parent)
    , m_actions(std::move(actions))
{
    setFixedWidth(width);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(10, 12, 10, 8);
    layout->setSpacing(2);

    // Header.
    auto* header = new QVBoxLayout;
    header->setContentsMargins(8, 0, 8, 6);
    header->setSpacing(1);
    header->addWidget(textLabel(QLatin1String(AppInfo::name), 1.25, QFont::DemiBold));
    header->addWidget(textLabel(QStringLiteral("Version ") + AppInfo::version(), 0.85, QFont::Normal, true));
    layout->addLayout(header);
    layout->addWidget(divider());
    layout->addSpacing(4);

    const QString shortcut = QString::fromStdString(HotKeyConfig::display());
    if (Permissions::screenRecordingIsAPermission() && !Permissions::screenRecordingGranted()) {
        m_permissionRow = new QFrame;
        m_permissionRow->setObjectName(QStringLiteral("permissionRow"));
        auto* row = new QHBoxLayout(m_permissionRow);
        row->setContentsMargins(10, 4, 6, 6);
        auto* icon = new QLabel;
        icon->setPixmap(Glyphs::icon(Symbol::Camera).pixmap(20, 20));
        row->addWidget(icon);
        auto* texts = new QVBoxLayout;
        texts->setSpacing(0);
        texts->addWidget(textLabel(QStringLiteral("Screen Capture"), 1.0, QFont::DemiBold));
        QLabel* subtitle = textLabel(QStringLiteral("Needed for ") + shortcut + QStringLiteral(" screen capture"), 0.85,
                                     QFont::Normal, true);
        subtitle->setWordWrap(true);
        texts->addWidget(subtitle);
        row->addLayout(texts, 1);
        auto* grant = new QPushButton(QStringLiteral("Grant"));
        connectAction(grant, m_actions.openSR);
        row->addWidget(grant);
        layout->addWidget(m_permissionRow);
        layout->addWidget(divider());
        layout->addSpacing(4);
    }

    auto* capture = new PanelButton(Glyphs::icon(Symbol::TextFinder), QStringLiteral("Capture Text"), shortcut);
    connectAction(capture, m_actions.capture);
    layout->addWidget(capture);
    auto* document = new PanelButton(Glyphs::icon(Symbol::Document), QStringLiteral("OCR a Document…"),
                                     QString::fromStdString(HotKeyConfig::documentDisplay()));
    connectAction(document, m_actions.openDocument);
    layout->addWidget(document);
    auto* batch = new PanelButton(Glyphs::icon(Symbol::Batch), QStringLiteral("Batch → Excel"), QString());
    connectAction(batch, m_actions.openBatch);
    layout->addWidget(batch);
    layout->addSpacing(4);
    layout->addWidget(divider());

    // Output mode.
    auto* mode = new QHBoxLayout;
    mode->setContentsMargins(10, 6, 4, 6);
    mode->setSpacing(10);
    auto* modeIcon = new QLabel;
    modeIcon->setPixmap(Glyphs::icon(Symbol::Table).pixmap(16, 16));
    mode->addWidget(modeIcon);
    mode->addWidget(new QLabel(QStringLiteral("Output")));
    mode->addStretch(1);
    m_outputPicker = new QComboBox;
    m_outputPicker->setObjectName(QStringLiteral("outputPicker"));
    for (Settings::OutputMode outputMode : Settings::allOutputModes) {
        const std::string_view text = Settings::label(outputMode);
        m_outputPicker->addItem(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())),
                                static_cast<int>(outputMode));
    }
    m_outputPicker->setCurrentIndex(m_outputPicker->findData(static_cast<int>(Settings::outputMode())));
    connect(m_outputPicker, &QComboBox::activated, this,
            [this](int index) { Settings::set(Settings::Key::outputMode, m_outputPicker->itemData(index).toInt()); });
    mode->addWidget(m_outputPicker);
    layout->addLayout(mode);
    layout->addWidget(divider());

    auto* footer = new QHBoxLayout;
    footer->setContentsMargins(0, 4, 0, 0);
    footer->setSpacing(2);
    footer->addWidget(footerButton(Symbol::History, QStringLiteral("History"), m_actions.openHistory));
    footer->addWidget(footerButton(Symbol::Help, QStringLiteral("Guide"), m_actions.openGuide));
    footer->addWidget(footerButton(Symbol::Settings, QStringLiteral("Settings…"), m_actions.openSettings));
    footer->addWidget(footerButton(Symbol::Power, QStringLiteral("Quit Ambrel"), m_actions.quit));
    layout->addLayout(footer);
}

PanelPopup::PanelPopup(PanelActions actions)
    : QWidget(nullptr, Qt::Popup | Qt::FramelessWindowHint)
    , m_content(new TrayPanelView(std::move(actions), this))
{
    setAttribute(Qt::WA_DeleteOnClose);
    // Without a compositor a translucent window is drawn over black: then the corners are cut with a mask instead.
    setAttribute(Qt::WA_TranslucentBackground, !opaqueCorners());
    setWindowTitle(QLatin1String(AppInfo::name));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(1, 1, 1, 1);
    layout->addWidget(m_content);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

void PanelPopup::closeNow()
{
    m_closing = true;
    close();
}

void PanelPopup::closeEvent(QCloseEvent* event)
{
    if (!m_closing && onCloseRequest) {
        event->ignore();
        onCloseRequest();
        return;
    }
    QWidget::closeEvent(event);
}

bool PanelPopup::opaqueCorners() const
{
    return Platform::session() == Platform::Session::X11 && !X11::compositingManagerRunning();
}

void PanelPopup::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QColor border = palette().color(QPalette::WindowText);
    border.setAlphaF(0.22f);
    painter.setPen(QPen(border, 1));
    painter.setBrush(palette().color(QPalette::Window));
    painter.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 12, 12);
}

void PanelPopup::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    if (opaqueCorners()) {
        QPainterPath path;
        path.addRoundedRect(QRectF(rect()), 12, 12);
        setMask(QRegion(path.toFillPolygon().toPolygon()));
    }
}

TrayPanel::TrayPanel(QObject* parent)
    : QObject(parent)
{}

TrayPanel::~TrayPanel()
{
    if (m_fade)
        m_fade->stop();
    if (m_panel)
        m_panel->closeNow();
}

bool TrayPanel::isShown() const
{
    return m_panel && !m_hiding;
}

void TrayPanel::toggle(const QRect& anchor, const PanelActions& actions)
{
    if (isShown())
        hide();
    else
        show(anchor, actions);
}

QPoint TrayPanel::position(const QRect& anchor, const QSize& size, const QRect& available)
{
    const int minX = available.x() + edgeMargin;
    const int maxX = available.x() + available.width() - size.width() - edgeMargin;
    const int minY = available.y() + edgeMargin;
    const int maxY = available.y() + available.height() - size.height() - edgeMargin;
    const double centre = anchor.x() + anchor.width() / 2.0;
    // The lower bound wins when the panel is wider than the screen, so its leading edge stays visible.
    const int x = std::max(minX, std::min(maxX, static_cast<int>(std::lround(centre - size.width() / 2.0))));
    // Below the icon as on a top bar; a tray at the bottom of the screen gets the panel above it.
    int y = anchor.y() + anchor.height() + anchorGap;
    if (y > maxY) {
        const int above = anchor.y() - anchorGap - size.height();
        if (above >= minY)
            y = above;
    }
    y = std::max(minY, std::min(maxY, y));
    return QPoint(x, y);
}

void TrayPanel::show(const QRect& anchor, const PanelActions& actions)
{
    if (m_panel || m_hiding)
        finishHiding(); // one still fading out: its pending action runs now

    // Every action runs once the panel is gone: a capture freezes the screen at once and must not freeze the panel.
    auto wrap = [this](const std::function<void()>& action) {
        return std::function<void()>([this, action] {
            hide([action] {
                if (action)
                    action();
            });
        });
    };
    PanelActions wrapped{wrap(actions.capture),     wrap(actions.openDocument), wrap(actions.openBatch),
                         wrap(actions.openHistory), wrap(actions.openGuide),    wrap(actions.openSettings),
                         wrap(actions.openSR),      wrap(actions.quit)};
    auto* panel = new PanelPopup(std::move(wrapped));
    panel->onCloseRequest = [this] { hide(); };
    panel->adjustSize();

    QRect at = anchor;
    if (at.isEmpty())
        at = QRect(QCursor::pos(), QSize(0, 0));
    QScreen* screen = QGuiApplication::screenAt(at.center());
    if (screen == nullptr)
        screen = QGuiApplication::screenAt(QCursor::pos());
    if (screen == nullptr)
        screen = QGuiApplication::primaryScreen();
    if (screen != nullptr)
        panel->move(position(at, panel->size(), screen->availableGeometry()));

    m_panel = panel;
    panel->setWindowOpacity(0.0);
    panel->show();
    panel->raise();
    panel->activateWindow();
    auto* fade = new QPropertyAnimation(panel, "windowOpacity", panel);
    fade->setDuration(fadeInMs);
    fade->setStartValue(0.0);
    fade->setEndValue(1.0);
    m_fade = fade;
    fade->start(QAbstractAnimation::DeleteWhenStopped);
}

void TrayPanel::hide(std::function<void()> then)
{
    if (!m_panel) {
        if (then)
            then();
        return;
    }
    if (then) {
        m_afterHide = [first = std::move(m_afterHide), then = std::move(then)] {
            if (first)
                first();
            then();
        };
    }
    if (m_hiding)
        return;
    m_hiding = true;
    if (m_fade)
        m_fade->stop();
    auto* fade = new QPropertyAnimation(m_panel, "windowOpacity", this);
    fade->setDuration(fadeOutMs);
    fade->setStartValue(m_panel->windowOpacity());
    fade->setEndValue(0.0);
    m_fade = fade;
    connect(fade, &QPropertyAnimation::finished, this, &TrayPanel::finishHiding);
    fade->start(QAbstractAnimation::DeleteWhenStopped);
}

void TrayPanel::finishHiding()
{
    if (m_fade)
        m_fade->stop();
    if (m_panel)
        m_panel->closeNow();
    m_panel = nullptr;
    m_hiding = false;
    if (auto then = std::exchange(m_afterHide, nullptr))
        then();
}
