#include "store/qt/RecentFolders.h"

#include "store/qt/SettingsStore.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>

#include <string_view>

namespace {
std::string_view keyOf(RecentFolders::Kind kind)
{
    return kind == RecentFolders::Kind::Workbooks ? "lastWorkbookFolder" : "lastDocumentFolder";
}
} // namespace

QString RecentFolders::folder(Kind kind)
{
    const QString stored = QString::fromStdString(Settings::string(keyOf(kind)));
    if (!stored.isEmpty() && QFileInfo(stored).isDir())
        return stored;
    return QDir::homePath();
}

void RecentFolders::remember(Kind kind, const QString& path)
{
    if (path.isEmpty())
        return;
    Settings::set(keyOf(kind), std::string_view(QFileInfo(path).absoluteFilePath().toStdString()));
}

void RecentFolders::attach(QFileDialog* dialog, Kind kind)
{
    dialog->setDirectory(folder(kind));
    QObject::connect(dialog, &QDialog::accepted, dialog, [dialog, kind] {
        const QStringList chosen = dialog->selectedFiles();
        // A chosen file's folder (a typed save path may name another folder than the one shown); for a chosen
        // folder, the folder the dialog was showing, where the user was.
        const bool file = !chosen.isEmpty() && !QFileInfo(chosen.front()).isDir();
        remember(kind, file ? QFileInfo(chosen.front()).absolutePath() : dialog->directory().absolutePath());
    });
}
