#include "capture/Delivery.h"

#include "ocr/Table.h"
#include "ocr/TableBuilder.h"

namespace Delivery {
std::optional<Choice> choose(const OCRResult& result, Settings::OutputMode mode)
{
    using Settings::OutputMode;
    if (result.runs().empty() && result.barcodes.empty())
        return std::nullopt;

    Choice choice;
    const bool tableMode = mode == OutputMode::MarkdownTable || mode == OutputMode::CSV;
    std::optional<TableGrid> grid;
    if (mode == OutputMode::Auto || tableMode)
        grid = tableGrid(result);
    if (grid) {
        choice.text = mode == OutputMode::CSV ? TableBuilder::renderCSV(*grid) : TableBuilder::renderMarkdown(*grid);
        choice.html = TableBuilder::renderHTML(*grid);
        choice.isTable = true;
        choice.message = mode == OutputMode::Auto            ? "Copied table"
                         : mode == OutputMode::MarkdownTable ? "Copied table (Markdown)"
                                                             : "Copied table (CSV)";
    } else {
        choice.text = result.plainText();
        choice.message = tableMode ? "No table found — copied text" : "Copied text";
    }

    if (!result.barcodes.empty()) {
        std::string payloads;
        for (const std::string& payload : result.barcodes) {
            if (!payloads.empty())
                payloads += '\n';
            payloads += payload;
        }
        if (choice.text.empty()) {
            choice.text = std::move(payloads);
            choice.message = "Copied QR/barcode";
            choice.isTable = false;
            choice.html.clear();
        } else {
            choice.text += '\n' + payloads;
            choice.message += " + QR";
        }
    }
    if (choice.text.find_first_not_of(" \t\r\n") == std::string::npos)
        return std::nullopt;
    return choice;
}
} // namespace Delivery
