#include "document/qt/DocumentOCRController.h"

#include "app/qt/DesktopServices.h"
#include "document/qt/DocumentOCRWindow.h"
#include "export/AtomicFile.h"
#include "sources/PageSource.h"
#include "store/qt/HistoryStore.h"
#include "store/qt/LocaleLanguage.h"
#include "store/qt/SettingsStore.h"
#include "ui/qt/HUD.h"
#include "ui/qt/OpenWindows.h"

#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFontDatabase>
#include <QGuiApplication>

DocumentOCRController& DocumentOCRController::shared()
{
    static auto* controller = new DocumentOCRController(); // kept for the life of the process
    return *controller;
}

DocumentOCRController::DocumentOCRController(QObject* parent)
    : QObject(parent)
    , m_model(static_cast<int>(Settings::outputMode()))
{
    m_model.setFontFamily(QFontDatabase::systemFont(QFontDatabase::GeneralFont).family().toStdString());
}

DocumentOCRController::~DocumentOCRController() = default;

DocumentOCRWindow& DocumentOCRController::window()
{
    if (!m_window) {
        m_window = std::make_unique<DocumentOCRWindow>(*this);
        OpenWindows::placeNew(m_window.get());
    }
    return *m_window;
}

void DocumentOCRController::show(const QStringList& files)
{
    OpenWindows::show(&window());
    if (!files.isEmpty())
        load(files);
}

void DocumentOCRController::load(const QStringList& files)
{
    const std::vector<std::string> languages = DocumentOCRModel::languagesOrDefault(
        Settings::languages(), LocaleLanguage::defaultLanguages(desktopServices().languages));
    QStringList unreadable;
    for (const QString& file : files) {
        const std::string path = QFile::encodeName(file).toStdString();
        m_fileNames.append(QFileInfo(file).fileName());
        m_sources.push_back(path);
        std::vector<ImageLoader::Page> pages = desktopServices().pages.pages(path, ImageLoader::Pixels::Reload);
        if (pages.empty()) {
            m_model.addUnreadable(QFileInfo(file).fileName().toStdString());
            unreadable.append(QFileInfo(file).fileName());
            continue;
        }
        for (ImageLoader::Page& page : pages) {
            const std::uint64_t id = m_model.addPage(page.label);
            m_queue.add(std::move(page), languages, true, [this, id](PageQueue::Outcome outcome) {
                if (m_model.deliver(id, std::move(outcome.result), std::move(outcome.grid)))
                    emit changed();
            });
        }
    }
    emit changed();
    // The command line's words for a file that is no picture or PDF, or a broken one.
    emit status(unreadable.isEmpty() ? QString()
                                     : QStringLiteral("Could not read ") + unreadable.join(QStringLiteral(", ")));
}

void DocumentOCRController::open(const QStringList& files)
{
    if (files.isEmpty())
        return;
    clear();
    load(files);
}

void DocumentOCRController::clear()
{
    // Pages still queued are dropped and results still on their way are ignored: a clear is a fresh start.
    m_queue.clear();
    m_model.clear();
    m_fileNames.clear();
    m_sources.clear();
    emit changed();
    emit status(QString());
}

QString DocumentOCRController::documentName() const
{
    if (m_fileNames.isEmpty())
        return {};
    if (m_fileNames.size() == 1)
        return m_fileNames.front();
    return QStringLiteral("%1 and %2 more").arg(m_fileNames.front()).arg(m_fileNames.size() - 1);
}

void DocumentOCRController::setModeRaw(int raw)
{
    if (raw == m_model.modeRaw())
        return;
    m_model.setModeRaw(raw);
    emit changed();
}

void DocumentOCRController::copyToClipboard()
{
    const std::string text = m_model.combinedText();
    QGuiApplication::clipboard()->setText(QString::fromStdString(text));
    HistoryStore::shared().add(text, m_model.copyIsTable());
}

bool DocumentOCRController::exportTo(DocumentOCRModel::ExportFormat format, const QString& path)
{
    const std::optional<std::string> bytes = m_model.exportData(format);
    return bytes && writeExport(*bytes, path);
}

bool DocumentOCRController::writeExport(const std::string& bytes, const QString& path)
{
    const std::string error = AtomicFile::write(QFile::encodeName(path).toStdString(),
                                                std::vector<std::uint8_t>(bytes.begin(), bytes.end()), m_sources);
    const QString name = QFileInfo(path).fileName();
    if (!error.empty()) {
        // A save that silently fails leaves the user believing the text is on disk.
        emit status(QStringLiteral("Couldn\u2019t save %1: %2").arg(name, QString::fromStdString(error)));
        return false;
    }
    QString folder = QFileInfo(path).absolutePath();
    if (folder.startsWith(QDir::homePath() + QLatin1Char('/')) || folder == QDir::homePath())
        folder = QLatin1Char('~') + folder.mid(QDir::homePath().size());
    emit status(QStringLiteral("Saved %1 in %2").arg(name, folder));
    return true;
}
