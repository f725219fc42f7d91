#pragma once

#include <QString>

class QMessageBox;

// The About box: version, licence, and the libraries with the versions this process runs with.
namespace About {
QString html();
// Opens the box; it deletes itself when closed.
QMessageBox* show();
} // namespace About
