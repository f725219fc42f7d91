#include "DocumentTestSupport.h"
#include "document/qt/DocumentOCRController.h"
#include "document/qt/DocumentOCRWindow.h"
#include "store/qt/HistoryStore.h"

#include <QClipboard>
#include <QComboBox>
#include <QDragEnterEvent>
#include <QFileDialog>
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

// A document window on screen, with its parts found by name.
class DocumentWindowTest : public DocumentTest
{
protected:
    void SetUp() override
    {
        DocumentTest::SetUp();
        m_controller = std::make_unique<DocumentOCRController>();
        window().show();
    }

    DocumentOCRController& controller() { return *m_controller; }
    DocumentOCRWindow& window() { return m_controller->window(); }
    template <typename T = QWidget> T* part(const char* name)
    {
        return window().findChild<T*>(QString::fromLatin1(name));
    }
    bool recognized()
    {
        return waitUntil([&] { return controller().model().pending() == 0; });
    }
    bool activate()
    {
        window().show();
        window().activateWindow();
        return QTest::qWaitForWindowActive(&window());
    }

    // Presses Ctrl+O or picks an export, then types the path into the file dialog and presses Enter there, as a
    // person would. Returns the dialog's folder when it came up.
    std::optional<QString> useDialog(const std::function<void()>& open, const QString& file)
    {
        open();
        QFileDialog* dialog = nullptr;
        if (!waitUntil([&] { return (dialog = window().findChild<QFileDialog*>()) && dialog->isVisible(); }, 10000))
            return std::nullopt;
        const QString folder = dialog->directory().absolutePath();
        auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        if (file.isEmpty() || name == nullptr) {
            dialog->reject();
            return folder;
        }
        name->setFocus();
        name->setText(file);
        QTest::keyClick(name, Qt::Key_Return);
        return folder;
    }
    void pressCtrlO() { QTest::keyClick(&window(), Qt::Key_O, Qt::ControlModifier); }

    std::unique_ptr<DocumentOCRController> m_controller;
};
} // namespace

TEST_F(DocumentWindowTest, DroppedFilesBecomeSectionsAndTheDragHighlights)
{
    auto* content = window().findChild<QStackedWidget*>();
    ASSERT_NE(content, nullptr);
    EXPECT_EQ(content->currentWidget(), part("emptyState"));
    const QString notes = path(QStringLiteral("notes.txt"));
    writeBytes(notes, "plain text, not a picture");
    QDir().mkpath(path(QStringLiteral("folder")));

    dropFiles(window(), {notes}, false);
    EXPECT_TRUE(window().dropTargeted());
    EXPECT_FALSE(part("dropCapsule")->isVisible()); // over the empty state the area is tinted instead
    QDragLeaveEvent leave;
    QCoreApplication::sendEvent(&window(), &leave);
    EXPECT_FALSE(window().dropTargeted());

    dropFiles(window(), {notes, path(QStringLiteral("folder"))});
    EXPECT_FALSE(window().dropTargeted());
    ASSERT_EQ(controller().model().sections().size(), 2u);
    EXPECT_EQ(content->currentWidget(), part("textView"));
    EXPECT_TRUE(part("trashButton")->isVisible());
    EXPECT_FALSE(part("copyButton")->isEnabled()); // nothing was read, so there is nothing to copy
    // Over the text a capsule invites the drop instead.
    dropFiles(window(), {notes}, false);
    EXPECT_TRUE(part("dropCapsule")->isVisible());

    // A drag of anything but files is refused.
    QMimeData words;
    words.setText(QStringLiteral("hello"));
    QDragEnterEvent enterText(QPoint(5, 5), Qt::CopyAction, &words, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&window(), &enterText);
    EXPECT_FALSE(enterText.isAccepted());

    part<QToolButton>("trashButton")->click();
    EXPECT_TRUE(controller().model().sections().empty());
    EXPECT_EQ(content->currentWidget(), part("emptyState"));
}

