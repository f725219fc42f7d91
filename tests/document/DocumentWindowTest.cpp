#include "DocumentTestSupport.h"
#include "document/qt/DocumentOCRController.h"
#include "document/qt/DocumentOCRWindow.h"
#include "store/qt/HistoryStore.h"

#include <QClipboard>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDragEnterEvent>
#include <QFileDialog>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStackedWidget>
#include <QTest>
#include <QToolButton>
#include <QUrl>

#include <gtest/gtest.h>

#include <optional>

namespace {

// Sends a drag over the window and drops it, as a file manager would.
void dropFiles(QWidget& window, const QStringList& files, bool drop = true)
{
    QMimeData mime;
    QList<QUrl> urls;
    for (const QString& file : files)
        urls << QUrl::fromLocalFile(file);
    mime.setUrls(urls); // text/uri-list
    const QPoint centre = window.rect().center();
    QDragEnterEvent enter(centre, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&window, &enter);
    if (!drop)
        return;
    QDropEvent dropEvent(QPointF(centre), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&window, &dropEvent);
}

struct WindowParts
{
    QPushButton* copy;
    QToolButton* exportButton;
    QToolButton* trash;
    QWidget* progress;
    QWidget* note;
    QLabel* noteText;
    QComboBox* picker;
    QStackedWidget* content;
    QWidget* emptyState;
    QPlainTextEdit* text;
    QLabel* capsule;
};

WindowParts parts(DocumentOCRWindow& w)
{
    return {w.findChild<QPushButton*>(QStringLiteral("copyButton")),
            w.findChild<QToolButton*>(QStringLiteral("exportButton")),
            w.findChild<QToolButton*>(QStringLiteral("trashButton")),
            w.findChild<QWidget*>(QStringLiteral("progress")),
            w.findChild<QWidget*>(QStringLiteral("note")),
            w.findChild<QLabel*>(QStringLiteral("noteText")),
            w.findChild<QComboBox*>(QStringLiteral("modePicker")),
            w.findChild<QStackedWidget*>(),
            w.findChild<QWidget*>(QStringLiteral("emptyState")),
            w.findChild<QPlainTextEdit*>(QStringLiteral("textView")),
            w.findChild<QLabel*>(QStringLiteral("dropCapsule"))};
}

// The file dialog the window opened, once it is on screen.
QFileDialog* openDialog(QWidget& window)
{
    QFileDialog* dialog = nullptr;
    waitUntil(
        [&] {
            dialog = window.findChild<QFileDialog*>();
            return dialog != nullptr && dialog->isVisible();
        },
        10000);
    return dialog;
}

// Types a path into the dialog's name field and presses Enter there, as a person would.
void typeIntoDialog(QFileDialog& dialog, const QString& path)
{
    auto* name = dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    ASSERT_NE(name, nullptr);
    name->setFocus();
    name->setText(path);
    QTest::keyClick(name, Qt::Key_Return);
}

// Reads a CSV file with Python's csv module; one list of cells per row.
std::optional<QList<QStringList>> readCsv(const QString& file)
{
    const auto json = runPython(QStringLiteral("import csv, sys, json\n"
                                               "with open(sys.argv[1], newline='', encoding='utf-8') as f:\n"
                                               "    print(json.dumps(list(csv.reader(f))))\n"),
                                file);
    if (!json)
        return std::nullopt;
    QList<QStringList> out;
    for (const QJsonValue& row : QJsonDocument::fromJson(*json).array()) {
        QStringList cells;
        for (const QJsonValue& cell : row.toArray())
            cells << cell.toString();
        out << cells;
    }
    return out;
}

bool activate(QWidget& window)
{
    window.show();
    window.activateWindow();
    return QTest::qWaitForWindowActive(&window);
}

using DocumentWindowTest = DocumentTest;
} // namespace

