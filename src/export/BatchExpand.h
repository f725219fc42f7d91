#pragma once

#include "ocr/OCRResult.h"
#include "ocr/TableGrid.h"

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The rules of the interactive batch export (export/qt/BatchExport) that need no user interface: which files a
// choice of files and folders stands for, what each page's sheet holds, and the texts it reports.
namespace Batch {
// The file-name extensions the batch and the document window accept, compared in lower case.
inline constexpr std::array<std::string_view, 9> extensions{"pdf", "png",  "jpg", "jpeg", "tiff",
                                                            "tif", "heic", "bmp", "gif"};

inline constexpr std::string_view noInputsMessage = "No PDFs or images found";
inline constexpr std::string_view nothingToExportMessage = "Nothing to export";
inline constexpr std::string_view saveFailedMessage = "Couldn\u2019t save the workbook";
inline constexpr std::string_view saveTitle = "Save Excel workbook";
inline constexpr std::string_view openTitle = "Choose PDFs, images, or a folder";
inline constexpr std::string_view proposedFileName = "Ambrel Export.xlsx";

// True when the file name's extension, in lower case, is one of `extensions`.
bool accepted(std::string_view fileName);

// A chosen file left out of the batch, and why, for the finishing message.
struct Skipped
{
    std::string name; // the file name, without its folder
    std::string reason;
    bool operator==(const Skipped&) const = default;
};
inline constexpr std::string_view unreadableReason = "could not read";
inline constexpr std::string_view notAcceptedReason = "not a PDF or image";
inline constexpr std::string_view notFoundReason = "not found";

// Returns the input files of the chosen paths, in the order chosen: a file is taken when its extension is
// accepted, a folder gives its accepted entries one level deep (hidden ones too, sub-folders not entered) sorted
// by name in code-point order. Each file counts once, at its first place, however often and by whatever path it
// was chosen. Missing paths and unlistable folders give nothing. Chosen files that are left out (missing, or not
// of an accepted type) are added to `skipped` when given; entries of a folder that are not pictures or PDFs are not
// mentioned.
std::vector<std::string> expand(const std::vector<std::string>& chosen, std::vector<Skipped>* skipped = nullptr);

// Returns a sheet's rows for a page without a table: one row per line of the plain text (empty lines kept), then
// one per barcode, and a single empty cell when that leaves none.
TableGrid plainRows(const OCRResult& result);
// Returns a page's sheet rows: its table when it has one, otherwise plainRows.
TableGrid sheetRows(const OCRResult& result, const std::optional<TableGrid>& grid);

// One sheet a page gives: the wanted name and its rows.
struct PageSheet
{
    std::string name;
    TableGrid rows;
};

// Returns the sheets of one page: one per table, in reading order, so that no table is lost; a page without a
// table gives one sheet of plainRows. The first sheet is named after the page; a later table's sheet gets
// " (table N)" after the page name, the page name shortened so that the whole name fits the 31 characters a
// sheet name may have. `grid` is the table found for a result that is not a laid-out page.
std::vector<PageSheet> pageSheets(const std::string& label, const OCRResult& result,
                                  const std::optional<TableGrid>& grid);

// "Processing 3 / 12…", for the page at 0-based `index` of `count`.
std::string progressText(std::size_t index, std::size_t count);
// "✓ Exported 1 sheet", "✓ Exported 7 sheets"; with skipped files, "✓ Exported 2 sheets; skipped broken.pdf:
// could not read, notes.txt: not a PDF or image".
std::string exportedText(std::size_t sheets, const std::vector<Skipped>& skipped = {});
// "; skipped broken.pdf: could not read", or nothing when no file was skipped.
std::string skippedText(const std::vector<Skipped>& skipped);
} // namespace Batch
