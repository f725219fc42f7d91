#include "store/qt/HistoryWindow.h"

#include "app/qt/AppActivation.h"
#include "app/qt/PanelSymbols.h"
#include "store/qt/HistoryStore.h"

#include <QClipboard>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollArea>
#include <QStackedWidget>
#include <QStyle>
#include <QTimeZone>
#include <QToolButton>
#include <QVBoxLayout>

#include <functional>

using PanelSymbols::Symbol;

namespace {
QString qt(const std::string& text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QColor secondaryColor(const QPalette& palette)
{
    QColor color = palette.color(QPalette::WindowText);
    color.setAlphaF(0.6f);
    return color;
}

// The theme's symbol, or the drawn one in the accent colour.
QIcon accentIcon(Symbol symbol, const QPalette& palette)
{
    const QIcon themed = QIcon::fromTheme(QString::fromLatin1(PanelSymbols::themeName(symbol)));
    return themed.isNull() ? PanelSymbols::drawn(symbol, palette.color(QPalette::Highlight)) : themed;
}

// One entry of the list: symbol, preview, relative date and pin mark; the "Copied" mark floats over its trailing
// end.
class HistoryRow final : public QFrame
{
public:
    std::function<void()> onClick;
    std::function<void(const QPoint&)> onMenu;

    HistoryRow(const HistoryItem& item, bool copied, QWidget* parent)
        : QFrame(parent)
    {
        setObjectName(QStringLiteral("historyRow"));
        setProperty("itemId", qt(item.id));
        setAttribute(Qt::WA_Hover);
        setCursor(Qt::PointingHandCursor);
        setToolTip(QStringLiteral("Click to copy"));
        auto* layout = new QHBoxLayout(this);
        layout->setContentsMargins(10, 7, 10, 7);
        layout->setSpacing(10);

        auto* icon = new QLabel;
        icon->setFixedWidth(20);
        icon->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
        icon->setPixmap(accentIcon(item.isTable ? Symbol::Table : Symbol::TextLines, palette()).pixmap(16, 16));
        layout->addWidget(icon);

        auto* texts = new QVBoxLayout;
        texts->setSpacing(3);
        auto* preview = new QLabel(qt(item.preview()));
        preview->setObjectName(QStringLiteral("preview"));
        preview->setTextFormat(Qt::PlainText);
        preview->setWordWrap(true);
        preview->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
        preview->setMaximumHeight(preview->fontMetrics().lineSpacing() * 2 + 2); // at most two lines
        texts->addWidget(preview);
        auto* date = new QLabel(HistoryView::relativeDate(item.date, QDateTime::currentDateTime()));
        date->setObjectName(QStringLiteral("date"));
        QFont small = date->font();
        small.setPointSizeF(small.pointSizeF() * 0.82);
        date->setFont(small);
        QPalette datePalette = date->palette();
        datePalette.setColor(QPalette::WindowText, secondaryColor(datePalette));
        date->setPalette(datePalette);
        texts->addWidget(date);
        layout->addLayout(texts, 1);

        if (item.pinned) {
            auto* pin = new QLabel;
            pin->setObjectName(QStringLiteral("pinMark"));
            pin->setToolTip(QStringLiteral("Pinned"));
            pin->setPixmap(PanelSymbols::icon(Symbol::Pin).pixmap(12, 12));
            pin->setAlignment(Qt::AlignTop);
            layout->addWidget(pin);
        }

        m_copied = new QLabel(QStringLiteral("Copied"), this);
        m_copied->setObjectName(QStringLiteral("copiedMark"));
        QFont caption = m_copied->font();
        caption.setPointSizeF(caption.pointSizeF() * 0.85);
        m_copied->setFont(caption);
        const QColor text = palette().color(QPalette::HighlightedText);
        const QColor fill = palette().color(QPalette::Highlight);
        m_copied->setStyleSheet(QStringLiteral("QLabel { color: %1; background: rgba(%2, %3, %4, 215); "
                                               "border-radius: 9px; padding: 1px 9px; }")
                                    .arg(text.name())
                                    .arg(fill.red())
                                    .arg(fill.green())
                                    .arg(fill.blue()));
        m_copied->adjustSize();
        m_copied->setVisible(copied);
    }

    void setCopied(bool copied) { m_copied->setVisible(copied); }

protected:
    void resizeEvent(QResizeEvent* event) override
    {
        QFrame::resizeEvent(event);
        m_copied->move(width() - m_copied->width() - 34, (height() - m_copied->height()) / 2);
    }

    void paintEvent(QPaintEvent*) override
    {
        if (!underMouse())
            return;
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        QColor fill = palette().color(QPalette::Highlight);
        fill.setAlphaF(0.12f);
        painter.setPen(Qt::NoPen);
        painter.setBrush(fill);
        painter.drawRoundedRect(QRectF(rect()).adjusted(1, 0, -1, 0), 6, 6);
    }

    void mouseReleaseEvent(QMouseEvent* event) override
    {
        if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()) && onClick)
            onClick();
    }

