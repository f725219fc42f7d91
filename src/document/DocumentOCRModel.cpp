#include "document/DocumentOCRModel.h"

#include "document/Rtf.h"
#include "ocr/Table.h"
#include "ocr/TableBuilder.h"

#include <algorithm>

namespace {
// Ids only ever grow, across clears and across models, so a late result finds no section rather than a wrong one.
std::uint64_t nextSectionId = 1;

bool isTableMode(Settings::OutputMode mode)
{
    return mode == Settings::OutputMode::Auto || mode == Settings::OutputMode::MarkdownTable
           || mode == Settings::OutputMode::CSV;
}
} // namespace

DocumentOCRModel::DocumentOCRModel(int modeRaw)
    : m_modeRaw(modeRaw)
{}

std::size_t DocumentOCRModel::pending() const
{
    return static_cast<std::size_t>(
        std::count_if(m_sections.begin(), m_sections.end(), [](const Section& s) { return !s.finished(); }));
}

Settings::OutputMode DocumentOCRModel::mode() const
{
    return Settings::outputModeFromRaw(m_modeRaw).value_or(Settings::OutputMode::Auto);
}

std::uint64_t DocumentOCRModel::addPage(std::string label)
{
    Section section;
    section.id = nextSectionId++;
    section.label = std::move(label);
    m_sections.push_back(std::move(section));
    return m_sections.back().id;
}

void DocumentOCRModel::addUnreadable(std::string_view fileName)
{
    Section section;
    section.id = nextSectionId++;
    section.label = std::string(fileName) + std::string(unreadableSuffix);
    section.result = OCRResult{};
    m_sections.push_back(std::move(section));
}

bool DocumentOCRModel::deliver(std::uint64_t id, OCRResult result, std::optional<TableGrid> grid)
{
    const auto it = std::find_if(m_sections.begin(), m_sections.end(), [id](const Section& s) { return s.id == id; });
    if (it == m_sections.end() || it->finished())
        return false;
    result.image.reset();
    it->result = std::move(result);
    it->grid = std::move(grid);
    return true;
}

bool DocumentOCRModel::deliver(std::uint64_t id, OCRResult result)
{
    std::optional<TableGrid> grid = tableGrid(result);
    return deliver(id, std::move(result), std::move(grid));
}

std::string DocumentOCRModel::body(const Section& section, Settings::OutputMode mode) const
{
    const OCRResult& result = *section.result;
    std::string text;
    if (result.isEmpty() && result.barcodes.empty()) {
        text = noTextFound;
    } else {
        // The output rule of a file result, on the table found when the result arrived.
        if (section.grid && (mode == Settings::OutputMode::Auto || mode == Settings::OutputMode::MarkdownTable))
            text = TableBuilder::renderMarkdown(*section.grid);
        else if (section.grid && mode == Settings::OutputMode::CSV)
            text = TableBuilder::renderCSV(*section.grid);
        else
            text = result.plainText();
    }
    if (!result.barcodes.empty()) {
        std::string codes;
        for (const std::string& code : result.barcodes) {
            if (!codes.empty())
                codes += '\n';
            codes += code;
        }
        if (text.empty() || text == noTextFound)
            text = std::move(codes);
        else
            text += '\n' + codes;
    }
    return text;
}

std::string DocumentOCRModel::combined(Settings::OutputMode mode) const
{
    const bool headers = m_sections.size() > 1;
    std::string out;
    bool first = true;
    for (const Section& section : m_sections) {
        if (!section.finished())
            continue;
        if (!first)
            out += "\n\n";
        first = false;
        if (headers)
            out += "===== " + section.label + " =====\n";
        out += body(section, mode);
    }
    return out;
}

bool DocumentOCRModel::copyIsTable() const
{
    if (!isTableMode(mode()))
        return false;
    return std::any_of(m_sections.begin(), m_sections.end(),
                       [](const Section& s) { return s.finished() && s.grid.has_value(); });
}

std::optional<std::string> DocumentOCRModel::detectionNote() const
{
    const Settings::OutputMode current = mode();
    if (current == Settings::OutputMode::PlainText || current == Settings::OutputMode::Code)
        return std::nullopt;
    std::size_t tables = 0;
    std::size_t nonEmpty = 0;
    for (const Section& section : m_sections) {
        if (!section.finished() || section.result->isEmpty())
            continue;
        ++nonEmpty;
        if (section.grid)
            ++tables;
    }
    if (nonEmpty == 0)
        return std::nullopt;
    if (tables == 0)
        return std::string("No table detected \u2014 showing plain text.");
    if (tables == nonEmpty)
        return std::string("Table detected.");
    return "Table detected in " + std::to_string(tables) + " of " + std::to_string(nonEmpty) + " pages.";
}

std::optional<std::string> DocumentOCRModel::exportData(ExportFormat format) const
{
    switch (format) {
    case ExportFormat::PlainText:
        return combined(Settings::OutputMode::PlainText);
    case ExportFormat::RichText:
        return Rtf::document(combined(Settings::OutputMode::PlainText), m_fontFamily);
    case ExportFormat::CSV:
        return combined(Settings::OutputMode::CSV);
    case ExportFormat::Markdown:
        return combined(Settings::OutputMode::MarkdownTable);
    }
    return std::nullopt;
}

std::string DocumentOCRModel::suggestedBaseName() const
{
    const std::string fallback = "Ambrel";
    if (m_sections.empty())
        return fallback;
    const std::string& label = m_sections.front().label;
    // The extension is everything after the last dot, spaces included, so "report.pdf — p2" and
    // "scan.png — unreadable" both lose their suffix with it. Only the file-name part of a label is looked at.
    std::string name = label;
    const std::size_t dot = name.rfind('.');
    if (dot != std::string::npos && dot > 0)
        name.erase(dot);
    const std::size_t separator = name.find(" \u2014 ");
    if (separator != std::string::npos)
        name.erase(separator);
    return name.empty() ? fallback : name;
}

std::vector<std::string> DocumentOCRModel::languagesOrDefault(std::vector<std::string> stored,
                                                              std::vector<std::string> fallback)
{
    return stored.empty() ? fallback : stored;
}

std::string_view label(DocumentOCRModel::ExportFormat format)
{
    switch (format) {
    case DocumentOCRModel::ExportFormat::PlainText:
        return "Plain text (.txt)";
    case DocumentOCRModel::ExportFormat::RichText:
        return "Rich Text \u2014 Word (.rtf)";
    case DocumentOCRModel::ExportFormat::CSV:
        return "CSV \u2014 Excel (.csv)";
    case DocumentOCRModel::ExportFormat::Markdown:
        return "Markdown (.md)";
    }
    return {};
}

std::string_view extension(DocumentOCRModel::ExportFormat format)
{
    switch (format) {
    case DocumentOCRModel::ExportFormat::PlainText:
        return "txt";
    case DocumentOCRModel::ExportFormat::RichText:
        return "rtf";
    case DocumentOCRModel::ExportFormat::CSV:
        return "csv";
    case DocumentOCRModel::ExportFormat::Markdown:
        return "md";
    }
    return {};
}
