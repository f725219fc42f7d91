// Workbooks and archives read back by real readers: openpyxl (Debian's python3-openpyxl) and Info-ZIP's unzip.

#include "CodePoints.h"
#include "export/XLSXWriter.h"
#include "export/Zip.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>

namespace {
namespace fs = std::filesystem;

// A file in the temporary directory, removed again when the test ends.
class TempFile
{
public:
    explicit TempFile(const std::string& suffix)
    {
        std::string pattern = (fs::temp_directory_path() / "ambrel-export-XXXXXX").string() + suffix;
        const int fd = mkstemps(pattern.data(), static_cast<int>(suffix.size()));
        if (fd >= 0) {
            close(fd);
            m_path = pattern;
        }
    }
    ~TempFile()
    {
        if (!m_path.empty()) {
            std::error_code ignored;
            fs::remove(m_path, ignored);
        }
    }
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;

    const std::string& path() const { return m_path; }

    bool write(const std::vector<std::uint8_t>& bytes) const
    {
        std::ofstream out(m_path, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        return static_cast<bool>(out);
    }

private:
    std::string m_path;
};

struct CommandOutput
{
    int status = -1;
    std::string text; // standard output and standard error
};

CommandOutput run(const std::string& command)
{
    CommandOutput result;
    FILE* pipe = popen((command + " 2>&1").c_str(), "r");
    if (!pipe)
        return result;
    char buffer[4096];
    while (const std::size_t n = fread(buffer, 1, sizeof buffer, pipe))
        result.text.append(buffer, n);
    const int status = pclose(pipe);
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

// Runs a Python script with Debian's interpreter, which has the Debian modules, on one file.
CommandOutput runPython(const std::string& script, const std::string& argument)
{
    TempFile scriptFile(".py");
    if (!scriptFile.write(std::vector<std::uint8_t>(script.begin(), script.end())))
        return {};
    return run("/usr/bin/python3 '" + scriptFile.path() + "' '" + argument + "'");
}

bool hasOpenpyxl()
{
    return access("/usr/bin/python3", X_OK) == 0 && run("/usr/bin/python3 -c 'import openpyxl'").status == 0;
}

bool hasUnzip()
{
    return run("unzip -v").status == 0;
}

std::string hex(std::string_view text)
{
    static const char digits[] = "0123456789abcdef";
    std::string out;
    for (unsigned char c : text) {
        out += digits[c >> 4];
        out += digits[c & 15];
    }
    return out;
}

// Lists every sheet's name and its non-empty cells as "S <name>" and "C <row> <column> <value>" lines, with texts
// hex-encoded so that no quoting stands between the two sides.
const std::string dumpScript = R"(
import sys, openpyxl
wb = openpyxl.load_workbook(sys.argv[1])
for ws in wb.worksheets:
    print('S', ws.title.encode().hex())
    for row in ws.iter_rows():
        for c in row:
            if c.value is not None:
                print('C', c.row, c.column, str(c.value).encode().hex())
)";

std::string expectedDump(const std::vector<std::pair<std::string, TableGrid>>& sheets)
{
    std::string out;
    for (const auto& [name, rows] : sheets) {
        out += "S " + hex(name) + "\n";
        for (std::size_t r = 0; r < rows.size(); ++r)
            for (std::size_t c = 0; c < rows[r].size(); ++c)
                if (!rows[r][c].empty())
                    out += "C " + std::to_string(r + 1) + " " + std::to_string(c + 1) + " " + hex(rows[r][c]) + "\n";
    }
    return out;
}
} // namespace

TEST(XLSXReadBackTest, OpenpyxlReadsEveryNameAndCell)
{
    if (!hasOpenpyxl())
        GTEST_SKIP() << "/usr/bin/python3 with openpyxl is not installed";

    const std::string fffd = "\xEF\xBF\xBD";
    const std::vector<XLSXWriter::Sheet> sheets{
        {"Invoice",
         {{"Item", "Qty", "Price"},
          {"Tea & cake", "2 pcs",
           "\xE2\x82\xAC"
           "3.50"},
          {"", "", "  total <sum> "}}},
        {"INVOICE", {{"line one\nline two", "\xF0\x9F\x98\x80 caf\xC3\xA9", "say \"x\" 'y'"}}},
        {"Q1/Q2: totals?", {}},
        {std::string(40, 'L'), {{}, {"", "after an empty row"}}},
        {"Caf\xE9 \xF0\x9F\x87\xB3\xF0\x9F\x87\xB1 e\xCC\x81",
         {{std::string("nul\0 and \f gone", 16), "bad \xFF byte"}}},
        {"", {{"007", "=1+1", "2024-01-31"}}},
    };
    const XLSXWriter::Result workbook = XLSXWriter::data(sheets, CodePoints());
    ASSERT_TRUE(workbook.ok()) << workbook.error;
    TempFile file(".xlsx");
    ASSERT_FALSE(file.path().empty());
    ASSERT_TRUE(file.write(workbook.bytes));

    const CommandOutput dump = runPython(dumpScript, file.path());
    ASSERT_EQ(dump.status, 0) << dump.text;
    // Every cell comes back as the text it was, formulas, codes and dates included, minus what XML cannot carry.
    EXPECT_EQ(dump.text, expectedDump({
                             {"Invoice", sheets[0].rows},
                             {"INVOICE 2", sheets[1].rows},
                             {"Q1 Q2  totals", {}},
                             {std::string(31, 'L'), sheets[3].rows},
                             {"Caf" + fffd + " \xF0\x9F\x87\xB3\xF0\x9F\x87\xB1 e\xCC\x81",
                              {{"nul and  gone", "bad " + fffd + " byte"}}},
                             {"Sheet6", sheets[5].rows},
                         }));
}

TEST(XLSXReadBackTest, NumbersReadBackAsNumbersThatSum)
{
    if (!hasOpenpyxl())
        GTEST_SKIP() << "/usr/bin/python3 with openpyxl is not installed";
    const XLSXWriter::Result workbook = XLSXWriter::data({{"Numbers",
                                                           {{"Item", "Qty", "Price", "Share"},
                                                            {"Tea", "4987", "36.07", "12.5%"},
                                                            {"Cake", "-1,250", "1,234.50", "100%"},
                                                            {"Code", "0042", "12,5", "2024-01-31"},
                                                            {"Card", "1234567890123456", "A12", "3.5.1"}}}},
                                                         CodePoints());
    ASSERT_TRUE(workbook.ok()) << workbook.error;
    TempFile file(".xlsx");
    ASSERT_TRUE(file.write(workbook.bytes));
    // Each cell as its Python type, its value and the number format a spreadsheet shows it with.
    const std::string script = R"(
import sys, openpyxl
ws = openpyxl.load_workbook(sys.argv[1]).active
for row in ws.iter_rows(min_row=2):
    print(' | '.join('%s %r %s' % (type(c.value).__name__, c.value, c.number_format) for c in row[1:]))
print('sum', sum(c.value for c in ws['B'][1:3]))
)";
    const CommandOutput dump = runPython(script, file.path());
    ASSERT_EQ(dump.status, 0) << dump.text;
    EXPECT_EQ(dump.text, "int 4987 General | float 36.07 0.00 | float 0.125 0.0%\n"
                         "int -1250 #,##0 | float 1234.5 #,##0.00 | int 1 0%\n"
                         "str '0042' General | str '12,5' General | str '2024-01-31' General\n"
                         "str '1234567890123456' General | str 'A12' General | str '3.5.1' General\n"
                         "sum 3737\n");
}