    void contextMenuEvent(QContextMenuEvent* event) override
    {
        if (onMenu)
            onMenu(event->globalPos());
    }

private:
    QLabel* m_copied;
};
} // namespace

HistoryView::HistoryView(HistoryStore& store, QWidget* parent)
    : QWidget(parent)
    , m_store(store)
{
    setWindowTitle(QStringLiteral("Capture History"));
    resize(460, 520);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    auto* header = new QHBoxLayout;
    header->setContentsMargins(10, 10, 10, 10);
    header->setSpacing(8);
    auto* searchIcon = new QLabel;
    searchIcon->setPixmap(PanelSymbols::icon(Symbol::Search).pixmap(16, 16));
    header->addWidget(searchIcon);
    m_search = new QLineEdit;
    m_search->setPlaceholderText(QStringLiteral("Search history"));
    m_search->setFrame(false);
    m_search->setClearButtonEnabled(true);
    header->addWidget(m_search, 1);
    auto* clear = new QToolButton;
    clear->setText(QStringLiteral("Clear All"));
    clear->setIcon(PanelSymbols::icon(Symbol::Trash));
    clear->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    clear->setAutoRaise(true);
    m_clear = clear;
    header->addWidget(m_clear);
    layout->addLayout(header);

    auto* line = new QFrame;
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    layout->addWidget(line);
    if (const QString notice = m_store.takeNotice(); !notice.isEmpty()) { // a damaged history file, told once
        auto* noticeLabel = new QLabel(notice);
        noticeLabel->setWordWrap(true);
        noticeLabel->setContentsMargins(10, 6, 10, 6);
        layout->addWidget(noticeLabel);
    }

    m_pages = new QStackedWidget;
    auto* empty = new QWidget;
    auto* emptyLayout = new QVBoxLayout(empty);
    emptyLayout->setContentsMargins(24, 24, 24, 24);
    emptyLayout->setSpacing(8);
    emptyLayout->addStretch(1);
    auto* emptyIcon = new QLabel;
    emptyIcon->setAlignment(Qt::AlignHCenter);
    emptyIcon->setPixmap(PanelSymbols::icon(Symbol::History).pixmap(40, 40));
    QPalette faint = emptyIcon->palette();
    faint.setColor(QPalette::WindowText, secondaryColor(faint));
    emptyLayout->addWidget(emptyIcon);
    m_emptyTitle = new QLabel;
    m_emptyTitle->setAlignment(Qt::AlignHCenter);
    QFont titleFont = m_emptyTitle->font();
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.4);
    titleFont.setWeight(QFont::DemiBold);
    m_emptyTitle->setFont(titleFont);
    emptyLayout->addWidget(m_emptyTitle);
    auto* emptyCaption =
        new QLabel(QStringLiteral("Everything you capture appears here — and stays on this computer."));
    emptyCaption->setAlignment(Qt::AlignHCenter);
    emptyCaption->setWordWrap(true);
    QFont captionFont = emptyCaption->font();
    captionFont.setPointSizeF(captionFont.pointSizeF() * 0.9);
    emptyCaption->setFont(captionFont);
    emptyCaption->setPalette(faint);
    emptyLayout->addWidget(emptyCaption);
    emptyLayout->addStretch(2);
    m_pages->addWidget(empty);

    auto* scroll = new QScrollArea;
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidgetResizable(true);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_list = new QWidget;
    m_rows = new QVBoxLayout(m_list);
    m_rows->setContentsMargins(6, 6, 6, 6);
    m_rows->setSpacing(2);
    scroll->setWidget(m_list);
    m_pages->addWidget(scroll);
    layout->addWidget(m_pages, 1);

    m_copiedTimer.setSingleShot(true);
    m_copiedTimer.setTimerType(Qt::PreciseTimer); // a coarse timer may fire early
    m_copiedTimer.setInterval(copiedMarkMs);
    connect(&m_copiedTimer, &QTimer::timeout, this, [this] {
        m_copiedId.clear();
        showCopiedMark();
    });
    connect(m_search, &QLineEdit::textChanged, this, &HistoryView::rebuild);
    connect(clear, &QToolButton::clicked, this, [this] { m_store.clearAll(); });
    connect(&m_store, &HistoryStore::changed, this, &HistoryView::rebuild);
    rebuild();
}

