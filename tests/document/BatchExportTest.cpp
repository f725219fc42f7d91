#include "export/qt/BatchExport.h"

#include "DocumentTestSupport.h"
#include "Missing.h"
#include "export/BatchExpand.h"

#include <QAbstractItemView>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QLineEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

namespace {

// A batch whose dialogs and heads-up display are replaced by recordings.
struct RecordedBatch
{
    RecordedBatch()
    {
        batch.chooseInputs = [this](std::function<void(const QStringList&)> done) {
            ++inputDialogs;
            done(inputs);
        };
        batch.chooseDestination = [this](std::function<void(const QString&)> done) {
            ++saveDialogs;
            done(destination);
        };
        batch.showMessage = [this](const QString& text) { messages << text; };
    }

    BatchExport batch;
    QStringList inputs;
    QString destination;
    int inputDialogs = 0;
    int saveDialogs = 0;
    QStringList messages;
};

// A workbook's sheets as openpyxl reads them, one line each: the name, then the cells, tab separated.
QString sheetsOf(const QString& path)
{
    const auto out =
        runPython(QStringLiteral("import sys, openpyxl\n"
                                 "for ws in openpyxl.load_workbook(sys.argv[1]).worksheets:\n"
                                 "    cells = [str(c.value or '') for row in ws.iter_rows() for c in row]\n"
                                 "    print('\\t'.join([ws.title] + cells))\n"),
                  path);
    return out ? QString::fromUtf8(*out) : QStringLiteral("(openpyxl could not read it)");
}

using BatchExportTest = DocumentTest;
} // namespace

TEST_F(BatchExportTest, EveryPageBecomesASheetInInputAndPageOrder)
{
    RecordedBatch r;
    QDir().mkpath(path(QStringLiteral("in")));
    writeTextPdf(path(QStringLiteral("in/a.pdf")), {{QStringLiteral("Alpha one")}, {QStringLiteral("Alpha two")}});
    writeTextImage(path(QStringLiteral("in/b.png")), {QStringLiteral("BRAVO LINE"), QStringLiteral("SECOND LINE")});
    ASSERT_TRUE(writeQrImage(path(QStringLiteral("in/c.png")), QStringLiteral("QR-PAYLOAD-7")));
    writeBytes(path(QStringLiteral("in/d.jpg")), "not a picture at all"); // unreadable: no sheet, named at the end
    r.inputs = {path(QStringLiteral("in"))};
    r.destination = path(QStringLiteral("out.xlsx"));

    r.batch.run();
    EXPECT_EQ(r.inputDialogs, 1);
    EXPECT_TRUE(r.batch.running());
    r.batch.run(); // a second run while processing does nothing
    EXPECT_EQ(r.inputDialogs, 1);

    ASSERT_TRUE(waitUntil([&] { return !r.batch.running(); }));
    EXPECT_EQ(r.saveDialogs, 1);
    // Five inputs were counted; the unreadable picture leaves four pages.
    EXPECT_EQ(r.messages.first(), QStringLiteral("Processing 1 / 5\u2026"));
    EXPECT_EQ(r.messages.last(), QStringLiteral("\u2713 Exported 4 sheets; skipped d.jpg: could not read"));

    AMBREL_NEEDS(runPython(QStringLiteral("import openpyxl"), {}), "python3-openpyxl is not installed");
    EXPECT_EQ(sheetsOf(r.destination), QStringLiteral("a.pdf \u2014 p1\tAlpha one\na.pdf \u2014 p2\tAlpha two\n"
                                                      "b.png\tBRAVO LINE\tSECOND LINE\nc.png\tQR-PAYLOAD-7\n"));
}

// The batch's open dialog, once it is on screen.
QFileDialog* inputDialog()
{
    QFileDialog* found = nullptr;
    waitUntil(
        [&] {
            for (QWidget* widget : QApplication::topLevelWidgets())
                if (auto* dialog = qobject_cast<QFileDialog*>(widget); dialog && dialog->isVisible())
                    found = dialog;
            return found != nullptr;
        },
        10000);
    return found;
}