TEST(XLSXReadBackTest, UnzipFindsNoErrorInAWorkbook)
{
    if (!hasUnzip())
        GTEST_SKIP() << "unzip is not installed";
    const XLSXWriter::Result workbook =
        XLSXWriter::data({{"One", {{"a", "b"}}}, {"Two", {{"\xC3\xA9"}}}}, CodePoints());
    ASSERT_TRUE(workbook.ok()) << workbook.error;
    TempFile file(".xlsx");
    ASSERT_TRUE(file.write(workbook.bytes));

    const CommandOutput test = run("unzip -t '" + file.path() + "'");
    EXPECT_EQ(test.status, 0) << test.text;
    EXPECT_NE(test.text.find("No errors detected"), std::string::npos) << test.text;

    const CommandOutput names = run("unzip -Z1 '" + file.path() + "'");
    EXPECT_EQ(names.text, "[Content_Types].xml\n_rels/.rels\nxl/workbook.xml\nxl/_rels/workbook.xml.rels\n"
                          "xl/styles.xml\nxl/worksheets/sheet1.xml\nxl/worksheets/sheet2.xml\n");
}

TEST(XLSXReadBackTest, PythonZipfileSeesStoredEntriesWithMatchingCrcs)
{
    if (access("/usr/bin/python3", X_OK) != 0)
        GTEST_SKIP() << "/usr/bin/python3 is not installed";
    Zip zip;
    zip.add("first.txt", "hello");
    zip.add("empty", "");
    zip.add("dir/utf8.xml", "\xC3\xA9\xF0\x9F\x98\x80");
    const Zip::Result archive = zip.finalize();
    ASSERT_TRUE(archive.ok()) << archive.error;
    TempFile file(".zip");
    ASSERT_TRUE(file.write(archive.bytes));

    // testzip() recomputes every CRC; the zero MS-DOS stamp reads as 1980-00-00 00:00:00.
    const std::string script = "import sys, zipfile\n"
                               "z = zipfile.ZipFile(sys.argv[1])\n"
                               "assert z.testzip() is None\n"
                               "for i in z.infolist():\n"
                               "    print(i.filename, i.compress_type, i.date_time, z.read(i).hex())\n";
    const CommandOutput out = runPython(script, file.path());
    ASSERT_EQ(out.status, 0) << out.text;
    EXPECT_EQ(out.text, "first.txt 0 (1980, 0, 0, 0, 0, 0) 68656c6c6f\n"
                        "empty 0 (1980, 0, 0, 0, 0, 0) \n"
                        "dir/utf8.xml 0 (1980, 0, 0, 0, 0, 0) c3a9f09f9880\n");
}
