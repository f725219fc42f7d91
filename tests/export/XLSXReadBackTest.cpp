// Workbooks and archives read back by real readers: openpyxl (Debian's python3-openpyxl), Python's zipfile and
// Info-ZIP's unzip.

#include "CodePoints.h"
#include "Missing.h"
#include "export/XLSXWriter.h"
#include "export/Zip.h"
#include "support/Process.h"

#include <gtest/gtest.h>

namespace {
using TestSupport::TempDir;

// Writes the bytes to a file and runs /usr/bin/python3 (which has the Debian modules) with the script on it.
TestSupport::Outcome readBack(const std::vector<std::uint8_t>& bytes, const std::string& script)
{
    TempDir dir;
    const std::string path = (dir / "file.xlsx").string();
    TestSupport::writeFile(path, std::string(bytes.begin(), bytes.end()));
    return TestSupport::run("/usr/bin/python3", {"-c", script, path});
}

bool hasOpenpyxl()
{
    return TestSupport::run("/usr/bin/python3", {"-c", "import openpyxl"}).status == 0;
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
} // namespace

TEST(XLSXReadBackTest, OpenpyxlReadsEveryNameAndCell)
{
    AMBREL_NEEDS(hasOpenpyxl(), "/usr/bin/python3 with openpyxl is not installed");
    const std::vector<XLSXWriter::Sheet> sheets{
        {"R&D <Invoice>",
         {{"Item", "Qty", "Price"},
          {"Tea & cake", "2 pcs",
           "\xE2\x82\xAC"
           "3.50"},
          {"", "", "  total <sum> "}}},
        {"r&d <INVOICE>", {{"line one\nline two", "\xF0\x9F\x98\x80 caf\xC3\xA9", "say \"x\" 'y'"}}},
        {"Q1/Q2: totals?", {}},
        {std::string(40, 'L'), {{}, {"", "after an empty row"}}},
        {"Caf\xE9 \xF0\x9F\x87\xB3\xF0\x9F\x87\xB1 e\xCC\x81",
         {{std::string("nul\0 and \f gone", 16), "bad \xFF byte"}}},
        {"", {{"007", "=1+1", "2024-01-31"}}},
    };
    const XLSXWriter::Result workbook = XLSXWriter::data(sheets, CodePoints());
    ASSERT_TRUE(workbook.ok()) << workbook.error;
    // Every sheet's name and non-empty cells, texts hex-encoded so that no quoting stands between the two sides.
    const TestSupport::Outcome dump = readBack(workbook.bytes, R"(
import sys, openpyxl
for ws in openpyxl.load_workbook(sys.argv[1]).worksheets:
    print('S', ws.title.encode().hex())
    for row in ws.iter_rows():
        for c in row:
            if c.value is not None:
                print('C', c.row, c.column, str(c.value).encode().hex())
)");
    ASSERT_EQ(dump.status, 0) << dump.err;
    // Every cell comes back as the text it was, formulas, codes and dates included, minus what XML cannot carry.
    const std::vector<std::pair<std::string, TableGrid>> expected{
        {"R&D <Invoice>", sheets[0].rows},
        {"r&d <INVOICE> 2", sheets[1].rows},
        {"Q1 Q2  totals", {}},
        {std::string(31, 'L'), sheets[3].rows},
        {"Caf" + fffd + " \xF0\x9F\x87\xB3\xF0\x9F\x87\xB1 e\xCC\x81", {{"nul and  gone", "bad " + fffd + " byte"}}},
        {"Sheet6", sheets[5].rows},
    };
    std::string lines;
    for (const auto& [name, rows] : expected) {
        lines += "S " + hex(name) + "\n";
        for (std::size_t r = 0; r < rows.size(); ++r)
            for (std::size_t c = 0; c < rows[r].size(); ++c)
                if (!rows[r][c].empty())
                    lines += "C " + std::to_string(r + 1) + " " + std::to_string(c + 1) + " " + hex(rows[r][c]) + "\n";
    }
    EXPECT_EQ(dump.out, lines);
}

TEST(XLSXReadBackTest, NumbersReadBackAsNumbersThatSum)
{
    AMBREL_NEEDS(hasOpenpyxl(), "/usr/bin/python3 with openpyxl is not installed");
    const XLSXWriter::Result workbook = XLSXWriter::data({{"Numbers",
                                                           {{"Item", "Qty", "Price", "Share"},
                                                            {"Tea", "4987", "36.07", "12.5%"},
                                                            {"Cake", "-1,250", "1,234.50", "100%"},
                                                            {"Code", "0042", "12,5", "2024-01-31"},
                                                            {"Card", "1234567890123456", "A12", "3.5.1"}}}},
                                                         CodePoints());
    ASSERT_TRUE(workbook.ok()) << workbook.error;
    // Each cell as its Python type, its value and the number format a spreadsheet shows it with.
    const TestSupport::Outcome dump = readBack(workbook.bytes, R"(
import sys, openpyxl
ws = openpyxl.load_workbook(sys.argv[1]).active
for row in ws.iter_rows(min_row=2):
    print(' | '.join('%s %r %s' % (type(c.value).__name__, c.value, c.number_format) for c in row[1:]))
print('sum', sum(c.value for c in ws['B'][1:3]))
)");
    ASSERT_EQ(dump.status, 0) << dump.err;
    EXPECT_EQ(dump.out, "int 4987 General | float 36.07 0.00 | float 0.125 0.0%\n"
                        "int -1250 #,##0 | float 1234.5 #,##0.00 | int 1 0%\n"
                        "str '0042' General | str '12,5' General | str '2024-01-31' General\n"
                        "str '1234567890123456' General | str 'A12' General | str '3.5.1' General\n"
                        "sum 3737\n");
}

TEST(XLSXReadBackTest, ZipReadersSeeStoredEntriesWithMatchingCrcs)
{
    Zip zip;
    zip.add("first.txt", "hello");
    zip.add("empty", "");
    zip.add("dir/\xC3\xA9t\xC3\xA9.xml", "\xC3\xA9\xF0\x9F\x98\x80");
    const Zip::Result archive = zip.finalize();
    ASSERT_TRUE(archive.ok()) << archive.error;
    // testzip() recomputes every CRC; the zero MS-DOS stamp reads as 1980-00-00 00:00:00.
    const TestSupport::Outcome out = readBack(archive.bytes, "import sys, zipfile\n"
                                                             "z = zipfile.ZipFile(sys.argv[1])\n"
                                                             "assert z.testzip() is None\n"
                                                             "for i in z.infolist():\n"
                                                             "    print(i.filename.encode('cp437').hex(),"
                                                             " i.compress_type, i.date_time, z.read(i).hex())\n");
    ASSERT_EQ(out.status, 0) << out.err;
    EXPECT_EQ(out.out, hex("first.txt") + " 0 (1980, 0, 0, 0, 0, 0) 68656c6c6f\n" + hex("empty")
                           + " 0 (1980, 0, 0, 0, 0, 0) \n" + hex("dir/\xC3\xA9t\xC3\xA9.xml")
                           + " 0 (1980, 0, 0, 0, 0, 0) c3a9f09f9880\n");

    // Info-ZIP's own test, which also warns of offsets that do not add up, passes the archive and a workbook; the
    // workbook's entries are in the order a reader expects them.
    const XLSXWriter::Result workbook =
        XLSXWriter::data({{"One", {{"a", "b"}}}, {"Two", {{"\xC3\xA9"}}}}, CodePoints());
    ASSERT_TRUE(workbook.ok()) << workbook.error;
    TempDir dir;
    TestSupport::writeFile(dir / "a.zip", std::string(archive.bytes.begin(), archive.bytes.end()));
    TestSupport::writeFile(dir / "w.xlsx", std::string(workbook.bytes.begin(), workbook.bytes.end()));
    for (const char* name : {"a.zip", "w.xlsx"}) {
        const TestSupport::Outcome test = TestSupport::run("unzip", {"-t", (dir / name).string()});
        EXPECT_EQ(test.status, 0) << test.out << test.err;
        EXPECT_NE(test.out.find("No errors detected"), std::string::npos) << test.out;
    }
    EXPECT_EQ(TestSupport::run("unzip", {"-Z1", (dir / "w.xlsx").string()}).out,
              "[Content_Types].xml\n_rels/.rels\nxl/workbook.xml\nxl/_rels/workbook.xml.rels\n"
              "xl/styles.xml\nxl/worksheets/sheet1.xml\nxl/worksheets/sheet2.xml\n");
}
