#pragma once

#include "store/History.h"

#include <QDateTime>
#include <QLocale>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <QWidget>

#include <string>
#include <vector>

class HistoryStore;
class QAbstractButton;
class QLabel;
class QLineEdit;
class QMenu;
class QStackedWidget;
class QVBoxLayout;

// The capture history: a search field, "Clear All", and one row per entry, pinned ones first, then newest first. A
// click or Enter copies the entry back to the clipboard; the context menu and the keys it shows copy, pin or delete
// it. "Clear All" asks first and keeps pinned entries. The list follows the store live. Main thread only.
class HistoryView : public QWidget
{
    Q_OBJECT

public:
    // How long the "Copied" mark stays on the entry copied last.
    static constexpr int copiedMarkMs = 1000;

    explicit HistoryView(HistoryStore& store, QWidget* parent = nullptr);

    // Returns the entries whose text contains `query`, compared case-insensitively under `locale`, in list order;
    // all of them for an empty query. The query is used as typed, spaces included.
    static std::vector<HistoryItem> filtered(const std::vector<HistoryItem>& items, const QString& query,
                                             const QLocale& locale = QLocale());
    // Returns the entry's date as a relative expression ("5 minutes ago", "yesterday") seen from `now`; `date` is
    // in seconds since 2001-01-01 UTC.
    static QString relativeDate(double date, const QDateTime& now, const QLocale& locale = QLocale());

    // Puts the entry's text on the clipboard and marks it "Copied". The history itself does not change.
    void copy(const HistoryItem& item);
    // The id of the entry showing the "Copied" mark, empty when none does.
    const std::string& copiedId() const { return m_copiedId; }

    QLineEdit* searchField() const { return m_search; }
    QAbstractButton* clearButton() const { return m_clear; }
    // The empty state's title, "No captures yet" or "No matches"; hidden while rows are listed.
    QLabel* emptyTitle() const { return m_emptyTitle; }
    // The rows shown now, in order; each carries its entry's id in the "itemId" property.
    std::vector<QWidget*> rows() const;
    QWidget* row(const std::string& id) const;
    // The context menu of an entry: "Copy", "Pin" or "Unpin", and "Delete", each with its key.
    QMenu* contextMenu(const HistoryItem& item, QWidget* parent);
    // Returns the entries with the pinned ones first, each group in its own order.
    static std::vector<HistoryItem> pinnedFirst(std::vector<HistoryItem> items);
    // Asks whether to clear the unpinned entries (naming how many pinned ones stay) and clears them on "Clear".
    // The question is window-modal and open when this returns.
    void askToClear();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void rebuild();
    void showCopiedMark();
    void focusRow(int index);
    void updateTabStop();
    void removeEntry(const std::string& id);

    HistoryStore& m_store;
    QLineEdit* m_search = nullptr;
    QAbstractButton* m_clear = nullptr;
    QStackedWidget* m_pages = nullptr;
    QLabel* m_emptyTitle = nullptr;
    QWidget* m_list = nullptr;
    QVBoxLayout* m_rows = nullptr;
    std::string m_copiedId;
    std::string m_currentId; // the entry that stands in the Tab chain and keeps the focus across rebuilds
    // One timer for the mark: each copy restarts it, so an earlier copy never cuts a later mark short, not even a
    // second copy of the same entry.
    QTimer m_copiedTimer;
};

// Owns the history window, created on first show and kept, with its search text, for the life of the process.
class HistoryWindow : public QObject
{
    Q_OBJECT

public:
    static HistoryWindow& shared();
    // Creates the window on first use (on the shared history) and brings it to the front.
    void show();
    // The window, null before the first show.
    HistoryView* window() const { return m_window; }

private:
    QPointer<HistoryView> m_window;
};
