#include "demo/qt/DemoRenderer.h"

#include "app/qt/GuiSession.h"
#include "capture/HotKeyConfig.h"
#include "demo/gif/GifWriter.h"
#include "export/AtomicFile.h"
#include "sources/qt/QtImage.h"

#include <QBuffer>
#include <QFontDatabase>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

#include <cmath>
#include <memory>
#include <ostream>
#include <vector>

namespace DemoRenderer {
namespace {

using DemoScript::Box;
using DemoScript::Phase;

enum class Face
{
    Sans,
    SansBold,
    Mono,
};

// DejaVu is named by its files so the pictures come out the same on every machine, whatever fontconfig would
// substitute; the family names below are what the files register.
QFont font(Face face, int pixelSize)
{
    static const char* const files[] = {
        "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf",
        "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf",
        "/usr/share/fonts/truetype/dejavu/DejaVuSansMono.ttf",
    };
    if (!QFontDatabase::families().contains(QStringLiteral("DejaVu Sans Mono")))
        for (const char* file : files)
            QFontDatabase::addApplicationFont(QString::fromUtf8(file));
    QFont f(face == Face::Mono ? QStringLiteral("DejaVu Sans Mono") : QStringLiteral("DejaVu Sans"));
    f.setPixelSize(pixelSize);
    f.setWeight(face == Face::SansBold ? QFont::Bold : QFont::Normal);
    f.setStyleHint(face == Face::Mono ? QFont::Monospace : QFont::SansSerif);
    return f;
}

QColor white(double level, double alpha = 1.0)
{
    return QColor::fromRgbF(level, level, level, alpha);
}
QRectF rectOf(const Box& b)
{
    return {b.x, b.y, b.width, b.height};
}
QString text(const std::string& s)
{
    return QString::fromStdString(s);
}

// Spreads an alpha mask with a Gaussian of the given deviation, separably, in place.
void blurAlpha(std::vector<float>& alpha, int width, int height, double sigma)
{
    const int radius = int(std::ceil(3 * sigma));
    std::vector<float> kernel(std::size_t(2 * radius + 1));
    float sum = 0;
    for (int i = -radius; i <= radius; ++i)
        sum += kernel[std::size_t(i + radius)] = float(std::exp(-0.5 * i * i / (sigma * sigma)));
    for (float& k : kernel)
        k /= sum;
    std::vector<float> tmp(alpha.size());
    auto pass = [&](const std::vector<float>& from, std::vector<float>& to, int dx, int dy) {
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) {
                float acc = 0;
                for (int i = -radius; i <= radius; ++i) {
                    const int sx = std::clamp(x + i * dx, 0, width - 1), sy = std::clamp(y + i * dy, 0, height - 1);
                    acc +=
                        kernel[std::size_t(i + radius)] * from[std::size_t(sy) * std::size_t(width) + std::size_t(sx)];
                }
                to[std::size_t(y) * std::size_t(width) + std::size_t(x)] = acc;
            }
    };
    pass(alpha, tmp, 1, 0);
    pass(tmp, alpha, 0, 1);
}

// A soft drop shadow under a rounded rectangle: black at the given opacity, moved down by `offset`, blurred by
// `blur` points the way a desktop compositor draws window shadows.
QImage shadowOf(const QSize& canvas, const QRectF& shape, double radius, double opacity, double offset, double blur)
{
    QImage mask(canvas, QImage::Format_Grayscale8);
    mask.fill(0);
    {
        QPainter p(&mask);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(Qt::NoPen);
        p.setBrush(Qt::white);
        p.drawRoundedRect(shape.translated(0, offset), radius, radius);
    }
    std::vector<float> alpha(std::size_t(canvas.width()) * std::size_t(canvas.height()));
    for (int y = 0; y < canvas.height(); ++y)
        for (int x = 0; x < canvas.width(); ++x)
            alpha[std::size_t(y) * std::size_t(canvas.width()) + std::size_t(x)] = mask.constScanLine(y)[x] / 255.0f;
    blurAlpha(alpha, canvas.width(), canvas.height(), blur / 2);
    QImage shadow(canvas, QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < canvas.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(shadow.scanLine(y));
        for (int x = 0; x < canvas.width(); ++x) {
            const float a = alpha[std::size_t(y) * std::size_t(canvas.width()) + std::size_t(x)];
            line[x] = qRgba(0, 0, 0, int(std::lround(a * opacity * 255)));
        }
    }
    return shadow;
}

struct TableStyle
{
    QRectF area;
    double split1 = 0; // column boundaries as fractions of the width
    double split2 = 0;
    int pixelSize = 0;
    QColor header;
    QColor rule;
    QColor ink;
};

// Draws the sample invoice: a light header band, a thin line under each row, the header bold, each row's text
// vertically centred in its row.
void drawTable(QPainter& p, const TableStyle& style)
{
    const TableGrid& table = DemoScript::sampleTable();
    const QRectF& a = style.area;
    const double rowHeight = a.height() / double(table.size());
    const double edges[] = {a.left(), a.left() + a.width() * style.split1, a.left() + a.width() * style.split2,
                            a.right()};
    const double padding = 12;

    p.setPen(Qt::NoPen);
    p.setBrush(style.header);
    p.drawRect(QRectF(a.left(), a.top(), a.width(), rowHeight));
    for (std::size_t r = 0; r < table.size(); ++r) {
        const double top = a.top() + rowHeight * double(r);
        p.setFont(font(r == 0 ? Face::SansBold : Face::Sans, style.pixelSize));
        p.setPen(style.ink);
        for (std::size_t c = 0; c < table[r].size() && c < 3; ++c) {
            const QRectF cell(edges[c] + padding, top, edges[c + 1] - edges[c] - 2 * padding, rowHeight);
            p.drawText(cell, Qt::AlignLeft | Qt::AlignVCenter, text(table[r][c]));
        }
        p.fillRect(QRectF(a.left(), top + rowHeight - 1, a.width(), 1), style.rule);
    }
}

// Linux window buttons sit on the right of the title bar; a GNOME-like close button is enough to read as a window.
void drawWindowButtons(QPainter& p, const QRectF& titleBar)
{
    const QPointF centre(titleBar.right() - 22, titleBar.center().y());
    p.setPen(Qt::NoPen);
    p.setBrush(white(0.86));
    p.drawEllipse(centre, 9, 9);
    p.setPen(QPen(white(0.35), 1.6, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(centre + QPointF(-3.5, -3.5), centre + QPointF(3.5, 3.5));
    p.drawLine(centre + QPointF(-3.5, 3.5), centre + QPointF(3.5, -3.5));
    p.drawLine(QPointF(centre.x() - 52, centre.y() + 4), QPointF(centre.x() - 44, centre.y() + 4));
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRectF(centre.x() - 29, centre.y() - 4, 8, 8));
}

// Everything the frames share: the desktop, the document window and its table. Drawn once per animation.
QImage background()
{
    using namespace DemoScript;
    const QSize size(canvasWidth, canvasHeight);
    QImage image(size, QImage::Format_RGB32);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);

    QLinearGradient desktop(0, 0, 0, canvasHeight);
    desktop.setColorAt(0, QColor::fromRgbF(0.17f, 0.19f, 0.25f));
    desktop.setColorAt(1, QColor::fromRgbF(0.10f, 0.11f, 0.15f));
    p.fillRect(QRectF(0, 0, canvasWidth, canvasHeight), desktop);

    const QRectF window = rectOf(card);
    const double radius = 14;
    p.drawImage(0, 0, shadowOf(size, window, radius, 0.25, 6, 14));

    QPainterPath outline;
    outline.addRoundedRect(window, radius, radius);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawPath(outline);
    p.save();
    p.setClipPath(outline);
    const QRectF titleBar(window.left(), window.top(), window.width(), titlebarHeight);
    p.fillRect(titleBar, white(0.95));
    p.fillRect(QRectF(window.left(), titleBar.bottom() - 1, window.width(), 1), white(0.86));
    p.restore();
    p.setFont(font(Face::Sans, 13));
    p.setPen(white(0.45));
    p.drawText(titleBar, Qt::AlignCenter, QStringLiteral("invoice.pdf"));
    drawWindowButtons(p, titleBar);

    drawTable(p, {rectOf(tableRect), 0.62, 0.82, 15, white(0.94), white(0.88), white(0.13)});
    return image;
}

// A dark rounded label with light text, as the desktop draws tooltips and on-screen messages.
void drawPill(QPainter& p, const QRectF& box, double radius, const QString& label, const QFont& f, QColor fill)
{
    p.setPen(Qt::NoPen);
    p.setBrush(fill);
    p.drawRoundedRect(box, radius, radius);
    p.setFont(f);
    p.setPen(Qt::white);
    p.drawText(box, Qt::AlignCenter, label);
}

void drawHint(QPainter& p)
{
    // The default shortcut, written as everywhere else in the program.
    const std::string shortcut = HotKeyConfig::display(HotKeyConfig::defaultModifiers, HotKeyConfig::defaultLabel);
    drawPill(p, rectOf(DemoScript::hintBox), 10,
             QStringLiteral("Press %1 to grab text").arg(QString::fromStdString(shortcut)), font(Face::Sans, 13),
             QColor::fromRgbF(0.05f, 0.06f, 0.08f, 0.82f));
}

void drawCrosshair(QPainter& p, const QPointF& at)
{
    for (const auto& [colour, width] : {std::pair{QColor(0, 0, 0, 150), 3.0}, std::pair{QColor(Qt::white), 1.2}}) {
        p.setPen(QPen(colour, width, Qt::SolidLine, Qt::FlatCap));
        p.drawLine(at + QPointF(-9, 0), at + QPointF(9, 0));
        p.drawLine(at + QPointF(0, -9), at + QPointF(0, 9));
    }
}

void drawSelection(QPainter& p, double progress)
{
    using namespace DemoScript;
    const QRectF box = rectOf(selectionBox(progress));
    QPainterPath cover;
    cover.setFillRule(Qt::OddEvenFill);
    cover.addRect(0, 0, canvasWidth, canvasHeight);
    if (box.width() > 0 && box.height() > 0)
        cover.addRect(box);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor::fromRgbF(0, 0, 0, 0.32f));
    p.drawPath(cover);

