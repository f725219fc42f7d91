#pragma once

#include "document/qt/PageQueue.h"
#include "export/BatchExpand.h"
#include "export/XLSXWriter.h"

#include <QObject>
#include <QPointer>
#include <QProgressDialog>
#include <QString>
#include <QStringList>

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <vector>

// Turns many PDFs and images into one workbook with a sheet per page. Pages are loaded file by file and
// recognized a few at a time as they come, so memory holds the finished sheets and the pages in flight, never
// every rendered page of the batch. Progress shows in the heads-up display and, for long jobs, in a progress
// dialog whose Cancel stops the batch without writing anything. Main thread only.
class BatchExport : public QObject
{
    Q_OBJECT

public:
    // The one batch export of the application, created on first use.
    static BatchExport& shared();
    // An instance of its own, for tests.
    explicit BatchExport(QObject* parent = nullptr);
    ~BatchExport() override;

    // Asks for files and folders and processes them; does nothing while a batch is processing.
    void run();
    // Processes the chosen files and folders as if the open dialog had returned them.
    void start(const QStringList& chosen);
    // Stops the batch being processed; nothing is written and no message is shown.
    void cancel();
    // True from the start of processing until the save dialog is shown.
    bool running() const { return m_running; }
    // Pages handed to the recognizer and not yet back, including those of a cancelled batch, whose results are
    // dropped when they arrive.
    std::size_t pagesInFlight() const { return m_queue.outstanding(); }
    // The progress dialog of the batch being processed, or null.
    QProgressDialog* progressDialog() const { return m_progress; }

    // The outside world, replaceable for tests: the open dialog (hands over the chosen paths, or nothing when
    // cancelled), the save dialog (hands over the destination, or an empty text when cancelled) and the heads-up
    // display.
    std::function<void(std::function<void(const QStringList&)>)> chooseInputs;
    std::function<void(std::function<void(const QString&)>)> chooseDestination;
    std::function<void(const QString&)> showMessage;

signals:
    // After each finished page and when processing stops.
    void progressed();

private:
    struct Source
    {
        std::string path;
        std::optional<std::vector<ImageLoader::Page>> pages; // PDFs are listed up front, pictures when reached
    };
    void process(const std::vector<std::string>& files);
    void feed();
    void pageDone(const std::string& label, PageQueue::Outcome outcome);
    void complete();
    void finish(std::vector<XLSXWriter::Sheet> sheets);
    void report(const std::string& text);
    void closeProgress();

    bool m_running = false;
    PageQueue m_queue;
    std::vector<std::string> m_languages;
    std::vector<Source> m_sources;
    std::vector<std::string> m_inputs; // every file of the batch, which the workbook must never replace
    std::size_t m_nextSource = 0;
    std::vector<ImageLoader::Page> m_current;
    std::size_t m_nextPage = 0;
    std::size_t m_total = 0;
    std::size_t m_done = 0;
    std::vector<XLSXWriter::Sheet> m_sheets;
    std::vector<Batch::Skipped> m_skipped; // chosen files that gave no sheet, named in the finishing message
    QPointer<QProgressDialog> m_progress;
};
