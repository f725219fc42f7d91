// The tray application end to end: a private Xvfb, a window of known pixels, the app with fresh settings, the
// shortcut and the drag sent with xdotool and the clipboard read with xclip. Every process started here is killed
// at the end of its test, pass or fail.
#include "Missing.h"
#include "ocr/engines/Drawn.h"
#include "store/qt/HistoryFile.h"
#include "support/XSessionTest.h"

#include <QFile>
#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {
constexpr int deadlineMs = 20000;
const QString shortcut = QStringLiteral("super+shift+2");

// The screen content: a table, a line of prose and a QR code, at known places.
namespace Layout {
const QRect table(30, 30, 560, 190);
const QRect prose(30, 260, 760, 60);
const QRect qr(640, 360, 250, 250);
} // namespace Layout

// Draws rows of cells in DejaVu Sans of `pixels`, the first at (x, y), columns and rows `step` apart.
void drawCells(QPainter& painter, const std::vector<std::vector<const char*>>& cells, QPoint at, QSize step, int pixels)
{
    painter.setFont(Drawn::font(pixels));
    painter.setPen(Qt::black);
    for (std::size_t row = 0; row < cells.size(); ++row)
        for (std::size_t col = 0; col < cells[row].size(); ++col)
            painter.drawText(at + QPoint(int(col) * step.width(), int(row) * step.height()),
                             QString::fromLatin1(cells[row][col]));
}

class TrayAppE2ETest : public XSessionTest
{
protected:
    void SetUp() override
    {
        AMBREL_NEEDS(haveTools({"Xvfb", "xdotool", "xclip", "qrencode"}), "Xvfb, xdotool, xclip or qrencode missing");
        Drawn::ensureApplication(); // offscreen: only draws the pictures
        ASSERT_NO_FATAL_FAILURE(prepareHome("playSound=false\nreadyHintShown=true\ntermsVersionAccepted=1\n"));
        ASSERT_NO_FATAL_FAILURE(startServer());
    }

    // The known content on the screen, a tray host for the icon, and the app.
    void startAll()
    {
        QImage image(1024, 768, QImage::Format_RGB32);
        image.fill(Qt::white);
        QPainter painter(&image);
        drawCells(painter,
                  {{"Item", "Qty", "Price"}, {"Apples", "12", "3.50"}, {"Pears", "7", "2.10"}, {"Plums", "30", "9.99"}},
                  Layout::table.topLeft() + QPoint(20, 40), QSize(190, 42), 24);
        painter.drawText(Layout::prose.adjusted(10, 0, 0, 0), Qt::AlignVCenter,
                         QStringLiteral("The quick brown fox jumps over the lazy dog."));
        const QString qrPath = m_dir.filePath("qr.png");
        run(QStringLiteral("qrencode"), {QStringLiteral("-s"), QStringLiteral("6"), QStringLiteral("-o"), qrPath,
                                         QStringLiteral("https://example.com/ambrel-e2e")});
        const QImage qr(qrPath);
        ASSERT_FALSE(qr.isNull());
        painter.drawImage(Layout::qr.topLeft() + QPoint(10, 10), qr);
        painter.end();
        // Shown at the top-left corner of the screen.
        const QString path = m_dir.filePath("screen.png");
        ASSERT_TRUE(image.save(path));
        QProcess& viewer =
            start(QStringLiteral(AMBREL_E2E_VIEWER), {path, QStringLiteral("0"), QStringLiteral("0")}, environment());
        ASSERT_TRUE(waitFor([&] { return viewer.waitForReadyRead(100) || viewer.canReadLine(); }));
        if (haveTools({"trayer"}))
            start(QStringLiteral("trayer"),
                  QStringLiteral("--edge bottom --align right --widthtype request").split(u' '), environment());
        startApp();
    }

    QProcess& startApp() { return start(QStringLiteral(AMBREL_E2E_HOST), {}, environment()); }

    int pickerCount() { return int(windows(QStringLiteral("^Ambrel region picker$")).size()); }

    bool shown(const QString& namePattern)
    {
        return waitFor([&] { return !windows(namePattern).isEmpty(); });
    }

    // Sends keys or mouse actions, as xdotool's words separated by spaces.
    void xdotool(const QString& words) { run(QStringLiteral("xdotool"), words.split(QLatin1Char(' '))); }