TEST_F(DocumentWindowTest, DroppedFilesBecomeSectionsAndTheDragHighlights)
{
    DocumentOCRController controller;
    DocumentOCRWindow& window = controller.window();
    window.show();
    const WindowParts p = parts(window);
    EXPECT_EQ(p.content->currentWidget(), p.emptyState);
    EXPECT_FALSE(p.copy->isEnabled() || p.exportButton->isEnabled() || p.trash->isVisible() || p.note->isVisible());

    const QString notes = path(QStringLiteral("notes.txt"));
    writeBytes(notes, "plain text, not a picture");
    const QString folder = path(QStringLiteral("folder"));
    QDir().mkpath(folder);

    dropFiles(window, {notes}, false);
    EXPECT_TRUE(window.dropTargeted());
    EXPECT_FALSE(p.capsule->isVisible()); // over the empty state the area is tinted instead

    QDragLeaveEvent leave;
    QCoreApplication::sendEvent(&window, &leave);
    EXPECT_FALSE(window.dropTargeted());

    dropFiles(window, {notes, folder});
    EXPECT_FALSE(window.dropTargeted());
    ASSERT_EQ(controller.model().sections().size(), 2u);
    EXPECT_EQ(p.content->currentWidget(), p.text);
    EXPECT_TRUE(p.trash->isVisible());
    EXPECT_FALSE(p.copy->isEnabled()); // nothing was read, so there is nothing to copy

    // Over the text a capsule invites the drop instead.
    dropFiles(window, {notes}, false);
    EXPECT_TRUE(p.capsule->isVisible());

    // A drag of anything but files is refused.
    QMimeData words;
    words.setText(QStringLiteral("hello"));
    QDragEnterEvent enterText(QPoint(5, 5), Qt::CopyAction, &words, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&window, &enterText);
    EXPECT_FALSE(enterText.isAccepted());

    p.trash->click();
    EXPECT_TRUE(controller.model().sections().empty());
    EXPECT_EQ(p.content->currentWidget(), p.emptyState);
    EXPECT_FALSE(p.trash->isVisible());
}

TEST_F(DocumentWindowTest, PdfPagesAndPicturesAreRecognizedIntoOrderedSections)
{
    DocumentOCRController controller;
    DocumentOCRWindow& window = controller.window();
    window.show();
    const WindowParts p = parts(window);

    const QString pdf = writeTextPdf(path(QStringLiteral("report.pdf")), {{QStringLiteral("First page text")},
                                                                          {QStringLiteral("Second page text")},
                                                                          {QStringLiteral("Third page text")}});
    const QString png = writeTextImage(path(QStringLiteral("scan.png")), {QStringLiteral("HELLO WORLD")});
    const QString qr = path(QStringLiteral("qr.png"));
    ASSERT_TRUE(writeQrImage(qr, QStringLiteral("https://example.org/ambrel")));

    dropFiles(window, {pdf, png, qr});
    ASSERT_EQ(controller.model().sections().size(), 5u);
    EXPECT_TRUE(p.progress->isVisible());
    EXPECT_EQ(controller.model().sections()[0].label, "report.pdf \u2014 p1");

    ASSERT_TRUE(waitUntil([&] { return controller.model().pending() == 0; }));
    EXPECT_FALSE(p.progress->isVisible());
    const QString text = p.text->toPlainText();
    EXPECT_TRUE(text.startsWith(QStringLiteral("===== report.pdf \u2014 p1 =====\nFirst page text")))
        << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("===== report.pdf \u2014 p3 =====\nThird page text")));
    EXPECT_TRUE(text.contains(QStringLiteral("===== scan.png =====\nHELLO WORLD")));
    // The QR page has only its payload, not "(no text found)".
    EXPECT_TRUE(text.endsWith(QStringLiteral("===== qr.png =====\nhttps://example.org/ambrel"))) << text.toStdString();
    EXPECT_EQ(p.noteText->text(), QStringLiteral("Text \u2014 no table on these pages."));

    // Plain text mode removes the note; the setting itself is not changed by the window.
    p.picker->setCurrentIndex(1);
    emit p.picker->activated(1);
    EXPECT_EQ(controller.model().mode(), Settings::OutputMode::PlainText);
    EXPECT_FALSE(p.note->isVisible());

    // Copy puts the text on the clipboard and into the history.
    p.copy->click();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), text);
    ASSERT_FALSE(HistoryStore::shared().items().empty());
    EXPECT_EQ(HistoryStore::shared().items().front().text.substr(0, 13), "===== report.");
}

TEST_F(DocumentWindowTest, ClearWhileRecognizingDropsTheLateResults)
{
    DocumentOCRController controller;
    controller.load({writeTextImage(path(QStringLiteral("a.png")), {QStringLiteral("ALPHA")})});
    controller.clear();
    controller.load({writeTextImage(path(QStringLiteral("b.png")), {QStringLiteral("BRAVO")})});
    ASSERT_TRUE(waitUntil([&] { return controller.pagesInFlight() == 0; }));
    EXPECT_EQ(controller.model().pending(), 0u);
    ASSERT_EQ(controller.model().sections().size(), 1u);
    EXPECT_EQ(controller.model().combinedText(), "BRAVO");
}