TEST_F(BatchExportTest, AFolderChosenInTheDialogGivesEachFileOnceAndATypedFolderOpens)
{
    BatchExport batch; // the real open dialog; only the save dialog and the messages are recorded
    QStringList messages;
    QString destination = path(QStringLiteral("pics.xlsx"));
    batch.chooseDestination = [&](std::function<void(const QString&)> done) { done(destination); };
    batch.showMessage = [&](const QString& text) { messages << text; };
    QDir().mkpath(path(QStringLiteral("pics")));
    writeTextImage(path(QStringLiteral("pics/a.png")), {QStringLiteral("ALPHA")});
    writeTextImage(path(QStringLiteral("pics/b.png")), {QStringLiteral("BRAVO")});

    batch.run();
    QFileDialog* dialog = inputDialog();
    ASSERT_NE(dialog, nullptr);
    dialog->setDirectory(files());

    // A folder's path typed and confirmed with Enter opens the folder, as in every file dialog.
    auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    ASSERT_NE(name, nullptr);
    dialog->activateWindow();
    name->setFocus();
    name->setText(path(QStringLiteral("pics")));
    QTest::keyClick(name, Qt::Key_Return);
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_FALSE(batch.running());
    EXPECT_TRUE(messages.isEmpty());
    EXPECT_EQ(dialog->directory().absolutePath(), QDir(path(QStringLiteral("pics"))).absolutePath());

    // The folder selected in the list and the Open button: its two pictures, once each.
    dialog->setDirectory(files());
    auto* view = dialog->findChild<QAbstractItemView*>(QStringLiteral("listView"));
    ASSERT_NE(view, nullptr);
    QModelIndex folder;
    ASSERT_TRUE(waitUntil(
        [&] {
            const QModelIndexList found =
                view->model()->match(view->model()->index(0, 0, view->rootIndex()), Qt::DisplayRole,
                                     QStringLiteral("pics"), 1, Qt::MatchExactly);
            folder = found.isEmpty() ? QModelIndex() : found.front();
            return folder.isValid();
        },
        10000));
    view->setFocus();
    view->selectionModel()->setCurrentIndex(folder, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    QPushButton* open = dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Open);
    ASSERT_NE(open, nullptr);
    QTest::mouseClick(open, Qt::LeftButton);
    ASSERT_TRUE(waitUntil([&] { return !messages.isEmpty() && messages.last().startsWith(QStringLiteral("\u2713")); }));
    EXPECT_EQ(messages.first(), QStringLiteral("Processing 1 / 2\u2026"));
    EXPECT_EQ(messages.last(), QStringLiteral("\u2713 Exported 2 sheets"));

    // The next batch's dialog starts where this one was.
    batch.run();
    dialog = inputDialog();
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->directory().absolutePath(), QDir(files()).absolutePath());
    dialog->reject();
}

TEST_F(BatchExportTest, NothingUsableGivesTheExactMessages)
{
    RecordedBatch r;
    writeBytes(path(QStringLiteral("notes.txt")), "text");
    r.batch.start({path(QStringLiteral("notes.txt")), path(QStringLiteral("gone.pdf"))});
    EXPECT_EQ(r.messages, QStringList{QStringLiteral(
                              "No PDFs or images found; skipped notes.txt: not a PDF or image, gone.pdf: not found")});

    r.messages.clear();
    writeBytes(path(QStringLiteral("broken.pdf")), "%PDF-1.4 garbage");
    r.batch.start({path(QStringLiteral("broken.pdf"))});
    EXPECT_EQ(r.messages, QStringList{QStringLiteral("Nothing to export; skipped broken.pdf: could not read")});
    EXPECT_FALSE(r.batch.running());

    // A picture that turns out unreadable is found only when its turn comes.
    r.messages.clear();
    writeBytes(path(QStringLiteral("broken.png")), "not a png");
    r.batch.start({path(QStringLiteral("broken.png"))});
    ASSERT_TRUE(waitUntil([&] { return !r.batch.running(); }));
    EXPECT_EQ(r.messages.last(), QStringLiteral("Nothing to export; skipped broken.png: could not read"));
    EXPECT_EQ(r.saveDialogs, 0);
}

