#include "document/Rtf.h"

#include "Missing.h"
#include "support/Process.h"

#include <QFile>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {
const std::string header =
    "{\\rtf1\\ansi\\ansicpg1252\\uc1\\deff0{\\fonttbl{\\f0\\fnil\\fcharset0 Sans;}}\n\\f0\\fs24 ";

// Reads an RTF file back with unrtf, an independent reader, and returns its text. unrtf's own text output prints
// "?" for every \u escape, so its tag file is given a Unicode rule that writes the code unit as &#N;, which is
// decoded here (surrogate pairs included). Returns no value when unrtf is not installed.
std::optional<std::string> readBackWithUnrtf(const QString& rtfPath, const QTemporaryDir& dir)
{
    const std::string system = TestSupport::readFile("/usr/share/unrtf/text.conf");
    if (QStandardPaths::findExecutable(QStringLiteral("unrtf")).isEmpty() || system.empty())
        return std::nullopt;
    const std::string configDir = dir.filePath(QStringLiteral("unrtf")).toStdString();
    std::filesystem::create_directories(configDir);
    TestSupport::writeFile(configDir + "/text.conf", system + "unisymbol_print\n\t&#%;\n");
    const TestSupport::Outcome unrtf = TestSupport::run("unrtf", {"-P", configDir, "--text", rtfPath.toStdString()});
    if (unrtf.status != 0)
        return std::nullopt;
    QString out = QString::fromStdString(unrtf.out);
    // unrtf begins with "###" comment lines and a line of dashes, then the body.
    const QString rule = QStringLiteral("-----------------\n");
    out = out.mid(out.indexOf(rule) + rule.size());
    QString decoded;
    static const QRegularExpression entity(QStringLiteral("&#(\\d+);"));
    qsizetype last = 0;
    for (auto it = entity.globalMatch(out); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        decoded += out.mid(last, m.capturedStart() - last);
        decoded += QChar(char16_t(m.captured(1).toUInt()));
        last = m.capturedEnd();
    }
    decoded += out.mid(last);
    return decoded.toStdString();
}
} // namespace

// The text itself is read back by unrtf below; its rendering of a tab is no tab, so that is checked here.
TEST(RtfTest, TabsAreTabsAndTheFontNameCannotBreakTheFontTable)
{
    EXPECT_EQ(Rtf::document("a\tb", "Sans"), header + "a\\tab b}");
    EXPECT_EQ(Rtf::document("x", "Evil;}{\\b Font"),
              header.substr(0, header.find("Sans")) + "Evilb Font;}}\n\\f0\\fs24 x}");
    EXPECT_NE(Rtf::document("x", "\u00c9").find("Sans Serif;"), std::string::npos);
}

TEST(RtfTest, AnIndependentReaderReadsTheSameTextBack)
{
    QTemporaryDir dir;
    const std::string text = "Caf\u00e9 cr\u00e8me \u2014 50 \u20ac\n\u4e2d\u6587 text \U0001F600 ok \uFFFD\n"
                             "{braces} and \\backslash\\\r\nCR\rlast line";
    const QString path = dir.filePath(QStringLiteral("out.rtf"));
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        // Control characters have no form in a document; ill-formed UTF-8 reads as U+FFFD, never as raw bytes.
        file.write(QByteArray::fromStdString(Rtf::document(text + std::string("\x01 \xFF\x7F"), "Sans")));
    }
    const std::optional<std::string> back = readBackWithUnrtf(path, dir);
    AMBREL_NEEDS(back.has_value(), "unrtf is not installed");
    EXPECT_EQ(*back, "Caf\u00e9 cr\u00e8me \u2014 50 \u20ac\n\u4e2d\u6587 text \U0001F600 ok \uFFFD\n"
                     "{braces} and \\backslash\\\nCR\nlast line \uFFFD");
}
