#pragma once

#include "store/History.h"

#include <QObject>
#include <QString>

#include <string_view>
#include <vector>

// The capture history shared by the capture flow, the document window and the history window: newest first, kept
// in memory and written to history.json after every change. Main thread only.
class HistoryStore : public QObject
{
    Q_OBJECT

public:
    // Returns the process-wide store on $XDG_DATA_HOME/Ambrel/history.json, created and loaded on first use.
    static HistoryStore& shared();
    // A store on another file, for tests; an empty path keeps the history in memory only.
    explicit HistoryStore(QString filePath, QObject* parent = nullptr);

    const std::vector<HistoryItem>& items() const { return m_items; }

    // Records a capture, unless "keepHistory" is off, the text is blank or it repeats the newest entry.
    void add(std::string_view text, bool isTable);
    void togglePin(std::string_view id);
    void remove(std::string_view id);
    // Removes every entry that is not pinned.
    void clearAll();

    // Returns the default file location, $XDG_DATA_HOME/Ambrel/history.json (~/.local/share when unset), creating
    // the folder; empty when no data location can be found.
    static QString defaultFilePath();
    QString filePath() const { return m_filePath; }

    // What happened to a history file that could not be read whole, said once: empty after the first call, and
    // when the file was fine.
    QString takeNotice();

signals:
    void changed();

private:
    void load();
    void save();

    QString m_filePath;
    std::vector<HistoryItem> m_items;
    QString m_notice;
    bool m_mayWrite = true; // false while a damaged file could not be kept aside: it is never written over
};
