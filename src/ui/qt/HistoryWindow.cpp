#include "ui/qt/HistoryWindow.h"

#include "store/qt/HistoryStore.h"
#include "ui/qt/Glyphs.h"
#include "ui/qt/Look.h"
#include "ui/qt/OpenWindows.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QScrollArea>
#include <QStackedWidget>
#include <QStyle>
#include <QTimeZone>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>
#include <functional>

using Glyphs::Symbol;

namespace {
QString qt(const std::string& text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// The theme's symbol, or the drawn one in the accent colour.
QIcon accentIcon(Symbol symbol, const QPalette& palette)
{
    const QIcon themed = QIcon::fromTheme(QString::fromLatin1(Glyphs::themeName(symbol)));
    return themed.isNull() ? Glyphs::drawn(symbol, palette.color(QPalette::Highlight)) : themed;
}

// The key that pins an entry, as its context menu shows it beside Enter (copy) and Delete.
constexpr QKeyCombination pinKeys(Qt::ControlModifier, Qt::Key_P);

// One entry of the list: symbol, preview, relative date and pin mark; the "Copied" mark floats over its trailing
// end. The list is one stop in the Tab chain: the arrows move between entries, and the entry with the focus takes
// the keys its context menu lists.
class HistoryRow final : public QFrame
{
public:
    std::function<void()> onClick;
    std::function<void(const QPoint&)> onMenu;
    std::function<void(int)> onMove; // -1 up, +1 down, a large number for Home and End
    std::function<void()> onPin;
    std::function<void()> onDelete;

    HistoryRow(const HistoryItem& item, bool copied, QWidget* parent)
        : QFrame(parent)
    {
        setObjectName(QStringLiteral("historyRow"));
        setProperty("itemId", qt(item.id));
        setAttribute(Qt::WA_Hover);
        setCursor(Qt::PointingHandCursor);
        setToolTip(QStringLiteral("Click or press Enter to copy"));
        setFocusPolicy(Qt::ClickFocus);
        setAccessibleName(qt(item.preview()));
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
        datePalette.setColor(QPalette::WindowText, Look::secondaryText(datePalette));
        date->setPalette(datePalette);
        texts->addWidget(date);
        layout->addLayout(texts, 1);

        if (item.pinned) {
            auto* pin = new QLabel;
            pin->setObjectName(QStringLiteral("pinMark"));
            pin->setToolTip(QStringLiteral("Pinned"));
            pin->setPixmap(Glyphs::icon(Symbol::Pin).pixmap(12, 12));
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
        if (!underMouse() && !hasFocus())
            return;
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        QColor fill = palette().color(QPalette::Highlight);
        fill.setAlphaF(hasFocus() ? 0.22f : 0.12f);
        painter.setPen(hasFocus() ? QPen(palette().color(QPalette::Highlight), 1.5) : QPen(Qt::NoPen));
        painter.setBrush(fill);
        painter.drawRoundedRect(QRectF(rect()).adjusted(1.5, 1.5, -1.5, -1.5), 6, 6);
    }

    void focusInEvent(QFocusEvent* event) override
    {
        QFrame::focusInEvent(event);
        update();
    }

    void focusOutEvent(QFocusEvent* event) override
    {
        QFrame::focusOutEvent(event);
        update();
    }

    void keyPressEvent(QKeyEvent* event) override
    {
        const QKeyCombination keys = event->keyCombination();
        if (event->key() == Qt::Key_Up || event->key() == Qt::Key_Down) {
            onMove(event->key() == Qt::Key_Up ? -1 : 1);
        } else if (event->key() == Qt::Key_Home || event->key() == Qt::Key_End) {
            onMove(event->key() == Qt::Key_Home ? -1000000 : 1000000);
        } else if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter || event->key() == Qt::Key_Space
                   || event->matches(QKeySequence::Copy)) {
            onClick();
        } else if (keys == pinKeys) {
            onPin();
        } else if (event->key() == Qt::Key_Delete) {
            onDelete();
        } else {
            QFrame::keyPressEvent(event);
        }
    }

    void mouseReleaseEvent(QMouseEvent* event) override
    {
        if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()) && onClick)
            onClick();
    }