TEST_F(BatchExportTest, OneSheetIsSingularAndAFailedWriteLeavesNothing)
{
    RecordedBatch r;
    const QString png = writeTextImage(path(QStringLiteral("one.png")), {QStringLiteral("SINGLE")});
    const QByteArray pictureBytes = readAll(png);
    QDir().mkpath(path(QStringLiteral("taken.xlsx")));
    const std::vector<std::pair<QString, QString>> cases{
        {path(QStringLiteral("one.xlsx")), QStringLiteral("\u2713 Exported 1 sheet")},
        {path(QStringLiteral("missing/out.xlsx")), QStringLiteral("Couldn\u2019t save the workbook: ")},
        {path(QStringLiteral("taken.xlsx")), QStringLiteral("Couldn\u2019t save the workbook: is a directory (%1)")
                                                 .arg(path(QStringLiteral("taken.xlsx")))},
        {png, QStringLiteral("Couldn\u2019t save the workbook: is also an input (%1)").arg(png)},
    };
    for (const auto& [destination, message] : cases) {
        r.destination = destination;
        r.batch.start({png});
        ASSERT_TRUE(waitUntil([&] { return !r.batch.running(); }));
        EXPECT_TRUE(r.messages.last().startsWith(message)) << r.messages.last().toStdString();
    }
    // Nothing half-written anywhere, the folder in the way left alone, the picture as it was.
    EXPECT_EQ(readAll(png), pictureBytes);
    EXPECT_EQ(QDir(files()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
              (QStringList{QStringLiteral("one.png"), QStringLiteral("one.xlsx"), QStringLiteral("taken.xlsx")}));
    EXPECT_TRUE(QFileInfo(path(QStringLiteral("taken.xlsx"))).isDir());

    // A cancelled save dialog drops the sheets silently.
    const qsizetype before = r.messages.size();
    r.destination.clear();
    r.batch.start({png});
    ASSERT_TRUE(waitUntil([&] { return !r.batch.running(); }));
    EXPECT_EQ(r.messages.size(), before + 1); // only the progress message
    EXPECT_FALSE(r.messages.last().startsWith(QStringLiteral("\u2713")));
}

TEST_F(BatchExportTest, CancelStopsTheBatchAndWritesNothing)
{
    RecordedBatch r;
    QList<QStringList> pages;
    for (int i = 1; i <= 8; ++i)
        pages << QStringList{QStringLiteral("Page number %1").arg(i)};
    const QString pdf = writeTextPdf(path(QStringLiteral("long.pdf")), pages);
    const QString existing = path(QStringLiteral("keep.xlsx"));
    writeBytes(existing, "already on disk");
    r.destination = existing;

    r.batch.start({pdf});
    ASSERT_TRUE(r.batch.running());
    ASSERT_NE(r.batch.progressDialog(), nullptr);
    EXPECT_EQ(r.batch.progressDialog()->labelText(), QStringLiteral("Processing 1 / 8\u2026"));
    ASSERT_TRUE(waitUntil([&] { return r.messages.size() >= 2; })); // at least one page done
    // The dialog's Cancel button, as the user presses it.
    QPushButton* cancelButton = r.batch.progressDialog()->findChild<QPushButton*>();
    ASSERT_NE(cancelButton, nullptr);
    cancelButton->click();
    EXPECT_FALSE(r.batch.running());
    EXPECT_EQ(r.batch.progressDialog(), nullptr);
    const qsizetype messagesAtCancel = r.messages.size();

    // Pages that were in flight finish in the background; none of them may revive the batch.
    ASSERT_TRUE(waitUntil([&] { return r.batch.pagesInFlight() == 0; }));
    EXPECT_FALSE(r.batch.running());
    r.batch.start({path(QStringLiteral("missing.png"))}); // a later batch works as usual
    ASSERT_TRUE(waitUntil([&] { return r.messages.size() == messagesAtCancel + 1; }));
    EXPECT_EQ(r.messages.last(), QStringLiteral("No PDFs or images found; skipped missing.png: not found"));
    EXPECT_EQ(r.saveDialogs, 0);
    EXPECT_EQ(readAll(existing), QByteArray("already on disk"));
}
