#include "export/qt/BatchExport.h"

#include "app/qt/DesktopServices.h"
#include "export/AtomicFile.h"
#include "export/BatchExpand.h"
#include "sources/PageSource.h"
#include "store/qt/RecentFolders.h"
#include "store/qt/SettingsStore.h"
#include "ui/qt/HUD.h"

#include <QAbstractItemView>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QProgressDialog>
#include <QThread>

#include <algorithm>
#include <vector>

namespace {
Batch::Skipped skippedFile(const std::string& path)
{
    return {QFileInfo(QFile::decodeName(path.c_str())).fileName().toStdString(), std::string(Batch::unreadableReason)};
}

QString fromUtf8(std::string_view text)
{
    return QString::fromUtf8(text.data(), qsizetype(text.size()));
}

QStringList inputFilters()
{
    QStringList patterns;
    for (std::string_view ext : Batch::extensions)
        patterns << QStringLiteral("*.") + fromUtf8(ext) << QStringLiteral("*.") + fromUtf8(ext).toUpper();
    return {QStringLiteral("PDFs and images (%1)").arg(patterns.join(QLatin1Char(' '))),
            QStringLiteral("All files (*)")};
}

// An open dialog in which a folder can be chosen as well as files: the Open button with folders selected takes
// them, while a double click, Enter in the list or a folder path typed into the name field enters the folder, as
// every file dialog does.
class InputDialog : public QFileDialog
{
public:
    InputDialog()
    {
        setWindowTitle(fromUtf8(Batch::openTitle));
        setOption(QFileDialog::DontUseNativeDialog); // a portal dialog cannot return folders and files at once
        setFileMode(QFileDialog::ExistingFiles);
        setNameFilters(inputFilters());
        for (QAbstractItemView* view : fileViews())
            view->setSelectionMode(QAbstractItemView::ExtendedSelection);
    }
    QStringList chosen() const { return m_chosen.isEmpty() ? selectedFiles() : m_chosen; }

protected:
    void accept() override
    {
        // Typed into the name field: the dialog's own rules, under which a folder's path opens the folder.
        const QWidget* nameField = findChild<QWidget*>(QStringLiteral("fileNameEdit"));
        if (nameField != nullptr && focusWidget() == nameField) {
            QFileDialog::accept();
            return;
        }
        QStringList selected;
        bool folder = false;
        // The list and the detail view share one selection, so only the one on show is read; the places at the
        // side hold addresses, not files, and are not read at all.
        for (const QAbstractItemView* view : fileViews()) {
            if (!view->isVisible() || view->selectionModel() == nullptr)
                continue;
            for (const QModelIndex& index : view->selectionModel()->selectedRows()) {
                const QString path = index.data(QFileSystemModel::FilePathRole).toString();
                if (path.isEmpty())
                    continue;
                selected << path;
                folder = folder || QFileInfo(path).isDir();
            }
        }
        if (folder) {
            m_chosen = selected;
            QDialog::accept();
            return;
        }
        QFileDialog::accept();
    }

private:
    std::vector<QAbstractItemView*> fileViews() const
    {
        std::vector<QAbstractItemView*> views;
        for (const char* name : {"listView", "treeView"})
            if (auto* view = findChild<QAbstractItemView*>(QLatin1String(name)))
                views.push_back(view);
        return views;
    }

    QStringList m_chosen;
};

} // namespace

BatchExport& BatchExport::shared()
{
    static auto* batch = new BatchExport(); // kept for the life of the process
    return *batch;
}

