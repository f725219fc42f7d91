#include "store/qt/HistoryStore.h"

#include "store/qt/SettingsStore.h"

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
    if (!History::add(m_items, text, isTable, History::newId(), History::now()))
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

void HistoryStore::load()
{
    if (m_filePath.isEmpty())
        return;
    QFile file(m_filePath);
    if (!file.open(QIODevice::ReadOnly))
        return;
    const QByteArray bytes = file.readAll();
    if (auto items = History::decode(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size()))))
        m_items = std::move(*items);
}

void HistoryStore::save()
{
    if (m_filePath.isEmpty())
        return;
    QDir().mkpath(QFileInfo(m_filePath).absolutePath());
    const std::string json = History::encode(m_items);
    QSaveFile file(m_filePath);
    if (!file.open(QIODevice::WriteOnly))
        return;
    // Restrict the temporary file before any text is in it: the captures may hold private data, and a rename keeps
    // the mode it was written with.
    file.setPermissions(ownerOnly);
    file.write(json.data(), static_cast<qint64>(json.size()));
    if (!file.commit())
        return;
    QFile::setPermissions(m_filePath, ownerOnly);
}