std::vector<HistoryItem> HistoryView::filtered(const std::vector<HistoryItem>& items, const QString& query,
                                               const QLocale& locale)
{
    if (query.isEmpty())
        return items;
    // Lower-casing under the locale handles its special cases (Turkish dotted and dotless i); the comparison then
    // also ignores the remaining case differences Unicode knows.
    const QString needle = locale.toLower(query);
    std::vector<HistoryItem> result;
    for (const HistoryItem& item : items) {
        if (locale.toLower(qt(item.text)).contains(needle, Qt::CaseInsensitive))
            result.push_back(item);
    }
    return result;
}

QString HistoryView::relativeDate(double date, const QDateTime& now, const QLocale& locale)
{
    const QDateTime when =
        QDateTime::fromMSecsSinceEpoch(static_cast<qint64>((date + History::referenceDateOffset) * 1000.0))
            .toTimeZone(now.timeZone());
    const qint64 seconds = when.secsTo(now);
    if (seconds < 60)
        return seconds < -60 ? locale.toString(when, QLocale::ShortFormat) : QStringLiteral("just now");
    if (seconds < 3600) {
        const qint64 minutes = seconds / 60;
        return minutes == 1 ? QStringLiteral("1 minute ago") : QStringLiteral("%1 minutes ago").arg(minutes);
    }
    const qint64 days = when.date().daysTo(now.date());
    if (days == 0) {
        const qint64 hours = seconds / 3600;
        return hours == 1 ? QStringLiteral("1 hour ago") : QStringLiteral("%1 hours ago").arg(hours);
    }
    if (days == 1)
        return QStringLiteral("yesterday");
    if (days < 7)
        return QStringLiteral("%1 days ago").arg(days);
    return locale.toString(when.date(), QLocale::ShortFormat);
}

void HistoryView::copy(const HistoryItem& item)
{
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->clear();
    clipboard->setText(qt(item.text));
    m_copiedId = item.id;
    m_copiedTimer.start();
    showCopiedMark();
}

std::vector<QWidget*> HistoryView::rows() const
{
    std::vector<QWidget*> result;
    for (int i = 0; i < m_rows->count(); ++i) {
        if (QWidget* widget = m_rows->itemAt(i)->widget())
            result.push_back(widget);
    }
    return result;
}

QWidget* HistoryView::row(const std::string& id) const
{
    for (QWidget* widget : rows()) {
        if (widget->property("itemId").toString() == qt(id))
            return widget;
    }
    return nullptr;
}

QMenu* HistoryView::contextMenu(const HistoryItem& item, QWidget* parent)
{
    auto* menu = new QMenu(parent);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    const std::string id = item.id;
    menu->addAction(QStringLiteral("Copy"), this, [this, item] { copy(item); });
    menu->addAction(item.pinned ? QStringLiteral("Unpin") : QStringLiteral("Pin"), this,
                    [this, id] { m_store.togglePin(id); });
    menu->addSeparator();
    QAction* remove = menu->addAction(PanelSymbols::icon(Symbol::Trash), QStringLiteral("Delete"), this,
                                      [this, id] { m_store.remove(id); });
    remove->setObjectName(QStringLiteral("delete"));
    return menu;
}

void HistoryView::rebuild()
{
    // Menus of the old rows may still be open; they act on ids, so they stay valid.
    while (QLayoutItem* item = m_rows->takeAt(0)) {
        if (QWidget* widget = item->widget())
            widget->deleteLater();
        delete item;
    }
    const std::vector<HistoryItem>& items = m_store.items();
    m_clear->setVisible(!items.empty());
    const std::vector<HistoryItem> shown = filtered(items, m_search->text());
    if (shown.empty()) {
        m_emptyTitle->setText(items.empty() ? QStringLiteral("No captures yet") : QStringLiteral("No matches"));
        m_emptyTitle->show();
        m_pages->setCurrentIndex(0);
        return;
    }
    m_emptyTitle->hide();
    for (const HistoryItem& item : shown) {
        auto* row = new HistoryRow(item, item.id == m_copiedId, m_list);
        row->onClick = [this, item] { copy(item); };
        row->onMenu = [this, item](const QPoint& at) { contextMenu(item, this)->popup(at); };
        m_rows->addWidget(row);
    }
    m_rows->addStretch(1);
    m_pages->setCurrentIndex(1);
}

void HistoryView::showCopiedMark()
{
    for (QWidget* widget : rows())
        static_cast<HistoryRow*>(widget)->setCopied(widget->property("itemId").toString() == qt(m_copiedId));
}

HistoryWindowController& HistoryWindowController::shared()
{
    static auto* controller = new HistoryWindowController; // lives as long as the process
    return *controller;
}

void HistoryWindowController::show()
{
    if (!m_window) {
        m_window = new HistoryView(HistoryStore::shared());
        AppActivation::placeNew(m_window);
    }
    AppActivation::show(m_window);
}
