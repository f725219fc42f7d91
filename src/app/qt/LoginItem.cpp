#include "app/qt/LoginItem.h"

#include "app/qt/AppInfo.h"
#include "export/AtomicFile.h"
#include "store/qt/SettingsStore.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <cstdio>

namespace {
void reportFailure(const QString& reason)
{
    std::printf("Ambrel: login item toggle failed: %s\n", qPrintable(reason));
    std::fflush(stdout);
}

// The desktop entry's quoting rules for an Exec argument: quoted, with ", `, $ and \ escaped by a backslash, and
// every backslash of the result doubled again by the string-value rules.
QString quotedArgument(const QString& path)
{
    QString quoted;
    for (const QChar c : path) {
        if (c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('$') || c == QLatin1Char('\\'))
            quoted += QLatin1Char('\\');
        quoted += c;
    }
    quoted.replace(QLatin1String("\\"), QLatin1String("\\\\"));
    quoted.replace(QLatin1String("%"), QLatin1String("%%"));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}
} // namespace

namespace LoginItem {
QString entryPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + QStringLiteral("/autostart/")
           + QLatin1String(AppInfo::desktopFileName) + QStringLiteral(".desktop");
}

QString entryText(const QString& executable)
{
    return QStringLiteral("[Desktop Entry]\n"
                          "Type=Application\n"
                          "Name=Ambrel\n"
                          "Comment=Grab text from your screen — and keep the structure.\n"
                          "Exec=%1\n"
                          "Icon=ambrel\n"
                          "Terminal=false\n"
                          "X-GNOME-Autostart-enabled=true\n")
        .arg(quotedArgument(executable));
}

bool isEnabled()
{
    QFile file(entryPath());
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return false;
    while (!file.atEnd()) {
        const QByteArray line = file.readLine().trimmed();
        if (line == "Hidden=true")
            return false;
    }
    return true;
}

bool set(bool enabled)
{
    const QString path = entryPath();
    if (!enabled) {
        if (QFile::exists(path) && !QFile::remove(path)) {
            reportFailure(QStringLiteral("cannot remove %1").arg(path));
            return false;
        }
        return true;
    }
    const QString executable = QFileInfo(QCoreApplication::applicationFilePath()).absoluteFilePath();
    if (executable.isEmpty()) {
        reportFailure(QStringLiteral("the program's own path is unknown"));
        return false;
    }
    if (!QDir().mkpath(QFileInfo(path).absolutePath())) {
        reportFailure(QStringLiteral("cannot create %1").arg(QFileInfo(path).absolutePath()));
        return false;
    }
    const QByteArray text = entryText(executable).toUtf8();
    if (const std::string error = AtomicFile::write(QFile::encodeName(path).toStdString(),
                                                    std::vector<std::uint8_t>(text.begin(), text.end()));
        !error.empty()) {
        reportFailure(QStringLiteral("cannot write %1: %2").arg(path, QString::fromStdString(error)));
        return false;
    }
    return true;
}

void sync()
{
    const bool wanted = Settings::boolean(Settings::Key::launchAtLogin);
    if (wanted != isEnabled())
        set(wanted);
}
} // namespace LoginItem