TEST_F(DocumentWindowTest, OpenShowsOneDocumentNamedInTheTitleWhileDropsAdd)
{
    DocumentOCRController controller;
    DocumentOCRWindow& window = controller.window();
    window.show();
    const QString first = writeTextPdf(path(QStringLiteral("first.pdf")), {{QStringLiteral("Alpha")}});
    const QString second = writeTextPdf(path(QStringLiteral("second.pdf")), {{QStringLiteral("Bravo")}});
    const QString third = writeTextPdf(path(QStringLiteral("third.pdf")), {{QStringLiteral("Charlie")}});

    dropFiles(window, {first});
    EXPECT_EQ(window.windowTitle(), QStringLiteral("first.pdf \u2014 OCR a Document"));
    dropFiles(window, {second});
    EXPECT_EQ(controller.model().sections().size(), 2u);
    EXPECT_EQ(window.windowTitle(), QStringLiteral("first.pdf and 1 more \u2014 OCR a Document"));

    // Ctrl+O opens the dialog; what it opens takes the place of both.
    ASSERT_TRUE(activate(window));
    QTest::keyClick(&window, Qt::Key_O, Qt::ControlModifier);
    QFileDialog* dialog = openDialog(window);
    ASSERT_NE(dialog, nullptr);
    ASSERT_NO_FATAL_FAILURE(typeIntoDialog(*dialog, third));
    ASSERT_TRUE(waitUntil([&] { return controller.model().pending() == 0 && !window.findChild<QFileDialog*>(); }));
    ASSERT_EQ(controller.model().sections().size(), 1u);
    EXPECT_EQ(controller.model().combinedText(), "Charlie");
    EXPECT_EQ(window.windowTitle(), QStringLiteral("third.pdf \u2014 OCR a Document"));

    // The next dialog starts where this one found the file, not in the folder Ambrel was started from.
    ASSERT_TRUE(activate(window));
    QTest::keyClick(&window, Qt::Key_O, Qt::ControlModifier);
    dialog = openDialog(window);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->directory().absolutePath(), QDir(m_dir.path()).absolutePath());
    dialog->reject();
}

TEST_F(DocumentWindowTest, ProgressCountsPagesAndProseIsPlainText)
{
    DocumentOCRController controller;
    DocumentOCRWindow& window = controller.window();
    window.show();
    const WindowParts p = parts(window);
    const auto progressText = [&] { return p.progress->findChild<QLabel*>()->text(); };
    controller.load({writeTextPdf(path(QStringLiteral("long.pdf")),
                                  {{QStringLiteral("One")}, {QStringLiteral("Two")}, {QStringLiteral("Three")}})});
    EXPECT_EQ(progressText(), QStringLiteral("Page 1 of 3\u2026"));
    ASSERT_TRUE(waitUntil([&] { return controller.model().pending() == 0; }));
    EXPECT_FALSE(p.progress->isVisible());

    controller.open({writeTextImage(path(QStringLiteral("prose.png")), {QStringLiteral("Dear reader, hello.")})});
    ASSERT_TRUE(waitUntil([&] { return controller.model().pending() == 0; }));
    EXPECT_EQ(p.noteText->text(), QStringLiteral("Text \u2014 no table on this page."));
    // The note is in the quiet colour of the other notes, not a warning colour.
    const QColor note = p.noteText->palette().color(QPalette::WindowText);
    const QColor text = window.palette().color(QPalette::WindowText);
    EXPECT_EQ(note.rgb(), text.rgb());
}

TEST_F(DocumentWindowTest, UnreadableFilesSayCouldNotReadWithNothingToCopy)
{
    DocumentOCRController controller;
    DocumentOCRWindow& window = controller.window();
    window.show();
    const WindowParts p = parts(window);
    writeBytes(path(QStringLiteral("broken.pdf")), "%PDF-1.4\n1 0 obj garbage");
    writeBytes(path(QStringLiteral("fake.png")), "this is no picture");
    auto* status = window.findChild<QLabel*>(QStringLiteral("statusLine"));
    ASSERT_NE(status, nullptr);

    for (const QString& name : {QStringLiteral("broken.pdf"), QStringLiteral("fake.png")}) {
        controller.open({path(name)});
        EXPECT_EQ(p.text->toPlainText(), QStringLiteral("could not read ") + name);
        EXPECT_TRUE(status->isVisible());
        EXPECT_EQ(status->text(), QStringLiteral("Could not read ") + name);
        EXPECT_FALSE(p.copy->isEnabled());
        EXPECT_FALSE(p.exportButton->isEnabled());
    }
}

