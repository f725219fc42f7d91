#include "store/qt/SettingsStore.h"

#include <QFile>
#include <QSaveFile>
#include <QSettings>
#include <QStandardPaths>
#include <QString>
#include <QVariant>

#include <cstdio>
#include <map>
#include <mutex>
#include <optional>
#include <shared_mutex>

namespace {
// Registered once at start-up and read from any thread afterwards; QSettings itself is only reentrant, so every
// call uses its own instance (they share Qt's cached copy of the file).
struct DefaultsLayer
{
    std::shared_mutex mutex;
    std::map<std::string, Settings::Value, std::less<>> values;
};

DefaultsLayer& defaultsLayer()
{
    static DefaultsLayer layer;
    return layer;
}

QString storeFile()
{
    // Named explicitly: Qt's INI default would be Ambrel.ini, and the file is Ambrel.conf as on every other
    // desktop program. The generic config location follows XDG_CONFIG_HOME, read at each call.
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
           + QStringLiteral("/Ambrel/Ambrel.conf");
}

QSettings openStore()
{
    return QSettings(storeFile(), QSettings::IniFormat);
}

QString qtKey(std::string_view key)
{
    return QString::fromUtf8(key.data(), static_cast<qsizetype>(key.size()));
}

std::optional<QVariant> storedValue(std::string_view key)
{
    QSettings store = openStore();
    QVariant value = store.value(qtKey(key));
    if (!value.isValid())
        return std::nullopt;
    return value;
}

std::optional<Settings::Value> registeredValue(std::string_view key)
{
    DefaultsLayer& layer = defaultsLayer();
    std::shared_lock lock(layer.mutex);
    const auto found = layer.values.find(key);
    if (found == layer.values.end())
        return std::nullopt;
    return found->second;
}

// INI files keep only text, but a value written earlier in this process comes back with its original type.
std::string textOf(const QVariant& value)
{
    if (value.typeId() == QMetaType::Bool)
        return value.toBool() ? "true" : "false";
    if (value.typeId() == QMetaType::QStringList)
        return value.toStringList().join(QLatin1Char(',')).toStdString();
    return value.toString().toStdString();
}

std::string textOf(const Settings::Value& value)
{
    if (const bool* truth = std::get_if<bool>(&value))
        return *truth ? "true" : "false";
    if (const long long* number = std::get_if<long long>(&value))
        return std::to_string(*number);
    return std::get<std::string>(value);
}

// True when the INI reader would run a line's value on into the next lines: a quote left open or a backslash at
// the end. One such line, in a file edited by hand, would swallow every setting after it.
bool runsOn(const QByteArray& line)
{
    const qsizetype equals = line.indexOf('=');
    const QByteArray trimmed = line.trimmed();
    if (equals < 0 || trimmed.startsWith(';') || trimmed.startsWith('#') || trimmed.startsWith('['))
        return false;
    bool quoted = false;
    bool escaped = false;
    for (qsizetype i = equals + 1; i < line.size(); ++i) {
        const char c = line[i];
        if (escaped)
            escaped = false;
        else if (c == '\\')
            escaped = true;
        else if (c == '"')
            quoted = !quoted;
    }
    return quoted || escaped;
}

// Drops the lines whose values would run on, so that each bad value falls back to its default alone instead of
// taking the following settings (the accepted terms among them) with it. Says so on standard error.
void repairStore()
{
    QFile file(storeFile());
    if (!file.open(QIODevice::ReadOnly))
        return;
    const QList<QByteArray> lines = file.readAll().split('\n');
    file.close();
    QByteArray kept;
    QList<QByteArray> dropped;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        QByteArray line = lines[i];
        if (line.endsWith('\r'))
            line.chop(1);
        if (runsOn(line)) {
            dropped.append(line.left(line.indexOf('=')).trimmed());
            continue;
        }
        kept += lines[i];
        if (i + 1 < lines.size())
            kept += '\n';
    }
    if (dropped.isEmpty())
        return;
    QSaveFile out(storeFile());
    if (!out.open(QIODevice::WriteOnly) || out.write(kept) != kept.size() || !out.commit())
        return;
    for (const QByteArray& key : dropped)
        std::fprintf(stderr, "Ambrel: the setting \"%s\" in %s could not be read; it is back to its default\n",
                     key.constData(), QFile::encodeName(storeFile()).constData());
}

