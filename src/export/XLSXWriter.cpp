#include "export/XLSXWriter.h"

#include "export/CellNumber.h"
#include "export/TextBoundaries.h"
#include "export/Unicode.h"
#include "export/Zip.h"

#include <algorithm>
#include <charconv>
#include <optional>
#include <unordered_map>
#include <unordered_set>

namespace XLSXWriter {
namespace {
constexpr std::string_view declaration = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n";
constexpr std::size_t maxNameLength = 31; // user-perceived characters
// Excel counts the same limit in UTF-16 code units and will not open a workbook with a longer name, so a name of
// emoji, astral characters or combining marks is cut further, at a character boundary.
constexpr std::size_t maxNameUnits = 31;
constexpr std::size_t fixedParts = 5; // content types, root rels, workbook, workbook rels, styles

// The styles part lists one cell format for every number format CellNumber::formatCode can give: grouped or not,
// percent or not, 0 to maxShownDecimals decimals. Style 0 is the general format.
constexpr int decimalsVariants = CellNumber::maxShownDecimals + 1;
constexpr int firstNumberFormatId = 164; // the first id free for a workbook's own formats

int styleIndex(const CellNumber::Number& number)
{
    if (CellNumber::formatCode(number).empty())
        return 0;
    const int kind = (number.percent ? 2 : 0) + (number.grouped ? 1 : 0);
    return 1 + kind * decimalsVariants + std::min(number.decimals, CellNumber::maxShownDecimals);
}

void appendNumber(std::string& out, std::size_t value)
{
    char buffer[24];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    out.append(buffer, result.ptr);
}

bool isXmlChar(char32_t c)
{
    return c == 0x09 || c == 0x0A || c == 0x0D || (c >= 0x20 && c <= 0xD7FF) || (c >= 0xE000 && c <= 0xFFFD)
           || (c >= 0x10000 && c <= 0x10FFFF);
}

// Sheet names are compared with what will be written, so the name is first made valid UTF-8 and stripped of what
// escape() would drop: otherwise "a\x01" and "a" would both reach the workbook as "a".
std::string xmlSafe(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t pos = 0; pos < text.size();) {
        const Unicode::Decoded d = Unicode::decode(text, pos);
        if (isXmlChar(d.scalar))
            Unicode::appendUtf8(out, d.scalar);
        pos += d.length;
    }
    return out;
}

bool isForbiddenInName(char c)
{
    return c == '[' || c == ']' || c == ':' || c == '*' || c == '?' || c == '/' || c == '\\';
}

// Zs and the tab; line breaks are not trimmed.
bool isTrimmedSpace(char32_t c)
{
    return c == 0x09 || c == 0x20 || c == 0xA0 || c == 0x1680 || (c >= 0x2000 && c <= 0x200A) || c == 0x202F
           || c == 0x205F || c == 0x3000;
}

std::string trimmed(std::string_view text)
{
    std::size_t begin = 0;
    while (begin < text.size()) {
        const Unicode::Decoded d = Unicode::decode(text, begin);
        if (!isTrimmedSpace(d.scalar))
            break;
        begin += d.length;
    }
    std::size_t end = begin;
    for (std::size_t pos = begin; pos < text.size();) {
        const Unicode::Decoded d = Unicode::decode(text, pos);
        pos += d.length;
        if (!isTrimmedSpace(d.scalar))
            end = pos;
    }
    return std::string(text.substr(begin, end - begin));
}

std::size_t utf16Units(std::string_view utf8)
{
    std::size_t units = 0;
    for (const char c : utf8) {
        const auto byte = static_cast<unsigned char>(c);
        units += (byte & 0xC0) != 0x80; // one per scalar value...
        units += byte >= 0xF0;          // ...and a second for a surrogate pair
    }
    return units;
}

// Returns the first `count` user-perceived characters, or fewer where they would take more than `units` UTF-16
// code units.
std::string prefix(const std::vector<std::string_view>& clusters, std::size_t count, std::size_t units)
{
    std::string out;
    for (std::size_t i = 0; i < count && i < clusters.size(); ++i) {
        const std::size_t size = utf16Units(clusters[i]);
        if (size > units)
            break;
        units -= size;
        out.append(clusters[i]);
    }
    return out;
}

// Excel refuses a sheet name that begins or ends with an apostrophe; spaces freed by removing one go as well.
std::string withoutEdgeApostrophes(std::string name)
{
    for (;;) {
        const std::size_t before = name.size();
        name = trimmed(name);
        while (!name.empty() && name.front() == '\'')
            name.erase(0, 1);
        while (!name.empty() && name.back() == '\'')
            name.pop_back();
        if (name.size() == before)
            return name;
    }
}

std::string defaultName(std::size_t index)
{
    std::string name = "Sheet";
    appendNumber(name, index + 1);
    return name;
}

// Bytes of a worksheet part, a little generous so that a few entities in the cells still fit.
std::size_t worksheetEstimate(const TableGrid& rows)
{
    std::size_t estimate = 200;
    for (const TableRow& row : rows) {
        estimate += 20;
        for (const std::string& cell : row)
            if (!cell.empty())
                estimate += cell.size() + cell.size() / 8 + 72;
    }
    return estimate;
}

std::string countError(std::size_t count)
{
    if (count == 0)
        return "no sheets to write";
    if (count > ZipLimits::maxEntries - fixedParts)
        return "too many sheets for one workbook (" + std::to_string(count) + ", at most "
               + std::to_string(ZipLimits::maxEntries - fixedParts) + ")";
    return {};
}

std::string sizeError(const std::vector<Sheet>& sheets, const std::vector<std::string>& names)
{
    for (std::size_t i = 0; i < sheets.size(); ++i) {
        const TableGrid& rows = sheets[i].rows;
        // Every row is written, also an empty one, but an empty cell is not: only filled cells count.
        if (rows.size() > maxRows)
            return "sheet \"" + names[i] + "\" has " + std::to_string(rows.size()) + " rows, more than the "
                   + std::to_string(maxRows) + " a worksheet can hold";
        for (const TableRow& row : rows)
            for (std::size_t c = maxColumns; c < row.size(); ++c)
                if (!row[c].empty())
                    return "sheet \"" + names[i] + "\" has a cell in column " + std::to_string(c + 1) + ", beyond the "
                           + std::to_string(maxColumns) + " columns a worksheet can hold";
    }
    return {};
}
} // namespace