    void key(const QString& keys) { xdotool(QStringLiteral("key ") + keys); }

    // Presses `keys` until `done` holds. Right after start the grab may not be in place yet, and a window takes
    // the keyboard at its first paint, which can come after xdotool already finds it: a key sent in between goes
    // elsewhere.
    bool pressUntil(const QString& keys, const std::function<bool()>& done)
    {
        return waitFor([&] {
            key(keys);
            return waitFor(done, 1000);
        });
    }

    bool openPicker()
    {
        return pressUntil(shortcut, [&] { return pickerCount() > 0; });
    }

    void drag(QPoint from, QPoint to)
    {
        const QPoint middle = (from + to) / 2;
        xdotool(QString::asprintf("mousemove %d %d mousedown 1 mousemove %d %d mousemove %d %d mouseup 1", from.x(),
                                  from.y(), middle.x(), middle.y(), to.x(), to.y()));
    }

    // The clipboard in one flavour ("TARGETS" lists the flavours on offer), as a pasting program asks for it.
    QString clipboard(const QString& target = QStringLiteral("UTF8_STRING"))
    {
        return run(QStringLiteral("xclip"), {QStringLiteral("-o"), QStringLiteral("-selection"),
                                             QStringLiteral("clipboard"), QStringLiteral("-t"), target});
    }
};
} // namespace