    if (box.width() >= 1 && box.height() >= 1) {
        p.setPen(QPen(QColor::fromRgbF(0.04f, 0.52f, 1.0f), 2));
        p.setBrush(Qt::NoBrush);
        p.drawRect(box);
    }
    const std::string label = sizeLabel(progress);
    if (!label.empty()) {
        const QFont f = font(Face::Sans, 11);
        const double width = QFontMetricsF(f).horizontalAdvance(text(label)) + 14;
        const QRectF pill(std::max(box.left(), box.right() - width), box.bottom() + 8, width, 20);
        drawPill(p, pill, 6, text(label), f, QColor::fromRgbF(0.04f, 0.52f, 1.0f, 0.92f));
    }
    drawCrosshair(p, box.bottomRight());
}

void drawResultCard(QPainter& p, double reveal)
{
    using namespace DemoScript;
    const QRectF r(200, 142, 360, 176); // centred over the document window, sized for the six Markdown lines
    p.setPen(QPen(white(0.25), 1));
    p.setBrush(white(0.12));
    p.drawRoundedRect(r.adjusted(0.5, 0.5, -0.5, -0.5), 12, 12);
    p.setFont(font(Face::SansBold, 12));
    p.setPen(white(0.6));
    p.drawText(QRectF(r.left() + 16, r.top() + 13, r.width() - 32, 18), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("Clipboard — Markdown"));

    const std::vector<std::string> lines = markdownLines();
    p.setFont(font(Face::Mono, 13));
    for (int i = 0; i < visibleLineCount(reveal); ++i) {
        p.setPen(i == 0 ? QColor::fromRgbF(0.4f, 0.8f, 1.0f) : white(0.9));
        p.drawText(QRectF(r.left() + 16, r.top() + 40 + 20 * i, r.width() - 32, 18), Qt::AlignLeft | Qt::AlignVCenter,
                   text(lines[std::size_t(i)]));
    }
}