std::string columnLetter(std::size_t index)
{
    std::string letters;
    // Bijective base 26: after each digit one is taken away, so that Z is followed by AA rather than BA.
    for (std::size_t n = index + 1; n > 0; n = (n - 1) / 26)
        letters.insert(letters.begin(), static_cast<char>('A' + (n - 1) % 26));
    return letters;
}

std::string escape(std::string_view text)
{
    std::string out;
    out.reserve(text.size() + 8);
    for (std::size_t pos = 0; pos < text.size();) {
        const char ch = text[pos];
        if (static_cast<unsigned char>(ch) < 0x80) {
            switch (ch) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += "&quot;";
                break;
            default:
                if (isXmlChar(static_cast<unsigned char>(ch)))
                    out += ch;
            }
            ++pos;
            continue;
        }
        const Unicode::Decoded d = Unicode::decode(text, pos);
        if (d.scalar == Unicode::replacementCharacter)
            Unicode::appendUtf8(out, d.scalar); // the bytes may have been ill-formed
        else if (isXmlChar(d.scalar))
            out.append(text.substr(pos, d.length));
        pos += d.length;
    }
    return out;
}

std::vector<std::string> normalizedNames(const std::vector<std::string>& wanted, const TextBoundaries& text)
{
    std::vector<std::string> names;
    names.reserve(wanted.size());
    std::unordered_set<std::string> used; // lower-case forms
    // Excel keeps this name for itself and repairs a workbook that uses it.
    used.insert("history");
    // The suffix number to try first for a base: lower ones were all taken when this base was last seen, and the
    // used set only grows. Keeps many equal names from costing quadratic time.
    std::unordered_map<std::string, std::size_t> nextSuffix;

    for (std::size_t i = 0; i < wanted.size(); ++i) {
        std::string base = wanted[i].empty() ? defaultName(i) : xmlSafe(wanted[i]);
        for (char& c : base)
            if (isForbiddenInName(c))
                c = ' ';
        std::vector<std::string_view> clusters = text.graphemes(base);
        // Cut before trimming: a name cut just behind a space ends up shorter than the limit.
        base = withoutEdgeApostrophes(prefix(clusters, maxNameLength, maxNameUnits));
        if (base.empty())
            base = defaultName(i);
        clusters = text.graphemes(base);

        std::string candidate = base;
        std::string lower = text.caseless(candidate);
        if (used.contains(lower)) {
            std::size_t& n = nextSuffix.try_emplace(base, 2).first->second;
            do {
                std::string suffix = " ";
                appendNumber(suffix, n++);
                candidate = prefix(clusters, maxNameLength - suffix.size(), maxNameUnits - suffix.size()) + suffix;
                lower = text.caseless(candidate);
            } while (used.contains(lower));
        }
        used.insert(std::move(lower));
        names.push_back(std::move(candidate));
    }
    return names;
}

