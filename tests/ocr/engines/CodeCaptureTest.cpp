#include "Drawn.h"
#include "ocr/tesseract/TesseractOCR.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

// Code mode through the real recognizer on drawn code: what must come back for the code to run.
namespace {
constexpr bool codeMode = false; // code mode recognizes without language correction

std::vector<std::string> codeLines(const std::vector<std::string>& lines, int pixelSize, bool dark,
                                   const char* family = "DejaVu Sans Mono",
                                   const std::vector<std::string>& languages = {"en-US"})
{
    const OCRResult result = TesseractOCR::recognizeNow(
        QtImage::fromQImage(Drawn::screenText(lines, pixelSize, dark, family)), languages, codeMode);
    std::vector<std::string> out;
    for (const TextRun& run : result.lines)
        out.push_back(run.text);
    return out;
}
} // namespace

TEST(CodeCaptureTest, CodeComesBackAsDrawn)
{
    struct Case
    {
        int pixelSize;
        std::vector<std::string> lines;
    };
    const Case cases[] = {
        // Indentation, exactly.
        {12,
         {"def total(items, rate):", "    result = 0", "    for item in items:", "        if item.count > 0:",
          "            result += item.price * rate", "    return result"}},
        // Scope operators, underscores, digits and straight quotes.
        {13, {"std::size_t first = row[0].size();", "auto name = std::string(\"x_1\") + 'c';"}},
        // What the recognizer misreads without a word around it: backticks, a brace alone on its line, an l starting
        // a word.
        {12, {"if (limit) {", "    throw Error(`got ${n}`);", "}"}},
    };
    for (const Case& c : cases) {
        for (bool dark : {false, true}) {
            SCOPED_TRACE(c.lines.front() + (dark ? " dark" : " light"));
            EXPECT_EQ(codeLines(c.lines, c.pixelSize, dark), c.lines);
        }
    }
}

TEST(CodeCaptureTest, LettersBeyondAsciiInStringsComeThrough)
{
    const std::vector<std::string> code = {"label = \"caf\u00E9 \u4E2D\u6587\"  # name", "count = 1"};
    const std::vector<std::string> read = codeLines(code, 16, false, "DejaVu Sans Mono", {"zh-Hans", "en-US"});
    ASSERT_EQ(read.size(), 2u);
    // The fallback font draws the Chinese characters 1.7 cells wide, off the grid: what follows them on their line
    // may gain or lose a space, but every character comes through, straight quotes included.
    auto collapsed = [](const std::string& text) {
        std::string out;
        for (char c : text)
            if (c != ' ')
                out += c;
        return out;
    };
    EXPECT_EQ(collapsed(read[0]), collapsed(code[0]));
    EXPECT_EQ(read[0].substr(0, 14), "label = \"caf\u00E9");
    EXPECT_EQ(read[1], code[1]);
}
