#pragma once

#include <QString>

class QDialog;
class QWidget;

// The terms and the privacy notice, shipped inside the program and shown in a window of its own: they read the
// same offline and with no browser installed. The maker's web pages are linked from there as an extra.
namespace Legal {
enum class Document
{
    Terms,
    Privacy,
};

// The document's text as HTML.
QString html(Document document);
QString title(Document document);
// Opens the document in a dialog (one per document: a second call brings it forward) and returns it.
QDialog* show(Document document, QWidget* parent = nullptr);
} // namespace Legal