    void contextMenuEvent(QContextMenuEvent* event) override
    {
        if (!onMenu)
            return;
        // From the Menu key, the menu opens at the entry rather than wherever the pointer happens to be.
        onMenu(event->reason() == QContextMenuEvent::Keyboard ? mapToGlobal(QPoint(24, height() / 2))
                                                              : event->globalPos());
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
    searchIcon->setPixmap(Glyphs::icon(Symbol::Search).pixmap(16, 16));
    header->addWidget(searchIcon);
    m_search = new QLineEdit;
    m_search->setPlaceholderText(QStringLiteral("Search history"));
    m_search->setFrame(false);
    m_search->setClearButtonEnabled(true);
    m_search->installEventFilter(this);
    header->addWidget(m_search, 1);
    auto* clear = new QToolButton;
    clear->setText(QStringLiteral("Clear All"));
    clear->setIcon(Glyphs::icon(Symbol::Trash));
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
    emptyIcon->setPixmap(Glyphs::icon(Symbol::History).pixmap(40, 40));
    QPalette faint = emptyIcon->palette();
    faint.setColor(QPalette::WindowText, Look::secondaryText(faint));
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
    connect(clear, &QToolButton::clicked, this, &HistoryView::askToClear);
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
    // The keys are shown, not bound: the entry with the focus handles them, so they act on that entry alone.
    QAction* copyAction = menu->addAction(QStringLiteral("Copy"), this, [this, item] { copy(item); });
    copyAction->setShortcut(QKeySequence(Qt::Key_Return));
    copyAction->setShortcutContext(Qt::WidgetShortcut);
    QAction* pin = menu->addAction(item.pinned ? QStringLiteral("Unpin") : QStringLiteral("Pin"), this,
                                   [this, id] { m_store.togglePin(id); });
    pin->setShortcut(QKeySequence(pinKeys));
    pin->setShortcutContext(Qt::WidgetShortcut);
    menu->addSeparator();
    QAction* remove =
        menu->addAction(Glyphs::icon(Symbol::Trash), QStringLiteral("Delete"), this, [this, id] { removeEntry(id); });
    remove->setObjectName(QStringLiteral("delete"));
    remove->setShortcut(QKeySequence(QKeySequence::Delete));
    remove->setShortcutContext(Qt::WidgetShortcut);
    return menu;
}

std::vector<HistoryItem> HistoryView::pinnedFirst(std::vector<HistoryItem> items)
{
    std::stable_partition(items.begin(), items.end(), [](const HistoryItem& item) { return item.pinned; });
    return items;
}

void HistoryView::askToClear()
{
    const auto& items = m_store.items();
    const auto pinned = std::count_if(items.begin(), items.end(), [](const HistoryItem& i) { return i.pinned; });
    const auto unpinned = static_cast<long>(items.size()) - pinned;
    auto* box =
        new QMessageBox(QMessageBox::Question, QStringLiteral("Clear History"),
                        unpinned == 1 ? QStringLiteral("Clear the capture that is not pinned?")
                                      : QStringLiteral("Clear the %1 captures that are not pinned?").arg(unpinned),
                        QMessageBox::NoButton, this);
    box->setObjectName(QStringLiteral("clearQuestion"));
    box->setInformativeText(pinned == 0 ? QStringLiteral("Pinned captures would be kept. This cannot be undone.")
                                        : QStringLiteral("The %1 pinned capture%2 will be kept. This cannot be undone.")
                                              .arg(pinned)
                                              .arg(pinned == 1 ? QString() : QStringLiteral("s")));
    QPushButton* clear = box->addButton(QStringLiteral("Clear"), QMessageBox::DestructiveRole);
    clear->setObjectName(QStringLiteral("confirmClear"));
    QPushButton* keep = box->addButton(QMessageBox::Cancel);
    // A stray Enter or Space keeps everything: the safe answer has the focus.
    box->setDefaultButton(keep);
    box->setEscapeButton(keep);
    box->setAttribute(Qt::WA_DeleteOnClose);
    connect(box, &QMessageBox::buttonClicked, this, [this, clear](QAbstractButton* button) {
        if (button == clear)
            m_store.clearAll();
    });
    box->open();
}

void HistoryView::removeEntry(const std::string& id)
{
    // The focus moves on to the entry that takes the deleted one's place, so Delete can be pressed again.
    const std::vector<QWidget*> shown = rows();
    const auto at = std::find_if(shown.begin(), shown.end(),
                                 [&id](QWidget* w) { return w->property("itemId").toString() == qt(id); });
    const bool focused = at != shown.end() && (*at)->hasFocus();
    const int index = at == shown.end() ? -1 : static_cast<int>(at - shown.begin());
    m_store.remove(id);
    if (focused && index >= 0) {
        const std::vector<QWidget*> now = rows();
        if (!now.empty())
            focusRow(std::min(index, static_cast<int>(now.size()) - 1));
        else
            m_search->setFocus();
    }
}

void HistoryView::focusRow(int index)
{
    const std::vector<QWidget*> shown = rows();
    if (shown.empty())
        return;
    index = std::clamp(index, 0, static_cast<int>(shown.size()) - 1);
    QWidget* row = shown[static_cast<std::size_t>(index)];
    m_currentId = row->property("itemId").toString().toStdString();
    updateTabStop();
    row->setFocus(Qt::OtherFocusReason);
    if (auto* scroll = qobject_cast<QScrollArea*>(m_pages->widget(1)))
        scroll->ensureWidgetVisible(row, 0, 6);
}

void HistoryView::updateTabStop()
{
    // Only one entry stands in the Tab chain, right after the search field: Tab reaches the list before "Clear
    // All", and once more leaves it.
    const std::vector<QWidget*> shown = rows();
    QWidget* current = nullptr;
    for (QWidget* row : shown) {
        const bool isCurrent = row->property("itemId").toString() == qt(m_currentId);
        row->setFocusPolicy(isCurrent ? Qt::StrongFocus : Qt::ClickFocus);
        if (isCurrent)
            current = row;
    }
    if (current == nullptr && !shown.empty()) {
        current = shown.front();
        current->setFocusPolicy(Qt::StrongFocus);
    }
    if (current != nullptr) {
        QWidget::setTabOrder(m_search, current);
        QWidget::setTabOrder(current, m_clear);
    }
}

bool HistoryView::eventFilter(QObject* watched, QEvent* event)
{
    // Down from the search field goes into the list, as in a search box with results under it.
    if (watched == m_search && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Down && !rows().empty()) {
            focusRow(0);
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void HistoryView::rebuild()
{
    // The focus stays on the same entry across the rebuild, if it is still listed.
    QWidget* focus = QApplication::focusWidget();
    const bool listFocused = focus != nullptr && m_list->isAncestorOf(focus);
    // Menus of the old rows may still be open; they act on ids, so they stay valid.
    while (QLayoutItem* item = m_rows->takeAt(0)) {
        if (QWidget* widget = item->widget())
            widget->deleteLater();
        delete item;
    }
    const std::vector<HistoryItem>& items = m_store.items();
    m_clear->setVisible(!items.empty());
    const std::vector<HistoryItem> shown = pinnedFirst(filtered(items, m_search->text()));
    if (shown.empty()) {
        m_emptyTitle->setText(items.empty() ? QStringLiteral("No captures yet") : QStringLiteral("No matches"));
        m_emptyTitle->show();
        m_pages->setCurrentIndex(0);
        if (listFocused)
            m_search->setFocus();
        return;
    }
    m_emptyTitle->hide();
    int focusIndex = -1;
    for (const HistoryItem& item : shown) {
        auto* row = new HistoryRow(item, item.id == m_copiedId, m_list);
        row->onClick = [this, item] { copy(item); };
        row->onMenu = [this, item](const QPoint& at) { contextMenu(item, this)->popup(at); };
        const int index = m_rows->count();
        row->onMove = [this, index](int step) { focusRow(index + step); };
        row->onPin = [this, id = item.id] { m_store.togglePin(id); };
        row->onDelete = [this, id = item.id] { removeEntry(id); };
        if (item.id == m_currentId)
            focusIndex = index;
        m_rows->addWidget(row);
    }
    m_rows->addStretch(1);
    m_pages->setCurrentIndex(1);
    updateTabStop();
    if (listFocused)
        focusRow(focusIndex >= 0 ? focusIndex : 0);
}

void HistoryView::showCopiedMark()
{
    for (QWidget* widget : rows())
        static_cast<HistoryRow*>(widget)->setCopied(widget->property("itemId").toString() == qt(m_copiedId));
}

HistoryWindow& HistoryWindow::shared()
{
    static auto* controller = new HistoryWindow; // lives as long as the process
    return *controller;
}

void HistoryWindow::show()
{
    if (!m_window) {
        m_window = new HistoryView(HistoryStore::shared());
        OpenWindows::placeNew(m_window);
        OpenWindows::addCloseKeys(m_window);
    }
    OpenWindows::show(m_window);
}
