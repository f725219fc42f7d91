// Draws the screen-like image set that bench/compare.py measures the recognizer on: UI text, tables and code at the
// pixel sizes of desktop fonts, in a light and a dark theme, cropped as tightly as a user drags a capture box.
// Every image gets its ground truth beside it and a line in manifest.json (the corpus's format), so the set is
// rebuilt identically on every run instead of being kept as binary files.
//
//     screenset_gen OUTPUT-DIRECTORY
#include <QDir>
#include <QFile>
#include <QFont>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPainter>
#include <QStringList>

#include <cstdio>
#include <cstdlib>

namespace {
struct Theme
{
    const char* name;
    QColor ground;
    QColor text;
    QColor stripe; // alternate table rows
    QColor rule;   // table rules
};

// Light: a document window. Dark: an editor or terminal theme, light grey on near-black.
const Theme themes[] = {
    {"light", QColor(255, 255, 255), QColor(34, 34, 34), QColor(242, 244, 247), QColor(208, 212, 218)},
    {"dark", QColor(30, 30, 30), QColor(212, 212, 212), QColor(44, 46, 50), QColor(70, 74, 80)},
};

const int sizes[] = {9, 10, 11, 12, 13, 14};

// Menu items, dialog text and status lines: dictionary words mixed with numbers, dates and names.
const QStringList uiLines = {
    "Open Settings to change the capture shortcut.",
    "Invoice 2024-118 is due on 14 March, total 1,284.50 EUR.",
    "Recent files: Budget Q3.xlsx, notes_final.txt, Report (2).pdf",
    "Download complete - 37 items, 12.4 MB in 0:08",
    "Your password must contain at least 8 characters.",
    "Sort by: Name | Date Modified | Size | Kind",
};

// Code with the symbols a dictionary would "correct": operators, brackets, quotes and escapes.
const QStringList codeLines = {
    "for (int i = 0; i < n; ++i) {",
    "    total += prices[i] * 1.21; // incl. VAT",
    "}",
    "if (user->name != \"admin\" && count >= 10)",
    "    return {x: a[0], y: b[-1]};",
    "let re = /^[a-z_]+\\d*$/i; mask |= 0x3F;",
    "print(f\"{name}: {value:.2f} @ {rate}%\")",
};

// Whole snippets as they are grabbed from editors, terminals and videos: indentation that must survive (Python,
// YAML), identifiers with underscores, scope operators, brackets, straight quotes, backticks, and digits beside
// the letters they resemble. Comments hold letters beyond ASCII.
struct Snippet
{
    const char* language;
    QStringList lines;
};

const Snippet snippets[] = {
    {"python",
     {
         "def merge_rows(rows, limit=10):",
         "    \"\"\"Join short rows; keep the first.\"\"\"",
         "    merged = []",
         "    for i, row in enumerate(rows):",
         "        if not merged or len(row[0]) > limit:",
         "            merged.append(list(row))",
         "        else:",
         "            merged[-1][1] += ' ' + row[1]",
         "    return {'count': len(merged), \"rows\": merged}",
         "class Cache(dict):",
         "    def __missing__(self, key):",
         "        return key.upper()  # café: naïve",
     }},
    {"cpp",
     {
         "#include <string_view>",
         "namespace ocr {",
         "std::optional<std::size_t> find_col(std::string_view s, char c)",
         "{",
         "    for (std::size_t i = 0; i < s.size(); ++i) {",
         "        if (s[i] == c && s[0] != '#')",
         "            return i;",
         "    }",
         "    return std::nullopt;",
         "}",
         "auto rows = rowsOf(runs);",
         "rowCells.reserve(parts[1].size() + 0x1F);",
         "out.push_back(\"O1l|\" + name);",
         "} // namespace ocr",
     }},
    {"javascript",
     {
         "const API_URL = `https://example.org/v1/${id}`;",
         "export async function loadItems(page = 0) {",
         "  const res = await fetch(API_URL + '?page=' + page);",
         "  if (!res.ok) {",
         "    throw new Error(`HTTP ${res.status}`);",
         "  }",
         "  const { items = [] } = await res.json();",
         "  return items.filter((x) => x.count >= 1 && x.tag !== \"old\");",
         "}",
         "let total = items.reduce((a, b) => a + b.price, 0);",
     }},
    {"shell",
     {
         "#!/usr/bin/env bash",
         "set -euo pipefail",
         "OUT_DIR=\"${1:-/tmp/out}\"",
         "for f in \"$OUT_DIR\"/*.log; do",
         "    if [[ -s \"$f\" ]]; then",
         "        grep -c 'ERROR' \"$f\" || true",
         "    fi",
         "done",
         "echo \"done: $(date +%s)\" >> ~/run_log.txt",
     }},
    {"yaml",
     {
         "name: build_and_test",
         "on:",
         "  push:",
         "    branches: [main, 'release/**']",
         "jobs:",
         "  test:",
         "    runs-on: ubuntu-22.04",
         "    steps:",
         "      - uses: actions/checkout@v4",
         "      - name: Run tests  # über",
         "        run: make test JOBS=2",
         "        env:",
         "          CC: clang",
         "          TIMEOUT_S: \"300\"",
     }},
};

const int codeSizes[] = {10, 11, 12, 13, 14, 16};
// Code in a slide or a web page: a proportional font, so no character grid to read indentation from.
const int proportionalSizes[] = {12, 14, 16};

const QStringList tableRows[] = {
    {"Product", "SKU", "Qty", "Price"},         {"Keyboard", "KB-104", "2", "49.00"},
    {"Monitor 27\"", "MN-2701", "1", "199.50"}, {"USB-C Cable", "CB-0032", "5", "8.25"},
    {"Desk Lamp", "DL-7", "3", "23.90"},        {"Total", "", "11", "406.95"},
};

QFont fontOf(const char* family, int pixelSize)
{
    QFont font(QString::fromLatin1(family));
    font.setPixelSize(pixelSize);
    font.setHintingPreference(QFont::PreferDefaultHinting);
    return font;
}

// A capture box dragged around the text: a few pixels of ground on every side.
constexpr int cropMargin = 4;

QImage drawLines(const QStringList& lines, const QFont& font, const Theme& theme)
{
    const QFontMetrics metrics(font);
    int width = 0;
    for (const QString& line : lines)
        width = std::max(width, metrics.horizontalAdvance(line));
    const int lineHeight = metrics.height() + metrics.height() / 4;
    QImage image(width + 2 * cropMargin, lineHeight * static_cast<int>(lines.size()) + 2 * cropMargin,
                 QImage::Format_RGB32);
    image.fill(theme.ground);
    QPainter painter(&image);
    painter.setFont(font);
    painter.setPen(theme.text);
    for (int i = 0; i < lines.size(); ++i)
        painter.drawText(cropMargin, cropMargin + i * lineHeight + metrics.ascent(), lines[i]);
    return image;
}

// Even sizes get ruled cells, odd sizes striped rows without rules: both are common in applications.
QImage drawTable(const QFont& font, const Theme& theme, bool ruled)
{
    const QFontMetrics metrics(font);
    const int columns = static_cast<int>(tableRows[0].size());
    std::vector<int> widths(columns, 0);
    for (const QStringList& row : tableRows)
        for (int c = 0; c < columns; ++c)
            widths[c] = std::max(widths[c], metrics.horizontalAdvance(row[c]));
    const int padding = metrics.height() / 2 + 4;
    const int rowHeight = metrics.height() + metrics.height() / 2;
    int totalWidth = 0;
    std::vector<int> lefts;
    for (int w : widths) {
        lefts.push_back(totalWidth);
        totalWidth += w + 2 * padding;
    }
    const int rows = static_cast<int>(std::size(tableRows));
    QImage image(totalWidth + 2 * cropMargin, rows * rowHeight + 2 * cropMargin, QImage::Format_RGB32);
    image.fill(theme.ground);
    QPainter painter(&image);
    painter.translate(cropMargin, cropMargin);
    for (int r = 0; r < rows; ++r) {
        if (!ruled && r % 2 == 1)
            painter.fillRect(0, r * rowHeight, totalWidth, rowHeight, theme.stripe);
    }
    if (ruled) {
        painter.setPen(theme.rule);
        for (int r = 0; r <= rows; ++r)
            painter.drawLine(0, std::min(r * rowHeight, rows * rowHeight - 1), totalWidth - 1,
                             std::min(r * rowHeight, rows * rowHeight - 1));
        for (int c = 0; c <= columns; ++c) {
            const int x = c < columns ? lefts[c] : totalWidth - 1;
            painter.drawLine(x, 0, x, rows * rowHeight - 1);
        }
    }
    painter.setPen(theme.text);
    for (int r = 0; r < rows; ++r) {
        QFont cellFont = font;
        cellFont.setBold(r == 0);
        painter.setFont(cellFont);
        const int baseline = r * rowHeight + (rowHeight - metrics.height()) / 2 + metrics.ascent();
        for (int c = 0; c < columns; ++c)
            painter.drawText(lefts[c] + padding, baseline, tableRows[r][c]);
    }
    return image;
}

QString csvField(const QString& cell)
{
    if (!cell.contains(QLatin1Char(',')) && !cell.contains(QLatin1Char('"')) && !cell.contains(QLatin1Char('\n')))
        return cell;
    QString quoted = cell;
    quoted.replace(QLatin1String("\""), QLatin1String("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

bool writeText(const QString& path, const QString& text)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    return file.write(text.toUtf8()) >= 0;
}
} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: screenset_gen OUTPUT-DIRECTORY\n");
        return 2;
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QDir out(QString::fromLocal8Bit(argv[1]));
    if (!QDir().mkpath(out.path())) {
        std::fprintf(stderr, "screenset_gen: cannot create %s\n", argv[1]);
        return 1;
    }

    QJsonArray manifest;
    auto add = [&](const QString& id, const char* kind, const QImage& image, const QString& expectedName,
                   const QString& expected, int size, const Theme& theme) {
        const QString imageName = id + QLatin1String(".png");
        if (!image.save(out.filePath(imageName)) || !writeText(out.filePath(expectedName), expected)) {
            std::fprintf(stderr, "screenset_gen: cannot write %s\n", qPrintable(out.filePath(imageName)));
            std::exit(1);
        }
        manifest.append(QJsonObject{{"id", id},
                                    {"kind", QString::fromLatin1(kind)},
                                    {"input", imageName},
                                    {"expected", expectedName},
                                    {"lang", "en-US"},
                                    {"size", size},
                                    {"theme", QString::fromLatin1(theme.name)}});
    };

    for (const Theme& theme : themes) {
        for (int size : sizes) {
            const QString suffix = QStringLiteral("-%1-%2px").arg(QString::fromLatin1(theme.name)).arg(size);
            const QString ui = QLatin1String("s-ui") + suffix;
            add(ui, "screen-text", drawLines(uiLines, fontOf("DejaVu Sans", size), theme), ui + ".txt",
                uiLines.join(QLatin1Char('\n')) + QLatin1Char('\n'), size, theme);

            const QString code = QLatin1String("s-code") + suffix;
            add(code, "screen-code", drawLines(codeLines, fontOf("DejaVu Sans Mono", size), theme), code + ".txt",
                codeLines.join(QLatin1Char('\n')) + QLatin1Char('\n'), size, theme);

            QString csv;
            for (const QStringList& row : tableRows) {
                QStringList fields;
                for (const QString& cell : row)
                    fields << csvField(cell);
                csv += fields.join(QLatin1Char(',')) + QLatin1Char('\n');
            }
            const QString table = QLatin1String("s-table") + suffix;
            add(table, "screen-table", drawTable(fontOf("DejaVu Sans", size), theme, size % 2 == 0), table + ".csv",
                csv, size, theme);
        }
    }
    for (const Theme& theme : themes) {
        for (const Snippet& snippet : snippets) {
            for (int size : codeSizes) {
                const QString id = QStringLiteral("c-%1-%2-%3px")
                                       .arg(QString::fromLatin1(snippet.language), QString::fromLatin1(theme.name))
                                       .arg(size);
                add(id, "code-mono", drawLines(snippet.lines, fontOf("DejaVu Sans Mono", size), theme), id + ".txt",
                    snippet.lines.join(QLatin1Char('\n')) + QLatin1Char('\n'), size, theme);
            }
        }
        for (int size : proportionalSizes) {
            const QString id =
                QStringLiteral("c-python-proportional-%1-%2px").arg(QString::fromLatin1(theme.name)).arg(size);
            add(id, "code-proportional", drawLines(snippets[0].lines, fontOf("DejaVu Sans", size), theme), id + ".txt",
                snippets[0].lines.join(QLatin1Char('\n')) + QLatin1Char('\n'), size, theme);
        }
    }
    if (!writeText(out.filePath(QStringLiteral("manifest.json")),
                   QString::fromUtf8(QJsonDocument(manifest).toJson(QJsonDocument::Indented)))) {
        std::fprintf(stderr, "screenset_gen: cannot write the manifest\n");
        return 1;
    }
    std::printf("%d images in %s\n", static_cast<int>(manifest.size()), argv[1]);
    return 0;
}
