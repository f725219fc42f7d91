#include "export/qt/QtText.h"

#include <QString>
#include <QTextBoundaryFinder>

namespace {
QString qt(std::string_view text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// The UTF-8 length of the character that starts at UTF-16 unit `i`, and the units it takes.
std::pair<std::size_t, qsizetype> utf8Length(const QString& text, qsizetype i)
{
    const char16_t unit = text[i].unicode();
    if (QChar::isHighSurrogate(unit) && i + 1 < text.size())
        return {4, 2};
    return {unit < 0x80 ? 1 : unit < 0x800 ? 2 : 3, 1};
}
} // namespace

std::vector<std::string_view> QtText::graphemes(std::string_view text) const
{
    const QString wide = qt(text);
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, wide);
    std::vector<std::string_view> clusters;
    qsizetype unit = 0;
    std::size_t byte = 0;
    for (qsizetype next = finder.toNextBoundary(); next > 0; next = finder.toNextBoundary()) {
        const std::size_t start = byte;
        while (unit < next) {
            const auto [bytes, units] = utf8Length(wide, unit);
            byte += bytes;
            unit += units;
        }
        clusters.push_back(text.substr(start, byte - start));
    }
    return clusters;
}

std::string QtText::caseless(std::string_view text) const
{
    // Lower case first for the one-to-many mappings (U+0130 is i and a combining dot), then folding, which makes a
    // final sigma equal to a medial one.
    return qt(text).toLower().toCaseFolded().toStdString();
}
