#include "store/qt/HistoryFile.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QUuid>

#include <optional>

namespace {
// How many cut points a damaged file is tried at, from its end back: every entry of a history at its size limit,
// with room for texts that hold braces of their own.
constexpr int maxCuts = 2000;

std::optional<HistoryItem> entry(const QJsonValue& value)
{
    const QJsonObject object = value.toObject();
    const QJsonValue id = object.value(QLatin1String("id"));
    const QJsonValue text = object.value(QLatin1String("text"));
    const QJsonValue date = object.value(QLatin1String("date"));
    const QJsonValue pinned = object.value(QLatin1String("pinned"));
    const QJsonValue isTable = object.value(QLatin1String("isTable"));
    if (!value.isObject() || !id.isString() || !text.isString() || !date.isDouble() || !pinned.isBool()
        || !isTable.isBool())
        return std::nullopt;
    const QUuid uuid = QUuid::fromString(id.toString());
    if (uuid.isNull() || id.toString().size() != 36)
        return std::nullopt;
    HistoryItem item;
    item.id = uuid.toString(QUuid::WithoutBraces).toUpper().toStdString();
    item.text = text.toString().toStdString();
    item.date = date.toDouble();
    item.pinned = pinned.toBool();
    item.isTable = isTable.toBool();
    return item;
}

HistoryFile::Read entries(const QJsonArray& array)
{
    HistoryFile::Read read;
    for (const QJsonValue& value : array) {
        if (std::optional<HistoryItem> item = entry(value))
            read.items.push_back(std::move(*item));
        else
            read.whole = false;
    }
    return read;
}

std::optional<QJsonArray> array(const QByteArray& json)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(json, &error);
    if (error.error != QJsonParseError::NoError || !document.isArray())
        return std::nullopt;
    return document.array();
}
} // namespace

QByteArray HistoryFile::encode(const std::vector<HistoryItem>& items)
{
    QJsonArray array;
    for (const HistoryItem& item : items) {
        QJsonObject object;
        object.insert(QLatin1String("id"), QString::fromStdString(item.id));
        object.insert(QLatin1String("text"), QString::fromStdString(item.text));
        object.insert(QLatin1String("date"), item.date);
        object.insert(QLatin1String("pinned"), item.pinned);
        object.insert(QLatin1String("isTable"), item.isTable);
        array.append(object);
    }
    return QJsonDocument(array).toJson(QJsonDocument::Compact);
}

HistoryFile::Read HistoryFile::decode(const QByteArray& json)
{
    if (json.trimmed().isEmpty())
        return {};
    if (const std::optional<QJsonArray> whole = array(json))
        return entries(*whole);
    // Cut short or damaged further on: the longest start that closes into an array after a complete entry holds
    // every entry before the damage.
    int cuts = 0;
    for (qsizetype end = json.lastIndexOf('}'); end > 0 && cuts < maxCuts; end = json.lastIndexOf('}', end - 1)) {
        ++cuts;
        if (const std::optional<QJsonArray> start = array(json.left(end + 1) + ']')) {
            Read read = entries(*start);
            read.whole = false;
            return read;
        }
    }
    return {{}, false};
}

std::string HistoryFile::newId()
{
    return QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper().toStdString();
}