void storeValue(std::string_view key, const QVariant& value)
{
    QSettings store = openStore();
    store.setValue(qtKey(key), value);
    store.sync();
}
} // namespace

void Settings::registerDefaults(std::string languagesDefault)
{
    repairStore();
    DefaultsLayer& layer = defaultsLayer();
    std::unique_lock lock(layer.mutex);
    for (auto& [key, value] : factoryDefaults(std::move(languagesDefault)))
        layer.values.insert_or_assign(std::string(key), std::move(value));
}

long long Settings::integer(std::string_view key)
{
    if (const std::optional<QVariant> stored = storedValue(key)) {
        if (stored->typeId() == QMetaType::Bool)
            return stored->toBool() ? 1 : 0;
        // A value that is no number counts as unset, so the default applies to this key alone.
        if (const std::optional<long long> number = integerFromText(textOf(*stored)))
            return *number;
    }
    if (const std::optional<Value> registered = registeredValue(key)) {
        if (const long long* number = std::get_if<long long>(&*registered))
            return *number;
        if (const bool* truth = std::get_if<bool>(&*registered))
            return *truth ? 1 : 0;
        return integerFromText(std::get<std::string>(*registered)).value_or(0);
    }
    return 0;
}

bool Settings::boolean(std::string_view key)
{
    if (const std::optional<QVariant> stored = storedValue(key)) {
        const std::string text = textOf(*stored);
        const QString word = QString::fromStdString(text).trimmed().toLower();
        // Neither a truth value nor a number: unset, as for integers.
        if (word == QLatin1String("true") || word == QLatin1String("yes") || word == QLatin1String("false")
            || word == QLatin1String("no") || integerFromText(text))
            return booleanFromText(text);
    }
    if (const std::optional<Value> registered = registeredValue(key)) {
        if (const bool* truth = std::get_if<bool>(&*registered))
            return *truth;
        return booleanFromText(textOf(*registered));
    }
    return false;
}

std::string Settings::string(std::string_view key)
{
    if (const std::optional<QVariant> stored = storedValue(key))
        return textOf(*stored);
    if (const std::optional<Value> registered = registeredValue(key))
        return textOf(*registered);
    return {};
}

Settings::OutputMode Settings::outputMode()
{
    // Anything outside the enumeration reads as automatic.
    return outputModeFromRaw(integer(Key::outputMode)).value_or(OutputMode::Auto);
}

bool Settings::playSound()
{
    return boolean(Key::playSound);
}

std::vector<std::string> Settings::languages()
{
    return parseLanguages(string(Key::languages));
}

bool Settings::termsAccepted()
{
    return termsAccepted(integer(Key::termsVersionAccepted));
}

void Settings::set(std::string_view key, bool value)
{
    storeValue(key, QVariant(value));
}

void Settings::set(std::string_view key, int value)
{
    storeValue(key, QVariant(static_cast<qlonglong>(value)));
}

void Settings::set(std::string_view key, long long value)
{
    storeValue(key, QVariant(static_cast<qlonglong>(value)));
}

void Settings::set(std::string_view key, std::string_view value)
{
    storeValue(key, QVariant(QString::fromUtf8(value.data(), static_cast<qsizetype>(value.size()))));
}

void Settings::set(std::string_view key, const char* value)
{
    set(key, std::string_view(value != nullptr ? value : ""));
}

void Settings::remove(std::string_view key)
{
    QSettings store = openStore();
    store.remove(qtKey(key));
    store.sync();
}

std::string Settings::storePath()
{
    return storeFile().toStdString();
}
