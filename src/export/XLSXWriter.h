#pragma once

#include "ocr/TableGrid.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class TextBoundaries;

// Writes a minimal Office Open XML workbook (.xlsx): one worksheet per named table, a cell that is a number
// (CellNumber::parse) as a number shown as it was written, every other cell an inline string exactly as it was,
// packed in a ZIP of stored entries. It returns bytes and never touches the file system.
namespace XLSXWriter {
struct Sheet
{
    std::string name; // wanted name; cleaned before use, so it may be empty or hold forbidden characters
    TableGrid rows;   // rows may differ in length; an empty text is an empty cell
};

// The workbook file, or why none could be written (then `bytes` is empty); callers report "write failed: <error>".
struct Result
{
    std::vector<std::uint8_t> bytes;
    std::string error;
    bool ok() const { return error.empty(); }
};

// The largest worksheet spreadsheet programs open.
inline constexpr std::size_t maxRows = 1048576;
inline constexpr std::size_t maxColumns = 16384;

// Returns the .xlsx file holding the sheets in the given order. Fails for no sheets, for more sheets than the ZIP
// container can list, and for a table that has a non-empty cell beyond the last row or column of a worksheet.
// `text` counts the characters of sheet names and compares them regardless of case.
Result data(const std::vector<Sheet>& sheets, const TextBoundaries& text);

// Building blocks of data(), exposed for tests.

// Returns the sheet names as written: valid UTF-8 without characters XML cannot carry, none of []:*?/\,
// at most 31 user-perceived characters, trimmed, never empty and unique regardless of case.
std::vector<std::string> normalizedNames(const std::vector<std::string>& wanted, const TextBoundaries& text);
std::string contentTypes(std::size_t count);
std::string rootRels();
std::string workbook(const std::vector<std::string>& names);
std::string workbookRels(std::size_t count);
std::string styles();
std::string worksheet(const TableGrid& rows);
// Returns the text with &, <, > and " as entities, ill-formed UTF-8 as U+FFFD and the characters XML 1.0 cannot
// hold (controls other than tab, line feed and carriage return; U+FFFE; U+FFFF) dropped.
std::string escape(std::string_view text);
// Returns the column name of a 0-based column index: 0 A, 25 Z, 26 AA, 702 AAA.
std::string columnLetter(std::size_t index);
} // namespace XLSXWriter
