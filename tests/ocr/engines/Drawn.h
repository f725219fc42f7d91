#pragma once

#include "sources/Image.h"
#include "sources/qt/QtImage.h"

#include <QFont>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <string>
#include <vector>

// Inputs for the engine tests, drawn with QPainter the way a screen or the self test draws them.
namespace Drawn {
// Fonts need a QGuiApplication; the tests have no main of their own, so the first drawing creates it (on the
// offscreen platform that TestEnvironment.cpp sets).
inline void ensureApplication()
{
    if (QGuiApplication::instance() != nullptr)
        return;
    static int argc = 1;
    static char name[] = "engine_tests";
    static char* argv[] = {name, nullptr};
    static QGuiApplication application(argc, argv);
}

inline QFont font(int pixelSize, const char* family = "DejaVu Sans")
{
    ensureApplication();
    QFont f(family);
    f.setPixelSize(pixelSize);
    return f;
}

// One piece of text to draw: its left edge and baseline in pixels, origin top-left.
struct Text
{
    std::string text;
    int x = 0;
    int baseline = 0;
};

// Returns the rectangle a drawn text occupies, as the recognizer reports boxes: origin bottom-left.
inline QRectF boxOf(const Text& text, const QFont& f, int imageHeight)
{
    const QFontMetricsF metrics(f);
    const QRectF tight = metrics.tightBoundingRect(QString::fromStdString(text.text));
    const QRectF drawn = tight.translated(text.x, text.baseline);
    return QRectF(drawn.left(), imageHeight - drawn.bottom(), drawn.width(), drawn.height());
}

inline QImage canvas(int width, int height, bool dark)
{
    ensureApplication();
    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    image.fill(dark ? QColor(30, 30, 30) : QColor(Qt::white));
    return image;
}

inline void draw(QImage& image, const std::vector<Text>& texts, const QFont& f, bool dark)
{
    QPainter painter(&image);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.setFont(f);
    painter.setPen(dark ? QColor(220, 220, 220) : QColor(Qt::black));
    for (const Text& text : texts)
        painter.drawText(text.x, text.baseline, QString::fromStdString(text.text));
}

// The self test's sample: a 600 × 200 table of 4 rows × 3 columns in DejaVu Sans 22 px.
inline std::vector<Text> tableCells()
{
    const std::vector<std::vector<std::string>> rows = {
        {"Product", "Qty", "Price"}, {"Keyboard", "2", "49.00"}, {"Monitor", "1", "199.50"}, {"Cable", "5", "8.25"}};
    const int columns[] = {30, 300, 430};
    std::vector<Text> cells;
    for (std::size_t r = 0; r < rows.size(); ++r)
        for (std::size_t c = 0; c < 3; ++c)
            cells.push_back(Text{rows[r][c], columns[c], 40 + static_cast<int>(r) * 45});
    return cells;
}

inline QImage table()
{
    QImage image = canvas(600, 200, false);
    draw(image, tableCells(), font(22), false);
    return image;
}

// Lines of screen-like text (menus, prose, numbers, code), one a line, at the given pixel size.
inline QImage screenText(const std::vector<std::string>& lines, int pixelSize, bool dark,
                         const char* family = "DejaVu Sans")
{
    const QFont f = font(pixelSize, family);
    const QFontMetrics metrics(f);
    int width = 0;
    for (const std::string& line : lines)
        width = std::max(width, metrics.horizontalAdvance(QString::fromStdString(line)));
    const int lineHeight = metrics.lineSpacing() + pixelSize / 3;
    // A tight crop, as a user drags it: a few pixels of ground around the text.
    QImage image = canvas(width + 8, lineHeight * static_cast<int>(lines.size()) + 6, dark);
    std::vector<Text> texts;
    for (std::size_t i = 0; i < lines.size(); ++i)
        texts.push_back(Text{lines[i], 4, 3 + metrics.ascent() + static_cast<int>(i) * lineHeight});
    draw(image, texts, f, dark);
    return image;
}
} // namespace Drawn
