#include "DocumentTestSupport.h"
#include "document/qt/DocumentOCRController.h"
#include "document/qt/DocumentOCRWindow.h"
#include "store/qt/HistoryStore.h"
#include "support/DarkPalette.h"

#include <QClipboard>
#include <QComboBox>
#include <QDragEnterEvent>
#include <QLabel>
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

using DocumentWindowTest = DocumentTest;
} // namespace

TEST_F(DocumentWindowTest, FreshWindowShowsTheEmptyStateWithNothingToCopy)
{
    DocumentOCRController controller;
    DocumentOCRWindow& window = controller.window();
    window.show();
    const WindowParts p = parts(window);
    EXPECT_EQ(window.windowTitle(), QStringLiteral("OCR a Document"));
    EXPECT_EQ(p.content->currentWidget(), p.emptyState);
    EXPECT_FALSE(p.copy->isEnabled());
    EXPECT_FALSE(p.exportButton->isEnabled());
    EXPECT_FALSE(p.trash->isVisible());
    EXPECT_FALSE(p.progress->isVisible());
    EXPECT_FALSE(p.note->isVisible());
    QStringList labels;
    for (int i = 0; i < p.picker->count(); ++i)
        labels << p.picker->itemText(i);
    EXPECT_EQ(labels, (QStringList{QStringLiteral("Auto (smart)"), QStringLiteral("Plain text"),
                                   QStringLiteral("Table \u2192 Markdown"), QStringLiteral("Table \u2192 CSV"),
                                   QStringLiteral("Code (keep symbols)")}));
}

TEST_F(DocumentWindowTest, DroppedFilesBecomeSectionsAndTheDragHighlights)
{
    DocumentOCRController controller;
    DocumentOCRWindow& window = controller.window();
    window.show();
    const WindowParts p = parts(window);

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
    EXPECT_EQ(controller.model().sections()[0].label, "notes.txt \u2014 unreadable");
    EXPECT_EQ(controller.model().sections()[1].label, "folder \u2014 unreadable");
    EXPECT_EQ(p.content->currentWidget(), p.text);
    EXPECT_EQ(p.text->toPlainText(), QStringLiteral("===== notes.txt \u2014 unreadable =====\n(no text found)\n\n"
                                                    "===== folder \u2014 unreadable =====\n(no text found)"));
    EXPECT_TRUE(p.trash->isVisible());
    EXPECT_TRUE(p.copy->isEnabled());

    // Over the text a capsule invites the drop instead.
    dropFiles(window, {notes}, false);
    EXPECT_TRUE(p.capsule->isVisible());
    EXPECT_EQ(p.capsule->text(), QStringLiteral("Drop to add"));

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
    EXPECT_EQ(p.noteText->text(), QStringLiteral("No table detected \u2014 showing plain text."));
    EXPECT_EQ(controller.model().suggestedBaseName(), "report");

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

TEST_F(DocumentWindowTest, ExportWritesTheFormatsBytesAndAFailedSaveLeavesNothing)
{
    DocumentOCRController controller;
    const QString pdf = writeTextPdf(path(QStringLiteral("invoice.pdf")), {{QStringLiteral("Invoice 2024")}});
    controller.load({pdf});
    ASSERT_TRUE(waitUntil([&] { return controller.model().pending() == 0; }));
    EXPECT_EQ(controller.model().suggestedBaseName() + ".csv", "invoice.csv");

    const QString target = path(QStringLiteral("out.md"));
    ASSERT_TRUE(controller.exportTo(DocumentOCRModel::ExportFormat::Markdown, target));
    QFile file(target);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll().toStdString(), *controller.model().exportData(DocumentOCRModel::ExportFormat::Markdown));

    const QString nowhere = path(QStringLiteral("missing/out.txt"));
    EXPECT_FALSE(controller.exportTo(DocumentOCRModel::ExportFormat::PlainText, nowhere));
    EXPECT_FALSE(QFile::exists(nowhere));

    // The document's own file is never the export's target.
    QFile source(pdf);
    ASSERT_TRUE(source.open(QIODevice::ReadOnly));
    const QByteArray sourceBytes = source.readAll();
    EXPECT_FALSE(controller.exportTo(DocumentOCRModel::ExportFormat::PlainText, pdf));
    QFile after(pdf);
    ASSERT_TRUE(after.open(QIODevice::ReadOnly));
    EXPECT_EQ(after.readAll(), sourceBytes);
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

// Pictures of the window for review, in a light and a dark palette; written only when AMBREL_SCREENSHOT_DIR names
// a folder.
TEST_F(DocumentWindowTest, Screenshots)
{
    const QByteArray outDir = qgetenv("AMBREL_SCREENSHOT_DIR");
    if (outDir.isEmpty())
        GTEST_SKIP() << "set AMBREL_SCREENSHOT_DIR to write screenshots";
    const QPalette original = QApplication::palette();
    const QPalette dark = darkPalette();

    const QString png = writeTextImage(path(QStringLiteral("scan.png")),
                                       {QStringLiteral("Quarterly report"), QStringLiteral("Revenue grew 12%")});
    for (const auto& [name, palette] :
         {std::pair{QStringLiteral("light"), original}, std::pair{QStringLiteral("dark"), dark}}) {
        QApplication::setPalette(palette);
        DocumentOCRController controller;
        DocumentOCRWindow& window = controller.window();
        window.show();
        QCoreApplication::processEvents();
        window.grab().save(QString::fromLocal8Bit(outDir) + QStringLiteral("/document-empty-%1.png").arg(name));
        dropFiles(window, {path(QStringLiteral("scan.png"))}, false);
        window.grab().save(QString::fromLocal8Bit(outDir) + QStringLiteral("/document-drag-%1.png").arg(name));
        dropFiles(window, {png});
        window.grab().save(QString::fromLocal8Bit(outDir) + QStringLiteral("/document-pending-%1.png").arg(name));
        ASSERT_TRUE(waitUntil([&] { return controller.model().pending() == 0; }));
        window.grab().save(QString::fromLocal8Bit(outDir) + QStringLiteral("/document-text-%1.png").arg(name));
        dropFiles(window, {png}, false);
        window.grab().save(QString::fromLocal8Bit(outDir) + QStringLiteral("/document-capsule-%1.png").arg(name));
    }
    QApplication::setPalette(original);
}
