#include "store/qt/HistoryStore.h"

#include "store/qt/HistoryFile.h"
#include "store/qt/SettingsStore.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

namespace {
constexpr QFileDevice::Permissions ownerOnly = QFileDevice::ReadOwner | QFileDevice::WriteOwner;
}

HistoryStore& HistoryStore::shared()
{
    static HistoryStore* store = new HistoryStore(defaultFilePath()); // lives as long as the process
    return *store;
}

HistoryStore::HistoryStore(QString filePath, QObject* parent)
    : QObject(parent)
    , m_filePath(std::move(filePath))
{
    load();
}

QString HistoryStore::defaultFilePath()
{
    // GenericDataLocation follows XDG_DATA_HOME and falls back to ~/.local/share.
    const QString base = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (base.isEmpty())
        return {};
    const QString folder = base + QStringLiteral("/Ambrel");
    QDir().mkpath(folder); // a failure shows up, silently, when the file is written
    return folder + QStringLiteral("/history.json");
}

void HistoryStore::add(std::string_view text, bool isTable)
{
    if (!Settings::boolean(Settings::Key::keepHistory))
        return;
    if (!History::add(m_items, text, isTable, HistoryFile::newId(), History::now()))
        return;
    save();
    emit changed();
}

void HistoryStore::togglePin(std::string_view id)
{
    if (!History::togglePin(m_items, id))
        return;
    save();
    emit changed();
}

void HistoryStore::remove(std::string_view id)
{
    History::remove(m_items, id);
    save();
    emit changed();
}

void HistoryStore::clearAll()
{
    // Pinning is how the user says "keep this": clearing never takes a pinned capture with it.
    std::erase_if(m_items, [](const HistoryItem& item) { return !item.pinned; });
    save();
    emit changed();
}

QString HistoryStore::takeNotice()
{
    return std::exchange(m_notice, QString());
}

void HistoryStore::load()
{
    if (m_filePath.isEmpty())
        return;
    QFile file(m_filePath);
    if (!file.exists())
        return;
    if (!file.open(QIODevice::ReadOnly)) {
        // Unreadable is not empty: the captures in it stay where they are.
        m_mayWrite = false;
        m_notice = QStringLiteral("The capture history could not be read (%1); new captures are not saved.")
                       .arg(file.errorString());
        return;
    }
    const QByteArray bytes = file.readAll();
    file.close();
    HistoryFile::Read read = HistoryFile::decode(bytes);
    m_items = std::move(read.items);
    if (read.whole)
        return;
    // The damaged file is kept beside the new one under a name no later save touches, so nothing in it is lost.
    const QString kept = m_filePath + QStringLiteral(".damaged-")
                         + QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    if (!QFile::rename(m_filePath, kept)) {
        m_mayWrite = false;
        m_notice = QStringLiteral("The capture history file is damaged and could not be set aside; %1 entries "
                                  "were recovered, and new captures are not saved.")
                       .arg(m_items.size());
        return;
    }
    m_notice = QStringLiteral("The capture history file was damaged: %1 entries were recovered, and the damaged "
                              "file was kept as %2.")
                   .arg(m_items.size())
                   .arg(QFileInfo(kept).fileName());
    save();
}

void HistoryStore::save()
{
    if (m_filePath.isEmpty() || !m_mayWrite)
        return;
    QDir().mkpath(QFileInfo(m_filePath).absolutePath());
    const QByteArray json = HistoryFile::encode(m_items);
    QSaveFile file(m_filePath);
    if (!file.open(QIODevice::WriteOnly))
        return;
    // Restrict the temporary file before any text is in it: the captures may hold private data, and a rename keeps
    // the mode it was written with.
    file.setPermissions(ownerOnly);
    file.write(json);
    if (!file.commit())
        return;
    QFile::setPermissions(m_filePath, ownerOnly);
}
