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
    section.unreadable = true;
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
    if (section.unreadable) {
        const std::string name = section.label.substr(0, section.label.size() - unreadableSuffix.size());
        text = std::string(couldNotRead) + name;
        return mode == Settings::OutputMode::CSV ? csvLines(text) : text;
    }
    if (result.isEmpty() && result.barcodes.empty()) {
        text = noTextFound;
    } else {
        // The output rule of a file result, on the table found when the result arrived; a laid-out page renders
        // its blocks as `ambrel --ocr` does.
        if (result.isPage())
            text = outputText(result, mode);
        else if (section.grid && (mode == Settings::OutputMode::Auto || mode == Settings::OutputMode::MarkdownTable))
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
    // Text outside a table, in a table mode: written so that a CSV or Markdown reader takes it as text.
    if (!section.grid && mode == Settings::OutputMode::CSV)
        return csvLines(text);
    if (!section.grid && mode == Settings::OutputMode::MarkdownTable)
        return markdownText(text);
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
        if (headers) {
            const std::string header = "===== " + section.label + " =====";
            if (mode == Settings::OutputMode::CSV)
                out += csvLines(header) + "\n";
            else if (mode == Settings::OutputMode::MarkdownTable)
                out += "## " + markdownText(section.label) + "\n\n";
            else
                out += header + "\n";
        }
        out += body(section, mode);
    }
    return out;
}

bool DocumentOCRModel::hasText() const
{
    return std::any_of(m_sections.begin(), m_sections.end(), [](const Section& s) {
        return s.finished() && !s.unreadable && (!s.result->isEmpty() || !s.result->barcodes.empty());
    });
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
    // Prose is not a failed table: the note says what is shown, in the plain words of the other notes.
    if (tables == 0)
        return std::string(nonEmpty == 1 ? "Text \u2014 no table on this page."
                                         : "Text \u2014 no table on these pages.");
    if (tables == nonEmpty)
        return std::string("Table detected.");
    return "Table detected in " + std::to_string(tables) + " of " + std::to_string(nonEmpty) + " pages.";
}

std::optional<std::string> DocumentOCRModel::exportData(ExportFormat format) const
{
    std::string bytes;
    switch (format) {
    case ExportFormat::PlainText:
        bytes = combined(Settings::OutputMode::PlainText);
        break;
    case ExportFormat::RichText:
        bytes = Rtf::document(combined(Settings::OutputMode::PlainText), m_fontFamily);
        break;
    case ExportFormat::CSV:
        bytes = combined(Settings::OutputMode::CSV);
        break;
    case ExportFormat::Markdown:
        bytes = combined(Settings::OutputMode::MarkdownTable);
        break;
    }
    // Text files end with a line feed: without it, `cat` runs the shell prompt into the last line and tools count
    // one line too few.
    if (!bytes.empty() && bytes.back() != '\n')
        bytes += '\n';
    return bytes;
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

std::string csvLines(std::string_view text)
{
    std::string out;
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = text.find('\n', start);
        const std::string_view line = text.substr(start, end == std::string_view::npos ? end : end - start);
        if (!line.empty()) {
            out += '"';
            for (char c : line) {
                if (c == '"')
                    out += '"';
                out += c;
            }
            out += '"';
        }
        if (end == std::string_view::npos)
            break;
        out += '\n';
        start = end + 1;
    }
    return out;
}

namespace {
// Escapes what Markdown reads as formatting anywhere in a line: emphasis, code, links, raw HTML, tables.
std::string escapeInline(std::string_view line)
{
    std::string out;
    for (char c : line) {
        if (std::string_view("\\`*_[]<>|~").find(c) != std::string_view::npos)
            out += '\\';
        out += c;
    }
    return out;
}

// A line that Markdown would take as a heading, quote, list item, rule or code fence because of how it begins.
bool startsABlock(std::string_view line)
{
    const std::size_t first = line.find_first_not_of(' ');
    if (first == std::string_view::npos)
        return false;
    const std::string_view rest = line.substr(first);
    const char c = rest.front();
    if (c == '#' || c == '>' || c == '=' || c == '`' || c == '~')
        return true;
    if ((c == '-' || c == '+' || c == '*') && (rest.size() == 1 || rest[1] == ' ' || rest[1] == c))
        return true;
    std::size_t digits = 0;
    while (digits < rest.size() && digits < 10 && rest[digits] >= '0' && rest[digits] <= '9')
        ++digits;
    return digits > 0 && digits < rest.size() && (rest[digits] == '.' || rest[digits] == ')');
}
} // namespace

std::string markdownText(std::string_view text)
{
    std::vector<std::string_view> lines;
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = text.find('\n', start);
        lines.push_back(text.substr(start, end == std::string_view::npos ? end : end - start));
        if (end == std::string_view::npos)
            break;
        start = end + 1;
    }
    std::string out;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        std::string_view line = lines[i];
        // Leading spaces would make an indented code block; a line of only spaces is an empty line anyway.
        const std::size_t first = line.find_first_not_of(' ');
        line = first == std::string_view::npos ? std::string_view() : line.substr(first);
        std::string escaped = escapeInline(line);
        if (startsABlock(line)) {
            // An ordered list marker is escaped at its dot or bracket, every other marker at its first character.
            std::size_t digits = 0;
            while (digits < escaped.size() && escaped[digits] >= '0' && escaped[digits] <= '9')
                ++digits;
            // Markers escaped in the line already (emphasis, quote, code) need no second backslash.
            if (escaped[digits] != '\\')
                escaped.insert(digits, "\\");
        }
        out += escaped;
        if (i + 1 < lines.size()) {
            // A hard break keeps the next line on a line of its own; an empty line already ends the paragraph.
            if (!line.empty() && !lines[i + 1].empty())
                out += '\\';
            out += '\n';
        }
    }
    return out;
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