std::string contentTypes(std::size_t count)
{
    std::string xml(declaration);
    xml += "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
           "<Default Extension=\"rels\" ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
           "<Default Extension=\"xml\" ContentType=\"application/xml\"/>"
           "<Override PartName=\"/xl/workbook.xml\" "
           "ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml\"/>";
    xml += "<Override PartName=\"/xl/styles.xml\" "
           "ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.styles+xml\"/>";
    for (std::size_t i = 1; i <= count; ++i) {
        xml += "<Override PartName=\"/xl/worksheets/sheet";
        appendNumber(xml, i);
        xml += ".xml\" ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml\"/>";
    }
    xml += "</Types>";
    return xml;
}

std::string rootRels()
{
    std::string xml(declaration);
    xml += "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
           "<Relationship Id=\"rId1\" "
           "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument\" "
           "Target=\"xl/workbook.xml\"/></Relationships>";
    return xml;
}

std::string workbook(const std::vector<std::string>& names)
{
    std::string xml(declaration);
    xml += "<workbook xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" "
           "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\"><sheets>";
    for (std::size_t k = 0; k < names.size(); ++k) {
        xml += "<sheet name=\"";
        xml += escape(names[k]);
        xml += "\" sheetId=\"";
        appendNumber(xml, k + 1);
        xml += "\" r:id=\"rId";
        appendNumber(xml, k + 1);
        xml += "\"/>";
    }
    xml += "</sheets></workbook>";
    return xml;
}

std::string workbookRels(std::size_t count)
{
    std::string xml(declaration);
    xml += "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">";
    for (std::size_t i = 1; i <= count; ++i) {
        xml += "<Relationship Id=\"rId";
        appendNumber(xml, i);
        xml += "\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet\" "
               "Target=\"worksheets/sheet";
        appendNumber(xml, i);
        xml += ".xml\"/>";
    }
    xml += "<Relationship Id=\"rId";
    appendNumber(xml, count + 1);
    xml += "\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/styles\" "
           "Target=\"styles.xml\"/></Relationships>";
    return xml;
}

