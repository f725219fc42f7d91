#pragma once

#include "document/DocumentOCRModel.h"

#include <QWidget>

class DocumentOCRController;
class EmptyState;
class QComboBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QStackedWidget;
class QToolButton;

// The "OCR a Document" window: a toolbar, the table note, either an invitation to drop files or the joined text of
// all pages, and a status line that confirms saves. Everything shown follows from the controller's model; the window
// itself only knows whether a drag is over it. Closing hides it, so it is created once.
class DocumentOCRWindow : public QWidget
{
    Q_OBJECT

public:
    explicit DocumentOCRWindow(DocumentOCRController& controller);

    // Runs the open dialog and shows the chosen files in place of the current ones.
    void openPanel();
    // Runs the save dialog for one export format and writes the file.
    void exportFormat(DocumentOCRModel::ExportFormat format);
    bool dropTargeted() const { return m_dropTargeted; }

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    QWidget* buildToolbar();
    QWidget* buildNote();
    QWidget* buildContent();
    void refresh();
    void setDropTargeted(bool targeted);
    void placeCapsule();
    void applyColours();

    DocumentOCRController& m_controller;
    bool m_dropTargeted = false;

    QComboBox* m_modePicker = nullptr;
    QWidget* m_progress = nullptr;
    QPushButton* m_copyButton = nullptr;
    QToolButton* m_exportButton = nullptr;
    QToolButton* m_trashButton = nullptr;
    QWidget* m_note = nullptr;
    QLabel* m_noteIcon = nullptr;
    QLabel* m_noteText = nullptr;
    QStackedWidget* m_content = nullptr;
    EmptyState* m_emptyState = nullptr;
    QPlainTextEdit* m_text = nullptr;
    QLabel* m_capsule = nullptr;
    QLabel* m_progressLabel = nullptr;
    QLabel* m_status = nullptr;
};