TEST_F(DocumentWindowTest, PdfPagesAndPicturesAreRecognizedIntoOrderedSections)
{
    const QString pdf = writeTextPdf(path(QStringLiteral("report.pdf")), {{QStringLiteral("First page text")},
                                                                          {QStringLiteral("Second page text")},
                                                                          {QStringLiteral("Third page text")}});
    const QString png = writeTextImage(path(QStringLiteral("scan.png")), {QStringLiteral("HELLO WORLD")});
    const QString qr = path(QStringLiteral("qr.png"));
    ASSERT_TRUE(writeQrImage(qr, QStringLiteral("https://example.org/ambrel")));

    dropFiles(window(), {pdf, png, qr});
    ASSERT_EQ(controller().model().sections().size(), 5u);
    EXPECT_EQ(part("progress")->findChild<QLabel*>()->text(), QStringLiteral("Page 1 of 5\u2026"));
    ASSERT_TRUE(recognized());
    EXPECT_FALSE(part("progress")->isVisible());
    const QString text = part<QPlainTextEdit>("textView")->toPlainText();
    EXPECT_TRUE(text.startsWith(QStringLiteral("===== report.pdf \u2014 p1 =====\nFirst page text")))
        << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("===== report.pdf \u2014 p3 =====\nThird page text")));
    EXPECT_TRUE(text.contains(QStringLiteral("===== scan.png =====\nHELLO WORLD")));
    // The QR page has only its payload, not "(no text found)".
    EXPECT_TRUE(text.endsWith(QStringLiteral("===== qr.png =====\nhttps://example.org/ambrel"))) << text.toStdString();
    auto* note = part<QLabel>("noteText");
    EXPECT_EQ(note->text(), QStringLiteral("Text \u2014 no table on these pages."));
    // The note is in the quiet colour of the other notes, not a warning colour.
    EXPECT_EQ(note->palette().color(QPalette::WindowText).rgb(), window().palette().color(QPalette::WindowText).rgb());

    // Plain text mode removes the note; the setting itself is not changed by the window.
    auto* picker = part<QComboBox>("modePicker");
    picker->setCurrentIndex(1);
    emit picker->activated(1);
    EXPECT_EQ(controller().model().mode(), Settings::OutputMode::PlainText);
    EXPECT_FALSE(part("note")->isVisible());

    // Copy puts the text on the clipboard and into the history.
    part<QPushButton>("copyButton")->click();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), text);
    ASSERT_FALSE(HistoryStore::shared().items().empty());
    EXPECT_EQ(HistoryStore::shared().items().front().text.substr(0, 13), "===== report.");
}

TEST_F(DocumentWindowTest, OpenShowsOneDocumentNamedInTheTitleWhileDropsAddAndClosingKeepsIt)
{
    const QString first = writeTextPdf(path(QStringLiteral("first.pdf")), {{QStringLiteral("Alpha")}});
    const QString second = writeTextPdf(path(QStringLiteral("second.pdf")), {{QStringLiteral("Bravo")}});
    const QString third = writeTextPdf(path(QStringLiteral("third.pdf")), {{QStringLiteral("Charlie")}});
    dropFiles(window(), {first});
    EXPECT_EQ(window().windowTitle(), QStringLiteral("first.pdf \u2014 OCR a Document"));
    dropFiles(window(), {second});
    EXPECT_EQ(controller().model().sections().size(), 2u);
    EXPECT_EQ(window().windowTitle(), QStringLiteral("first.pdf and 1 more \u2014 OCR a Document"));

    // Ctrl+O opens the dialog; what it opens takes the place of both.
    ASSERT_TRUE(activate());
    ASSERT_TRUE(useDialog([&] { pressCtrlO(); }, third));
    ASSERT_TRUE(waitUntil([&] { return controller().model().pending() == 0 && !window().findChild<QFileDialog*>(); }));
    EXPECT_EQ(controller().model().combinedText(), "Charlie");
    EXPECT_EQ(window().windowTitle(), QStringLiteral("third.pdf \u2014 OCR a Document"));
    // The next dialog starts where this one found the file, not in the folder Ambrel was started from.
    ASSERT_TRUE(activate());
    EXPECT_EQ(useDialog([&] { pressCtrlO(); }, {}), QDir(files()).absolutePath());

    // Ctrl+W, like Escape, is OpenWindows' close key, which the settings and history windows' test presses.
    ASSERT_TRUE(activate());
    QTest::keyClick(&window(), Qt::Key_W, Qt::ControlModifier);
    EXPECT_TRUE(waitUntil([&] { return !window().isVisible(); }, 5000));
    EXPECT_EQ(controller().model().combinedText(), "Charlie");
}