TEST_F(TrayAppE2ETest, TableProseAndQRCodeRegionsReachTheClipboardAndTheTableTheHistory)
{
    ASSERT_NO_FATAL_FAILURE(startAll());
    ASSERT_TRUE(openPicker());
    EXPECT_EQ(pickerCount(), 1);
    drag(Layout::table.topLeft(), Layout::table.bottomRight());

    ASSERT_TRUE(waitFor([&] { return clipboard().startsWith(QLatin1Char('|')); })) << clipboard().toStdString();
    const QString text = clipboard();
    EXPECT_TRUE(text.contains(QStringLiteral("| Apples | 12 | 3.50 |"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("| Plums | 30 | 9.99 |"))) << text.toStdString();
    // Beside the text, the cells as HTML, which spreadsheets paste as cells.
    const QString html = clipboard(QStringLiteral("text/html"));
    EXPECT_TRUE(html.contains(QStringLiteral("<tr><td>Apples</td><td>12</td><td>3.50</td></tr>")))
        << html.toStdString();
    EXPECT_TRUE(shown(QStringLiteral("^✓ Copied table$")));
    EXPECT_EQ(pickerCount(), 0);

    const QString historyPath = m_dir.filePath("data/Ambrel/history.json");
    ASSERT_TRUE(waitFor([&] { return QFile::exists(historyPath); }));
    QFile file(historyPath);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const HistoryFile::Read read = HistoryFile::decode(file.readAll());
    ASSERT_TRUE(read.whole);
    ASSERT_EQ(read.items.size(), 1u);
    EXPECT_TRUE(read.items.front().isTable);
    EXPECT_EQ(QString::fromStdString(read.items.front().text), text.trimmed());
    struct stat info = {};
    ASSERT_EQ(::stat(qPrintable(historyPath), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);

    ASSERT_TRUE(openPicker());
    drag(Layout::prose.topLeft(), Layout::prose.bottomRight());
    ASSERT_TRUE(waitFor([&] { return clipboard().contains(QStringLiteral("lazy dog")); })) << clipboard().toStdString();
    EXPECT_TRUE(shown(QStringLiteral("^✓ Copied text$")));
    // Plain text is offered as text only: no HTML that a rich editor would paste as a formatted block.
    const QString targets = clipboard(QStringLiteral("TARGETS"));
    EXPECT_TRUE(targets.contains(QStringLiteral("UTF8_STRING"))) << targets.toStdString();
    EXPECT_FALSE(targets.contains(QStringLiteral("text/html"))) << targets.toStdString();

    ASSERT_TRUE(openPicker());
    drag(Layout::qr.topLeft(), Layout::qr.bottomRight());
    ASSERT_TRUE(waitFor([&] { return clipboard() == QStringLiteral("https://example.com/ambrel-e2e"); }))
        << clipboard().toStdString();
    EXPECT_TRUE(shown(QStringLiteral("^✓ Copied QR/barcode$")));
}

TEST_F(TrayAppE2ETest, DocumentShortcutOpensTheDocumentWindow)
{
    ASSERT_NO_FATAL_FAILURE(startAll());
    EXPECT_TRUE(pressUntil(QStringLiteral("ctrl+shift+o"),
                           [&] { return !windows(QStringLiteral("^OCR a Document$")).isEmpty(); }));
}

TEST_F(TrayAppE2ETest, SecondStartBringsTheRunningOneForwardAndExits)
{
    ASSERT_NO_FATAL_FAILURE(startAll());
    ASSERT_TRUE(openPicker()); // the first one runs and holds the shortcut
    key(shortcut);
    // X delivers events in order: once an Escape has closed the picker, the second press was handled before it.
    ASSERT_TRUE(pressUntil(QStringLiteral("Escape"), [&] { return pickerCount() == 0; }));
    EXPECT_EQ(pickerCount(), 0);

    QProcess& second = startApp();
    ASSERT_TRUE(second.waitForFinished(deadlineMs));
    EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second.exitCode(), 0);
    // One line where it was typed, so a start from a terminal is not met with silence.
    EXPECT_EQ(QString::fromUtf8(second.readAllStandardOutput()),
              QStringLiteral("Ambrel is already running; brought it forward\n"));
    EXPECT_TRUE(shown(QStringLiteral("^Welcome to Ambrel$")));
}

TEST_F(TrayAppE2ETest, WithoutATrayTheFirstStartSaysHowToReachIt)
{
    ASSERT_NO_FATAL_FAILURE(prepareHome("playSound=false\ntermsVersionAccepted=1\n")); // and no tray host
    QProcess& app = startApp();
    ASSERT_TRUE(shown(QStringLiteral("^Ambrel is running$")));
    // It closes with Escape like every window of the program, and the program runs on.
    EXPECT_TRUE(
        pressUntil(QStringLiteral("Escape"), [&] { return windows(QStringLiteral("^Ambrel is running$")).isEmpty(); }));
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
    ASSERT_NO_FATAL_FAILURE(prepareHome("playSound=false\nreadyHintShown=true\n"));
    QProcess& app = startApp();
    ASSERT_TRUE(shown(QStringLiteral("^Welcome to Ambrel$")))
        << "app " << (app.waitForFinished(0) ? "ended" : "runs") << ", status " << app.exitCode() << ": "
        << app.readAllStandardError().toStdString() << app.readAllStandardOutput().toStdString()
        << run(QStringLiteral("xdotool"), {QStringLiteral("search"), QStringLiteral("--name"), QStringLiteral(".")})
               .toStdString();
    key(shortcut);
    // Escape declines the terms: the app quits, and no picker ever opened.
    EXPECT_TRUE(pressUntil(QStringLiteral("Escape"),
                           [&] { return app.waitForFinished(100) || app.state() == QProcess::NotRunning; }));
    EXPECT_EQ(app.exitCode(), 0);
    EXPECT_EQ(pickerCount(), 0);
}

// Regression: X leaves the fourth byte of each pixel as the client drew it, and programs that are not Qt (here
// ImageMagick's viewer) leave it 0. Read as alpha, that made every capture over such a window blank.
TEST_F(TrayAppE2ETest, WindowsOfOtherToolkitsAreRead)
{
    AMBREL_NEEDS(haveTools({"display"}), "ImageMagick's display is not installed");
    QImage image(600, 200, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    drawCells(painter, {{"Colour", "Code"}, {"Amber", "A7"}, {"Teal", "T3"}}, QPoint(20, 50), QSize(300, 55), 22);
    painter.end();
    const QString path = m_dir.filePath("other.png");
    ASSERT_TRUE(image.save(path));
    start(QStringLiteral("display"),
          {QStringLiteral("-geometry"), QStringLiteral("+0+0"), QStringLiteral("-borderwidth"), QStringLiteral("0"),
           path},
          environment());
    ASSERT_TRUE(shown(QStringLiteral("^ImageMagick")));
    startApp();
    ASSERT_TRUE(openPicker());
    drag(QPoint(5, 5), QPoint(590, 190));
    ASSERT_TRUE(waitFor([&] { return clipboard().startsWith(QLatin1Char('|')); })) << clipboard().toStdString();
    EXPECT_TRUE(clipboard().contains(QStringLiteral("| Amber | A7 |"))) << clipboard().toStdString();
}