BatchExport::BatchExport(QObject* parent)
    : QObject(parent)
{
    chooseInputs = [](std::function<void(const QStringList&)> done) {
        auto* dialog = new InputDialog();
        dialog->setAttribute(Qt::WA_DeleteOnClose);
        RecentFolders::attach(dialog, RecentFolders::Kind::Documents);
        QObject::connect(dialog, &QDialog::finished, dialog, [dialog, done = std::move(done)](int result) {
            done(result == QDialog::Accepted ? dialog->chosen() : QStringList());
        });
        dialog->open();
        dialog->raise();
        dialog->activateWindow();
    };
    chooseDestination = [](std::function<void(const QString&)> done) {
        auto* dialog = new QFileDialog();
        dialog->setAttribute(Qt::WA_DeleteOnClose);
        dialog->setWindowTitle(fromUtf8(Batch::saveTitle));
        dialog->setAcceptMode(QFileDialog::AcceptSave);
        dialog->setFileMode(QFileDialog::AnyFile);
        dialog->setNameFilter(QStringLiteral("Excel workbook (*.xlsx)"));
        dialog->setDefaultSuffix(QStringLiteral("xlsx"));
        RecentFolders::attach(dialog, RecentFolders::Kind::Workbooks);
        dialog->selectFile(fromUtf8(Batch::proposedFileName));
        QObject::connect(dialog, &QDialog::finished, dialog, [dialog, done = std::move(done)](int result) {
            const QStringList files = dialog->selectedFiles();
            done(result == QDialog::Accepted && !files.isEmpty() ? files.front() : QString());
        });
        dialog->open();
        dialog->raise();
        dialog->activateWindow();
    };
    showMessage = [](const QString& text) { HUD::show(text); };
}

BatchExport::~BatchExport()
{
    closeProgress();
}

void BatchExport::run()
{
    if (m_running)
        return;
    QPointer<BatchExport> self(this);
    chooseInputs([self](const QStringList& chosen) {
        if (self && !chosen.isEmpty())
            self->start(chosen);
    });
}

void BatchExport::start(const QStringList& chosen)
{
    if (m_running)
        return;
    std::vector<std::string> paths;
    for (const QString& path : chosen)
        paths.push_back(QFile::encodeName(path).toStdString());
    m_skipped.clear();
    const std::vector<std::string> files = Batch::expand(paths, &m_skipped);
    if (files.empty()) {
        report(std::string(Batch::noInputsMessage) + Batch::skippedText(m_skipped));
        return;
    }
    process(files);
}

void BatchExport::report(const std::string& text)
{
    if (showMessage)
        showMessage(QString::fromStdString(text));
}

void BatchExport::process(const std::vector<std::string>& files)
{
    m_running = true;
    m_sources.clear();
    m_inputs = files;
    m_total = 0;
    // A PDF's pages are listed without rendering any, so its count is known at once; a picture is one page, or
    // none when it turns out unreadable, and is decoded only when its turn comes.
    for (const std::string& file : files) {
        Source source{file, std::nullopt};
        if (ImageLoader::isPdf(file)) {
            source.pages = desktopServices().pages.pages(file, ImageLoader::Pixels::Keep);
            m_total += source.pages->size();
            if (source.pages->empty())
                m_skipped.push_back(skippedFile(file));
        } else {
            m_total += 1;
        }
        m_sources.push_back(std::move(source));
    }
    if (m_total == 0) {
        m_running = false;
        m_sources.clear();
        report(std::string(Batch::nothingToExportMessage) + Batch::skippedText(m_skipped));
        emit progressed();
        return;
    }
    m_nextSource = 0;
    m_current.clear();
    m_nextPage = 0;
    m_done = 0;
    m_sheets.clear();
    m_languages = Settings::languages();
    if (m_languages.empty())
        m_languages = {"en-US"};

    const QString text = QString::fromStdString(Batch::progressText(0, m_total));
    m_progress = new QProgressDialog(text, QStringLiteral("Cancel"), 0, int(m_total));
    m_progress->setWindowTitle(QStringLiteral("Batch \u2192 Excel"));
    m_progress->setAttribute(Qt::WA_DeleteOnClose);
    m_progress->setAutoClose(false);
    m_progress->setAutoReset(false);
    // Short batches finish before the dialog would be worth a glance; the heads-up messages cover them.
    m_progress->setMinimumDuration(1500);
    m_progress->setValue(0);
    connect(m_progress, &QProgressDialog::canceled, this, &BatchExport::cancel);
    report(text.toStdString());
    feed();
}

