#include "app/qt/SelfTest.h"

#include "app/qt/DesktopServices.h"
#include "app/qt/GuiSession.h"
#include "ocr/Table.h"
#include "ocr/TextRecognizer.h"
#include "sources/qt/QtImage.h"

#include <QFont>
#include <QImage>
#include <QPainter>

#include <future>
#include <ostream>
#include <string>
#include <vector>

namespace {
const std::vector<std::vector<const char*>> sample{
    {"Product", "Qty", "Price"},
    {"Keyboard", "2", "49.00"},
    {"Monitor", "1", "199.50"},
    {"Cable", "5", "8.25"},
};
} // namespace

Image SelfTest::renderTable()
{
    const int columns = static_cast<int>(sample.front().size());
    const int rows = static_cast<int>(sample.size());
    QImage canvas(200 * columns, 50 * rows, QImage::Format_RGB32);
    canvas.fill(Qt::white);
    QPainter painter(&canvas);
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(22);
    painter.setFont(font);
    painter.setPen(Qt::black);
    for (int r = 0; r < rows; ++r) {
        for (int c = 0; c < columns; ++c) {
            // The baseline sits 14 px above the bottom of the row's 50 px band (y counted from the bottom).
            const int baselineFromTop = canvas.height() - (canvas.height() - 50 * (r + 1) + 14);
            painter.drawText(200 * c + 16, baselineFromTop, QString::fromUtf8(sample[r][c]));
        }
    }
    painter.end();
    return QtImage::fromQImage(canvas);
}

int SelfTest::run(std::ostream& out)
{
    GuiSession gui;
    std::promise<void> finished;
    // The completion prints on the recognizer's thread; this thread only waits, so nothing it needs is blocked.
    desktopServices().recognizer.recognize(renderTable(), {"en-US"}, true, [&](OCRResult result) {
        out << "── Recognized " << result.runs().size() << " text runs ──\n";
        out << "\n[plainText]\n" << result.plainText() << '\n';
        if (auto markdown = tableMarkdown(result))
            out << "\n[Markdown table]\n" << *markdown << '\n';
        else
            out << "\n[Markdown table]  (none detected)\n";
        if (auto csv = tableCSV(result))
            out << "\n[CSV]\n" << *csv << '\n';
        out.flush();
        finished.set_value();
    });
    finished.get_future().wait();
    return 0;
}
