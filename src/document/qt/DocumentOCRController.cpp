#include "document/qt/DocumentOCRController.h"

#include "app/qt/AppActivation.h"
#include "capture/qt/HUD.h"
#include "document/qt/DocumentOCRWindow.h"
#include "export/AtomicFile.h"
#include "sources/ImageLoader.h"
#include "store/qt/HistoryStore.h"
#include "store/qt/SettingsStore.h"

#include <QClipboard>
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
    if (!m_window)
        m_window = std::make_unique<DocumentOCRWindow>(*this);
    return *m_window;
}

void DocumentOCRController::show(const QStringList& files)
{
    AppActivation::show(&window());
    if (!files.isEmpty())
        load(files);
}

void DocumentOCRController::load(const QStringList& files)
{
    const std::vector<std::string> languages = DocumentOCRModel::languagesOrDefault(Settings::languages());
    for (const QString& file : files) {
        const std::string path = QFile::encodeName(file).toStdString();
        m_sources.push_back(path);
        std::vector<ImageLoader::Page> pages = ImageLoader::pages(path, ImageLoader::Pixels::Reload);
        if (pages.empty()) {
            m_model.addUnreadable(QFileInfo(file).fileName().toStdString());
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
}

void DocumentOCRController::clear()
{
    // Pages still queued are dropped and results still on their way are ignored: a clear is a fresh start.
    m_queue.clear();
    m_model.clear();
    m_sources.clear();
    emit changed();
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
    if (!error.empty()) {
        // A save that silently fails leaves the user believing the text is on disk.
        HUD::show(QStringLiteral("Couldn\u2019t save the file: %1").arg(QString::fromStdString(error)));
        return false;
    }
    return true;
}
