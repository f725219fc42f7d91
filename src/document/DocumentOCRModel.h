#pragma once

#include "ocr/OCRResult.h"
#include "ocr/OutputMode.h"
#include "ocr/TableGrid.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// What the document window shows: one section per page of the dropped or opened files, in the order they were
// added, whatever order their recognition finishes in. The recognition itself is started by the controller
// (document/qt); this holds the state and every rule that turns it into text and export bytes. Main thread only.
class DocumentOCRModel
{
public:
    // The Export menu's entries, in menu order.
    enum class ExportFormat
    {
        PlainText,
        RichText,
        CSV,
        Markdown,
    };
    static constexpr std::array<ExportFormat, 4> allExportFormats{ExportFormat::PlainText, ExportFormat::RichText,
                                                                  ExportFormat::CSV, ExportFormat::Markdown};

    struct Section
    {
        std::uint64_t id = 0; // unique for the life of the process, so a result can never land in a newer section
        std::string label;    // the page label, or the file name followed by " — unreadable"
        std::optional<OCRResult> result; // none while the page is being recognized
        // The table of the result, worked out once when it arrives: the window asks for it on every redraw.
        std::optional<TableGrid> grid;
        bool unreadable = false; // a file that gave no pages: it says so instead of showing text
        bool finished() const { return result.has_value(); }
    };

    explicit DocumentOCRModel(int modeRaw = static_cast<int>(Settings::OutputMode::Auto));

    const std::vector<Section>& sections() const { return m_sections; }
    // Returns the number of pages still being recognized.
    std::size_t pending() const;

    int modeRaw() const { return m_modeRaw; }
    void setModeRaw(int raw) { m_modeRaw = raw; }
    // Returns the window's own output mode: automatic for a raw value that names no mode.
    Settings::OutputMode mode() const;

    // Appends a section waiting for its page's result and returns its id.
    std::uint64_t addPage(std::string label);
    // Appends the finished, empty section of a file that gave no pages.
    void addUnreadable(std::string_view fileName);
    // Stores the result of the section with this id, with the table found in it. Returns false when the section is
    // gone (cleared since) or already has a result. The page image is dropped: the table was found already, and a
    // long document must not keep every rendered page alive.
    bool deliver(std::uint64_t id, OCRResult result, std::optional<TableGrid> grid);
    // The same, finding the table here.
    bool deliver(std::uint64_t id, OCRResult result);
    void clear() { m_sections.clear(); }

    // Returns the text of all finished sections under a mode, each under a "===== label =====" header when there
    // is more than one section, separated by blank lines.
    std::string combined(Settings::OutputMode mode) const;
    std::string combinedText() const { return combined(mode()); }
    // True when some finished page gave text or a barcode: only then is there anything to copy or export.
    bool hasText() const;
    // True when what Copy puts on the clipboard is a table rendering, as the history records it.
    bool copyIsTable() const;
    // Returns the note about table detection, or none when there is nothing to say.
    std::optional<std::string> detectionNote() const;
    // Returns the bytes of an export; each format fixes its own mode, whatever the window shows. Every export ends
    // with a line feed.
    std::optional<std::string> exportData(ExportFormat format) const;
    // Returns the file name, without extension, proposed when saving an export.
    std::string suggestedBaseName() const;

    // The font family named in rich-text exports; the desktop sets the system's.
    void setFontFamily(std::string family) { m_fontFamily = std::move(family); }

    // Returns the languages to recognize with for a stored setting: `fallback` (a fresh installation's default)
    // when it names none.
    static std::vector<std::string> languagesOrDefault(std::vector<std::string> stored,
                                                       std::vector<std::string> fallback);

private:
    std::string body(const Section& section, Settings::OutputMode mode) const;

    std::vector<Section> m_sections;
    int m_modeRaw;
    std::string m_fontFamily = "Sans Serif";
};

inline constexpr std::string_view noTextFound = "(no text found)";
inline constexpr std::string_view unreadableSuffix = " \u2014 unreadable";
// What an unreadable file's section says, before its file name: the command line's words.
inline constexpr std::string_view couldNotRead = "could not read ";

// Returns plain text as CSV with one quoted cell per line, so a reader sees one column whatever commas the text
// holds; empty lines stay empty rows.
std::string csvLines(std::string_view text);
// Returns plain text as Markdown that reads back as the same text: characters Markdown would take as formatting
// are escaped, and each line break is kept as a hard break instead of running the lines into one paragraph.
std::string markdownText(std::string_view text);

// Returns the menu label of an export format, such as "Rich Text — Word (.rtf)".
std::string_view label(DocumentOCRModel::ExportFormat format);
// Returns the file-name extension of an export format, without the dot.
std::string_view extension(DocumentOCRModel::ExportFormat format);