// The heads-up message as the capture flow shows it: 20 points of margin beside the text and 13 above and below,
// centred, about a fifth of the way up the screen.
void drawHUD(QPainter& p)
{
    using namespace DemoScript;
    const QFont f = font(Face::Sans, 14);
    const QString message = QStringLiteral("✓ Copied table");
    const QFontMetricsF metrics(f);
    const double width = std::ceil(metrics.horizontalAdvance(message)) + 40;
    const double height = std::ceil(metrics.height()) + 26;
    const QRectF box((canvasWidth - width) / 2, canvasHeight - 0.18 * canvasHeight - height, width, height);
    drawPill(p, box, 12, message, f, QColor::fromRgbF(0.11f, 0.12f, 0.14f, 0.9f));
}

QImage drawFrame(const QImage& base, Phase phase, double t)
{
    QImage image = base.copy();
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    const QRectF all(0, 0, DemoScript::canvasWidth, DemoScript::canvasHeight);
    switch (phase) {
    case Phase::Source:
        drawHint(p);
        break;
    case Phase::Drag:
        drawSelection(p, t);
        break;
    case Phase::Flash:
        // The progress fades the flash: full white as the region is grabbed, then the window shows through.
        p.fillRect(all, white(1.0, std::clamp(t, 0.0, 1.0)));
        break;
    case Phase::Result:
        p.fillRect(all, QColor::fromRgbF(0, 0, 0, 0.35f));
        drawResultCard(p, t);
        drawHUD(p);
        break;
    }
    return image;
}

} // namespace

