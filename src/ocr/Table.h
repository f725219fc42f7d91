#pragma once

#include "ocr/OCRResult.h"
#include "ocr/OutputMode.h"
#include "ocr/TableGrid.h"

#include <optional>
#include <string>
#include <vector>

// Returns the table of a result (a laid-out page's first table): the PDF text layer's grid, else a ruled grid in the
// pixels, else the whitespace builder's, with a stacked header merged; no value when none of them finds a table.
std::optional<TableGrid> tableGrid(const OCRResult& result);
// Returns every table of a result: a laid-out page's tables in reading order, else the one of tableGrid.
std::vector<TableGrid> tableGrids(const OCRResult& result);
// Joins a column header printed over several lines back into one row.
TableGrid mergeStackedHeader(TableGrid grid);
std::optional<std::string> tableMarkdown(const OCRResult& result);
std::optional<std::string> tableCSV(const OCRResult& result);
// Returns the output text of a result under a mode: a table for auto, Markdown and CSV when there is one,
// otherwise the plain text. A laid-out page renders its blocks in reading order.
std::string outputText(const OCRResult& result, Settings::OutputMode mode);