// Each kind of unreadable file is the page source's, tried through the command line in FileOCRTest.
TEST_F(DocumentWindowTest, AnUnreadableFileSaysCouldNotReadWithNothingToCopy)
{
    writeBytes(path(QStringLiteral("broken.pdf")), "%PDF-1.4\n1 0 obj garbage");
    controller().open({path(QStringLiteral("broken.pdf"))});
    EXPECT_EQ(part<QPlainTextEdit>("textView")->toPlainText(), QStringLiteral("could not read broken.pdf"));
    EXPECT_TRUE(part("statusLine")->isVisible());
    EXPECT_EQ(part<QLabel>("statusLine")->text(), QStringLiteral("Could not read broken.pdf"));
    EXPECT_FALSE(part("copyButton")->isEnabled() || part("exportButton")->isEnabled());
}

TEST_F(DocumentWindowTest, CtrlSExportsCsvThatAReaderSeesAsOneColumnAndConfirmsTheSave)
{
    ASSERT_TRUE(activate());
    const QString pdf = writeTextPdf(path(QStringLiteral("letter.pdf")), {{QStringLiteral("Dear Sir, thank you."),
                                                                           QStringLiteral("He said \"yes\", twice."),
                                                                           QStringLiteral("Apples, pears, plums")}});
    controller().open({pdf});
    ASSERT_TRUE(recognized());

    // Ctrl+S offers the export formats; the CSV one asks where to save.
    QTest::keyClick(&window(), Qt::Key_S, Qt::ControlModifier);
    QMenu* menu = part<QToolButton>("exportButton")->menu();
    ASSERT_TRUE(waitUntil([&] { return menu->isVisible(); }, 10000));
    QAction* csv = menu->actions().at(2);
    ASSERT_EQ(csv->text(), QStringLiteral("CSV \u2014 Excel (.csv)"));
    menu->hide();
    const QString target = path(QStringLiteral("letter.csv"));
    ASSERT_TRUE(useDialog([&] { csv->trigger(); }, target));
    auto* status = part<QLabel>("statusLine");
    ASSERT_TRUE(waitUntil([&] { return QFile::exists(target) && status->isVisible(); }, 10000));
    EXPECT_TRUE(status->text().startsWith(QStringLiteral("Saved letter.csv in "))) << status->text().toStdString();
    // Python's csv module sees one cell a line, commas and quotes included.
    EXPECT_EQ(runPython(QStringLiteral("import csv, sys\n"
                                       "for row in csv.reader(open(sys.argv[1], newline='', encoding='utf-8')):\n"
                                       "    print(repr(row))\n"),
                        target),
              QByteArray("['Dear Sir, thank you.']\n['He said \"yes\", twice.']\n['Apples, pears, plums']\n"));

    // A save that fails says so in the same place, naming the file, and leaves nothing behind.
    EXPECT_FALSE(controller().exportTo(DocumentOCRModel::ExportFormat::PlainText, path(QStringLiteral("no/such.txt"))));
    EXPECT_TRUE(status->text().startsWith(QStringLiteral("Couldn\u2019t save such.txt: ")));
    EXPECT_FALSE(QFile::exists(path(QStringLiteral("no/such.txt"))));
    // The document's own file is never the export's target.
    const QByteArray source = readAll(pdf);
    EXPECT_FALSE(controller().exportTo(DocumentOCRModel::ExportFormat::PlainText, pdf));
    EXPECT_EQ(readAll(pdf), source);
}