QImage frame(Phase phase, double t)
{
    return drawFrame(background(), phase, t);
}

QImage sampleImage()
{
    QImage image(620, 480, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    const QFont title = font(Face::SansBold, 28);
    p.setFont(title);
    p.setPen(white(0.1));
    p.drawText(QRectF(40, 36, 540, QFontMetricsF(title).height()), Qt::AlignLeft | Qt::AlignTop,
               QStringLiteral("INVOICE"));
    const QFont subtitle = font(Face::Sans, 15);
    p.setFont(subtitle);
    p.setPen(white(0.4));
    p.drawText(QRectF(40, 74, 540, QFontMetricsF(subtitle).height()), Qt::AlignLeft | Qt::AlignTop,
               QStringLiteral("Pellmark · #2026-0042"));
    drawTable(p, {QRectF(40, 130, 540, 260), 0.64, 0.84, 17, white(0.92), white(0.85), white(0.13)});
    return image;
}

int run(const std::string& path, std::ostream& out, std::ostream& err)
{
    GuiSession gui;
    if (!gui.ok()) {
        err << "Ambrel: drawing the demo needs a graphical application object\n";
        return 1;
    }
    const QImage base = background();
    std::vector<GifWriter::Frame> frames;
    for (const DemoScript::Step& step : DemoScript::steps())
        frames.push_back(
            {QtImage::fromQImage(drawFrame(base, step.phase, step.t)), GifWriter::centiseconds(step.delay)});
    if (!GifWriter::write(path, frames).ok()) {
        err << "Could not create GIF at " << path << '\n';
        return 1;
    }
    out << "✓ Wrote demo GIF (" << frames.size() << " frames) to " << path << '\n';
    return 0;
}

int writeSamplePNG(const std::string& path, std::ostream& out, std::ostream& err)
{
    GuiSession gui;
    if (!gui.ok()) {
        err << "Ambrel: drawing the sample needs a graphical application object\n";
        return 1;
    }
    const QImage image = sampleImage();
    QByteArray png;
    QBuffer buffer(&png);
    if (!buffer.open(QIODevice::WriteOnly) || !image.save(&buffer, "PNG")) {
        err << "Ambrel: could not write " << path << ": PNG encoding failed\n";
        return 1;
    }
    // Written beside the target and renamed over it, so a failed write never leaves a partial PNG.
    if (const std::string error = AtomicFile::write(path, std::vector<std::uint8_t>(png.begin(), png.end()));
        !error.empty()) {
        err << "Ambrel: could not write " << path << ": " << error << '\n';
        return 1;
    }
    out << "✓ Wrote sample PNG to " << path << '\n';
    return 0;
}

} // namespace DemoRenderer
