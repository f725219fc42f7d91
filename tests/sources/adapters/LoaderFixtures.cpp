#include "LoaderFixtures.h"

#include <QPageSize>
#include <QPdfWriter>

#include <cstdio>

namespace LoaderFixtures {

void writePdf(const std::string& path, const std::vector<PageDrawing>& pages, QSizeF pointSize)
{
    Drawn::ensureApplication(); // fonts and QPdfWriter need a QGuiApplication
    QPdfWriter writer(QString::fromStdString(path));
    writer.setResolution(72);
    writer.setPageSize(QPageSize(pointSize, QPageSize::Point, {}, QPageSize::ExactMatch));
    writer.setPageMargins(QMarginsF(0, 0, 0, 0));
    QPainter painter(&writer);
    painter.setFont(Drawn::font(12));
    for (std::size_t i = 0; i < pages.size(); ++i) {
        if (i > 0)
            writer.newPage();
        pages[i](painter);
    }
}

void writeHandPdf(const std::string& path, const std::vector<HandPage>& pages, const std::string& trailerExtra,
                  const std::string& extraObject)
{
    // Objects: 1 catalog, 2 page tree, 3 font, then a page and its content per page, then the extra object.
    std::vector<std::string> objects;
    std::string kids;
    for (std::size_t i = 0; i < pages.size(); ++i)
        kids += std::to_string(4 + 2 * i) + " 0 R ";
    objects.push_back("<< /Type /Catalog /Pages 2 0 R >>");
    objects.push_back("<< /Type /Pages /Kids [" + kids + "] /Count " + std::to_string(pages.size()) + " >>");
    objects.push_back("<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>");
    for (std::size_t i = 0; i < pages.size(); ++i) {
        objects.push_back("<< /Type /Page /Parent 2 0 R /MediaBox [" + pages[i].mediaBox
                          + "] /Resources << /Font << /F1 3 0 R >> >> /Contents " + std::to_string(5 + 2 * i)
                          + " 0 R >>");
        objects.push_back("<< /Length " + std::to_string(pages[i].content.size()) + " >>\nstream\n" + pages[i].content
                          + "\nendstream");
    }
    if (!extraObject.empty())
        objects.push_back(extraObject);

    std::string pdf = "%PDF-1.4\n";
    std::vector<std::size_t> offsets;
    for (std::size_t i = 0; i < objects.size(); ++i) {
        offsets.push_back(pdf.size());
        pdf += std::to_string(i + 1) + " 0 obj\n" + objects[i] + "\nendobj\n";
    }
    const std::size_t xref = pdf.size();
    pdf += "xref\n0 " + std::to_string(objects.size() + 1) + "\n0000000000 65535 f \n";
    for (std::size_t offset : offsets) {
        char entry[32];
        std::snprintf(entry, sizeof entry, "%010zu 00000 n \n", offset);
        pdf += entry;
    }
    pdf += "trailer\n<< /Size " + std::to_string(objects.size() + 1) + " /Root 1 0 R " + trailerExtra
           + " >>\nstartxref\n" + std::to_string(xref) + "\n%%EOF\n";
    writeFile(path, pdf);
}

void drawRuledTable(QPainter& painter, const QRectF& area, const TableGrid& rows)
{
    const int nRows = static_cast<int>(rows.size());
    const int nCols = static_cast<int>(rows.front().size());
    const double w = area.width() / nCols;
    const double h = area.height() / nRows;
    painter.setPen(QPen(Qt::black, 1.5));
    for (int c = 0; c <= nCols; ++c)
        painter.drawLine(QPointF(area.left() + c * w, area.top()), QPointF(area.left() + c * w, area.bottom()));
    for (int r = 0; r <= nRows; ++r)
        painter.drawLine(QPointF(area.left(), area.top() + r * h), QPointF(area.right(), area.top() + r * h));
    for (int r = 0; r < nRows; ++r)
        for (int c = 0; c < nCols; ++c)
            painter.drawText(QRectF(area.left() + c * w + 6, area.top() + r * h, w - 12, h),
                             Qt::AlignVCenter | Qt::AlignLeft, QString::fromStdString(rows[r][c]));
}
} // namespace LoaderFixtures
