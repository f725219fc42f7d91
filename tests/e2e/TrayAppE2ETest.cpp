// The tray application end to end: a private Xvfb, a window of known pixels, the app with fresh settings, the
// shortcut and the drag sent with xdotool and the clipboard read with xclip. Every process started here is killed
// at the end of its test, pass or fail.
#include "store/qt/HistoryFile.h"
#include "support/XSessionTest.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <functional>
#include <memory>
#include <vector>

namespace {
constexpr int deadlineMs = 20000;

QGuiApplication& drawingApp()
{
    static int argc = 1;
    static char name[] = "e2e_tests";
    static char* argv[] = {name, nullptr};
    static QGuiApplication* app = new QGuiApplication(argc, argv); // offscreen: only draws the test pictures
    return *app;
}

bool haveTools()
{
    for (const char* tool : {"Xvfb", "xdotool", "xclip", "qrencode"})
        if (QStandardPaths::findExecutable(QLatin1String(tool)).isEmpty())
            return false;
    return true;
}

// The screen content: a table, a line of prose, a QR code and an empty area, at known places.
namespace Layout {
const QRect table(30, 30, 560, 190);
const QRect prose(30, 260, 760, 60);
const QRect qr(640, 360, 250, 250);
const QRect blank(40, 420, 400, 200);
} // namespace Layout

class TrayAppE2ETest : public XSessionTest
{
protected:
    void SetUp() override
    {
        if (!haveTools())
            GTEST_SKIP() << "Xvfb, xdotool, xclip or qrencode missing";
        drawingApp();
        ASSERT_TRUE(m_dir.isValid());
        QDir(m_dir.path()).mkpath(QStringLiteral("config/Ambrel"));
        QDir(m_dir.path()).mkpath(QStringLiteral("data"));
        QDir(m_dir.path()).mkpath(QStringLiteral("run"));
        QFile::setPermissions(m_dir.filePath("run"),
                              QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    }

    // Runs a short command to its end and returns its standard output.
    QString run(const QString& program, const QStringList& arguments)
    {
        QProcess process;
        process.setProcessEnvironment(environment());
        process.start(program, arguments);
        if (!process.waitForFinished(10000)) {
            process.kill();
            process.waitForFinished();
        }
        return QString::fromUtf8(process.readAllStandardOutput());
    }

    // Draws the known content and shows it at the top-left corner of the screen.
    void showContent()
    {
        QImage image(1024, 768, QImage::Format_RGB32);
        image.fill(Qt::white);
        QPainter painter(&image);
        QFont font(QStringLiteral("DejaVu Sans"));
        font.setPixelSize(24);
        painter.setFont(font);
        painter.setPen(Qt::black);
        const char* cells[4][3] = {
            {"Item", "Qty", "Price"}, {"Apples", "12", "3.50"}, {"Pears", "7", "2.10"}, {"Plums", "30", "9.99"}};
        for (int row = 0; row < 4; ++row)
            for (int col = 0; col < 3; ++col)
                painter.drawText(Layout::table.x() + 20 + col * 190, Layout::table.y() + 40 + row * 42,
                                 QString::fromLatin1(cells[row][col]));
        painter.drawText(Layout::prose.adjusted(10, 0, 0, 0), Qt::AlignVCenter,
                         QStringLiteral("The quick brown fox jumps over the lazy dog."));
        const QString qrPath = m_dir.filePath("qr.png");
        run(QStringLiteral("qrencode"), {QStringLiteral("-o"), qrPath, QStringLiteral("-s"), QStringLiteral("6"),
                                         QStringLiteral("https://example.com/ambrel-e2e")});
        const QImage qr(qrPath);
        ASSERT_FALSE(qr.isNull());
        painter.drawImage(Layout::qr.topLeft() + QPoint(10, 10), qr);
        painter.end();
        const QString path = m_dir.filePath("screen.png");
        ASSERT_TRUE(image.save(path));
        QProcess& viewer =
            start(QStringLiteral(AMBREL_E2E_VIEWER), {path, QStringLiteral("0"), QStringLiteral("0")}, environment());
        ASSERT_TRUE(waitFor([&] { return viewer.waitForReadyRead(100) || viewer.canReadLine(); }));
    }

    void writeSettings(bool termsAccepted)
    {
        QFile file(m_dir.filePath("config/Ambrel/Ambrel.conf"));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("[General]\nplaySound=false\nreadyHintShown=true\n");
        if (termsAccepted)
            file.write("termsVersionAccepted=1\n");
    }

    QProcess& startApp() { return start(QStringLiteral(AMBREL_E2E_HOST), {}, environment()); }

    // Everything the tests need up to a running app with accepted terms.
    void startAll()
    {
        ASSERT_NO_FATAL_FAILURE(startServer());
        ASSERT_NO_FATAL_FAILURE(showContent());
        ASSERT_NO_FATAL_FAILURE(writeSettings(true));
        // A tray host, where installed, so the tray icon has somewhere to go (and shows on the screenshots).
        if (!QStandardPaths::findExecutable(QStringLiteral("trayer")).isEmpty())
            start(QStringLiteral("trayer"),
                  {QStringLiteral("--edge"), QStringLiteral("bottom"), QStringLiteral("--align"),
                   QStringLiteral("right"), QStringLiteral("--widthtype"), QStringLiteral("request"),
                   QStringLiteral("--height"), QStringLiteral("28"), QStringLiteral("--transparent"),
                   QStringLiteral("false")},
                  environment());
        startApp();
    }

    // Windows that are mapped: xdotool also finds a window between its creation and its mapping, when clicks and
    // keys still go to whatever lies below.
    QStringList windows(const QString& namePattern)
    {
        return run(QStringLiteral("xdotool"),
                   {QStringLiteral("search"), QStringLiteral("--onlyvisible"), QStringLiteral("--name"), namePattern})
            .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }

    int pickerCount() { return int(windows(QStringLiteral("^Ambrel region picker$")).size()); }

    void pressShortcut() { run(QStringLiteral("xdotool"), {QStringLiteral("key"), QStringLiteral("super+shift+2")}); }

    // Presses the shortcut until the pickers appear: right after start the grab may not be in place yet.
    bool openPicker()
    {
        return waitFor([&] {
            pressShortcut();
            return waitFor([&] { return pickerCount() > 0; }, 1000);
        });
    }

    // Presses Escape until the pickers are gone. A picker takes the keyboard at its first paint, which can come
    // after xdotool already finds its window: an Escape sent in between goes elsewhere.
    bool cancelPicker()
    {
        return waitFor([&] {
            run(QStringLiteral("xdotool"), {QStringLiteral("key"), QStringLiteral("Escape")});
            return waitFor([&] { return pickerCount() == 0; }, 1000);
        });
    }

    void drag(QPoint from, QPoint to)
    {
        const QPoint middle = (from + to) / 2;
        run(QStringLiteral("xdotool"),
            {QStringLiteral("mousemove"), QString::number(from.x()), QString::number(from.y()),
             QStringLiteral("mousedown"), QStringLiteral("1"), QStringLiteral("mousemove"), QString::number(middle.x()),
             QString::number(middle.y()), QStringLiteral("mousemove"), QString::number(to.x()), QString::number(to.y()),
             QStringLiteral("mouseup"), QStringLiteral("1")});
    }

    QString clipboard()
    {
        return run(QStringLiteral("xclip"),
                   {QStringLiteral("-o"), QStringLiteral("-selection"), QStringLiteral("clipboard")});
    }

    // The clipboard in one flavour ("TARGETS" lists the flavours on offer), as a pasting program asks for it.
    QString clipboard(const QString& target)
    {
        return run(QStringLiteral("xclip"), {QStringLiteral("-o"), QStringLiteral("-selection"),
                                             QStringLiteral("clipboard"), QStringLiteral("-t"), target});
    }

    // Owns the clipboard with `text` through xclip, which stays in the foreground until it loses it.
    void setClipboard(const QString& text)
    {
        QProcess& xclip =
            start(QStringLiteral("xclip"),
                  {QStringLiteral("-quiet"), QStringLiteral("-selection"), QStringLiteral("clipboard")}, environment());
        ASSERT_TRUE(xclip.waitForStarted());
        xclip.write(text.toUtf8());
        xclip.waitForBytesWritten(); // no event loop runs here to write it later
        xclip.closeWriteChannel();
        ASSERT_TRUE(waitFor([&] { return clipboard() == text; }));
    }

    // Saves what a capture put on the clipboard where AMBREL_E2E_SHOTS names a folder, for a person to paste.
    void keep(const QString& name, const QByteArray& bytes)
    {
        const QString folder = qEnvironmentVariable("AMBREL_E2E_SHOTS");
        QFile file(folder + QLatin1Char('/') + name);
        if (!folder.isEmpty() && file.open(QIODevice::WriteOnly))
            file.write(bytes);
    }

    // Saves a picture of the whole screen where AMBREL_E2E_SHOTS names a folder, for a person to look at.
    void screenshot(const QString& name)
    {
        const QString folder = qEnvironmentVariable("AMBREL_E2E_SHOTS");
        if (!folder.isEmpty())
            run(QStringLiteral("import"), {QStringLiteral("-window"), QStringLiteral("root"),
                                           folder + QLatin1Char('/') + name + QStringLiteral(".png")});
    }
};
} // namespace

TEST_F(TrayAppE2ETest, TableRegionGivesMarkdownTableAndHistoryEntry)
{
    ASSERT_NO_FATAL_FAILURE(startAll());
    ASSERT_TRUE(openPicker());
    EXPECT_EQ(pickerCount(), 1);
    const QPoint from = Layout::table.topLeft(), to = Layout::table.bottomRight();
    run(QStringLiteral("xdotool"),
        {QStringLiteral("mousemove"), QString::number(from.x()), QString::number(from.y()), QStringLiteral("mousedown"),
         QStringLiteral("1"), QStringLiteral("mousemove"), QString::number(to.x()), QString::number(to.y())});
    screenshot(QStringLiteral("picker"));
    run(QStringLiteral("xdotool"), {QStringLiteral("mouseup"), QStringLiteral("1")});

    ASSERT_TRUE(waitFor([&] { return clipboard().startsWith(QLatin1Char('|')); })) << clipboard().toStdString();
    const QString text = clipboard();
    EXPECT_TRUE(text.contains(QStringLiteral("Item"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("| Apples | 12 | 3.50 |"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("| Plums | 30 | 9.99 |"))) << text.toStdString();
    // Beside the text, the cells as HTML, which spreadsheets paste as cells.
    const QStringList targets = clipboard(QStringLiteral("TARGETS")).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    EXPECT_TRUE(targets.contains(QStringLiteral("text/html"))) << targets.join(u' ').toStdString();
    EXPECT_TRUE(targets.contains(QStringLiteral("UTF8_STRING"))) << targets.join(u' ').toStdString();
    const QString html = clipboard(QStringLiteral("text/html"));
    EXPECT_TRUE(html.contains(QStringLiteral("<tr><td>Apples</td><td>12</td><td>3.50</td></tr>")))
        << html.toStdString();
    EXPECT_TRUE(html.contains(QStringLiteral("<th>Item</th>"))) << html.toStdString();
    keep(QStringLiteral("table.html"), html.toUtf8());
    EXPECT_TRUE(waitFor([&] { return !windows(QStringLiteral("^✓ Copied table$")).isEmpty(); }));
    screenshot(QStringLiteral("hud"));
    EXPECT_EQ(pickerCount(), 0);

    const QString historyPath = m_dir.filePath("data/Ambrel/history.json");
    ASSERT_TRUE(waitFor([&] { return QFile::exists(historyPath); }));
    QFile file(historyPath);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const HistoryFile::Read read = HistoryFile::decode(file.readAll());
    ASSERT_TRUE(read.whole);
    const auto* items = &read.items;
    ASSERT_EQ(items->size(), 1u);
    EXPECT_TRUE(items->front().isTable);
    EXPECT_EQ(QString::fromStdString(items->front().text), text.trimmed());
    struct stat info = {};
    ASSERT_EQ(::stat(qPrintable(historyPath), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
}

TEST_F(TrayAppE2ETest, ProseAndQRCode)
{
    ASSERT_NO_FATAL_FAILURE(startAll());
    ASSERT_TRUE(openPicker());
    drag(Layout::prose.topLeft(), Layout::prose.bottomRight());
    ASSERT_TRUE(waitFor([&] { return clipboard().contains(QStringLiteral("lazy dog")); })) << clipboard().toStdString();
    EXPECT_TRUE(waitFor([&] { return !windows(QStringLiteral("^✓ Copied text$")).isEmpty(); }));
    // Plain text is offered as text only: no HTML that a rich editor would paste as a formatted block.
    const QStringList targets = clipboard(QStringLiteral("TARGETS")).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    EXPECT_TRUE(targets.contains(QStringLiteral("UTF8_STRING"))) << targets.join(u' ').toStdString();
    EXPECT_FALSE(targets.contains(QStringLiteral("text/html"))) << targets.join(u' ').toStdString();

    ASSERT_TRUE(openPicker());
    drag(Layout::qr.topLeft(), Layout::qr.bottomRight());
    ASSERT_TRUE(waitFor([&] { return clipboard() == QStringLiteral("https://example.com/ambrel-e2e"); }))
        << clipboard().toStdString();
    EXPECT_TRUE(waitFor([&] { return !windows(QStringLiteral("^✓ Copied QR/barcode$")).isEmpty(); }));
}

TEST_F(TrayAppE2ETest, DocumentShortcutOpensTheDocumentWindow)
{
    ASSERT_NO_FATAL_FAILURE(startAll());
    // Right after start the grab may not be in place yet: press until the window is there.
    EXPECT_TRUE(waitFor([&] {
        run(QStringLiteral("xdotool"), {QStringLiteral("key"), QStringLiteral("ctrl+shift+o")});
        return waitFor([&] { return !windows(QStringLiteral("^OCR a Document$")).isEmpty(); }, 1000);
    }));
    screenshot(QStringLiteral("document"));
}

TEST_F(TrayAppE2ETest, BlankRegionKeepsThePreviousClipboard)
{
    ASSERT_NO_FATAL_FAILURE(startAll());
    ASSERT_NO_FATAL_FAILURE(setClipboard(QStringLiteral("previous")));
    ASSERT_TRUE(openPicker());
    drag(Layout::blank.topLeft(), Layout::blank.bottomRight());
    ASSERT_TRUE(waitFor([&] { return !windows(QStringLiteral("^No text found$")).isEmpty(); }));
    EXPECT_EQ(clipboard(), QStringLiteral("previous"));
    EXPECT_FALSE(QFile::exists(m_dir.filePath("data/Ambrel/history.json")));
}

TEST_F(TrayAppE2ETest, EscapeAndPlainClickCancel)
{
    ASSERT_NO_FATAL_FAILURE(startAll());
    ASSERT_NO_FATAL_FAILURE(setClipboard(QStringLiteral("kept")));
    ASSERT_TRUE(openPicker());
    ASSERT_TRUE(cancelPicker());

    ASSERT_TRUE(openPicker());
    run(QStringLiteral("xdotool"), {QStringLiteral("mousemove"), QStringLiteral("100"), QStringLiteral("100"),
                                    QStringLiteral("click"), QStringLiteral("1")});
    ASSERT_TRUE(waitFor([&] { return pickerCount() == 0; }));

    // Cancelling left the app ready for the next capture, and nothing was copied or said.
    ASSERT_TRUE(openPicker());
    ASSERT_TRUE(cancelPicker());
    EXPECT_EQ(clipboard(), QStringLiteral("kept"));
    EXPECT_TRUE(windows(QStringLiteral("^(✓ .*|No text found)$")).isEmpty());
}

TEST_F(TrayAppE2ETest, SecondPressDuringSelectionOpensNothingNew)
{
    ASSERT_NO_FATAL_FAILURE(startAll());
    ASSERT_TRUE(openPicker());
    const QStringList first = windows(QStringLiteral("^Ambrel region picker$"));
    ASSERT_EQ(first.size(), 1);
    pressShortcut();
    pressShortcut();
    // X delivers events in order: once an Escape has closed the picker, both presses were handled before it.
    ASSERT_TRUE(cancelPicker());
    EXPECT_EQ(pickerCount(), 0);
}

TEST_F(TrayAppE2ETest, SecondStartBringsTheRunningOneForwardAndExits)
{
    ASSERT_NO_FATAL_FAILURE(startAll());
    ASSERT_TRUE(openPicker()); // the first one runs and holds the shortcut
    ASSERT_TRUE(cancelPicker());

    QProcess& second = startApp();
    ASSERT_TRUE(second.waitForFinished(deadlineMs));
    EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second.exitCode(), 0);
    // One line where it was typed, so a start from a terminal is not met with silence.
    EXPECT_EQ(QString::fromUtf8(second.readAllStandardOutput()),
              QStringLiteral("Ambrel is already running; brought it forward\n"));
    EXPECT_TRUE(waitFor([&] { return !windows(QStringLiteral("^Welcome to Ambrel$")).isEmpty(); }));
    screenshot(QStringLiteral("guide"));
}

TEST_F(TrayAppE2ETest, WithoutATrayTheFirstStartSaysHowToReachIt)
{
    ASSERT_NO_FATAL_FAILURE(startServer()); // and no tray host
    {
        QFile file(m_dir.filePath("config/Ambrel/Ambrel.conf"));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("[General]\nplaySound=false\ntermsVersionAccepted=1\n");
    }
    QProcess& app = startApp();
    ASSERT_TRUE(waitFor([&] { return !windows(QStringLiteral("^Ambrel is running$")).isEmpty(); }));
    screenshot(QStringLiteral("no-tray-hint"));
    // It closes with Escape like every window of the program, and the program runs on.
    EXPECT_TRUE(waitFor([&] {
        run(QStringLiteral("xdotool"), {QStringLiteral("key"), QStringLiteral("Escape")});
        return waitFor([&] { return windows(QStringLiteral("^Ambrel is running$")).isEmpty(); }, 500);
    }));
    EXPECT_FALSE(app.waitForFinished(300));

    // Said once: the next start of the program does not show it again.
    app.kill();
    app.waitForFinished();
    startApp();
    ASSERT_TRUE(openPicker());
    EXPECT_TRUE(windows(QStringLiteral("^Ambrel is running$")).isEmpty());
}

TEST_F(TrayAppE2ETest, FirstRunWaitsForTheTerms)
{
    ASSERT_NO_FATAL_FAILURE(startServer());
    ASSERT_NO_FATAL_FAILURE(writeSettings(false));
    QProcess& app = startApp();
    ASSERT_TRUE(waitFor([&] { return !windows(QStringLiteral("^Welcome to Ambrel$")).isEmpty(); }))
        << "app " << (app.waitForFinished(0) ? "ended" : "runs") << ", status " << app.exitCode() << ": "
        << app.readAllStandardError().toStdString() << app.readAllStandardOutput().toStdString()
        << run(QStringLiteral("xdotool"), {QStringLiteral("search"), QStringLiteral("--name"), QStringLiteral(".")})
               .toStdString();
    pressShortcut();
    // Escape declines the terms: the app quits, and no picker ever opened. The window may not have the focus at
    // once, so Escape is pressed until the app is gone.
    EXPECT_TRUE(waitFor([&] {
        run(QStringLiteral("xdotool"), {QStringLiteral("key"), QStringLiteral("Escape")});
        return app.waitForFinished(500);
    }));
    EXPECT_EQ(app.exitCode(), 0);
    EXPECT_EQ(pickerCount(), 0);
}

// Regression: X leaves the fourth byte of each pixel as the client drew it, and programs that are not Qt (here
// ImageMagick's viewer) leave it 0. Read as alpha, that made every capture over such a window blank.
TEST_F(TrayAppE2ETest, WindowsOfOtherToolkitsAreRead)
{
    if (QStandardPaths::findExecutable(QStringLiteral("display")).isEmpty())
        GTEST_SKIP() << "ImageMagick's display is not installed";
    ASSERT_NO_FATAL_FAILURE(startServer());
    ASSERT_NO_FATAL_FAILURE(writeSettings(true));
    QImage image(600, 200, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(22);
    painter.setFont(font);
    const char* cells[3][2] = {{"Colour", "Code"}, {"Amber", "A7"}, {"Teal", "T3"}};
    for (int row = 0; row < 3; ++row)
        for (int col = 0; col < 2; ++col)
            painter.drawText(20 + col * 300, 50 + row * 55, QString::fromLatin1(cells[row][col]));
    painter.end();
    const QString path = m_dir.filePath("other.png");
    ASSERT_TRUE(image.save(path));
    start(QStringLiteral("display"),
          {QStringLiteral("-geometry"), QStringLiteral("+0+0"), QStringLiteral("-borderwidth"), QStringLiteral("0"),
           path},
          environment());
    ASSERT_TRUE(waitFor([&] { return !windows(QStringLiteral("^ImageMagick")).isEmpty(); }));
    startApp();
    ASSERT_TRUE(openPicker());
    drag(QPoint(5, 5), QPoint(590, 190));
    ASSERT_TRUE(waitFor([&] { return clipboard().startsWith(QLatin1Char('|')); })) << clipboard().toStdString();
    EXPECT_TRUE(clipboard().contains(QStringLiteral("| Amber | A7 |"))) << clipboard().toStdString();
}
