#pragma once

#include "document/DocumentOCRModel.h"
#include "document/qt/PageQueue.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class DocumentOCRWindow;

// Owns the document window and its model. The model lives as long as the controller, so closing the window and
// opening it again keeps the pages, the pending work and the chosen mode. Main thread only.
class DocumentOCRController : public QObject
{
    Q_OBJECT

public:
    // The one controller of the application, created on first use.
    static DocumentOCRController& shared();
    // A controller of its own, for tests; the mode starts as the output mode setting.
    explicit DocumentOCRController(QObject* parent = nullptr);
    ~DocumentOCRController() override;

    // Creates the window on first use, brings it to the front and loads the files, if any.
    void show(const QStringList& files = {});
    // Returns the window, creating it (hidden) on first use.
    DocumentOCRWindow& window();

    const DocumentOCRModel& model() const { return m_model; }
    // Pages handed to the recognizer and not yet back, including those of cleared sections.
    std::size_t pagesInFlight() const { return m_queue.outstanding(); }

    // Adds a section per page of each file (or one unreadable section per file without pages) and starts their
    // recognition; results fill in as they arrive. Dropped files are added this way.
    void load(const QStringList& files);
    // Shows these files instead of what was shown: what "Open…" does.
    void open(const QStringList& files);
    void clear();
    // The name the window carries in its title: the first file's name, with how many more files follow; empty when
    // nothing is loaded.
    QString documentName() const;
    void setModeRaw(int raw);
    // Puts the shown text on the clipboard and records it in the history.
    void copyToClipboard();
    // Writes an export to the path, replacing it atomically. Returns false when it could not be written; either
    // way the outcome is announced through `status`.
    bool exportTo(DocumentOCRModel::ExportFormat format, const QString& path);
    // Writes export bytes taken earlier, the same way.
    bool writeExport(const std::string& bytes, const QString& path);

signals:
    // Sections, their results, the pending count or the mode changed.
    void changed();
    // A line for the window's status line: a save done or failed, files that could not be read; empty to clear it.
    void status(const QString& text);

private:
    QStringList m_fileNames;
    DocumentOCRModel m_model;
    std::vector<std::string> m_sources; // the files loaded since the last clear, which an export never replaces
    PageQueue m_queue;
    std::unique_ptr<DocumentOCRWindow> m_window;
};
