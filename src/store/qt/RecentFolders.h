#pragma once

#include <QString>

class QFileDialog;

// The folder each kind of file dialog opened in last, kept in the settings, so that a dialog starts where the
// user left off rather than wherever Ambrel happened to be started from.
namespace RecentFolders {
enum class Kind
{
    Documents, // pictures and PDFs opened, and the text exports of the document window
    Workbooks, // the batch's workbooks
};

// The last folder of this kind that still exists, else the home folder.
QString folder(Kind kind);
// Remembers a folder for the next dialog of this kind.
void remember(Kind kind, const QString& path);
// Starts the dialog in the kind's folder and remembers the folder of whatever it accepts.
void attach(QFileDialog* dialog, Kind kind);
} // namespace RecentFolders