TEST_F(DocumentWindowTest, CtrlSExportsCsvThatAReaderSeesAsOneColumnAndConfirmsTheSave)
{
    DocumentOCRController controller;
    DocumentOCRWindow& window = controller.window();
    ASSERT_TRUE(activate(window));
    const QString pdf = writeTextPdf(path(QStringLiteral("letter.pdf")), {{QStringLiteral("Dear Sir, thank you."),
                                                                           QStringLiteral("He said \"yes\", twice."),
                                                                           QStringLiteral("Apples, pears, plums")}});
    controller.open({pdf});
    ASSERT_TRUE(waitUntil([&] { return controller.model().pending() == 0; }));

    // Ctrl+S offers the export formats; the CSV one asks where to save.
    QTest::keyClick(&window, Qt::Key_S, Qt::ControlModifier);
    QMenu* menu = nullptr;
    ASSERT_TRUE(waitUntil(
        [&] {
            menu = window.findChild<QToolButton*>(QStringLiteral("exportButton"))->menu();
            return menu->isVisible();
        },
        10000));
    QAction* csv = menu->actions().at(2);
    ASSERT_EQ(csv->text(), QStringLiteral("CSV \u2014 Excel (.csv)"));
    menu->hide();
    csv->trigger();
    QFileDialog* dialog = openDialog(window);
    ASSERT_NE(dialog, nullptr);
    const QString target = path(QStringLiteral("letter.csv"));
    ASSERT_NO_FATAL_FAILURE(typeIntoDialog(*dialog, target));
    auto* status = window.findChild<QLabel*>(QStringLiteral("statusLine"));
    ASSERT_TRUE(waitUntil([&] { return QFile::exists(target) && status->isVisible(); }, 10000));
    EXPECT_TRUE(status->text().startsWith(QStringLiteral("Saved letter.csv in "))) << status->text().toStdString();
    EXPECT_EQ(window.windowTitle(), QStringLiteral("letter.pdf \u2014 OCR a Document"));

    const std::optional<QList<QStringList>> rows = readCsv(target);
    ASSERT_TRUE(rows.has_value());
    ASSERT_EQ(rows->size(), 3);
    EXPECT_EQ(rows->at(0), QStringList{QStringLiteral("Dear Sir, thank you.")});
    EXPECT_EQ(rows->at(1), QStringList{QStringLiteral("He said \"yes\", twice.")});
    EXPECT_EQ(rows->at(2), QStringList{QStringLiteral("Apples, pears, plums")});
    EXPECT_TRUE(readAll(target).endsWith('\n'));

    // A save that fails says so in the same place, naming the file, and leaves nothing behind.
    EXPECT_FALSE(controller.exportTo(DocumentOCRModel::ExportFormat::PlainText, path(QStringLiteral("no/such.txt"))));
    EXPECT_TRUE(status->text().startsWith(QStringLiteral("Couldn\u2019t save such.txt: ")));
    EXPECT_FALSE(QFile::exists(path(QStringLiteral("no/such.txt"))));
    // The document's own file is never the export's target.
    const QByteArray source = readAll(pdf);
    EXPECT_FALSE(controller.exportTo(DocumentOCRModel::ExportFormat::PlainText, pdf));
    EXPECT_EQ(readAll(pdf), source);
}

TEST_F(DocumentWindowTest, EscapeAndCtrlWCloseTheWindowAndKeepTheDocument)
{
    DocumentOCRController controller;
    DocumentOCRWindow& window = controller.window();
    controller.load({writeTextPdf(path(QStringLiteral("keep.pdf")), {{QStringLiteral("Kept")}})});
    for (const QKeyCombination keys :
         {QKeyCombination(Qt::Key_Escape), QKeyCombination(Qt::ControlModifier, Qt::Key_W)}) {
        ASSERT_TRUE(activate(window));
        QTest::keyClick(&window, keys.key(), keys.keyboardModifiers());
        EXPECT_TRUE(waitUntil([&] { return !window.isVisible(); }, 5000));
    }
    EXPECT_EQ(controller.model().sections().size(), 1u);
}
