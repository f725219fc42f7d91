#pragma once

#include "ocr/TableGrid.h"
#include "ocr/engines/Drawn.h"
#include "support/Process.h"

#include <QPainter>
#include <QSizeF>
#include <QTemporaryDir>

#include <functional>
#include <string>
#include <vector>

// Inputs for the loader tests, made on the spot: PDFs drawn with QPdfWriter, hand-written PDFs for geometry that
// QPdfWriter cannot produce (offset media boxes, empty pages, encryption), and pictures in several formats.
namespace LoaderFixtures {
using PageDrawing = std::function<void(QPainter&)>;
// Writes a PDF with one page per drawing; painter units are points, origin top-left, no margins.
void writePdf(const std::string& path, const std::vector<PageDrawing>& pages, QSizeF pointSize = {400, 300});

// Writes a PDF whose pages have the given media boxes ("0 0 612 792") and content streams, with Helvetica as /F1.
// `trailerExtra` is added to the trailer dictionary (for an /Encrypt entry).
struct HandPage
{
    std::string mediaBox;
    std::string content;
};
void writeHandPdf(const std::string& path, const std::vector<HandPage>& pages, const std::string& trailerExtra = {},
                  const std::string& extraObject = {});

// Draws a ruled table of the rows into the rectangle, one cell per string, with 1.5 pt rules.
void drawRuledTable(QPainter& painter, const QRectF& area, const TableGrid& rows);

using TestSupport::readFile;
using TestSupport::writeFile;
} // namespace LoaderFixtures