void BatchExport::feed()
{
    // Keep every core busy and the next pages ready, but no more: queued pictures hold their decoded pixels.
    const std::size_t window = 2 * static_cast<std::size_t>(std::max(1, QThread::idealThreadCount()));
    while (m_running && m_queue.outstanding() < window) {
        if (m_nextPage < m_current.size()) {
            ImageLoader::Page page = std::move(m_current[m_nextPage++]);
            std::string label = page.label;
            m_queue.add(std::move(page), m_languages, true,
                        [this, label = std::move(label)](PageQueue::Outcome o) { pageDone(label, std::move(o)); });
            continue;
        }
        if (m_nextSource >= m_sources.size())
            break;
        Source& source = m_sources[m_nextSource++];
        if (source.pages) {
            m_current = std::move(*source.pages);
        } else {
            m_current = desktopServices().pages.pages(source.path, ImageLoader::Pixels::Keep);
            m_total = m_total - 1 + m_current.size();
            if (m_current.empty())
                m_skipped.push_back(skippedFile(source.path));
            if (m_progress)
                m_progress->setMaximum(int(m_total));
        }
        source.pages.reset();
        m_nextPage = 0;
    }
    if (m_running && m_queue.outstanding() == 0 && m_nextPage >= m_current.size() && m_nextSource >= m_sources.size())
        complete();
}

void BatchExport::pageDone(const std::string& label, PageQueue::Outcome outcome)
{
    if (!m_running)
        return;
    for (Batch::PageSheet& sheet : Batch::pageSheets(label, outcome.result, outcome.grid))
        m_sheets.push_back({std::move(sheet.name), std::move(sheet.rows)});
    ++m_done;
    if (m_done < m_total) {
        const QString text = QString::fromStdString(Batch::progressText(m_done, m_total));
        report(text.toStdString());
        if (m_progress) {
            m_progress->setLabelText(text);
            m_progress->setValue(int(m_done));
        }
    }
    emit progressed();
    feed();
}

void BatchExport::complete()
{
    closeProgress();
    m_running = false;
    m_sources.clear();
    m_current.clear();
    std::vector<XLSXWriter::Sheet> sheets = std::move(m_sheets);
    m_sheets.clear();
    emit progressed();
    if (sheets.empty()) {
        report(std::string(Batch::nothingToExportMessage) + Batch::skippedText(m_skipped));
        return;
    }
    finish(std::move(sheets));
}

void BatchExport::finish(std::vector<XLSXWriter::Sheet> sheets)
{
    QPointer<BatchExport> self(this);
    chooseDestination([self, sheets = std::move(sheets), skipped = m_skipped](const QString& path) {
        if (!self || path.isEmpty())
            return; // cancelled: the sheets are dropped without a message
        const XLSXWriter::Result workbook = XLSXWriter::data(sheets, desktopServices().text);
        // Written beside the destination and renamed over it, so a failure never leaves half a workbook there.
        const std::string error =
            workbook.ok() ? AtomicFile::write(QFile::encodeName(path).toStdString(), workbook.bytes, self->m_inputs)
                          : workbook.error;
        if (!error.empty()) {
            self->report(std::string(Batch::saveFailedMessage) + ": " + error);
            return;
        }
        self->report(Batch::exportedText(sheets.size(), skipped));
    });
}

void BatchExport::cancel()
{
    if (!m_running)
        return;
    m_queue.clear();
    m_running = false;
    m_sources.clear();
    m_current.clear();
    m_sheets.clear();
    closeProgress();
    emit progressed();
}

void BatchExport::closeProgress()
{
    if (!m_progress)
        return;
    QProgressDialog* dialog = m_progress;
    m_progress = nullptr;
    dialog->disconnect(this);
    dialog->close();
}
