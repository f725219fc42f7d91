#pragma once

#include "capture/QtTestApp.h"
#include "support/Process.h"

#include <QByteArray>
#include <QDeadlineTimer>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFont>
#include <QImage>
#include <QPainter>
#include <QPdfWriter>
#include <QString>
#include <QStringList>

#include <gtest/gtest.h>

#include <functional>
#include <optional>

// Draws lines of large black text on white, as a scan would show them, and saves them as PNG.
inline QString writeTextImage(const QString& path, const QStringList& lines)
{
    QImage image(900, 120 + 90 * int(lines.size()), QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(48);
    painter.setFont(font);
    painter.setPen(Qt::black);
    for (int i = 0; i < lines.size(); ++i)
        painter.drawText(40, 100 + 90 * i, lines[i]);
    painter.end();
    image.save(path, "PNG");
    return path;
}

// Writes a PDF with one page per entry, each holding its lines as real text (so the page has a text layer).
inline QString writeTextPdf(const QString& path, const QList<QStringList>& pages)
{
    QPdfWriter writer(path);
    writer.setResolution(72);
    writer.setPageSize(QPageSize(QPageSize::A6));
    QPainter painter(&writer);
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(16);
    painter.setFont(font);
    for (int p = 0; p < pages.size(); ++p) {
        if (p > 0)
            writer.newPage();
        for (int i = 0; i < pages[p].size(); ++i)
            painter.drawText(20, 40 + 28 * i, pages[p][i]);
    }
    painter.end();
    return path;
}

// Makes a PNG holding only a QR code of the payload, with qrencode.
inline bool writeQrImage(const QString& path, const QString& payload)
{
    return TestSupport::run("qrencode", {"-s", "8", "-o", path.toStdString(), payload.toStdString()}).status == 0;
}

inline void writeBytes(const QString& path, const QByteArray& bytes)
{
    TestSupport::writeFile(path.toStdString(), bytes.toStdString());
}

inline QByteArray readAll(const QString& path)
{
    return QByteArray::fromStdString(TestSupport::readFile(path.toStdString()));
}

// Runs a Python script on a file with Debian's interpreter, which has the Debian modules (openpyxl); returns its
// standard output, or no value when it fails.
inline std::optional<QByteArray> runPython(const QString& script, const QString& file)
{
    const TestSupport::Outcome python =
        TestSupport::run("/usr/bin/python3", {"-c", script.toStdString(), file.toStdString()});
    return python.status == 0 ? std::optional(QByteArray::fromStdString(python.out)) : std::nullopt;
}

// Runs the event loop until the condition holds or the deadline passes; returns whether it holds. (QTest's
// QTRY macros report to QTest, not to GoogleTest, and would let a timed-out test pass.)
inline bool waitUntil(const std::function<bool()>& condition, int timeoutMs = 180000)
{
    QDeadlineTimer deadline(timeoutMs);
    while (!condition()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    }
    return true;
}

// A test with the application running and a fresh home of its own; inputs and outputs go in a folder of their
// own beside the settings and data.
class DocumentTest : public TempHomeTest
{
protected:
    void SetUp() override
    {
        TempHomeTest::SetUp();
        ASSERT_TRUE(QDir(m_dir.path()).mkdir(QStringLiteral("files")));
    }
    QString files() const { return m_dir.filePath(QStringLiteral("files")); }
    QString path(const QString& name) const { return files() + u'/' + name; }
};
