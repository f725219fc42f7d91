#pragma once

#include <string>
#include <vector>

// The program's one representation of a table: rows top first, cells left first, every cell plain text.
// The first row is the header for Markdown.
using TableRow = std::vector<std::string>;
using TableGrid = std::vector<TableRow>;