std::string styles()
{
    std::string xml(declaration);
    xml += "<styleSheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\"><numFmts count=\"";
    appendNumber(xml, 4 * decimalsVariants);
    xml += "\">";
    std::string cellFormats = "<xf numFmtId=\"0\" fontId=\"0\" fillId=\"0\" borderId=\"0\" xfId=\"0\"/>";
    int id = firstNumberFormatId;
    for (int kind = 0; kind < 4; ++kind) {
        for (int decimals = 0; decimals < decimalsVariants; ++decimals, ++id) {
            CellNumber::Number shape;
            shape.percent = kind >= 2;
            shape.grouped = kind % 2 == 1;
            shape.decimals = decimals;
            std::string code = CellNumber::formatCode(shape);
            xml += "<numFmt numFmtId=\"";
            appendNumber(xml, static_cast<std::size_t>(id));
            xml += "\" formatCode=\"" + (code.empty() ? std::string("0") : code) + "\"/>";
            cellFormats += "<xf numFmtId=\"";
            appendNumber(cellFormats, static_cast<std::size_t>(id));
            cellFormats += "\" fontId=\"0\" fillId=\"0\" borderId=\"0\" xfId=\"0\" applyNumberFormat=\"1\"/>";
        }
    }
    xml += "</numFmts><fonts count=\"1\"><font><sz val=\"11\"/><name val=\"Calibri\"/></font></fonts>"
           "<fills count=\"2\"><fill><patternFill patternType=\"none\"/></fill>"
           "<fill><patternFill patternType=\"gray125\"/></fill></fills>"
           "<borders count=\"1\"><border><left/><right/><top/><bottom/><diagonal/></border></borders>"
           "<cellStyleXfs count=\"1\"><xf numFmtId=\"0\" fontId=\"0\" fillId=\"0\" borderId=\"0\"/></cellStyleXfs>"
           "<cellXfs count=\"";
    appendNumber(xml, 1 + 4 * decimalsVariants);
    xml += "\">" + cellFormats
           + "</cellXfs><cellStyles count=\"1\"><cellStyle name=\"Normal\" xfId=\"0\" builtinId=\"0\"/>"
             "</cellStyles></styleSheet>";
    return xml;
}

std::string worksheet(const TableGrid& rows)
{
    std::string xml;
    xml.reserve(worksheetEstimate(rows));
    xml += declaration;
    xml += "<worksheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\"><sheetData>";
    for (std::size_t r = 0; r < rows.size(); ++r) {
        xml += "<row r=\"";
        appendNumber(xml, r + 1);
        xml += "\">";
        const TableRow& row = rows[r];
        for (std::size_t c = 0; c < row.size(); ++c) {
            if (row[c].empty())
                continue;
            xml += "<c r=\"";
            xml += columnLetter(c);
            appendNumber(xml, r + 1);
            if (const std::optional<CellNumber::Number> number = CellNumber::parse(row[c])) {
                if (const int style = styleIndex(*number); style != 0) {
                    xml += "\" s=\"";
                    appendNumber(xml, static_cast<std::size_t>(style));
                }
                xml += "\"><v>" + number->value + "</v></c>";
                continue;
            }
            xml += "\" t=\"inlineStr\"><is><t xml:space=\"preserve\">";
            xml += escape(row[c]);
            xml += "</t></is></c>";
        }
        xml += "</row>";
    }
    xml += "</sheetData></worksheet>";
    return xml;
}

Result data(const std::vector<Sheet>& sheets, const TextBoundaries& text)
{
    if (std::string error = countError(sheets.size()); !error.empty())
        return {{}, std::move(error)};
    std::vector<std::string> wanted;
    wanted.reserve(sheets.size());
    for (const Sheet& sheet : sheets)
        wanted.push_back(sheet.name);
    const std::vector<std::string> names = normalizedNames(wanted, text);
    if (std::string error = sizeError(sheets, names); !error.empty())
        return {{}, std::move(error)};

    // Each part goes into the archive as soon as it is built, so the workbook is held about twice, not three times.
    // The archive is reserved in one piece: growing it step by step costs more than building the parts.
    std::size_t estimate = 4096;
    for (std::size_t i = 0; i < sheets.size(); ++i)
        estimate += 700 + names[i].size() + worksheetEstimate(sheets[i].rows);
    Zip zip;
    zip.reserve(estimate);
    zip.add("[Content_Types].xml", contentTypes(sheets.size()));
    zip.add("_rels/.rels", rootRels());
    zip.add("xl/workbook.xml", workbook(names));
    zip.add("xl/_rels/workbook.xml.rels", workbookRels(sheets.size()));
    zip.add("xl/styles.xml", styles());
    std::string partName;
    for (std::size_t i = 0; i < sheets.size(); ++i) {
        partName = "xl/worksheets/sheet";
        appendNumber(partName, i + 1);
        partName += ".xml";
        zip.add(partName, worksheet(sheets[i].rows));
    }
    Zip::Result archive = zip.finalize();
    return {std::move(archive.bytes), std::move(archive.error)};
}
} // namespace XLSXWriter
